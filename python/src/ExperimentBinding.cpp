// tessavo._tessavo._experiment, _run_slice and _Stats: experiments over many runs
// (run/Experiment), whole on this machine's threads or as slices of runs grown elsewhere and
// added in run order, with the batch tool's statistics and fit.
#include "Bindings.h"
#include "Interruptible.h"
#include "ModuleSettings.h"
#include "ResultColumns.h"

#include "run/GrowthSettings.h"

#include "run/Experiment.h"
#include "run/GrowthFit.h"
#include "run/OrderedRunPool.h"
#include "run/SettingChecks.h"

#include <limits>
#include <pybind11/numpy.h>

#include <algorithm>
#include <optional>
#include <vector>

namespace py = pybind11;

namespace {

py::array_t<double> arrayOf(const std::vector<double>& v)
{
    py::array_t<double> out(static_cast<py::ssize_t>(v.size()));
    std::copy(v.begin(), v.end(), out.mutable_data());
    return out;
}

// The statistics of an experiment as the batch tool's CSV columns, with the fit.
py::dict resultOf(const RoughnessStats& stats, const std::optional<std::pair<int64_t, int64_t>>& fitRange,
                  py::object series)
{
    const int64_t ticks = stats.ticks();
    py::array_t<int64_t> tick(ticks);
    std::vector<double> deposited(ticks), mean(ticks), stddev(ticks), stderr_(ticks), min(ticks), max(ticks), layers(ticks);
    for (int64_t i = 0; i < ticks; ++i) {
        tick.mutable_data()[i] = i + 1;
        deposited[i] = stats.deposited(i);
        mean[i] = stats.mean(i);
        stddev[i] = stats.stddev(i);
        stderr_[i] = stats.standardError(i);
        min[i] = stats.min(i);
        max[i] = stats.max(i);
        layers[i] = stats.layers(i);
    }
    const GrowthFit fit = GrowthFit::ofRuns(stats, fitRange);
    py::dict f;
    f["ok"] = fit.ok;
    f["beta"] = fit.ok ? py::object(py::float_(fit.beta)) : py::none();
    f["error"] = fit.ok ? py::object(py::float_(fit.error)) : py::none();
    f["error_method"] = fit.ok ? py::object(py::str(fit.errorMethod)) : py::none();
    f["first_tick"] = fit.ok ? py::object(py::int_(fit.firstTick)) : py::none();
    f["last_tick"] = fit.ok ? py::object(py::int_(fit.lastTick)) : py::none();
    f["message"] = fit.message;
    f["summary"] = fit.summary(stats.runs());

    py::dict r;
    r["tick"] = tick;
    r["deposited"] = arrayOf(deposited);
    r["mean"] = arrayOf(mean);
    r["stddev"] = arrayOf(stddev);
    r["stderr"] = arrayOf(stderr_);
    r["min"] = arrayOf(min);
    r["max"] = arrayOf(max);
    // The local slope of log W against log t; NaN where the CSV leaves it empty.
    const std::vector<std::optional<double>> betaEff = effectiveExponent(mean);
    std::vector<double> slope(betaEff.size());
    for (size_t i = 0; i < betaEff.size(); ++i)
        slope[i] = betaEff[i].value_or(std::numeric_limits<double>::quiet_NaN());
    r["beta_eff"] = arrayOf(slope);
    r["layers"] = arrayOf(layers);
    r["series"] = series;
    r["fit"] = f;
    r["runs"] = stats.runs();
    return r;
}

py::dict experiment(const py::dict& settings, bool keepSeries, const py::object& analyzeEvery)
{
    const Resolved r = resolve(settings);
    if (r.runs == 0)
        throw py::type_error("an experiment needs its number of runs");
    int32_t jobs = r.jobs;
    if (jobs == 0)
        jobs = OrderedRunPool::jobsByDefault(r.setup.threads);
    Experiment experiment(r.setup, r.seed, r.runs, r.steps);
    py::object series = py::none();
    if (keepSeries) {
        py::array_t<double> rows({py::ssize_t(r.runs), py::ssize_t(r.steps)});
        double* out = rows.mutable_data();
        const int64_t steps = r.steps;
        experiment.observeRuns([out, steps](int32_t k, const std::vector<double>& w, const std::vector<double>&,
                                            const std::vector<double>&) {
            std::copy(w.begin(), w.end(), out + static_cast<int64_t>(k) * steps);
        });
        series = rows;
    }
    // The surface analyses, averaged over the runs as the batch tool's --analysis files hold them.
    std::optional<AnalysisStats> surfaces;
    if (!analyzeEvery.is_none()) {
        const int64_t every = SettingChecks::integerInRange("analyze_every=", textOf(analyzeEvery), 0, INT32_MAX);
        surfaces.emplace(r.steps, every);
        experiment.analyseSurfaces(every, [&surfaces](const std::vector<SurfaceAnalysis>& a) { surfaces->addRun(a); });
    }
    // The progress calls come on this thread a few times a second: Ctrl+C is seen there.
    const RoughnessStats stats = interruptible([&](const StopRequest* stop, const std::function<void()>& poll) {
        return experiment.run(jobs, [&](int32_t, double) { poll(); }, stop);
    });
    py::dict result = resultOf(stats, r.fitRange, series);
    result["settings"] = settingsDict(GrowthSettings::of(r.setup), r.steps);
    if (surfaces)
        result["analysis"] = analysisTablesOf(*surfaces);
    return result;
}

// Runs first .. first + count - 1 of an experiment, each alone: their roughness and deposited
// series, count x steps each.
py::tuple runSlice(const py::dict& settings, int64_t first, int64_t count)
{
    const Resolved r = resolve(settings);
    if (first < 0 || count < 0 || first + count > int64_t{INT32_MAX} + 1)
        throw py::value_error("runs " + std::to_string(first) + " .. " + std::to_string(first + count - 1)
                              + " are not runs of an experiment");
    if (!r.seedGiven)
        SettingChecks::experimentSeed(false, SettingChecks::Spelling::Keyword);
    py::array_t<double> roughness({py::ssize_t(count), py::ssize_t(r.steps)});
    py::array_t<double> deposited({py::ssize_t(count), py::ssize_t(r.steps)});
    py::array_t<double> layers({py::ssize_t(count), py::ssize_t(r.steps)});
    double* w = roughness.mutable_data();
    double* d = deposited.mutable_data();
    double* l = layers.mutable_data();
    {
        py::gil_scoped_release release;
        for (int64_t i = 0; i < count; ++i) {
            const Experiment::RunSeries s =
                Experiment::runSeries(r.setup, r.seed, static_cast<uint32_t>(first + i), r.steps);
            std::copy(s.roughness.begin(), s.roughness.end(), w + i * r.steps);
            std::copy(s.deposited.begin(), s.deposited.end(), d + i * r.steps);
            std::copy(s.layers.begin(), s.layers.end(), l + i * r.steps);
        }
    }
    return py::make_tuple(roughness, deposited, layers);
}

// The settings an experiment of these settings grows with, as experiment() reports them.
py::dict resolvedSettings(const py::dict& settings)
{
    const Resolved r = resolve(settings);
    return settingsDict(GrowthSettings::of(r.setup), r.steps);
}

// Per-run series added in run order, for experiments whose runs were grown elsewhere.
class Stats {
public:
    explicit Stats(int64_t ticks) : stats_(ticks)
    {
        if (ticks < 0)
            throw py::value_error("ticks must be 0 or more");
    }

