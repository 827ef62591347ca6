#include "run/ScalingStudy.h"

#include "files/NumberText.h"
#include "run/Experiment.h"
#include "run/ResultTables.h"

#include <QJsonArray>

#include <algorithm>
#include <cmath>

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

ScalingStudy::ScalingStudy(const FilmSetup& film, uint32_t seed, int32_t runs, int64_t steps,
                           const std::vector<int32_t>& sizes, int32_t jobs, const std::string& tableFile)
    : seed_(seed), runs_(runs), steps_(steps), jobs_(jobs)
{
    if (!tableFile.empty())
        table_ = std::make_unique<OutputFile>(tableFile);

    // Every size is checked before the first one runs: the memory, and the period of the
    // congruential generator on the largest lattice, which draws the most.
    for (int32_t side : sizes) {
        FilmSetup setup = film;
        setup.scenario.sizeX = setup.scenario.sizeY = side;
        const uint64_t machine = machineMemory();
        if (machine > 0)
            Experiment(setup, seed, runs, steps).checkMemory(jobs, machine);
        setups_.push_back(std::move(setup));
    }
    const auto largest = std::max_element(setups_.begin(), setups_.end(), [](const FilmSetup& a, const FilmSetup& b) {
        return a.scenario.sizeX < b.scenario.sizeX;
    });
    if (largest != setups_.end())
        warning_ = periodWarning(*largest, steps, runs);
}

ScalingStudy::~ScalingStudy() = default;

int64_t ScalingStudy::totalRuns() const
{
    return static_cast<int64_t>(runs_) * static_cast<int64_t>(setups_.size());
}

int64_t ScalingStudy::totalTicks() const
{
    return totalRuns() * steps_;
}

FiniteSizeScaling ScalingStudy::run(const JobProgress& progress, const StopRequest* stop)
{
    std::vector<SizeSeries> series;
    for (const FilmSetup& setup : setups_) {
        Experiment experiment(setup, seed_, runs_, steps_);
        SizeSeries one;
        one.size = setup.scenario.sizeX;
        experiment.observeSeries([&one](int32_t, const std::vector<double>& roughness) {
            one.runSaturation.push_back(saturationWidth(roughness));
        });
        const int64_t runsBefore = static_cast<int64_t>(series.size()) * runs_;
        const RoughnessStats stats = experiment.run(
            jobs_,
            [&](int32_t runsDone, double ticksDone) {
                if (progress)
                    progress(runsBefore + runsDone, static_cast<double>(runsBefore * steps_) + ticksDone);
            },
            stop);
        one.width = stats.means();
        series.push_back(std::move(one));
    }

    // The table holds every size, also when the exponents cannot be fitted.
    FiniteSizeScaling scaling = finiteSizeScaling(series);
    scaling.sizes.clear();
    for (const SizeSeries& one : series)
        scaling.sizes.push_back(saturationOf(one));
    if (table_) {
        table_->write(ResultTables::scalingHeader);
        for (const Saturation& sat : scaling.sizes)
            table_->write(ResultTables::scalingLine(sat));
        table_->commit();
    }
    return scaling;
}

std::string ScalingStudy::summary(const FiniteSizeScaling& f)
{
    if (!f.ok)
        return "alpha and z cannot be fitted: " + f.message + "\n";
    return "alpha = " + fitText(f.alpha) + ", z = " + fitText(f.z) + "\nW_sat^2 against ln L: slope "
        + fitText(f.width2) + "\n";
}

QJsonObject ScalingStudy::json(const FiniteSizeScaling& f)
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
