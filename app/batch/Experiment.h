#pragma once
// Experiment: N independent runs of the same settings, run k seeded with firstSeed + k
// (mod 2^32), spread over a pool of threads. Each run has its own generator and lattice and
// drops them when it finishes; only the per-tick statistics are kept. The statistics are
// added in run order, so they are identical for every number of threads.
#include "batch/RoughnessStats.h"
#include "batch/RunSettings.h"

#include <cstdint>
#include <functional>

class Experiment {
public:
    Experiment(const RunSettings& settings, uint32_t firstSeed, int32_t runs, int64_t ticks);

    // Called on the calling thread about five times a second while the runs go on, and once
    // at the end: runs finished so far and ticks done so far over all runs.
    using Progress = std::function<void(int32_t runsDone, int64_t ticksDone)>;

    // Runs everything on `jobs` threads (at least 1) and returns the statistics. An error in
    // a run (out of memory) stops the experiment and is thrown again here.
    RoughnessStats run(int32_t jobs, const Progress& progress = {}) const;

    // The seed of run k.
    uint32_t seedOf(int32_t k) const { return firstSeed_ + static_cast<uint32_t>(k); }

private:
    RunSettings settings_;
    uint32_t firstSeed_;
    int32_t runs_;
    int64_t ticks_;
};
