#include "run/FilmSetup.h"

#include <gtest/gtest.h>

TEST(FilmSetup, ThePeriodWarningCountsTheDrawsUntilDepositionEnds)
{
    FilmSetup setup;
    setup.scenario = windowDefaults(); // 50 x 50, rate 0.01, 50 layers, 5 sweeps
    // 5000 ticks deposit: 25 particles and 12500 attempts a tick, two draws each at least.
    EXPECT_EQ(drawsAtLeast(setup, 5000), 5000u * 2u * (25u + 12500u));
    // Deposition ends at 50 layers (tick 5000): later ticks draw nothing.
    EXPECT_EQ(drawsAtLeast(setup, 100000), drawsAtLeast(setup, 5000));
    EXPECT_EQ(periodWarning(setup, 100000, 32), "");

    // 32 runs of 1000 x ... : the experiment passes 2^32 while one run does not.
    setup.scenario.sizeX = setup.scenario.sizeY = 1000;
    setup.scenario.maxLayers = 1e9;
    const uint64_t oneRun = drawsAtLeast(setup, 300);
    ASSERT_LT(oneRun, lcgPeriod);
    EXPECT_EQ(periodWarning(setup, 300, 0), "");
    const std::string warning = periodWarning(setup, 300, 32);
    EXPECT_NE(warning.find(std::to_string(32 * oneRun)), std::string::npos) << warning;
    EXPECT_NE(warning.find("4294967296"), std::string::npos) << warning;
    EXPECT_NE(warning.find("--rng philox"), std::string::npos) << warning;

    setup.generator = Generator::Philox;
    EXPECT_EQ(periodWarning(setup, 300, 32), "");
}
