#include "run/SeriesMerge.h"

#include <cmath>

#include "files/OutputFile.h"
#include "model/AppError.h"
#include "run/ResultTables.h"
#include "run/SettingChecks.h"
#include "ProgramVersion.h"

#include <algorithm>
#include <tuple>

namespace {

// "5", or "5..9".
std::string span(int32_t first, int32_t last)
{
    return first == last ? std::to_string(first) : std::to_string(first) + ".." + std::to_string(last);
}

} // namespace

SeriesHeader seriesHeaderOf(const FilmSetup& film, uint32_t seed, int32_t runs, int64_t ticks,
                            const std::string& configFile, const std::string& layerFile)
{
    SeriesHeader h;
    h.programVersion = programVersion;
    h.seed = seed;
    h.runs = runs;
    h.ticks = ticks;
    h.settings = GrowthSettings::of(film);
    h.startHeights = film.startHeights;
    h.configFile = configFile;
    h.layerFile = layerFile;
    return h;
}

MergedSeries::MergedSeries(const std::vector<std::string>& paths)
{
    files_ = IsolatedSeriesReader::open(paths);
    const IsolatedSeriesReader& first = *files_.front();
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

    // Every run once: the owner of each run, and the runs held twice with both holders. Worked
    // out from the runs the files hold, not from the number they declare, which may be anything.
    const int32_t n = header_.runs;
    std::vector<std::pair<int32_t, int32_t>> held; // run, file
    for (size_t f = 0; f < files_.size(); ++f)
        for (int32_t k : files_[f]->runs())
            held.emplace_back(k, static_cast<int32_t>(f));
    std::sort(held.begin(), held.end());
    std::vector<std::tuple<int32_t, int32_t, int32_t>> doubled; // run, first holder, second holder
    for (size_t i = 1; i < held.size(); ++i)
        if (held[i].first == held[i - 1].first) {
            size_t first = i - 1;
            while (first > 0 && held[first - 1].first == held[i].first)
                --first;
            doubled.emplace_back(held[i].first, held[first].second, held[i].second);
        }
    // In the order the files were given, then by run.
    std::sort(doubled.begin(), doubled.end(), [](const auto& x, const auto& y) {
        return std::tie(std::get<2>(x), std::get<0>(x)) < std::tie(std::get<2>(y), std::get<0>(y));
    });
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
    int32_t next = 0; // the first run not yet seen
    for (size_t i = 0; i <= held.size(); ++i) {
        const int32_t k = i < held.size() ? held[i].first : n;
        if (k > next)
            missing += std::string(missing.empty() ? "" : ", ") + span(next, k - 1);
        next = std::max(next, k + 1);
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
    std::vector<std::pair<const IsolatedSeriesReader*, size_t>> rowOf(static_cast<size_t>(header_.runs));
    for (const auto& file : files_)
        for (size_t row = 0; row < file->runs().size(); ++row)
            rowOf[static_cast<size_t>(file->runs()[row])] = {file.get(), row};
    RoughnessStats stats(header_.ticks);
    std::vector<double> roughness, deposited, layers;
    for (int32_t k = 0; k < header_.runs; ++k) {
        const auto& [file, row] = rowOf[static_cast<size_t>(k)];
        file->readRow(row, roughness, deposited, &layers);
        stats.addRun(roughness, deposited, layers);
        // A slice written before the layers were kept has none: the merged file says so
        // with NaN.
        if (layers.empty())
            layers.assign(roughness.size(), std::nan(""));
        if (writer)
            writer->add(k, roughness, deposited, layers);
    }
    return stats;
}

MergedExperiment mergeSlices(const std::vector<std::string>& inputs, const std::string& roughnessFile,
                             const std::string& seriesFile, bool fit,
                             const std::optional<GrowthFit::TickRange>& fitRange, const StopRequest* stop)
{
    OutputFile::checkNotInputs({roughnessFile, seriesFile}, inputs);
    const MergedSeries merged(inputs);
    const SeriesHeader& h = merged.header();
    if (fitRange)
        SettingChecks::fitRangeWithin(fitRange->second, h.ticks);
    std::unique_ptr<OutputFile> csv;
    if (!roughnessFile.empty())
        csv = std::make_unique<OutputFile>(roughnessFile);
    std::unique_ptr<SeriesWriter> all;
    if (!seriesFile.empty())
        all = std::make_unique<SeriesWriter>(seriesFile, h, 0, h.runs);
    const RoughnessStats stats = merged.combine(all.get());
    checkStop(stop); // from here on every output lands
    if (all)
        all->commit(h.jobs, h.seconds);
    if (csv) {
        ResultTables::writeStatistics(*csv, stats);
        csv->commit();
    }
    MergedExperiment result{h, Outcome::ofStatistics(stats, h.runs, fit, fitRange)};
    result.outcome.seconds = h.seconds;
    return result;
}
