#include "run/RoughnessStats.h"

#include <cmath>

RoughnessStats::RoughnessStats(int64_t ticks, int32_t firstRun)
    : firstRun_(firstRun), sum_(ticks, 0.0), runningMean_(ticks, 0.0), m2_(ticks, 0.0), min_(ticks, 0.0),
      max_(ticks, 0.0), depositedSum_(ticks, 0.0), depositedMin_(ticks, 0.0),
      depositedMax_(ticks, 0.0), layersSum_(ticks, 0.0)
{
}

void RoughnessStats::addRun(const std::vector<double>& roughness, const std::vector<double>& deposited,
                            const std::vector<double>& layers)
{
    if (!layers.empty())
        ++runsWithLayers_;
    const auto group = static_cast<size_t>((static_cast<int64_t>(firstRun_) + runs_) % jackknifeGroups);
    ++runs_;
    const double n = static_cast<double>(runs_);
    const size_t count = sum_.size();
    std::vector<double>& groupSum = groupSum_[group];
    if (groupSum.empty())
        groupSum.assign(count, 0.0);
    ++groupRuns_[group];
    for (size_t i = 0; i < count; ++i) {
        const double w = i < roughness.size() ? roughness[i] : 0.0;
        const double d = i < deposited.size() ? deposited[i] : 0.0;
        sum_[i] += w;
        groupSum[i] += w;
        // Welford's update keeps the squared deviations accurate for long series of close values.
        const double delta = w - runningMean_[i];
        runningMean_[i] += delta / n;
        m2_[i] += delta * (w - runningMean_[i]);
        depositedSum_[i] += d;
        if (!layers.empty())
            layersSum_[i] += i < layers.size() ? layers[i] : 0.0;
        if (runs_ == 1) {
            min_[i] = max_[i] = w;
            depositedMin_[i] = depositedMax_[i] = d;
        } else {
            if (w < min_[i]) min_[i] = w;
            if (w > max_[i]) max_[i] = w;
            if (d < depositedMin_[i]) depositedMin_[i] = d;
            if (d > depositedMax_[i]) depositedMax_[i] = d;
        }
    }
}

double RoughnessStats::mean(int64_t i) const
{
    return runs_ == 0 ? 0.0 : sum_[i] / static_cast<double>(runs_);
}

double RoughnessStats::stddev(int64_t i) const
{
    if (runs_ < 2)
        return 0.0;
    const double variance = m2_[i] / static_cast<double>(runs_ - 1);
    return variance > 0.0 ? std::sqrt(variance) : 0.0;
}

double RoughnessStats::standardError(int64_t i) const
{
    return runs_ == 0 ? 0.0 : stddev(i) / std::sqrt(static_cast<double>(runs_));
}

double RoughnessStats::deposited(int64_t i) const
{
    if (runs_ == 0)
        return 0.0;
    if (depositedMin_[i] == depositedMax_[i])
        return depositedMin_[i];
    return depositedSum_[i] / static_cast<double>(runs_);
}

double RoughnessStats::layers(int64_t i) const
{
    return hasLayers() ? layersSum_[i] / static_cast<double>(runs_) : std::nan("");
}

std::vector<double> RoughnessStats::coverageSeries() const
{
    if (!hasLayers())
        return depositedSeries();
    std::vector<double> out(layersSum_.size());
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = layers(static_cast<int64_t>(i));
    return out;
}

std::vector<double> RoughnessStats::means() const
{
    std::vector<double> out(sum_.size());
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = mean(static_cast<int64_t>(i));
    return out;
}

std::vector<double> RoughnessStats::depositedSeries() const
{
    std::vector<double> out(sum_.size());
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = deposited(static_cast<int64_t>(i));
    return out;
}

std::vector<int32_t> RoughnessStats::groups() const
{
    std::vector<int32_t> out;
    for (int32_t g = 0; g < jackknifeGroups; ++g)
        if (groupRuns_[static_cast<size_t>(g)] > 0)
            out.push_back(g);
    return out;
}

std::vector<double> RoughnessStats::meansWithout(int32_t group) const
{
    const auto g = static_cast<size_t>(group);
    const int64_t left = runs_ - groupRuns_[g];
    if (left <= 0)
        return {};
    std::vector<double> out(sum_.size());
    const std::vector<double>& groupSum = groupSum_[g];
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = (sum_[i] - (groupSum.empty() ? 0.0 : groupSum[i])) / static_cast<double>(left);
    return out;
}

std::string RoughnessStats::jackknifeMethod() const
{
    return runs_ <= jackknifeGroups ? "jackknife over " + std::to_string(runs_) + " runs"
                                    : "grouped jackknife, " + std::to_string(groups().size()) + " groups";
}
