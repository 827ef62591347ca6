#include "run/RunPlan.h"

#include "files/IniFile.h"
#include "files/LayerFile.h"
#include "files/NumberText.h"
#include "files/Settings.h"
#include "model/AppError.h"
#include "model/Convert.h"
#include "model/Random.h"
#include "run/StartLattice.h"

#include <algorithm>

using SettingChecks::shown;

void RunRequest::checkCombinations() const
{
    const SettingChecks::Spelling how = spelling;
    if (model)
        checkModelOptions(SettingChecks::model(*model, how));
    // An experiment draws from Philox unless lcg is asked for; a resumed run as it was saved.
    const bool tiled = update == std::string("tiled");
    SettingChecks::tiledNeedsPhilox(tiled, generator ? *generator == "philox" : runs > 0 || !resumeFile.empty(), how);
    if (resumeFile.empty() || update)
        SettingChecks::threadsNeedTiled(threadsPerRun.has_value(), tiled, how);
    SettingChecks::sizeOrLayer(columns.has_value(), !layerFile.empty(), how);
    if (runs > 0)
        SettingChecks::experimentSeed(seed.has_value(), how);
    if (!resumeFile.empty()) {
        for (const auto& [key, given] : {std::pair{"config", !configFile.empty()}, {"layer", !layerFile.empty()},
                                         {"size", columns.has_value()}, {"seed", seed.has_value()},
                                         {"run_index", runIndex > 0}, {"runs", runs > 0}})
            if (given)
                throw SettingError(shown("resume", how) + " and " + shown(key, how)
                                   + " exclude each other: the saved run gives its lattice, settings and generator");
    }
    SettingChecks::runIndexAlone(runIndex > 0, seed.has_value(), runs > 0, how);
    if (jobs > 0 && runs == 0)
        throw SettingError(shown("jobs", how) + " needs " + shown("runs", how));
    if (fitTo)
        SettingChecks::fitRangeWithin(*fitTo, steps, how);
}

void RunRequest::checkModelOptions(GrowthModel m, const std::string& source) const
{
    SettingChecks::modelOptions(m, source, relaxText.has_value(), zmode == 0, zmode == 1, spelling);
}

namespace {

// An option given on the command line replaces the value of the file or the default.
template <class T>
void takeGiven(T& target, const std::optional<T>& given)
{
    if (given)
        target = *given;
}

// A combo box index outside its list leaves no item selected, index -1.
int32_t comboIndex(int32_t index, int32_t items)
{
    return index >= 0 && index < items ? index : -1;
}

// A file the store could not read (too large, not a regular file) is an error, not defaults.
void checkLoaded(const std::string& path, const IniFile& ini)
{
    checkReadableFile(path);
    if (!ini.loadError().empty())
        throw AppError(ini.loadError());
}

// --resume: the lattice, settings and generator of the saved run. Options that shape the
// dynamics may be repeated but must agree with the saved ones.
void resumeFrom(const RunRequest& o, RunPlan& s)
{
    const std::string& path = o.resumeFile;
    const IniFile ini(path);
    checkLoaded(path, ini);
    std::optional<FilmState> state;
    try {
        state = FilmState::read(ini);
    } catch (const AppError& e) {
        throw AppError(path + ": " + e.what());
    }
    if (!state)
        throw AppError(path + ": no saved run to continue (only layer files written by tessavo-batch --save-layer hold one)");
    const FilmState& st = *state;
    // A setting repeated with another value than the saved one is a contradiction in what was
    // typed, as two options that exclude each other are.
    const SettingChecks::Spelling how = o.spelling;
    const auto contradicts = [&](const std::string& given, const std::string& saved) {
        throw SettingError(given + " contradicts the saved run's " + saved + " in " + path);
    };
    const GrowthSettings& g = st.settings;
    if (o.ratePosition && *o.ratePosition != g.dep)
        contradicts(shown("dep", how) + " " + std::to_string(*o.ratePosition), std::to_string(g.dep));
    if (o.maxText && maxLayersOfText(*o.maxText) != g.max)
        contradicts(shown("max", how) + " " + *o.maxText, exactText(g.max));
    if (o.relaxText && strToInt(*o.relaxText) != g.relax)
        contradicts(shown("relax", how) + " " + std::to_string(strToInt(*o.relaxText)), std::to_string(g.relax));
    if (o.zmode) {
        const auto rule = [&how](int32_t zmode, int32_t z, int32_t zx, int32_t zy, bool typed) {
            const std::string name = zmode == 0 ? "iso" : "aniso";
            const std::string values = zmode == 0 ? std::to_string(z) : std::to_string(zx) + "," + std::to_string(zy);
            return (typed ? shown(name, how) : name) + " " + values;
        };
        if (*o.zmode != g.zmode || (g.zmode == 0 ? *o.z != g.z : *o.zx != g.zx || *o.zy != g.zy))
            contradicts(rule(*o.zmode, o.z.value_or(0), o.zx.value_or(0), o.zy.value_or(0), true),
                        rule(g.zmode, g.z, g.zx, g.zy, false));
    }
    if (o.autoHeight && !g.autoheight)
        throw SettingError(shown("autoheight", how) + " contradicts the saved run, which grew without auto-height, in " + path);
    if (o.generator && *o.generator != generatorName(g.rng))
        contradicts(shown("rng", how) + " " + *o.generator, generatorName(g.rng));
    if (o.model && *o.model != growthModelName(g.model))
        contradicts(shown("model", how) + " " + *o.model, std::string("model ") + growthModelName(g.model));
    o.checkModelOptions(g.model, o.model ? std::string() : path);
    if (o.update && *o.update != updateSchemeName(g.update))
        contradicts(shown("update", how) + " " + *o.update, std::string("update ") + updateSchemeName(g.update));
    SettingChecks::threadsNeedTiled(o.threadsPerRun.has_value(), g.update == UpdateScheme::Tiled, how);

    if (LayerFile::readColumns(ini) != g.columns || LayerFile::readRows(ini) != g.rows || g.columns < 1 || g.rows < 1
        || g.columns > largestLatticeSide || g.rows > largestLatticeSide)
        throw AppError(path + ": the lattice's size does not match its saved run");
    auto heights = readLayerHeights(path, ini, g.columns, g.rows);
    if (FilmState::hashOf(heights->data(), heights->size()) != st.latticeHash)
        throw AppError(path + ": the lattice no longer matches its saved run (saved over by the window or edited); it cannot be continued");

    st.applyTo(s.run);
    s.run.startHeights = std::move(heights);
    s.ratePosition = st.settings.dep;
    s.maxText = exactText(st.settings.max);
    s.relaxText = std::to_string(st.settings.relax);
    s.seedFromClock = false;
    s.resume = st;
}

} // namespace

