#include "analysis/SurfaceAnalysis.h"

#include "analysis/FftPlans.h"
#include "analysis/HeightSums.h"
#include "model/AppError.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <future>
#include <numeric>
#include <string>
#include <system_error>

namespace analysis_detail {

HeightSums heightSums(HeightView surface)
{
    if (!surface.heights || surface.rows < 1 || surface.cols < 1)
        throw AppError("The lattice to analyse has no cells");
    if (surface.cells() > (int64_t(1) << 31))
        throw AppError("A lattice of " + std::to_string(surface.rows) + " x " + std::to_string(surface.cols)
                       + " cells is too large to analyse (at most 2147483648 cells)");
    HeightSums sums;
    sums.cells = surface.cells();
    const int32_t* h = surface.heights;
    int32_t lowest = h[0], highest = h[0];
    for (int64_t i = 0; i < sums.cells; ++i) {
        lowest = std::min(lowest, h[i]);
        highest = std::max(highest, h[i]);
    }
    sums.lowest = lowest;
    sums.highest = highest;
    const uint32_t base = static_cast<uint32_t>(lowest);
    // Below 2^16 layers of range a square fits in 32 bits and a row's squares in 64 (cols < 2^31).
    const bool narrow = sums.range() < (uint64_t(1) << 16);
    uint64_t sum = 0;
    uint128 squares = 0;
    for (int32_t r = 0; r < surface.rows; ++r) {
        const int32_t* row = h + static_cast<int64_t>(r) * surface.cols;
        uint64_t rowSum = 0;
        if (narrow) {
            uint64_t rowSquares = 0;
            for (int32_t c = 0; c < surface.cols; ++c) {
                const uint32_t d = static_cast<uint32_t>(row[c]) - base;
                rowSum += d;
                rowSquares += d * d;
            }
            squares += rowSquares;
        } else {
            for (int32_t c = 0; c < surface.cols; ++c) {
                const uint64_t d = static_cast<uint32_t>(row[c]) - base;
                rowSum += d;
                squares += d * d;
            }
        }
        sum += rowSum;
    }
    sums.sum = sum;
    sums.sumSquares = squares;
    return sums;
}

} // namespace analysis_detail

using namespace analysis_detail;

namespace {

struct MomentSums {
    long double cubes = 0.0L;
    long double fourths = 0.0L;
};

// The deviations h - mean of one row, and their third and fourth powers summed into `moments`.
// h and the mean's integer part both lie within int32, so their difference is exact in double.
void deviationsOfRow(const int32_t* row, int32_t cols, const HeightSums& sums, double* out, MomentSums& moments)
{
    const double base = static_cast<double>(sums.meanFloor());
    const double fraction = sums.meanFraction();
    double cubes = 0.0, fourths = 0.0;
    for (int32_t c = 0; c < cols; ++c) {
        const double d = (static_cast<double>(row[c]) - base) - fraction;
        const double d2 = d * d;
        cubes += d2 * d;
        fourths += d2 * d2;
        if (out)
            out[c] = d;
    }
    moments.cubes += cubes;
    moments.fourths += fourths;
}

HeightMoments momentsOf(const HeightSums& sums, const MomentSums& moments)
{
    HeightMoments result;
    if (sums.flat())
        return result;
    const long double m2 = sums.width2();
    const long double a = static_cast<long double>(sums.cells);
    result.skewness = static_cast<double>(moments.cubes / a / (m2 * std::sqrt(m2)));
    result.excessKurtosis = static_cast<double>(moments.fourths / a / (m2 * m2) - 3.0L);
    return result;
}

int32_t radialBins(int32_t rows, int32_t cols) { return std::min(rows, cols) / 2; }

// The lattice's deviations from its mean, transformed in place: row j of the half spectrum,
// cols / 2 + 1 complex numbers, starts at j * stride.
struct Spectrum {
    int32_t rows = 0;
    int32_t cols = 0;
    int64_t stride = 0; // doubles per row
    std::shared_ptr<const FftPlans::Pair> plans;
    FftwArray data;

