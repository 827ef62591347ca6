#include "run/SettingChecks.h"

#include "files/Settings.h"
#include "model/Convert.h"
#include "model/SettingsTable.h"

#include <algorithm>
#include <cctype>

namespace SettingChecks {

std::string shown(const std::string& key, Spelling how)
{
    if (how == Spelling::Keyword)
        return key + "=";
    std::string flag = "--" + key;
    std::replace(flag.begin() + 2, flag.end(), '_', '-');
    return flag;
}

int32_t integer(const std::string& option, const std::string& value)
{
    int32_t out = 0;
    if (!tryStrToInt(value, out))
        throw SettingError(option + ": " + invalidIntegerMessage(value));
    return out;
}

int32_t integerInRange(const std::string& option, const std::string& value, int32_t low, int32_t high)
{
    const int32_t n = integer(option, value);
    if (n < low || n > high)
        throw SettingError(option + " must be between " + std::to_string(low) + " and " + std::to_string(high)
                           + ", not " + value);
    return n;
}

std::pair<int32_t, int32_t> integerPair(const std::string& option, const std::string& value, char sep,
                                        const std::string& shape)
{
    size_t at = std::string::npos;
    for (size_t i = 0; i < value.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(value[i])) == sep) {
            at = i;
            break;
        }
    if (at == std::string::npos)
        throw SettingError(option + " expects " + shape + ", not '" + value + "'");
    return {integer(option, value.substr(0, at)), integer(option, value.substr(at + 1))};
}

uint32_t seed(const std::string& value, Spelling how)
{
    if (value.empty() || value.size() > 10)
        throw SettingError(shown("seed", how) + ": " + invalidIntegerMessage(value));
    uint64_t n = 0;
    for (char ch : value) {
        if (ch < '0' || ch > '9')
            throw SettingError(shown("seed", how) + ": " + invalidIntegerMessage(value));
        n = n * 10 + static_cast<uint64_t>(ch - '0');
    }
    if (n > 0xFFFFFFFFull)
        throw SettingError(shown("seed", how) + " must be between 0 and 4294967295, not " + value);
    return static_cast<uint32_t>(n);
}

Generator generator(const std::string& value, Spelling how)
{
    Generator g;
    if (!generatorOfName(value, g))
        throw SettingError(shown("rng", how) + " must be lcg or philox, not '" + value + "'");
    return g;
}

std::vector<int32_t> sizes(const std::vector<std::string>& sides, const std::string& given, Spelling how)
{
    const std::string option = shown("sizes", how);
    std::vector<int32_t> out;
    for (const std::string& side : sides) {
        const int32_t n = integerInRange(option, side, settingKey(Setting::GridX).low, largestLatticeSide);
        if (std::find(out.begin(), out.end(), n) != out.end())
            throw SettingError(option + ": " + std::to_string(n) + " is given twice");
        out.push_back(n);
    }
    if (out.size() < 3)
        throw SettingError(option + " needs at least 3 lattice sides to fit alpha and z, not '" + given + "'");
    return out;
}

GrowthModel model(const std::string& value, Spelling how)
{
    GrowthModel m;
    if (!growthModelOfName(value, m))
        throw SettingError(shown("model", how) + " must be " + growthModelList() + ", not '" + value + "'");
    return m;
}

void modelOptions(GrowthModel model, const std::string& source, bool relaxGiven, bool isoGiven, bool anisoGiven,
                  Spelling how)
{
    if (model == GrowthModel::Tessavo)
        return;
    const std::string name = growthModelName(model);
    for (const auto& [key, given] : {std::pair{"relax", relaxGiven}, {"iso", isoGiven}, {"aniso", anisoGiven}})
        if (given)
            throw SettingError(shown(key, how) + " cannot be used with "
                               + (source.empty() ? shown("model", how) + " " + name : "the model " + name + " of " + source)
                               + ": the relaxation sweeps and their thresholds belong to the "
                               + growthModelName(GrowthModel::Tessavo) + " model");
}

UpdateScheme update(const std::string& value, Spelling how)
{
    UpdateScheme u;
    if (!updateSchemeOfName(value, u))
        throw SettingError(shown("update", how) + " must be sequential or tiled, not '" + value + "'");
    return u;
}

void tiledNeedsPhilox(bool tiled, bool philox, Spelling how)
{
    if (tiled && !philox)
        throw SettingError(shown("update", how) + " tiled needs " + shown("rng", how) + " philox: its tiles draw from Philox counters");
}

namespace {

// The option is --threads-per-run; Python's keyword is threads=.
std::string threadsShown(Spelling how)
{
    return how == Spelling::Keyword ? "threads=" : shown("threads_per_run", how);
}

} // namespace

int32_t threadsPerRun(const std::string& value, Spelling how)
{
    return integerInRange(threadsShown(how), value, 1, 1024);
}

void threadsNeedTiled(bool threadsGiven, bool tiled, Spelling how)
{
    if (threadsGiven && !tiled)
        throw SettingError(threadsShown(how) + " needs " + shown("update", how) + " tiled: a sequential film grows on one thread");
}

