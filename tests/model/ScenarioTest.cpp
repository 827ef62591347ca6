// Named scenarios: they must grow what the window grows with the same settings.
#include "model/Random.h"
#include "model/Scenario.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

// Particles on the lattice.
int64_t total(const Tablica& t)
{
    int64_t sum = 0;
    for (int32_t r = 0; r < t.height; ++r)
        sum = std::accumulate(t.row(r), t.row(r) + t.width, sum);
    return sum;
}

} // namespace

TEST(Scenario, RateIsTheWindowsNearestThousandths)
{
    // The rate bar at 9 gives the double nearest 0.009, which lies just below it, so on a
    // 10 x 100 lattice a step deposits 8 particles; 9 x 0.001 would lie above and give 9.
    Scenario sc;
    sc.sizeX = 10;
    sc.sizeY = 100;
    sc.ratePosition = 9;
    sc.relaxations = 0;
    Random random;
    auto sim = sc.build(&random);
    EXPECT_EQ(sim->rate, 0.009);
    EXPECT_EQ(sim->particlesPerStep(), 8);
    sim->step();
    EXPECT_EQ(total(*sim->lattice), 8);

    for (int32_t p : {1, 10, 13, 123, 999, 1000}) {
        sc.ratePosition = p;
        EXPECT_EQ(sc.build(&random)->rate, p / 1000.0) << p;
    }
}

TEST(Scenario, WindowDefaultsAndHeaviest)
{
    Random random;
    const auto sim = windowDefaults().build(&random);
    EXPECT_EQ(sim->sizeX, 50);
    EXPECT_EQ(sim->sizeY, 50);
    EXPECT_EQ(sim->rate, 0.01);
    EXPECT_EQ(sim->maxLayers, 50.0);
    EXPECT_EQ(sim->relaxations, 5);
    EXPECT_EQ(sim->z, 2);
    EXPECT_EQ(sim->deposited, 0.0);
    EXPECT_EQ(total(*sim->lattice), 0);

    Scenario heavy = heaviest(1);
    EXPECT_EQ(heavy.zmode, 1);
    heavy.ticks = 2;
    const auto grown = heavy.build(&random);
    EXPECT_EQ(grown->rate, 1.0);
    EXPECT_EQ(grown->deposited, 2.0);
    EXPECT_EQ(total(*grown->lattice), 2 * 100 * 100) << "relaxation keeps the particle count";
}