    const double* row(int32_t j) const { return data.get() + j * stride; }
};

Spectrum transformed(HeightView surface, const HeightSums& sums, MomentSums& moments)
{
    Spectrum s;
    s.rows = surface.rows;
    s.cols = surface.cols;
    s.stride = paddedCols(surface.cols);
    s.plans = FftPlans::forSize(s.rows, s.cols);
    s.data = allocatePadded(s.rows, s.cols);
    for (int32_t r = 0; r < s.rows; ++r)
        deviationsOfRow(surface.heights + static_cast<int64_t>(r) * s.cols, s.cols, sums, s.data.get() + r * s.stride,
                        moments);
    s.plans->transform(s.data.get());
    return s;
}

// S(q) = |F(q)|^2 / A at the stored coefficient (j, i).
double powerAt(const Spectrum& s, int32_t j, int32_t i)
{
    const double* z = s.row(j) + 2 * static_cast<int64_t>(i);
    return (z[0] * z[0] + z[1] * z[1]) / (static_cast<double>(s.rows) * s.cols);
}

// Radial S(k) from the half spectrum. Each stored coefficient (j, i) with 0 < i < cols / 2 also
// stands for its missing mirror image -q, the complex conjugate at (-j, cols - i), which has the
// same |q| and the same power.
StructureFactorCurve radialStructureFactor(const Spectrum& s)
{
    const int32_t bins = radialBins(s.rows, s.cols);
    std::vector<double> sum(bins + 1, 0.0);
    std::vector<int64_t> count(bins + 1, 0);
    // |q| / D = sqrt(m^2 c^2 + n^2 a^2) / max(a, c) with cols = g a, rows = g c.
    const int64_t g = std::gcd(s.rows, s.cols);
    const uint64_t a = static_cast<uint64_t>(s.cols / g);
    const uint64_t c = static_cast<uint64_t>(s.rows / g);
    for (int32_t j = 0; j < s.rows; ++j) {
        const uint64_t n = static_cast<uint64_t>(j <= s.rows / 2 ? j : s.rows - j);
        walkBins(n * n * a * a, c * c, std::max(a, c), s.cols / 2, bins, [&](int64_t i, int64_t b) {
            if (b == 0)
                return; // |q| < D / 2, q = 0 among them: not part of the curve
            const int64_t weight = (i == 0 || 2 * i == s.cols) ? 1 : 2;
            sum[b] += static_cast<double>(weight) * powerAt(s, j, static_cast<int32_t>(i));
            count[b] += weight;
        });
    }
    StructureFactorCurve curve;
    const double step = 2.0 * M_PI / std::min(s.rows, s.cols);
    for (int32_t b = 1; b <= bins; ++b) {
        curve.k.push_back(b * step);
        curve.s.push_back(count[b] ? sum[b] / static_cast<double>(count[b]) : 0.0);
        curve.modes.push_back(count[b]);
    }
    return curve;
}

// C(d) by Wiener-Khinchin: the inverse transform of |F(q)|^2 is A^2 C(d). Destroys the spectrum.
CorrelationCurves correlationFrom(Spectrum& s, double width2, bool flat)
{
    const int32_t halfCols = s.cols / 2 + 1;
    for (int32_t j = 0; j < s.rows; ++j) {
        double* z = s.data.get() + j * s.stride;
        for (int32_t i = 0; i < halfCols; ++i) {
            z[2 * i] = z[2 * i] * z[2 * i] + z[2 * i + 1] * z[2 * i + 1];
            z[2 * i + 1] = 0.0;
        }
    }
    s.plans->inverse(s.data.get());

    const int32_t bins = radialBins(s.rows, s.cols);
    std::vector<double> sum(bins + 1, 0.0);
    std::vector<int64_t> count(bins + 1, 0);
    // Displacements (dx, dy) with components in (-L/2, L/2]; round(|d|) >= |dy|, so only the rows
    // with |dy| <= bins hold any, and along each the bins grow with |dx| both ways.
    const int64_t leftmost = -std::min<int64_t>(bins, (s.cols - 1) / 2);
    for (int32_t j = 0; j < s.rows; ++j) {
        const int64_t dy = j <= s.rows / 2 ? j : j - s.rows;
        if (dy > bins || -dy > bins)
            continue;
        const double* line = s.row(j);
        auto add = [&](int64_t index, int64_t r) {
            if (r >= 1) {
                sum[r] += line[index];
                ++count[r];
            }
        };
        const uint64_t base = static_cast<uint64_t>(dy * dy);
        walkBins(base, 1, 1, bins, bins, [&](int64_t dx, int64_t r) { add(dx, r); });
        walkBins(base, 1, 1, -leftmost, bins, [&](int64_t dx, int64_t r) {
            if (dx > 0)
                add(s.cols - dx, r);
        });
    }
    const double area = static_cast<double>(s.rows) * s.cols;
    CorrelationCurves curves;
    for (int32_t r = 1; r <= bins; ++r) {
        const double c = count[r] ? sum[r] / static_cast<double>(count[r]) / (area * area) : 0.0;
        curves.r.push_back(r);
        curves.c.push_back(c);
        curves.g.push_back(2.0 * (width2 - c));
    }
    if (!flat && width2 > 0.0) {
        const double threshold = std::exp(-1.0);
        double previous = 1.0;
        for (int32_t r = 1; r <= bins; ++r) {
            const double ratio = curves.c[r - 1] / width2;
            if (ratio <= threshold) {
                // Already at r = 1 the correlations are shorter than a cell: no length, rather
                // than a value interpolated between r = 0 and r = 1.
                if (r > 1)
                    curves.length = (r - 1) + (previous - threshold) / (previous - ratio);
                break;
            }
            previous = ratio;
        }
    }
    return curves;
}

// The transform's share of the whole analysis: moments, S(k), C(r) and G(r).
void spectralPart(HeightView surface, const HeightSums& sums, SurfaceAnalysis& result)
{
    MomentSums moments;
    Spectrum s = transformed(surface, sums, moments);
    result.moments = momentsOf(sums, moments);
    result.structureFactor = radialStructureFactor(s);
    result.correlation = correlationFrom(s, result.width2, sums.flat());
}

// The work on the heights themselves, in pieces that two threads share out: the step histogram,
// then w(l) one window side at a time.
class DirectWork {
public:
    DirectWork(HeightView surface, const HeightSums& sums, SurfaceAnalysis& result)
        : surface_(surface), sums_(sums), result_(result)
    {
        result.localWidth.l = windowSides(surface);
        result.localWidth.w.assign(result.localWidth.l.size(), 0.0);
    }