std::pair<int32_t, int32_t> size(const std::string& value, Spelling how)
{
    const auto [cols, rows] = integerPair(shown("size", how), value, 'x', "COLSxROWS, e.g. 50x40");
    const int32_t low = settingKey(Setting::GridX).low;
    for (int32_t n : {cols, rows})
        if (n < low || n > largestLatticeSide)
            throw SettingError(shown("size", how) + ": columns and rows must be between " + std::to_string(low) + " and "
                               + std::to_string(largestLatticeSide) + ", not '" + value + "'");
    return {cols, rows};
}

int32_t ratePosition(const std::string& value, Spelling how)
{
    return integerInRange(shown("dep", how), value, settingKey(Setting::Dep).low, settingKey(Setting::Dep).high);
}

double maxLayers(const std::string& value, Spelling how)
{
    try {
        return maxLayersOfText(value);
    } catch (const AppError& e) {
        throw SettingError(shown("max", how) + ": " + e.what());
    }
}

int32_t relaxations(const std::string& value, Spelling how)
{
    return integer(shown("relax", how), value);
}

int32_t isotropic(const std::string& value, Spelling how)
{
    return integerInRange(shown("iso", how), value, settingKey(Setting::Z).low, settingKey(Setting::Z).high);
}

std::pair<int32_t, int32_t> anisotropic(const std::string& value, Spelling how)
{
    const auto [x, y] = integerPair(shown("aniso", how), value, ',', "ZX,ZY, e.g. 1,2");
    const SettingKey& kx = settingKey(Setting::Zx);
    const SettingKey& ky = settingKey(Setting::Zy);
    if (x < kx.low || x > kx.high || y < ky.low || y > ky.high)
        throw SettingError(shown("aniso", how) + ": both thresholds must be between " + std::to_string(kx.low) + " and "
                           + std::to_string(kx.high) + ", not '" + value + "'");
    return {x, y};
}

int32_t zoom(const std::string& value, Spelling how)
{
    return integerInRange(shown("zoom", how), value, settingKey(Setting::Zoom).low, settingKey(Setting::Zoom).high);
}

std::string paletteList()
{
    std::string list;
    for (size_t i = 0; i < paletteNames.size(); ++i)
        list += std::string(i == 0 ? "" : i + 1 == paletteNames.size() ? " or " : ", ") + paletteNames[i];
    return list;
}

int32_t palette(const std::string& value, Spelling how)
{
    for (size_t i = 0; i < paletteNames.size(); ++i)
        if (value == paletteNames[i])
            return static_cast<int32_t>(i);
    throw SettingError(shown("palette", how) + " must be " + paletteList() + ", not '" + value + "'");
}

int32_t chartStyle(const std::string& value, Spelling how)
{
    return integerInRange(shown("chart_style", how), value, 0, settingKey(Setting::Chart).high);
}

int64_t steps(const std::string& value, Spelling how)
{
    return integerInRange(shown("steps", how), value, 0, INT32_MAX);
}

int32_t runs(const std::string& value, Spelling how)
{
    return integerInRange(shown("runs", how), value, 1, INT32_MAX);
}

int32_t jobs(const std::string& value, Spelling how)
{
    return integerInRange(shown("jobs", how), value, 1, 1024);
}

std::pair<int64_t, int64_t> fitRange(const std::string& value, Spelling how)
{
    const auto [from, to] = integerPair(shown("fit_range", how), value, ':', "T1:T2, e.g. 100:2000");
    if (from < 1 || to <= from)
        throw SettingError(shown("fit_range", how) + " needs 1 <= T1 < T2, not '" + value + "'");
    return {from, to};
}

void fitRangeWithin(int64_t to, int64_t steps, Spelling how)
{
    if (to > steps)
        throw SettingError(shown("fit_range", how) + ": T2 " + std::to_string(to) + " is beyond the last tick "
                           + std::to_string(steps));
}

void oneRule(bool isoGiven, bool anisoGiven, Spelling how)
{
    if (isoGiven && anisoGiven)
        throw SettingError(shown("iso", how) + " and " + shown("aniso", how) + " exclude each other");
}

void sizeOrLayer(bool sizeGiven, bool layerGiven, Spelling how)
{
    if (sizeGiven && layerGiven)
        throw SettingError(shown("size", how) + " and " + shown("layer", how) + " exclude each other: the layer file gives the size");
}

void experimentSeed(bool seedGiven, Spelling how)
{
    if (!seedGiven)
        throw SettingError(shown("runs", how) + " needs " + shown("seed", how) + ": every run's random stream follows from the seed, so that run k can be repeated alone");
}

uint32_t runIndex(const std::string& value, Spelling how)
{
    return static_cast<uint32_t>(integerInRange(shown("run_index", how), value, 0, INT32_MAX));
}

void runIndexAlone(bool runIndexGiven, bool seedGiven, bool runsGiven, Spelling how)
{
    if (!runIndexGiven)
        return;
    if (runsGiven)
        throw SettingError(shown("run_index", how) + " repeats one run alone and cannot be used with " + shown("runs", how));
    if (!seedGiven)
        throw SettingError(shown("run_index", how) + " needs " + shown("seed", how));
}

} // namespace SettingChecks
