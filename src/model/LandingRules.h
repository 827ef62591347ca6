#pragma once
// LandingRules: where one deposited particle of each textbook model ends up (see GrowthModel.h),
// on a periodic lattice with four nearest neighbours. Each rule is a type whose land() the
// growth step calls once per particle, so the step is compiled once per rule and generator and
// no call through a pointer sits in its loop. The neighbours are taken in the order of the
// hop directions: up, right, down, left. A rule that chooses among k > 1 equal candidates asks
// its draws for choice(k), a number below k (draws that mark their choice free are asked for
// every particle, see FreeChoice). land() returns whether the particle landed (a
// column grew), false only for a particle that rsos rejects.
//
// Heights wrap as 32-bit two's complement, as Tablica::increment does; comparisons are made
// before the one layer is added, so they never overflow.
#include "model/Tablica.h"

#include <algorithm>
#include <cstdint>

namespace landing {

// A column and its four periodic neighbours (up, right, down, left): the three rows they lie in
// and the columns beside, each wrapped once here, so that the rules read them without
// recomputing an index. The rules that count lateral neighbours also read the second ring (the
// rows two away and the columns two away), wrapped on demand from the first, so that it is
// right on lattices of one or two rows or columns too.
struct Around {
    Around(Tablica& t, uint32_t rows, uint32_t cols, uint32_t row, uint32_t col)
        : rows_(rows), cols_(cols), up_(row == 0 ? rows - 1 : row - 1), down_(row + 1 == rows ? 0 : row + 1),
          here(t.row(static_cast<int32_t>(row))),
          // The rows beside from this one's start: no further multiplication in the common case.
          up(row == 0 ? t.row(static_cast<int32_t>(up_)) : here - cols), down(row + 1 == rows ? t.row(0) : here + cols),
          c(col), left(col == 0 ? cols - 1 : col - 1), right(col + 1 == cols ? 0 : col + 1), t_(t)
    {
        cell[0] = here + c;
        cell[1] = up + c;
        cell[2] = here + right;
        cell[3] = down + c;
        cell[4] = here + left;
    }

    // The heights of the column and its neighbours, in the order of cell.
    struct Heights {
        int32_t column, up, right, down, left;
    };
    Heights heights() const { return {here[c], up[c], here[right], down[c], here[left]}; }

