#include "analysis/SurfaceAnalysis.h"

#include "analysis/FftPlans.h"
#include "analysis/HeightSums.h"
#include "model/AppError.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>

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
    sums.lowest = sums.highest = h[0];
    for (int64_t i = 0; i < sums.cells; ++i) {
        sums.lowest = std::min(sums.lowest, h[i]);
        sums.highest = std::max(sums.highest, h[i]);
    }
    const uint32_t lowest = static_cast<uint32_t>(sums.lowest);
    // Below 2^16 layers of range a row's squares fit in 64 bits (cols < 2^31).
    const bool narrow = sums.range() < (uint64_t(1) << 16);
    for (int32_t r = 0; r < surface.rows; ++r) {
        const int32_t* row = h + static_cast<int64_t>(r) * surface.cols;
        uint64_t rowSum = 0;
        if (narrow) {
            uint64_t rowSquares = 0;
            for (int32_t c = 0; c < surface.cols; ++c) {
                const uint64_t d = static_cast<uint32_t>(row[c]) - lowest;
                rowSum += d;
                rowSquares += d * d;
            }
            sums.sumSquares += rowSquares;
        } else {
            for (int32_t c = 0; c < surface.cols; ++c) {
                const uint64_t d = static_cast<uint32_t>(row[c]) - lowest;
                rowSum += d;
                sums.sumSquares += static_cast<uint128>(d * d);
            }
        }
        sums.sum += rowSum;
    }
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
void deviationsOfRow(const int32_t* row, int32_t cols, const HeightSums& sums, double* out, MomentSums& moments)
{
    const int64_t base = sums.meanFloor();
    const double fraction = sums.meanFraction();
    double cubes = 0.0, fourths = 0.0;
    for (int32_t c = 0; c < cols; ++c) {
        const double d = static_cast<double>(static_cast<int64_t>(row[c]) - base) - fraction;
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

// The lattice's deviations from its mean and their forward transform.
struct Spectrum {
    int32_t rows = 0;
    int32_t cols = 0;
    int32_t halfCols = 0; // cols / 2 + 1
    std::shared_ptr<const FftPlans::Pair> plans;
    FftwArray<double> real;
    FftwArray<fftw_complex> half;
};

Spectrum transformed(HeightView surface, const HeightSums& sums, MomentSums& moments)
{
    Spectrum s;
    s.rows = surface.rows;
    s.cols = surface.cols;
    s.halfCols = surface.cols / 2 + 1;
    s.plans = FftPlans::forSize(s.rows, s.cols);
    s.real = allocateReal(static_cast<std::size_t>(surface.cells()));
    s.half = allocateComplex(static_cast<std::size_t>(s.rows) * s.halfCols);
    for (int32_t r = 0; r < s.rows; ++r)
        deviationsOfRow(surface.heights + static_cast<int64_t>(r) * s.cols, s.cols, sums,
                        s.real.get() + static_cast<int64_t>(r) * s.cols, moments);
    s.plans->transform(s.real.get(), s.half.get());
    return s;
}

// Radial S(k) from the half spectrum; with `map`, also S(q) at every wave vector. Each stored
// coefficient (j, i) with 0 < i < cols / 2 also stands for its missing mirror image -q, the
// complex conjugate at (-j, cols - i), which has the same |q| and the same power.
StructureFactorCurve radialStructureFactor(const Spectrum& s, std::vector<double>* map)
{
    const int32_t bins = radialBins(s.rows, s.cols);
    std::vector<double> sum(bins + 1, 0.0);
    std::vector<int64_t> count(bins + 1, 0);
    // |q| / D = sqrt(m^2 c^2 + n^2 a^2) / max(a, c) with cols = g a, rows = g c.
    const int64_t g = std::gcd(s.rows, s.cols);
    const uint64_t a = static_cast<uint64_t>(s.cols / g);
    const uint64_t c = static_cast<uint64_t>(s.rows / g);
    const uint64_t q = std::max(a, c);
    const double area = static_cast<double>(s.rows) * s.cols;
    if (map)
        map->assign(static_cast<std::size_t>(s.rows) * s.cols, 0.0);
    for (int32_t j = 0; j < s.rows; ++j) {
        const uint64_t n = static_cast<uint64_t>(j <= s.rows / 2 ? j : s.rows - j);
        const uint64_t rowPart = n * n * a * a;
        const fftw_complex* line = s.half.get() + static_cast<int64_t>(j) * s.halfCols;
        const int32_t mirrorRow = j == 0 ? 0 : s.rows - j;
        for (int32_t i = 0; i < s.halfCols; ++i) {
            if (i == 0 && j == 0)
                continue;
            const double power = (line[i][0] * line[i][0] + line[i][1] * line[i][1]) / area;
            const int64_t weight = (i == 0 || 2 * i == s.cols) ? 1 : 2;
            const uint64_t m = static_cast<uint64_t>(i);
            const int64_t b = radialBin(m * m * c * c + rowPart, q);
            if (b >= 1 && b <= bins) {
                sum[b] += static_cast<double>(weight) * power;
                count[b] += weight;
            }
            if (map) {
                (*map)[static_cast<std::size_t>(j) * s.cols + i] = power;
                if (weight == 2)
                    (*map)[static_cast<std::size_t>(mirrorRow) * s.cols + (s.cols - i)] = power;
            }
        }
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
    const int64_t halfCount = static_cast<int64_t>(s.rows) * s.halfCols;
    fftw_complex* half = s.half.get();
    for (int64_t k = 0; k < halfCount; ++k) {
        half[k][0] = half[k][0] * half[k][0] + half[k][1] * half[k][1];
        half[k][1] = 0.0;
    }
    s.plans->inverse(half, s.real.get());

    const int32_t bins = radialBins(s.rows, s.cols);
    std::vector<double> sum(bins + 1, 0.0);
    std::vector<int64_t> count(bins + 1, 0);
    // round(|d|) >= max(|dx|, |dy|): only displacements with both components within the last bin
    // can count.
    const int32_t lowestX = -std::min(bins, (s.cols - 1) / 2);
    for (int32_t j = 0; j < s.rows; ++j) {
        const int64_t dy = j <= s.rows / 2 ? j : j - s.rows;
        if (dy > bins || -dy > bins)
            continue;
        const double* line = s.real.get() + static_cast<int64_t>(j) * s.cols;
        for (int32_t dx = lowestX; dx <= bins; ++dx) {
            const int64_t r = radialBin(static_cast<uint64_t>(int64_t(dx) * dx + dy * dy), 1);
            if (r >= 1 && r <= bins) {
                sum[r] += line[dx >= 0 ? dx : dx + s.cols];
                ++count[r];
            }
        }
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
                curves.length = (r - 1) + (previous - threshold) / (previous - ratio);
                break;
            }
            previous = ratio;
        }
    }
    return curves;
}

} // namespace

