#pragma once
// SingleRun: one batch run with the outputs of a window session: the roughness series (CSV),
// the layer file, the surface picture, the chart and the frames. Every output is checked for
// writability before the first tick and written whole or not at all.
#include "batch/BatchOptions.h"
#include "batch/BatchSettings.h"

#include <cstdint>
#include <vector>

class SingleRun {
public:
    SingleRun(const BatchOptions& options, const BatchSettings& settings);

    // Runs every tick and writes the outputs; throws AppError on a file error.
    void run();

    // The roughness and deposited layers after each tick (kept only when `keepSeries`).
    std::vector<double> roughness;
    std::vector<double> deposited;
    bool keepSeries = false;
    double finalRoughness = 0.0;
    double finalDeposited = 0.0;
    int32_t finalHeightOffset = 0;

private:
    const BatchOptions& options_;
    const BatchSettings& settings_;
};
