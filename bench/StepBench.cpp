// The growth step at the heaviest settings (100 x 100, rate 1.0, 5 relaxations, on a surface
// grown to about 50 layers), against the floor its generator's dependency chain sets.
#include "model/Random.h"
#include "model/Scenario.h"
#include "model/Symulacja.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
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
