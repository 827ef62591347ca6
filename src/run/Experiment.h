#pragma once
// Experiment: N independent runs of the same settings, run k seeded with firstSeed + k
// (mod 2^32), spread over a pool of threads (run/OrderedRunPool). Each run has its own
// generator and lattice and drops them when it finishes; only the per-tick statistics are
// kept. The statistics are added in run order, so they are identical for every number of
// threads.
#include "run/RoughnessStats.h"
#include "run/FilmSetup.h"
#include "run/StopRequest.h"
#include "analysis/SurfaceAnalysis.h"

#include <cstdint>
#include <functional>
#include <vector>

class Experiment {
public:
    Experiment(const FilmSetup& settings, uint32_t firstSeed, int32_t runs, int64_t ticks);

    // Called on the calling thread about five times a second while the runs go on, and once
    // at the end: runs finished so far and ticks done so far over all runs.
    using Progress = std::function<void(int32_t runsDone, double ticksDone)>;

    // Runs everything on `jobs` threads (at least 1) and returns the statistics. An error in
    // a run (out of memory) stops the experiment and is thrown again here; so is Interrupted
    // once `stop` is set. An experiment that would need more memory than the machine has is
    // refused before anything is allocated.
    RoughnessStats run(int32_t jobs, const Progress& progress = {}, const StopRequest* stop = nullptr) const;

    // The most memory the experiment holds at once, in bytes, on `jobs` threads: the per-tick
    // statistics and the series of the runs under way or waiting to be added. It grows with the
    // ticks and the threads, not with the number of runs.
    uint64_t memoryNeeded(int32_t jobs) const;
    // Throws AppError when memoryNeeded(jobs) exceeds `available` bytes.
    void checkMemory(int32_t jobs, uint64_t available) const;

    // One run's series, one value per tick (index 0 is tick 1): the roughness W, the layers
    // deposited (the window's count, rate x ticks) and the layers of particles landed. runSeries grows run k of an experiment seeded `firstSeed` alone, exactly as
    // run() grows it, so slices of runs computed anywhere (other processes, other machines)
    // and added to RoughnessStats in run order give run()'s statistics bit for bit. Throws
    // Interrupted once `stop` is set.
    struct RunSeries {
        std::vector<double> roughness;
        std::vector<double> deposited;
        std::vector<double> layers;
    };
    static RunSeries runSeries(const FilmSetup& settings, uint32_t firstSeed, uint32_t k, int64_t ticks,
                               const StopRequest* stop = nullptr);

    // Runs only the runs first .. end-1 of the N (a slice, each run seeded as in the whole
    // experiment); the statistics are then those of the slice. 0 <= first < end <= N.
    void setRunRange(int32_t first, int32_t end);
    int32_t firstRun() const { return first_; }
    int32_t endRun() const { return end_; }

    // Receives the series of every run, one value per tick, in run order, as the run is added
    // to the statistics (on one of the threads, one run at a time). An error it throws stops
    // the experiment and is thrown again by run().
    using RunObserver = std::function<void(int32_t run, const std::vector<double>& roughness,
                                         const std::vector<double>& deposited, const std::vector<double>& layers)>;
    void observeRuns(RunObserver observer) { observer_ = std::move(observer); }

    // Surface analyses: every run analyses its lattice at the ticks of isAnalysisTick(t, ticks,
    // every) (run/AnalysisStats.h; 0 is the lattice before the first tick) on its own thread,
    // and its analyses, in tick order, are handed to `fold` in run order on the thread that
    // adds the run. Set before run().
    using AnalysisFold = std::function<void(const std::vector<SurfaceAnalysis>& analyses)>;
    void analyseSurfaces(int64_t every, AnalysisFold fold);

    // Hands each run's roughness series (index 0 is tick 1) to `observer` in run order, as the
    // run is added to the statistics. Set before run().
    using SeriesObserver = std::function<void(int32_t run, const std::vector<double>& roughness)>;
    void observeSeries(SeriesObserver observer) { seriesObserver_ = std::move(observer); }

private:
    FilmSetup settings_;
    uint32_t firstSeed_;
    int32_t runs_;
    int64_t ticks_;
    int32_t first_ = 0, end_; // the runs run: first_ .. end_-1
    RunObserver observer_;

    bool analyses_ = false;
    int64_t analyseEvery_ = 0;
    AnalysisFold analysisFold_;
    SeriesObserver seriesObserver_;
};
