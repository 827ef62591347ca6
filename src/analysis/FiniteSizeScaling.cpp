#include "analysis/FiniteSizeScaling.h"

#include <cmath>
#include <sstream>

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

Saturation saturationOf(const SizeSeries& series)
{
    Saturation s;
    s.size = series.size;
    const int64_t ticks = static_cast<int64_t>(series.width.size());
    s.width = saturationWidth(series.width);
    s.firstTick = ticks - saturationTicks(ticks) + 1;
    const std::size_t runs = series.runSaturation.size();
    if (runs >= 2) {
        double mean = 0.0;
        for (double w : series.runSaturation)
            mean += w;
        mean /= static_cast<double>(runs);
        double squares = 0.0;
        for (double w : series.runSaturation)
            squares += (w - mean) * (w - mean);
        s.error = std::sqrt(squares / static_cast<double>(runs - 1) / static_cast<double>(runs));
    }
    const double threshold = 0.9 * s.width;
    for (int64_t i = 0; i < ticks; ++i)
        if (series.width[i] >= threshold) {
            s.crossoverTick = i + 1;
            break;
        }
    return s;
}

FiniteSizeScaling finiteSizeScaling(std::span<const SizeSeries> sizes)
{
    FiniteSizeScaling result;
    std::vector<double> logSize, logWidth, logCrossover, width2;
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
        if (!(s.width > 0.0) || !std::isfinite(s.width) || !s.crossoverTick) {
            result.message = "the saturated width at " + at.str() + " is not a positive number";
            return result;
        }
        logSize.push_back(std::log(series.size));
        logWidth.push_back(std::log(s.width));
        logCrossover.push_back(std::log(static_cast<double>(*s.crossoverTick)));
        width2.push_back(s.width * s.width);
    }
    result.alpha = LineFit::through(logSize, logWidth);
    if (!result.alpha.ok) {
        result.message = result.alpha.message;
        return result;
    }
    result.z = LineFit::through(logSize, logCrossover);
    result.width2 = LineFit::through(logSize, width2);
    result.ok = true;
    return result;
}
