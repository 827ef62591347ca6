#include "batch/BatchCommandLine.h"

#include "run/AnalysisFiles.h"
#include "batch/UsageError.h"
#include "files/PictureFile.h"
#include "files/Settings.h"
#include "model/Convert.h"
#include "model/SettingsTable.h"
#include "run/FilmSetup.h"
#include "run/SettingChecks.h"


#include <QCommandLineParser>

#include <cctype>
#include <functional>
#include <vector>

namespace {

using Line = BatchCommandLine;

std::string pictureName(const std::string& option, const std::string& name)
{
    if (!pictureFormat(name))
        throw UsageError("--" + option + ": '" + name + "' must end in .bmp, .jpg or .png to choose the picture format");
    return name;
}

std::string fileName(const std::string& option, const std::string& name)
{
    if (name.empty())
        throw UsageError("--" + option + " needs a file name");
    return name;
}

// "L1,L2,..." of at least three different lattice sides.
std::vector<int32_t> sideList(const std::string& value)
{
    std::vector<std::string> sides;
    for (size_t from = 0;;) {
        const size_t comma = value.find(',', from);
        sides.push_back(value.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
        if (comma == std::string::npos)
            break;
        from = comma + 1;
    }
    return SettingChecks::sizes(sides, value);
}

// The range, start value and text of a setting, for the help.
std::string range(Setting s)
{
    const SettingKey& k = settingKey(s);
    return std::to_string(k.low) + ".." + std::to_string(k.high);
}
std::string start(Setting s)
{
    return std::to_string(settingKey(s).start);
}
std::string startText(Setting s)
{
    return std::string("\"") + settingKey(s).startText + "\"";
}
using SettingChecks::paletteList;

// One option: its names, the name of its value (empty for a switch), its help line, and what
// it does to the command line when given.
struct OptionEntry {
    QStringList names;
    QString valueName;
    std::string help;
    std::function<void(Line&, const std::string& value)> apply;
};

const std::vector<OptionEntry>& optionTable()
{
    static const std::vector<OptionEntry> table = {
        {{"h", "help"}, "", "Shows this help.", [](Line& o, const std::string&) { o.help = true; }},
        {{"version"}, "", "Shows the version.", [](Line& o, const std::string&) { o.version = true; }},
        {{"seed"}, "S", "Seeds the generator with S (default: the clock, like the window).",
         [](Line& o, const std::string& v) { o.seed = SettingChecks::seed(v); }},
        {{"rng"}, "lcg|philox",
         "The generator: lcg, the window's (default), or philox, an independent stream for every run.",
         [](Line& o, const std::string& v) {
             SettingChecks::generator(v);
             o.generator = v;
         }},
        {{"model"}, "NAME",
         "The growth model: tessavo, Tessavo's own deposition and relaxation (default); rd random deposition; "
         "rdsr random deposition with surface relaxation; bd ballistic deposition; rsos restricted "
         "solid-on-solid; wv Wolf-Villain; dt Das Sarma-Tamborenea. Only tessavo takes --relax, --iso, --aniso.",
         [](Line& o, const std::string& v) {
             SettingChecks::model(v);
             o.model = v;
         }},
        {{"update"}, "sequential|tiled",
         "The update order: sequential, the window's (default), or tiled, the lattice updated tile by tile, "
         "the same film on any number of threads (needs --rng philox; the default of an experiment).",
         [](Line& o, const std::string& v) {
             SettingChecks::update(v);
             o.update = v;
         }},
        {{"threads-per-run"}, "T",
         "Grows each tiled film on T threads (default 1); an experiment then runs --jobs films at a time, by "
         "default the number of cores over T.",
         [](Line& o, const std::string& v) { o.threadsPerRun = SettingChecks::threadsPerRun(v); }},
        {{"run-index"}, "K",
         "Repeats run K of an experiment of the same --seed alone (lcg: seed S+K; philox: key S,K).",
         [](Line& o, const std::string& v) { o.runIndex = SettingChecks::runIndex(v); }},
        {{"steps"}, "N", "Runs N ticks (default " + std::to_string(defaultSteps) + ").",
         [](Line& o, const std::string& v) { o.steps = SettingChecks::steps(v); }},
        {{"size"}, "COLSxROWS",
         "Lattice size, " + std::to_string(settingKey(Setting::GridX).low) + ".." + std::to_string(largestLatticeSide)
             + " each (the window's bars go to " + std::to_string(settingKey(Setting::GridX).high) + "; default "
             + start(Setting::GridX) + "x" + start(Setting::GridY) + ").",
         [](Line& o, const std::string& v) {
             const auto [cols, rows] = SettingChecks::size(v);
             o.columns = cols;
             o.rows = rows;
         }},
        {{"dep"}, "POS",
         "Deposition rate position " + range(Setting::Dep) + ", rate = POS / 1000 (default " + start(Setting::Dep) + ").",
         [](Line& o, const std::string& v) { o.ratePosition = SettingChecks::ratePosition(v); }},
        {{"max"}, "TEXT",
         "Layers to deposit, a number with a decimal point or comma (default " + startText(Setting::Max) + ").",
         [](Line& o, const std::string& v) {
             SettingChecks::maxLayers(v);
             o.maxText = v;
         }},
        {{"relax"}, "TEXT",
         "Relaxation sweeps per step, an integer (default " + startText(Setting::Relaxations) + ").",
         [](Line& o, const std::string& v) {
             SettingChecks::relaxations(v);
             o.relaxText = v;
         }},
        {{"iso"}, "Z",
         "Isotropic rule with threshold Z, " + range(Setting::Z) + " (default: isotropic, " + start(Setting::Z) + ").",
         [](Line& o, const std::string& v) {
             o.zmode = 0;
             o.z = SettingChecks::isotropic(v);
         }},
        {{"aniso"}, "ZX,ZY",
         "Anisotropic rule with thresholds ZX,ZY, " + range(Setting::Zx) + " each (default " + start(Setting::Zx) + ","
             + start(Setting::Zy) + ").",
         [](Line& o, const std::string& v) {
             const auto [x, y] = SettingChecks::anisotropic(v);
             o.zmode = 1;
             o.zx = x;
             o.zy = y;
         }},
        {{"autoheight"}, "", "Removes complete bottom layers after each step.",
         [](Line& o, const std::string&) { o.autoHeight = true; }},
        {{"config"}, "FILE.ini",
         "Reads the settings from a configuration file of the window; the options given override it.",
         [](Line& o, const std::string& v) { o.configFile = fileName("config", v); }},
        {{"layer"}, "FILE.lay", "Starts from a stored lattice (its size comes from the file).",
         [](Line& o, const std::string& v) { o.layerFile = fileName("layer", v); }},
        {{"resume"}, "FILE.lay",
         "Continues the run saved in a layer file by --save-layer, exactly where it stopped, for --steps more ticks.",
         [](Line& o, const std::string& v) { o.resumeFile = fileName("resume", v); }},
        {{"save-layer"}, "OUT.lay", "Writes the lattice after the last tick as a layer file, with the state that --resume continues.",
         [](Line& o, const std::string& v) { o.saveLayer = fileName("save-layer", v); }},
        {{"roughness"}, "OUT.csv",
         "Writes the roughness of every tick as CSV (with --runs: its statistics over the runs).",
         [](Line& o, const std::string& v) { o.roughnessFile = fileName("roughness", v); }},
        {{"picture"}, "OUT", "Writes the 600x400 surface picture after the last tick (.bmp, .jpg or .png).",
         [](Line& o, const std::string& v) { o.pictureFile = pictureName("picture", fileName("picture", v)); }},
        {{"chart"}, "OUT", "Writes the 490x170 roughness chart after the last tick (.bmp, .jpg or .png).",
         [](Line& o, const std::string& v) { o.chartFile = pictureName("chart", fileName("chart", v)); }},
        {{"heightmap"}, "OUT",
         "Writes the lattice seen from above after the last tick, one pixel a cell, coloured by height with viridis (.png or .bmp).",
         [](Line& o, const std::string& v) {
             const std::optional<PictureFormat> format = pictureFormat(fileName("heightmap", v));
             if (format != PictureFormat::Png && format != PictureFormat::Bmp)
                 throw UsageError("--heightmap: '" + v + "' must end in .png or .bmp");
             o.heightMapFile = v;
         }},
        {{"frames"}, "NAME",
         "Writes the surface picture of every tick, numbered as the window numbers frames: NAME.000.bmp ...",
         [](Line& o, const std::string& v) { o.framesName = pictureName("frames", fileName("frames", v)); }},
        {{"origin"}, "X,Y",
         "Picture origin in pixels (default " + start(Setting::Xabs) + "," + start(Setting::Yabs) + ").",
         [](Line& o, const std::string& v) {
             const auto [x, y] = SettingChecks::integerPair("--origin", v, ',', "X,Y, e.g. 210,190");
             o.originX = x;
             o.originY = y;
         }},
        {{"zoom"}, "C",
         "Cell size of the picture in pixels, " + range(Setting::Zoom) + " (default " + start(Setting::Zoom) + ").",
         [](Line& o, const std::string& v) { o.zoom = SettingChecks::zoom(v); }},
        {{"palette"}, "NAME", "Colour scheme: " + paletteList() + " (default " + paletteNames[startPalette] + ").",
         [](Line& o, const std::string& v) { o.palette = SettingChecks::palette(v); }},
        {{"chart-style"}, "0|1", "Chart style: 0 sweep, 1 scrolling (default 0).",
         [](Line& o, const std::string& v) { o.chartStyle = SettingChecks::chartStyle(v); }},
        {{"quiet"}, "", "No progress bar.", [](Line& o, const std::string&) { o.quiet = true; }},
        {{"runs"}, "N", "Runs N independent runs, run k seeded S+k (lcg) or keyed S,k (philox) (needs --seed).",
         [](Line& o, const std::string& v) { o.runs = SettingChecks::runs(v); }},
        {{"jobs"}, "J", "Grows J runs at a time (default: the number of cores, over --threads-per-run).",
         [](Line& o, const std::string& v) { o.jobs = SettingChecks::jobs(v); }},
        {{"fit"}, "", "Fits the growth exponent beta to log W against log t and prints it.",
         [](Line& o, const std::string&) { o.fit = true; }},
        {{"fit-range"}, "T1:T2",
         "The ticks of the fit (default: from one layer deposited until W nears saturation).",
         [](Line& o, const std::string& v) {
             const auto [from, to] = SettingChecks::fitRange(v);
             o.fitFrom = from;
             o.fitTo = to;
             o.fit = true;
         }},
        {{"json"}, "", "Prints a summary as one JSON object on stdout.",
         [](Line& o, const std::string&) { o.json = true; }},
        {{"series"}, "OUT.h5",
         "With --runs: writes every run's roughness and deposited layers per tick as HDF5, for merging.",
         [](Line& o, const std::string& v) { o.seriesFile = fileName("series", v); }},
        {{"run-range"}, "A:B",
         "With --runs N and --series: runs only runs A..B-1 of the N, each seeded as in the whole experiment.",
         [](Line& o, const std::string& v) {
             const auto [from, to] = SettingChecks::integerPair("--run-range", v, ':', "A:B, e.g. 0:100");
             if (from < 0 || to <= from)
                 throw UsageError("--run-range needs 0 <= A < B, not '" + v + "'");
             o.runRange = std::pair{from, to};
         }},
        {{"analysis"}, "PREFIX",
         "Analyses the surface after the last tick: PREFIX.sk.csv, .gr.csv, .wl.csv, .moments.csv and "
         ".slopes.csv (with --runs: means and standard errors over the runs).",
         [](Line& o, const std::string& v) { o.analysisPrefix = fileName("analysis", v); }},
        {{"analyze-every"}, "K", "Analyses the surface every K ticks too (needs --analysis).",
         [](Line& o, const std::string& v) { o.analyzeEvery = SettingChecks::integerInRange("--analyze-every", v, 1, INT32_MAX); }},
        {{"sizes"}, "L1,L2,...",
         "Finite-size scaling: an experiment of --runs on each L x L lattice, " + std::to_string(settingKey(Setting::GridX).low)
             + ".." + std::to_string(largestLatticeSide) + ", with the same seeds; prints alpha and z.",
         [](Line& o, const std::string& v) { o.sizes = sideList(v); }},
        {{"fss"}, "OUT.csv", "Writes W_sat, its standard error and t_cross for each of --sizes.",
         [](Line& o, const std::string& v) { o.fssFile = fileName("fss", v); }},
        {{"fss-unsaturated"}, "",
         "With --sizes: prints alpha, z and the W_sat^2 slope even while a size has not saturated, each line marked.",
         [](Line& o, const std::string&) { o.fssUnsaturated = true; }},
    };
    return table;
}

// Options that do not go together, or need one another.
void checkOptionCombinations(const Line& o, const QCommandLineParser& parser)
{
    SettingChecks::oneRule(parser.isSet("iso"), parser.isSet("aniso"));
    o.checkCombinations();
    if (o.runs > 0) {
        // How run k is grown alone: lcg seeds it S+k, philox (an experiment's default) keys it (S, k).
        const std::string repeat = o.generator.value_or("philox") == "philox" ? "--seed S --run-index k --rng philox" : "--seed S+k";
        for (const auto& [option, name] : {std::pair{"save-layer", o.saveLayer}, {"picture", o.pictureFile}, {"heightmap", o.heightMapFile},
                                            {"chart", o.chartFile}, {"frames", o.framesName}})
            if (!name.empty())
                throw UsageError(std::string("--") + option
                                 + " writes one run's result and cannot be used with --runs; repeat run k alone with " + repeat);
    }
    if (o.analyzeEvery > 0 && o.analysisPrefix.empty())
        throw UsageError("--analyze-every needs --analysis");
    if (!o.fssFile.empty() && o.sizes.empty())
        throw UsageError("--fss needs --sizes");
    if (o.fssUnsaturated && o.sizes.empty())
        throw UsageError("--fss-unsaturated needs --sizes");
    if (!o.sizes.empty()) {
        if (o.runs == 0)
            throw UsageError("--sizes needs --runs: each size is an experiment of N runs");
        if (o.steps < 1)
            throw UsageError("--sizes needs at least one tick (--steps)");
        for (const auto& [option, given] : {std::pair{"size", o.columns.has_value()}, {"layer", !o.layerFile.empty()},
                                            {"roughness", !o.roughnessFile.empty()}, {"analysis", !o.analysisPrefix.empty()},
                                            {"fit", o.fit}})
            if (given)
                throw UsageError(std::string("--") + option
                                 + " cannot be used with --sizes, which runs one experiment for each size");
    }
    if (!o.seriesFile.empty() && o.runs == 0)
        throw UsageError("--series needs --runs");
    if (o.runRange) {
        if (o.runs == 0 || o.seriesFile.empty())
            throw UsageError("--run-range needs --runs and --series: a slice is kept for tessavo-batch merge");
        if (o.runRange->second > o.runs)
            throw UsageError("--run-range: B " + std::to_string(o.runRange->second) + " is beyond the "
                             + std::to_string(o.runs) + " runs");
        if (!o.roughnessFile.empty() || o.fit || o.json)
            throw UsageError("--run-range writes a slice only: --roughness, --fit and --json belong to "
                             "tessavo-batch merge of all the slices");
    }
}

} // namespace

BatchCommandLine BatchCommandLine::parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Grows a film as the Tessavo window does, tick by tick, without a window, and writes its\n"
        "layer file, pictures and roughness series; or runs many independent runs and fits the\n"
        "growth exponent. 'tessavo-batch merge SERIES.h5 ...' merges the slices of an experiment\n"
        "written with --run-range and --series (see 'tessavo-batch merge --help').");
    for (const OptionEntry& entry : optionTable())
        parser.addOption(QCommandLineOption(entry.names, QString::fromStdString(entry.help), entry.valueName));

    BatchCommandLine o;
    o.helpText = parser.helpText().replace("<executable_name>", "tessavo-batch").toStdString();
    if (!parser.parse(arguments))
        throw UsageError(parser.errorText().toStdString());
    if (!parser.positionalArguments().isEmpty())
        throw UsageError("unexpected argument '" + parser.positionalArguments().first().toStdString() + "'");
    if (parser.isSet("help")) {
        o.help = true;
        return o;
    }
    if (parser.isSet("version")) {
        o.version = true;
        return o;
    }
    // In the order of the table, which is the order of the help. A value the setting does not
    // take is a mistake in the command line.
    try {
        for (const OptionEntry& entry : optionTable()) {
            const QString name = entry.names.last();
            if (parser.isSet(name))
                entry.apply(o, entry.valueName.isEmpty() ? std::string() : parser.value(name).toStdString());
        }
        checkOptionCombinations(o, parser);
    } catch (const SettingError& e) {
        throw UsageError(e.what());
    }
    return o;
}

std::vector<std::string> BatchCommandLine::inputFiles() const
{
    return {configFile, layerFile, resumeFile};
}

std::vector<std::string> BatchCommandLine::outputFiles() const
{
    std::vector<std::string> names = {saveLayer, roughnessFile, pictureFile, chartFile, heightMapFile, seriesFile, fssFile};
    if (!analysisPrefix.empty())
        for (const std::string& name : AnalysisFiles::names(analysisPrefix))
            names.push_back(name);
    return names;
}
