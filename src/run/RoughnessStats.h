#pragma once
// RoughnessStats: per-tick statistics of the roughness W (in layers) over many runs, kept as
// running sums so that memory does not grow with the number of runs. Runs must be added in
// run order: the sums are then the same, bit for bit, however the runs were scheduled.
#include <cstdint>
#include <vector>

class RoughnessStats {
public:
    explicit RoughnessStats(int64_t ticks);

    // One run's series, one value per tick (index 0 is tick 1).
    void addRun(const std::vector<double>& roughness, const std::vector<double>& deposited);

    int64_t runs() const { return runs_; }
    int64_t ticks() const { return static_cast<int64_t>(sum_.size()); }

    // Statistics of the tick with index i (0-based). stddev is the sample standard deviation
    // (0 for a single run); standardError is stddev / sqrt(runs).
    double mean(int64_t i) const;
    double stddev(int64_t i) const;
    double standardError(int64_t i) const;
    double min(int64_t i) const { return min_[i]; }
    double max(int64_t i) const { return max_[i]; }
    // The layers deposited by tick i: the same in every run unless auto-height removed
    // different numbers of layers, and then their mean.
    double deposited(int64_t i) const;

    std::vector<double> means() const;
    std::vector<double> depositedSeries() const;

private:
    int64_t runs_ = 0;
    std::vector<double> sum_;
    std::vector<double> runningMean_; // Welford's mean, for the squared deviations only
    std::vector<double> m2_;
    std::vector<double> min_;
    std::vector<double> max_;
    std::vector<double> depositedSum_;
    std::vector<double> depositedMin_;
    std::vector<double> depositedMax_;
};
