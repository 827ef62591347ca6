#pragma once
// The settings of the configuration file (".ini"): the table of its 18 keys in the order they
// are written and read, with section, key, form and default, shared by the window's save and
// load commands and the batch tool; ConfigFileValues holds one set of values, and the colour
// names map to palette numbers. Sizes are lattice cells, dep thousandths of a layer per step,
// xabs/yabs the surface origin in bitmap pixels.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

class IniFile;

enum class SettingForm { Integer, Bool, String };

// The keys of the table, in order.
enum class Setting {
    GridX, GridY, Square, Dep, Max, Zmode, Z, Zx, Zy,
    Speed, Zoom, AutoHeight, Xabs, Yabs, Chart, Relaxations, Language, Color
};

struct SettingKey {
    const char* section;
    const char* key;
    SettingForm form;
    int32_t defaultNumber;   // integer and bool keys (false 0, true 1)
    const char* defaultText; // string keys
    bool clamped;            // integer keys whose control holds them to low..high
    int32_t low;
    int32_t high;
};

inline constexpr std::array<SettingKey, 18> settingsTable = {{
    {"grid", "x", SettingForm::Integer, 50, "", true, 10, 100},
    {"grid", "y", SettingForm::Integer, 50, "", true, 10, 100},
    {"grid", "square", SettingForm::Bool, 0, "", false, 0, 0},
    {"layers", "dep", SettingForm::Integer, 10, "", true, 1, 1000},
    {"layers", "max", SettingForm::String, 0, "50.0", false, 0, 0},
    {"conditions", "zmode", SettingForm::Integer, 0, "", true, -1, 1},
    {"conditions", "z", SettingForm::Integer, 0, "", false, 0, 0},
    {"conditions", "zx", SettingForm::Integer, 1, "", false, 0, 0},
    {"conditions", "zy", SettingForm::Integer, 1, "", false, 0, 0},
    {"animation", "speed", SettingForm::Integer, 80, "", true, 1, 100},
    {"animation", "zoom", SettingForm::Integer, 7, "", true, 5, 10},
    {"animation", "autoheight", SettingForm::Bool, 0, "", false, 0, 0},
    {"animation", "xabs", SettingForm::Integer, 210, "", false, 0, 0},
    {"animation", "yabs", SettingForm::Integer, 190, "", false, 0, 0},
    {"animation", "chart", SettingForm::Integer, 0, "", true, -1, 1},
    {"relaxation", "t", SettingForm::String, 0, "5", false, 0, 0},
    {"options", "language", SettingForm::String, 0, "1", false, 0, 0},
    {"options", "color", SettingForm::String, 0, "green", false, 0, 0},
}};

constexpr const SettingKey& settingKey(Setting s) { return settingsTable[static_cast<std::size_t>(s)]; }

// One key, read with its default. Integers come as stored (see clampSetting); a bool key
// reads through ReadBool.
int32_t readIntegerSetting(const IniFile& ini, Setting s);
bool readBoolSetting(const IniFile& ini, Setting s);
std::string readStringSetting(const IniFile& ini, Setting s);
// The value as the key's control holds it: scroll bars to their range, radio groups to -1..1;
// other keys unchanged.
int32_t clampSetting(Setting s, int32_t value);

void writeIntegerSetting(IniFile& ini, Setting s, int32_t value);
void writeBoolSetting(IniFile& ini, Setting s, bool value);
void writeStringSetting(IniFile& ini, Setting s, const std::string& value);

// The colour name of a palette: "green", "red", "blue", "mixed" for 0..3; none for palette 4
// ("Paleta 2") or any other number, and then no "color" key is written.
std::optional<std::string> colorNameOfPalette(int32_t palette);
// The palette a stored colour name selects, compared exactly: "green" 0, "red" 1, "blue" 2,
// any other text 3 (the "Paleta 1" scheme). A missing key reads as "green".
int32_t paletteOfColorName(const std::string& name);

// One set of settings, with the table's defaults.
struct ConfigFileValues {
    int32_t x = settingKey(Setting::GridX).defaultNumber;          // lattice columns
    int32_t y = settingKey(Setting::GridY).defaultNumber;          // lattice rows
    bool square = settingKey(Setting::Square).defaultNumber != 0;
    int32_t dep = settingKey(Setting::Dep).defaultNumber;          // rate in 1/1000 layer per step
    std::string max = settingKey(Setting::Max).defaultText;        // layers to deposit, as typed
    int32_t zmode = settingKey(Setting::Zmode).defaultNumber;      // 0 isotropic, 1 anisotropic
    int32_t z = settingKey(Setting::Z).defaultNumber;              // combo box indexes
    int32_t zx = settingKey(Setting::Zx).defaultNumber;
    int32_t zy = settingKey(Setting::Zy).defaultNumber;
    int32_t speed = settingKey(Setting::Speed).defaultNumber;
    int32_t zoom = settingKey(Setting::Zoom).defaultNumber;
    bool autoheight = settingKey(Setting::AutoHeight).defaultNumber != 0;
    int32_t xabs = settingKey(Setting::Xabs).defaultNumber;        // surface origin, pixels
    int32_t yabs = settingKey(Setting::Yabs).defaultNumber;
    int32_t chart = settingKey(Setting::Chart).defaultNumber;      // chart style index
    std::string t = settingKey(Setting::Relaxations).defaultText;  // relaxations, as typed
    std::string language = settingKey(Setting::Language).defaultText; // "1" Polish, "2" English
    int32_t palette = 0;                                           // 0..4

    bool operator==(const ConfigFileValues&) const = default;
};

// All keys with their defaults, integers clamped as the controls clamp them (combo box
// indexes and the origin as stored), the colour name mapped to its palette.
ConfigFileValues readConfigSettings(const IniFile& ini);
// Keys 1 to 18 in order; no "color" key when the palette has no name.
void writeConfigSettings(IniFile& ini, const ConfigFileValues& settings);
