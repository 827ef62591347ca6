// The growth exponent fit on series whose answer is known.
#include "run/GrowthFit.h"

#include "run/Experiment.h"
#include "run/RoughnessStats.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

// W = c t^beta for ticks 1..n, one layer deposited per `ticksPerLayer` ticks.
struct Series {
    std::vector<double> w, deposited;
};

Series powerLaw(int n, double c, double beta, double ticksPerLayer)
{
    Series s;
    for (int t = 1; t <= n; ++t) {
        s.w.push_back(c * std::pow(t, beta));
        s.deposited.push_back(t / ticksPerLayer);
    }
    return s;
}

} // namespace

TEST(GrowthFit, RecoversTheExponentOfAPowerLaw)
{
    const Series s = powerLaw(2000, 0.37, 0.25, 10);
    const GrowthFit fit = GrowthFit::over(s.w, 10, 2000);
    ASSERT_TRUE(fit.ok) << fit.message;
    EXPECT_NEAR(fit.beta, 0.25, 1e-12);
    EXPECT_NEAR(fit.intercept, std::log(0.37), 1e-12);
    EXPECT_LT(fit.error, 1e-9);
    EXPECT_EQ(fit.summary(32), "beta = 0.2500 +/- 0 (ticks 10..2000, 32 runs; error: regression)");
    // Two significant digits of the error, the value to the same place.
    GrowthFit noisy = fit;
    noisy.beta = 0.241312;
    noisy.error = 0.00123;
    EXPECT_EQ(noisy.summary(32).substr(0, 22), "beta = 0.2413 +/- 0.00");
    noisy.error = 0.0996; // rounds up to 0.10, two digits still
    EXPECT_EQ(noisy.summary(32).substr(0, 18), "beta = 0.24 +/- 0.");
    EXPECT_EQ(noisy.summary(32).substr(0, 20), "beta = 0.24 +/- 0.10");
}

TEST(GrowthFit, AChosenRangeOrTheDefaultWindowWithOrWithoutKeptLogarithms)
{
    Series s = powerLaw(300, 0.5, 0.4, 20);
    for (size_t i = 0; i < s.w.size(); ++i)
        s.w[i] *= std::exp(i % 3 ? 0.02 : -0.03);
    std::vector<double> logTick, logW;
    for (size_t i = 0; i < s.w.size(); ++i) {
        logTick.push_back(std::log(static_cast<double>(i + 1)));
        logW.push_back(std::log(s.w[i]));
    }
    const GrowthFit::Logs logs{logTick, logW};
    for (const auto& range : {std::optional<GrowthFit::TickRange>(), std::optional<GrowthFit::TickRange>({30, 200})}) {
        const GrowthFit plain = GrowthFit::of(s.w, s.deposited, range);
        const GrowthFit kept = GrowthFit::of(s.w, s.deposited, range, &logs);
        const GrowthFit expected = range ? GrowthFit::over(s.w, 30, 200) : GrowthFit::fit(s.w, s.deposited);
        ASSERT_TRUE(plain.ok) << plain.message;
        EXPECT_EQ(plain.firstTick, expected.firstTick);
        EXPECT_EQ(plain.lastTick, expected.lastTick);
        EXPECT_EQ(plain.beta, expected.beta);
        // The same numbers, bit for bit, from the logarithms kept.
        EXPECT_EQ(kept.beta, plain.beta);
        EXPECT_EQ(kept.error, plain.error);
        EXPECT_EQ(kept.intercept, plain.intercept);
    }
    EXPECT_EQ(GrowthFit::of(s.w, s.deposited, std::nullopt).firstTick, 20);
}

TEST(GrowthFit, ErrorReflectsTheScatter)
{
    // Alternating factors exp(+-0.05) around t^0.3: the slope stays near 0.3 with an error
    // of the size least squares gives for that scatter.
    Series s = powerLaw(1000, 1.0, 0.3, 1);
    for (size_t i = 0; i < s.w.size(); ++i)
        s.w[i] *= std::exp(i % 2 ? 0.05 : -0.05);
    const GrowthFit fit = GrowthFit::over(s.w, 1, 1000);
    ASSERT_TRUE(fit.ok);
    EXPECT_NEAR(fit.beta, 0.3, 3 * fit.error + 1e-3);
    EXPECT_GT(fit.error, 1e-4);
    EXPECT_LT(fit.error, 1e-2);
}

TEST(GrowthFit, DefaultWindowStartsAtOneLayerAndStopsBeforeSaturation)
{
    // Grows as t^0.25 until tick 1000, then stays: 90% of the final value is first reached at
    // the tick where t^0.25 >= 0.9 * 1000^0.25, that is t >= 656.1, so tick 657.
    Series s = powerLaw(3000, 1.0, 0.25, 50);
    for (size_t i = 1000; i < s.w.size(); ++i)
        s.w[i] = s.w[999];
    const GrowthFit window = GrowthFit::defaultWindow(s.w, s.deposited);
    ASSERT_TRUE(window.ok);
    EXPECT_EQ(window.firstTick, 50);
    EXPECT_EQ(window.lastTick, 656);
    const GrowthFit fit = GrowthFit::fit(s.w, s.deposited);
    ASSERT_TRUE(fit.ok) << fit.message;
    EXPECT_NEAR(fit.beta, 0.25, 1e-12);

    // A curve still growing at its last tick: reached only there, so the window runs to the end.
    Series steep = powerLaw(100, 1.0, 1.0, 10);
    for (double& w : steep.w)
        w = std::pow(w, 25.0);
    EXPECT_EQ(GrowthFit::defaultWindow(steep.w, steep.deposited).lastTick, 100);
}

TEST(GrowthFit, FlatOrEmptySeriesGiveMessagesNotNumbers)
{
    const std::vector<double> deposited = {0.5, 1.0, 1.5, 2.0, 2.5, 3.0};
    for (const double level : {0.0, 0.7}) {
        const std::vector<double> flat(6, level);
        const GrowthFit fit = GrowthFit::fit(flat, deposited);
        EXPECT_FALSE(fit.ok);
        EXPECT_NE(fit.message.find("stays"), std::string::npos) << fit.message;
        EXPECT_EQ(fit.summary(3).rfind("beta cannot be fitted: ", 0), 0u);
        const GrowthFit ranged = GrowthFit::over(flat, 2, 6);
        EXPECT_FALSE(ranged.ok);
        EXPECT_FALSE(ranged.message.empty());
    }
    const std::vector<double> w = {0.1, 0.2, 0.0, 0.4, 0.5, 0.6};
    GrowthFit fit = GrowthFit::over(w, 1, 6);
    EXPECT_FALSE(fit.ok);
    EXPECT_NE(fit.message.find("roughness is 0 at tick 3"), std::string::npos) << fit.message;
    EXPECT_FALSE(GrowthFit::over(w, 4, 5).ok); // two ticks
    EXPECT_FALSE(GrowthFit::over(w, 4, 9).ok); // beyond the series
    EXPECT_FALSE(GrowthFit::fit({}, {}).ok);
    // Never a layer deposited.
    fit = GrowthFit::fit(std::vector<double>{0.1, 0.2, 0.3}, std::vector<double>{0.1, 0.2, 0.3});
    EXPECT_FALSE(fit.ok);
    EXPECT_NE(fit.message.find("less than one layer"), std::string::npos) << fit.message;
}

TEST(GrowthFit, EffectiveExponentIsTheLocalSlopeOfLogWAgainstLogT)
{
    // A power law has its exponent at every tick between the first and the last.
    Series s = powerLaw(50, 0.37, 0.25, 10);
    std::vector<std::optional<double>> beta = effectiveExponent(s.w);
    ASSERT_EQ(beta.size(), 50u);
    EXPECT_FALSE(beta.front());
    EXPECT_FALSE(beta.back());
    for (size_t i = 1; i + 1 < beta.size(); ++i) {
        ASSERT_TRUE(beta[i]) << "tick " << i + 1;
        EXPECT_NEAR(*beta[i], 0.25, 1e-12) << "tick " << i + 1;
    }
    // W = 2, 3, 8, 5 at ticks 1..4: at tick 2 (ln 8 - ln 2) / (ln 3 - ln 1) = ln 4 / ln 3.
    beta = effectiveExponent({2, 3, 8, 5});
    EXPECT_DOUBLE_EQ(*beta[1], std::log(4.0) / std::log(3.0));
    EXPECT_DOUBLE_EQ(*beta[2], std::log(5.0 / 3.0) / std::log(2.0));
    // No slope beside a W of 0.
    beta = effectiveExponent({0, 1, 2, 3, 0, 5, 6});
    EXPECT_FALSE(beta[1]);
    EXPECT_TRUE(beta[2]);
    EXPECT_FALSE(beta[3]);
    EXPECT_FALSE(beta[4]);
    EXPECT_FALSE(beta[5]);
}

// The jackknife of an experiment's fit against the fit done again by hand with each run (up to
// 64 runs) or each group of runs k mod 64 (above) left out.
TEST(GrowthFit, JackknifeErrorIsTheFitRepeatedWithEachRunGroupLeftOut)
{
    FilmSetup setup;
    setup.scenario.sizeX = setup.scenario.sizeY = 6;
    setup.scenario.ratePosition = 200;
    setup.scenario.relaxations = 0;
    setup.generator = Generator::Philox;
    const int64_t ticks = 40;
    for (int32_t runs : {5, 70}) {
        std::vector<Experiment::RunSeries> each;
        RoughnessStats stats(ticks);
        for (int32_t k = 0; k < runs; ++k) {
            each.push_back(Experiment::runSeries(setup, 9, static_cast<uint32_t>(k), ticks));
            stats.addRun(each.back().roughness, each.back().deposited);
        }
        const GrowthFit fit = GrowthFit::ofRuns(stats, std::nullopt);
        ASSERT_TRUE(fit.ok) << fit.message;

        const int32_t groups = std::min(runs, 64);
        std::vector<double> betas;
        for (int32_t g = 0; g < groups; ++g) {
            std::vector<double> mean(ticks, 0.0);
            int32_t kept = 0;
            for (int32_t k = 0; k < runs; ++k)
                if (k % 64 != g) {
                    ++kept;
                    for (int64_t i = 0; i < ticks; ++i)
                        mean[i] += each[k].roughness[i];
                }
            for (double& w : mean)
                w /= kept;
            betas.push_back(GrowthFit::of(mean, each[0].deposited, std::nullopt).beta);
        }
        double average = 0.0, squares = 0.0;
        for (double b : betas)
            average += b / groups;
        for (double b : betas)
            squares += (b - average) * (b - average);
        EXPECT_NEAR(fit.error, std::sqrt((groups - 1.0) / groups * squares), 1e-12 * fit.error) << runs << " runs";
        EXPECT_EQ(fit.errorMethod, runs == 5 ? "jackknife over 5 runs" : "grouped jackknife, 64 groups");
    }
}
