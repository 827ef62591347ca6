#pragma once
// GrowthFit: the growth exponent beta from a roughness curve W(t) ~ t^beta, a least-squares
// line through (log t, log W) over a window of ticks. Ticks count from 1; W is in layers.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct GrowthFit {
    bool ok = false;
    std::string message; // why there is no fit, when !ok
    double beta = 0.0;   // the slope
    double error = 0.0;  // its standard error
    int64_t firstTick = 0;
    int64_t lastTick = 0;

    // The default window: from the first tick whose deposited layers are >= 1 to the last
    // tick before W first reaches 90% of its final value, or the last tick when only the
    // last tick reaches it. roughness[i] and deposited[i] belong to tick i + 1.
    static GrowthFit defaultWindow(const std::vector<double>& roughness, const std::vector<double>& deposited);

    // The fit over ticks first..last (inclusive). Needs at least three ticks and W > 0 in all
    // of them; a W that does not change over the window gives no fit either.
    static GrowthFit over(const std::vector<double>& roughness, int64_t first, int64_t last);

    // The default window, then the fit over it.
    static GrowthFit fit(const std::vector<double>& roughness, const std::vector<double>& deposited);

    // "beta = 0.251 +/- 0.004 (ticks 100..2000, 32 runs)", or the message.
    std::string summary(int64_t runs) const;
};

// The effective exponent beta_eff(t), the local slope of ln W against ln t by the centred
// difference (ln W(t+1) - ln W(t-1)) / (ln(t+1) - ln(t-1)), for each tick of a series
// (roughness[i] belongs to tick i + 1). Empty at the first and the last tick and wherever W at
// t - 1, t or t + 1 is not a positive number.
std::vector<std::optional<double>> effectiveExponent(const std::vector<double>& roughness);
