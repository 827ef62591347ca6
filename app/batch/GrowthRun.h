#pragma once
// GrowthRun: one simulation driven by the window's timer tick without a window: step, then
// auto-height when on, then the roughness sample. It owns its generator, so independent runs
// can go on several threads at once. Roughness is in layers.
#include "batch/RunSettings.h"
#include "model/Random.h"
#include "model/Symulacja.h"

#include <cstdint>
#include <memory>

class GrowthRun {
public:
    // A fresh lattice (or the stored one of `settings`) with the generator seeded by `seed`.
    GrowthRun(const RunSettings& settings, uint32_t seed);
    GrowthRun(const GrowthRun&) = delete;
    GrowthRun& operator=(const GrowthRun&) = delete;

    // One tick; returns the roughness sampled at its end.
    double tick();

    const Symulacja& simulation() const { return *sim_; }
    Symulacja& simulation() { return *sim_; }
    int64_t ticksDone() const { return ticks_; }

private:
    Random random_; // declared before sim_, which points at it
    std::unique_ptr<Symulacja> sim_;
    bool autoHeight_;
    int64_t ticks_ = 0;
};
