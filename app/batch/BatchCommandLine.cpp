#include "batch/BatchCommandLine.h"

#include "batch/UsageError.h"
#include "files/PictureFile.h"
#include "files/Settings.h"
#include "model/Convert.h"
#include "model/SettingsTable.h"
#include "run/FilmSetup.h"

#include <set>

#include <QCommandLineParser>

#include <cctype>
#include <functional>
#include <vector>

namespace {

using Line = BatchCommandLine;

int32_t integerOption(const std::string& option, const std::string& value)
{
    int32_t out = 0;
    if (!tryStrToInt(value, out))
        throw UsageError("--" + option + ": " + invalidIntegerMessage(value));
    return out;
}

int32_t integerInRange(const std::string& option, const std::string& value, int32_t low, int32_t high)
{
    const int32_t n = integerOption(option, value);
    if (n < low || n > high)
        throw UsageError("--" + option + " must be between " + std::to_string(low) + " and "
                         + std::to_string(high) + ", not " + value);
    return n;
}

// "A<sep>B" with two integers.
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
        throw UsageError("--" + option + " expects " + shape + ", not '" + value + "'");
    return {integerOption(option, value.substr(0, at)), integerOption(option, value.substr(at + 1))};
}

uint32_t seedOption(const std::string& value)
{
    // 0 .. 4294967295 in plain decimal.
    if (value.empty() || value.size() > 10)
        throw UsageError("--seed: " + invalidIntegerMessage(value));
    uint64_t n = 0;
    for (char ch : value) {
        if (ch < '0' || ch > '9')
            throw UsageError("--seed: " + invalidIntegerMessage(value));
        n = n * 10 + static_cast<uint64_t>(ch - '0');
    }
    if (n > 0xFFFFFFFFull)
        throw UsageError("--seed must be between 0 and 4294967295, not " + value);
    return static_cast<uint32_t>(n);
}

