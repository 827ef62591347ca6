#pragma once
// RoughnessStats: per-tick statistics of the roughness W (in layers) over many runs, kept as
// running sums so that memory does not grow with the number of runs. Runs must be added in
// run order: the sums are then the same, bit for bit, however the runs were scheduled.
// Beside the sums over all runs it keeps the sums of each jackknife group (run k belongs to
// group k mod 64: one run a group up to 64 runs), so that an error over runs can be worked out
// by leaving one group out at a time; that is 64 values a tick at most, whatever the runs.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

class RoughnessStats {
public:
    // The statistics of runs firstRun, firstRun + 1, ... (the runs' own indices place them in
    // their jackknife groups, so a slice of an experiment groups its runs as the whole does).
    explicit RoughnessStats(int64_t ticks, int32_t firstRun = 0);

    static constexpr int32_t jackknifeGroups = 64;

    // One run's series, one value per tick (index 0 is tick 1): W, the window's count of
    // deposited layers, and the layers of particles that landed (left empty by series files
    // written before they were kept; the statistics then have no layers).
    void addRun(const std::vector<double>& roughness, const std::vector<double>& deposited,
                const std::vector<double>& layers = {});

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

    // The layers landed by tick i over the runs (the same in every run); NaN without them.
    double layers(int64_t i) const;
    bool hasLayers() const { return runs_ > 0 && runsWithLayers_ == runs_; }

    std::vector<double> means() const;
    std::vector<double> depositedSeries() const;
    // The series the default fit window starts from: the layers when every run has them,
    // else the deposited layers.
    std::vector<double> coverageSeries() const;

    // The groups holding at least one run, in increasing order, and the mean W of every tick
    // over the runs outside group g (empty when no run is left).
    std::vector<int32_t> groups() const;
    std::vector<double> meansWithout(int32_t group) const;
    // "jackknife over N runs" (one run a group) or "grouped jackknife, G groups".
    std::string jackknifeMethod() const;

private:
    int64_t runs_ = 0;
    int32_t firstRun_ = 0;
    std::array<std::vector<double>, jackknifeGroups> groupSum_;
    std::array<int64_t, jackknifeGroups> groupRuns_{};
    std::vector<double> sum_;
    std::vector<double> runningMean_; // Welford's mean, for the squared deviations only
    std::vector<double> m2_;
    std::vector<double> min_;
    std::vector<double> max_;
    std::vector<double> depositedSum_;
    std::vector<double> depositedMin_;
    std::vector<double> depositedMax_;
    std::vector<double> layersSum_;
    int64_t runsWithLayers_ = 0;
};
