#include "analysis/FiniteSizeScaling.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

// A size from its runs' W(t): their mean, and each run's two last quarters.
SizeSeries ofRuns(double size, const std::vector<std::vector<double>>& runs)
{
    SizeSeries s{size, std::vector<double>(runs.front().size(), 0.0), {}, {}};
    for (const std::vector<double>& w : runs) {
        for (size_t i = 0; i < w.size(); ++i)
            s.width[i] += w[i] / static_cast<double>(runs.size());
        s.runSaturation.push_back(saturationWidth(w));
        s.runBefore.push_back(widthBefore(w));
    }
    return s;
}

// W(t) rising linearly to L^alpha at tick L^z and staying there, over 4 (64^z) ticks, in two
// identical runs.
SizeSeries ramp(double size, double alpha, double z)
{
    std::vector<double> w;
    const double rise = std::pow(size, z), top = std::pow(size, alpha);
    for (int t = 1; t <= 4 * std::pow(64.0, z); ++t)
        w.push_back(top * std::min(1.0, t / rise));
    return ofRuns(size, {w, w});
}

} // namespace

TEST(FiniteSizeScaling, SaturationAveragesTheLastQuarterRoundedUp)
{
    EXPECT_EQ(saturationWidth(std::vector<double>{1, 2, 3, 4, 5}), 4.5); // the last 2 of 5
    EXPECT_EQ(saturationWidth(std::vector<double>{1, 2, 3, 4}), 4.0);
    EXPECT_EQ(saturationWidth(std::vector<double>{7}), 7.0);
    EXPECT_TRUE(std::isnan(saturationWidth(std::vector<double>{})));

    const Saturation s = saturationOf({8, {1, 2, 3, 4, 5}, {3, 4, 5}, {4, 4, 4.5}});
    EXPECT_EQ(s.firstTick, 4);
    EXPECT_EQ(s.before, 2.5); // ticks 2 and 3
    EXPECT_TRUE(s.saturated);
    EXPECT_EQ(s.crossoverTick, 5); // 0.9 x 4.5 = 4.05
    EXPECT_NEAR(*s.error, 1 / std::sqrt(3.0), 1e-15);
    EXPECT_FALSE(saturationOf({8, {1, 2}, {3}, {}}).error);
}

TEST(FiniteSizeScaling, SaturationComparesTheLastTwoQuartersRunByRun)
{
    std::mt19937 random(5);
    std::normal_distribution<double> noise(0.0, 0.1);
    const auto runs = [&](auto w) {
        std::vector<std::vector<double>> all(20);
        for (std::vector<double>& run : all)
            for (int t = 1; t <= 80; ++t)
                run.push_back(w(t));
        return all;
    };
    const struct {
        const char* name;
        std::vector<std::vector<double>> runs;
        bool saturated;
    } cases[] = {
        {"flat", runs([](int) { return 2.0; }), true},
        {"rising", runs([&](int t) { return std::sqrt(t) + noise(random); }), false},
        {"noisy flat", runs([&](int) { return 2.0 + noise(random); }), true},
        {"one run", {std::vector<double>(80, 2.0)}, false},
    };
    std::vector<SizeSeries> sizes;
    for (const auto& c : cases) {
        const Saturation s = saturationOf(ofRuns(8, c.runs));
        EXPECT_EQ(s.saturated, c.saturated) << c.name << ": " << s.width << " against " << s.before;
        EXPECT_EQ(s.crossoverTick.has_value(), c.saturated) << c.name;
        sizes.push_back(ofRuns(8.0 * static_cast<double>(sizes.size() + 1), c.runs));
    }
    // alpha is fitted over every size, z only over the 2 saturated ones: too few.
    const FiniteSizeScaling fss = finiteSizeScaling(sizes);
    EXPECT_TRUE(fss.ok && fss.alpha.ok) << fss.message;
    EXPECT_FALSE(fss.z.ok);
    EXPECT_FALSE(fss.saturated());
}

TEST(FiniteSizeScaling, RecoversTheExponentsOfARamp)
{
    const std::vector<SizeSeries> sizes = {ramp(8, 0.5, 2), ramp(16, 0.5, 2), ramp(32, 0.5, 2), ramp(64, 0.5, 2)};
    const FiniteSizeScaling fss = finiteSizeScaling(sizes);
    ASSERT_TRUE(fss.ok) << fss.message;
    ASSERT_EQ(fss.sizes.size(), 4u);
    EXPECT_NEAR(fss.sizes[3].width, 8.0, 1e-12);
    EXPECT_EQ(fss.sizes[0].crossoverTick, 58); // 0.9 x 64 = 57.6
    EXPECT_NEAR(fss.alpha.slope, 0.5, 1e-12);
    EXPECT_NEAR(fss.alpha.slopeError, 0.0, 1e-12);
    EXPECT_NEAR(fss.z.slope, 2.0, 0.01);
    // W_sat^2 = L against ln L: slopes 8 / ln 2 .. 32 / ln 2 between neighbours.
    EXPECT_GT(fss.width2.slope, 8 / std::log(2.0));
    EXPECT_LT(fss.width2.slope, 32 / std::log(2.0));
}

TEST(FiniteSizeScaling, RefusesTooFewSizesAndFlatSurfaces)
{
    std::vector<SizeSeries> sizes = {ramp(8, 0.5, 1), ramp(16, 0.5, 1)};
    EXPECT_FALSE(finiteSizeScaling(sizes).ok);
    sizes.push_back({32, std::vector<double>(10, 0.0), {}, {}});
    const FiniteSizeScaling flat = finiteSizeScaling(sizes);
    EXPECT_FALSE(flat.ok);
    EXPECT_NE(flat.message.find("32"), std::string::npos) << flat.message;
}
