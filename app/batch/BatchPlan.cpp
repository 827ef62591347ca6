#include "batch/BatchPlan.h"

#include "files/IniFile.h"
#include "files/LayerFile.h"
#include "files/NumberText.h"
#include "files/OutputFile.h"
#include "files/Settings.h"
#include "run/StartLattice.h"
#include "model/AppError.h"
#include "model/Convert.h"
#include "model/Random.h"
#include "model/Symulacja.h"

#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

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
void resumeFrom(const BatchCommandLine& o, BatchPlan& s)
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
    const auto contradicts = [&](const char* option, const std::string& given, const std::string& saved) {
        if (given != saved)
            throw AppError("--" + std::string(option) + " " + given + " contradicts the saved run's " + saved + " in " + path);
    };
    if (o.ratePosition)
        contradicts("dep", std::to_string(*o.ratePosition), std::to_string(st.ratePosition));
    if (o.maxText && maxLayersOfText(*o.maxText) != st.maxLayers)
        contradicts("max", *o.maxText, exactText(st.maxLayers));
    if (o.relaxText)
        contradicts("relax", std::to_string(strToInt(*o.relaxText)), std::to_string(st.relaxations));
    if (o.zmode) {
        const std::string given = *o.zmode == 0 ? "iso " + std::to_string(*o.z) : "aniso " + std::to_string(*o.zx) + "," + std::to_string(*o.zy);
        const std::string saved = st.zmode == 0 ? "iso " + std::to_string(st.z) : "aniso " + std::to_string(st.zx) + "," + std::to_string(st.zy);
        if (given != saved)
            throw AppError("--" + given + " contradicts the saved run's " + saved + " in " + path);
    }
    if (o.autoHeight && !st.autoHeight)
        throw AppError("--autoheight contradicts the saved run, which grew without auto-height, in " + path);
    if (o.generator)
        contradicts("rng", *o.generator, generatorName(st.generator));

    if (LayerFile::readColumns(ini) != st.sizeX || LayerFile::readRows(ini) != st.sizeY || st.sizeX < 1 || st.sizeY < 1
        || st.sizeX > largestLatticeSide || st.sizeY > largestLatticeSide)
        throw AppError(path + ": the lattice's size does not match its saved run");
    auto heights = readLayerHeights(path, ini, st.sizeX, st.sizeY);
    if (FilmState::hashOf(heights->data(), heights->size()) != st.latticeHash)
        throw AppError(path + ": the lattice no longer matches its saved run (saved over by the window or edited); it cannot be continued");

    st.applyTo(s.run);
    s.run.startHeights = std::move(heights);
    s.ratePosition = st.ratePosition;
    s.maxText = exactText(st.maxLayers);
    s.relaxText = std::to_string(st.relaxations);
    s.seedFromClock = false;
    s.resume = st;
}

} // namespace

BatchPlan BatchPlan::resolve(const BatchCommandLine& o)
{
    // An output that is also an input would destroy the input it is made from.
    OutputFile::checkNotInputs(o.outputFiles(), o.inputFiles());
    BatchPlan s;
    Scenario& sc = s.run.scenario;
    sc = windowDefaults();
    sc.name = "batch";
    s.run.autoHeight = false;
    s.run.palette = 3;
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
    if (o.generator)
        generatorOfName(*o.generator, s.run.generator);
    if (!o.resumeFile.empty())
        resumeFrom(o, s);
    return s;
}
