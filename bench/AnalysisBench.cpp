// The whole surface analysis of large lattices, and its parts, with the plans already made;
// the first plan of a size is timed apart. The surfaces are rough but cheap to build: a random
// walk along every row, each row starting where the row above started plus a step.
#include "analysis/FftPlans.h"
#include "analysis/SurfaceAnalysis.h"

#include <benchmark/benchmark.h>

#include <ctime>
#include <random>
#include <vector>

namespace {

const std::vector<int32_t>& roughSurface(int32_t side)
{
    static std::vector<int32_t> cells;
    static int32_t made = 0;
    if (made != side) {
        std::mt19937 random(42);
        std::uniform_int_distribution<int32_t> step(-1, 1);
        cells.assign(static_cast<size_t>(side) * side, 0);
        int32_t start = 0;
        for (int32_t y = 0; y < side; ++y) {
            start += step(random);
            int32_t h = start;
            for (int32_t x = 0; x < side; ++x)
                cells[static_cast<size_t>(y) * side + x] = h += step(random);
        }
        made = side;
    }
    return cells;
}

HeightView surfaceOf(const benchmark::State& state)
{
    const int32_t side = static_cast<int32_t>(state.range(0));
    return {roughSurface(side).data(), side, side};
}

// CPU time of the whole process, all threads, in milliseconds: the machine is shared, so the
// wall time says little about the cost.
double processMilliseconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

// state.range(1): the threads the analysis may use.
void BM_AnalyseSurface(benchmark::State& state)
{
    const HeightView surface = surfaceOf(state);
    const int threads = static_cast<int>(state.range(1));
    FftPlans::forSize(surface.rows, surface.cols);
    double cpu = 0.0;
    for (auto _ : state) {
        const double start = processMilliseconds();
        benchmark::DoNotOptimize(analyseSurface(surface, threads));
        cpu += processMilliseconds() - start;
    }
    state.SetItemsProcessed(state.iterations() * surface.cells());
    state.counters["all_threads_cpu_ms"] = benchmark::Counter(cpu, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_AnalyseSurface)
    ->ArgsProduct({{1024, 4096}, {1, 2}})
    ->MinTime(2.0)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The parts, at the same size: 0 structure factor (transform and radial average), 1 correlation
// (both transforms), 2 local width, 3 step histogram, 4 moments.
void BM_AnalysisPart(benchmark::State& state)
{
    const HeightView surface = surfaceOf(state);
    FftPlans::forSize(surface.rows, surface.cols);
    for (auto _ : state) {
        switch (state.range(1)) {
        case 0: benchmark::DoNotOptimize(structureFactor(surface)); break;
        case 1: benchmark::DoNotOptimize(correlation(surface)); break;
        case 2: benchmark::DoNotOptimize(localWidth(surface)); break;
        case 3: benchmark::DoNotOptimize(slopeHistogram(surface)); break;
        default: benchmark::DoNotOptimize(heightMoments(surface)); break;
        }
    }
}
BENCHMARK(BM_AnalysisPart)->ArgsProduct({{4096}, {0, 1, 2, 3, 4}})->UseRealTime()->Unit(benchmark::kMillisecond);

// Planning a size for the first time (both plans).
void BM_FirstPlan(benchmark::State& state)
{
    const int32_t side = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        FftPlans::clear();
        benchmark::DoNotOptimize(FftPlans::forSize(side, side));
    }
    FftPlans::clear();
}
BENCHMARK(BM_FirstPlan)->Arg(1024)->Arg(4096)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace
