#include "run/ExperimentJob.h"

#include "run/ResultTables.h"

namespace {

std::unique_ptr<OutputFile> outputFile(const std::string& path)
{
    return path.empty() ? nullptr : std::make_unique<OutputFile>(path);
}

} // namespace

ExperimentJob::ExperimentJob(const FilmSetup& film, const SeriesHeader& experiment,
                             const std::optional<std::pair<int32_t, int32_t>>& slice, Outputs outputs)
    : start_(std::chrono::steady_clock::now()), header_(experiment), outputs_(std::move(outputs)),
      csv_(outputFile(outputs_.roughnessFile)), experiment_(film, experiment.seed, experiment.runs, experiment.ticks)
{
    if (slice)
        experiment_.setRunRange(slice->first, slice->second);
    if (!outputs_.seriesFile.empty()) {
        series_ = std::make_unique<SeriesWriter>(outputs_.seriesFile, header_, experiment_.firstRun(),
                                                 experiment_.endRun());
        experiment_.observeRuns([writer = series_.get()](int32_t k, const std::vector<double>& w, const std::vector<double>& d,
                                                         const std::vector<double>& l) { writer->add(k, w, d, l); });
    }
    if (!outputs_.analysisPrefix.empty()) {
        analysis_ = std::make_unique<AnalysisFiles>(outputs_.analysisPrefix, true);
        surfaces_ = std::make_unique<AnalysisStats>(header_.ticks, outputs_.analyzeEvery);
        experiment_.analyseSurfaces(outputs_.analyzeEvery, [surfaces = surfaces_.get()](
                                                               const std::vector<SurfaceAnalysis>& a) { surfaces->addRun(a); });
    }
}

ExperimentJob::~ExperimentJob() = default;

Outcome ExperimentJob::run(int32_t jobs, const JobProgress& progress, const StopRequest* stop)
{
    const RoughnessStats stats = experiment_.run(
        jobs,
        [&progress](int32_t runsDone, double ticksDone) {
            if (progress)
                progress(runsDone, ticksDone);
        },
        stop);
    checkStop(stop); // from here on every output lands
    if (series_)
        series_->commit(jobs, std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count());
    if (analysis_) {
        analysis_->add(*surfaces_);
        analysis_->commit();
    }
    if (csv_) {
        ResultTables::writeStatistics(*csv_, stats);
        csv_->commit();
    }
    return Outcome::ofStatistics(stats, header_.runs, outputs_.fit, outputs_.fitRange);
}
