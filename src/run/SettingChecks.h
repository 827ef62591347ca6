#pragma once
// SettingChecks: the checks of the values a user gives for a film's settings, as text, with the
// messages the batch tool prints for its options; the batch tool's command line and the Python
// module both use them, so a value is refused the same way, in the same words, by either.
// `option` is the name the message shows ("--dep"); the named checks take the setting's
// spelling instead: the batch tool's flag ("--run-index") or Python's keyword ("run_index=").
// Sizes in lattice cells, the rate as the rate bar's position.
#include "model/AppError.h"
#include "run/FilmSetup.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace SettingChecks {

// How the user named the settings: as the batch tool's options or as Python's keywords.
enum class Spelling { Flag, Keyword };
// The setting `key` (snake_case, "run_index") as the user typed it: "--run-index" or "run_index=".
std::string shown(const std::string& key, Spelling how);

// A strict 32-bit integer ("--relax: 'x' is not a valid integer value").
int32_t integer(const std::string& option, const std::string& value);
// An integer in low..high ("--dep must be between 1 and 1000, not 0").
int32_t integerInRange(const std::string& option, const std::string& value, int32_t low, int32_t high);
// "A<sep>B" with two integers; `shape` shows the form expected ("COLSxROWS, e.g. 50x40").
std::pair<int32_t, int32_t> integerPair(const std::string& option, const std::string& value, char sep,
                                        const std::string& shape);

// --seed: 0 .. 4294967295 in plain decimal.
uint32_t seed(const std::string& value, Spelling how = Spelling::Flag);
// --rng: "lcg" or "philox".
Generator generator(const std::string& value, Spelling how = Spelling::Flag);
// --model: a growth model's name ("tessavo", "rd", ...).
GrowthModel model(const std::string& value, Spelling how = Spelling::Flag);
// The relaxation sweeps and the stay rules belong to Tessavo's own model: with another model,
// --relax, --iso and --aniso are refused. `source` names the file the model came from, empty
// when it was typed.
void modelOptions(GrowthModel model, const std::string& source, bool relaxGiven, bool isoGiven, bool anisoGiven,
                  Spelling how = Spelling::Flag);
// --update: "sequential" or "tiled".
UpdateScheme update(const std::string& value, Spelling how = Spelling::Flag);
// The tiled update draws from Philox counters: refused with the congruential generator.
void tiledNeedsPhilox(bool tiled, bool philox, Spelling how = Spelling::Flag);
// --threads-per-run (Python's threads=): 1 .. 1024, only with the tiled update.
int32_t threadsPerRun(const std::string& value, Spelling how = Spelling::Flag);
void threadsNeedTiled(bool threadsGiven, bool tiled, Spelling how = Spelling::Flag);
// --size COLSxROWS: each 10 .. largestLatticeSide. Returns {columns, rows}.
std::pair<int32_t, int32_t> size(const std::string& value, Spelling how = Spelling::Flag);
// --dep: the rate position 1..1000.
int32_t ratePosition(const std::string& value, Spelling how = Spelling::Flag);
// --max: layers to deposit, a decimal point or comma; the text is kept as given.
double maxLayers(const std::string& value, Spelling how = Spelling::Flag);
// --relax: relaxation sweeps per step, an integer.
int32_t relaxations(const std::string& value, Spelling how = Spelling::Flag);
// --iso Z: the isotropic threshold.
int32_t isotropic(const std::string& value, Spelling how = Spelling::Flag);
// --aniso ZX,ZY: the anisotropic thresholds. Returns {zx, zy}.
std::pair<int32_t, int32_t> anisotropic(const std::string& value, Spelling how = Spelling::Flag);
// --zoom: the cell size of the picture in pixels.
int32_t zoom(const std::string& value, Spelling how = Spelling::Flag);
// --palette: a palette name; returns its number 0..4.
int32_t palette(const std::string& value, Spelling how = Spelling::Flag);
// --chart-style: 0 or 1.
int32_t chartStyle(const std::string& value, Spelling how = Spelling::Flag);

// --steps N: 0 .. 2^31 - 1 ticks.
int64_t steps(const std::string& value, Spelling how = Spelling::Flag);
// --runs N: 1 .. 2^31 - 1 runs.
int32_t runs(const std::string& value, Spelling how = Spelling::Flag);
// --jobs J: 1 .. 1024 threads.
int32_t jobs(const std::string& value, Spelling how = Spelling::Flag);
// --fit-range T1:T2 with 1 <= T1 < T2; returns {T1, T2}.
std::pair<int64_t, int64_t> fitRange(const std::string& value, Spelling how = Spelling::Flag);
// A fit range must end within the ticks run.
void fitRangeWithin(int64_t to, int64_t steps, Spelling how = Spelling::Flag);
// --iso and --aniso choose the rule; only one of them may be given.
void oneRule(bool isoGiven, bool anisoGiven, Spelling how = Spelling::Flag);
// A stored lattice gives the size; --size and --layer exclude each other.
void sizeOrLayer(bool sizeGiven, bool layerGiven, Spelling how = Spelling::Flag);
// An experiment needs a seed, so that run k can be repeated alone.
void experimentSeed(bool seedGiven, Spelling how = Spelling::Flag);

// --run-index K: 0 .. 2^31 - 1.
uint32_t runIndex(const std::string& value, Spelling how = Spelling::Flag);
// --run-index repeats one run of a seeded experiment alone: it needs --seed and excludes --runs.
void runIndexAlone(bool runIndexGiven, bool seedGiven, bool runsGiven, Spelling how = Spelling::Flag);

// --sizes L1,L2,...: at least three different lattice sides, each as --size takes one side;
// `sides` are the texts of the sides, `given` the whole list as typed (for the message).
std::vector<int32_t> sizes(const std::vector<std::string>& sides, const std::string& given,
                           Spelling how = Spelling::Flag);

// The palette names as the help and the messages list them: "green, red, blue, mixed or mixed2".
std::string paletteList();

} // namespace SettingChecks
