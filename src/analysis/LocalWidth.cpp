// The local width w(l) and the histogram of nearest-neighbour steps.
#include "analysis/HeightSums.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace analysis_detail {

namespace {

// Mean over all periodic l x l windows of their standard deviation, from sliding sums of
// d = h - lowest and d^2 in the unsigned type U. The sums wrap modulo 2^bits(U), which leaves
// every difference whose true value is non-negative and representable exact: the window sums
// S1, S2 and the variance numerator l^2 S2 - S1^2 <= l^4 range^2, which the caller keeps below
// the type's limit.
template <class U>
double meanWindowWidth(HeightView s, uint32_t lowest, int32_t l)
{
    const int32_t rows = s.rows;
    const int32_t cols = s.cols;
    auto d = [lowest](int32_t h) { return static_cast<U>(static_cast<uint32_t>(h) - lowest); };

    // Column sums over rows y .. y + l - 1 (periodic), starting at y = 0; l <= rows.
    std::vector<U> column1(cols, 0), column2(cols, 0);
    for (int32_t k = 0; k < l; ++k) {
        const int32_t* row = s.heights + static_cast<int64_t>(k) * cols;
        for (int32_t x = 0; x < cols; ++x) {
            const U v = d(row[x]);
            column1[x] += v;
            column2[x] += v * v;
        }
    }

    // Prefix sums of the column sums along a row extended periodically by l - 1 columns.
    std::vector<U> prefix1(static_cast<std::size_t>(cols) + l, 0), prefix2(static_cast<std::size_t>(cols) + l, 0);
    const U cellsPerWindow = static_cast<U>(l) * static_cast<U>(l);
    const double scale = 1.0 / static_cast<double>(static_cast<int64_t>(l) * l);
    long double total = 0.0L;
    for (int32_t y = 0; y < rows; ++y) {
        for (int32_t k = 0; k < cols + l - 1; ++k) {
            const int32_t x = k < cols ? k : k - cols;
            prefix1[k + 1] = prefix1[k] + column1[x];
            prefix2[k + 1] = prefix2[k] + column2[x];
        }
        double rowTotal = 0.0;
        for (int32_t x = 0; x < cols; ++x) {
            const U s1 = prefix1[x + l] - prefix1[x];
            const U s2 = prefix2[x + l] - prefix2[x];
            rowTotal += std::sqrt(static_cast<double>(cellsPerWindow * s2 - s1 * s1));
        }
        total += rowTotal * scale;

        // Slide the columns down one row: row y leaves, row y + l enters.
        const int32_t* leaving = s.heights + static_cast<int64_t>(y) * cols;
        const int32_t entering = y + l < rows ? y + l : y + l - rows;
        const int32_t* arriving = s.heights + static_cast<int64_t>(entering) * cols;
        for (int32_t x = 0; x < cols; ++x) {
            const U out = d(leaving[x]);
            const U in = d(arriving[x]);
            column1[x] += in - out;
            column2[x] += in * in - out * out;
        }
    }
    return static_cast<double>(total / static_cast<long double>(s.cells()));
}

} // namespace

LocalWidthCurve localWidthOf(HeightView surface, const HeightSums& sums)
{
    LocalWidthCurve curve;
    const int32_t largest = std::min(surface.rows, surface.cols);
    const uint32_t lowest = static_cast<uint32_t>(sums.lowest);
    const uint128 range2 = static_cast<uint128>(sums.range()) * sums.range();
    for (int64_t l = 2; l <= largest; l *= 2) {
        const int32_t side = static_cast<int32_t>(l);
        // l^4 range^2 bounds the variance numerator: 64 bits when it fits, else 128
        // (l^2 <= 2^31 cells and range^2 < 2^64 keep it below 2^126).
        const uint128 bound = static_cast<uint128>(l * l) * static_cast<uint128>(l * l) * range2;
        const bool narrow = (bound >> 64) == 0;
        curve.l.push_back(side);
        curve.w.push_back(narrow ? meanWindowWidth<uint64_t>(surface, lowest, side)
                                 : meanWindowWidth<uint128>(surface, lowest, side));
    }
    return curve;
}

std::vector<SlopeBin> slopesOf(HeightView s)
{
    const int32_t rows = s.rows;
    const int32_t cols = s.cols;
    // Visits the step to the right and the step down of every cell, periodically.
    auto forEachStep = [&](auto&& visit) {
        for (int32_t y = 0; y < rows; ++y) {
            const int32_t* row = s.heights + static_cast<int64_t>(y) * cols;
            const int32_t* below = s.heights + static_cast<int64_t>(y + 1 < rows ? y + 1 : 0) * cols;
            for (int32_t x = 0; x < cols; ++x) {
                const int64_t h = row[x];
                visit(static_cast<int64_t>(row[x + 1 < cols ? x + 1 : 0]) - h);
                visit(static_cast<int64_t>(below[x]) - h);
            }
        }
    };
    int64_t lowest = 0, highest = 0;
    forEachStep([&](int64_t step) {
        lowest = std::min(lowest, step);
        highest = std::max(highest, step);
    });

    const int64_t pairs = 2 * s.cells();
    std::vector<SlopeBin> histogram;
    auto add = [&](int64_t difference, int64_t count) {
        histogram.push_back({difference, count, static_cast<double>(count) / static_cast<double>(pairs)});
    };
    const int64_t span = highest - lowest + 1;
    if (span <= (int64_t(1) << 22)) {
        // The usual case: a table over the steps that occur.
        std::vector<int64_t> counts(static_cast<std::size_t>(span), 0);
        forEachStep([&](int64_t step) { ++counts[static_cast<std::size_t>(step - lowest)]; });
        for (int64_t i = 0; i < span; ++i)
            if (counts[i])
                add(lowest + i, counts[i]);
    } else {
        // Steps spread over millions of layers: sort them all.
        std::vector<int64_t> steps;
        steps.reserve(static_cast<std::size_t>(pairs));
        forEachStep([&](int64_t step) { steps.push_back(step); });
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
