#pragma once
// The jackknife error of a statistic over runs: the statistic is computed again with one run
// (or one group of runs) left out at a time, and the spread of those estimates gives its
// standard error, sqrt((G - 1) / G * sum (theta_g - mean theta)^2) for G estimates. Unlike the
// regression error of a line through a run-averaged curve, it sees that the points of one run
// are correlated.
#include <cmath>
#include <span>

inline double jackknifeError(std::span<const double> leaveOneOut)
{
    const auto g = static_cast<double>(leaveOneOut.size());
    if (leaveOneOut.size() < 2)
        return 0.0;
    double mean = 0.0;
    for (double v : leaveOneOut)
        mean += v;
    mean /= g;
    double squares = 0.0;
    for (double v : leaveOneOut)
        squares += (v - mean) * (v - mean);
    return std::sqrt((g - 1.0) / g * squares);
}
