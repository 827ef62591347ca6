#pragma once
// MergeCommand: `tessavo-batch merge SERIES.h5 ... [--roughness OUT.csv] [--fit] [--json]
// [--series ALL.h5]` combines the series files of the slices of one experiment into the
// outputs one machine running every run would have written. MergedSeries opens the slices
// and checks that they belong together; the series of an experiment and the plan that made
// it are translated both ways here, so that a slice records exactly what its merge needs.
#include "batch/BatchCommandLine.h"
#include "batch/BatchPlan.h"
#include "run/RoughnessStats.h"
#include "run/SeriesFile.h"

#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct MergeCommand {
    bool help = false;
    std::string helpText;
    std::vector<std::string> inputs;
    std::string roughnessFile;
    std::string seriesFile;
    bool fit = false;
    std::optional<int64_t> fitFrom, fitTo;
    bool json = false;

    // Parses the arguments after the program name and the word "merge". Throws UsageError.
    static MergeCommand parse(const QStringList& arguments);
};

// The header of the series file of an experiment run with these settings.
SeriesHeader seriesHeaderOf(const BatchCommandLine& o, const BatchPlan& s);

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
    // The command line and plan of the one-machine run of the experiment, for its outputs.
    void describe(BatchCommandLine& o, BatchPlan& s) const;

private:
    std::vector<std::unique_ptr<SeriesReader>> files_;
    SeriesHeader header_;
};
