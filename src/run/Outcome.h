#pragma once
// Outcome: what a run, an experiment or a finite-size scaling study comes to: the roughness
// after the last tick, the fit of the growth exponent when one was asked for, the scaling, the
// seeds and the time taken; and the two summaries of it the batch tool and merge print, as text
// or as one line of JSON. Roughness and deposited layers in layers, time in seconds.
#include "analysis/FiniteSizeScaling.h"
#include "run/GrowthFit.h"
#include "run/RoughnessStats.h"
#include "run/SeriesFile.h"

#include <cstdint>
#include <optional>
#include <string>

struct Outcome {
    int64_t runs = 1; // the experiment's N (also for a slice of it); 1 for a single run
    double seconds = 0.0;
    double finalDeposited = 0.0; // the window's counter, rate x ticks
    double finalLayers = 0.0;    // the particles landed over the cells
    // The roughness after the last tick over the runs, or the single run's.
    double finalMean = 0.0, finalStddev = 0.0, finalStderr = 0.0, finalMin = 0.0, finalMax = 0.0;
    std::optional<GrowthFit> fit;
    std::optional<FiniteSizeScaling> scaling;
    bool showUnsaturated = false; // the exponents of a scaling with unsaturated sizes are shown

    // An experiment of `runs` runs from its statistics, with the fit of their mean roughness
    // (GrowthFit::of) when `fit` is set.
    static Outcome ofStatistics(const RoughnessStats& stats, int64_t runs, bool fit,
                                const std::optional<GrowthFit::TickRange>& fitRange);

    // The summary as one line of JSON without its line break: the settings of `experiment`
    // (lattice sizes, or the sizes of the scaling), the runs, the threads (`jobs`), the seeds
    // (the first one `experiment.seed`, taken from the clock or not), the final roughness with
    // the fit, or the scaling, and the seconds.
    std::string json(const SeriesHeader& experiment, bool seedFromClock, int32_t jobs) const;
    // The summary printed without --json: the scaling, or the fit, or nothing; each line ends
    // with a line break.
    std::string text() const;
};
