// The growth step: particle count, guard, relaxation rules, periodic hops, and a pinned hash
// of a fixed scenario.
#include "model/Random.h"
#include "model/Scenario.h"
#include "model/Symulacja.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

// A simulation with its own generator on a flat rows x cols lattice; rate 0 deposits nothing.
struct Sim {
    Random random;
    Symulacja sim{&random};
    Sim(int32_t rows, int32_t cols, double rate, uint32_t seed = 1)
    {
        sim.sizeX = cols;
        sim.sizeY = rows;
        sim.rate = rate;
        sim.maxLayers = 1e9;
        sim.allocateLattice(seed);
    }
    Tablica& t() { return *sim.lattice; }
};

int64_t total(const Tablica& t)
{
    int64_t sum = 0;
    for (int32_t r = 0; r < t.height; ++r)
        for (int32_t c = 0; c < t.width; ++c)
            sum += t.get(r, c);
    return sum;
}

std::vector<int32_t> cells(const Tablica& t)
{
    std::vector<int32_t> out;
    for (int32_t r = 0; r < t.height; ++r)
        out.insert(out.end(), t.row(r), t.row(r) + t.width);
    return out;
}

struct Cell {
    int32_t row, col;
    bool operator==(const Cell&) const = default;
};

// A seed whose first relaxation attempt on a flat-rate step (no deposition) picks `first` and
// then draws direction `d`, and whose other attempts of a one-sweep step never pick a cell of
// `avoid` (those could move again).
uint32_t seedFor(int32_t rows, int32_t cols, Cell first, int32_t d, std::vector<Cell> avoid)
{
    for (uint32_t seed = 0; seed < 2000000; ++seed) {
        Random r;
        r.seed(seed);
        Cell pick{r.below(rows), r.below(cols)};
        if (!(pick == first) || r.next() >> 13 != d)
            continue;
        bool clear = true;
        for (int64_t a = 1; a < int64_t(rows) * cols && clear; ++a) {
            pick = {r.below(rows), r.below(cols)};
            for (const Cell& c : avoid)
                clear = clear && !(pick == c);
        }
        if (clear)
            return seed;
    }
    ADD_FAILURE() << "no seed found";
    return 0;
}

} // namespace

TEST(Symulacja, DefaultsAreThoseOfTheModel)
{
    Random random;
    Symulacja sim(&random);
    sim.sizeX = 1;
    sim.palette = 4;
    sim.heightOffset = 9;
    sim.applyDefaults();
    EXPECT_EQ(sim.sizeX, 50);
    EXPECT_EQ(sim.sizeY, 40);
    EXPECT_EQ(sim.z, 2);
    EXPECT_EQ(sim.zx, 1);
    EXPECT_EQ(sim.zy, 1);
    EXPECT_EQ(sim.relaxations, 5);
    EXPECT_EQ(sim.palette, 0);
    EXPECT_EQ(sim.rate, 0.01);
    EXPECT_EQ(sim.maxLayers, 50.0);
    EXPECT_EQ(sim.heightOffset, 9);
}

TEST(Symulacja, ParticleCountIsTruncatedInExtendedPrecision)
{
    Sim s(10, 10, 0.03);
    // 0.03 as a double lies just below 0.03: the product is just below 3.
    EXPECT_EQ(s.sim.particlesPerStep(), 2);
    s.sim.relaxations = 0;
    s.sim.step();
    EXPECT_EQ(total(s.t()), 2);

    s.sim.rate = 1000 * 0.001;
    EXPECT_EQ(s.sim.particlesPerStep(), 100);
    s.sim.rate = 1e300;
    EXPECT_EQ(s.sim.particlesPerStep(), INT64_MAX);
    s.sim.rate = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(s.sim.particlesPerStep(), 0);
    s.sim.rate = -5;
    EXPECT_EQ(s.sim.particlesPerStep(), 0);
}

TEST(Symulacja, BelowOneParticleNothingIsDepositedButRelaxationRuns)
{
    Sim s(10, 10, 0.005);
    s.t().set(6, 4, 4);
    const uint32_t before = s.random.state();
    s.sim.step();
    EXPECT_EQ(s.sim.deposited, 0.005);
    EXPECT_EQ(total(s.t()), 6);
    EXPECT_NE(s.random.state(), before);
    EXPECT_LT(s.t().get(4, 4), 6) << "a lone column of 6 should lose particles to its neighbours";
}

