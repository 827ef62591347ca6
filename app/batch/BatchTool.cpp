#include "batch/BatchTool.h"

#include "batch/BatchCommandLine.h"
#include "batch/BatchPlan.h"
#include "batch/MergeCommand.h"
#include "batch/ProgressBar.h"
#include "batch/UsageError.h"
#include "files/FileReplacer.h"
#include "files/TextCodec.h"
#include "run/AnalysisFiles.h"
#include "run/ExperimentJob.h"
#include "run/OrderedRunPool.h"
#include "run/Outcome.h"
#include "run/ScalingStudy.h"
#include "run/SeriesMerge.h"
#include "run/SettingChecks.h"
#include "run/SingleRun.h"
#include "run/StopRequest.h"
#include "ProgramVersion.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <csignal>
#include <chrono>
#include <functional>
#include <cstring>
#include <iostream>
#include <memory>
#include <new>

namespace {

constexpr const char* programName = "tessavo-batch";

// Set by Ctrl+C (SIGINT) or SIGTERM: the runs stop between two relaxation sweeps and the tool
// exits without writing its outputs. Once the outputs are being put in place they all land and
// the tool then exits with status 130 (finishOutputs). A second signal ends the
// program at once, removing the named temporary files of writes in progress.
StopRequest stopRequest{false};

extern "C" void requestStop(int number)
{
    if (!stopRequest.exchange(true))
        return;
    FileReplacer::removePendingTemporaries(); // only where unnamed temporaries are not to be had
    ::signal(number, SIG_DFL);
    ::raise(number);
}

void catchStopSignals()
{
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

// The fit range of the command line, when one was given.
std::optional<GrowthFit::TickRange> fitRangeOf(std::optional<int64_t> from, std::optional<int64_t> to)
{
    if (from && to)
        return GrowthFit::TickRange(*from, *to);
    return std::nullopt;
}

// Said on stderr, and the work goes on.
void warn(const std::string& warning)
{
    if (!warning.empty())
        std::cerr << programName << ": warning: " << warning << std::endl;
}

// A bar on stderr for `total` units, shown unless asked for quiet or stderr is no terminal.
ProgressBar progressBar(const BatchCommandLine& o, int64_t total, const char* unit, int64_t totalTicks)
{
    return ProgressBar(total, unit, totalTicks, !o.quiet && ProgressBar::stderrIsTerminal());
}

JobProgress showOn(ProgressBar& bar)
{
    return [&bar](int64_t done, double ticksDone) { bar.update(done, ticksDone); };
}

// The results asked for that a single run and an experiment share.
void requestResults(const BatchCommandLine& o, ResultRequest& request)
{
    request.roughnessFile = o.roughnessFile;
    request.analysisPrefix = o.analysisPrefix;
    request.analyzeEvery = o.analyzeEvery;
    request.fit = o.fit;
    request.fitRange = fitRangeOf(o.fitFrom, o.fitTo);
}

Outcome runSingle(const BatchCommandLine& o, const BatchPlan& s)
{
    SingleRun::Outputs outputs;
    requestResults(o, outputs);
    outputs.layerFile = o.saveLayer;
    outputs.pictureFile = o.pictureFile;
    outputs.chartFile = o.chartFile;
    outputs.heightMapFile = o.heightMapFile;
    outputs.framesName = o.framesName;
    outputs.inputFiles = o.inputFiles();
    SingleRun single(s.run, s.seed, s.runIndex, s.steps, s.resume ? &*s.resume : nullptr, outputs,
                     {s.originX, s.originY, s.zoom, s.chartStyle});
    ProgressBar bar = progressBar(o, s.steps, "ticks", s.steps);
    Outcome outcome = single.run(showOn(bar), &stopRequest);
    bar.finish();
    return outcome;
}

Outcome runExperiment(const BatchCommandLine& o, const FilmSetup& film, const SeriesHeader& experiment, int32_t jobs)
{
    ExperimentJob::Outputs outputs;
    requestResults(o, outputs);
    outputs.seriesFile = o.seriesFile;
    ExperimentJob experimentJob(film, experiment, o.runRange, outputs);
    ProgressBar bar = progressBar(o, experimentJob.runs(), "runs", experimentJob.totalTicks());
    Outcome outcome = experimentJob.run(jobs, showOn(bar), &stopRequest);
    bar.finish();
    return outcome;
}

Outcome runScaling(const BatchCommandLine& o, const BatchPlan& s, int32_t jobs)
{
    ScalingStudy study(s.run, s.seed, o.runs, s.steps, o.sizes, jobs, o.fssFile);
    for (const std::string& warning : study.warnings())
        warn(warning);
    ProgressBar bar = progressBar(o, study.totalRuns(), "runs", study.totalTicks());
    Outcome outcome;
    outcome.runs = o.runs;
    outcome.scaling = study.run(showOn(bar), &stopRequest);
    outcome.showUnsaturated = o.fssUnsaturated;
    bar.finish();
    for (const std::string& line : ScalingStudy::unsaturated(*outcome.scaling))
        warn(line);
    return outcome;
}

int fail(int status, const std::string& message)
{
    // Control characters from a file (NUL, CR, TAB) are shown escaped: one clean line.
    std::cerr << programName << ": " << escapeControls(message) << std::endl;
    return status;
}

// The status once stdout is written: a result that could not be written (a full disk, a
// closed pipe) is a failure, not a success with nothing to show.
int finishOutput()
{
    std::cout.flush();
    if (!std::cout)
        return fail(1, "cannot write to standard output");
    return 0;
}

// The status once the outputs are in place. A stop that came while they were put in place let
// them all land; the status still says that the tool was interrupted.
int finishOutputs()
{
    const int status = finishOutput();
    if (status == 0 && stopRequest.load())
        return fail(130, "interrupted while the outputs were put in place; all of them were written");
    return status;
}

// Only the tool's own one-line errors go to stderr, not the toolkit's chatter.
void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::cerr << programName << ": " << message.toStdString() << std::endl;
}

// The exit status of the work: 0 or what it returns; a mistake in the arguments 2, a stop 130,
// a file or memory error 1, each with its one line on stderr.
int statusOf(const std::function<int()>& work)
{
    try {
        return work();
    } catch (const UsageError& e) {
        return fail(2, e.what());
    } catch (const SettingError& e) {
        return fail(2, e.what());
    } catch (const Interrupted& e) {
        return fail(130, e.what());
    } catch (const AppError& e) {
        return fail(1, e.what());
    } catch (const std::bad_alloc&) {
        return fail(1, "out of memory");
    }
}


// tessavo-batch merge: the series files of the slices of an experiment into the outputs that
// one machine running all of it writes. The summary differs only in "seconds", here the sum
// of the slices' times, and "jobs", the most threads a slice ran on.
int runMerge(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        if (i != 1)
            arguments << QString::fromLocal8Bit(argv[i]);
    MergeCommand m;
    try {
        m = MergeCommand::parse(arguments);
    } catch (const UsageError& e) {
        return fail(2, std::string(e.what()) + " (see merge --help)");
    }
    if (m.help) {
        std::cout << m.helpText;
        return finishOutput();
    }
    QCoreApplication app(argc, argv);
    catchStopSignals();
    return statusOf([&] {
        const MergedExperiment merged
            = mergeSlices(m.inputs, m.roughnessFile, m.seriesFile, m.fit, fitRangeOf(m.fitFrom, m.fitTo), &stopRequest);
        if (m.json)
            std::cout << merged.outcome.json(merged.header, false, merged.header.jobs) << std::endl;
        else
            std::cout << merged.outcome.text();
        return finishOutputs();
    });
}

} // namespace

