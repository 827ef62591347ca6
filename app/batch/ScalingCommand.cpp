#include "batch/ScalingCommand.h"

#include "batch/AnalysisFiles.h"
#include "batch/ProgressBar.h"
#include "files/NumberText.h"
#include "files/OutputFile.h"
#include "run/Experiment.h"

#include <QJsonArray>

#include <algorithm>
#include <iostream>

#include <cmath>
#include <memory>
#include <vector>

namespace {

std::string fitText(const LineFit& fit)
{
    return fixedText(fit.slope, 3) + " +/- " + fixedText(fit.slopeError, 3);
}

QJsonObject fitJson(const LineFit& fit)
{
    if (!fit.ok)
        return QJsonObject{{"message", QString::fromStdString(fit.message)}};
    return QJsonObject{{"value", fit.slope}, {"error", fit.slopeError}};
}

} // namespace

FiniteSizeScaling ScalingCommand::run(const BatchCommandLine& o, const BatchPlan& s, int32_t jobs,
                                      const StopRequest* stop)
{
    std::unique_ptr<OutputFile> table;
    if (!o.fssFile.empty()) {
        refuseOverwritingInputs(o, o.fssFile);
        table = std::make_unique<OutputFile>(o.fssFile);
    }

    // Every size is checked before the first one runs: the memory, and the period of the
    // congruential generator on the largest lattice, which draws the most.
    std::vector<FilmSetup> setups;
    for (int32_t side : o.sizes) {
        FilmSetup setup = s.run;
        setup.scenario.sizeX = setup.scenario.sizeY = side;
        const uint64_t machine = machineMemory();
        if (machine > 0)
            Experiment(setup, s.seed, o.runs, s.steps).checkMemory(jobs, machine);
        setups.push_back(std::move(setup));
    }
    const auto largest = std::max_element(setups.begin(), setups.end(), [](const FilmSetup& a, const FilmSetup& b) {
        return a.scenario.sizeX < b.scenario.sizeX;
    });
    const std::string warning = periodWarning(*largest, s.steps, o.runs);
    if (!warning.empty())
        std::cerr << "tessavo-batch: warning: " << warning << std::endl;

    const int64_t sizes = static_cast<int64_t>(o.sizes.size());
    ProgressBar bar(o.runs * sizes, "runs", o.runs * s.steps * sizes, !o.quiet && ProgressBar::stderrIsTerminal());
    std::vector<SizeSeries> series;
    for (const FilmSetup& setup : setups) {
        Experiment experiment(setup, s.seed, o.runs, s.steps);
        SizeSeries one;
        one.size = setup.scenario.sizeX;
        experiment.observeSeries([&one](int32_t, const std::vector<double>& roughness) {
            one.runSaturation.push_back(saturationWidth(roughness));
        });
        const int64_t before = static_cast<int64_t>(series.size());
        const RoughnessStats stats = experiment.run(
            jobs,
            [&](int32_t runsDone, double ticksDone) {
                bar.update(before * o.runs + runsDone, static_cast<double>(before * o.runs * s.steps) + ticksDone);
            },
            stop);
        one.width = stats.means();
        series.push_back(std::move(one));
    }
    bar.finish();

    // The table holds every size, also when the exponents cannot be fitted.
    FiniteSizeScaling scaling = finiteSizeScaling(series);
    scaling.sizes.clear();
    for (const SizeSeries& one : series)
        scaling.sizes.push_back(saturationOf(one));
    if (table) {
        table->write("L,W_sat,W_sat_stderr,t_cross\n");
        for (const Saturation& sat : scaling.sizes)
            table->write(std::to_string(static_cast<int64_t>(sat.size)) + ","
                         + (std::isfinite(sat.width) ? exactText(sat.width) : std::string()) + ","
                         + (sat.error ? exactText(*sat.error) : std::string()) + ","
                         + (sat.crossoverTick ? std::to_string(*sat.crossoverTick) : std::string()) + "\n");
        table->commit();
    }
    return scaling;
}

std::string ScalingCommand::summary(const FiniteSizeScaling& f)
{
    if (!f.ok)
        return "alpha and z cannot be fitted: " + f.message + "\n";
    return "alpha = " + fitText(f.alpha) + ", z = " + fitText(f.z) + "\nW_sat^2 against ln L: slope "
        + fitText(f.width2) + "\n";
}

QJsonObject ScalingCommand::json(const FiniteSizeScaling& f)
{
    QJsonArray sizes;
    for (const Saturation& sat : f.sizes) {
        QJsonObject one{{"L", sat.size}, {"first_tick", static_cast<qint64>(sat.firstTick)}};
        if (std::isfinite(sat.width))
            one["W_sat"] = sat.width;
        if (sat.error)
            one["W_sat_stderr"] = *sat.error;
        if (sat.crossoverTick)
            one["t_cross"] = static_cast<qint64>(*sat.crossoverTick);
        sizes.append(one);
    }
    QJsonObject out{{"sizes", sizes}};
    if (!f.ok) {
        out["message"] = QString::fromStdString(f.message);
        return out;
    }
    out["alpha"] = fitJson(f.alpha);
    out["z"] = fitJson(f.z);
    out["width2_slope"] = fitJson(f.width2);
    return out;
}
