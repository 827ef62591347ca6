// The Python module's compiled part, tessavo._tessavo: a thin binding over the core. Settings
// arrive as a dict of Python values and are checked by the batch tool's own checks, so a value
// is refused with the batch tool's message; films, experiments, pictures and analyses are the
// core's. The Python package (tessavo/__init__.py) gives the public signatures and docs.
#include "analysis/SurfaceAnalysis.h"
#include "chart/ChartPicture.h"
#include "files/LayerFile.h"
#include "files/OutputFile.h"
#include "files/Settings.h"
#include "model/Convert.h"
#include "model/Random.h"
#include "run/Experiment.h"
#include "run/FilmRun.h"
#include "run/GrowthFit.h"
#include "run/SettingChecks.h"
#include "run/StartLattice.h"
#include "view/SurfacePicture.h"

#include <QGuiApplication>

#include <pybind11/functional.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <thread>

namespace py = pybind11;

namespace {

// A file that cannot be read or written: OSError in Python.
class FileError : public AppError {
public:
    explicit FileError(const std::string& message) : AppError(message) {}
};

// A value as the batch tool would see it on its command line.
std::string textOf(py::handle value)
{
    return py::str(value).cast<std::string>();
}

// A path (str, bytes or os.PathLike) in the file system's encoding.
std::string pathOf(py::handle path)
{
    return py::module_::import("os").attr("fsencode")(path).cast<std::string>();
}

bool given(const py::dict& settings, const char* key)
{
    return settings.contains(key) && !settings[key].is_none();
}

// Two integers given as a pair, as the option's text "A<sep>B".
std::string pairText(const py::dict& settings, const char* key, const char* sep, const char* shape)
{
    const py::object value = settings[key];
    if (py::isinstance<py::str>(value) || !py::isinstance<py::sequence>(value) || py::len(value) != 2)
        throw py::type_error(std::string(key) + " must be a pair " + shape + ", not " + textOf(py::repr(value)));
    const py::sequence pair = value.cast<py::sequence>();
    return textOf(pair[0]) + sep + textOf(pair[1]);
}

// Everything a film or an experiment is given, checked in the order of the batch tool's options.
struct Resolved {
    FilmSetup setup;
    uint32_t seed = 0;
    bool seedGiven = false;
    uint32_t runIndex = 0;
    int64_t steps = 1000;
    int32_t runs = 0;
    int32_t jobs = 0;
    std::optional<std::pair<int64_t, int64_t>> fitRange;
};

const char* const knownKeys[] = {"seed", "rng", "run_index", "steps", "size", "dep", "max", "relax", "iso",
                                 "aniso", "autoheight", "layer", "runs", "jobs", "fit_range"};

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

// A picture as rows x columns x (red, green, blue).
py::array_t<uint8_t> rgbArray(const QImage& image)
{
    const py::ssize_t h = image.height(), w = image.width();
    py::array_t<uint8_t> out({h, w, py::ssize_t(3)});
    uint8_t* p = out.mutable_data();
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            *p++ = static_cast<uint8_t>(qRed(line[x]));
            *p++ = static_cast<uint8_t>(qGreen(line[x]));
            *p++ = static_cast<uint8_t>(qBlue(line[x]));
        }
    }
    return out;
}

// The chart's text is drawn with the fonts of a Qt GUI application; without one in the process
// an offscreen one is made, as the batch tool makes one, and closed when Python exits.
void ensureGuiApplication()
{
    if (QCoreApplication* app = QCoreApplication::instance()) {
        if (!qobject_cast<QGuiApplication*>(app))
            throw std::runtime_error("the chart's text needs a Qt GUI application, and this process runs a "
                                     "Qt core application");
        return;
    }
    // Only the toolkit's errors reach stderr, not its chatter about the offscreen platform.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "tessavo: %s\n", message.toLocal8Bit().constData());
    });
    static char name[] = "tessavo", platformOption[] = "-platform", platform[] = "offscreen";
    static char* argv[] = {name, platformOption, platform, nullptr};
    static int argc = 3;
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    py::module_::import("atexit").attr("register")(py::cpp_function([] {
        delete app;
        app = nullptr;
    }));
}

