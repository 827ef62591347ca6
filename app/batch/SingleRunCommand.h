#pragma once
// SingleRunCommand: one batch run with the outputs of a window session: the roughness series (CSV),
// the layer file, the surface picture, the chart and the frames. Every output is checked for
// writability before the first tick and written whole or not at all.
#include "batch/BatchCommandLine.h"
#include "batch/BatchPlan.h"
#include "model/Symulacja.h"
#include "run/StopRequest.h"

#include <cstdint>
#include <functional>
#include <vector>

class SingleRunCommand {
public:
    // `stop`, when given, is checked between relaxation sweeps and once more before the first
    // output is put in place: once set, run() throws Interrupted and writes nothing. After that
    // check every output is written.
    SingleRunCommand(const BatchCommandLine& options, const BatchPlan& settings, const StopRequest* stop = nullptr);

    // Runs every tick and writes the outputs; throws AppError on a file error.
    void run();

    // The roughness and deposited layers after each tick (kept only when `keepSeries`).
    std::vector<double> roughness;
    std::vector<double> deposited;
    bool keepSeries = false;
    // Called with the film before the first tick (tick 0) and after every tick.
    std::function<void(int64_t tick, const Symulacja& sim)> onTick;
    double finalRoughness = 0.0;
    double finalDeposited = 0.0;
    int32_t finalHeightOffset = 0;

private:
    const BatchCommandLine& options_;
    const BatchPlan& settings_;
    const StopRequest* stop_;
};
