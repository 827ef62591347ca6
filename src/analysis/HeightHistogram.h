#pragma once
// HeightHistogram: how the column heights of a lattice spread about their mean. Heights are
// counted in bins of `binWidth` consecutive whole layers, the first bin starting at the
// lowest height; the bin width is the smallest that keeps the bins at most `maxBins`.
#include "analysis/HeightView.h"

#include <cstdint>
#include <vector>

struct HeightHistogram {
    double mean = 0.0;       // layers
    int64_t binWidth = 1;    // layers per bin
    std::vector<int64_t> from;       // the lowest height of each bin (its highest: from + binWidth - 1)
    std::vector<double> deviation;   // the bin's centre minus the mean, in layers
    std::vector<int64_t> count;      // columns in the bin
    std::vector<double> fraction;    // count / cells
};

// A view without cells gives an empty histogram; maxBins below 1 counts as 1.
HeightHistogram heightHistogram(HeightView surface, int32_t maxBins = 64);
