#pragma once
// SettingChecks: the checks of the values a user gives for a film's settings, as text, with the
// messages the batch tool prints for its options; the batch tool's command line and the Python
// module both use them, so a value is refused the same way, in the same words, by either.
// `option` is the name the message shows ("--dep"). Sizes in lattice cells, the rate as the
// rate bar's position.
#include "model/AppError.h"
#include "run/FilmSetup.h"

#include <cstdint>
#include <string>
#include <utility>

// A value the setting does not take.
class SettingError : public AppError {
public:
    explicit SettingError(const std::string& message) : AppError(message) {}
};

namespace SettingChecks {

// A strict 32-bit integer ("--relax: 'x' is not a valid integer value").
int32_t integer(const std::string& option, const std::string& value);
// An integer in low..high ("--dep must be between 1 and 1000, not 0").
int32_t integerInRange(const std::string& option, const std::string& value, int32_t low, int32_t high);
// "A<sep>B" with two integers; `shape` shows the form expected ("COLSxROWS, e.g. 50x40").
std::pair<int32_t, int32_t> integerPair(const std::string& option, const std::string& value, char sep,
                                        const std::string& shape);

// --seed: 0 .. 4294967295 in plain decimal.
uint32_t seed(const std::string& value);
// --rng: "lcg" or "philox".
Generator generator(const std::string& value);
// --size COLSxROWS: each 10 .. largestLatticeSide. Returns {columns, rows}.
std::pair<int32_t, int32_t> size(const std::string& value);
// --dep: the rate position 1..1000.
int32_t ratePosition(const std::string& value);
// --max: layers to deposit, a decimal point or comma; the text is kept as given.
double maxLayers(const std::string& value);
// --relax: relaxation sweeps per step, an integer.
int32_t relaxations(const std::string& value);
// --iso Z: the isotropic threshold.
int32_t isotropic(const std::string& value);
// --aniso ZX,ZY: the anisotropic thresholds. Returns {zx, zy}.
std::pair<int32_t, int32_t> anisotropic(const std::string& value);
// --zoom: the cell size of the picture in pixels.
int32_t zoom(const std::string& value);
// --palette: a palette name; returns its number 0..4.
int32_t palette(const std::string& value);
// --chart-style: 0 or 1.
int32_t chartStyle(const std::string& value);

// --steps N: 0 .. 2^31 - 1 ticks.
int64_t steps(const std::string& value);
// --runs N: 1 .. 2^31 - 1 runs.
int32_t runs(const std::string& value);
// --jobs J: 1 .. 1024 threads.
int32_t jobs(const std::string& value);
// --fit-range T1:T2 with 1 <= T1 < T2; returns {T1, T2}.
std::pair<int64_t, int64_t> fitRange(const std::string& value);
// A fit range must end within the ticks run.
void fitRangeWithin(int64_t to, int64_t steps);
// --iso and --aniso choose the rule; only one of them may be given.
void oneRule(bool isoGiven, bool anisoGiven);
// A stored lattice gives the size; --size and --layer exclude each other.
void sizeOrLayer(bool sizeGiven, bool layerGiven);
// An experiment needs a seed, so that run k can be repeated alone.
void experimentSeed(bool seedGiven);

// The palette names as the help and the messages list them: "green, red, blue, mixed or mixed2".
std::string paletteList();

} // namespace SettingChecks