StructureFactorCurve structureFactor(HeightView surface)
{
    const HeightSums sums = heightSums(surface);
    MomentSums moments;
    return radialStructureFactor(transformed(surface, sums, moments), nullptr);
}

std::vector<double> structureFactorMap(HeightView surface)
{
    const HeightSums sums = heightSums(surface);
    MomentSums moments;
    std::vector<double> map;
    radialStructureFactor(transformed(surface, sums, moments), &map);
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
    return localWidthOf(surface, heightSums(surface));
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
    heightSums(surface); // the checks
    return slopesOf(surface);
}

SurfaceAnalysis analyseSurface(HeightView surface)
{
    const HeightSums sums = heightSums(surface);
    SurfaceAnalysis result;
    result.rows = surface.rows;
    result.cols = surface.cols;
    result.mean = sums.mean();
    result.width2 = sums.width2();
    result.width = std::sqrt(result.width2);
    MomentSums moments;
    Spectrum s = transformed(surface, sums, moments);
    result.moments = momentsOf(sums, moments);
    result.structureFactor = radialStructureFactor(s, nullptr);
    result.correlation = correlationFrom(s, result.width2, sums.flat());
    s = Spectrum{};
    result.localWidth = localWidthOf(surface, sums);
    result.slopes = slopesOf(surface);
    return result;
}
