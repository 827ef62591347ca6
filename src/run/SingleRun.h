#pragma once
// SingleRun: one film grown tick by tick with the outputs of a window session: the roughness
// series (CSV), the layer file with the run's state, the surface picture, the chart, the top view,
// the frames and the surface analyses, and the fit of its growth exponent. Every output is
// checked for writability before the first tick and written whole or not at all.
#include "files/OutputFile.h"
#include "run/AnalysisFiles.h"
#include "run/FilmSetup.h"
#include "run/FilmState.h"
#include "run/GrowthFit.h"
#include "run/JobProgress.h"
#include "run/Outcome.h"
#include "run/ResultRequest.h"
#include "run/StopRequest.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class SingleRun {
public:
    // The outputs by file name (an empty name writes nothing): pictures by their extension
    // (.bmp, .jpg or .png), the top view as .png or .bmp, frames numbered from the name.
    struct Outputs : ResultRequest {
        std::string layerFile, pictureFile, chartFile, heightMapFile, framesName;
        std::vector<std::string> inputFiles; // files read, which no frame may replace
    };
    // How the pictures look: the surface's origin and cell size in bitmap pixels, the chart's style.
    struct View {
        int32_t originX = 210, originY = 190;
        int32_t zoom = 7;
        int32_t chartStyle = 0;
    };

    // `steps` ticks of run `runIndex` of the experiment seeded `seed` of `film` (grown as the
    // experiment grows it), going on from `resume` when given. Throws AppError when the film
    // would not fit in the machine's memory or an analysis file cannot be written.
    SingleRun(const FilmSetup& film, uint32_t seed, uint32_t runIndex, int64_t steps, const FilmState* resume,
              Outputs outputs, View view);
    ~SingleRun();

    // Runs every tick and writes the outputs; the progress counts ticks. Throws AppError on a
    // file error. `stop` is looked at between relaxation sweeps and once more before the first
    // output is put in place: once set, run() throws Interrupted and writes nothing. After that
    // every output is written.
    Outcome run(const JobProgress& progress = {}, const StopRequest* stop = nullptr);

private:
    FilmSetup film_;
    uint32_t seed_, runIndex_;
    int64_t steps_;
    const FilmState* resume_;
    Outputs outputs_;
    View view_;
    std::unique_ptr<AnalysisFiles> analysis_;
};
