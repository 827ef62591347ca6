// An experiment of the batch tool: 64 runs of 2,000 ticks on 100 x 100 (rate position 100,
// 5 relaxations), with 1 and 2 threads. The deposition target is lifted so that every tick
// grows the film (with the window's 50 layers, ticks after the 500th would do nothing).
#include "run/Experiment.h"

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

constexpr int32_t runs = 64;
constexpr int64_t ticks = 2000;
double oneJobSeconds = 0.0;

void BM_Experiment(benchmark::State& state)
{
    FilmSetup settings;
    settings.scenario = windowDefaults();
    settings.scenario.sizeX = 100;
    settings.scenario.sizeY = 100;
    settings.scenario.ratePosition = 100;
    settings.scenario.relaxations = 5;
    settings.scenario.maxLayers = 1e9;
    const Experiment experiment(settings, 1, runs, ticks);
    const int32_t jobs = static_cast<int32_t>(state.range(0));

    double seconds = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const RoughnessStats stats = experiment.run(jobs);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        benchmark::DoNotOptimize(stats.mean(ticks - 1));
    }
    if (jobs == 1)
        oneJobSeconds = seconds;
    state.counters["runs_per_s"] = runs / seconds;
    if (oneJobSeconds > 0.0)
        state.counters["speedup"] = oneJobSeconds / seconds;
}
BENCHMARK(BM_Experiment)->Arg(1)->Arg(2)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

} // namespace
