// The landing rules of the textbook models, one particle at a time on hand-made neighbourhoods:
// where it goes, when it is rejected, which candidates a choice is drawn among, and the
// periodic edges.
#include "model/LandingRules.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <tuple>
#include <vector>

namespace {

// Answers every choice with `answer` and remembers how many candidates each one had.
struct ScriptedDraws {
    uint32_t answer = 0;
    std::vector<uint32_t> asked;
    uint32_t choice(uint32_t k)
    {
        asked.push_back(k);
        return answer;
    }
};

// Draws whose choice draws nothing, like Philox's: the fraction u / 2^32 of k, so that
// choice(1) is 0 however often it is asked.
struct FreeDraws {
    static constexpr bool choiceIsFree = true;
    uint64_t u = 0;
    uint32_t choice(uint32_t k) const { return static_cast<uint32_t>((u * k) >> 32); }
};

struct Case {
    const char* name;
    std::vector<std::vector<int32_t>> before; // rows of heights; the particle falls on (2, 2)
    uint32_t answer;
    std::vector<uint32_t> asked;              // the choices drawn, by their number of candidates
    std::vector<std::vector<int32_t>> after;
};

// The case with the scripted draws, then with free draws that give the same answer (the rule
// then chooses without a branch and asks for every particle).
template <class Rule>
void check(const Case& c)
{
    const int32_t rows = static_cast<int32_t>(c.before.size());
    const int32_t cols = static_cast<int32_t>(c.before[0].size());
    for (const bool free : {false, true}) {
        Tablica t(rows, cols);
        for (int32_t r = 0; r < rows; ++r)
            for (int32_t col = 0; col < cols; ++col)
                t.set(c.before[r][col], r, col);
        ScriptedDraws scripted{c.answer, {}};
        FreeDraws freeDraws{c.asked.empty() ? 0 : (uint64_t{c.answer} << 32) / c.asked[0]};
        landing::Around around(t, static_cast<uint32_t>(rows), static_cast<uint32_t>(cols), 2, 2);
        const bool landed = free ? Rule::land(around, freeDraws) : Rule::land(around, scripted);
        bool grew = false;
        for (int32_t r = 0; r < rows; ++r)
            for (int32_t col = 0; col < cols; ++col) {
                EXPECT_EQ(t.get(r, col), c.after[r][col]) << c.name << (free ? " (free)" : "") << " at (" << r << ", " << col << ")";
                grew |= c.after[r][col] != c.before[r][col];
            }
        EXPECT_EQ(landed, grew) << c.name;
        if (!free)
            EXPECT_EQ(scripted.asked, c.asked) << c.name;
    }
}

using Rows = std::vector<std::vector<int32_t>>;

// A 5 x 5 lattice of zeros with the given cells raised.
Rows lattice(std::initializer_list<std::tuple<int, int, int32_t>> raised)
{
    Rows rows(5, std::vector<int32_t>(5, 0));
    for (const auto& [r, c, h] : raised)
        rows[r][c] = h;
    return rows;
}

} // namespace

TEST(LandingRules, PlaceTheParticleAsTheModelSays)
{
    using namespace landing;
    check<RandomDeposition>({"rd on a peak", lattice({{2, 2, 5}, {2, 1, 9}, {2, 3, 9}}), 0, {},
                             lattice({{2, 2, 6}, {2, 1, 9}, {2, 3, 9}})});

    // rdsr: to the lowest neighbour, drawn among equals in the order up, right, down, left.
    check<SurfaceRelaxation>({"rdsr, two lowest", lattice({{2, 2, 2}, {1, 2, 3}, {2, 1, 2}, {2, 3, 1}, {3, 2, 1}}), 1, {2},
                              lattice({{2, 2, 2}, {1, 2, 3}, {2, 1, 2}, {2, 3, 1}, {3, 2, 2}})});
    check<SurfaceRelaxation>({"rdsr, tied with the column", lattice({{2, 2, 1}, {1, 2, 3}, {2, 1, 2}, {2, 3, 1}, {3, 2, 1}}), 0, {},
                              lattice({{2, 2, 2}, {1, 2, 3}, {2, 1, 2}, {2, 3, 1}, {3, 2, 1}})});
    // Periodic edges on 3 x 3: the right neighbour of column 2 is column 0.
    check<SurfaceRelaxation>({"rdsr, one lowest across the edge", {{4, 4, 4}, {4, 4, 4}, {3, 4, 4}}, 0, {},
                              {{4, 4, 4}, {4, 4, 4}, {4, 4, 4}}});

    check<Ballistic>({"bd sticks to a high neighbour", lattice({{2, 2, 2}, {1, 2, 7}, {2, 3, 3}}), 0, {},
                      lattice({{2, 2, 7}, {1, 2, 7}, {2, 3, 3}})});
    check<Ballistic>({"bd on top of its own column", lattice({{2, 2, 5}, {1, 2, 2}, {2, 3, 3}}), 0, {},
                      lattice({{2, 2, 6}, {1, 2, 2}, {2, 3, 3}})});

    const Rows stepped = lattice({{2, 2, 1}, {1, 2, 2}, {2, 3, 2}, {2, 1, 1}, {3, 2, 1}});
    check<RestrictedSolidOnSolid>({"rsos accepted", stepped, 0, {},
                                   lattice({{2, 2, 2}, {1, 2, 2}, {2, 3, 2}, {2, 1, 1}, {3, 2, 1}})});
    check<RestrictedSolidOnSolid>({"rsos rejected by a low neighbour", lattice({{2, 2, 1}, {1, 2, 1}, {2, 3, 1}, {3, 2, 1}}), 0, {},
                                   lattice({{2, 2, 1}, {1, 2, 1}, {2, 3, 1}, {3, 2, 1}})});
    check<RestrictedSolidOnSolid>({"rsos rejected by a high neighbour", lattice({{1, 2, 3}}), 0, {}, lattice({{1, 2, 3}})});

    // wv: the left neighbour has two lateral neighbours above it, every other site at most one.
    check<WolfVillain>({"wv to the best neighbour", lattice({{1, 1, 1}, {3, 1, 1}}), 0, {},
                        lattice({{1, 1, 1}, {3, 1, 1}, {2, 1, 1}})});
    check<WolfVillain>({"wv, the column ties and stays", lattice({{1, 1, 1}, {1, 2, 1}}), 0, {},
                        lattice({{1, 1, 1}, {1, 2, 1}, {2, 2, 1}})});
    check<WolfVillain>({"wv, four best neighbours", lattice({{1, 1, 1}, {1, 3, 1}, {3, 1, 1}, {3, 3, 1}}), 1, {4},
                        lattice({{1, 1, 1}, {1, 3, 1}, {3, 1, 1}, {3, 3, 1}, {2, 3, 1}})});

    check<DasSarmaTamborenea>({"dt with a bond stays", lattice({{1, 2, 1}}), 0, {}, lattice({{1, 2, 1}, {2, 2, 1}})});
    check<DasSarmaTamborenea>({"dt moves to a bound neighbour", lattice({{2, 0, 1}}), 0, {},
                               lattice({{2, 0, 1}, {2, 1, 1}})});
    check<DasSarmaTamborenea>({"dt on a flat surface stays", lattice({}), 0, {}, lattice({{2, 2, 1}})});
}
