#pragma once
// BatchPlan: the settings a batch run uses, resolved from the command line, the
// configuration file (--config) and the window's start-up values, in this order of precedence,
// and the stored lattice of --layer. Reading those files is the only work done here; their
// errors are AppError (exit status 1).
#include "batch/BatchCommandLine.h"
#include "run/FilmSetup.h"
#include "run/FilmState.h"

#include <optional>

#include <cstdint>
#include <string>

struct BatchPlan {
    FilmSetup run;
    bool seedFromClock = true;
    uint32_t seed = 0;
    uint32_t runIndex = 0; // the run of an experiment seeded `seed` that a single run repeats
    int64_t steps = 1000;
    std::string maxText = "50"; // the texts the numbers came from, as the window keeps them
    std::string relaxText = "5";
    int32_t ratePosition = 10;
    int32_t originX = 210; // surface picture origin, bitmap pixels
    int32_t originY = 190;
    int32_t zoom = 7;      // cell size, pixels
    int32_t chartStyle = 0;
    std::optional<FilmState> resume; // the saved state a --resume run continues from

    static BatchPlan resolve(const BatchCommandLine& options);

};
