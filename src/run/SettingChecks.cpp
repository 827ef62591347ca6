#include "run/SettingChecks.h"

#include "files/Settings.h"
#include "model/Convert.h"
#include "model/SettingsTable.h"

#include <cctype>

namespace SettingChecks {

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

uint32_t seed(const std::string& value)
{
    if (value.empty() || value.size() > 10)
        throw SettingError("--seed: " + invalidIntegerMessage(value));
    uint64_t n = 0;
    for (char ch : value) {
        if (ch < '0' || ch > '9')
            throw SettingError("--seed: " + invalidIntegerMessage(value));
        n = n * 10 + static_cast<uint64_t>(ch - '0');
    }
    if (n > 0xFFFFFFFFull)
        throw SettingError("--seed must be between 0 and 4294967295, not " + value);
    return static_cast<uint32_t>(n);
}

Generator generator(const std::string& value)
{
    Generator g;
    if (!generatorOfName(value, g))
        throw SettingError("--rng must be lcg or philox, not '" + value + "'");
    return g;
}

std::pair<int32_t, int32_t> size(const std::string& value)
{
    const auto [cols, rows] = integerPair("--size", value, 'x', "COLSxROWS, e.g. 50x40");
    const int32_t low = settingKey(Setting::GridX).low;
    for (int32_t n : {cols, rows})
        if (n < low || n > largestLatticeSide)
            throw SettingError("--size: columns and rows must be between " + std::to_string(low) + " and "
                               + std::to_string(largestLatticeSide) + ", not '" + value + "'");
    return {cols, rows};
}

int32_t ratePosition(const std::string& value)
{
    return integerInRange("--dep", value, settingKey(Setting::Dep).low, settingKey(Setting::Dep).high);
}

double maxLayers(const std::string& value)
{
    try {
        return maxLayersOfText(value);
    } catch (const AppError& e) {
        throw SettingError(std::string("--max: ") + e.what());
    }
}

int32_t relaxations(const std::string& value)
{
    return integer("--relax", value);
}

int32_t isotropic(const std::string& value)
{
    return integerInRange("--iso", value, settingKey(Setting::Z).low, settingKey(Setting::Z).high);
}

std::pair<int32_t, int32_t> anisotropic(const std::string& value)
{
    const auto [x, y] = integerPair("--aniso", value, ',', "ZX,ZY, e.g. 1,2");
    const SettingKey& kx = settingKey(Setting::Zx);
    const SettingKey& ky = settingKey(Setting::Zy);
    if (x < kx.low || x > kx.high || y < ky.low || y > ky.high)
        throw SettingError("--aniso: both thresholds must be between " + std::to_string(kx.low) + " and "
                           + std::to_string(kx.high) + ", not '" + value + "'");
    return {x, y};
}

int32_t zoom(const std::string& value)
{
    return integerInRange("--zoom", value, settingKey(Setting::Zoom).low, settingKey(Setting::Zoom).high);
}

std::string paletteList()
{
    std::string list;
    for (size_t i = 0; i < paletteNames.size(); ++i)
        list += std::string(i == 0 ? "" : i + 1 == paletteNames.size() ? " or " : ", ") + paletteNames[i];
    return list;
}

int32_t palette(const std::string& value)
{
    for (size_t i = 0; i < paletteNames.size(); ++i)
        if (value == paletteNames[i])
            return static_cast<int32_t>(i);
    throw SettingError("--palette must be " + paletteList() + ", not '" + value + "'");
}

int32_t chartStyle(const std::string& value)
{
    return integerInRange("--chart-style", value, 0, settingKey(Setting::Chart).high);
}

int64_t steps(const std::string& value)
{
    return integerInRange("--steps", value, 0, INT32_MAX);
}

int32_t runs(const std::string& value)
{
    return integerInRange("--runs", value, 1, INT32_MAX);
}

int32_t jobs(const std::string& value)
{
    return integerInRange("--jobs", value, 1, 1024);
}

std::pair<int64_t, int64_t> fitRange(const std::string& value)
{
    const auto [from, to] = integerPair("--fit-range", value, ':', "T1:T2, e.g. 100:2000");
    if (from < 1 || to <= from)
        throw SettingError("--fit-range needs 1 <= T1 < T2, not '" + value + "'");
    return {from, to};
}

void fitRangeWithin(int64_t to, int64_t steps)
{
    if (to > steps)
        throw SettingError("--fit-range: T2 " + std::to_string(to) + " is beyond the last tick "
                           + std::to_string(steps));
}

void oneRule(bool isoGiven, bool anisoGiven)
{
    if (isoGiven && anisoGiven)
        throw SettingError("--iso and --aniso exclude each other");
}

void sizeOrLayer(bool sizeGiven, bool layerGiven)
{
    if (sizeGiven && layerGiven)
        throw SettingError("--size and --layer exclude each other: the layer file gives the size");
}

void experimentSeed(bool seedGiven)
{
    if (!seedGiven)
        throw SettingError("--runs needs --seed: run k is seeded with S+k so that it can be repeated alone");
}

} // namespace SettingChecks
