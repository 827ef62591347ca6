#include "run/FilmSetup.h"

#include "files/NumberText.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>

const char* generatorName(Generator g)
{
    return generatorNames[g == Generator::Philox ? 1 : 0];
}

bool generatorOfName(const std::string& name, Generator& out)
{
    for (Generator g : {Generator::Lcg, Generator::Philox})
        if (name == generatorName(g)) {
            out = g;
            return true;
        }
    return false;
}

uint64_t filmBytes(const FilmSetup& setup)
{
    const uint64_t cols = static_cast<uint64_t>(std::max(setup.scenario.sizeX, 0));
    const uint64_t rows = static_cast<uint64_t>(std::max(setup.scenario.sizeY, 0));
    return cols * rows * sizeof(int32_t);
}

uint64_t drawsAtLeast(const FilmSetup& setup, int64_t ticks)
{
    const Scenario& sc = setup.scenario;
    Symulacja probe(nullptr);
    probe.sizeX = sc.sizeX;
    probe.sizeY = sc.sizeY;
    probe.rate = Symulacja::rateOfPosition(sc.ratePosition);
    const long double particles = static_cast<long double>(probe.particlesPerStep());
    const int32_t sweeps = sc.model == GrowthModel::Tessavo ? std::max(sc.relaxations, 0) : 0;
    const long double attempts = static_cast<long double>(sweeps)
        * static_cast<long double>(std::max(sc.sizeX, 0)) * static_cast<long double>(std::max(sc.sizeY, 0));
    // A step draws only while deposited < maxLayers; deposited grows by the rate each step.
    long double active = static_cast<long double>(std::max<int64_t>(ticks, 0));
    if (probe.rate > 0.0 && std::isfinite(sc.maxLayers))
        active = std::min(active, std::max(0.0L, std::ceil(static_cast<long double>(sc.maxLayers) / probe.rate)));
    const long double draws = active * 2.0L * (particles + attempts);
    return draws >= 1.8e19L ? UINT64_MAX : static_cast<uint64_t>(draws);
}

uint64_t machineMemory()
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    return pages > 0 && pageSize > 0 ? static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize) : 0;
}

std::string gigabytes(uint64_t bytes)
{
    constexpr uint64_t gb = uint64_t{1} << 30;
    return std::to_string(bytes / gb + (bytes % gb != 0 ? 1 : 0)) + " GB";
}

std::string periodWarning(const FilmSetup& setup, int64_t ticks, int64_t runs)
{
    if (setup.generator != Generator::Lcg)
        return {};
    const uint64_t perRun = drawsAtLeast(setup, ticks);
    const uint64_t count = static_cast<uint64_t>(std::max<int64_t>(runs, 1));
    const uint64_t total = perRun > UINT64_MAX / count ? UINT64_MAX : perRun * count;
    if (total <= lcgPeriod)
        return {};
    return std::string(runs > 0 ? "this experiment" : "this run") + " draws at least " + std::to_string(total)
        + " random numbers, more than the " + std::to_string(lcgPeriod)
        + " of the lcg generator's period, so stretches of its stream repeat; --rng philox gives every run a stream of its own";
}

std::string depositionWarning(const FilmSetup& setup)
{
    const Scenario& sc = setup.scenario;
    Symulacja probe(nullptr);
    probe.sizeX = sc.sizeX;
    probe.sizeY = sc.sizeY;
    probe.rate = Symulacja::rateOfPosition(sc.ratePosition);
    if (probe.particlesPerStep() >= 1 || sc.sizeX < 1 || sc.sizeY < 1)
        return {};
    return "--dep " + std::to_string(sc.ratePosition) + " deposits no particle per tick on " + std::to_string(sc.sizeX)
        + " x " + std::to_string(sc.sizeY) + " (rate x cells = " + fixedText(probe.rate * sc.sizeX * sc.sizeY, 3)
        + " < 1): nothing grows, though \"deposited\" advances; raise --dep or the lattice size";
}
