#pragma once
// MergeCommand: the command line of `tessavo-batch merge SERIES.h5 ... [--roughness OUT.csv]
// [--fit] [--json] [--series ALL.h5]`, which combines the series files of the slices of one
// experiment into the outputs one machine running every run would have written (the core's
// mergeSlices does the work).
#include <QStringList>

#include <cstdint>
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