// One film, stepped from Python. Methods refuse to run while another thread steps it.
class Simulation {
public:
    explicit Simulation(const py::dict& settings)
    {
        const Resolved r = resolve(settings);
        setup_ = r.setup;
        seed_ = r.seed;
        runIndex_ = r.runIndex;
        py::gil_scoped_release release;
        run_ = std::make_unique<FilmRun>(setup_, seed_, runIndex_);
    }

    void step(int64_t n)
    {
        if (n < 0)
            throw py::value_error("n must be 0 or more, not " + std::to_string(n));
        const Busy busy(*this);
        py::gil_scoped_release release;
        // Ctrl+C is looked for between ticks, so an interrupted film stays a whole number of ticks.
        auto lastCheck = std::chrono::steady_clock::now();
        for (int64_t i = 0; i < n; ++i) {
            run_->advance();
            history_.push_back(run_->roughness());
            const auto now = std::chrono::steady_clock::now();
            if (now - lastCheck >= std::chrono::milliseconds(100)) {
                lastCheck = now;
                py::gil_scoped_acquire gil;
                if (PyErr_CheckSignals() != 0)
                    throw py::error_already_set();
            }
        }
    }

    static py::array heights(py::object self)
    {
        Simulation& s = self.cast<Simulation&>();
        const Busy busy(s);
        Tablica& lattice = *s.run_->simulation().lattice;
        const py::ssize_t rows = lattice.height, cols = lattice.width;
        // A view of the lattice itself; the array holds the simulation, so the view outlives it safely.
        py::array_t<int32_t> view({rows, cols}, {cols * py::ssize_t(sizeof(int32_t)), py::ssize_t(sizeof(int32_t))},
                                  lattice.data(), self);
        py::detail::array_proxy(view.ptr())->flags &= ~py::detail::npy_api::NPY_ARRAY_WRITEABLE_;
        return view;
    }

    double roughness() const
    {
        const Busy busy(*this);
        return run_->roughness();
    }
    double deposited() const
    {
        const Busy busy(*this);
        return run_->simulation().deposited;
    }
    int32_t heightOffset() const
    {
        const Busy busy(*this);
        return run_->simulation().heightOffset;
    }
    int64_t tick() const
    {
        const Busy busy(*this);
        return run_->ticksDone();
    }
    uint32_t seed() const { return seed_; }
    uint32_t runIndex() const { return runIndex_; }
    py::tuple size() const { return py::make_tuple(setup_.scenario.sizeX, setup_.scenario.sizeY); }
    std::string rng() const { return generatorName(setup_.generator); }
    bool autoHeight() const { return setup_.autoHeight; }

    py::array_t<uint8_t> picture(py::object palette, py::object zoom, py::object origin)
    {
        const int32_t p = SettingChecks::palette(textOf(palette));
        const int32_t c = SettingChecks::zoom(textOf(zoom));
        py::dict d;
        d["origin"] = origin;
        const auto [ox, oy] = SettingChecks::integerPair("--origin", pairText(d, "origin", ",", "(x, y)"), ',',
                                                         "X,Y, e.g. 210,190");
        const Busy busy(*this);
        QImage image;
        {
            py::gil_scoped_release release;
            run_->simulation().palette = p; // the colours only; growth never reads it
            image = surfacePicture(run_->simulation(), ox, oy, c);
        }
        return rgbArray(image);
    }

    py::array_t<uint8_t> chart(py::object style)
    {
        const int32_t st = SettingChecks::chartStyle(textOf(style));
        ensureGuiApplication();
        const Busy busy(*this);
        Chart& chart = charts_[st];
        if (!chart.picture)
            chart.picture = std::make_unique<ChartPicture>(st);
        // The chart is drawn a tick at a time: it catches up with the ticks since it was last shown.
        {
            py::gil_scoped_release release;
            for (; chart.drawn < history_.size(); ++chart.drawn)
                chart.picture->add(history_[chart.drawn]);
        }
        return rgbArray(chart.picture->image());
    }

