#pragma once
// ExperimentJob: an experiment of many runs (Experiment) with the batch tool's outputs: the
// statistics of every tick over the runs (CSV), the series of every run (a series file), the
// surface analyses averaged over the runs, and the fit of the growth exponent; optionally only
// a slice of its runs, to be merged with the other slices later (mergeSlices).
#include "files/OutputFile.h"
#include "run/AnalysisFiles.h"
#include "run/AnalysisStats.h"
#include "run/Experiment.h"
#include "run/GrowthFit.h"
#include "run/JobProgress.h"
#include "run/Outcome.h"
#include "run/ResultRequest.h"
#include "run/SeriesFile.h"
#include "run/StopRequest.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

class ExperimentJob {
public:
    // The outputs by file name (an empty name writes nothing).
    struct Outputs : ResultRequest {
        std::string seriesFile;
    };

    // The experiment `experiment` describes (its seed, runs and ticks, all of it recorded in the
    // series file) of `film`; only its runs first .. end-1 when `slice` is given. Opens every
    // output before the first run, so that one that cannot be written stops it first; throws
    // AppError.
    ExperimentJob(const FilmSetup& film, const SeriesHeader& experiment,
                  const std::optional<std::pair<int32_t, int32_t>>& slice, Outputs outputs);
    ~ExperimentJob();

    // The runs this job runs, and their ticks, which the progress counts.
    int32_t runs() const { return experiment_.endRun() - experiment_.firstRun(); }
    int64_t totalTicks() const { return static_cast<int64_t>(runs()) * header_.ticks; }

    // Runs everything on `jobs` threads and writes the outputs; the progress counts runs. Throws
    // AppError on a file error, Interrupted once `stop` is set (writing nothing then).
    Outcome run(int32_t jobs, const JobProgress& progress = {}, const StopRequest* stop = nullptr);

private:
    std::chrono::steady_clock::time_point start_;
    SeriesHeader header_;
    Outputs outputs_;
    std::unique_ptr<OutputFile> csv_;
    Experiment experiment_;
    std::unique_ptr<SeriesWriter> series_;
    std::unique_ptr<AnalysisFiles> analysis_;
    std::unique_ptr<AnalysisStats> surfaces_;
};
