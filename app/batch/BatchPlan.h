#pragma once
// BatchPlan: the settings a batch run uses, resolved by the core's RunPlan from the command
// line, the configuration file (--config), the stored lattice (--layer) or saved run (--resume),
// and the window's start-up values; and none of the outputs is one of those inputs.
#include "batch/BatchCommandLine.h"
#include "run/RunPlan.h"

struct BatchPlan : RunPlan {
    static BatchPlan resolve(const BatchCommandLine& options);
};
