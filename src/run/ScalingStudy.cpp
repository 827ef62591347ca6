#include "run/ScalingStudy.h"

#include "analysis/Jackknife.h"
#include "files/NumberText.h"
#include "run/Experiment.h"
#include "run/ResultTables.h"

#include <QJsonArray>

#include <algorithm>
#include <cmath>

namespace {

std::string fitText(const LineFit& fit)
{
    return valueWithError(fit.slope, fit.slopeError);
}

QJsonObject fitJson(const LineFit& fit, const std::string& errorMethod, bool saturated)
{
    if (!fit.ok)
        return QJsonObject{{"message", QString::fromStdString(fit.message)}};
    return QJsonObject{{"value", fit.slope}, {"error", fit.slopeError},
                       {"error_method", QString::fromStdString(errorMethod)}, {"saturated", saturated}};
}

// "L = 16, 32" of the sizes that have not saturated.
std::string unsaturatedSizes(const FiniteSizeScaling& f)
{
    std::string names;
    for (const Saturation& sat : f.sizes)
        if (!sat.saturated)
            names += (names.empty() ? "L = " : ", ") + std::to_string(static_cast<int64_t>(sat.size));
    return names;
}

// The errors of the exponents from a jackknife over the runs: the scaling is worked out again
// from every size's mean W with one group of runs left out (the same runs of every size, which
// share their seeds), each size keeping the saturation verdict of all its runs.
void jackknifeErrors(FiniteSizeScaling& scaling, const std::vector<SizeSeries>& series,
                     const std::vector<RoughnessStats>& stats)
{
    if (!scaling.ok || stats.empty() || stats.front().runs() < 2)
        return;
    std::vector<double> alpha, z, width2;
    std::vector<SizeSeries> sample = series;
    for (int32_t group : stats.front().groups()) {
        for (size_t i = 0; i < sample.size(); ++i)
            sample[i].width = stats[i].meansWithout(group);
        const FiniteSizeScaling left = finiteSizeScaling(sample);
        if (!left.ok || !left.width2.ok || left.z.ok != scaling.z.ok) {
            scaling.errorMethod = "regression (with run group " + std::to_string(group) + " left out: "
                + (left.ok ? left.z.message : left.message) + ")";
            return;
        }
        alpha.push_back(left.alpha.slope);
        z.push_back(left.z.slope);
        width2.push_back(left.width2.slope);
    }
    scaling.alpha.slopeError = jackknifeError(alpha);
    if (scaling.z.ok)
        scaling.z.slopeError = jackknifeError(z);
    scaling.width2.slopeError = jackknifeError(width2);
    scaling.errorMethod = stats.front().jackknifeMethod();
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
    const auto [smallest, largest] = std::minmax_element(setups_.begin(), setups_.end(),
        [](const FilmSetup& a, const FilmSetup& b) { return a.scenario.sizeX < b.scenario.sizeX; });
    if (largest == setups_.end())
        return;
    for (const std::string& warning : {periodWarning(*largest, steps, runs), depositionWarning(*smallest)})
        if (!warning.empty())
            warnings_.push_back(warning);
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
    std::vector<RoughnessStats> sizeStats;
    for (const FilmSetup& setup : setups_) {
        Experiment experiment(setup, seed_, runs_, steps_);
        SizeSeries one;
        one.size = setup.scenario.sizeX;
        experiment.observeSeries([&one](int32_t, const std::vector<double>& roughness) {
            one.runSaturation.push_back(saturationWidth(roughness));
            one.runBefore.push_back(widthBefore(roughness));
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
        sizeStats.push_back(stats);
    }
    checkStop(stop); // from here on the output lands

    // The table holds every size, also when the exponents cannot be fitted.
    FiniteSizeScaling scaling = finiteSizeScaling(series);
    scaling.sizes.clear();
    for (const SizeSeries& one : series)
        scaling.sizes.push_back(saturationOf(one));
    jackknifeErrors(scaling, series, sizeStats);
    if (table_) {
        table_->write(ResultTables::scalingHeader);
        for (const Saturation& sat : scaling.sizes)
            table_->write(ResultTables::scalingLine(sat));
        table_->commit();
    }
    return scaling;
}

std::vector<std::string> ScalingStudy::unsaturated(const FiniteSizeScaling& f)
{
    std::vector<std::string> lines;
    for (const Saturation& sat : f.sizes) {
        if (sat.saturated)
            continue;
        const auto mean = [](double value, const std::optional<double>& error) {
            return std::isfinite(value) ? (error ? valueWithError(value, *error) : exactText(value) + " (no error from one run)")
                                        : std::string("none");
        };
        lines.push_back("L = " + std::to_string(static_cast<int64_t>(sat.size)) + " has not saturated: mean W "
                        + mean(sat.width, sat.error) + " over the last quarter of the ticks, "
                        + mean(sat.before, sat.beforeError) + " over the quarter before");
    }
    if (!lines.empty())
        lines.push_back("run " + unsaturatedSizes(f) + " longer (more --steps) until W stops growing"
                        + (f.sizes.empty() || f.sizes.front().error ? "" : ", with --runs 2 or more to test it"));
    return lines;
}

std::string ScalingStudy::summary(const FiniteSizeScaling& f, bool showUnsaturated)
{
    if (!f.ok)
        return "alpha and z cannot be fitted: " + f.message + "\n";
    if (!f.saturated() && !showUnsaturated)
        return {};
    const std::string mark = " (error: " + f.errorMethod + ")"
        + (f.saturated() ? std::string() : " [unsaturated: " + unsaturatedSizes(f) + "]") + "\n";
    return "alpha = " + fitText(f.alpha) + ", " + (f.z.ok ? "z = " + fitText(f.z) : "z cannot be fitted: " + f.z.message)
        + mark + "W_sat^2 against ln L: slope " + fitText(f.width2) + mark;
}

QJsonObject ScalingStudy::json(const FiniteSizeScaling& f, bool showUnsaturated)
{
    QJsonArray sizes;
    for (const Saturation& sat : f.sizes) {
        QJsonObject one{{"L", sat.size}, {"first_tick", static_cast<qint64>(sat.firstTick)}, {"saturated", sat.saturated}};
        if (std::isfinite(sat.width))
            one["W_sat"] = sat.width;
        if (sat.error)
            one["W_sat_stderr"] = *sat.error;
        if (std::isfinite(sat.before))
            one["W_before"] = sat.before;
        if (sat.beforeError)
            one["W_before_stderr"] = *sat.beforeError;
        if (sat.crossoverTick)
            one["t_cross"] = static_cast<qint64>(*sat.crossoverTick);
        sizes.append(one);
    }
    QJsonObject out{{"sizes", sizes}, {"saturated", f.saturated()}};
    if (!f.ok) {
        out["message"] = QString::fromStdString(f.message);
        return out;
    }
    if (!f.saturated() && !showUnsaturated) {
        out["message"] = QString::fromStdString(unsaturatedSizes(f) + " have not saturated: run them longer");
        return out;
    }
    out["alpha"] = fitJson(f.alpha, f.errorMethod, f.saturated());
    out["z"] = fitJson(f.z, f.errorMethod, f.saturated());
    out["width2_slope"] = fitJson(f.width2, f.errorMethod, f.saturated());
    return out;
}