TEST(Symulacja, GuardLeavesLatticeAndGeneratorUntouched)
{
    Sim s(10, 10, 0.5);
    s.sim.step();
    s.sim.maxLayers = s.sim.deposited;
    const std::vector<int32_t> lattice = cells(s.t());
    const uint32_t state = s.random.state();
    const double deposited = s.sim.deposited;
    for (int i = 0; i < 3; ++i)
        s.sim.step();
    EXPECT_EQ(cells(s.t()), lattice);
    EXPECT_EQ(s.random.state(), state);
    EXPECT_EQ(s.sim.deposited, deposited);
    // maxLayers <= 0: nothing ever happens.
    Sim none(10, 10, 0.5);
    none.sim.maxLayers = 0;
    none.sim.step();
    EXPECT_EQ(total(none.t()), 0);
    EXPECT_EQ(none.sim.deposited, 0.0);
}

TEST(Symulacja, DefaultsReachFiftyLayersAtTick5001)
{
    Sim s(40, 50, 0.01);
    s.sim.maxLayers = 50.0;
    s.sim.relaxations = 0;
    for (int i = 0; i < 5000; ++i)
        s.sim.step();
    EXPECT_EQ(s.sim.deposited, 49.99999999999862);
    s.sim.step();
    EXPECT_EQ(s.sim.deposited, 50.00999999999862);
    const uint32_t state = s.random.state();
    s.sim.step();
    EXPECT_EQ(s.sim.deposited, 50.00999999999862);
    EXPECT_EQ(s.random.state(), state);
    EXPECT_EQ(total(s.t()), 5001 * 20);
}

TEST(Symulacja, ZeroThresholdsKeepEveryParticle)
{
    for (auto [zmode, z, zx, zy] : {std::tuple{0, 0, 1, 1}, {1, 4, 0, 3}, {1, 4, 3, 0}}) {
        Sim s(10, 10, 0.0);
        s.sim.zmode = zmode;
        s.sim.z = z;
        s.sim.zx = zx;
        s.sim.zy = zy;
        s.t().set(9, 3, 3);
        s.t().set(4, 0, 0);
        const std::vector<int32_t> lattice = cells(s.t());
        for (int i = 0; i < 20; ++i)
            s.sim.step();
        EXPECT_EQ(cells(s.t()), lattice) << "zmode " << zmode << " z " << z << " zx " << zx << " zy " << zy;
    }
    // With thresholds above 0 the same columns do spread.
    Sim s(10, 10, 0.0);
    s.t().set(9, 3, 3);
    s.sim.step();
    EXPECT_LT(s.t().get(3, 3), 9);
}

TEST(Symulacja, HopsWrapAroundTheEdges)
{
    // A lone particle at (0, 0) hopping left lands in the last column; hopping up, in the last row.
    for (auto [d, landing] : {std::pair{3, Cell{0, 9}}, {0, Cell{7, 0}}}) {
        const uint32_t seed = seedFor(8, 10, {0, 0}, d, {landing});
        Sim s(8, 10, 0.0, seed);
        s.sim.relaxations = 1;
        s.t().set(1, 0, 0);
        s.sim.step();
        EXPECT_EQ(s.t().get(0, 0), 0) << d;
        EXPECT_EQ(s.t().get(landing.row, landing.col), 1) << d;
        EXPECT_EQ(total(s.t()), 1);
    }
}

TEST(Symulacja, HopOntoAOneLowerNeighbourSwapsTheColumns)
{
    const uint32_t seed = seedFor(10, 10, {5, 5}, 1, {{5, 5}, {5, 6}});
    Sim s(10, 10, 0.0, seed);
    s.sim.relaxations = 1;
    s.t().set(2, 5, 5);
    s.t().set(1, 5, 6);
    s.sim.step();
    EXPECT_EQ(s.t().get(5, 5), 1);
    EXPECT_EQ(s.t().get(5, 6), 2);
}

