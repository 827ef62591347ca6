#pragma once
// The settings of a film or an experiment as the Python module receives them: a dict of Python
// values, each turned into the text the batch tool would see on its command line, checked by
// the same checks (run/SettingChecks) and resolved by the same resolver (run/RunPlan); the
// messages name the keywords ("size=").
#include "model/AppError.h"
#include "model/SettingsTable.h"
#include "run/FilmSetup.h"
#include "run/GrowthSettings.h"

#include <pybind11/pybind11.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

// A value as the batch tool would see it on its command line.
std::string textOf(pybind11::handle value);
// A path (str, bytes or os.PathLike) in the file system's encoding; ValueError for one with a
// NUL inside (checkedPath).
std::string pathOf(pybind11::handle path);
// The growth settings, the rate and the steps under the names and types of the batch tool's
// JSON and series files, added to `into`, which is returned.
pybind11::dict settingsDict(const GrowthSettings& settings, int64_t steps, pybind11::dict into = pybind11::dict());
// Two integers given as a pair, as the option's text "A<sep>B"; TypeError for anything else.
std::string pairText(const pybind11::dict& settings, const char* key, const char* sep, const char* shape);

// Everything a film or an experiment is given, resolved: the window's start values where
// nothing was given, the clock's seed when no seed was.
struct Resolved {
    FilmSetup setup;
    uint32_t seed = 0;
    bool seedGiven = false;
    uint32_t runIndex = 0;
    int64_t steps = defaultSteps;
    int32_t runs = 0;
    int32_t jobs = 0;
    std::optional<std::pair<int64_t, int64_t>> fitRange;
};

// Keys: seed, rng, model, update, threads, run_index, steps, size, dep, max, relax, iso, aniso, autoheight, layer, runs,
// jobs, fit_range; None stands for not given. Checked in the order of the batch tool's options.
// Throws SettingError (ValueError), FileError (OSError) for a layer file that cannot be read,
// AppError for one whose heights are not integers, pybind11::type_error for an unknown key or a
// malformed pair.
Resolved resolve(const pybind11::dict& settings);
