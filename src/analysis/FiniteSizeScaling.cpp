#include "analysis/FiniteSizeScaling.h"

#include <cmath>
#include <sstream>
#include <utility>
#include <vector>

int64_t saturationTicks(int64_t ticks)
{
    return ticks > 0 ? (ticks + 3) / 4 : 0;
}

double saturationWidth(std::span<const double> width)
{
    const int64_t ticks = static_cast<int64_t>(width.size());
    const int64_t last = saturationTicks(ticks);
    if (last == 0)
        return std::nan("");
    double sum = 0.0;
    for (int64_t i = ticks - last; i < ticks; ++i)
        sum += width[i];
    return sum / static_cast<double>(last);
}

double widthBefore(std::span<const double> width)
{
    const int64_t ticks = static_cast<int64_t>(width.size());
    const int64_t quarter = saturationTicks(ticks);
    if (quarter == 0 || ticks < 2 * quarter)
        return std::nan("");
    double sum = 0.0;
    for (int64_t i = ticks - 2 * quarter; i < ticks - quarter; ++i)
        sum += width[i];
    return sum / static_cast<double>(quarter);
}

namespace {

// The mean of a sample and its standard error (none below 2 values).
std::pair<double, std::optional<double>> meanAndError(std::span<const double> values)
{
    const std::size_t n = values.size();
    double mean = 0.0;
    for (double v : values)
        mean += v;
    mean /= static_cast<double>(n);
    if (n < 2)
        return {mean, std::nullopt};
    double squares = 0.0;
    for (double v : values)
        squares += (v - mean) * (v - mean);
    return {mean, std::sqrt(squares / static_cast<double>(n - 1) / static_cast<double>(n))};
}

} // namespace

bool FiniteSizeScaling::saturated() const
{
    for (const Saturation& s : sizes)
        if (!s.saturated)
            return false;
    return true;
}

Saturation saturationOf(const SizeSeries& series)
{
    Saturation s;
    s.size = series.size;
    const int64_t ticks = static_cast<int64_t>(series.width.size());
    s.width = saturationWidth(series.width);
    s.firstTick = ticks - saturationTicks(ticks) + 1;
    s.before = widthBefore(series.width);
    const std::size_t runs = series.runSaturation.size();
    if (runs >= 2)
        s.error = meanAndError(series.runSaturation).second;
    if (series.runBefore.size() >= 2)
        s.beforeError = meanAndError(series.runBefore).second;
    // The quarters of one run are correlated: the test takes their difference run by run.
    if (runs >= 2 && series.runBefore.size() == runs && std::isfinite(s.before)) {
        std::vector<double> rise(runs);
        for (std::size_t k = 0; k < runs; ++k)
            rise[k] = series.runSaturation[k] - series.runBefore[k];
        const auto [mean, error] = meanAndError(rise);
        s.saturated = std::isfinite(mean) && std::abs(mean) <= 2.0 * *error;
    }
    const double threshold = 0.9 * s.width;
    for (int64_t i = 0; i < ticks && s.saturated; ++i)
        if (series.width[i] >= threshold) {
            s.crossoverTick = i + 1;
            break;
        }
    return s;
}

FiniteSizeScaling finiteSizeScaling(std::span<const SizeSeries> sizes)
{
    FiniteSizeScaling result;
    std::vector<double> logSize, logWidth, logCrossover, logCrossoverSize, width2;
    for (const SizeSeries& series : sizes) {
        const Saturation s = saturationOf(series);
        result.sizes.push_back(s);
        std::ostringstream at;
        at << "L = " << series.size;
        if (!(series.size > 0.0) || !std::isfinite(series.size)) {
            result.message = "the lattice size " + at.str().substr(4) + " is not a positive number";
            return result;
        }
        if (series.width.empty()) {
            result.message = "no roughness series for " + at.str();
            return result;
        }
        if (!(s.width > 0.0) || !std::isfinite(s.width)) {
            result.message = "the saturated width at " + at.str() + " is not a positive number";
            return result;
        }
        logSize.push_back(std::log(series.size));
        logWidth.push_back(std::log(s.width));
        if (s.crossoverTick) {
            logCrossoverSize.push_back(std::log(series.size));
            logCrossover.push_back(std::log(static_cast<double>(*s.crossoverTick)));
        }
        width2.push_back(s.width * s.width);
    }
    result.alpha = LineFit::through(logSize, logWidth);
    if (!result.alpha.ok) {
        result.message = result.alpha.message;
        return result;
    }
    result.z = LineFit::through(logCrossoverSize, logCrossover);
    if (logCrossover.size() < 3)
        result.z.message = "z needs t_cross of 3 saturated sizes, " + std::to_string(logCrossover.size()) + " have saturated";
    result.width2 = LineFit::through(logSize, width2);
    result.ok = true;
    return result;
}
