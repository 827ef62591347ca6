#include "batch/MergeCommand.h"

#include "batch/UsageError.h"
#include "model/AppError.h"
#include "model/Convert.h"
#include "files/NumberText.h"

#include <QCommandLineParser>

#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <tuple>

namespace {

int64_t tickOption(const std::string& value)
{
    int32_t n = 0;
    if (!tryStrToInt(value, n))
        throw UsageError("--fit-range: " + invalidIntegerMessage(value));
    return n;
}

// True when both names lead to one existing file (through links too).
bool sameFile(const std::string& a, const std::string& b)
{
    struct stat sa {}, sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev
        && sa.st_ino == sb.st_ino;
}

// "5", or "5..9".
std::string span(int32_t first, int32_t last)
{
    return first == last ? std::to_string(first) : std::to_string(first) + ".." + std::to_string(last);
}

} // namespace

MergeCommand MergeCommand::parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Merges the series files of the slices of one experiment (tessavo-batch --runs N --run-range A:B\n"
        "--series FILE.h5) into the roughness statistics, fit and summary of the whole experiment,\n"
        "the same, byte for byte, as one machine running every run writes them.");
    parser.addPositionalArgument("SERIES.h5", "The series files of the slices, in any order.", "SERIES.h5...");
    parser.addOption(QCommandLineOption({"h", "help"}, "Shows this help."));
    parser.addOption(QCommandLineOption("roughness", "Writes the statistics of every tick over the runs as CSV.", "OUT.csv"));
    parser.addOption(QCommandLineOption("fit", "Fits the growth exponent beta and prints it."));
    parser.addOption(QCommandLineOption("fit-range", "The ticks of the fit (as for the experiment).", "T1:T2"));
    parser.addOption(QCommandLineOption("json", "Prints a summary as one JSON object on stdout."));
    parser.addOption(QCommandLineOption("series", "Writes the series of all the runs as one file.", "ALL.h5"));
    // Taken as every other command takes it; merge has no progress bar to hide.
    parser.addOption(QCommandLineOption("quiet", "No progress bar (merge shows none)."));

    MergeCommand m;
    m.helpText = parser.helpText().replace("<executable_name>", "tessavo-batch merge").toStdString();
    if (!parser.parse(arguments))
        throw UsageError(parser.errorText().toStdString());
    if (parser.isSet("help")) {
        m.help = true;
        return m;
    }
    for (const QString& name : parser.positionalArguments())
        m.inputs.push_back(name.toStdString());
    if (m.inputs.empty())
        throw UsageError("merge needs the series files of the slices");
    m.roughnessFile = parser.value("roughness").toStdString();
    m.seriesFile = parser.value("series").toStdString();
    for (const auto& [option, name] : {std::pair{"roughness", &m.roughnessFile}, {"series", &m.seriesFile}})
        if (parser.isSet(option) && name->empty())
            throw UsageError(std::string("--") + option + " needs a file name");
    m.json = parser.isSet("json");
    m.fit = parser.isSet("fit") || parser.isSet("fit-range");
    if (parser.isSet("fit-range")) {
        const std::string v = parser.value("fit-range").toStdString();
        const size_t colon = v.find(':');
        if (colon == std::string::npos)
            throw UsageError("--fit-range expects T1:T2, e.g. 100:2000, not '" + v + "'");
        m.fitFrom = tickOption(v.substr(0, colon));
        m.fitTo = tickOption(v.substr(colon + 1));
        if (*m.fitFrom < 1 || *m.fitTo <= *m.fitFrom)
            throw UsageError("--fit-range needs 1 <= T1 < T2, not '" + v + "'");
    }
    for (const std::string& input : m.inputs)
        for (const std::string* output : {&m.roughnessFile, &m.seriesFile})
            if (!output->empty() && sameFile(input, *output))
                throw UsageError("cannot write " + *output + ": it is also the input " + input);
    return m;
}

SeriesHeader seriesHeaderOf(const BatchCommandLine& o, const BatchPlan& s, const std::string& programVersion)
{
    SeriesHeader h;
    h.programVersion = programVersion;
    h.seed = s.seed;
    h.runs = o.runs;
    h.ticks = s.steps;
    h.settings = GrowthSettings::of(s.run);
    h.startHeights = s.run.startHeights;
    h.configFile = o.configFile;
    h.layerFile = o.layerFile;
    return h;
}

