#pragma once
// AnalysisStats: the surface analyses of the runs of an experiment, each run analysed at the
// same ticks, averaged value by value over the runs: a mean and its standard error for every
// point of S(k), C(r), G(r), w(l), for W, the skewness, the excess kurtosis, the correlation
// length and every fraction of the step histogram. Like RoughnessStats, runs must be added in
// run order; the sums are then the same, bit for bit, however the runs were scheduled. Memory
// grows with the analysis ticks and the lattice side, not with the number of runs.
#include "analysis/SurfaceAnalysis.h"

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

// The ticks at which a run is analysed: every `every` ticks up to `steps` and the last tick
// `steps` itself (0, the start lattice, when there are no steps); only the last tick when
// `every` is 0. The schedule is arithmetic, so that it costs nothing before the memory it
// needs has been checked.
bool isAnalysisTick(int64_t tick, int64_t steps, int64_t every);
int64_t analysisCount(int64_t steps, int64_t every);
std::vector<int64_t> analysisTicks(int64_t steps, int64_t every);

// One value over the runs that have it: the mean of their values and its standard error, the
// sample standard deviation over sqrt(n) (0 for a single run).
class RunningValue {
public:
    void add(double value);
    // As if `runs` runs had given 0 (a step size that earlier runs did not have).
    static RunningValue zeros(int64_t runs);

    int64_t count() const { return n_; }
    double mean() const;
    double standardError() const;

private:
    int64_t n_ = 0;
    double sum_ = 0.0;
    double runningMean_ = 0.0; // Welford's mean, for the squared deviations only
    double m2_ = 0.0;
};

// The averages at one analysis tick. The abscissae (k, r, l) and the mode counts are those of
// every run, since every run has the same lattice size.
struct AnalysisAverage {
    int64_t tick = 0;
    std::vector<double> k;
    std::vector<int64_t> modes;
    std::vector<RunningValue> s;
    std::vector<double> r;
    std::vector<RunningValue> c, g;
    std::vector<int32_t> l;
    std::vector<RunningValue> w;
    RunningValue width;
    // Over the runs where each is defined (not flat; the correlation fell below 1/e).
    RunningValue skewness, excessKurtosis, correlationLength;
    // The fraction of steps of each size, over the union of the runs' sizes: a run without a
    // size counts as a fraction 0 of it.
    std::map<int64_t, RunningValue> slopes;
};

class AnalysisStats {
public:
    // The averages at the analysis ticks of a run of `steps` ticks analysed every `every` ticks
    // (see analysisTicks); they are laid out when the first run is added.
    AnalysisStats(int64_t steps, int64_t every);

    // One run's analyses, one for each analysis tick, in order. Throws std::invalid_argument
    // when their number or their curves do not match the runs before.
    void addRun(const std::vector<SurfaceAnalysis>& analyses);

    int64_t runs() const { return runs_; }
    const std::vector<AnalysisAverage>& averages() const { return averages_; }

private:
    int64_t steps_;
    int64_t every_;
    int64_t runs_ = 0;
    std::vector<AnalysisAverage> averages_;
};