TEST(Symulacja, HopOntoAnEqualNeighbourNeverHappens)
{
    // z 4: free to move, but the chosen neighbour is as high: nothing moves and no other
    // direction is tried.
    const uint32_t seed = seedFor(10, 10, {5, 5}, 1, {{5, 6}});
    Sim s(10, 10, 0.0, seed);
    s.sim.relaxations = 1;
    s.sim.z = 4;
    s.t().set(1, 5, 5);
    s.t().set(1, 5, 6);
    const std::vector<int32_t> lattice = cells(s.t());
    s.sim.step();
    EXPECT_EQ(cells(s.t()), lattice);
}

TEST(Symulacja, BadParametersDoNotCrash)
{
    for (auto [rows, cols] : {std::pair{0, 10}, {10, 0}, {-5, -5}}) {
        Sim s(rows, cols, 0.5);
        s.sim.step();
        EXPECT_EQ(s.sim.deposited, 0.5);
    }
    Sim nan(10, 10, std::numeric_limits<double>::quiet_NaN());
    nan.sim.step();
    EXPECT_EQ(total(nan.t()), 0);
    EXPECT_TRUE(std::isnan(nan.sim.deposited));

    Sim negative(10, 10, 0.0);
    negative.sim.relaxations = -3;
    negative.t().set(9, 2, 2);
    const uint32_t state = negative.random.state();
    negative.sim.step();
    EXPECT_EQ(negative.t().get(2, 2), 9);
    EXPECT_EQ(negative.random.state(), state);

    // A size changed behind the lattice's back: nothing is drawn outside it.
    Sim changed(10, 10, 0.5);
    changed.sim.sizeX = 100;
    changed.sim.step();
    EXPECT_EQ(total(changed.t()), 0);
    EXPECT_EQ(changed.sim.deposited, 0.5);
}

TEST(Symulacja, FixedScenarioGrowsThePinnedLattice)
{
    // FNV-1a over the heights after the named scenario; a change here is a change of the model.
    auto hash = [](const Tablica& t) {
        uint64_t h = 1469598103934665603ull;
        for (int32_t v : cells(t)) {
            h ^= static_cast<uint32_t>(v);
            h *= 1099511628211ull;
        }
        return h;
    };
    for (int32_t zmode : {0, 1}) {
        Scenario sc = heaviest(zmode);
        sc.sizeX = 40;
        sc.sizeY = 30;
        sc.ratePosition = 150;
        sc.seed = 12345;
        sc.ticks = 300;
        Random random;
        const auto sim = sc.build(&random);
        const uint64_t pinned = zmode == 0 ? 0xfeab5b9a6665c551ull : 0x858f290b9eb06b9bull;
        EXPECT_EQ(hash(*sim->lattice), pinned) << std::hex << "zmode " << zmode << " hash 0x" << hash(*sim->lattice);
    }
}

TEST(Symulacja, AutoHeightMovesRemovedLayersFromDepositedToHeightOffset)
{
    Sim s(2, 2, 0.0);
    s.t().fill(3);
    s.t().set(5, 0, 1);
    s.sim.deposited = 4.0;
    s.sim.heightOffset = 2;
    EXPECT_EQ(s.sim.removeBottomLayers(), 3);
    EXPECT_EQ(s.sim.deposited, 1.0);
    EXPECT_EQ(s.sim.heightOffset, 5);
    EXPECT_EQ(s.t().get(0, 1), 2);

    // Nothing left to remove: the counts stay.
    EXPECT_EQ(s.sim.removeBottomLayers(), 0);
    EXPECT_EQ(s.sim.deposited, 1.0);
    EXPECT_EQ(s.sim.heightOffset, 5);

    // A negative minimum (heights from a file) removes nothing.
    s.t().set(-4, 1, 1);
    EXPECT_EQ(s.sim.removeBottomLayers(), -4);
    EXPECT_EQ(s.sim.heightOffset, 5);

    // heightOffset wraps as a 32-bit count instead of overflowing.
    s.t().fill(10);
    s.sim.heightOffset = std::numeric_limits<int32_t>::max() - 3;
    EXPECT_EQ(s.sim.removeBottomLayers(), 10);
    EXPECT_EQ(s.sim.heightOffset, std::numeric_limits<int32_t>::min() + 6);
}
