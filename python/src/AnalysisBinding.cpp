// tessavo._tessavo._analyse and the single curves: the surface analysis (analysis/) of a heights
// array, without a copy and without the GIL.
#include "Bindings.h"

#include "analysis/SurfaceAnalysis.h"

#include <pybind11/numpy.h>

#include <algorithm>
#include <optional>
#include <vector>

namespace py = pybind11;

namespace {

// A heights array (rows x columns, int32, C order) as a view for the analysis.
HeightView viewOf(const py::array_t<int32_t, py::array::c_style>& h)
{
    if (h.ndim() != 2)
        throw py::value_error("heights must be a 2-dimensional array (rows, cols)");
    if (h.shape(0) > INT32_MAX || h.shape(1) > INT32_MAX)
        throw py::value_error("heights has more rows or columns than the analysis takes");
    return {h.data(), static_cast<int32_t>(h.shape(0)), static_cast<int32_t>(h.shape(1))};
}

template <class T>
py::array_t<T> arrayOfAny(const std::vector<T>& v)
{
    py::array_t<T> out(static_cast<py::ssize_t>(v.size()));
    std::copy(v.begin(), v.end(), out.mutable_data());
    return out;
}

py::object optionalOf(const std::optional<double>& v)
{
    return v ? py::object(py::float_(*v)) : py::none();
}

py::dict structureFactorDict(const StructureFactorCurve& c)
{
    py::dict d;
    d["k"] = arrayOfAny(c.k);
    d["s"] = arrayOfAny(c.s);
    d["modes"] = arrayOfAny(c.modes);
    return d;
}

py::dict correlationDict(const CorrelationCurves& c)
{
    py::dict d;
    d["r"] = arrayOfAny(c.r);
    d["c"] = arrayOfAny(c.c);
    d["g"] = arrayOfAny(c.g);
    d["length"] = optionalOf(c.length);
    return d;
}

py::dict localWidthDict(const LocalWidthCurve& c)
{
    py::dict d;
    d["l"] = arrayOfAny(c.l);
    d["w"] = arrayOfAny(c.w);
    return d;
}

py::dict momentsDict(const HeightMoments& m)
{
    py::dict d;
    d["skewness"] = optionalOf(m.skewness);
    d["excess_kurtosis"] = optionalOf(m.excessKurtosis);
    return d;
}

py::dict slopesDict(const std::vector<SlopeBin>& bins)
{
    std::vector<int64_t> difference, count;
    std::vector<double> fraction;
    for (const SlopeBin& b : bins) {
        difference.push_back(b.difference);
        count.push_back(b.count);
        fraction.push_back(b.fraction);
    }
    py::dict d;
    d["difference"] = arrayOfAny(difference);
    d["count"] = arrayOfAny(count);
    d["fraction"] = arrayOfAny(fraction);
    return d;
}

// Runs an analysis of the heights without the GIL.
template <class F>
auto analysed(const py::array_t<int32_t, py::array::c_style>& h, F&& f)
{
    const HeightView view = viewOf(h);
    py::gil_scoped_release release;
    return f(view);
}

} // namespace

void bindAnalysis(py::module_& m)
{
    using Heights = py::array_t<int32_t, py::array::c_style>;
    m.def("_analyse", [](const Heights& h, int threads) {
        const SurfaceAnalysis a = analysed(h, [threads](HeightView v) { return analyseSurface(v, threads); });
        py::dict d;
        d["rows"] = a.rows;
        d["cols"] = a.cols;
        d["mean"] = a.mean;
        d["width2"] = a.width2;
        d["width"] = a.width;
        d["structure_factor"] = structureFactorDict(a.structureFactor);
        d["correlation"] = correlationDict(a.correlation);
        d["local_width"] = localWidthDict(a.localWidth);
        d["moments"] = momentsDict(a.moments);
        d["slopes"] = slopesDict(a.slopes);
        return d;
    }, py::arg("heights"), py::arg("threads"));
    m.def("_structure_factor", [](const Heights& h) {
        return structureFactorDict(analysed(h, [](HeightView v) { return structureFactor(v); }));
    });
    m.def("_structure_factor_map", [](const Heights& h) {
        const HeightView view = viewOf(h);
        const std::vector<double> map = analysed(h, [](HeightView v) { return structureFactorMap(v); });
        py::array_t<double> out({py::ssize_t(view.rows), py::ssize_t(view.cols)});
        std::copy(map.begin(), map.end(), out.mutable_data());
        return out;
    });
    m.def("_correlation", [](const Heights& h) {
        return correlationDict(analysed(h, [](HeightView v) { return correlation(v); }));
    });
    m.def("_local_width", [](const Heights& h) {
        return localWidthDict(analysed(h, [](HeightView v) { return localWidth(v); }));
    });
    m.def("_moments", [](const Heights& h) {
        return momentsDict(analysed(h, [](HeightView v) { return heightMoments(v); }));
    });
    m.def("_slopes", [](const Heights& h) {
        return slopesDict(analysed(h, [](HeightView v) { return slopeHistogram(v); }));
    });
}
