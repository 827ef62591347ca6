#include "analysis/LineFit.h"

#include <cmath>

LineFit LineFit::through(std::span<const double> x, std::span<const double> y)
{
    LineFit fit;
    fit.n = x.size();
    if (x.size() != y.size()) {
        fit.message = "a line needs as many y values as x values (" + std::to_string(x.size()) + " x, "
            + std::to_string(y.size()) + " y)";
        return fit;
    }
    if (x.size() < 3) {
        fit.message = "a line fit needs at least 3 points, not " + std::to_string(x.size());
        return fit;
    }
    bool varies = false;
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (!std::isfinite(x[i]) || !std::isfinite(y[i])) {
            fit.message = "point " + std::to_string(i + 1) + " of the line fit is not a finite number";
            return fit;
        }
        varies = varies || x[i] != x[0];
    }
    if (!varies) {
        fit.message = "all x values of the line fit are equal: the slope is undefined";
        return fit;
    }

    // Sums centred on the means keep their precision when x or y sit far from zero.
    const double n = static_cast<double>(x.size());
    double meanX = 0.0, meanY = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        meanX += x[i];
        meanY += y[i];
    }
    meanX /= n;
    meanY /= n;
    double sxx = 0.0, sxy = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        sxx += (x[i] - meanX) * (x[i] - meanX);
        sxy += (x[i] - meanX) * (y[i] - meanY);
    }
    fit.slope = sxy / sxx;
    fit.intercept = meanY - fit.slope * meanX;
    double residuals = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double r = y[i] - meanY - fit.slope * (x[i] - meanX);
        residuals += r * r;
    }
    const double variance = residuals / (n - 2.0);
    fit.slopeError = std::sqrt(variance / sxx);
    fit.interceptError = std::sqrt(variance * (1.0 / n + meanX * meanX / sxx));
    fit.ok = true;
    return fit;
}
