// The growth step at the heaviest settings (100 x 100, rate 1.0, 5 relaxations, on a surface
// grown to about 50 layers), against the floor its generator's dependency chain sets.
#include "model/PhiloxRandom.h"
#include "model/Random.h"
#include "model/Scenario.h"
#include "model/Symulacja.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <string>
#include <vector>

namespace {

// CPU time of this thread in nanoseconds: the machine is shared, wall time is not the cost.
double threadNanoseconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

// Nanoseconds per generator call, from a long timed loop: each call depends on the last.
double generatorNanoseconds()
{
    static const double ns = [] {
        Random random(12345);
        int32_t sink = 0;
        constexpr int64_t calls = 50'000'000;
        const double start = threadNanoseconds();
        for (int64_t i = 0; i < calls; ++i)
            sink += random.next();
        benchmark::DoNotOptimize(sink);
        return (threadNanoseconds() - start) / calls;
    }();
    return ns;
}

void BM_Generator(benchmark::State& state)
{
    Random random(1);
    for (auto _ : state) {
        for (int i = 0; i < 1000; ++i)
            benchmark::DoNotOptimize(random.next());
    }
    state.SetItemsProcessed(state.iterations() * 1000);
    state.counters["ns_per_call"] = benchmark::Counter(static_cast<double>(state.iterations()) * 1000,
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Generator);

// state.range(0): 0 isotropic, 1 anisotropic.
void BM_Step(benchmark::State& state)
{
    const Scenario scenario = heaviest(static_cast<int32_t>(state.range(0)));
    Random random;
    const auto sim = scenario.build(&random);
    const double attempts = static_cast<double>(sim->sizeX) * sim->sizeY * sim->relaxations;
    const double floor = generatorNanoseconds();

    // Every 50 steps the surface goes back to its grown state, so that it stays near 50 layers.
    Tablica& lattice = *sim->lattice;
    const std::vector<int32_t> grown(lattice.row(0), lattice.row(0) + static_cast<size_t>(sim->sizeX) * sim->sizeY);
    int64_t sinceRestore = 0;
    const double start = threadNanoseconds();
    for (auto _ : state) {
        if (++sinceRestore == 50) {
            state.PauseTiming();
            std::copy(grown.begin(), grown.end(), lattice.row(0));
            sim->deposited = scenario.ticks * scenario.ratePosition * 0.001;
            sinceRestore = 0;
            state.ResumeTiming();
        }
        sim->step();
        benchmark::ClobberMemory();
    }
    const double perStep = (threadNanoseconds() - start) / static_cast<double>(state.iterations());
    const double perAttempt = perStep / attempts; // deposition included, as it is in a step

    state.SetLabel(scenario.name);
    state.counters["attempt_ns"] = perAttempt;
    state.counters["generator_ns"] = floor;
    // The aim: within 3 x of three generator calls per attempt, i.e. ratio <= 3.
    state.counters["ratio_to_3_calls"] = perAttempt / (3.0 * floor);
    state.counters["step_us"] = perStep / 1000.0;
}
BENCHMARK(BM_Step)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

// Nanoseconds per relaxation attempt on large lattices, for both generators: state.range(0)
// the side, state.range(1) 0 lcg, 1 philox, 2 philox with the tiled update on one thread. Rate 0.01 and 1 sweep per step on a surface of
// random heights 0..49, so the step is nearly all relaxation; CPU time of this thread.
void BM_AttemptBySize(benchmark::State& state)
{
    const int32_t side = static_cast<int32_t>(state.range(0));
    const bool philox = state.range(1) != 0;
    const bool tiled = state.range(1) == 2;
    Random random(7);
    PhiloxRandom stream(7, 0);
    Symulacja sim(&random);
    sim.sizeX = sim.sizeY = side;
    sim.relaxations = 1;
    sim.rate = 0.01;
    sim.maxLayers = 1e18;
    sim.allocateLattice(7);
    if (philox)
        sim.philox = &stream;
    if (tiled)
        sim.update = UpdateScheme::Tiled;
    Random fill(99);
    std::vector<int32_t> surface(sim.lattice->cellCount());
    for (int32_t& h : surface)
        h = fill.below(50);
    // Each step starts from the same random surface: a small lattice stepped a thousand times
    // would otherwise relax to a smoother surface, where fewer attempts hop, than the one step
    // a large lattice gets.
    const double attempts = static_cast<double>(side) * side;
    double spent = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        std::copy(surface.begin(), surface.end(), sim.lattice->data());
        state.ResumeTiming();
        const double start = threadNanoseconds();
        sim.step();
        benchmark::ClobberMemory();
        spent += threadNanoseconds() - start;
    }
    state.counters["attempt_ns"] = spent / static_cast<double>(state.iterations()) / attempts;
    state.SetLabel(tiled ? "tiled" : philox ? "philox" : "lcg");
}
BENCHMARK(BM_AttemptBySize)
    ->ArgsProduct({{100, 1024, 4096}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.2);

// Nanoseconds per deposited particle of each growth model with Philox, one monolayer a step:
// state.range(0) the model (GrowthModel order), state.range(1) the side, state.range(2) the
// update (0 sequential, 1 tiled on one thread). The surface is grown
// a few steps first. Tessavo's own model also relaxes (5 sweeps); its "attempt_ns" counts each
// particle and each relaxation attempt once, the cost a textbook rule is held against.
void BM_ModelParticle(benchmark::State& state)
{
    const GrowthModel model = growthModels[static_cast<size_t>(state.range(0))];
    const int32_t side = static_cast<int32_t>(state.range(1));
    Random random(7);
    PhiloxRandom stream(7, 0);
    Symulacja sim(&random);
    sim.sizeX = sim.sizeY = side;
    sim.rate = 1.0;
    sim.maxLayers = 1e18;
    sim.model = model;
    sim.update = state.range(2) != 0 ? UpdateScheme::Tiled : UpdateScheme::Sequential;
    sim.allocateLattice(7);
    sim.philox = &stream;
    for (int i = 0; i < (side > 1000 ? 2 : 50); ++i)
        sim.step();
    const double particles = static_cast<double>(sim.particlesPerStep());
    const double sweeps = model == GrowthModel::Tessavo ? sim.relaxations : 0;
    const double start = threadNanoseconds();
    for (auto _ : state) {
        sim.step();
        benchmark::ClobberMemory();
    }
    const double perStep = (threadNanoseconds() - start) / static_cast<double>(state.iterations());
    state.counters["particle_ns"] = perStep / particles;
    state.counters["attempt_ns"] = perStep / (particles + sweeps * side * side);
    state.SetLabel(std::string(growthModelName(model)) + (state.range(2) != 0 ? " tiled" : ""));
}
BENCHMARK(BM_ModelParticle)
    ->ArgsProduct({{0, 1, 2, 3, 4, 5, 6}, {100, 4096}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.2);

// Wall time of a tick of the tiled update on several threads: state.range(0) the side,
// state.range(1) the threads, state.range(2) 0 for Tessavo's own model at rate 0.01 with 5
// sweeps (nearly all relaxation), 1 for deposition alone (rate 1.0, no sweeps). The speedup of
// T threads is the tick_ms of one thread over that of T, on a machine with T idle cores.
void BM_TiledTick(benchmark::State& state)
{
    const int32_t side = static_cast<int32_t>(state.range(0));
    const bool depositionOnly = state.range(2) != 0;
    Random random(7);
    PhiloxRandom stream(7, 0);
    Symulacja sim(&random);
    sim.sizeX = sim.sizeY = side;
    sim.relaxations = depositionOnly ? 0 : 5;
    sim.rate = depositionOnly ? 1.0 : 0.01;
    sim.maxLayers = 1e18;
    sim.allocateLattice(7);
    sim.philox = &stream;
    sim.update = UpdateScheme::Tiled;
    sim.threads = static_cast<int32_t>(state.range(1));
    Random fill(99);
    for (size_t i = 0; i < sim.lattice->cellCount(); ++i)
        sim.lattice->data()[i] = fill.below(50);
    sim.step(); // the threads started
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        sim.step();
        benchmark::ClobberMemory();
    }
    const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
    state.counters["tick_ms"] = elapsed.count() / static_cast<double>(state.iterations());
    state.SetLabel(depositionOnly ? "deposition" : "5 sweeps");
}
BENCHMARK(BM_TiledTick)
    ->ArgsProduct({{1024, 4096}, {1, 2}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(0.5);
