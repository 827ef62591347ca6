#pragma once
// AnalysisFiles: the surface analysis outputs of tessavo-batch --analysis PREFIX, five CSV files
// with a header line, one block of lines for each analysed tick (see ResultTables):
//   PREFIX.sk.csv       S(k), the radially averaged structure factor, with its wave vectors
//   PREFIX.gr.csv       C(r) and G(r), the height-height correlation and difference functions
//   PREFIX.wl.csv       w(l), the local width in l x l windows
//   PREFIX.moments.csv  W, skewness, excess kurtosis and the correlation length xi
//   PREFIX.slopes.csv   the histogram of nearest-neighbour height steps
// A single run writes the values; an experiment writes for each its mean and standard error
// over the runs. Each file is written whole or not at all.
#include "analysis/SurfaceAnalysis.h"
#include "files/OutputFile.h"
#include "run/AnalysisStats.h"
#include "run/ResultTables.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

class AnalysisFiles {
public:
    // Creates the five files PREFIX.*.csv, to be replaced on commit, with the columns of a
    // single run or, when `averaged`, of an experiment. Throws AppError when one cannot be
    // written.
    AnalysisFiles(const std::string& prefix, bool averaged);

    // The analysis of a single run's surface at `tick`.
    void add(int64_t tick, const SurfaceAnalysis& analysis);
    // The averages over the runs of an experiment, at every analysed tick.
    void add(const AnalysisStats& stats);
    void commit();

    static std::array<std::string, ResultTables::analysisTables> names(const std::string& prefix);

private:
    std::array<std::unique_ptr<OutputFile>, ResultTables::analysisTables> files_;
};