    void saveLayer(py::object path)
    {
        const std::string name = pathOf(path);
        const Busy busy(*this);
        py::gil_scoped_release release;
        try {
            OutputFile file(name);
            file.write(LayerFile::fileText(run_->simulation()));
            file.commit();
        } catch (const AppError& e) {
            throw FileError(e.what());
        }
    }

private:
    class Busy {
    public:
        explicit Busy(const Simulation& s) : flag_(s.busy_)
        {
            if (flag_.exchange(true))
                throw std::runtime_error("the simulation is in use by another thread");
        }
        ~Busy() { flag_.store(false); }

    private:
        std::atomic<bool>& flag_;
    };

    struct Chart {
        std::unique_ptr<ChartPicture> picture;
        size_t drawn = 0; // ticks of the history drawn so far
    };

    FilmSetup setup_;
    uint32_t seed_ = 0;
    uint32_t runIndex_ = 0;
    std::unique_ptr<FilmRun> run_;
    std::vector<double> history_; // the roughness after every tick, for the charts
    std::map<int32_t, Chart> charts_;
    mutable std::atomic<bool> busy_{false};
};

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
    std::vector<double> deposited(ticks), mean(ticks), stddev(ticks), stderr_(ticks), min(ticks), max(ticks);
    for (int64_t i = 0; i < ticks; ++i) {
        tick.mutable_data()[i] = i + 1;
        deposited[i] = stats.deposited(i);
        mean[i] = stats.mean(i);
        stddev[i] = stats.stddev(i);
        stderr_[i] = stats.standardError(i);
        min[i] = stats.min(i);
        max[i] = stats.max(i);
    }
    const GrowthFit fit = fitRange ? GrowthFit::over(mean, fitRange->first, fitRange->second)
                                   : GrowthFit::fit(mean, deposited);
    py::dict f;
    f["ok"] = fit.ok;
    f["beta"] = fit.ok ? py::object(py::float_(fit.beta)) : py::none();
    f["error"] = fit.ok ? py::object(py::float_(fit.error)) : py::none();
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
    r["series"] = series;
    r["fit"] = f;
    r["runs"] = stats.runs();
    return r;
}

py::dict experiment(const py::dict& settings, bool keepSeries)
{
    const Resolved r = resolve(settings);
    int32_t jobs = r.jobs;
    if (jobs == 0) {
        const unsigned cores = std::thread::hardware_concurrency();
        jobs = cores == 0 ? 1 : static_cast<int32_t>(cores);
    }
    Experiment experiment(r.setup, r.seed, r.runs, r.steps);
    py::object series = py::none();
    if (keepSeries) {
        py::array_t<double> rows({py::ssize_t(r.runs), py::ssize_t(r.steps)});
        double* out = rows.mutable_data();
        const int64_t steps = r.steps;
        experiment.observeRuns([out, steps](int32_t k, const std::vector<double>& w) {
            std::copy(w.begin(), w.end(), out + static_cast<int64_t>(k) * steps);
        });
        series = rows;
    }
    StopRequest stop{false};
    bool signalled = false;
    std::optional<RoughnessStats> stats;
    {
        py::gil_scoped_release release;
        try {
            // The progress calls come on this thread a few times a second: Ctrl+C is seen there.
            stats = experiment.run(
                jobs,
                [&](int32_t, double) {
                    py::gil_scoped_acquire gil;
                    if (!signalled && PyErr_CheckSignals() != 0) {
                        signalled = true;
                        stop.store(true);
                    }
                },
                &stop);
        } catch (const Interrupted&) {
            if (!signalled)
                throw;
        }
    }
    if (signalled)
        throw py::error_already_set();
    return resultOf(*stats, r.fitRange, series);
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
        SettingChecks::experimentSeed(false);
    py::array_t<double> roughness({py::ssize_t(count), py::ssize_t(r.steps)});
    py::array_t<double> deposited({py::ssize_t(count), py::ssize_t(r.steps)});
    double* w = roughness.mutable_data();
    double* d = deposited.mutable_data();
    {
        py::gil_scoped_release release;
        for (int64_t i = 0; i < count; ++i) {
            const Experiment::RunSeries s =
                Experiment::runSeries(r.setup, r.seed, static_cast<uint32_t>(first + i), r.steps);
            std::copy(s.roughness.begin(), s.roughness.end(), w + i * r.steps);
            std::copy(s.deposited.begin(), s.deposited.end(), d + i * r.steps);
        }
    }
    return py::make_tuple(roughness, deposited);
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
             py::array_t<double, py::array::c_style | py::array::forcecast> deposited)
    {
        if (roughness.ndim() != 2 || deposited.ndim() != 2 || roughness.shape(0) != deposited.shape(0)
            || roughness.shape(1) != stats_.ticks() || deposited.shape(1) != stats_.ticks())
            throw py::value_error("each run needs " + std::to_string(stats_.ticks())
                                  + " roughness and deposited values (runs x ticks arrays)");
        const int64_t ticks = stats_.ticks();
        const double* w = roughness.data();
        const double* d = deposited.data();
        py::gil_scoped_release release;
        std::vector<double> wRun(static_cast<size_t>(ticks)), dRun(static_cast<size_t>(ticks));
        for (py::ssize_t k = 0; k < roughness.shape(0); ++k) {
            std::copy(w + k * ticks, w + (k + 1) * ticks, wRun.begin());
            std::copy(d + k * ticks, d + (k + 1) * ticks, dRun.begin());
            stats_.addRun(wRun, dRun);
        }
    }

    int64_t runs() const { return stats_.runs(); }

    py::dict result(py::object fitRange, py::object series) const
    {
        std::optional<std::pair<int64_t, int64_t>> range;
        if (!fitRange.is_none()) {
            py::dict d;
            d["fit_range"] = fitRange;
            range = SettingChecks::fitRange(pairText(d, "fit_range", ":", "(first_tick, last_tick)"));
            SettingChecks::fitRangeWithin(range->second, stats_.ticks());
        }
        return resultOf(stats_, range, series);
    }

