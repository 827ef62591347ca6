// The Python module's compiled part, tessavo._tessavo: a thin binding over the core. Settings
// arrive as a dict of Python values and are checked by the batch tool's own checks, so a value
// is refused with the batch tool's message; films, experiments, pictures and analyses are the
// core's. The Python package (tessavo/__init__.py) gives the public signatures and docs.
#include "Bindings.h"
#include "ModuleSettings.h"

#include "model/SettingsTable.h"
#include "run/SettingChecks.h"
#include "run/StopRequest.h"
#include "ProgramVersion.h"

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
            // By kind, as Python's own file functions raise.
            PyObject* type = PyExc_OSError;
            switch (e.kind()) {
            case FileError::Kind::Missing:
                type = PyExc_FileNotFoundError;
                break;
            case FileError::Kind::Denied:
                type = PyExc_PermissionError;
                break;
            case FileError::Kind::NotAFile:
            case FileError::Kind::Other:
                break;
            }
            PyErr_SetString(type, e.what());
        } catch (const AppError& e) {
            PyErr_SetString(PyExc_ValueError, e.what());
        }
    });

    m.attr("version") = programVersion;
    m.attr("largest_lattice_side") = largestLatticeSide;
    m.attr("palette_names") = py::cast(std::vector<std::string>(paletteNames.begin(), paletteNames.end()));
    // The defaults of the keywords, from the one table the batch tool and the window read.
    py::dict defaults;
    defaults["steps"] = defaultSteps;
    defaults["palette"] = paletteNames[startPalette];
    defaults["zoom"] = settingKey(Setting::Zoom).start;
    defaults["origin"] = py::make_tuple(settingKey(Setting::Xabs).start, settingKey(Setting::Yabs).start);
    m.attr("defaults") = defaults;

    bindSimulation(m);
    bindExperiment(m);
    bindAnalysis(m);
    bindSeries(m);
    bindScaling(m);
}
