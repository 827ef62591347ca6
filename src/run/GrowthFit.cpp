#include "run/GrowthFit.h"

#include "analysis/Jackknife.h"
#include "analysis/LineFit.h"
#include "run/RoughnessStats.h"
#include "files/NumberText.h"

#include <cmath>

namespace {

std::string tickRange(int64_t first, int64_t last)
{
    return std::to_string(first) + ".." + std::to_string(last);
}

} // namespace

GrowthFit GrowthFit::defaultWindow(std::span<const double> roughness, std::span<const double> deposited)
{
    GrowthFit window;
    const int64_t ticks = static_cast<int64_t>(roughness.size());
    if (ticks == 0) {
        window.message = "no ticks to fit the growth exponent";
        return window;
    }
    int64_t first = 0;
    for (int64_t i = 0; i < ticks && i < static_cast<int64_t>(deposited.size()); ++i)
        if (deposited[i] >= 1.0) {
            first = i + 1;
            break;
        }
    if (first == 0) {
        window.message = "less than one layer deposited in " + std::to_string(ticks)
            + " ticks: no growth to fit";
        return window;
    }
    const double threshold = 0.9 * roughness[ticks - 1];
    int64_t last = ticks;
    for (int64_t i = 0; i < ticks; ++i)
        if (roughness[i] >= threshold) {
            last = i == ticks - 1 ? ticks : i; // tick i + 1 reaches it; the one before ends the window
            break;
        }
    window.ok = true;
    window.firstTick = first;
    window.lastTick = last;
    return window;
}

GrowthFit GrowthFit::over(std::span<const double> roughness, int64_t first, int64_t last, const Logs* logs)
{
    GrowthFit result;
    result.firstTick = first;
    result.lastTick = last;
    const int64_t ticks = static_cast<int64_t>(roughness.size());
    if (first < 1 || last > ticks || first > last) {
        result.message = "the fit window " + tickRange(first, last) + " is not within ticks 1.."
            + std::to_string(ticks);
        return result;
    }
    if (last - first + 1 < 3) {
        result.message = "the fit window " + tickRange(first, last)
            + " holds fewer than 3 ticks: the roughness does not grow long enough to fit beta";
        return result;
    }
    const auto n = static_cast<size_t>(last - first + 1);
    std::vector<double> logTicks, logWidths;
    if (!logs) {
        logTicks.reserve(n);
        logWidths.reserve(n);
    }
    bool constant = true;
    for (int64_t t = first; t <= last; ++t) {
        const double w = roughness[t - 1];
        if (!(w > 0.0) || !std::isfinite(w)) {
            result.message = "the roughness is " + std::string(w == 0.0 ? "0" : "not a positive number")
                + " at tick " + std::to_string(t) + ": no growth exponent can be fitted over ticks "
                + tickRange(first, last);
            return result;
        }
        if (w != roughness[first - 1])
            constant = false;
        if (!logs) {
            logTicks.push_back(std::log(static_cast<double>(t)));
            logWidths.push_back(std::log(w));
        }
    }
    if (constant) {
        result.message = "the roughness does not change over ticks " + tickRange(first, last)
            + ": no growth exponent can be fitted";
        return result;
    }
    const auto from = static_cast<size_t>(first - 1);
    const LineFit line = logs ? LineFit::through(logs->tick.subspan(from, n), logs->roughness.subspan(from, n))
                              : LineFit::through(logTicks, logWidths);
    if (!line.ok) {
        result.message = line.message;
        return result;
    }
    result.ok = true;
    result.beta = line.slope;
    result.error = line.slopeError;
    result.intercept = line.intercept;
    return result;
}

GrowthFit GrowthFit::fit(std::span<const double> roughness, std::span<const double> deposited, const Logs* logs)
{
    const GrowthFit window = defaultWindow(roughness, deposited);
    if (!window.ok)
        return window;
    bool constant = true;
    for (double w : roughness)
        if (w != roughness.front())
            constant = false;
    if (constant) {
        GrowthFit flat = window;
        flat.ok = false;
        flat.message = "the roughness stays " + exactText(roughness.front()) + " in all "
            + std::to_string(roughness.size()) + " ticks: no growth exponent can be fitted";
        return flat;
    }
    if (window.lastTick < window.firstTick) {
        GrowthFit flat = window;
        flat.ok = false;
        flat.message = "the roughness reaches 90% of its final value by tick "
            + std::to_string(window.lastTick + 1) + ", before one layer is deposited at tick "
            + std::to_string(window.firstTick) + ": no growth to fit (choose ticks with --fit-range)";
        return flat;
    }
    return over(roughness, window.firstTick, window.lastTick, logs);
}

GrowthFit GrowthFit::of(std::span<const double> roughness, std::span<const double> deposited,
                        const std::optional<TickRange>& range, const Logs* logs)
{
    return range ? over(roughness, range->first, range->second, logs) : fit(roughness, deposited, logs);
}

GrowthFit GrowthFit::ofRuns(const RoughnessStats& stats, const std::optional<TickRange>& range)
{
    const std::vector<double> deposited = stats.coverageSeries();
    GrowthFit whole = of(stats.means(), deposited, range);
    if (!whole.ok || stats.runs() < 2)
        return whole;
    std::vector<double> betas;
    for (int32_t group : stats.groups()) {
        const GrowthFit sample = of(stats.meansWithout(group), deposited, range);
        if (!sample.ok) {
            whole.errorMethod = "regression (with run group " + std::to_string(group) + " left out: " + sample.message + ")";
            return whole;
        }
        betas.push_back(sample.beta);
    }
    whole.error = jackknifeError(betas);
    whole.errorMethod = stats.jackknifeMethod();
    return whole;
}

std::string GrowthFit::summary(int64_t runs) const
{
    if (!ok)
        return "beta cannot be fitted: " + message;
    return "beta = " + valueWithError(beta, error) + " (ticks " + tickRange(firstTick, lastTick) + ", "
        + std::to_string(runs) + (runs == 1 ? " run" : " runs") + "; error: " + errorMethod + ")";
}

std::vector<std::optional<double>> effectiveExponent(const std::vector<double>& roughness)
{
    std::vector<std::optional<double>> beta(roughness.size());
    for (size_t i = 1; i + 1 < roughness.size(); ++i) {
        const double before = roughness[i - 1], now = roughness[i], after = roughness[i + 1];
        if (!(before > 0.0) || !(now > 0.0) || !(after > 0.0) || !std::isfinite(before) || !std::isfinite(after))
            continue;
        // Ticks t - 1 and t + 1 for the value at tick t = i + 1.
        const double t = static_cast<double>(i + 1);
        beta[i] = (std::log(after) - std::log(before)) / (std::log(t + 1.0) - std::log(t - 1.0));
    }
    return beta;
}
