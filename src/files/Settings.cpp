#include "files/Settings.h"

#include "files/IniFile.h"
#include "model/AppError.h"
#include "model/Convert.h"

#include <algorithm>

namespace {

// The configuration file names the first four schemes; the fifth has no name there.
constexpr std::size_t namedPalettes = 4;

} // namespace

double maxLayersOfText(const std::string& text)
{
    try {
        return strToFloat(text, '.');
    } catch (const AppError&) {
        return strToFloat(text, ',');
    }
}

int32_t readIntegerSetting(const IniFile& ini, Setting s)
{
    const SettingKey& k = settingKey(s);
    return ini.ReadInteger(k.section, k.key, k.defaultNumber);
}

bool readBoolSetting(const IniFile& ini, Setting s)
{
    const SettingKey& k = settingKey(s);
    return ini.ReadBool(k.section, k.key, k.defaultNumber != 0);
}

std::string readStringSetting(const IniFile& ini, Setting s)
{
    const SettingKey& k = settingKey(s);
    return ini.ReadString(k.section, k.key, k.defaultText);
}

int32_t clampSetting(Setting s, int32_t value)
{
    const SettingKey& k = settingKey(s);
    return k.clamped ? std::clamp(value, k.low, k.high) : value;
}

void writeIntegerSetting(IniFile& ini, Setting s, int32_t value)
{
    const SettingKey& k = settingKey(s);
    ini.WriteInteger(k.section, k.key, value);
}

void writeBoolSetting(IniFile& ini, Setting s, bool value)
{
    const SettingKey& k = settingKey(s);
    ini.WriteBool(k.section, k.key, value);
}

void writeStringSetting(IniFile& ini, Setting s, const std::string& value)
{
    const SettingKey& k = settingKey(s);
    ini.WriteString(k.section, k.key, value);
}

std::optional<std::string> colorNameOfPalette(int32_t palette)
{
    if (palette < 0 || palette >= static_cast<int32_t>(namedPalettes))
        return std::nullopt;
    return std::string(paletteNames[static_cast<std::size_t>(palette)]);
}

int32_t paletteOfColorName(const std::string& name)
{
    // The colour menu's rule: green, red and blue by exact name, everything else mixed.
    for (int32_t p = 0; p < 3; ++p)
        if (name == paletteNames[static_cast<std::size_t>(p)])
            return p;
    return 3;
}

ConfigFileValues readConfigSettings(const IniFile& ini)
{
    const auto integer = [&](Setting s) { return clampSetting(s, readIntegerSetting(ini, s)); };
    ConfigFileValues c;
    c.x = integer(Setting::GridX);
    c.y = integer(Setting::GridY);
    c.square = readBoolSetting(ini, Setting::Square);
    c.dep = integer(Setting::Dep);
    c.max = readStringSetting(ini, Setting::Max);
    c.zmode = integer(Setting::Zmode);
    c.z = integer(Setting::Z);
    c.zx = integer(Setting::Zx);
    c.zy = integer(Setting::Zy);
    c.speed = integer(Setting::Speed);
    c.zoom = integer(Setting::Zoom);
    c.autoheight = readBoolSetting(ini, Setting::AutoHeight);
    c.xabs = integer(Setting::Xabs);
    c.yabs = integer(Setting::Yabs);
    c.chart = integer(Setting::Chart);
    c.t = readStringSetting(ini, Setting::Relaxations);
    c.language = readStringSetting(ini, Setting::Language);
    c.palette = paletteOfColorName(readStringSetting(ini, Setting::Color));
    c.model = readStringSetting(ini, Setting::Model);
    return c;
}

void writeConfigSettings(IniFile& ini, const ConfigFileValues& c)
{
    writeIntegerSetting(ini, Setting::GridX, c.x);
    writeIntegerSetting(ini, Setting::GridY, c.y);
    writeBoolSetting(ini, Setting::Square, c.square);
    writeIntegerSetting(ini, Setting::Dep, c.dep);
    writeStringSetting(ini, Setting::Max, c.max);
    writeIntegerSetting(ini, Setting::Zmode, c.zmode);
    writeIntegerSetting(ini, Setting::Z, c.z);
    writeIntegerSetting(ini, Setting::Zx, c.zx);
    writeIntegerSetting(ini, Setting::Zy, c.zy);
    writeIntegerSetting(ini, Setting::Speed, c.speed);
    writeIntegerSetting(ini, Setting::Zoom, c.zoom);
    writeBoolSetting(ini, Setting::AutoHeight, c.autoheight);
    writeIntegerSetting(ini, Setting::Xabs, c.xabs);
    writeIntegerSetting(ini, Setting::Yabs, c.yabs);
    writeIntegerSetting(ini, Setting::Chart, c.chart);
    writeStringSetting(ini, Setting::Relaxations, c.t);
    writeStringSetting(ini, Setting::Language, c.language);
    if (const auto name = colorNameOfPalette(c.palette))
        writeStringSetting(ini, Setting::Color, *name);
    const SettingKey& model = settingKey(Setting::Model);
    if (c.model != model.defaultText || ini.findValue(model.section, model.key))
        writeStringSetting(ini, Setting::Model, c.model);
}
