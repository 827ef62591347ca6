#include "run/GrowthSettings.h"

#include "files/NumberText.h"
#include "model/SettingsTable.h"
#include "model/Symulacja.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr const char* ruleNames[] = {"iso", "aniso"};

int64_t integerOf(const FieldValue& v)
{
    return std::get<int64_t>(v);
}

int32_t small(const FieldValue& v)
{
    return static_cast<int32_t>(std::get<int64_t>(v));
}

int64_t low(Setting s)
{
    return settingKey(s).low;
}

int64_t high(Setting s)
{
    return settingKey(s).high;
}

} // namespace

GrowthSettings GrowthSettings::of(const FilmSetup& setup)
{
    const Scenario& sc = setup.scenario;
    GrowthSettings g;
    g.rng = setup.generator;
    g.model = sc.model;
    g.update = setup.update;
    g.columns = sc.sizeX;
    g.rows = sc.sizeY;
    g.dep = sc.ratePosition;
    g.max = sc.maxLayers;
    g.relax = sc.relaxations;
    g.zmode = sc.zmode;
    g.z = sc.z;
    g.zx = sc.zx;
    g.zy = sc.zy;
    g.autoheight = setup.autoHeight;
    return g;
}

void GrowthSettings::applyTo(FilmSetup& setup) const
{
    Scenario& sc = setup.scenario;
    setup.generator = rng;
    sc.model = model;
    setup.update = update;
    sc.sizeX = columns;
    sc.sizeY = rows;
    sc.ratePosition = dep;
    sc.maxLayers = max;
    sc.relaxations = relax;
    sc.zmode = zmode;
    sc.z = z;
    sc.zx = zx;
    sc.zy = zy;
    setup.autoHeight = autoheight;
}

double GrowthSettings::rate() const
{
    return Symulacja::rateOfPosition(dep);
}

const std::vector<GrowthField>& growthFields()
{
    using G = GrowthSettings;
    using V = FieldValue;
    // The thresholds take -1 too: a configuration file's index outside its list selects none.
    static const std::vector<GrowthField> fields = {
        {"rng", nullptr, FieldKind::Name, 0, 0, [](const G& g) { return V{std::string(generatorName(g.rng))}; },
         [](G& g, const V& v) { generatorOfName(std::get<std::string>(v), g.rng); }, generatorNames},
        {"model", "model", FieldKind::Name, 0, 0, [](const G& g) { return V{std::string(growthModelName(g.model))}; },
         [](G& g, const V& v) { growthModelOfName(std::get<std::string>(v), g.model); }, growthModelNames, true},
        {"update", "update", FieldKind::Name, 0, 0, [](const G& g) { return V{std::string(updateSchemeName(g.update))}; },
         [](G& g, const V& v) { updateSchemeOfName(std::get<std::string>(v), g.update); }, updateSchemeNames, true, true},
        {"columns", "x", FieldKind::Integer, low(Setting::GridX), largestLatticeSide,
         [](const G& g) { return V{int64_t{g.columns}}; }, [](G& g, const V& v) { g.columns = small(v); }},
        {"rows", "y", FieldKind::Integer, low(Setting::GridY), largestLatticeSide,
         [](const G& g) { return V{int64_t{g.rows}}; }, [](G& g, const V& v) { g.rows = small(v); }},
        {"dep", "dep", FieldKind::Integer, low(Setting::Dep), high(Setting::Dep),
         [](const G& g) { return V{int64_t{g.dep}}; }, [](G& g, const V& v) { g.dep = small(v); }},
        {"max", "max", FieldKind::Real, 0, 0, [](const G& g) { return V{g.max}; },
         [](G& g, const V& v) { g.max = std::get<double>(v); }},
        {"relax", "t", FieldKind::Integer, INT32_MIN, INT32_MAX, [](const G& g) { return V{int64_t{g.relax}}; },
         [](G& g, const V& v) { g.relax = small(v); }},
        {"zmode", "zmode", FieldKind::Rule, 0, 1, [](const G& g) { return V{int64_t{g.zmode}}; },
         [](G& g, const V& v) { g.zmode = small(v); }},
        {"z", "z", FieldKind::Integer, -1, high(Setting::Z), [](const G& g) { return V{int64_t{g.z}}; },
         [](G& g, const V& v) { g.z = small(v); }},
        {"zx", "zx", FieldKind::Integer, -1, high(Setting::Zx), [](const G& g) { return V{int64_t{g.zx}}; },
         [](G& g, const V& v) { g.zx = small(v); }},
        {"zy", "zy", FieldKind::Integer, -1, high(Setting::Zy), [](const G& g) { return V{int64_t{g.zy}}; },
         [](G& g, const V& v) { g.zy = small(v); }},
        {"autoheight", "autoheight", FieldKind::Flag, 0, 1, [](const G& g) { return V{int64_t{g.autoheight ? 1 : 0}}; },
         [](G& g, const V& v) { g.autoheight = integerOf(v) != 0; }},
    };
    return fields;
}

