// tessavo._tessavo._Simulation: one film grown tick by tick (run/FilmRun), its heights as a
// NumPy view, its pictures and its layer file.
#include "Bindings.h"
#include "ModuleSettings.h"
#include "PictureArrays.h"


#include "chart/ChartHistory.h"
#include "files/LayerFile.h"
#include "files/OutputFile.h"
#include "run/FilmRun.h"
#include "run/FilmState.h"
#include "run/SettingChecks.h"
#include "view/SurfacePicture.h"

#include <pybind11/numpy.h>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <stdexcept>
#include <vector>

namespace py = pybind11;

namespace {
// Messages name the keywords, not the batch tool's options.
constexpr SettingChecks::Spelling keyword = SettingChecks::Spelling::Keyword;
} // namespace

namespace {

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
        refuseAbandoned();
        bool signalled = false;
        {
            py::gil_scoped_release release;
            // Ctrl+C is looked for a few times a second, between ticks and, as in the batch tool,
            // between the relaxation sweeps of a long tick. A tick it cuts short leaves the film
            // half relaxed: it is given up.
            auto lastCheck = std::chrono::steady_clock::now();
            const auto interrupted = [&] {
                const auto now = std::chrono::steady_clock::now();
                if (now - lastCheck < std::chrono::milliseconds(100))
                    return false;
                lastCheck = now;
                py::gil_scoped_acquire gil;
                signalled = PyErr_CheckSignals() != 0;
                return signalled;
            };
            run_->observeSweeps([&](int32_t) { return !interrupted(); });
            const struct Unobserve {
                FilmRun& run;
                ~Unobserve() { run.observeSweeps(nullptr); }
            } unobserve{*run_};
            for (int64_t i = 0; i < n && !signalled; ++i) {
                if (!run_->advance()) {
                    abandoned_ = true;
                    break;
                }
                history_.add(run_->roughness());
                interrupted();
            }
        }
        if (signalled)
            throw py::error_already_set(); // the KeyboardInterrupt (or a signal handler's error)
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
    double layers() const
    {
        const Busy busy(*this);
        return run_->layers();
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
    std::string model() const { return growthModelName(setup_.scenario.model); }
    bool autoHeight() const { return setup_.autoHeight; }

    py::array_t<uint8_t> picture(py::object palette, py::object zoom, py::object origin)
    {
        const int32_t p = SettingChecks::palette(textOf(palette), keyword);
        const int32_t c = SettingChecks::zoom(textOf(zoom), keyword);
        py::dict d;
        d["origin"] = origin;
        const auto [ox, oy] = SettingChecks::integerPair(SettingChecks::shown("origin", keyword), pairText(d, "origin", ",", "(x, y)"), ',',
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
        const int32_t st = SettingChecks::chartStyle(textOf(style), keyword);
        ensureGuiApplication();
        const Busy busy(*this);
        // The chart is drawn a tick at a time: it catches up with the ticks since it was last shown.
        const QImage* image = nullptr;
        {
            py::gil_scoped_release release;
            image = &history_.image(st);
        }
        return rgbArray(*image);
    }

    void saveLayer(py::object path)
    {
        const std::string name = pathOf(path);
        const Busy busy(*this);
        refuseAbandoned();
        py::gil_scoped_release release;
        try {
            FilmState::saveFilm(name, *run_, setup_);
        } catch (const FileError&) {
            throw;
        } catch (const AppError& e) {
            throw FileError(FileError::Kind::Other, name, e.what());
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

    // A film whose tick was cut short cannot go on nor be saved as a run to continue.
    void refuseAbandoned() const
    {
        if (abandoned_)
            throw std::runtime_error("the film was interrupted inside a tick and is half relaxed: it cannot go on "
                                     "or be saved; its heights and pictures can still be read");
    }

    FilmSetup setup_;
    uint32_t seed_ = 0;
    uint32_t runIndex_ = 0;
    std::unique_ptr<FilmRun> run_;
    ChartHistory history_; // the roughness after every tick, for the charts
    bool abandoned_ = false;
    mutable std::atomic<bool> busy_{false};
};

} // namespace

void bindSimulation(py::module_& m)
{
    py::class_<Simulation>(m, "_Simulation")
        .def(py::init<const py::dict&>(), py::arg("settings"))
        .def("step", &Simulation::step, py::arg("n") = 1)
        .def_property_readonly("heights", &Simulation::heights,
                               "The lattice as a read-only int32 array (rows, cols) of heights in layers: a view, not a\n"
                               "copy, that follows later steps and keeps the film alive (copy() it to keep a state).")
        .def_property_readonly("roughness", &Simulation::roughness, "The width W of the heights now, in layers.")
        .def_property_readonly("deposited", &Simulation::deposited,
                               "Layers deposited so far, less the layers auto-height removed.")
        .def_property_readonly("layers", &Simulation::layers,
                               "Particles landed so far over the cells, in layers (deposited counts rate x ticks).")
        .def_property_readonly("height_offset", &Simulation::heightOffset, "Complete bottom layers auto-height removed.")
        .def_property_readonly("tick", &Simulation::tick, "Ticks run so far.")
        .def_property_readonly("seed", &Simulation::seed, "The seed, given or taken from the clock.")
        .def_property_readonly("run_index", &Simulation::runIndex, "The run of an experiment this film repeats.")
        .def_property_readonly("size", &Simulation::size, "(cols, rows) of the lattice.")
        .def_property_readonly("rng", &Simulation::rng, "The generator: \"lcg\" or \"philox\".")
        .def_property_readonly("model", &Simulation::model, "The growth model's name: \"tessavo\", \"rd\", ...")
        .def_property_readonly("autoheight", &Simulation::autoHeight, "Whether complete bottom layers are removed.")
        .def("picture", &Simulation::picture, py::arg("palette"), py::arg("zoom"), py::arg("origin"))
        .def("chart", &Simulation::chart, py::arg("style"))
        .def("save_layer", &Simulation::saveLayer, py::arg("path"));
}
