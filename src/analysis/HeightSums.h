#pragma once
// HeightSums: exact sums over a lattice's heights, shared by the analysis functions. Heights are
// taken relative to the lowest one, so every difference fits in 32 bits unsigned and every sum of
// up to 2^31 cells is exact in 64 or 128 bits.
#include "analysis/HeightView.h"
#include "analysis/SurfaceAnalysis.h"

#include <cmath>
#include <cstdint>

namespace analysis_detail {

using uint128 = unsigned __int128;

struct HeightSums {
    int64_t cells = 0;
    int32_t lowest = 0;
    int32_t highest = 0;
    uint64_t sum = 0;        // of h - lowest
    uint128 sumSquares = 0;  // of (h - lowest)^2

    bool flat() const { return lowest == highest; }
    // highest - lowest, up to 2^32 - 1.
    uint64_t range() const { return static_cast<uint64_t>(static_cast<int64_t>(highest) - lowest); }
    // The mean split into an integer height and a fraction in [0, 1), so that a deviation
    // h - mean = (h - meanFloor) - meanFraction loses nothing to a large mean.
    int64_t meanFloor() const { return lowest + static_cast<int64_t>(sum / static_cast<uint64_t>(cells)); }
    double meanFraction() const
    {
        return static_cast<double>(sum % static_cast<uint64_t>(cells)) / static_cast<double>(cells);
    }
    double mean() const { return static_cast<double>(meanFloor()) + meanFraction(); }
    // W^2 = (A sum d^2 - (sum d)^2) / A^2, the numerator exact.
    double width2() const
    {
        const uint128 a = static_cast<uint128>(cells);
        const uint128 numerator = a * sumSquares - static_cast<uint128>(sum) * sum;
        const long double a2 = static_cast<long double>(cells) * static_cast<long double>(cells);
        return static_cast<double>(static_cast<long double>(numerator) / a2);
    }
};

// Checks the view (cells present, at most 2^31 of them) and sums it; throws AppError.
HeightSums heightSums(HeightView surface);

// round(sqrt(p) / q) with halves rounded up, exactly, for p < 2^62 and q >= 1: the bin of a
// radial average whose squared radius is p / q^2.
inline uint64_t integerRoot(uint64_t n)
{
    uint64_t s = static_cast<uint64_t>(std::sqrt(static_cast<double>(n)));
    while (s * s > n)
        --s;
    while ((s + 1) * (s + 1) <= n)
        ++s;
    return s;
}

inline int64_t radialBin(uint64_t p, uint64_t q)
{
    const double v = std::sqrt(static_cast<double>(p)) / static_cast<double>(q) + 0.5;
    const double b = std::floor(v);
    if (v - b > 1e-6 && v - b < 1.0 - 1e-6)
        return static_cast<int64_t>(b);
    // Near a half: decide in integers, round(x / q) = floor((floor(2 sqrt p) + q) / 2q).
    return static_cast<int64_t>((integerRoot(4 * p) + q) / (2 * q));
}

// Walks m = 0, 1, .. last along a line of a radial average, where the squared radius is
// (m^2 step + base) / q^2 (step, base < 2^62 over the line), calling visit(m, bin) while the bin
// stays <= bins. The bin never falls as m grows, so each move costs one comparison in integers:
// the bin becomes b + 1 once 4 (m^2 step + base) >= (2b + 1)^2 q^2.
template <class Visit>
void walkBins(uint64_t base, uint64_t step, uint64_t q, int64_t last, int64_t bins, Visit&& visit)
{
    int64_t b = radialBin(base, q);
    const uint128 q2 = static_cast<uint128>(q) * q;
    auto threshold = [q2](int64_t bin) {
        return static_cast<uint128>(2 * bin + 1) * static_cast<uint128>(2 * bin + 1) * q2;
    };
    uint128 next = threshold(b);
    for (int64_t m = 0; m <= last; ++m) {
        const uint128 fourP = 4 * (static_cast<uint128>(m) * static_cast<uint128>(m) * step + base);
        while (fourP >= next)
            next = threshold(++b);
        if (b > bins)
            return;
        visit(m, b);
    }
}

// The window sides l = 2, 4, .. <= min(rows, cols) of the local width, and w(l) for one of them.
std::vector<int32_t> windowSides(HeightView surface);
double windowWidth(HeightView surface, const HeightSums& sums, int32_t side);

// The histogram of steps of a summed surface.
std::vector<SlopeBin> slopesOf(HeightView surface, const HeightSums& sums);

} // namespace analysis_detail
