#include "batch/SingleRunCommand.h"

#include "run/FilmRun.h"
#include "files/NumberText.h"
#include "files/OutputFile.h"
#include "batch/ProgressBar.h"
#include "chart/ChartPicture.h"
#include "files/LayerFile.h"
#include "run/FilmState.h"
#include "files/PictureFile.h"
#include "gfx/Bitmap.h"
#include "model/AppError.h"
#include "view/HeightMap.h"
#include "view/SurfaceRenderer.h"

#include <cstdio>
#include <memory>

namespace {

// By the extension the options accepted: .bmp, .jpg or .png, in any letter case.
void writePicture(const QImage& image, const std::string& name)
{
    const std::optional<PictureFormat> format = pictureFormat(name);
    if (!format)
        throw AppError("cannot write " + name + ": unknown picture format");
    writePicture(image, name, *format);
}

} // namespace

SingleRunCommand::SingleRunCommand(const BatchCommandLine& options, const BatchPlan& settings, const StopRequest* stop)
    : options_(options), settings_(settings), stop_(stop)
{
}

void SingleRunCommand::run()
{
    const BatchCommandLine& o = options_;
    const BatchPlan& s = settings_;

    // Check every output before the first tick, so that a long run does not end in an error.
    for (const std::string* name : {&o.saveLayer, &o.pictureFile, &o.chartFile, &o.heightMapFile})
        if (!name->empty())
            OutputFile::checkWritable(*name);
    if (!o.framesName.empty())
        OutputFile::checkWritable(frameFileName(o.framesName, 0));
    std::unique_ptr<OutputFile> csv;
    if (!o.roughnessFile.empty()) {
        csv = std::make_unique<OutputFile>(o.roughnessFile);
        csv->write("tick,deposited,heightOffset,roughness\n");
    }

    FilmRun growth(s.run, s.seed, s.runIndex);
    if (s.resume)
        s.resume->continueFilm(growth);
    const int64_t ticksBefore = growth.ticksDone(); // ticks are numbered on from a saved run's
    Symulacja& sim = growth.simulation();

    const bool drawsSurface = !o.pictureFile.empty() || !o.framesName.empty();
    std::unique_ptr<Bitmap> surface;
    if (drawsSurface) {
        // The window paints the fresh lattice at Reset before any tick; the pen the
        // renderer leaves behind is part of what later pictures look like.
        surface = std::make_unique<Bitmap>(surfacePictureWidth, surfacePictureHeight);
        drawSurface(sim, *surface, s.originX, s.originY, s.zoom);
    }
    std::unique_ptr<ChartPicture> chart;
    if (!o.chartFile.empty())
        chart = std::make_unique<ChartPicture>(s.chartStyle);

    if (keepSeries) {
        roughness.reserve(static_cast<size_t>(s.steps));
        deposited.reserve(static_cast<size_t>(s.steps));
    }
    ProgressBar bar(s.steps, "ticks", s.steps, !o.quiet && ProgressBar::stderrIsTerminal());
    int64_t tick = 1;
    // A tick of many relaxation sweeps can take long: the bar moves, and a stop is seen,
    // between its sweeps.
    growth.observeSweeps([&](int32_t sweepsDone) {
        if (stop_ && stop_->load(std::memory_order_relaxed))
            return false;
        bar.update(tick - 1, static_cast<double>(tick - 1) + static_cast<double>(sweepsDone) / sim.relaxations);
        return true;
    });
    double w = sim.lattice ? sim.lattice->roughness() : 0.0;
    if (onTick)
        onTick(0, sim);
    for (; tick <= s.steps; ++tick) {
        checkStop(stop_);
        if (!growth.advance())
            throw Interrupted();
        w = growth.roughness();
        if (!o.framesName.empty()) {
            drawSurface(sim, *surface, s.originX, s.originY, s.zoom);
            writePicture(surface->image(), frameFileName(o.framesName, static_cast<int32_t>(ticksBefore + tick - 1)));
        }
        if (chart)
            chart->add(w);
        if (csv)
            csv->write(std::to_string(ticksBefore + tick) + "," + exactText(sim.deposited) + ","
                       + std::to_string(sim.heightOffset) + "," + exactText(w) + "\n");
        if (keepSeries) {
            roughness.push_back(w);
            deposited.push_back(sim.deposited);
        }
        if (onTick)
            onTick(tick, sim);
        bar.update(tick, static_cast<double>(tick)); // cheap when hidden or drawn recently
    }
    bar.finish();
    finalRoughness = w;
    finalDeposited = sim.deposited;
    finalHeightOffset = sim.heightOffset;

    if (csv)
        csv->commit();
    if (!o.saveLayer.empty())
        FilmState::saveFilm(o.saveLayer, growth, s.run);
    if (!o.heightMapFile.empty() && sim.lattice
        && !saveHeightMap(heightMap(sim.lattice->data(), sim.lattice->height, sim.lattice->width), o.heightMapFile))
        throw AppError("cannot write " + o.heightMapFile + ": unknown picture format");
    if (!o.pictureFile.empty()) {
        if (o.framesName.empty() || s.steps == 0)
            drawSurface(sim, *surface, s.originX, s.originY, s.zoom);
        writePicture(surface->image(), o.pictureFile);
    }
    if (chart)
        writePicture(chart->image(), o.chartFile);
}