    // Does pieces until none is left.
    void drain()
    {
        const std::size_t sides = result_.localWidth.l.size();
        for (std::size_t piece; (piece = next_++) <= sides;) {
            if (piece == 0)
                result_.slopes = slopesOf(surface_, sums_);
            else
                result_.localWidth.w[piece - 1] = windowWidth(surface_, sums_, result_.localWidth.l[piece - 1]);
        }
    }

private:
    HeightView surface_;
    const HeightSums& sums_;
    SurfaceAnalysis& result_;
    std::atomic<std::size_t> next_{0};
};

} // namespace

StructureFactorCurve structureFactor(HeightView surface)
{
    const HeightSums sums = heightSums(surface);
    MomentSums moments;
    return radialStructureFactor(transformed(surface, sums, moments));
}

std::vector<double> structureFactorMap(HeightView surface)
{
    const HeightSums sums = heightSums(surface);
    MomentSums moments;
    const Spectrum s = transformed(surface, sums, moments);
    std::vector<double> map(static_cast<std::size_t>(surface.cells()), 0.0);
    for (int32_t j = 0; j < s.rows; ++j) {
        const int32_t mirrorRow = j == 0 ? 0 : s.rows - j;
        for (int32_t i = 0; i <= s.cols / 2; ++i) {
            const double power = (i == 0 && j == 0) ? 0.0 : powerAt(s, j, i);
            map[static_cast<std::size_t>(j) * s.cols + i] = power;
            if (i > 0 && 2 * i < s.cols)
                map[static_cast<std::size_t>(mirrorRow) * s.cols + (s.cols - i)] = power;
        }
    }
    return map;
}

CorrelationCurves correlation(HeightView surface)
{
    const HeightSums sums = heightSums(surface);
    MomentSums moments;
    Spectrum s = transformed(surface, sums, moments);
    return correlationFrom(s, sums.width2(), sums.flat());
}

LocalWidthCurve localWidth(HeightView surface)
{
    const HeightSums sums = heightSums(surface);
    LocalWidthCurve curve;
    curve.l = windowSides(surface);
    for (int32_t side : curve.l)
        curve.w.push_back(windowWidth(surface, sums, side));
    return curve;
}

HeightMoments heightMoments(HeightView surface)
{
    const HeightSums sums = heightSums(surface);
    MomentSums moments;
    for (int32_t r = 0; r < surface.rows; ++r)
        deviationsOfRow(surface.heights + static_cast<int64_t>(r) * surface.cols, surface.cols, sums, nullptr,
                        moments);
    return momentsOf(sums, moments);
}

std::vector<SlopeBin> slopeHistogram(HeightView surface)
{
    return slopesOf(surface, heightSums(surface));
}

SurfaceAnalysis analyseSurface(HeightView surface, int threads)
{
    const HeightSums sums = heightSums(surface);
    SurfaceAnalysis result;
    result.rows = surface.rows;
    result.cols = surface.cols;
    result.mean = sums.mean();
    result.width2 = sums.width2();
    result.width = std::sqrt(result.width2);
    // The transforms on this thread; the rest shared between a second thread and this one
    // once the transforms are done.
    DirectWork direct(surface, sums, result);
    std::future<void> helper;
    if (threads >= 2) {
        try {
            helper = std::async(std::launch::async, &DirectWork::drain, &direct);
        } catch (const std::system_error&) {
            // No second thread to be had: this one does it all.
        }
    }
    spectralPart(surface, sums, result);
    direct.drain();
    if (helper.valid())
        helper.get();
    return result;
}
