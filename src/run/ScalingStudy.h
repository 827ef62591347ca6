#pragma once
// ScalingStudy: finite-size scaling (tessavo-batch --sizes L1,L2,... --runs N --steps T): one
// experiment of N runs on each L x L lattice (the other settings as given, the same seeds for
// every size), the saturated width W_sat (the mean W over the last quarter of the ticks, with its
// standard error over the runs) and the crossover tick t_cross (the first tick with
// W >= 0.9 W_sat) of each size, and the exponents alpha (W_sat ~ L^alpha) and z (t_cross ~ L^z)
// with the slope of W_sat^2 against ln L; the table of the sizes optionally as CSV. A size
// whose W still changes between the last two quarters of the ticks has not saturated: it gives
// no t_cross, and the exponents are only shown when asked for. The exponents' errors come from
// a jackknife over the runs.
#include "analysis/FiniteSizeScaling.h"
#include "files/OutputFile.h"
#include "run/FilmSetup.h"
#include "run/JobProgress.h"
#include "run/StopRequest.h"

#include <QJsonObject>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class ScalingStudy {
public:
    // `runs` runs of `steps` ticks of `film` on each side in `sizes`, run k of each seeded from
    // `seed`, on `jobs` threads; the table to `tableFile` unless it is empty. Opens the table and
    // checks every size before the first run: throws AppError when the table cannot be written
    // or a size would not fit in the machine's memory.
    ScalingStudy(const FilmSetup& film, uint32_t seed, int32_t runs, int64_t steps, const std::vector<int32_t>& sizes,
                 int32_t jobs, const std::string& tableFile);
    ~ScalingStudy();

    // What makes the study's numbers doubtful before it runs: the congruential generator's
    // period too short for the largest lattice, a rate that deposits nothing on the smallest.
    const std::vector<std::string>& warnings() const { return warnings_; }
    // The runs and ticks of all the sizes together, which the progress counts.
    int64_t totalRuns() const;
    int64_t totalTicks() const;

    // Runs every size, writes the table (every size, also when the exponents cannot be
    // fitted) and returns the scaling. Throws AppError on a file error and Interrupted once
    // `stop` is set.
    FiniteSizeScaling run(const JobProgress& progress = {}, const StopRequest* stop = nullptr);

    // "alpha = 0.123 +/- 0.004, z = 1.234 +/- 0.056 (error: ...)" and "W_sat^2 against ln L:
    // slope ..." on a second line, or why there are no exponents; each line ends with a line
    // break. While a size has not saturated, nothing, unless `showUnsaturated`: then each
    // line names the unsaturated sizes.
    static std::string summary(const FiniteSizeScaling& scaling, bool showUnsaturated);
    static QJsonObject json(const FiniteSizeScaling& scaling, bool showUnsaturated);
    // A line for each size that has not saturated, with the mean W over the last quarter of
    // the ticks and over the quarter before, and which sizes to run longer; empty when every
    // size has saturated.
    static std::vector<std::string> unsaturated(const FiniteSizeScaling& scaling);

private:
    std::vector<FilmSetup> setups_; // one for each size, in the order given
    uint32_t seed_;
    int32_t runs_;
    int64_t steps_;
    int32_t jobs_;
    std::unique_ptr<OutputFile> table_;
    std::vector<std::string> warnings_;
};
