#include "batch/BatchTool.h"

#include "batch/AnalysisFiles.h"
#include "batch/ScalingCommand.h"
#include "run/AnalysisStats.h"

#include "batch/BatchCommandLine.h"
#include "batch/BatchPlan.h"
#include "run/Experiment.h"
#include "run/GrowthFit.h"
#include "files/NumberText.h"
#include "files/FileReplacer.h"
#include "files/OutputFile.h"
#include "files/TextCodec.h"
#include "batch/MergeCommand.h"
#include "batch/ProgressBar.h"
#include "batch/SingleRunCommand.h"
#include "batch/UsageError.h"
#include "model/Symulacja.h"
#include "run/GrowthSettings.h"
#include "run/SeriesFile.h"
#include "run/SettingChecks.h"
#include "run/StopRequest.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <csignal>
#include <chrono>
#include <functional>
#include <cstring>
#include <iostream>
#include <memory>
#include <new>
#include <thread>

namespace {

constexpr const char* programName = "tessavo-batch";

// Set by Ctrl+C (SIGINT) or SIGTERM: the runs stop between two relaxation sweeps and the tool
// exits without writing its outputs. A second signal ends the program at once.
StopRequest stopRequest{false};

extern "C" void requestStop(int)
{
    stopRequest.store(true);
    FileReplacer::removePendingTemporaries(); // only where unnamed temporaries are not to be had
}

void catchStopSignals()
{
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}
constexpr const char* programVersion = "1.5";

struct Outcome {
    int64_t runs = 1;
    uint32_t firstSeed = 0;
    double seconds = 0.0;
    double finalDeposited = 0.0;
    // The roughness after the last tick: over the runs, or the one run's.
    double finalMean = 0.0, finalStddev = 0.0, finalStderr = 0.0, finalMin = 0.0, finalMax = 0.0;
    bool fitted = false;
    GrowthFit fit;
    std::optional<FiniteSizeScaling> scaling; // --sizes
};

GrowthFit fitOf(const BatchCommandLine& o, const std::vector<double>& w, const std::vector<double>& deposited)
{
    if (o.fitFrom)
        return GrowthFit::over(w, *o.fitFrom, *o.fitTo);
    return GrowthFit::fit(w, deposited);
}

std::string gigabytes(uint64_t bytes)
{
    return std::to_string((bytes + (uint64_t{1} << 30) - 1) >> 30) + " GB";
}

// A single film that would not fit in the machine's memory is refused before it starts.
void checkSingleRunMemory(const BatchCommandLine& o, const BatchPlan& s)
{
    const uint64_t series = o.fit ? static_cast<uint64_t>(s.steps) * 2 * sizeof(double) : 0;
    const uint64_t needed = filmBytes(s.run) * (s.run.startHeights ? 2 : 1) + series;
    const uint64_t machine = machineMemory();
    if (machine > 0 && needed > machine)
        throw AppError("a " + std::to_string(s.run.scenario.sizeX) + "x" + std::to_string(s.run.scenario.sizeY)
                       + " film needs about " + gigabytes(needed) + " of memory, more than the " + gigabytes(machine)
                       + " of this machine");
}

// Said once, on stderr, and the work goes on.
void warnAboutThePeriod(const BatchCommandLine& o, const BatchPlan& s)
{
    const std::string warning = periodWarning(s.run, s.steps, o.runs);
    if (!warning.empty())
        std::cerr << programName << ": warning: " << warning << std::endl;
}

Outcome runSingle(const BatchCommandLine& o, const BatchPlan& s)
{
    checkSingleRunMemory(o, s);
    SingleRunCommand single(o, s, &stopRequest);
    single.keepSeries = o.fit;
    std::unique_ptr<AnalysisFiles> analysis;
    if (!o.analysisPrefix.empty()) {
        analysis = std::make_unique<AnalysisFiles>(o, false);
        single.onTick = [&analysis, steps = s.steps, every = o.analyzeEvery](int64_t tick, const Symulacja& sim) {
            if (isAnalysisTick(tick, steps, every))
                analysis->add(tick, analyseSurface(sim.lattice ? heightView(*sim.lattice) : HeightView{}));
        };
    }
    single.run();
    if (analysis)
        analysis->commit();
    Outcome out;
    out.firstSeed = s.seed;
    out.finalDeposited = single.finalDeposited;
    out.finalMean = out.finalMin = out.finalMax = single.finalRoughness;
    if (o.fit) {
        out.fitted = true;
        out.fit = fitOf(o, single.roughness, single.deposited);
    }
    return out;
}

// The outputs of an experiment from its statistics: the CSV (opened by the caller before the
// runs, so that one that cannot be written stops the tool first) and the summary's numbers.
Outcome experimentOutcome(const BatchCommandLine& o, const BatchPlan& s, const RoughnessStats& stats,
                          std::unique_ptr<OutputFile> csv)
{
    if (csv) {
        csv->write("tick,deposited,mean,stddev,stderr,min,max,beta_eff\n");
        const std::vector<std::optional<double>> betaEff = effectiveExponent(stats.means());
        std::string line;
        for (int64_t i = 0; i < stats.ticks(); ++i) {
            line = std::to_string(i + 1);
            for (double v : {stats.deposited(i), stats.mean(i), stats.stddev(i), stats.standardError(i),
                             stats.min(i), stats.max(i)}) {
                line += ',';
                line += exactText(v);
            }
            line += ',';
            if (betaEff[i])
                line += exactText(*betaEff[i]);
            line += '\n';
            csv->write(line);
        }
        csv->commit();
    }
    Outcome out;
    out.runs = o.runs;
    out.firstSeed = s.seed;
    if (stats.ticks() > 0) {
        const int64_t last = stats.ticks() - 1;
        out.finalDeposited = stats.deposited(last);
        out.finalMean = stats.mean(last);
        out.finalStddev = stats.stddev(last);
        out.finalStderr = stats.standardError(last);
        out.finalMin = stats.min(last);
        out.finalMax = stats.max(last);
    }
    if (o.fit) {
        out.fitted = true;
        out.fit = fitOf(o, stats.means(), stats.depositedSeries());
    }
    return out;
}

Outcome runExperiment(const BatchCommandLine& o, const BatchPlan& s, int32_t jobs)
{
    const auto start = std::chrono::steady_clock::now();
    std::unique_ptr<OutputFile> csv;
    if (!o.roughnessFile.empty())
        csv = std::make_unique<OutputFile>(o.roughnessFile);

    Experiment experiment(s.run, s.seed, o.runs, s.steps);
    if (o.runRange)
        experiment.setRunRange(o.runRange->first, o.runRange->second);
    const int32_t runs = experiment.endRun() - experiment.firstRun();
    std::unique_ptr<SeriesWriter> series;
    if (!o.seriesFile.empty()) {
        series = std::make_unique<SeriesWriter>(o.seriesFile, seriesHeaderOf(o, s, programVersion),
                                                experiment.firstRun(), experiment.endRun());
        experiment.observeRuns([writer = series.get()](int32_t k, const std::vector<double>& w,
                                                       const std::vector<double>& d) { writer->add(k, w, d); });
    }
    std::unique_ptr<AnalysisFiles> analysis;
    std::unique_ptr<AnalysisStats> surfaces;
    if (!o.analysisPrefix.empty()) {
        analysis = std::make_unique<AnalysisFiles>(o, true);
        surfaces = std::make_unique<AnalysisStats>(s.steps, o.analyzeEvery);
        experiment.analyseSurfaces(o.analyzeEvery, [&surfaces](const std::vector<SurfaceAnalysis>& a) { surfaces->addRun(a); });
    }
    ProgressBar bar(runs, "runs", static_cast<int64_t>(runs) * s.steps, !o.quiet && ProgressBar::stderrIsTerminal());
    const RoughnessStats stats = experiment.run(
        jobs, [&bar](int32_t runsDone, double ticksDone) { bar.update(runsDone, ticksDone); }, &stopRequest);
    bar.finish();
    if (series)
        series->commit(jobs, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    if (analysis) {
        analysis->add(*surfaces);
        analysis->commit();
    }
    return experimentOutcome(o, s, stats, std::move(csv));
}

std::string jsonSummary(const BatchCommandLine& o, const BatchPlan& s, int32_t jobs, const Outcome& out)
{
    QJsonObject settings;
    for (const auto& [name, value] : settingsBlock(GrowthSettings::of(s.run), s.steps))
        settings[QString::fromStdString(name)] = std::visit(
            [](const auto& v) {
                using T = std::decay_t<decltype(v)>;
                if constexpr (std::is_same_v<T, std::string>)
                    return QJsonValue(QString::fromStdString(v));
                else if constexpr (std::is_same_v<T, int64_t>)
                    return QJsonValue(static_cast<qint64>(v));
                else
                    return QJsonValue(v);
            },
            value);
    if (!o.configFile.empty())
        settings["config"] = QString::fromStdString(o.configFile);
    if (!o.layerFile.empty())
        settings["layer"] = QString::fromStdString(o.layerFile);

    if (out.scaling) {
        QJsonArray sizes;
        for (int32_t side : o.sizes)
            sizes.append(side);
        settings.remove("columns");
        settings.remove("rows");
        settings["sizes"] = sizes;
    }

    QJsonObject summary;
    summary["settings"] = settings;
    summary["runs"] = static_cast<qint64>(out.runs);
    summary["jobs"] = jobs;
    summary["seeds"] = QJsonObject{
        {"first", static_cast<qint64>(out.firstSeed)},
        {"last", static_cast<qint64>(static_cast<uint32_t>(out.firstSeed + out.runs - 1))},
        {"from_clock", s.seedFromClock},
    };
    if (out.scaling) {
        summary["fss"] = ScalingCommand::json(*out.scaling);
        summary["seconds"] = out.seconds;
        return QJsonDocument(summary).toJson(QJsonDocument::Compact).toStdString();
    }
    summary["final_deposited"] = out.finalDeposited;
    summary["final_roughness"] = QJsonObject{
        {"mean", out.finalMean}, {"stddev", out.finalStddev}, {"stderr", out.finalStderr},
        {"min", out.finalMin}, {"max", out.finalMax},
    };
    if (out.fitted) {
        if (out.fit.ok)
            summary["fit"] = QJsonObject{
                {"beta", out.fit.beta}, {"error", out.fit.error},
                {"first_tick", static_cast<qint64>(out.fit.firstTick)},
                {"last_tick", static_cast<qint64>(out.fit.lastTick)},
            };
        else
            summary["fit"] = QJsonObject{{"message", QString::fromStdString(out.fit.message)}};
    }
    summary["seconds"] = out.seconds;
    return QJsonDocument(summary).toJson(QJsonDocument::Compact).toStdString();
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
    return statusOf([&] {
        const MergedSeries merged(m.inputs);
        BatchCommandLine o;
        BatchPlan s;
        merged.describe(o, s);
        o.roughnessFile = m.roughnessFile;
        o.fit = m.fit;
        o.fitFrom = m.fitFrom;
        o.fitTo = m.fitTo;
        o.json = m.json;
        if (o.fitTo)
            SettingChecks::fitRangeWithin(*o.fitTo, o.steps);
        std::unique_ptr<OutputFile> csv;
        if (!o.roughnessFile.empty())
            csv = std::make_unique<OutputFile>(o.roughnessFile);
        std::unique_ptr<SeriesWriter> all;
        if (!m.seriesFile.empty())
            all = std::make_unique<SeriesWriter>(m.seriesFile, merged.header(), 0, merged.header().runs);
        const RoughnessStats stats = merged.combine(all.get());
        if (all)
            all->commit(merged.header().jobs, merged.header().seconds);
        Outcome outcome = experimentOutcome(o, s, stats, std::move(csv));
        outcome.seconds = merged.header().seconds;
        if (o.json)
            std::cout << jsonSummary(o, s, merged.header().jobs, outcome) << std::endl;
        else if (outcome.fitted)
            std::cout << outcome.fit.summary(outcome.runs) << std::endl;
        return finishOutput();
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
        const BatchPlan settings = BatchPlan::resolve(options);
        if (options.sizes.empty()) // --sizes warns about the lattices it grows
            warnAboutThePeriod(options, settings);
        int32_t jobs = options.jobs;
        if (jobs == 0) {
            const unsigned cores = std::thread::hardware_concurrency();
            jobs = cores == 0 ? 1 : static_cast<int32_t>(cores);
        }
        Outcome outcome;
        if (!options.sizes.empty()) {
            outcome.runs = options.runs;
            outcome.firstSeed = settings.seed;
            outcome.scaling = ScalingCommand::run(options, settings, jobs, &stopRequest);
        } else {
            outcome = options.runs > 0 ? runExperiment(options, settings, jobs) : runSingle(options, settings);
        }
        if (options.runs == 0)
            jobs = 1;
        outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (options.json)
            std::cout << jsonSummary(options, settings, jobs, outcome) << std::endl;
        else if (outcome.scaling)
            std::cout << ScalingCommand::summary(*outcome.scaling) << std::flush;
        else if (outcome.fitted)
            std::cout << outcome.fit.summary(outcome.runs) << std::endl;
        return finishOutput();
    });
}
