// Surface analyses averaged over runs: the schedule of analysed ticks, means and standard errors
// value by value, values some runs lack, and step sizes that only some runs have.
#include "run/AnalysisStats.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

// A made-up analysis of a lattice with two S(k) bins, one C/G bin and one window side.
SurfaceAnalysis made(double scale, std::optional<double> skewness, std::vector<SlopeBin> slopes)
{
    SurfaceAnalysis a;
    a.width = scale;
    a.structureFactor = {{0.5, 1.0}, {scale, 2 * scale}, {4, 8}};
    a.correlation = {{1.0}, {scale / 2}, {3 * scale}, std::nullopt};
    a.localWidth = {{2}, {scale / 4}};
    a.moments.skewness = skewness;
    a.slopes = std::move(slopes);
    return a;
}

} // namespace

TEST(AnalysisStats, TicksAreEveryKAndTheLast)
{
    EXPECT_EQ(analysisTicks(10, 0), (std::vector<int64_t>{10}));
    EXPECT_EQ(analysisTicks(10, 3), (std::vector<int64_t>{3, 6, 9, 10}));
    EXPECT_EQ(analysisTicks(9, 3), (std::vector<int64_t>{3, 6, 9}));
    EXPECT_EQ(analysisTicks(0, 5), (std::vector<int64_t>{0}));
    // The arithmetic schedule agrees with the list.
    for (int64_t steps : {0, 1, 9, 10, 11})
        for (int64_t every : {0, 1, 3, 10, 20}) {
            const std::vector<int64_t> ticks = analysisTicks(steps, every);
            EXPECT_EQ(analysisCount(steps, every), int64_t(ticks.size())) << steps << " every " << every;
            for (int64_t t = 0; t <= steps; ++t)
                EXPECT_EQ(isAnalysisTick(t, steps, every), std::count(ticks.begin(), ticks.end(), t) == 1)
                    << "tick " << t << " of " << steps << " every " << every;
        }
}

TEST(AnalysisStats, EveryValueIsAveragedWithItsStandardError)
{
    AnalysisStats stats(7, 0);
    for (double scale : {1.0, 2.0, 3.0, 4.0})
        stats.addRun({made(scale, scale > 2 ? std::optional<double>(scale) : std::nullopt, {})});
    ASSERT_EQ(stats.averages().size(), 1u);
    const AnalysisAverage& a = stats.averages()[0];
    EXPECT_EQ(a.tick, 7);
    EXPECT_EQ(a.k, (std::vector<double>{0.5, 1.0}));
    EXPECT_EQ(a.modes, (std::vector<int64_t>{4, 8}));
    // 1, 2, 3, 4: mean 2.5, sample variance 5/3, standard error sqrt(5/3 / 4).
    const double se = std::sqrt(5.0 / 12.0);
    EXPECT_DOUBLE_EQ(a.s[0].mean(), 2.5);
    EXPECT_DOUBLE_EQ(a.s[0].standardError(), se);
    EXPECT_DOUBLE_EQ(a.s[1].mean(), 5.0);
    EXPECT_DOUBLE_EQ(a.s[1].standardError(), 2 * se);
    EXPECT_DOUBLE_EQ(a.c[0].mean(), 1.25);
    EXPECT_DOUBLE_EQ(a.g[0].mean(), 7.5);
    EXPECT_DOUBLE_EQ(a.w[0].mean(), 0.625);
    EXPECT_DOUBLE_EQ(a.width.standardError(), se);
    // Only the runs that have a skewness count: 3 and 4.
    EXPECT_EQ(a.skewness.count(), 2);
    EXPECT_DOUBLE_EQ(a.skewness.mean(), 3.5);
    EXPECT_DOUBLE_EQ(a.skewness.standardError(), 0.5);
    EXPECT_EQ(a.correlationLength.count(), 0);
}

TEST(AnalysisStats, AStepSizeARunLacksCountsAsNone)
{
    AnalysisStats stats(1, 0);
    stats.addRun({made(1, {}, {{-1, 1, 0.25}, {0, 3, 0.75}})});
    stats.addRun({made(1, {}, {{0, 2, 0.5}, {2, 2, 0.5}})});     // no -1; 2 is new
    stats.addRun({made(1, {}, {{-3, 1, 0.25}, {0, 3, 0.75}})}); // -3 is new; no 2
    const auto& slopes = stats.averages()[0].slopes;
    ASSERT_EQ(slopes.size(), 4u);
    const std::map<int64_t, double> means = {{-3, 0.25 / 3}, {-1, 0.25 / 3}, {0, 2.0 / 3}, {2, 0.5 / 3}};
    for (const auto& [difference, mean] : means) {
        ASSERT_TRUE(slopes.count(difference)) << difference;
        EXPECT_EQ(slopes.at(difference).count(), 3) << difference;
        EXPECT_DOUBLE_EQ(slopes.at(difference).mean(), mean) << difference;
    }
    // 0, 0.5, 0: sample standard deviation sqrt(1/12), over sqrt(3).
    EXPECT_DOUBLE_EQ(slopes.at(2).standardError(), std::sqrt(1.0 / 12.0 / 3.0));
}

TEST(AnalysisStats, RunsOfAnotherShapeAreRefused)
{
    AnalysisStats stats(2, 1);
    EXPECT_THROW(stats.addRun({made(1, {}, {})}), std::invalid_argument);
    stats.addRun({made(1, {}, {}), made(1, {}, {})});
    SurfaceAnalysis other = made(1, {}, {});
    other.structureFactor.k = {0.25, 0.5};
    EXPECT_THROW(stats.addRun({made(1, {}, {}), other}), std::invalid_argument);
}