    void add(py::array_t<double, py::array::c_style | py::array::forcecast> roughness,
             py::array_t<double, py::array::c_style | py::array::forcecast> deposited,
             py::array_t<double, py::array::c_style | py::array::forcecast> layers)
    {
        const auto fits = [this, &roughness](const py::array& a) {
            return a.ndim() == 2 && a.shape(0) == roughness.shape(0) && a.shape(1) == stats_.ticks();
        };
        if (!fits(roughness) || !fits(deposited) || !fits(layers))
            throw py::value_error("each run needs " + std::to_string(stats_.ticks())
                                  + " roughness, deposited and layers values (runs x ticks arrays)");
        const int64_t ticks = stats_.ticks();
        const double* w = roughness.data();
        const double* d = deposited.data();
        const double* l = layers.data();
        py::gil_scoped_release release;
        std::vector<double> wRun(static_cast<size_t>(ticks)), dRun(static_cast<size_t>(ticks)), lRun(static_cast<size_t>(ticks));
        for (py::ssize_t k = 0; k < roughness.shape(0); ++k) {
            std::copy(w + k * ticks, w + (k + 1) * ticks, wRun.begin());
            std::copy(d + k * ticks, d + (k + 1) * ticks, dRun.begin());
            std::copy(l + k * ticks, l + (k + 1) * ticks, lRun.begin());
            stats_.addRun(wRun, dRun, lRun);
        }
    }

    int64_t runs() const { return stats_.runs(); }

    py::dict result(py::object fitRange, py::object series) const
    {
        std::optional<std::pair<int64_t, int64_t>> range;
        if (!fitRange.is_none()) {
            py::dict d;
            d["fit_range"] = fitRange;
            range = SettingChecks::fitRange(pairText(d, "fit_range", ":", "(first_tick, last_tick)"), SettingChecks::Spelling::Keyword);
            SettingChecks::fitRangeWithin(range->second, stats_.ticks(), SettingChecks::Spelling::Keyword);
        }
        return resultOf(stats_, range, series);
    }

private:
    RoughnessStats stats_;
};

} // namespace

void bindExperiment(py::module_& m)
{
    m.def("_experiment", &experiment, py::arg("settings"), py::arg("series"), py::arg("analyze_every") = py::none());
    m.def("_run_slice", &runSlice, py::arg("settings"), py::arg("first"), py::arg("count"));
    m.def("_resolved_settings", &resolvedSettings, py::arg("settings"));

    py::class_<Stats>(m, "_Stats")
        .def(py::init<int64_t>(), py::arg("ticks"))
        .def("add", &Stats::add, py::arg("roughness"), py::arg("deposited"), py::arg("layers"))
        .def_property_readonly("runs", &Stats::runs)
        .def("result", &Stats::result, py::arg("fit_range"), py::arg("series"));
}