std::string pictureName(const std::string& option, const std::string& name)
{
    const std::string ext = fileExtension(name);
    if (ext != ".bmp" && ext != ".jpg" && ext != ".png")
        throw UsageError("--" + option + ": '" + name
                         + "' must end in .bmp, .jpg or .png (lower case) to choose the picture format");
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
    std::vector<int32_t> sides;
    std::set<int32_t> seen;
    size_t from = 0;
    for (;;) {
        const size_t comma = value.find(',', from);
        const std::string side = value.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
        const int32_t n = integerInRange("sizes", side, settingKey(Setting::GridX).low, largestLatticeSide);
        if (!seen.insert(n).second)
            throw UsageError("--sizes: " + std::to_string(n) + " is given twice");
        sides.push_back(n);
        if (comma == std::string::npos)
            break;
        from = comma + 1;
    }
    if (sides.size() < 3)
        throw UsageError("--sizes needs at least 3 lattice sides to fit alpha and z, not '" + value + "'");
    return sides;
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
std::string paletteList()
{
    std::string list;
    for (size_t i = 0; i < paletteNames.size(); ++i)
        list += std::string(i == 0 ? "" : i + 1 == paletteNames.size() ? " or " : ", ") + paletteNames[i];
    return list;
}

// One option: its names, the name of its value (empty for a switch), its help line, and what
// it does to the command line when given.
struct OptionSpec {
    QStringList names;
    QString valueName;
    std::string help;
    std::function<void(Line&, const std::string& value)> apply;
};

const std::vector<OptionSpec>& optionTable()
{
    const auto rangeCheck = [](const char* option, Setting s) {
        return [option, s](const std::string& v) {
            return integerInRange(option, v, settingKey(s).low, settingKey(s).high);
        };
    };
    static const std::vector<OptionSpec> table = {
        {{"h", "help"}, "", "Shows this help.", [](Line& o, const std::string&) { o.help = true; }},
        {{"version"}, "", "Shows the version.", [](Line& o, const std::string&) { o.version = true; }},
        {{"seed"}, "S", "Seeds the generator with S (default: the clock, like the window).",
         [](Line& o, const std::string& v) { o.seed = seedOption(v); }},
        {{"rng"}, "lcg|philox",
         "The generator: lcg, the window's (default), or philox, an independent stream for every run.",
         [](Line& o, const std::string& v) {
             Generator g;
             if (!generatorOfName(v, g))
                 throw UsageError("--rng must be lcg or philox, not '" + v + "'");
             o.generator = v;
         }},
        {{"run-index"}, "K",
         "Repeats run K of an experiment of the same --seed alone (lcg: seed S+K; philox: key S,K).",
         [](Line& o, const std::string& v) { o.runIndex = static_cast<uint32_t>(integerInRange("run-index", v, 0, INT32_MAX)); }},
        {{"steps"}, "N", "Runs N ticks (default 1000).",
         [](Line& o, const std::string& v) { o.steps = integerInRange("steps", v, 0, INT32_MAX); }},
        {{"size"}, "COLSxROWS",
         "Lattice size, " + std::to_string(settingKey(Setting::GridX).low) + ".." + std::to_string(largestLatticeSide)
             + " each (the window's bars go to " + std::to_string(settingKey(Setting::GridX).high) + "; default "
             + start(Setting::GridX) + "x" + start(Setting::GridY) + ").",
         [](Line& o, const std::string& v) {
             const auto [cols, rows] = integerPair("size", v, 'x', "COLSxROWS, e.g. 50x40");
             const int32_t low = settingKey(Setting::GridX).low;
             for (int32_t n : {cols, rows})
                 if (n < low || n > largestLatticeSide)
                     throw UsageError("--size: columns and rows must be between " + std::to_string(low) + " and "
                                      + std::to_string(largestLatticeSide) + ", not '" + v + "'");
             o.columns = cols;
             o.rows = rows;
         }},
        {{"dep"}, "POS",
         "Deposition rate position " + range(Setting::Dep) + ", rate = POS / 1000 (default " + start(Setting::Dep) + ").",
         [check = rangeCheck("dep", Setting::Dep)](Line& o, const std::string& v) { o.ratePosition = check(v); }},
        {{"max"}, "TEXT",
         "Layers to deposit, a number with a decimal point or comma (default " + startText(Setting::Max) + ").",
         [](Line& o, const std::string& v) {
             try {
                 maxLayersOfText(v);
             } catch (const AppError& e) {
                 throw UsageError(std::string("--max: ") + e.what());
             }
             o.maxText = v;
         }},
        {{"relax"}, "TEXT",
         "Relaxation sweeps per step, an integer (default " + startText(Setting::Relaxations) + ").",
         [](Line& o, const std::string& v) {
             integerOption("relax", v);
             o.relaxText = v;
         }},
        {{"iso"}, "Z",
         "Isotropic rule with threshold Z, " + range(Setting::Z) + " (default: isotropic, " + start(Setting::Z) + ").",
         [check = rangeCheck("iso", Setting::Z)](Line& o, const std::string& v) {
             o.zmode = 0;
             o.z = check(v);
         }},
        {{"aniso"}, "ZX,ZY",
         "Anisotropic rule with thresholds ZX,ZY, " + range(Setting::Zx) + " each (default " + start(Setting::Zx) + ","
             + start(Setting::Zy) + ").",
         [](Line& o, const std::string& v) {
             const auto [x, y] = integerPair("aniso", v, ',', "ZX,ZY, e.g. 1,2");
             const SettingKey& kx = settingKey(Setting::Zx);
             const SettingKey& ky = settingKey(Setting::Zy);
             if (x < kx.low || x > kx.high || y < ky.low || y > ky.high)
                 throw UsageError("--aniso: both thresholds must be between " + std::to_string(kx.low) + " and "
                                  + std::to_string(kx.high) + ", not '" + v + "'");
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
             const std::string ext = fileExtension(fileName("heightmap", v));
             if (ext != ".png" && ext != ".bmp")
                 throw UsageError("--heightmap: '" + v + "' must end in .png or .bmp (lower case)");
             o.heightMapFile = v;
         }},
        {{"frames"}, "NAME",
         "Writes the surface picture of every tick, numbered as the window numbers frames: NAME.000.bmp ...",
         [](Line& o, const std::string& v) { o.framesName = pictureName("frames", fileName("frames", v)); }},
        {{"origin"}, "X,Y",
         "Picture origin in pixels (default " + start(Setting::Xabs) + "," + start(Setting::Yabs) + ").",
         [](Line& o, const std::string& v) {
             const auto [x, y] = integerPair("origin", v, ',', "X,Y, e.g. 210,190");
             o.originX = x;
             o.originY = y;
         }},
        {{"zoom"}, "C",
         "Cell size of the picture in pixels, " + range(Setting::Zoom) + " (default " + start(Setting::Zoom) + ").",
         [check = rangeCheck("zoom", Setting::Zoom)](Line& o, const std::string& v) { o.zoom = check(v); }},
        {{"palette"}, "NAME", "Colour scheme: " + paletteList() + " (default mixed).",
         [](Line& o, const std::string& v) {
             for (size_t i = 0; i < paletteNames.size(); ++i)
                 if (v == paletteNames[i])
                     o.palette = static_cast<int32_t>(i);
             if (!o.palette)
                 throw UsageError("--palette must be " + paletteList() + ", not '" + v + "'");
         }},
        {{"chart-style"}, "0|1", "Chart style: 0 sweep, 1 scrolling (default 0).",
         [](Line& o, const std::string& v) {
             o.chartStyle = integerInRange("chart-style", v, 0, settingKey(Setting::Chart).high);
         }},
        {{"quiet"}, "", "No progress bar.", [](Line& o, const std::string&) { o.quiet = true; }},
        {{"runs"}, "N", "Runs N independent runs, run k seeded S+k (needs --seed).",
         [](Line& o, const std::string& v) { o.runs = integerInRange("runs", v, 1, INT32_MAX); }},
        {{"jobs"}, "J", "Runs on J threads (default: the number of cores).",
         [](Line& o, const std::string& v) { o.jobs = integerInRange("jobs", v, 1, 1024); }},
        {{"fit"}, "", "Fits the growth exponent beta to log W against log t and prints it.",
         [](Line& o, const std::string&) { o.fit = true; }},
        {{"fit-range"}, "T1:T2",
         "The ticks of the fit (default: from one layer deposited until W nears saturation).",
         [](Line& o, const std::string& v) {
             const auto [from, to] = integerPair("fit-range", v, ':', "T1:T2, e.g. 100:2000");
             if (from < 1 || to <= from)
                 throw UsageError("--fit-range needs 1 <= T1 < T2, not '" + v + "'");
             o.fitFrom = from;
             o.fitTo = to;
             o.fit = true;
         }},
        {{"json"}, "", "Prints a summary as one JSON object on stdout.",
         [](Line& o, const std::string&) { o.json = true; }},
        {{"analysis"}, "PREFIX",
         "Analyses the surface after the last tick: PREFIX.sk.csv, .gr.csv, .wl.csv, .moments.csv and "
         ".slopes.csv (with --runs: means and standard errors over the runs).",
         [](Line& o, const std::string& v) { o.analysisPrefix = fileName("analysis", v); }},
        {{"analyze-every"}, "K", "Analyses the surface every K ticks too (needs --analysis).",
         [](Line& o, const std::string& v) { o.analyzeEvery = integerInRange("analyze-every", v, 1, INT32_MAX); }},
        {{"sizes"}, "L1,L2,...",
         "Finite-size scaling: an experiment of --runs on each L x L lattice, " + std::to_string(settingKey(Setting::GridX).low)
             + ".." + std::to_string(largestLatticeSide) + ", with the same seeds; prints alpha and z.",
         [](Line& o, const std::string& v) { o.sizes = sideList(v); }},
        {{"fss"}, "OUT.csv", "Writes W_sat, its standard error and t_cross for each of --sizes.",
         [](Line& o, const std::string& v) { o.fssFile = fileName("fss", v); }},
    };
    return table;
}

// Options that do not go together, or need one another.
void checkCombinations(const Line& o, const QCommandLineParser& parser)
{
    if (parser.isSet("iso") && parser.isSet("aniso"))
        throw UsageError("--iso and --aniso exclude each other");
    if (!o.layerFile.empty() && o.columns)
        throw UsageError("--size and --layer exclude each other: the layer file gives the size");
    if (o.runs > 0) {
        if (!o.seed)
            throw UsageError("--runs needs --seed: run k is seeded with S+k so that it can be repeated alone");
        for (const auto& [option, name] : {std::pair{"save-layer", o.saveLayer}, {"picture", o.pictureFile}, {"heightmap", o.heightMapFile},
                                            {"chart", o.chartFile}, {"frames", o.framesName}})
            if (!name.empty())
                throw UsageError(std::string("--") + option
                                 + " writes one run's result and cannot be used with --runs; repeat run k alone with --seed S+k");
    }
    if (!o.resumeFile.empty()) {
        for (const auto& [option, given] : {std::pair{"config", !o.configFile.empty()}, {"layer", !o.layerFile.empty()},
                                            {"size", o.columns.has_value()}, {"seed", o.seed.has_value()},
                                            {"run-index", o.runIndex > 0}, {"runs", o.runs > 0}})
            if (given)
                throw UsageError(std::string("--resume and --") + option
                                 + " exclude each other: the saved run gives its lattice, settings and generator");
    }
    if (o.runIndex > 0 && o.runs > 0)
        throw UsageError("--run-index repeats one run alone and cannot be used with --runs");
    if (o.runIndex > 0 && !o.seed)
        throw UsageError("--run-index needs --seed");
    if (o.jobs > 0 && o.runs == 0)
        throw UsageError("--jobs needs --runs");
    if (o.analyzeEvery > 0 && o.analysisPrefix.empty())
        throw UsageError("--analyze-every needs --analysis");
    if (!o.fssFile.empty() && o.sizes.empty())
        throw UsageError("--fss needs --sizes");
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
    if (o.fitTo && *o.fitTo > o.steps)
        throw UsageError("--fit-range: T2 " + std::to_string(*o.fitTo) + " is beyond the last tick "
                         + std::to_string(o.steps));
}

} // namespace

BatchCommandLine BatchCommandLine::parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Grows a film as the Tessavo window does, tick by tick, without a window, and writes its\n"
        "layer file, pictures and roughness series; or runs many independent runs and fits the\n"
        "growth exponent.");
    for (const OptionSpec& spec : optionTable())
        parser.addOption(QCommandLineOption(spec.names, QString::fromStdString(spec.help), spec.valueName));

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
    // In the order of the table, which is the order of the help.
    for (const OptionSpec& spec : optionTable()) {
        const QString name = spec.names.last();
        if (parser.isSet(name))
            spec.apply(o, spec.valueName.isEmpty() ? std::string() : parser.value(name).toStdString());
    }
    checkCombinations(o, parser);
    return o;
}