MergedSeries::MergedSeries(const std::vector<std::string>& paths)
{
    for (const std::string& path : paths)
        files_.push_back(std::make_unique<SeriesReader>(path));
    const SeriesReader& first = *files_.front();
    header_ = first.header();
    header_.jobs = 0;
    header_.seconds = 0.0;
    const auto identity = header_.identity();
    for (const auto& file : files_) {
        const SeriesHeader& h = file->header();
        const auto other = h.identity();
        for (size_t i = 0; i < identity.size(); ++i)
            if (other[i].second != identity[i].second)
                throw AppError(file->path() + " is not a slice of the experiment of " + first.path() + ": its "
                               + other[i].first + " is '" + other[i].second + "', not '" + identity[i].second + "'");
        const bool sameStart = h.startHeights && header_.startHeights ? *h.startHeights == *header_.startHeights
                                                                      : !h.startHeights && !header_.startHeights;
        if (!sameStart)
            throw AppError(file->path() + " is not a slice of the experiment of " + first.path()
                           + ": the films start from another lattice");
        header_.jobs = std::max(header_.jobs, h.jobs);
        header_.seconds += h.seconds;
    }

    // Every run once: the owner of each run, and the runs held twice with both holders.
    const int32_t n = header_.runs;
    std::vector<int32_t> owner(static_cast<size_t>(n), -1);
    std::vector<std::tuple<int32_t, int32_t, int32_t>> doubled; // run, first holder, second holder
    for (size_t f = 0; f < files_.size(); ++f)
        for (int32_t k : files_[f]->runs()) {
            int32_t& o = owner[static_cast<size_t>(k)];
            if (o >= 0)
                doubled.emplace_back(k, o, static_cast<int32_t>(f));
            else
                o = static_cast<int32_t>(f);
        }
    std::string problems;
    for (size_t i = 0; i < doubled.size();) {
        const auto [k, a, b] = doubled[i];
        size_t j = i + 1;
        while (j < doubled.size() && std::get<0>(doubled[j]) == k + static_cast<int32_t>(j - i)
               && std::get<1>(doubled[j]) == a && std::get<2>(doubled[j]) == b)
            ++j;
        problems += std::string(problems.empty() ? "" : "; ") + (j - i == 1 ? "run " : "runs ")
            + span(k, k + static_cast<int32_t>(j - i) - 1) + (j - i == 1 ? " is" : " are") + " in both " + files_[static_cast<size_t>(a)]->path()
            + " and " + files_[static_cast<size_t>(b)]->path();
        i = j;
    }
    std::string missing;
    for (int32_t k = 0; k < n;) {
        if (owner[static_cast<size_t>(k)] >= 0) {
            ++k;
            continue;
        }
        int32_t last = k;
        while (last + 1 < n && owner[static_cast<size_t>(last) + 1] < 0)
            ++last;
        missing += std::string(missing.empty() ? "" : ", ") + span(k, last);
        k = last + 1;
    }
    if (!missing.empty())
        problems += std::string(problems.empty() ? "" : "; ") + "runs missing: " + missing;
    if (!problems.empty())
        throw AppError("the slices do not hold each of the " + std::to_string(n) + " runs once: " + problems);
}

MergedSeries::~MergedSeries() = default;

RoughnessStats MergedSeries::combine(SeriesWriter* writer) const
{
    // Where each run is: its file and row, in run order.
    std::vector<std::pair<const SeriesReader*, size_t>> rowOf(static_cast<size_t>(header_.runs));
    for (const auto& file : files_)
        for (size_t row = 0; row < file->runs().size(); ++row)
            rowOf[static_cast<size_t>(file->runs()[row])] = {file.get(), row};
    RoughnessStats stats(header_.ticks);
    std::vector<double> roughness, deposited;
    for (int32_t k = 0; k < header_.runs; ++k) {
        const auto& [file, row] = rowOf[static_cast<size_t>(k)];
        file->readRow(row, roughness, deposited);
        stats.addRun(roughness, deposited);
        if (writer)
            writer->add(k, roughness, deposited);
    }
    return stats;
}

void MergedSeries::describe(BatchCommandLine& o, BatchPlan& s) const
{
    const SeriesHeader& h = header_;
    o.runs = h.runs;
    o.seed = h.seed;
    o.generator = generatorName(h.settings.rng);
    o.steps = h.ticks;
    o.configFile = h.configFile;
    o.layerFile = h.layerFile;
    h.settings.applyTo(s.run);
    s.run.scenario.seed = h.seed;
    s.ratePosition = h.settings.dep;
    s.maxText = exactText(h.settings.max);
    s.relaxText = std::to_string(h.settings.relax);
    s.run.startHeights = h.startHeights;
    s.steps = h.ticks;
    s.seed = h.seed;
    s.seedFromClock = false;
}
