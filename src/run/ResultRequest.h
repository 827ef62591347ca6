#pragma once
// ResultRequest: the results a single run and an experiment both write when asked: the
// roughness table (CSV), the five surface analysis tables and the fit of the growth exponent.
// A file name that is empty writes nothing.
#include "run/GrowthFit.h"

#include <cstdint>
#include <optional>
#include <string>

struct ResultRequest {
    std::string roughnessFile;
    std::string analysisPrefix; // the five analysis files PREFIX.*.csv
    int64_t analyzeEvery = 0;   // also every that many ticks (0: the last tick only)
    bool fit = false;           // the growth exponent, over `fitRange` or the default window
    std::optional<GrowthFit::TickRange> fitRange;
};
