#include "batch/BatchCommandLine.h"

#include "batch/BatchPlan.h"
#include "batch/UsageError.h"
#include "files/PictureFile.h"
#include "model/Convert.h"

#include <QCommandLineParser>

#include <cctype>

namespace {

std::string text(const QString& s)
{
    return s.toStdString();
}

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

void checkPictureName(const std::string& option, const std::string& name)
{
    const std::string ext = fileExtension(name);
    if (ext != ".bmp" && ext != ".jpg" && ext != ".png")
        throw UsageError("--" + option + ": '" + name
                         + "' must end in .bmp, .jpg or .png (lower case) to choose the picture format");
}

} // namespace

BatchCommandLine BatchCommandLine::parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Grows a film as the Tessavo window does, tick by tick, without a window, and writes its\n"
        "layer file, pictures and roughness series; or runs many independent runs and fits the\n"
        "growth exponent.");
    const QCommandLineOption help({"h", "help"}, "Shows this help.");
    const QCommandLineOption version("version", "Shows the version.");
    const QCommandLineOption seed("seed", "Seeds the generator with S (default: the clock, like the window).", "S");
    const QCommandLineOption steps("steps", "Runs N ticks (default 1000).", "N");
    const QCommandLineOption size("size", "Lattice size, 10..100 each (default 50x50).", "COLSxROWS");
    const QCommandLineOption dep("dep", "Deposition rate position 1..1000, rate = POS / 1000 (default 10).", "POS");
    const QCommandLineOption max("max", "Layers to deposit, a number with a decimal point or comma (default \"50\").", "TEXT");
    const QCommandLineOption relax("relax", "Relaxation sweeps per step, an integer (default \"5\").", "TEXT");
    const QCommandLineOption iso("iso", "Isotropic rule with threshold Z, 0..4 (default: isotropic, 2).", "Z");
    const QCommandLineOption aniso("aniso", "Anisotropic rule with thresholds ZX,ZY, 0..3 each (default 1,1).", "ZX,ZY");
    const QCommandLineOption autoheight("autoheight", "Removes complete bottom layers after each step.");
    const QCommandLineOption config("config", "Reads the settings from a configuration file of the window; the options given override it.", "FILE.ini");
    const QCommandLineOption layer("layer", "Starts from a stored lattice (its size comes from the file).", "FILE.lay");
    const QCommandLineOption saveLayer("save-layer", "Writes the lattice after the last tick as a layer file.", "OUT.lay");
    const QCommandLineOption roughness("roughness", "Writes the roughness of every tick as CSV (with --runs: its statistics over the runs).", "OUT.csv");
    const QCommandLineOption picture("picture", "Writes the 600x400 surface picture after the last tick (.bmp, .jpg or .png).", "OUT");
    const QCommandLineOption chart("chart", "Writes the 490x170 roughness chart after the last tick (.bmp, .jpg or .png).", "OUT");
    const QCommandLineOption frames("frames", "Writes the surface picture of every tick, numbered as the window numbers frames: NAME.000.bmp ...", "NAME");
    const QCommandLineOption origin("origin", "Picture origin in pixels (default 210,190).", "X,Y");
    const QCommandLineOption zoom("zoom", "Cell size of the picture in pixels, 5..10 (default 7).", "C");
    const QCommandLineOption palette("palette", "Colour scheme: green, red, blue, mixed or mixed2 (default mixed).", "NAME");
    const QCommandLineOption chartStyle("chart-style", "Chart style: 0 sweep, 1 scrolling (default 0).", "0|1");
    const QCommandLineOption quiet("quiet", "No progress bar.");
    const QCommandLineOption runs("runs", "Runs N independent runs, run k seeded S+k (needs --seed).", "N");
    const QCommandLineOption jobs("jobs", "Runs on J threads (default: the number of cores).", "J");
    const QCommandLineOption fit("fit", "Fits the growth exponent beta to log W against log t and prints it.");
    const QCommandLineOption fitRange("fit-range", "The ticks of the fit (default: from one layer deposited until W nears saturation).", "T1:T2");
    const QCommandLineOption json("json", "Prints a summary as one JSON object on stdout.");
    parser.addOptions({help, version, seed, steps, size, dep, max, relax, iso, aniso, autoheight, config, layer,
                       saveLayer, roughness, picture, chart, frames, origin, zoom, palette, chartStyle, quiet,
                       runs, jobs, fit, fitRange, json});

    BatchCommandLine o;
    o.helpText = text(parser.helpText().replace("<executable_name>", "tessavo-batch"));
    if (!parser.parse(arguments))
        throw UsageError(text(parser.errorText()));
    if (!parser.positionalArguments().isEmpty())
        throw UsageError("unexpected argument '" + text(parser.positionalArguments().first()) + "'");
    if (parser.isSet(help)) {
        o.help = true;
        return o;
    }
    if (parser.isSet(version)) {
        o.version = true;
        return o;
    }

    auto value = [&](const QCommandLineOption& option) { return text(parser.value(option)); };

    if (parser.isSet(seed))
        o.seed = seedOption(value(seed));
    if (parser.isSet(steps))
        o.steps = integerInRange("steps", value(steps), 0, INT32_MAX);
    if (parser.isSet(size)) {
        const auto [cols, rowCount] = integerPair("size", value(size), 'x', "COLSxROWS, e.g. 50x40");
        for (int32_t n : {cols, rowCount})
            if (n < 10 || n > 100)
                throw UsageError("--size: columns and rows must be between 10 and 100, not '" + value(size) + "'");
        o.columns = cols;
        o.rows = rowCount;
    }
    if (parser.isSet(dep))
        o.ratePosition = integerInRange("dep", value(dep), 1, 1000);
    if (parser.isSet(max)) {
        o.maxText = value(max);
        try {
            BatchPlan::maxLayersOf(*o.maxText);
        } catch (const AppError& e) {
            throw UsageError(std::string("--max: ") + e.what());
        }
    }
    if (parser.isSet(relax)) {
        o.relaxText = value(relax);
        integerOption("relax", *o.relaxText);
    }
    if (parser.isSet(iso) && parser.isSet(aniso))
        throw UsageError("--iso and --aniso exclude each other");
    if (parser.isSet(iso)) {
        o.zmode = 0;
        o.z = integerInRange("iso", value(iso), 0, 4);
    }
    if (parser.isSet(aniso)) {
        const auto [x, y] = integerPair("aniso", value(aniso), ',', "ZX,ZY, e.g. 1,2");
        if (x < 0 || x > 3 || y < 0 || y > 3)
            throw UsageError("--aniso: both thresholds must be between 0 and 3, not '" + value(aniso) + "'");
        o.zmode = 1;
        o.zx = x;
        o.zy = y;
    }
    o.autoHeight = parser.isSet(autoheight);
    o.configFile = value(config);
    o.layerFile = value(layer);
    if (parser.isSet(config) && o.configFile.empty())
        throw UsageError("--config needs a file name");
    if (parser.isSet(layer) && o.layerFile.empty())
        throw UsageError("--layer needs a file name");
    if (!o.layerFile.empty() && o.columns)
        throw UsageError("--size and --layer exclude each other: the layer file gives the size");

    o.saveLayer = value(saveLayer);
    o.roughnessFile = value(roughness);
    o.pictureFile = value(picture);
    o.chartFile = value(chart);
    o.framesName = value(frames);
    for (const auto& [option, name] : {std::pair{"save-layer", o.saveLayer}, {"roughness", o.roughnessFile},
                                        {"picture", o.pictureFile}, {"chart", o.chartFile}, {"frames", o.framesName}})
        if (parser.isSet(option) && name.empty())
            throw UsageError(std::string("--") + option + " needs a file name");
    if (!o.pictureFile.empty())
        checkPictureName("picture", o.pictureFile);
    if (!o.chartFile.empty())
        checkPictureName("chart", o.chartFile);
    if (!o.framesName.empty())
        checkPictureName("frames", o.framesName);
    if (parser.isSet(origin)) {
        const auto [x, y] = integerPair("origin", value(origin), ',', "X,Y, e.g. 210,190");
        o.originX = x;
        o.originY = y;
    }
    if (parser.isSet(zoom))
        o.zoom = integerInRange("zoom", value(zoom), 5, 10);
    if (parser.isSet(palette)) {
        static const char* names[] = {"green", "red", "blue", "mixed", "mixed2"};
        const std::string name = value(palette);
        for (int32_t i = 0; i < 5; ++i)
            if (name == names[i])
                o.palette = i;
        if (!o.palette)
            throw UsageError("--palette must be green, red, blue, mixed or mixed2, not '" + name + "'");
    }
    if (parser.isSet(chartStyle))
        o.chartStyle = integerInRange("chart-style", value(chartStyle), 0, 1);
    o.quiet = parser.isSet(quiet);

    if (parser.isSet(runs)) {
        o.runs = integerInRange("runs", value(runs), 1, INT32_MAX);
        if (!o.seed)
            throw UsageError("--runs needs --seed: run k is seeded with S+k so that it can be repeated alone");
        for (const auto& [option, name] : {std::pair{"save-layer", o.saveLayer}, {"picture", o.pictureFile},
                                            {"chart", o.chartFile}, {"frames", o.framesName}})
            if (!name.empty())
                throw UsageError(std::string("--") + option
                                 + " writes one run's result and cannot be used with --runs; repeat run k alone with --seed S+k");
    }
    if (parser.isSet(jobs)) {
        o.jobs = integerInRange("jobs", value(jobs), 1, 1024);
        if (o.runs == 0)
            throw UsageError("--jobs needs --runs");
    }
    o.fit = parser.isSet(fit);
    if (parser.isSet(fitRange)) {
        const auto [from, to] = integerPair("fit-range", value(fitRange), ':', "T1:T2, e.g. 100:2000");
        if (from < 1 || to <= from)
            throw UsageError("--fit-range needs 1 <= T1 < T2, not '" + value(fitRange) + "'");
        if (to > o.steps)
            throw UsageError("--fit-range: T2 " + std::to_string(to) + " is beyond the last tick "
                             + std::to_string(o.steps));
        o.fitFrom = from;
        o.fitTo = to;
        o.fit = true;
    }
    o.json = parser.isSet(json);
    return o;
}
