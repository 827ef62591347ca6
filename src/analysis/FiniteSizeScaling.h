#pragma once
// Finite-size scaling of the surface width over several lattice sizes L (cells): the saturated
// width W_sat (layers) and the crossover tick of each size, and the exponents alpha (W_sat ~ L^alpha)
// and z (t_cross ~ L^z) from straight lines through their logarithms.
#include "analysis/LineFit.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// One size: its W(t) averaged over runs, width[i] at tick i + 1, and, for the error of W_sat,
// each run's own W_sat (saturationWidth of that run's series; may be left empty).
struct SizeSeries {
    double size = 0.0;
    std::vector<double> width;
    std::vector<double> runSaturation;
};

struct Saturation {
    double size = 0.0;
    double width = 0.0;             // W_sat: the mean of the averaged W over ticks firstTick .. T
    std::optional<double> error;    // the standard error of W_sat over runs (2 or more runs)
    int64_t firstTick = 0;          // T - ceil(T / 4) + 1
    std::optional<int64_t> crossoverTick; // the first tick at which W >= 0.9 W_sat
};

struct FiniteSizeScaling {
    bool ok = false;
    std::string message; // why there are no exponents, when !ok
    std::vector<Saturation> sizes; // in the order given
    LineFit alpha;    // ln W_sat against ln L: the slope is alpha
    LineFit z;        // ln t_cross against ln L: the slope is z
    LineFit width2;   // W_sat^2 against ln L: its slope grows W^2 logarithmically when alpha = 0
};

// The ticks W_sat averages over: the last ceil(T / 4) of T ticks (none of none).
int64_t saturationTicks(int64_t ticks);

// The mean of the last ceil(T / 4) values of a W series; NaN for an empty one.
double saturationWidth(std::span<const double> width);

Saturation saturationOf(const SizeSeries& series);

// Needs at least 3 distinct sizes, each L > 0 with a series whose W_sat is > 0.
FiniteSizeScaling finiteSizeScaling(std::span<const SizeSeries> sizes);
