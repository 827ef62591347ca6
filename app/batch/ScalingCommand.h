#pragma once
// ScalingCommand: finite-size scaling with tessavo-batch --sizes L1,L2,... --runs N --steps T:
// one experiment of N runs on each L x L lattice (the other settings as given, the same seeds
// for every size), the saturated width W_sat (the mean W over the last quarter of the ticks,
// with its standard error over the runs) and the crossover tick t_cross (the first tick with
// W >= 0.9 W_sat) of each size, and the exponents alpha (W_sat ~ L^alpha) and z
// (t_cross ~ L^z) with the slope of W_sat^2 against ln L. --fss writes the table as CSV.
#include "batch/BatchCommandLine.h"
#include "batch/BatchPlan.h"
#include "analysis/FiniteSizeScaling.h"
#include "run/StopRequest.h"

#include <QJsonObject>

#include <cstdint>
#include <string>

struct ScalingCommand {
    // Runs every size, writes --fss and returns the scaling; throws AppError on a file error
    // and Interrupted once `stop` is set.
    static FiniteSizeScaling run(const BatchCommandLine& options, const BatchPlan& settings, int32_t jobs,
                                 const StopRequest* stop);

    // "alpha = 0.123 +/- 0.004, z = 1.234 +/- 0.056" and "W_sat^2 against ln L: slope ..." on
    // a second line, or why there are no exponents.
    static std::string summary(const FiniteSizeScaling& scaling);
    static QJsonObject json(const FiniteSizeScaling& scaling);
};
