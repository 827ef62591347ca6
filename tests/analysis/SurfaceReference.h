#pragma once
// The surface analysis written out as its definitions: direct sums in long double over a small
// periodic lattice, O(cells^2). The analysis tests and the batch tool's analysis outputs are
// checked against it.
#include "analysis/HeightView.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace {

struct Lattice {
    int32_t rows = 0, cols = 0;
    std::vector<int32_t> h;
    HeightView view() const { return {h.data(), rows, cols}; }
    long double at(int64_t y, int64_t x) const { return h[((y % rows + rows) % rows) * cols + (x % cols + cols) % cols]; }
    int64_t cells() const { return int64_t(rows) * cols; }
};

// The definitions, summed directly in long double.
struct Reference {
    long double mean = 0, w2 = 0;
    std::vector<double> map, s, c, g, w;
    std::vector<int64_t> modes;
    std::optional<double> length, skewness, kurtosis;
    std::map<int64_t, int64_t> steps;
};

int64_t centred(int64_t i, int64_t n) { return i <= n / 2 ? i : i - n; }

Reference reference(const Lattice& l)
{
    Reference ref;
    const long double a = l.cells();
    for (int32_t v : l.h)
        ref.mean += v;
    ref.mean /= a;
    long double m3 = 0, m4 = 0;
    for (int32_t v : l.h) {
        const long double d = v - ref.mean;
        ref.w2 += d * d / a;
        m3 += d * d * d / a;
        m4 += d * d * d * d / a;
    }
    if (ref.w2 > 0) {
        ref.skewness = double(m3 / std::pow(ref.w2, 1.5L));
        ref.kurtosis = double(m4 / (ref.w2 * ref.w2) - 3);
    }
    const int32_t bins = std::min(l.rows, l.cols) / 2;
    const long double pi = std::acos(-1.0L), side = std::min(l.rows, l.cols);
    std::vector<long double> sSum(bins + 1), cSum(bins + 1), gSum(bins + 1);
    std::vector<int64_t> sCount(bins + 1), dCount(bins + 1);
    for (int32_t j = 0; j < l.rows; ++j)
        for (int32_t i = 0; i < l.cols; ++i) {
            long double re = 0, im = 0, c = 0, g = 0;
            for (int32_t y = 0; y < l.rows; ++y)
                for (int32_t x = 0; x < l.cols; ++x) {
                    const long double phase = 2 * pi * ((long double)i * x / l.cols + (long double)j * y / l.rows);
                    re += (l.at(y, x) - ref.mean) * std::cos(phase);
                    im -= (l.at(y, x) - ref.mean) * std::sin(phase);
                    c += (l.at(y, x) - ref.mean) * (l.at(y + j, x + i) - ref.mean) / a;
                    g += (l.at(y + j, x + i) - l.at(y, x)) * (l.at(y + j, x + i) - l.at(y, x)) / a;
                }
            const long double s = (i || j) ? (re * re + im * im) / a : 0;
            ref.map.push_back(double(s));
            const int64_t m = centred(i, l.cols), n = centred(j, l.rows);
            const int64_t b = std::lround(std::hypot(double(side * m / l.cols), double(side * n / l.rows)));
            if ((i || j) && b >= 1 && b <= bins) {
                sSum[b] += s;
                ++sCount[b];
            }
            const int64_t r = std::lround(std::hypot(double(m), double(n)));
            if (r >= 1 && r <= bins) {
                cSum[r] += c;
                gSum[r] += g;
                ++dCount[r];
            }
        }
    long double previous = 1;
    bool fallen = false; // C / W^2 has reached 1/e; at r = 1 already, there is no length
    for (int32_t b = 1; b <= bins; ++b) {
        ref.s.push_back(double(sSum[b] / sCount[b]));
        ref.modes.push_back(sCount[b]);
        ref.c.push_back(double(cSum[b] / dCount[b]));
        ref.g.push_back(double(gSum[b] / dCount[b]));
        const long double ratio = cSum[b] / dCount[b] / ref.w2;
        if (ref.w2 > 0 && !fallen && ratio <= std::exp(-1.0L)) {
            fallen = true;
            if (b > 1)
                ref.length = double(b - 1 + (previous - std::exp(-1.0L)) / (previous - ratio));
        }
        previous = ratio;
    }
    for (int32_t side = 2; side <= std::min(l.rows, l.cols); side *= 2) {
        long double total = 0;
        for (int32_t y = 0; y < l.rows; ++y)
            for (int32_t x = 0; x < l.cols; ++x) {
                long double mean = 0, var = 0;
                for (int32_t v = 0; v < side; ++v)
                    for (int32_t u = 0; u < side; ++u)
                        mean += l.at(y + v, x + u) / (side * side);
                for (int32_t v = 0; v < side; ++v)
                    for (int32_t u = 0; u < side; ++u)
                        var += (l.at(y + v, x + u) - mean) * (l.at(y + v, x + u) - mean) / (side * side);
                total += std::sqrt(var);
            }
        ref.w.push_back(double(total / a));
    }
    for (int32_t y = 0; y < l.rows; ++y)
        for (int32_t x = 0; x < l.cols; ++x) {
            ++ref.steps[int64_t(l.at(y, x + 1) - l.at(y, x))];
            ++ref.steps[int64_t(l.at(y + 1, x) - l.at(y, x))];
        }
    return ref;
}

} // namespace
