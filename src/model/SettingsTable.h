#pragma once
// The one table of the film's settings: for each, its configuration-file section and key, the
// value a file without the key gives, the range its control holds, the value the window starts
// with, and the large step of its scroll bar. The window's controls, the configuration reader
// and writer, the batch tool's option checks and its --help all read it. Sizes in lattice
// cells, dep in thousandths of a layer per step, xabs/yabs the surface origin in bitmap pixels,
// zoom the cell size in pixels.
#include "model/GrowthModel.h"

#include <array>
#include <cstddef>
#include <cstdint>

enum class SettingForm { Integer, Bool, String };

// The keys of the table, in the order the configuration file writes and reads them.
enum class Setting {
    GridX, GridY, Square, Dep, Max, Zmode, Z, Zx, Zy,
    Speed, Zoom, AutoHeight, Xabs, Yabs, Chart, Relaxations, Language, Color, Model
};

struct SettingKey {
    const char* section;
    const char* key;
    SettingForm form;
    int32_t defaultNumber;   // integer and bool keys missing from a file (false 0, true 1)
    const char* defaultText; // string keys missing from a file
    bool clamped;            // integer keys that a file's value is held to low..high for
    int32_t low;             // the control's range (a combo box's indexes, a bar's positions)
    int32_t high;
    int32_t start;           // the control's value when the window starts
    const char* startText;   // an edit box's text when the window starts
    int32_t largeStep;       // a scroll bar's large step
};

inline constexpr std::array<SettingKey, 19> settingsTable = {{
    {"grid", "x", SettingForm::Integer, 50, "", true, 10, 100, 50, "", 10},
    {"grid", "y", SettingForm::Integer, 50, "", true, 10, 100, 50, "", 10},
    {"grid", "square", SettingForm::Bool, 0, "", false, 0, 1, 0, "", 0},
    {"layers", "dep", SettingForm::Integer, 10, "", true, 1, 1000, 10, "", 10},
    {"layers", "max", SettingForm::String, 0, "50.0", false, 0, 0, 0, "50", 0},
    {"conditions", "zmode", SettingForm::Integer, 0, "", true, -1, 1, 0, "", 0},
    {"conditions", "z", SettingForm::Integer, 0, "", false, 0, 4, 2, "", 0},
    {"conditions", "zx", SettingForm::Integer, 1, "", false, 0, 3, 1, "", 0},
    {"conditions", "zy", SettingForm::Integer, 1, "", false, 0, 3, 1, "", 0},
    {"animation", "speed", SettingForm::Integer, 80, "", true, 1, 100, 80, "", 10},
    {"animation", "zoom", SettingForm::Integer, 7, "", true, 5, 10, 7, "", 1},
    {"animation", "autoheight", SettingForm::Bool, 0, "", false, 0, 1, 0, "", 0},
    {"animation", "xabs", SettingForm::Integer, 210, "", false, INT32_MIN, INT32_MAX, 210, "", 0},
    {"animation", "yabs", SettingForm::Integer, 190, "", false, INT32_MIN, INT32_MAX, 190, "", 0},
    {"animation", "chart", SettingForm::Integer, 0, "", true, -1, 1, 0, "", 0},
    {"relaxation", "t", SettingForm::String, 0, "5", false, 0, 0, 0, "5", 0},
    {"options", "language", SettingForm::String, 0, "1", false, 0, 0, 0, "1", 0},
    {"options", "color", SettingForm::String, 0, "green", false, 0, 0, 0, "mixed", 0},
    // The growth model by name; written only for a model other than Tessavo's own.
    {"model", "name", SettingForm::String, 0, growthModelName(GrowthModel::Tessavo), false, 0, 0, 0,
     growthModelName(GrowthModel::Tessavo), 0},
}};

constexpr const SettingKey& settingKey(Setting s) { return settingsTable[static_cast<std::size_t>(s)]; }

// The five colour schemes by number 0..4, as the batch tool names them; the configuration
// file stores the first four by these names (see files/Settings.h).
inline constexpr std::array<const char*, 5> paletteNames = {"green", "red", "blue", "mixed", "mixed2"};
// The palette the window starts with, and the pictures of the batch tool and Python: "mixed".
inline constexpr int32_t startPalette = 3;

// The research runs' own settings, beside the window's: ticks a run grows when none are given,
// and the threads of an experiment (0: one per core, up to largestJobs).
inline constexpr int64_t defaultSteps = 1000;
inline constexpr int32_t defaultJobs = 0;
inline constexpr int32_t largestJobs = 1024;
