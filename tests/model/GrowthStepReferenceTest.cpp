// The growth step against a plain transcription of its rules, on many small lattices with every
// kind of stay rule: deposition, the neighbour counts along x and y, both stay rules, the
// direction table, the hop onto a strictly lower target and the periodic edges, draw by draw.
#include "model/Random.h"
#include "model/Symulacja.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

// One step as the model defines it, written with the lattice's plain and wrapped accessors.
void referenceStep(Symulacja& sim, Random& random)
{
    if (sim.deposited >= sim.maxLayers)
        return;
    Tablica& t = *sim.lattice;
    auto pick = [&random](int32_t n) { return static_cast<int32_t>(int64_t(random.next()) * n / 32768); };
    const long double product = static_cast<long double>(sim.sizeX) * sim.rate * sim.sizeY;
    const int64_t n = product > 0 ? static_cast<int64_t>(product) : 0;
    for (int64_t i = 0; i < n; ++i) {
        const int32_t row = pick(sim.sizeY);
        const int32_t col = pick(sim.sizeX);
        t.increment(row, col);
    }
    sim.deposited = sim.deposited + sim.rate;
    for (int32_t sweep = 0; sweep < sim.relaxations; ++sweep) {
        for (int32_t a = 0; a < sim.sizeX * sim.sizeY; ++a) {
            const int32_t row = pick(sim.sizeY);
            const int32_t col = pick(sim.sizeX);
            const int32_t h = t.get(row, col);
            if (h <= 0)
                continue;
            const int32_t A = (t.getWrapped(row, col - 1) >= h) + (t.getWrapped(row, col + 1) >= h);
            const int32_t B = (t.getWrapped(row - 1, col) >= h) + (t.getWrapped(row + 1, col) >= h);
            const bool stays = sim.zmode == 0 ? A + B >= sim.z : (B >= sim.zy || A >= sim.zx);
            if (stays)
                continue;
            const int32_t d = pick(4);
            const int32_t tr = d == 0 ? row - 1 : d == 2 ? row + 1 : row;
            const int32_t tc = d == 1 ? col + 1 : d == 3 ? col - 1 : col;
            if (t.getWrapped(tr, tc) < h) {
                t.incrementWrapped(tr, tc);
                t.decrement(row, col);
            }
        }
    }
}

std::vector<int32_t> cellsOf(const Tablica& t)
{
    std::vector<int32_t> out;
    for (int32_t r = 0; r < t.height; ++r)
        for (int32_t c = 0; c < t.width; ++c)
            out.push_back(t.get(r, c));
    return out;
}

} // namespace

TEST(GrowthStep, FollowsTheRulesDrawByDraw)
{
    std::mt19937 gen(31);
    int moved = 0;
    for (int n = 0; n < 400; ++n) {
        Random mine;
        Random theirs;
        Symulacja sim(&mine);
        sim.sizeX = 2 + int32_t(gen() % 9);
        sim.sizeY = 2 + int32_t(gen() % 9);
        sim.zmode = int32_t(gen() % 2);
        sim.z = int32_t(gen() % 6);
        sim.zx = int32_t(gen() % 4);
        sim.zy = int32_t(gen() % 4);
        sim.relaxations = int32_t(gen() % 4);
        sim.rate = (gen() % 8) * 0.125;
        sim.maxLayers = 1e9;
        const uint32_t seed = gen();
        sim.allocateLattice(seed);
        theirs.seed(seed);
        // Rough ground, so that every count of higher neighbours occurs.
        for (int32_t r = 0; r < sim.sizeY; ++r)
            for (int32_t c = 0; c < sim.sizeX; ++c)
                sim.lattice->set(int32_t(gen() % 5), r, c);

        Symulacja ref(&theirs);
        ref.sizeX = sim.sizeX;
        ref.sizeY = sim.sizeY;
        ref.zmode = sim.zmode;
        ref.z = sim.z;
        ref.zx = sim.zx;
        ref.zy = sim.zy;
        ref.relaxations = sim.relaxations;
        ref.rate = sim.rate;
        ref.maxLayers = sim.maxLayers;
        ref.lattice = std::make_unique<Tablica>(sim.sizeY, sim.sizeX);
        for (int32_t r = 0; r < sim.sizeY; ++r)
            for (int32_t c = 0; c < sim.sizeX; ++c)
                ref.lattice->set(sim.lattice->get(r, c), r, c);

        for (int step = 0; step < 3; ++step) {
            const std::vector<int32_t> before = cellsOf(*sim.lattice);
            sim.step();
            referenceStep(ref, theirs);
            ASSERT_EQ(cellsOf(*sim.lattice), cellsOf(*ref.lattice))
                << "case " << n << " step " << step << ": " << sim.sizeX << "x" << sim.sizeY << " zmode "
                << sim.zmode << " z " << sim.z << " zx " << sim.zx << " zy " << sim.zy;
            ASSERT_EQ(mine.state(), theirs.state()) << "case " << n << ": the same number of draws";
            ASSERT_EQ(sim.deposited, ref.deposited);
            moved += cellsOf(*sim.lattice) != before;
        }
    }
    EXPECT_GT(moved, 600) << "most steps change the lattice";
}