std::string fieldText(const GrowthField& field, const FieldValue& value)
{
    switch (field.kind) {
    case FieldKind::Real:
        return exactText(std::get<double>(value));
    case FieldKind::Name:
        return std::get<std::string>(value);
    case FieldKind::Rule: {
        const int64_t n = integerOf(value);
        return n >= 0 && n <= 1 ? ruleNames[n] : std::to_string(n);
    }
    case FieldKind::Integer:
    case FieldKind::Flag:
        break;
    }
    return std::to_string(integerOf(value));
}

bool fieldValueOf(const GrowthField& field, FieldValue& value)
{
    switch (field.kind) {
    case FieldKind::Real:
        return std::holds_alternative<double>(value) && std::isfinite(std::get<double>(value));
    case FieldKind::Name:
        if (const auto* text = std::get_if<std::string>(&value))
            return std::find(field.names.begin(), field.names.end(), *text) != field.names.end();
        return false;
    case FieldKind::Rule:
        if (const auto* text = std::get_if<std::string>(&value)) {
            for (int64_t n = 0; n < 2; ++n)
                if (*text == ruleNames[n]) {
                    value = n;
                    return true;
                }
            return false;
        }
        break;
    case FieldKind::Integer:
    case FieldKind::Flag:
        break;
    }
    const auto* n = std::get_if<int64_t>(&value);
    return n && *n >= field.low && *n <= field.high;
}

std::vector<std::pair<std::string, std::pair<std::string, std::string>>> differences(const GrowthSettings& a,
                                                                                   const GrowthSettings& b)
{
    std::vector<std::pair<std::string, std::pair<std::string, std::string>>> out;
    for (const GrowthField& f : growthFields()) {
        const FieldValue va = f.get(a), vb = f.get(b);
        if (va != vb)
            out.push_back({f.name, {fieldText(f, va), fieldText(f, vb)}});
    }
    return out;
}

std::vector<std::pair<std::string, ResultValue>> settingsBlock(const GrowthSettings& settings, int64_t steps)
{
    std::vector<std::pair<std::string, ResultValue>> out;
    for (const GrowthField& f : growthFields()) {
        const FieldValue v = f.get(settings);
        switch (f.kind) {
        case FieldKind::Real:
            out.emplace_back(f.name, std::get<double>(v));
            break;
        case FieldKind::Name:
        case FieldKind::Rule:
            out.emplace_back(f.name, fieldText(f, v));
            break;
        case FieldKind::Flag:
            out.emplace_back(f.name, std::get<int64_t>(v) != 0);
            break;
        case FieldKind::Integer:
            out.emplace_back(f.name, std::get<int64_t>(v));
            break;
        }
    }
    out.emplace_back("rate", settings.rate());
    out.emplace_back("steps", steps);
    return out;
}
