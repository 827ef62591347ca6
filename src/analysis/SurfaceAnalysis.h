#pragma once
// Surface analysis of one lattice of column heights (HeightView): the structure factor S(k), the
// height-height correlation C(r) and difference function G(r) with the correlation length, the
// local width w(l), the skewness and kurtosis of the heights and the histogram of nearest-neighbour
// steps. Heights are in layers, distances in lattice cells, wave numbers in radians per cell. The
// lattice is periodic in x and y; heights may take any int32 value. Every function may be called
// from several threads at once. A view without cells, or of more than 2^31 cells, is an AppError.
#include "analysis/HeightView.h"

#include <cstdint>
#include <optional>
#include <vector>

// Radial average of S(q) = |sum_x (h(x) - mean) exp(-i q.x)|^2 / A over the wave vectors
// q = 2 pi (m / cols, n / rows), q != 0, whose bin round(|q| / D), D = 2 pi / min(rows, cols),
// is b = 1 .. min(rows, cols) / 2; entry b - 1 holds k = b D, the mean S over the bin and the
// number of wave vectors in it.
struct StructureFactorCurve {
    std::vector<double> k;
    std::vector<double> s;       // layers^2
    std::vector<int64_t> modes;
};

// Radial averages over the displacements d (components in (-L/2, L/2]) with round(|d|) = r,
// r = 1 .. min(rows, cols) / 2, at entry r - 1:
// C(r) of C(d) = (1/A) sum_x (h(x) - mean)(h(x + d) - mean) and
// G(r) of G(d) = mean of (h(x + d) - h(x))^2 = 2 (W^2 - C(d)).
// length: the correlation length, the first r where C(r) / W^2 <= 1/e, linearly interpolated
// between r - 1 and r (C(0) = W^2); empty when C never falls that far or the surface is flat.
struct CorrelationCurves {
    std::vector<double> r;
    std::vector<double> c; // layers^2
    std::vector<double> g; // layers^2
    std::optional<double> length; // cells
};

// The mean over all A periodic l x l windows (one with its corner at every cell) of the
// population standard deviation of the heights in the window, for l = 2, 4, 8, ... <= min(rows, cols).
struct LocalWidthCurve {
    std::vector<int32_t> l;
    std::vector<double> w; // layers
};

// Skewness m3 / m2^1.5 and excess kurtosis m4 / m2^2 - 3 of the heights (central moments over all
// cells); both empty on a flat surface (m2 = 0).
struct HeightMoments {
    std::optional<double> skewness;
    std::optional<double> excessKurtosis;
};

// One step size of the histogram of nearest-neighbour differences h(x+1, y) - h(x, y) and
// h(x, y+1) - h(x, y): how many of the 2A pairs have it, and that as a fraction of 2A.
struct SlopeBin {
    int64_t difference = 0; // layers
    int64_t count = 0;
    double fraction = 0.0;
};

// Everything above for one lattice, with the mean height and the width W (layers).
struct SurfaceAnalysis {
    int32_t rows = 0;
    int32_t cols = 0;
    double mean = 0.0;
    double width2 = 0.0; // W^2, the mean of (h - mean)^2
    double width = 0.0;  // W
    StructureFactorCurve structureFactor;
    CorrelationCurves correlation;
    LocalWidthCurve localWidth;
    HeightMoments moments;
    std::vector<SlopeBin> slopes; // sorted by difference
};

StructureFactorCurve structureFactor(HeightView surface);

// S(q) for every wave vector, rows x cols row-major in transform order: entry (j, i) is
// q = 2 pi (m / cols, n / rows) with m = i or i - cols, n = j or j - rows; S(0) = 0.
std::vector<double> structureFactorMap(HeightView surface);

CorrelationCurves correlation(HeightView surface);
LocalWidthCurve localWidth(HeightView surface);
HeightMoments heightMoments(HeightView surface);
std::vector<SlopeBin> slopeHistogram(HeightView surface);

// All of it, sharing the sums and the one forward transform. With threads >= 2 the transforms
// run beside the local width and the steps on a second thread (when one can be started).
SurfaceAnalysis analyseSurface(HeightView surface, int threads = 2);
