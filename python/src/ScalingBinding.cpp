// tessavo._tessavo._finite_size_scaling: the batch tool's --sizes (run/ScalingStudy), one
// experiment on each L x L lattice with the same seeds, the saturated width and crossover tick
// of each size and the exponents alpha and z: the numbers the tool prints, writes (--fss) and
// gives in its --json summary, from the same core functions.
#include "Bindings.h"
#include "Interruptible.h"
#include "ModuleSettings.h"
#include "ResultColumns.h"

#include "model/SettingsTable.h"
#include "run/OrderedRunPool.h"
#include "run/ResultTables.h"
#include "run/ScalingStudy.h"
#include "run/SettingChecks.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <pybind11/stl.h>

#include <string>
#include <vector>

namespace py = pybind11;

namespace {

// At least three different sides, each as size= takes it.
std::vector<int32_t> sidesOf(const py::sequence& given)
{
    std::vector<std::string> sides;
    std::string list;
    for (const py::handle side : given) {
        sides.push_back(textOf(side));
        list += (list.empty() ? "" : ",") + sides.back();
    }
    return SettingChecks::sizes(sides, list, SettingChecks::Spelling::Keyword);
}

// The batch tool's --json summary of the scaling, as Python values (json.loads of the same text).
py::object fromJson(const QJsonObject& object)
{
    const QByteArray text = QJsonDocument(object).toJson(QJsonDocument::Compact);
    return py::module_::import("json").attr("loads")(py::str(text.constData(), static_cast<size_t>(text.size())));
}

py::dict scalingOf(const py::dict& settings, const py::sequence& sizes, bool showUnsaturated)
{
    const std::vector<int32_t> sides = sidesOf(sizes);
    const Resolved r = resolve(settings);
    if (r.runs == 0)
        throw py::type_error("finite-size scaling needs its number of runs");
    if (r.steps < 1)
        throw SettingError("sizes= needs at least one tick (steps=)");
    int32_t jobs = r.jobs;
    if (jobs == 0)
        jobs = OrderedRunPool::jobsByDefault(r.setup.threads);
    ScalingStudy study(r.setup, r.seed, r.runs, r.steps, sides, jobs, "");
    for (const std::string& warning : study.warnings())
        if (PyErr_WarnEx(PyExc_RuntimeWarning, warning.c_str(), 1) < 0)
            throw py::error_already_set();
    const FiniteSizeScaling scaling = interruptible([&](const StopRequest* stop, const std::function<void()>& poll) {
        return study.run([&](int64_t, double) { poll(); }, stop);
    });

    std::string table = ResultTables::scalingHeader;
    for (const Saturation& size : scaling.sizes)
        table += ResultTables::scalingLine(size);
    py::dict result = fromJson(ScalingStudy::json(scaling, showUnsaturated));
    result["table"] = columnsOf(table);
    result["summary"] = ScalingStudy::summary(scaling, showUnsaturated);
    result["seed"] = r.seed;
    result["runs"] = r.runs;
    result["steps"] = r.steps;
    return result;
}

} // namespace

void bindScaling(py::module_& m)
{
    m.def("_finite_size_scaling", &scalingOf, py::arg("settings"), py::arg("sizes"), py::arg("unsaturated"));
}
