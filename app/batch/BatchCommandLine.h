#pragma once
// BatchCommandLine: the command line of tessavo-batch, checked and converted. Settings that the
// user did not give stay unset here: they come from --config, or else from the window's
// start-up values (see RunPlan). The settings of the film are its RunRequest; the rest names
// what to write and how.
#include "run/RunPlan.h"

#include <QStringList>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct BatchCommandLine : RunRequest {
    bool help = false;
    bool version = false;
    std::string helpText;

    std::string saveLayer;
    std::string roughnessFile;
    std::string pictureFile;
    std::string chartFile;
    std::string heightMapFile; // --heightmap: the top view of the lattice
    std::string framesName;

    bool quiet = false;

    bool fit = false;
    bool json = false;
    std::string seriesFile;                     // --series: the per-run series in HDF5
    std::optional<std::pair<int32_t, int32_t>> runRange; // --run-range A:B: only runs A..B-1

    std::string analysisPrefix;     // --analysis: PREFIX.sk.csv, .gr.csv, .wl.csv, .moments.csv, .slopes.csv
    int64_t analyzeEvery = 0;       // --analyze-every K: also every K ticks (0: the last tick only)
    std::vector<int32_t> sizes;     // --sizes: square lattice sides of a finite-size scaling study
    std::string fssFile;            // --fss: its table of W_sat and t_cross per size
    bool fssUnsaturated = false;    // --fss-unsaturated: the exponents also while a size has not saturated

    // The files the run reads (--config, --layer, --resume), and the files it writes under names
    // known before it starts (all but the frames); names not given are empty.
    std::vector<std::string> inputFiles() const;
    std::vector<std::string> outputFiles() const;

    // Parses the arguments (the program name first). Throws UsageError on anything malformed,
    // unknown or contradictory.
    static BatchCommandLine parse(const QStringList& arguments);
};
