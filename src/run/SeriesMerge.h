#pragma once
// SeriesMerge: the slices of one experiment (tessavo-batch --runs N --run-range A:B --series
// FILE.h5), merged into the outputs one machine running every run would have written, byte for
// byte: MergedSeries opens the slices and checks that they belong together, mergeSlices writes
// the merged outputs. seriesHeaderOf describes an experiment as its series files record it, so
// that a slice records exactly what its merge needs.
#include "run/FilmSetup.h"
#include "run/GrowthFit.h"
#include "run/Outcome.h"
#include "run/RoughnessStats.h"
#include "run/IsolatedSeriesReader.h"
#include "run/SeriesFile.h"
#include "run/StopRequest.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The header of the series file of an experiment of `runs` runs of `ticks` ticks of `film`
// seeded from `seed`, made by this program: the rate bar's position, the texts the layers to
// deposit and the relaxations came from, and the files the settings were read from (or empty).
SeriesHeader seriesHeaderOf(const FilmSetup& film, uint32_t seed, int32_t runs, int64_t ticks,
                            const std::string& configFile, const std::string& layerFile);

class MergedSeries {
public:
    // Opens the series files and checks that they are slices of one experiment (the same
    // program version, generator, seed, number of runs, ticks, settings and start lattice)
    // that hold every run exactly once. Throws AppError saying which file differs in what, or
    // which runs are missing or held twice, and where.
    explicit MergedSeries(const std::vector<std::string>& paths);
    ~MergedSeries();

    // The experiment's header; jobs is the most threads of a slice, seconds the sum of theirs.
    const SeriesHeader& header() const { return header_; }
    // Adds every run's series in run order to the statistics, and to `writer` when given.
    RoughnessStats combine(SeriesWriter* writer) const;

private:
    std::vector<std::unique_ptr<IsolatedSeriesReader>> files_; // each read in a process of its own
    SeriesHeader header_;
};

// The merge of the slices `inputs`: the experiment's header and outcome (with the fit when
// `fit`, over `fitRange` or the default window; the seconds the sum of the slices'), the
// statistics to `roughnessFile` and every run's series to `seriesFile` (an empty name writes
// nothing). Nothing is written unless the slices make one whole experiment, nor over an input
// slice; a `stop` set before the outputs are put in place writes nothing either (Interrupted).
// Throws AppError, and SettingError for a fit range beyond the experiment's ticks.
struct MergedExperiment {
    SeriesHeader header;
    Outcome outcome;
};
MergedExperiment mergeSlices(const std::vector<std::string>& inputs, const std::string& roughnessFile,
                             const std::string& seriesFile, bool fit,
                             const std::optional<GrowthFit::TickRange>& fitRange, const StopRequest* stop = nullptr);
