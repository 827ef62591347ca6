// The local width w(l) and the histogram of nearest-neighbour steps.
#include "analysis/HeightSums.h"

#include <algorithm>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cmath>
#include <vector>

namespace analysis_detail {

namespace {

// The sum of the square roots of v[0 .. n), two at a time where the processor has SSE2.
double sumOfRoots(const double* v, int32_t n)
{
    double total = 0.0;
    int32_t i = 0;
#if defined(__SSE2__)
    __m128d a = _mm_setzero_pd(), b = _mm_setzero_pd();
    for (; i + 4 <= n; i += 4) {
        a = _mm_add_pd(a, _mm_sqrt_pd(_mm_loadu_pd(v + i)));
        b = _mm_add_pd(b, _mm_sqrt_pd(_mm_loadu_pd(v + i + 2)));
    }
    alignas(16) double lanes[2];
    _mm_store_pd(lanes, _mm_add_pd(a, b));
    total = lanes[0] + lanes[1];
#endif
    for (; i < n; ++i)
        total += std::sqrt(v[i]);
    return total;
}

double toDouble(uint128 v)
{
    return (v >> 63) == 0 ? static_cast<double>(static_cast<int64_t>(v)) : static_cast<double>(v);
}

// Mean over all periodic l x l windows of their standard deviation, from sliding sums of
// d = h - lowest and d^2 in the unsigned type U: 64 bits when the window sums S1 <= l^2 range and
// S2 <= l^2 range^2 fit in it, else 128. The running sums wrap modulo 2^bits(U), which leaves
// every difference whose true value fits exact. The variance numerator l^2 S2 - S1^2, at most
// l^4 range^2 / 4, is formed in N: 64 bits when that bound stays below 2^63, else 128 (l^2 <= 2^31
// cells keeps it below 2^126).
// Column sums of d and d^2 as one row leaves them and another enters.
template <class U>
void moveColumns(U* column1, U* column2, const int32_t* leaving, const int32_t* arriving, uint32_t lowest, int32_t cols)
{
    int32_t x = 0;
#if defined(__SSE2__)
    if constexpr (sizeof(U) == 8) {
        // Two columns at a time: d zero-extended into 64-bit lanes, squared by pmuludq; the sums
        // wrap modulo 2^64 as the scalar ones do.
        const __m128i base = _mm_set1_epi32(static_cast<int32_t>(lowest));
        const __m128i zero = _mm_setzero_si128();
        for (; x + 2 <= cols; x += 2) {
            const __m128i out = _mm_unpacklo_epi32(
                _mm_sub_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(leaving + x)), base), zero);
            const __m128i in = _mm_unpacklo_epi32(
                _mm_sub_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(arriving + x)), base), zero);
            auto* c1 = reinterpret_cast<__m128i*>(column1 + x);
            auto* c2 = reinterpret_cast<__m128i*>(column2 + x);
            _mm_storeu_si128(c1, _mm_add_epi64(_mm_loadu_si128(c1), _mm_sub_epi64(in, out)));
            _mm_storeu_si128(c2, _mm_add_epi64(_mm_loadu_si128(c2),
                                               _mm_sub_epi64(_mm_mul_epu32(in, in), _mm_mul_epu32(out, out))));
        }
    }
#endif
    for (; x < cols; ++x) {
        const uint32_t out = static_cast<uint32_t>(leaving[x]) - lowest;
        const uint32_t in = static_cast<uint32_t>(arriving[x]) - lowest;
        column1[x] += static_cast<U>(in) - static_cast<U>(out);
        column2[x] += static_cast<U>(static_cast<uint64_t>(in) * in) - static_cast<U>(static_cast<uint64_t>(out) * out);
    }
}

template <class U, class N>
double meanWindowWidth(HeightView s, uint32_t lowest, int32_t l)
{
    const int32_t rows = s.rows;
    const int32_t cols = s.cols;

    // Column sums over rows y .. y + l - 1 (periodic), starting at y = 0; l <= rows.
    std::vector<U> column1(cols, 0), column2(cols, 0);
    for (int32_t k = 0; k < l; ++k) {
        const int32_t* row = s.heights + static_cast<int64_t>(k) * cols;
        for (int32_t x = 0; x < cols; ++x) {
            const uint32_t d = static_cast<uint32_t>(row[x]) - lowest;
            column1[x] += d;
            column2[x] += static_cast<uint64_t>(d) * d;
        }
    }

    std::vector<double> numerators(cols);
    const N cellsPerWindow = static_cast<N>(l) * static_cast<N>(l);
    auto numerator = [cellsPerWindow](U s1, U s2) {
        const N n = cellsPerWindow * static_cast<N>(s2) - static_cast<N>(s1) * static_cast<N>(s1);
        if constexpr (sizeof(N) == 8)
            return static_cast<double>(static_cast<int64_t>(n));
        else
            return toDouble(n);
    };
    long double total = 0.0L;
    for (int32_t y = 0; y < rows; ++y) {
        // Slide an l-column window along the row of column sums, periodically.
        U s1 = 0, s2 = 0;
        for (int32_t k = 0; k < l; ++k) {
            s1 += column1[k];
            s2 += column2[k];
        }
        const int32_t unwrapped = cols - l;
        for (int32_t x = 0; x < unwrapped; ++x) {
            numerators[x] = numerator(s1, s2);
            s1 += column1[x + l] - column1[x];
            s2 += column2[x + l] - column2[x];
        }
        for (int32_t x = unwrapped; x < cols; ++x) {
            numerators[x] = numerator(s1, s2);
            s1 += column1[x + l - cols] - column1[x];
            s2 += column2[x + l - cols] - column2[x];
        }
        total += sumOfRoots(numerators.data(), cols);

        // Slide the columns down one row: row y leaves, row y + l enters.
        const int32_t entering = y + l < rows ? y + l : y + l - rows;
        moveColumns(column1.data(), column2.data(), s.heights + static_cast<int64_t>(y) * cols,
                    s.heights + static_cast<int64_t>(entering) * cols, lowest, cols);
    }
    // Each root is l^2 times a window's standard deviation.
    return static_cast<double>(total / (static_cast<long double>(l) * l) / static_cast<long double>(s.cells()));
}

} // namespace

