#include "analysis/HeightHistogram.h"

#include <algorithm>

HeightHistogram heightHistogram(HeightView surface, int32_t maxBins)
{
    HeightHistogram h;
    const int64_t cells = surface.cells();
    if (cells <= 0 || surface.heights == nullptr)
        return h;
    const int32_t* v = surface.heights;
    int32_t lo = v[0], hi = v[0];
    int64_t sum = 0; // at most 2^31 cells of 2^31 layers: within 2^63
    for (int64_t i = 0; i < cells; ++i) {
        lo = std::min(lo, v[i]);
        hi = std::max(hi, v[i]);
        sum += v[i];
    }
    h.mean = static_cast<double>(sum) / static_cast<double>(cells);
    const int64_t range = int64_t(hi) - lo + 1;
    const int64_t bins = std::max<int64_t>(1, maxBins);
    h.binWidth = (range + bins - 1) / bins;
    const int64_t used = (range + h.binWidth - 1) / h.binWidth;
    h.count.assign(static_cast<size_t>(used), 0);
    for (int64_t i = 0; i < cells; ++i)
        ++h.count[static_cast<size_t>((int64_t(v[i]) - lo) / h.binWidth)];
    for (int64_t b = 0; b < used; ++b) {
        const int64_t first = lo + b * h.binWidth;
        h.from.push_back(first);
        h.deviation.push_back(static_cast<double>(first) + static_cast<double>(h.binWidth - 1) / 2.0 - h.mean);
        h.fraction.push_back(static_cast<double>(h.count[static_cast<size_t>(b)]) / static_cast<double>(cells));
    }
    return h;
}
