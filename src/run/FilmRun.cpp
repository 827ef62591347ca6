#include "run/FilmRun.h"

#include <algorithm>

FilmRun::FilmRun(Symulacja& sim) : sim_(&sim) {}

FilmRun::FilmRun(const FilmSetup& setup, uint32_t seed, uint32_t run)
    : autoHeight(setup.autoHeight), random_(std::make_unique<Random>())
{
    Scenario scenario = setup.scenario;
    scenario.seed = setup.generator == Generator::Lcg ? seed + run : seed;
    scenario.ticks = 0;
    owned_ = scenario.build(random_.get());
    sim_ = owned_.get();
    if (setup.generator == Generator::Philox) {
        philox_ = std::make_unique<PhiloxRandom>(seed, run);
        sim_->philox = philox_.get();
    }
    sim_->update = setup.update;
    sim_->threads = setup.threads;
    sim_->palette = setup.palette;
    if (setup.startHeights) {
        const std::vector<int32_t>& heights = *setup.startHeights;
        Tablica& lattice = *sim_->lattice;
        const size_t cells = std::min(heights.size(), lattice.cellCount());
        std::copy(heights.begin(), heights.begin() + static_cast<std::ptrdiff_t>(cells), lattice.data());
    }
}

bool FilmRun::advance()
{
    Symulacja& sim = *sim_;
    const bool whole = observer_ ? sim.step(observer_) : (sim.step(), true);
    if (!whole)
        return false;
    if (autoHeight)
        sim.removeBottomLayers();
    ++ticks_;
    return true;
}

double FilmRun::layers() const
{
    const double cells = static_cast<double>(sim_->sizeX) * static_cast<double>(sim_->sizeY);
    return cells > 0.0 ? static_cast<double>(sim_->landed) / cells : 0.0;
}

double FilmRun::roughness() const
{
    return sim_->lattice ? sim_->lattice->roughness() : 0.0;
}
