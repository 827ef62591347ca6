#include "ModuleSettings.h"
#include "CheckedPath.h"

#include "run/RunPlan.h"
#include "run/SettingChecks.h"

#include <algorithm>
#include <iterator>
#include <variant>

namespace py = pybind11;

namespace {

const char* const knownKeys[] = {"seed", "rng", "model", "update", "threads", "run_index", "steps", "size", "dep", "max", "relax", "iso",
                                 "aniso", "autoheight", "layer", "runs", "jobs", "fit_range"};

// None stands for a setting not given.
bool given(const py::dict& settings, const char* key)
{
    return settings.contains(key) && !settings[key].is_none();
}

} // namespace

std::string textOf(py::handle value)
{
    return py::str(value).cast<std::string>();
}

std::string pathOf(py::handle path)
{
    return checkedPath(py::module_::import("os").attr("fsencode")(path).cast<std::string>());
}

py::dict settingsDict(const GrowthSettings& settings, int64_t steps, py::dict into)
{
    for (const auto& [name, value] : settingsBlock(settings, steps))
        std::visit([&into, &name = name](const auto& v) { into[py::str(name)] = py::cast(v); }, value);
    return into;
}

std::string pairText(const py::dict& settings, const char* key, const char* sep, const char* shape)
{
    const py::object value = settings[key];
    if (py::isinstance<py::str>(value) || !py::isinstance<py::sequence>(value) || py::len(value) != 2)
        throw py::type_error(std::string(key) + " must be a pair " + shape + ", not " + textOf(py::repr(value)));
    const py::sequence pair = value.cast<py::sequence>();
    return textOf(pair[0]) + sep + textOf(pair[1]);
}

Resolved resolve(const py::dict& s)
{
    for (auto item : s) {
        const std::string key = textOf(item.first);
        if (std::none_of(std::begin(knownKeys), std::end(knownKeys), [&](const char* k) { return key == k; }))
            throw py::type_error("unexpected setting '" + key + "'");
    }
    // The keywords become the request the batch tool's options make, checked by the same
    // checks and resolved by the same resolver; the messages name the keywords.
    using SettingChecks::Spelling;
    const Spelling how = Spelling::Keyword;
    RunRequest q;
    q.spelling = how;
    if (given(s, "seed"))
        q.seed = SettingChecks::seed(textOf(s["seed"]), how);
    if (given(s, "rng"))
        q.generator = generatorName(SettingChecks::generator(textOf(s["rng"]), how));
    if (given(s, "model"))
        q.model = growthModelName(SettingChecks::model(textOf(s["model"]), how));
    if (given(s, "update"))
        q.update = updateSchemeName(SettingChecks::update(textOf(s["update"]), how));
    if (given(s, "threads"))
        q.threadsPerRun = SettingChecks::threadsPerRun(textOf(s["threads"]), how);
    if (given(s, "run_index"))
        q.runIndex = SettingChecks::runIndex(textOf(s["run_index"]), how);
    if (given(s, "steps"))
        q.steps = SettingChecks::steps(textOf(s["steps"]), how);
    if (given(s, "size")) {
        const auto [cols, rows] = SettingChecks::size(pairText(s, "size", "x", "(cols, rows)"), how);
        q.columns = cols;
        q.rows = rows;
    }
    if (given(s, "dep"))
        q.ratePosition = SettingChecks::ratePosition(textOf(s["dep"]), how);
    if (given(s, "max")) {
        q.maxText = textOf(s["max"]);
        SettingChecks::maxLayers(*q.maxText, how);
    }
    if (given(s, "relax")) {
        q.relaxText = textOf(s["relax"]);
        SettingChecks::relaxations(*q.relaxText, how);
    }
    if (given(s, "iso")) {
        q.zmode = 0;
        q.z = SettingChecks::isotropic(textOf(s["iso"]), how);
    }
    if (given(s, "aniso")) {
        const auto [zx, zy] = SettingChecks::anisotropic(pairText(s, "aniso", ",", "(zx, zy)"), how);
        q.zmode = 1;
        q.zx = zx;
        q.zy = zy;
    }
    if (given(s, "autoheight"))
        q.autoHeight = py::bool_(s["autoheight"]);
    if (given(s, "runs"))
        q.runs = SettingChecks::runs(textOf(s["runs"]), how);
    if (given(s, "jobs"))
        q.jobs = SettingChecks::jobs(textOf(s["jobs"]), how);
    if (given(s, "fit_range")) {
        const auto [from, to] = SettingChecks::fitRange(pairText(s, "fit_range", ":", "(first_tick, last_tick)"), how);
        q.fitFrom = from;
        q.fitTo = to;
    }
    SettingChecks::oneRule(given(s, "iso"), given(s, "aniso"), how);
    if (given(s, "layer"))
        q.layerFile = pathOf(s["layer"]);

    RunPlan plan;
    {
        py::gil_scoped_release release; // a large layer file takes a while
        plan = RunPlan::resolve(q);
    }
    Resolved r;
    r.setup = plan.run;
    r.setup.scenario.name = "python";
    r.seed = plan.seed;
    r.seedGiven = q.seed.has_value();
    r.runIndex = plan.runIndex;
    r.steps = plan.steps;
    r.runs = q.runs;
    r.jobs = q.jobs;
    if (q.fitFrom)
        r.fitRange = std::pair{*q.fitFrom, *q.fitTo};
    return r;
}