int BatchTool::main(int argc, char** argv)
{
    qInstallMessageHandler(quietMessages);
    QCoreApplication::setApplicationName(programName);
    QCoreApplication::setApplicationVersion(programVersion);
    if (argc > 1 && std::strcmp(argv[1], "merge") == 0)
        return runMerge(argc, argv);
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    BatchCommandLine options;
    try {
        options = BatchCommandLine::parse(arguments);
    } catch (const UsageError& e) {
        return fail(2, std::string(e.what()) + " (see --help)");
    }
    if (options.help) {
        std::cout << options.helpText;
        return finishOutput();
    }
    if (options.version) {
        std::cout << programName << " " << programVersion << std::endl;
        return finishOutput();
    }

    // Text in the chart needs fonts, that is a GUI application; it never shows a window, so
    // it needs no display either.
    std::unique_ptr<QCoreApplication> app;
    if (!options.chartFile.empty()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }

    catchStopSignals();
    return statusOf([&] {
        const auto start = std::chrono::steady_clock::now();
        const BatchPlan s = BatchPlan::resolve(options);
        if (options.sizes.empty()) { // --sizes warns about the lattices it grows
            warn(periodWarning(s.run, s.steps, options.runs));
            warn(depositionWarning(s.run));
        }
        int32_t jobs = options.jobs;
        if (jobs == 0)
            jobs = OrderedRunPool::jobsByDefault(s.run.threads);
        const SeriesHeader experiment = seriesHeaderOf(s.run, s.seed, options.runs, s.steps, options.configFile,
                                                       options.layerFile);
        Outcome outcome;
        if (!options.sizes.empty())
            outcome = runScaling(options, s, jobs);
        else if (options.runs > 0)
            outcome = runExperiment(options, s.run, experiment, jobs);
        else
            outcome = runSingle(options, s);
        if (options.runs == 0)
            jobs = 1;
        outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (options.json)
            std::cout << outcome.json(experiment, s.seedFromClock, jobs) << std::endl;
        else
            std::cout << outcome.text();
        const int status = finishOutputs();
        // Exponents of films that have not saturated are not results: the sizes to run longer
        // are named on stderr.
        if (status == 0 && outcome.scaling && outcome.scaling->ok && !outcome.scaling->saturated()
            && !options.fssUnsaturated)
            return fail(1, "alpha, z and the W_sat^2 slope are not given while a size has not saturated "
                           "(--fss-unsaturated prints them anyway)");
        return status;
    });
}
