#pragma once
// RunRequest and RunPlan: the one way from what a user typed to the settings a film or an
// experiment runs with. A RunRequest holds the settings as given (unset: not given), whether
// typed as the batch tool's options or as Python's keywords; RunPlan::resolve fills in the rest
// from the configuration file, the stored lattice, the saved run of --resume, or else the
// window's start-up values, in this order of precedence, and checks how they combine. Sizes in
// lattice cells, the rate as the rate bar's position, picture coordinates in bitmap pixels.
// Errors: SettingError for values or combinations (the batch tool's exit 2, Python's
// ValueError), FileError for a file that cannot be read, AppError for a file's content.
#include "model/SettingsTable.h"
#include "run/FilmSetup.h"
#include "run/FilmState.h"
#include "run/SettingChecks.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

struct RunRequest {
    SettingChecks::Spelling spelling = SettingChecks::Spelling::Flag;

    std::optional<uint32_t> seed;
    std::optional<std::string> generator; // "lcg" or "philox"; not given: lcg, philox for an experiment
    std::optional<std::string> model;     // a growth model's name; Tessavo's own when not given
    std::optional<std::string> update;    // "sequential" (when not given) or "tiled"
    std::optional<int32_t> threadsPerRun; // a tiled film's threads; 1 when not given
    uint32_t runIndex = 0;                // which run of an experiment a single run repeats
    int64_t steps = defaultSteps;

    std::optional<int32_t> columns, rows;
    std::optional<int32_t> ratePosition;
    std::optional<std::string> maxText;   // layers to deposit, converted as the window does
    std::optional<std::string> relaxText; // relaxation sweeps per step, likewise
    std::optional<int32_t> zmode;         // 0 isotropic (z), 1 anisotropic (zx, zy)
    std::optional<int32_t> z, zx, zy;
    bool autoHeight = false;              // given: on

    std::string configFile;
    std::string layerFile;
    std::string resumeFile; // continues a run saved with its state

    std::optional<int32_t> originX, originY;
    std::optional<int32_t> zoom;
    std::optional<int32_t> palette;
    std::optional<int32_t> chartStyle;

    int32_t runs = 0; // 0: one plain run; N >= 1: an experiment of N runs
    int32_t jobs = defaultJobs;
    std::optional<int64_t> fitFrom, fitTo;

    // The settings that do not go together or need one another; throws SettingError naming
    // them in the request's spelling. (Which of two spellings of one setting was typed, such as
    // --iso and --aniso, is the front end's to check.)
    void checkCombinations() const;
    // The options that only Tessavo's own model takes are refused with another `model`: the one
    // typed, or the one the file `source` (a configuration file or a saved run) gives.
    void checkModelOptions(GrowthModel model, const std::string& source = {}) const;
};

struct RunPlan {
    FilmSetup run;
    bool seedFromClock = true;
    uint32_t seed = 0;
    uint32_t runIndex = 0; // the run of an experiment seeded `seed` that a single run repeats
    int64_t steps = defaultSteps;
    std::string maxText = settingKey(Setting::Max).startText; // the texts the numbers came from
    std::string relaxText = settingKey(Setting::Relaxations).startText;
    int32_t ratePosition = settingKey(Setting::Dep).start;
    int32_t originX = settingKey(Setting::Xabs).start; // surface picture origin, bitmap pixels
    int32_t originY = settingKey(Setting::Yabs).start;
    int32_t zoom = settingKey(Setting::Zoom).start; // cell size, pixels
    int32_t chartStyle = settingKey(Setting::Chart).start;
    std::optional<FilmState> resume; // the saved state a resumed run continues from

    // Checks the request's combinations and reads its files.
    static RunPlan resolve(const RunRequest& request);
};
