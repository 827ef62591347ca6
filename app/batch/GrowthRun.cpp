#include "batch/GrowthRun.h"

#include <algorithm>

GrowthRun::GrowthRun(const RunSettings& settings, uint32_t seed)
    : autoHeight_(settings.autoHeight)
{
    Scenario scenario = settings.scenario;
    scenario.seed = seed;
    scenario.ticks = 0;
    sim_ = scenario.build(&random_);
    sim_->palette = settings.palette;
    if (settings.startHeights) {
        const std::vector<int32_t>& heights = *settings.startHeights;
        Tablica& lattice = *sim_->lattice;
        const size_t cols = static_cast<size_t>(lattice.width);
        for (int32_t r = 0; r < lattice.height; ++r) {
            const size_t from = static_cast<size_t>(r) * cols;
            if (from + cols <= heights.size())
                std::copy(heights.begin() + from, heights.begin() + from + cols, lattice.row(r));
        }
    }
}

double GrowthRun::tick()
{
    Symulacja& sim = *sim_;
    sim.step();
    if (autoHeight_)
        sim.removeBottomLayers();
    ++ticks_;
    return sim.lattice ? sim.lattice->roughness() : 0.0;
}
