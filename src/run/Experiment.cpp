#include "run/Experiment.h"

#include "run/AnalysisStats.h"
#include "run/FilmRun.h"
#include "run/OrderedRunPool.h"
#include "model/AppError.h"

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

Experiment::Experiment(const FilmSetup& settings, uint32_t firstSeed, int32_t runs, int64_t ticks)
    : settings_(settings), firstSeed_(firstSeed), runs_(runs), ticks_(ticks), end_(runs)
{
}

void Experiment::setRunRange(int32_t first, int32_t end)
{
    if (first < 0 || end <= first || end > runs_)
        throw AppError("the runs " + std::to_string(first) + ".." + std::to_string(end - 1) + " are not within 0.."
                       + std::to_string(runs_ - 1));
    first_ = first;
    end_ = end;
}

namespace {

struct Series {
    std::vector<double> roughness;
    std::vector<double> deposited;
    std::vector<double> layers;
    std::vector<SurfaceAnalysis> analyses;
};

// About the bytes one surface analysis of a rows x cols lattice holds, and its averages over
// runs: three curves of min / 2 points (S(k) with its modes, C(r) and G(r)), the local widths,
// and a step histogram of some dozens of sizes.
uint64_t analysisBytes(int32_t rows, int32_t cols)
{
    const uint64_t bins = static_cast<uint64_t>(std::max(1, std::min(rows, cols) / 2));
    return 8 * (7 * bins + 2 * 32 + 3 * 64) + 256;
}

// Grows a film `ticks` ticks into its series (index t is tick t + 1), calling afterTick(t)
// after tick t; a stop is seen between ticks and between relaxation sweeps.
template <class AfterTick>
void growInto(FilmRun& growth, int64_t ticks, const StopRequest* stop, std::vector<double>& roughness,
              std::vector<double>& deposited, std::vector<double>& layers, AfterTick afterTick)
{
    if (stop)
        growth.observeSweeps([stop](int32_t) { return !stop->load(std::memory_order_relaxed); });
    for (int64_t t = 0; t < ticks; ++t) {
        checkStop(stop);
        if (!growth.advance())
            throw Interrupted();
        roughness[static_cast<size_t>(t)] = growth.roughness();
        deposited[static_cast<size_t>(t)] = growth.simulation().deposited;
        layers[static_cast<size_t>(t)] = growth.layers();
        afterTick(t + 1);
    }
}

} // namespace

Experiment::RunSeries Experiment::runSeries(const FilmSetup& settings, uint32_t firstSeed, uint32_t k, int64_t ticks,
                                            const StopRequest* stop)
{
    RunSeries series;
    series.roughness.resize(static_cast<size_t>(ticks));
    series.deposited.resize(static_cast<size_t>(ticks));
    series.layers.resize(static_cast<size_t>(ticks));
    FilmRun growth(settings, firstSeed, k);
    growInto(growth, ticks, stop, series.roughness, series.deposited, series.layers, [](int64_t) {});
    return series;
}

uint64_t Experiment::memoryNeeded(int32_t jobs) const
{
    // The statistics hold 9 values a tick and a sum for each jackknife group, and the fit
    // copies 3 of them; a run's series holds 3; each thread grows one film at a time.
    const int32_t threads = OrderedRunPool::threadsFor(jobs, end_ - first_);
    const uint64_t series =
        static_cast<uint64_t>(std::min(OrderedRunPool::runsAhead(threads), std::max(end_ - first_, 1)));
    const uint64_t ticks = static_cast<uint64_t>(ticks_ < 0 ? 0 : ticks_);
    // The analyses of the runs held and their averages (about four times the size), and on
    // each thread the transform of its lattice with the analysis' other working arrays.
    const Scenario& sc = settings_.scenario;
    const uint64_t analyses = !analyses_ ? 0
        : static_cast<uint64_t>(analysisCount(ticks_, analyseEvery_)) * analysisBytes(sc.sizeY, sc.sizeX) * (series + 4)
            + static_cast<uint64_t>(threads) * 2 * sizeof(double) * static_cast<uint64_t>(std::max(sc.sizeY, 1))
                * static_cast<uint64_t>(std::max(sc.sizeX, 0) + 2);
    const uint64_t groups = RoughnessStats::jackknifeGroups; // at most; fewer runs fill fewer
    return ticks * sizeof(double) * (9 + groups + 3 + 3 * series) + static_cast<uint64_t>(threads) * filmBytes(settings_)
        + analyses;
}

void Experiment::analyseSurfaces(int64_t every, AnalysisFold fold)
{
    analyses_ = true;
    analyseEvery_ = every;
    analysisFold_ = std::move(fold);
}

void Experiment::checkMemory(int32_t jobs, uint64_t available) const
{
    const uint64_t needed = memoryNeeded(jobs);
    const int32_t threads = OrderedRunPool::threadsFor(jobs, end_ - first_);
    if (needed > available)
        throw AppError(std::to_string(ticks_) + " ticks on " + std::to_string(threads)
                       + " threads need about " + gigabytes(needed) + " of memory for the lattices and the per-tick series, more than the "
                       + gigabytes(available) + " of this machine: use fewer --steps or --jobs, or a smaller --size"
                       + (analyses_ ? ", or a larger --analyze-every" : ""));
}

RoughnessStats Experiment::run(int32_t jobs, const Progress& progress, const StopRequest* stop) const
{
    const uint64_t machine = machineMemory();
    if (machine > 0)
        checkMemory(jobs, machine);
    RoughnessStats stats(ticks_, first_);
    std::atomic<int64_t> ticksDone{0};

    // Grows run k with its analyses, on one of the pool's threads.
    const auto grow = [&](int32_t k) {
        Series series;
        series.roughness.resize(static_cast<size_t>(ticks_));
        series.deposited.resize(static_cast<size_t>(ticks_));
        series.layers.resize(static_cast<size_t>(ticks_));
        FilmRun growth(settings_, firstSeed_, static_cast<uint32_t>(k));
        // One thread an analysis: the other threads are busy with runs of their own.
        const auto analyseAt = [&](int64_t tick) {
            const Symulacja& sim = growth.simulation();
            if (analyses_ && isAnalysisTick(tick, ticks_, analyseEvery_))
                series.analyses.push_back(analyseSurface(sim.lattice ? heightView(*sim.lattice) : HeightView{}, 1));
        };
        analyseAt(0);
        growInto(growth, ticks_, stop, series.roughness, series.deposited, series.layers, [&](int64_t tick) {
            ticksDone.fetch_add(1, std::memory_order_relaxed);
            analyseAt(tick);
        });
        return series;
    };
    // Hands run k, in run order, to the analysis fold and the observers and adds it to the
    // statistics; an error there (out of memory) stops the experiment as a failed run does.
    const auto add = [&](int32_t k, const Series& series) {
        if (analysisFold_)
            analysisFold_(series.analyses);
        if (seriesObserver_)
            seriesObserver_(k, series.roughness);
        if (observer_)
            observer_(k, series.roughness, series.deposited, series.layers);
        stats.addRun(series.roughness, series.deposited, series.layers);
    };
    OrderedRunPool::Progress runsDone;
    if (progress)
        runsDone = [&](int32_t runs) { progress(runs, static_cast<double>(ticksDone.load(std::memory_order_relaxed))); };

    OrderedRunPool(first_, end_, jobs, stop).run(grow, add, runsDone);
    return stats;
}
