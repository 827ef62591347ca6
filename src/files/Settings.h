#pragma once
// The settings of the configuration file (".ini"), read and written through the one table of
// settings (model/SettingsTable.h) shared by the window's controls, its save and load commands
// and the batch tool; ConfigFileValues holds one set of values, and the colour names map to
// palette numbers. Sizes are lattice cells, dep thousandths of a layer per step,
// xabs/yabs the surface origin in bitmap pixels.
#include "model/SettingsTable.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

class IniFile;


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

// The layers to deposit from their text ("max"), with a decimal point or a decimal comma: the
// window keeps the text as typed in the user's locale, so a configuration saved under a
// decimal comma ("50,5") means the same on any machine. Throws AppError
// "'<text>' is not a valid floating point value" for any other text.
double maxLayersOfText(const std::string& text);

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
    std::string model = settingKey(Setting::Model).defaultText;    // the growth model's name

    bool operator==(const ConfigFileValues&) const = default;
};

// All keys with their defaults, integers clamped as the controls clamp them (combo box
// indexes and the origin as stored), the colour name mapped to its palette.
ConfigFileValues readConfigSettings(const IniFile& ini);
// Keys 1 to 18 in order; no "color" key when the palette has no name. The model's key
// follows only for a model other than Tessavo's own, or when the file has one already (so that
// it then names Tessavo's): a file of Tessavo's model is the same as before models were chosen.
void writeConfigSettings(IniFile& ini, const ConfigFileValues& settings);
