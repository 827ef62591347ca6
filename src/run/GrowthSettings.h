#pragma once
// GrowthSettings: the one record of the settings that shape how a film grows, and the one list
// of its fields. Everything that stores, shows or compares those settings walks the list: the
// series file's attributes and the identity its slices must share, the [state] section of a
// saved run, merge's comparison, the JSON summary and Python's results. A new setting is one
// member here, one entry in the list, and its effect on the step.
#include "run/FilmSetup.h"

#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

struct GrowthSettings {
    Generator rng = Generator::Lcg;
    GrowthModel model = GrowthModel::Tessavo;
    UpdateScheme update = UpdateScheme::Sequential;
    int32_t columns = 0, rows = 0; // lattice cells
    int32_t dep = 0;               // the rate bar's position: the rate is dep / 1000
    double max = 0.0;              // layers to deposit
    int32_t relax = 0;             // relaxation sweeps per tick
    int32_t zmode = 0;             // 0 isotropic (z), 1 anisotropic (zx, zy)
    int32_t z = 0, zx = 0, zy = 0; // the stay thresholds
    bool autoheight = false;

    static GrowthSettings of(const FilmSetup& setup);
    // Sets the setup's scenario, generator and auto-height; its other fields stay.
    void applyTo(FilmSetup& setup) const;
    // The deposition rate in layers per tick, as the window's rate bar makes it.
    double rate() const;
};

// How a field is stored: in the series file and JSON as a number, a flag or a name; in a saved
// state as text. A Rule is a name ("iso", "aniso") kept as its number in a saved state.
enum class FieldKind { Integer, Real, Flag, Name, Rule };

// A field's value: integers, flags and rules' numbers as int64, reals as double, names as text.
using FieldValue = std::variant<int64_t, double, std::string>;

struct GrowthField {
    const char* name;     // snake_case, the same in every output
    const char* stateKey; // the key of a saved state, nullptr when the state keeps it apart
    FieldKind kind;
    int64_t low, high;    // the values an integer field takes
    FieldValue (*get)(const GrowthSettings&);
    void (*set)(GrowthSettings&, const FieldValue&);
    std::span<const char* const> names = {}; // the values a name field takes
    // A field added after files were written without it: a series file or a saved state that
    // lacks it means its default (that of GrowthSettings{}), and a saved state leaves the
    // default out, so that a run of the defaults saves the same text as before.
    bool optional = false;
    // An optional field whose default series files leave out as well: files of the default are
    // the same byte for byte as before the field.
    bool defaultLeftOut = false;
};

// The fields in the order every output lists them.
const std::vector<GrowthField>& growthFields();

// The value as shown in messages and compared between files: decimal integers, reals with 17
// significant digits, names and rules by name.
std::string fieldText(const GrowthField& field, const FieldValue& value);
// The value of a name or a rule from its text, or of a rule from its number; false for a value
// the field does not take (an integer outside low..high, an unknown name, a real not finite).
bool fieldValueOf(const GrowthField& field, FieldValue& value);

// The names and texts of the fields where two records differ, in list order.
std::vector<std::pair<std::string, std::pair<std::string, std::string>>> differences(const GrowthSettings& a,
                                                                                   const GrowthSettings& b);

// A value of a run's results as JSON and Python give it.
using ResultValue = std::variant<int64_t, double, std::string, bool>;
// The settings of a run's results, name by name: the growth fields (flags as booleans, names
// and rules as text), then the rate they make and the steps grown.
std::vector<std::pair<std::string, ResultValue>> settingsBlock(const GrowthSettings& settings, int64_t steps);
