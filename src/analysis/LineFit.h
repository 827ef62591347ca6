#pragma once
// LineFit: the ordinary least-squares line y = slope x + intercept through a series of points,
// with the standard errors of both coefficients from the scatter of the points about the line
// (residual variance with n - 2 degrees of freedom). Units are those of the series.
#include <cstddef>
#include <span>
#include <string>

struct LineFit {
    bool ok = false;
    std::string message; // why there is no line, when !ok
    double slope = 0.0;
    double intercept = 0.0;
    double slopeError = 0.0;
    double interceptError = 0.0;
    std::size_t n = 0; // points fitted

    // Needs x and y of one length, at least 3 points, all finite, and x not all equal.
    static LineFit through(std::span<const double> x, std::span<const double> y);
};
