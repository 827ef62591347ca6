#include "batch/SingleRun.h"

#include "batch/GrowthRun.h"
#include "batch/NumberText.h"
#include "files/OutputFile.h"
#include "batch/ProgressBar.h"
#include "chart/Wykres.h"
#include "files/LayerFile.h"
#include "files/PictureFile.h"
#include "gfx/Bitmap.h"
#include "model/AppError.h"
#include "view/SurfaceRenderer.h"

#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

// By the extension the options accepted: .bmp, .jpg or .png.
void writePicture(const QImage& image, const std::string& name)
{
    if (fileExtension(name) == ".png")
        writePng(image, name);
    else if (!savePicture(image, name))
        throw AppError("cannot write " + name + ": unknown picture format");
}

// The layer file goes to a new file beside the target, which then replaces the target whole.
void writeLayer(const Symulacja& sim, const std::string& path)
{
    const std::string temporary = path + ".tmp-" + std::to_string(getpid());
    std::remove(temporary.c_str());
    try {
        LayerFile::save(temporary, sim);
    } catch (const AppError&) {
        std::remove(temporary.c_str());
        throw AppError(OutputFile::failure(path, "the layer file could not be written"));
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        throw AppError(OutputFile::failure(path, "the layer file could not be moved into place"));
    }
}

} // namespace

SingleRun::SingleRun(const BatchOptions& options, const BatchSettings& settings)
    : options_(options), settings_(settings)
{
}

void SingleRun::run()
{
    const BatchOptions& o = options_;
    const BatchSettings& s = settings_;

    // Check every output before the first tick, so that a long run does not end in an error.
    for (const std::string* name : {&o.saveLayer, &o.pictureFile, &o.chartFile})
        if (!name->empty())
            OutputFile::checkWritable(*name);
    if (!o.framesName.empty())
        OutputFile::checkWritable(frameFileName(o.framesName, 0));
    std::unique_ptr<OutputFile> csv;
    if (!o.roughnessFile.empty()) {
        csv = std::make_unique<OutputFile>(o.roughnessFile);
        csv->write("tick,deposited,heightOffset,roughness\n");
    }

    GrowthRun growth(s.run, s.seed);
    Symulacja& sim = growth.simulation();

    const bool drawsSurface = !o.pictureFile.empty() || !o.framesName.empty();
    std::unique_ptr<Bitmap> surface;
    if (drawsSurface) {
        // The window paints the fresh lattice at Reset before any tick; the pen the
        // renderer leaves behind is part of what later pictures look like.
        surface = std::make_unique<Bitmap>(surfacePictureWidth, surfacePictureHeight);
        drawSurface(sim, *surface, s.originX, s.originY, s.zoom);
    }
    std::unique_ptr<Bitmap> chartBitmap;
    Wykres chart;
    if (!o.chartFile.empty()) {
        chartBitmap = std::make_unique<Bitmap>(chartPictureWidth, chartPictureHeight);
        chart.clear(*chartBitmap);
    }

    if (keepSeries) {
        roughness.reserve(static_cast<size_t>(s.steps));
        deposited.reserve(static_cast<size_t>(s.steps));
    }
    ProgressBar bar(s.steps, "ticks", s.steps, !o.quiet && ProgressBar::stderrIsTerminal());
    double w = sim.lattice ? sim.lattice->roughness() : 0.0;
    for (int64_t tick = 1; tick <= s.steps; ++tick) {
        w = growth.tick();
        if (!o.framesName.empty()) {
            drawSurface(sim, *surface, s.originX, s.originY, s.zoom);
            writePicture(surface->image(), frameFileName(o.framesName, static_cast<int32_t>(tick - 1)));
        }
        if (chartBitmap) {
            chart.addValue(w);
            chart.draw(*chartBitmap, chartPictureHeight, s.chartStyle);
        }
        if (csv)
            csv->write(std::to_string(tick) + "," + exactText(sim.deposited) + ","
                       + std::to_string(sim.heightOffset) + "," + exactText(w) + "\n");
        if (keepSeries) {
            roughness.push_back(w);
            deposited.push_back(sim.deposited);
        }
        bar.update(tick, tick); // cheap when hidden or drawn recently; ticks may be slow
    }
    bar.finish();
    finalRoughness = w;
    finalDeposited = sim.deposited;
    finalHeightOffset = sim.heightOffset;

    if (csv)
        csv->commit();
    if (!o.saveLayer.empty())
        writeLayer(sim, o.saveLayer);
    if (!o.pictureFile.empty()) {
        if (o.framesName.empty() || s.steps == 0)
            drawSurface(sim, *surface, s.originX, s.originY, s.zoom);
        writePicture(surface->image(), o.pictureFile);
    }
    if (chartBitmap)
        writePicture(chartBitmap->image(), o.chartFile);
}
