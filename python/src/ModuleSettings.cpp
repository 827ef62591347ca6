#include "ModuleSettings.h"

#include "files/Settings.h"
#include "model/Convert.h"
#include "model/Random.h"
#include "model/SettingsTable.h"
#include "run/SettingChecks.h"
#include "run/StartLattice.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace py = pybind11;

namespace {

const char* const knownKeys[] = {"seed", "rng", "run_index", "steps", "size", "dep", "max", "relax", "iso",
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
    return py::module_::import("os").attr("fsencode")(path).cast<std::string>();
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
    Resolved r;
    Scenario& sc = r.setup.scenario;
    sc = windowDefaults();
    sc.name = "python";
    std::string maxText = settingKey(Setting::Max).startText;
    std::string relaxText = settingKey(Setting::Relaxations).startText;

    if (given(s, "seed")) {
        r.seed = SettingChecks::seed(textOf(s["seed"]));
        r.seedGiven = true;
    }
    if (given(s, "rng"))
        r.setup.generator = SettingChecks::generator(textOf(s["rng"]));
    if (given(s, "run_index"))
        r.runIndex = static_cast<uint32_t>(SettingChecks::integerInRange("--run-index", textOf(s["run_index"]), 0, INT32_MAX));
    if (given(s, "steps"))
        r.steps = SettingChecks::steps(textOf(s["steps"]));
    if (given(s, "size")) {
        const auto [cols, rows] = SettingChecks::size(pairText(s, "size", "x", "(cols, rows)"));
        sc.sizeX = cols;
        sc.sizeY = rows;
    }
    if (given(s, "dep"))
        sc.ratePosition = SettingChecks::ratePosition(textOf(s["dep"]));
    if (given(s, "max")) {
        maxText = textOf(s["max"]);
        SettingChecks::maxLayers(maxText);
    }
    if (given(s, "relax")) {
        relaxText = textOf(s["relax"]);
        SettingChecks::relaxations(relaxText);
    }
    if (given(s, "iso")) {
        sc.zmode = 0;
        sc.z = SettingChecks::isotropic(textOf(s["iso"]));
    }
    if (given(s, "aniso")) {
        const auto [zx, zy] = SettingChecks::anisotropic(pairText(s, "aniso", ",", "(zx, zy)"));
        sc.zmode = 1;
        sc.zx = zx;
        sc.zy = zy;
    }
    if (given(s, "autoheight"))
        r.setup.autoHeight = py::bool_(s["autoheight"]);
    if (given(s, "runs"))
        r.runs = SettingChecks::runs(textOf(s["runs"]));
    if (given(s, "jobs"))
        r.jobs = SettingChecks::jobs(textOf(s["jobs"]));
    if (given(s, "fit_range"))
        r.fitRange = SettingChecks::fitRange(pairText(s, "fit_range", ":", "(first_tick, last_tick)"));

    SettingChecks::oneRule(given(s, "iso"), given(s, "aniso"));
    SettingChecks::sizeOrLayer(given(s, "size"), given(s, "layer"));
    if (r.runs > 0)
        SettingChecks::experimentSeed(r.seedGiven);
    if (r.fitRange)
        SettingChecks::fitRangeWithin(r.fitRange->second, r.steps);

    sc.maxLayers = maxLayersOfText(maxText);
    sc.relaxations = strToInt(relaxText);
    if (given(s, "layer")) {
        const std::string path = pathOf(s["layer"]);
        py::gil_scoped_release release;
        try {
            readStartLattice(path, r.setup);
        } catch (const AppError& e) {
            if (std::strncmp(e.what(), "cannot read ", 12) == 0)
                throw FileError(e.what());
            throw;
        }
    }
    if (!r.seedGiven)
        r.seed = clockSeed();
    sc.seed = r.seed;
    return r;
}
