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

// One size: its W(t) averaged over runs, width[i] at tick i + 1, and, for the error of W_sat and
// the test of saturation, each run's own W_sat (saturationWidth of that run's series) and mean W
// over the quarter before (widthBefore of that run's series); both may be left empty.
struct SizeSeries {
    double size = 0.0;
    std::vector<double> width;
    std::vector<double> runSaturation;
    std::vector<double> runBefore;
};

struct Saturation {
    double size = 0.0;
    double width = 0.0;             // W_sat: the mean of the averaged W over ticks firstTick .. T
    std::optional<double> error;    // the standard error of W_sat over runs (2 or more runs)
    int64_t firstTick = 0;          // T - ceil(T / 4) + 1
    // The mean W over the ceil(T / 4) ticks before firstTick, and its standard error over runs.
    double before = 0.0;
    std::optional<double> beforeError;
    // W has saturated: the difference between the two quarters, taken run by run, lies within
    // two of its standard errors over the runs of 0. Needs 2 runs or more and 2 quarters.
    bool saturated = false;
    // The first tick at which W >= 0.9 W_sat, of a saturated size only.
    std::optional<int64_t> crossoverTick;
};

struct FiniteSizeScaling {
    bool ok = false;
    std::string message; // why there are no exponents, when !ok
    std::vector<Saturation> sizes; // in the order given
    LineFit alpha;    // ln W_sat against ln L: the slope is alpha
    LineFit z;        // ln t_cross against ln L over the saturated sizes: the slope is z
    LineFit width2;   // W_sat^2 against ln L: its slope grows W^2 logarithmically when alpha = 0
    // How the slopes' errors were estimated: "regression" (the scatter of the sizes about the
    // line) unless a caller replaced them by a jackknife over runs.
    std::string errorMethod = "regression";
    bool saturated() const; // every size has saturated
};

// The ticks W_sat averages over: the last ceil(T / 4) of T ticks (none of none).
int64_t saturationTicks(int64_t ticks);

// The mean of the last ceil(T / 4) values of a W series; NaN for an empty one.
double saturationWidth(std::span<const double> width);
// The mean of the ceil(T / 4) values before those; NaN when the series is shorter than that.
double widthBefore(std::span<const double> width);

Saturation saturationOf(const SizeSeries& series);

// Needs at least 3 distinct sizes, each L > 0 with a series whose W_sat is > 0; z needs 3
// saturated sizes (z.ok is false otherwise).
FiniteSizeScaling finiteSizeScaling(std::span<const SizeSeries> sizes);