std::vector<int32_t> windowSides(HeightView surface)
{
    std::vector<int32_t> sides;
    for (int64_t l = 2; l <= std::min(surface.rows, surface.cols); l *= 2)
        sides.push_back(static_cast<int32_t>(l));
    return sides;
}

double windowWidth(HeightView surface, const HeightSums& sums, int32_t side)
{
    const uint32_t lowest = static_cast<uint32_t>(sums.lowest);
    const uint128 range = sums.range();
    const uint128 l = static_cast<uint128>(side);
    const uint128 one = 1;
    const bool narrowSums = l * range < (one << 32);
    const uint128 bound = l * l * range; // the square root of l^4 range^2
    const bool narrowNumerator = bound < (one << 32) && bound * bound < (one << 65);
    return narrowNumerator ? meanWindowWidth<uint64_t, uint64_t>(surface, lowest, side)
         : narrowSums      ? meanWindowWidth<uint64_t, uint128>(surface, lowest, side)
                           : meanWindowWidth<uint128, uint128>(surface, lowest, side);
}

std::vector<SlopeBin> slopesOf(HeightView s, const HeightSums& sums)
{
    const int32_t rows = s.rows;
    const int32_t cols = s.cols;
    // Visits the steps to the right and down of every cell, periodically: right(step), down(step).
    auto forEachStep = [&](auto&& right, auto&& down) {
        for (int32_t y = 0; y < rows; ++y) {
            const int32_t* row = s.heights + static_cast<int64_t>(y) * cols;
            const int32_t* below = s.heights + static_cast<int64_t>(y + 1 < rows ? y + 1 : 0) * cols;
            for (int32_t x = 0; x + 1 < cols; ++x) {
                right(static_cast<int64_t>(row[x + 1]) - row[x]);
                down(static_cast<int64_t>(below[x]) - row[x]);
            }
            right(static_cast<int64_t>(row[0]) - row[cols - 1]);
            down(static_cast<int64_t>(below[cols - 1]) - row[cols - 1]);
        }
    };
    // No step is larger than the range of heights; where that is wide, find the steps' own range.
    int64_t lowest = -static_cast<int64_t>(sums.range()), highest = static_cast<int64_t>(sums.range());
    if (highest >= (int64_t(1) << 16)) {
        lowest = highest = 0;
        auto extend = [&](int64_t step) {
            lowest = std::min(lowest, step);
            highest = std::max(highest, step);
        };
        forEachStep(extend, extend);
    }

    const int64_t pairs = 2 * s.cells();
    std::vector<SlopeBin> histogram;
    auto add = [&](int64_t difference, int64_t count) {
        histogram.push_back({difference, count, static_cast<double>(count) / static_cast<double>(pairs)});
    };
    const int64_t span = highest - lowest + 1;
    if (span <= (int64_t(1) << 22)) {
        // The usual case: tables over the steps that can occur, one per direction so that runs
        // of equal steps do not wait on one counter.
        std::vector<int64_t> across(static_cast<std::size_t>(span), 0), along(static_cast<std::size_t>(span), 0);
        forEachStep([&](int64_t step) { ++across[static_cast<std::size_t>(step - lowest)]; },
                    [&](int64_t step) { ++along[static_cast<std::size_t>(step - lowest)]; });
        for (int64_t i = 0; i < span; ++i)
            if (across[i] + along[i])
                add(lowest + i, across[i] + along[i]);
    } else {
        // Steps spread over millions of layers: sort them all.
        std::vector<int64_t> steps;
        steps.reserve(static_cast<std::size_t>(pairs));
        auto keep = [&](int64_t step) { steps.push_back(step); };
        forEachStep(keep, keep);
        std::sort(steps.begin(), steps.end());
        for (std::size_t i = 0; i < steps.size();) {
            std::size_t j = i;
            while (j < steps.size() && steps[j] == steps[i])
                ++j;
            add(steps[i], static_cast<int64_t>(j - i));
            i = j;
        }
    }
    return histogram;
}

} // namespace analysis_detail
