// tessavo._tessavo._finite_size_scaling: the batch tool's --sizes (run/ScalingStudy), one
// experiment on each L x L lattice with the same seeds, the saturated width and crossover tick
// of each size and the exponents alpha and z: the numbers the tool prints and writes.
#include "Bindings.h"
#include "Interruptible.h"
#include "ModuleSettings.h"
#include "ResultColumns.h"

#include "model/SettingsTable.h"
#include "run/ResultTables.h"
#include "run/ScalingStudy.h"
#include "run/SettingChecks.h"

#include <pybind11/stl.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

namespace py = pybind11;

namespace {

// At least three different sides, each as --size takes it; refused in the words the batch tool
// uses for --sizes L1,L2,...
std::vector<int32_t> sidesOf(const py::sequence& given)
{
    std::vector<int32_t> sides;
    std::set<int32_t> seen;
    std::string list;
    for (const py::handle side : given) {
        const std::string text = textOf(side);
        list += (list.empty() ? "" : ",") + text;
        const int32_t n = SettingChecks::integerInRange("sizes=", text, settingKey(Setting::GridX).low, largestLatticeSide);
        if (!seen.insert(n).second)
            throw SettingError("sizes=: " + std::to_string(n) + " is given twice");
        sides.push_back(n);
    }
    if (sides.size() < 3)
        throw SettingError("sizes= needs at least 3 lattice sides to fit alpha and z, not '" + list + "'");
    return sides;
}

py::object fitOf(bool ok, const LineFit& fit)
{
    if (!ok || !fit.ok)
        return py::none();
    py::dict d;
    d["value"] = fit.slope;
    d["error"] = fit.slopeError;
    return d;
}

py::dict scalingOf(const py::dict& settings, const py::sequence& sizes)
{
    const std::vector<int32_t> sides = sidesOf(sizes);
    const Resolved r = resolve(settings);
    if (r.runs == 0)
        throw py::type_error("finite-size scaling needs its number of runs");
    if (r.steps < 1)
        throw SettingError("sizes= needs at least one tick (steps=)");
    int32_t jobs = r.jobs;
    if (jobs == 0) {
        const unsigned cores = std::thread::hardware_concurrency();
        jobs = cores == 0 ? 1 : static_cast<int32_t>(cores);
    }
    ScalingStudy study(r.setup, r.seed, r.runs, r.steps, sides, jobs, "");
    if (!study.warning().empty() && PyErr_WarnEx(PyExc_RuntimeWarning, study.warning().c_str(), 1) < 0)
        throw py::error_already_set();
    const FiniteSizeScaling scaling = interruptible([&](const StopRequest* stop, const std::function<void()>& poll) {
        return study.run([&](int64_t, double) { poll(); }, stop);
    });

    std::string table = ResultTables::scalingHeader;
    for (const Saturation& size : scaling.sizes)
        table += ResultTables::scalingLine(size);
    py::dict result;
    result["sizes"] = columnsOf(table);
    result["ok"] = scaling.ok;
    result["message"] = scaling.ok ? py::object(py::none()) : py::str(scaling.message);
    result["alpha"] = fitOf(scaling.ok, scaling.alpha);
    result["z"] = fitOf(scaling.ok, scaling.z);
    result["width2_slope"] = fitOf(scaling.ok, scaling.width2);
    result["summary"] = ScalingStudy::summary(scaling);
    result["seed"] = r.seed;
    result["runs"] = r.runs;
    result["steps"] = r.steps;
    return result;
}

} // namespace

void bindScaling(py::module_& m)
{
    m.def("_finite_size_scaling", &scalingOf, py::arg("settings"), py::arg("sizes"));
}