private:
    RoughnessStats stats_;
};

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

    m.attr("largest_lattice_side") = largestLatticeSide;
    m.attr("palette_names") = py::cast(std::vector<std::string>(paletteNames.begin(), paletteNames.end()));

    py::class_<Simulation>(m, "_Simulation")
        .def(py::init<const py::dict&>(), py::arg("settings"))
        .def("step", &Simulation::step, py::arg("n") = 1)
        .def_property_readonly("heights", &Simulation::heights,
                               "The lattice as a read-only int32 array (rows, cols) of heights in layers: a view, not a\n"
                               "copy, that follows later steps and keeps the film alive (copy() it to keep a state).")
        .def_property_readonly("roughness", &Simulation::roughness, "The width W of the heights now, in layers.")
        .def_property_readonly("deposited", &Simulation::deposited,
                               "Layers deposited so far, less the layers auto-height removed.")
        .def_property_readonly("height_offset", &Simulation::heightOffset, "Complete bottom layers auto-height removed.")
        .def_property_readonly("tick", &Simulation::tick, "Ticks run so far.")
        .def_property_readonly("seed", &Simulation::seed, "The seed, given or taken from the clock.")
        .def_property_readonly("run_index", &Simulation::runIndex, "The run of an experiment this film repeats.")
        .def_property_readonly("size", &Simulation::size, "(cols, rows) of the lattice.")
        .def_property_readonly("rng", &Simulation::rng, "The generator: \"lcg\" or \"philox\".")
        .def_property_readonly("autoheight", &Simulation::autoHeight, "Whether complete bottom layers are removed.")
        .def("picture", &Simulation::picture, py::arg("palette"), py::arg("zoom"), py::arg("origin"))
        .def("chart", &Simulation::chart, py::arg("style"))
        .def("save_layer", &Simulation::saveLayer, py::arg("path"));

    m.def("_experiment", &experiment, py::arg("settings"), py::arg("series"));
    m.def("_run_slice", &runSlice, py::arg("settings"), py::arg("first"), py::arg("count"));

    py::class_<Stats>(m, "_Stats")
        .def(py::init<int64_t>(), py::arg("ticks"))
        .def("add", &Stats::add, py::arg("roughness"), py::arg("deposited"))
        .def_property_readonly("runs", &Stats::runs)
        .def("result", &Stats::result, py::arg("fit_range"), py::arg("series"));

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
