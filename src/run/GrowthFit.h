#pragma once
// GrowthFit: the growth exponent beta from a roughness curve W(t) ~ t^beta, a least-squares
// line through (log t, log W) over a window of ticks. Ticks count from 1; W is in layers.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

struct GrowthFit {
    bool ok = false;
    std::string message; // why there is no fit, when !ok
    double beta = 0.0;   // the slope
    double error = 0.0;  // its standard error
    // How the error was estimated: "regression" (the scatter of the ticks about the line, for
    // one run or one curve), "jackknife over N runs" or "grouped jackknife, G groups".
    std::string errorMethod = "regression";
    double intercept = 0.0; // ln W of the fitted line at ln t = 0
    int64_t firstTick = 0;
    int64_t lastTick = 0;

    // ln t and ln W of every tick of a series (index i is tick i + 1, as many as the roughness),
    // kept by a caller that fits a growing series again and again; the fit then takes them
    // instead of working them out.
    struct Logs {
        std::span<const double> tick;
        std::span<const double> roughness;
    };
    // The first and last tick of a fit window the user chose.
    using TickRange = std::pair<int64_t, int64_t>;

    // The default window: from the first tick whose deposited layers are >= 1 to the last
    // tick before W first reaches 90% of its final value, or the last tick when only the
    // last tick reaches it. roughness[i] and deposited[i] belong to tick i + 1.
    static GrowthFit defaultWindow(std::span<const double> roughness, std::span<const double> deposited);

    // The fit over ticks first..last (inclusive). Needs at least three ticks and W > 0 in all
    // of them; a W that does not change over the window gives no fit either.
    static GrowthFit over(std::span<const double> roughness, int64_t first, int64_t last, const Logs* logs = nullptr);

    // The default window, then the fit over it.
    static GrowthFit fit(std::span<const double> roughness, std::span<const double> deposited,
                         const Logs* logs = nullptr);

    // The fit a user asks for: over `range` when one is given, else over the default window.
    static GrowthFit of(std::span<const double> roughness, std::span<const double> deposited,
                        const std::optional<TickRange>& range, const Logs* logs = nullptr);

    // The fit of an experiment's mean roughness (as `of`), its error from a jackknife over the
    // runs: the whole fit, the default window's end included, is done again with each
    // jackknife group of runs left out. The window's first tick depends only on the layers
    // deposited, which every run shares. One run keeps the regression error.
    static GrowthFit ofRuns(const class RoughnessStats& stats, const std::optional<TickRange>& range);

    // "beta = 0.2510 +/- 0.0041 (ticks 100..2000, 32 runs; error: jackknife over 32 runs)",
    // or the message.
    std::string summary(int64_t runs) const;
};

// The effective exponent beta_eff(t), the local slope of ln W against ln t by the centred
// difference (ln W(t+1) - ln W(t-1)) / (ln(t+1) - ln(t-1)), for each tick of a series
// (roughness[i] belongs to tick i + 1). Empty at the first and the last tick and wherever W at
// t - 1, t or t + 1 is not a positive number.
std::vector<std::optional<double>> effectiveExponent(const std::vector<double>& roughness);
