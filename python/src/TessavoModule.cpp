// The Python module's compiled part, tessavo._tessavo: a thin binding over the core. Settings
// arrive as a dict of Python values and are checked by the batch tool's own checks, so a value
// is refused with the batch tool's message; films, experiments, pictures and analyses are the
// core's. The Python package (tessavo/__init__.py) gives the public signatures and docs.
#include "Bindings.h"
#include "ModuleSettings.h"

#include "model/SettingsTable.h"
#include "run/SettingChecks.h"
#include "run/StopRequest.h"

#include <pybind11/stl.h>

#include <string>
#include <vector>

namespace py = pybind11;

PYBIND11_MODULE(_tessavo, m)
{
    m.doc() = "The compiled part of tessavo; use the tessavo package.";

    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p)
                std::rethrow_exception(p);
        } catch (const SettingError& e) {
            PyErr_SetString(PyExc_ValueError, e.what());
        } catch (const Interrupted& e) {
            PyErr_SetString(PyExc_KeyboardInterrupt, e.what());
        } catch (const FileError& e) {
            PyErr_SetString(PyExc_OSError, e.what());
        } catch (const AppError& e) {
            PyErr_SetString(PyExc_ValueError, e.what());
        }
    });

    m.attr("__version__") = TESSAVO_VERSION;
    m.attr("largest_lattice_side") = largestLatticeSide;
    m.attr("palette_names") = py::cast(std::vector<std::string>(paletteNames.begin(), paletteNames.end()));

    bindSimulation(m);
    bindExperiment(m);
    bindAnalysis(m);
}