    // Lateral neighbours a particle added on each site (0 the column, 1..4 its neighbours)
    // would have: the columns beside that site that are higher than it now. Always inlined:
    // the compiler would otherwise call it once per particle and keep b in memory.
    [[gnu::always_inline]] void bonds(int32_t (&b)[5]) const
    {
        const int32_t* up2 = up_ == 0 ? t_.row(static_cast<int32_t>(rows_ - 1)) : up - cols_;
        const int32_t* down2 = down_ + 1 == rows_ ? t_.row(0) : down + cols_;
        const uint32_t left2 = left == 0 ? cols_ - 1 : left - 1;
        const uint32_t right2 = right + 1 == cols_ ? 0 : right + 1;
        const int32_t h0 = here[c], h1 = up[c], h2 = here[right], h3 = down[c], h4 = here[left];
        const int32_t upRight = up[right], upLeft = up[left], downRight = down[right], downLeft = down[left];
        b[0] = (h1 > h0) + (h2 > h0) + (h3 > h0) + (h4 > h0);
        b[1] = (up2[c] > h1) + (h0 > h1) + (upRight > h1) + (upLeft > h1);
        b[2] = (upRight > h2) + (downRight > h2) + (here[right2] > h2) + (h0 > h2);
        b[3] = (h0 > h3) + (down2[c] > h3) + (downRight > h3) + (downLeft > h3);
        b[4] = (upLeft > h4) + (downLeft > h4) + (h0 > h4) + (here[left2] > h4);
    }

private:
    uint32_t rows_, cols_, up_, down_;

public:
    int32_t* here;    // the column's row
    int32_t* up;      // the row above
    int32_t* down;    // the row below
    uint32_t c;       // the column's column
    uint32_t left;    // the column to its left
    uint32_t right;   // the column to its right
    int32_t* cell[5]; // the column, then its neighbours up, right, down, left

private:
    Tablica& t_;
};

inline void addOne(int32_t* cell)
{
    *cell = static_cast<int32_t>(static_cast<uint32_t>(*cell) + 1u);
}

// Draws whose choice() only reads a number the particle was given with its column, so that
// asking for one whose answer goes unused draws nothing: a rule may then ask always and choose
// without a branch. Other draws are asked only when there is a choice to make.
template <class Draws>
concept FreeChoice = requires { requires Draws::choiceIsFree; };

// Candidate sets of neighbours: bit i - 1 stands for neighbour i (1 up .. 4 left).
struct Candidates {
    uint8_t count[16];        // how many there are
    uint8_t neighbour[16][4]; // the j-th of them in the order up, right, down, left; 0 past the last
};

inline constexpr Candidates candidates = [] {
    Candidates c{};
    for (unsigned set = 0; set < 16; ++set)
        for (uint8_t i = 1; i <= 4; ++i)
            if (set & (1u << (i - 1)))
                c.neighbour[set][c.count[set]++] = i;
    return c;
}();

// The cell the particle lands on: its column when it stays, otherwise a neighbour of the set
// `among` (not empty unless it stays), the only one or one drawn uniformly among them.
template <class Draws>
int32_t* landingCell(Around& a, bool stays, unsigned among, Draws& random)
{
    const unsigned k = candidates.count[among];
    if constexpr (FreeChoice<Draws>) {
        // choice(1) and choice(0) are 0: a single candidate needs no case of its own, and an
        // empty set picks the column. A mask rather than a conditional, which the compiler
        // would make a branch.
        const unsigned site = candidates.neighbour[among][random.choice(k)] & (static_cast<unsigned>(stays) - 1u);
        return a.cell[site];
    } else {
        if (stays)
            return a.cell[0];
        return a.cell[candidates.neighbour[among][k == 1 ? 0 : random.choice(k)]];
    }
}

struct RandomDeposition {
    template <class Draws>
    static bool land(Around& a, Draws&)
    {
        addOne(a.cell[0]);
        return true;
    }
};

// Family's rule: the lowest of the column and its neighbours, the column itself first.
struct SurfaceRelaxation {
    template <class Draws>
    static bool land(Around& a, Draws& random)
    {
        const Around::Heights h = a.heights();
        const int32_t low = std::min({h.up, h.right, h.down, h.left});
        const unsigned lowest = (h.up == low) | (h.right == low) << 1 | (h.down == low) << 2 | (h.left == low) << 3;
        addOne(landingCell(a, h.column <= low, lowest, random));
        return true;
    }
};

// Nearest-neighbour sticking: the particle stops at the first column it touches on its way down.
struct Ballistic {
    template <class Draws>
    static bool land(Around& a, Draws&)
    {
        // max(h + 1, m) is h + 1 exactly when h >= m; the one layer then wraps as addOne does.
        const Around::Heights h = a.heights();
        const int32_t m = std::max({h.up, h.right, h.down, h.left});
        *a.cell[0] = h.column >= m ? static_cast<int32_t>(static_cast<uint32_t>(h.column) + 1u) : m;
        return true;
    }
};

// Kim and Kosterlitz: added only when afterwards |h - h(n)| <= 1 for every neighbour n.
struct RestrictedSolidOnSolid {
    template <class Draws>
    static bool land(Around& a, Draws&)
    {
        // |h + 1 - h(n)| <= 1 is h <= h(n) <= h + 2; tested without a branch, since whether a
        // particle is rejected cannot be foreseen.
        const Around::Heights h = a.heights();
        const auto within = [column = int64_t{h.column}](int32_t n) { return static_cast<uint64_t>(n - column) <= 2; };
        const bool fits = within(h.up) & within(h.right) & within(h.down) & within(h.left);
        *a.cell[0] = static_cast<int32_t>(static_cast<uint32_t>(h.column) + static_cast<uint32_t>(fits));
        return fits;
    }
};

// Wolf and Villain: the site of the most lateral neighbours; the column wins ties it is in.
struct WolfVillain {
    template <class Draws>
    static bool land(Around& a, Draws& random)
    {
        int32_t bonds[5];
        a.bonds(bonds);
        const int32_t best = std::max({bonds[1], bonds[2], bonds[3], bonds[4]});
        const unsigned top = (bonds[1] == best) | (bonds[2] == best) << 1 | (bonds[3] == best) << 2
            | (bonds[4] == best) << 3;
        addOne(landingCell(a, bonds[0] >= best, top, random));
        return true;
    }
};

// Das Sarma and Tamborenea: a particle without a lateral neighbour moves to a neighbour column
// where it has at least one; it stays when there is none.
struct DasSarmaTamborenea {
    template <class Draws>
    static bool land(Around& a, Draws& random)
    {
        // Most particles have a lateral neighbour where they fall: they stay without the
        // second ring being read.
        const Around::Heights h = a.heights();
        if ((h.up > h.column) | (h.right > h.column) | (h.down > h.column) | (h.left > h.column)) {
            addOne(a.cell[0]);
            return true;
        }
        int32_t bonds[5];
        a.bonds(bonds);
        const unsigned bound = (bonds[1] > 0) | (bonds[2] > 0) << 1 | (bonds[3] > 0) << 2 | (bonds[4] > 0) << 3;
        // Without a bound neighbour the particle stays too.
        addOne(landingCell(a, (bonds[0] > 0) | (bound == 0), bound, random));
        return true;
    }
};

} // namespace landing
