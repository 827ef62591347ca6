// tessavo._tessavo._read_series: a series file of tessavo-batch (--series, merge --series) as
// NumPy arrays and its attributes, read and checked by the core's reader, so that Python sees
// exactly the runs merge would add.
#include "Bindings.h"
#include "ModuleSettings.h"

#include "model/AppError.h"
#include "run/GrowthSettings.h"
#include "run/SeriesFile.h"

#include <pybind11/numpy.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace py = pybind11;

namespace {

std::unique_ptr<SeriesReader> openSeries(const std::string& path)
{
    try {
        return std::make_unique<SeriesReader>(path);
    } catch (const FileError&) {
        throw;
    } catch (const AppError& e) {
        // Not HDF5, not a series file, cut short: a problem of the file, as for the batch tool.
        PyErr_SetString(PyExc_OSError, e.what());
        throw py::error_already_set();
    }
}

py::dict attributesOf(const SeriesHeader& h)
{
    py::dict a;
    a["program_version"] = h.programVersion;
    a["seed_scheme"] = h.seedScheme();
    a["seed"] = h.seed;
    a["runs"] = h.runs;
    // The growth settings, the rate and the steps, named and typed as experiment()'s settings.
    settingsDict(h.settings, h.ticks, a);
    a["config"] = h.configFile;
    a["layer"] = h.layerFile;
    a["jobs"] = h.jobs;
    a["seconds"] = h.seconds;
    return a;
}

py::dict readSeries(const py::object& path)
{
    const std::unique_ptr<SeriesReader> reader = openSeries(pathOf(path));
    const SeriesHeader& h = reader->header();
    const auto rows = static_cast<py::ssize_t>(reader->runs().size());
    const auto steps = static_cast<py::ssize_t>(h.ticks);

    py::array_t<double> roughness({rows, steps});
    py::array_t<double> deposited({rows, steps});
    py::array_t<double> layers({rows, steps});
    double* w = roughness.mutable_data();
    double* d = deposited.mutable_data();
    double* l = layers.mutable_data();
    bool withLayers = false;
    {
        py::gil_scoped_release release;
        std::vector<double> rowW, rowD, rowL;
        for (py::ssize_t row = 0; row < rows; ++row) {
            reader->readRow(static_cast<size_t>(row), rowW, rowD, &rowL);
            std::copy(rowW.begin(), rowW.end(), w + row * steps);
            std::copy(rowD.begin(), rowD.end(), d + row * steps);
            // A run without layers (a file written before they were kept, or merged from one): NaN.
            if (rowL.empty())
                std::fill(l + row * steps, l + (row + 1) * steps, std::numeric_limits<double>::quiet_NaN());
            else
                std::copy(rowL.begin(), rowL.end(), l + row * steps);
            withLayers = withLayers || !rowL.empty();
        }
    }
    py::array_t<int64_t> tick(steps);
    for (py::ssize_t i = 0; i < steps; ++i)
        tick.mutable_data()[i] = i + 1;
    py::array_t<int32_t> run(rows);
    std::copy(reader->runs().begin(), reader->runs().end(), run.mutable_data());

    py::object start = py::none();
    if (h.startHeights) {
        py::array_t<int32_t> heights({py::ssize_t(h.settings.rows), py::ssize_t(h.settings.columns)});
        std::copy(h.startHeights->begin(), h.startHeights->end(), heights.mutable_data());
        start = heights;
    }

    py::dict r;
    r["roughness"] = roughness;
    r["deposited"] = deposited;
    r["layers"] = withLayers ? py::object(layers) : py::none();
    r["tick"] = tick;
    r["run"] = run;
    r["start_heights"] = start;
    r["attrs"] = attributesOf(h);
    return r;
}

} // namespace

void bindSeries(py::module_& m)
{
    m.def("_read_series", &readSeries, py::arg("path"), "The arrays and attributes of a series file.");
}
