#include "run/SingleRun.h"

#include "analysis/SurfaceAnalysis.h"
#include "chart/ChartPicture.h"
#include "files/PictureFile.h"
#include "gfx/Bitmap.h"
#include "model/AppError.h"
#include "run/AnalysisStats.h"
#include "run/FilmRun.h"
#include "run/ResultTables.h"
#include "view/HeightMap.h"
#include "view/SurfaceRenderer.h"

#include <vector>

namespace {

// A picture that cannot be written fails as every other output does, with the reason.
[[noreturn]] void failedPicture(const PictureFileError& e, const std::string& name)
{
    throw FileError(e.kind(), name, OutputFile::failure(name, e.reason()));
}

// By the extension the options accepted: .bmp, .jpg or .png.
void writePicture(const QImage& image, const std::string& name)
{
    try {
        if (!savePicture(image, name, everyPictureFormat))
            throw AppError("cannot write " + name + ": unknown picture format");
    } catch (const PictureFileError& e) {
        failedPicture(e, name);
    }
}

} // namespace

SingleRun::SingleRun(const FilmSetup& film, uint32_t seed, uint32_t runIndex, int64_t steps, const FilmState* resume,
                     Outputs outputs, View view)
    : film_(film), seed_(seed), runIndex_(runIndex), steps_(steps), resume_(resume), outputs_(std::move(outputs)),
      view_(view)
{
    // A film that would not fit in the machine's memory is refused before it starts.
    const uint64_t series = outputs_.fit ? static_cast<uint64_t>(steps) * 2 * sizeof(double) : 0;
    const uint64_t needed = filmBytes(film) * (film.startHeights ? 2 : 1) + series;
    const uint64_t machine = machineMemory();
    if (machine > 0 && needed > machine)
        throw AppError("a " + std::to_string(film.scenario.sizeX) + "x" + std::to_string(film.scenario.sizeY)
                       + " film needs about " + gigabytes(needed) + " of memory, more than the " + gigabytes(machine)
                       + " of this machine");
    if (!outputs_.analysisPrefix.empty())
        analysis_ = std::make_unique<AnalysisFiles>(outputs_.analysisPrefix, false);
}

SingleRun::~SingleRun() = default;

Outcome SingleRun::run(const JobProgress& progress, const StopRequest* stop)
{
    const Outputs& o = outputs_;
    const View& v = view_;

    // Check every output before the first tick, so that a long run does not end in an error.
    for (const std::string* name : {&o.layerFile, &o.pictureFile, &o.chartFile, &o.heightMapFile})
        if (!name->empty())
            OutputFile::checkWritable(*name);
    if (!o.framesName.empty())
        OutputFile::checkWritable(frameFileName(o.framesName, 0));
    std::unique_ptr<OutputFile> csv;
    if (!o.roughnessFile.empty()) {
        csv = std::make_unique<OutputFile>(o.roughnessFile);
        csv->write(ResultTables::runHeaderWithLayers);
    }

    FilmRun growth(film_, seed_, runIndex_);
    if (resume_)
        resume_->continueFilm(growth);
    const int64_t ticksBefore = growth.ticksDone(); // ticks are numbered on from a saved run's
    Symulacja& sim = growth.simulation();

    const bool drawsSurface = !o.pictureFile.empty() || !o.framesName.empty();
    std::unique_ptr<Bitmap> surface;
    if (drawsSurface) {
        // The window paints the fresh lattice at Reset before any tick; the pen the
        // renderer leaves behind is part of what later pictures look like.
        surface = std::make_unique<Bitmap>(surfacePictureWidth, surfacePictureHeight);
        drawSurface(sim, *surface, v.originX, v.originY, v.zoom);
    }
    std::unique_ptr<ChartPicture> chart;
    if (!o.chartFile.empty())
        chart = std::make_unique<ChartPicture>(v.chartStyle);

    // The series the fit needs.
    std::vector<double> roughness, layers;
    if (o.fit) {
        roughness.reserve(static_cast<size_t>(steps_));
        layers.reserve(static_cast<size_t>(steps_));
    }
    const auto analyse = [&](int64_t tick) {
        if (analysis_ && isAnalysisTick(tick, steps_, o.analyzeEvery))
            analysis_->add(tick, analyseSurface(sim.lattice ? heightView(*sim.lattice) : HeightView{}));
    };
    int64_t tick = 1;
    // A tick of many relaxation sweeps can take long: the progress moves, and a stop is seen,
    // between its sweeps.
    growth.observeSweeps([&](int32_t sweepsDone) {
        if (stop && stop->load(std::memory_order_relaxed))
            return false;
        if (progress)
            progress(tick - 1, static_cast<double>(tick - 1) + static_cast<double>(sweepsDone) / sim.relaxations);
        return true;
    });
    double w = sim.lattice ? sim.lattice->roughness() : 0.0;
    analyse(0);
    for (; tick <= steps_; ++tick) {
        checkStop(stop);
        if (!growth.advance())
            throw Interrupted();
        w = growth.roughness();
        if (!o.framesName.empty()) {
            drawSurface(sim, *surface, v.originX, v.originY, v.zoom);
            const std::string frame = frameFileName(o.framesName, static_cast<int32_t>(ticksBefore + tick - 1));
            OutputFile::checkNotInputs({frame}, o.inputFiles); // the frames' names are not known before
            writePicture(surface->image(), frame);
        }
        if (chart)
            chart->add(w);
        if (csv)
            csv->write(ResultTables::runLine(ticksBefore + tick, sim.deposited, sim.heightOffset, w, growth.layers()));
        if (o.fit) {
            roughness.push_back(w);
            layers.push_back(growth.layers());
        }
        analyse(tick);
        if (progress)
            progress(tick, static_cast<double>(tick));
    }

    checkStop(stop); // from here on every output lands
    if (csv)
        csv->commit();
    if (!o.layerFile.empty())
        FilmState::saveFilm(o.layerFile, growth, film_);
    try {
        if (!o.heightMapFile.empty() && sim.lattice
            && !saveHeightMap(heightMap(sim.lattice->data(), sim.lattice->height, sim.lattice->width), o.heightMapFile))
            throw AppError("cannot write " + o.heightMapFile + ": unknown picture format");
    } catch (const PictureFileError& e) {
        failedPicture(e, o.heightMapFile);
    }
    if (!o.pictureFile.empty()) {
        if (o.framesName.empty() || steps_ == 0)
            drawSurface(sim, *surface, v.originX, v.originY, v.zoom);
        writePicture(surface->image(), o.pictureFile);
    }
    if (chart)
        writePicture(chart->image(), o.chartFile);
    if (analysis_)
        analysis_->commit();

    Outcome out;
    out.finalDeposited = sim.deposited;
    out.finalLayers = growth.layers();
    out.finalMean = out.finalMin = out.finalMax = w;
    if (o.fit)
        out.fit = GrowthFit::of(roughness, layers, o.fitRange);
    return out;
}
