#include "run/AnalysisStats.h"

#include <cmath>
#include <stdexcept>

bool isAnalysisTick(int64_t tick, int64_t steps, int64_t every)
{
    return tick == (steps < 0 ? 0 : steps) || (every > 0 && tick > 0 && tick < steps && tick % every == 0);
}

int64_t analysisCount(int64_t steps, int64_t every)
{
    return every > 0 && steps > 1 ? (steps - 1) / every + 1 : 1;
}

std::vector<int64_t> analysisTicks(int64_t steps, int64_t every)
{
    std::vector<int64_t> ticks;
    ticks.reserve(static_cast<size_t>(analysisCount(steps, every)));
    if (every > 0)
        for (int64_t t = every; t < steps; t += every)
            ticks.push_back(t);
    ticks.push_back(steps < 0 ? 0 : steps);
    return ticks;
}

void RunningValue::add(double value)
{
    ++n_;
    sum_ += value;
    // Welford's update keeps the squared deviations accurate for many close values.
    const double delta = value - runningMean_;
    runningMean_ += delta / static_cast<double>(n_);
    m2_ += delta * (value - runningMean_);
}

RunningValue RunningValue::zeros(int64_t runs)
{
    RunningValue v;
    v.n_ = runs;
    return v;
}

double RunningValue::mean() const
{
    return n_ == 0 ? 0.0 : sum_ / static_cast<double>(n_);
}

double RunningValue::standardError() const
{
    if (n_ < 2)
        return 0.0;
    const double variance = m2_ / static_cast<double>(n_ - 1);
    return variance > 0.0 ? std::sqrt(variance / static_cast<double>(n_)) : 0.0;
}

namespace {

template <class T>
void sameAbscissae(const std::vector<T>& kept, const std::vector<T>& given, const char* curve)
{
    if (kept != given)
        throw std::invalid_argument(std::string("the ") + curve + " of a run does not match the runs before");
}

void addCurve(std::vector<RunningValue>& into, const std::vector<double>& values)
{
    into.resize(values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        into[i].add(values[i]);
}

void addDefined(RunningValue& into, const std::optional<double>& value)
{
    if (value)
        into.add(*value);
}

} // namespace

AnalysisStats::AnalysisStats(int64_t steps, int64_t every) : steps_(steps), every_(every)
{
}

void AnalysisStats::addRun(const std::vector<SurfaceAnalysis>& analyses)
{
    if (averages_.empty())
        for (int64_t t : analysisTicks(steps_, every_)) {
            AnalysisAverage a;
            a.tick = t;
            averages_.push_back(std::move(a));
        }
    if (analyses.size() != averages_.size())
        throw std::invalid_argument("a run has " + std::to_string(analyses.size()) + " surface analyses, not "
                                    + std::to_string(averages_.size()));
    for (std::size_t i = 0; i < analyses.size(); ++i) {
        const SurfaceAnalysis& one = analyses[i];
        AnalysisAverage& a = averages_[i];
        if (runs_ == 0) {
            a.k = one.structureFactor.k;
            a.modes = one.structureFactor.modes;
            a.r = one.correlation.r;
            a.l = one.localWidth.l;
        } else {
            sameAbscissae(a.k, one.structureFactor.k, "structure factor");
            sameAbscissae(a.r, one.correlation.r, "correlation");
            sameAbscissae(a.l, one.localWidth.l, "local width");
        }
        addCurve(a.s, one.structureFactor.s);
        addCurve(a.c, one.correlation.c);
        addCurve(a.g, one.correlation.g);
        addCurve(a.w, one.localWidth.w);
        a.width.add(one.width);
        addDefined(a.skewness, one.moments.skewness);
        addDefined(a.excessKurtosis, one.moments.excessKurtosis);
        addDefined(a.correlationLength, one.correlation.length);

        // Every step size of any run so far gets this run's fraction, or 0 when the run has none;
        // a size new with this run counts as 0 in every run before it.
        for (const SlopeBin& b : one.slopes)
            a.slopes.try_emplace(b.difference, RunningValue::zeros(runs_));
        auto bin = one.slopes.begin(); // sorted by difference, like the map
        for (auto& [difference, value] : a.slopes) {
            if (bin != one.slopes.end() && bin->difference == difference) {
                value.add(bin->fraction);
                ++bin;
            } else {
                value.add(0.0);
            }
        }
    }
    ++runs_;
}
