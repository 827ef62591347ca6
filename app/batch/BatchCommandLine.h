#pragma once
// BatchCommandLine: the command line of tessavo-batch, checked and converted. Settings that the
// user did not give stay unset here: they come from --config, or else from the window's
// start-up values (see BatchPlan). Sizes in lattice cells, the rate as the rate bar's
// position (rate = position * 0.001), picture coordinates in bitmap pixels.
#include <QStringList>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct BatchCommandLine {
    bool help = false;
    bool version = false;
    std::string helpText;

    std::optional<uint32_t> seed;
    std::optional<std::string> generator; // --rng, lcg when not given
    uint32_t runIndex = 0;         // --run-index: which run of an experiment a single run repeats
    int64_t steps = 1000;

    std::optional<int32_t> columns, rows;
    std::optional<int32_t> ratePosition;
    std::optional<std::string> maxText;   // layers to deposit, converted as the window does
    std::optional<std::string> relaxText; // relaxation sweeps per step, likewise
    std::optional<int32_t> zmode;         // 0 from --iso, 1 from --aniso
    std::optional<int32_t> z, zx, zy;
    bool autoHeight = false;              // --autoheight turns it on

    std::string configFile;
    std::string layerFile;
    std::string resumeFile; // --resume: continues a run saved by --save-layer

    std::string saveLayer;
    std::string roughnessFile;
    std::string pictureFile;
    std::string chartFile;
    std::string heightMapFile; // --heightmap: the top view of the lattice
    std::string framesName;
    std::optional<int32_t> originX, originY;
    std::optional<int32_t> zoom;
    std::optional<int32_t> palette;
    std::optional<int32_t> chartStyle;

    bool quiet = false;

    int32_t runs = 0; // 0: one plain run; N >= 1: an experiment of N runs
    int32_t jobs = 0; // 0: one per core
    bool fit = false;
    std::optional<int64_t> fitFrom, fitTo;
    bool json = false;
    std::string seriesFile;                     // --series: the per-run series in HDF5
    std::optional<std::pair<int32_t, int32_t>> runRange; // --run-range A:B: only runs A..B-1

    std::string analysisPrefix;     // --analysis: PREFIX.sk.csv, .gr.csv, .wl.csv, .moments.csv, .slopes.csv
    int64_t analyzeEvery = 0;       // --analyze-every K: also every K ticks (0: the last tick only)
    std::vector<int32_t> sizes;     // --sizes: square lattice sides of a finite-size scaling study
    std::string fssFile;            // --fss: its table of W_sat and t_cross per size

    // The files the run reads (--config, --layer, --resume), and the files it writes under names
    // known before it starts (all but the frames); names not given are empty.
    std::vector<std::string> inputFiles() const;
    std::vector<std::string> outputFiles() const;

    // Parses the arguments (the program name first). Throws UsageError on anything malformed,
    // unknown or contradictory.
    static BatchCommandLine parse(const QStringList& arguments);
};