RunPlan RunPlan::resolve(const RunRequest& o)
{
    o.checkCombinations();
    RunPlan s;
    Scenario& sc = s.run.scenario;
    sc = windowDefaults();
    sc.name = "batch";
    s.run.autoHeight = false;
    s.run.palette = startPalette;
    bool configSquare = false;

    if (!o.configFile.empty()) {
        checkReadableFile(o.configFile);
        const IniFile ini(o.configFile);
        checkLoaded(o.configFile, ini);
        const ConfigFileValues c = readConfigSettings(ini);
        sc.sizeX = c.x;
        sc.sizeY = c.square ? c.x : c.y;
        s.ratePosition = c.dep;
        s.maxText = c.max;
        // The radio group's index -1 (no item) counts as anisotropic, as any index but 0 does.
        sc.zmode = c.zmode == 0 ? 0 : 1;
        sc.z = comboIndex(c.z, 5);
        sc.zx = comboIndex(c.zx, 4);
        sc.zy = comboIndex(c.zy, 4);
        s.zoom = c.zoom;
        s.run.autoHeight = c.autoheight;
        s.originX = c.xabs;
        s.originY = c.yabs;
        s.chartStyle = c.chart;
        s.relaxText = c.t;
        s.run.palette = c.palette;
        if (!growthModelOfName(c.model, sc.model))
            throw AppError(o.configFile + ": the model '" + c.model + "' is none of " + growthModelList());
        // The texts are checked here only when the command line does not replace them.
        try {
            if (!o.maxText)
                maxLayersOfText(s.maxText);
            if (!o.relaxText)
                strToInt(s.relaxText);
        } catch (const AppError& e) {
            throw AppError(o.configFile + ": " + e.what());
        }
        configSquare = c.square;
    }

    takeGiven(sc.sizeX, o.columns);
    takeGiven(sc.sizeY, o.rows);
    takeGiven(s.ratePosition, o.ratePosition);
    takeGiven(s.maxText, o.maxText);
    takeGiven(s.relaxText, o.relaxText);
    if (o.model)
        growthModelOfName(*o.model, sc.model);
    o.checkModelOptions(sc.model, o.model ? std::string() : o.configFile);
    takeGiven(sc.zmode, o.zmode); // the thresholds come only with their rule
    takeGiven(sc.z, o.z);
    takeGiven(sc.zx, o.zx);
    takeGiven(sc.zy, o.zy);
    if (o.autoHeight)
        s.run.autoHeight = true;
    takeGiven(s.originX, o.originX);
    takeGiven(s.originY, o.originY);
    takeGiven(s.zoom, o.zoom);
    takeGiven(s.run.palette, o.palette);
    takeGiven(s.chartStyle, o.chartStyle);

    sc.ratePosition = s.ratePosition;
    sc.maxLayers = maxLayersOfText(s.maxText);
    sc.relaxations = strToInt(s.relaxText);

    if (!o.layerFile.empty()) {
        const IniFile ini(o.layerFile);
        checkLoaded(o.layerFile, ini);
        // With "square" on, each size copies itself to the other bar as it is loaded: rows win.
        const bool square = configSquare;
        // Any size the research runs take loads whole; beyond it the sides are held to it, as
        // the window's bars hold a file's sizes to theirs.
        const int32_t smallest = settingKey(Setting::GridX).low;
        const int32_t cols = std::clamp(LayerFile::readColumns(ini), smallest, largestLatticeSide);
        const int32_t rows = std::clamp(LayerFile::readRows(ini), smallest, largestLatticeSide);
        sc.sizeX = square ? rows : cols;
        sc.sizeY = rows;
        s.run.startHeights = readLayerHeights(o.layerFile, ini, sc.sizeX, sc.sizeY);
    }

    s.steps = o.steps;
    if (o.seed) {
        s.seedFromClock = false;
        s.seed = *o.seed;
    } else {
        s.seed = clockSeed();
    }
    sc.seed = s.seed;
    s.runIndex = o.runIndex;
    // An experiment's runs draw from independent counter-based streams unless the window's
    // congruential generator is asked for: seeded S + k, its runs start on correlated draws.
    // A single run keeps the window's generator and seeds.
    if (o.generator)
        generatorOfName(*o.generator, s.run.generator);
    else if (o.runs > 0)
        s.run.generator = Generator::Philox;
    if (o.update)
        updateSchemeOfName(*o.update, s.run.update);
    takeGiven(s.run.threads, o.threadsPerRun);
    if (!o.resumeFile.empty())
        resumeFrom(o, s);
    return s;
}
