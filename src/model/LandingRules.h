#pragma once
// LandingRules: where one deposited particle of each textbook model ends up (see GrowthModel.h),
// on a periodic lattice with four nearest neighbours. Each rule is a type whose land() the
// growth step calls once per particle, so the step is compiled once per rule and generator and
// no call through a pointer sits in its loop. The neighbours are taken in the order of the
// hop directions: up, right, down, left. A rule that chooses among k > 1 equal candidates asks
// its draws for choice(k), a number below k. land() returns whether the particle landed (a
// column grew), false only for a particle that rsos rejects.
//
// Heights wrap as 32-bit two's complement, as Tablica::increment does; comparisons are made
// before the one layer is added, so they never overflow.
#include "model/Tablica.h"

#include <algorithm>
#include <cstdint>

namespace landing {

// A column and its four periodic neighbours (up, right, down, left).
struct Around {
    Around(Tablica& t, uint32_t rows, uint32_t cols, uint32_t row, uint32_t col) : t_(t), rows_(rows), cols_(cols)
    {
        at[0] = {row, col};
        at[1] = {row == 0 ? rows - 1 : row - 1, col};
        at[2] = {row, col + 1 == cols ? 0 : col + 1};
        at[3] = {row + 1 == rows ? 0 : row + 1, col};
        at[4] = {row, col == 0 ? cols - 1 : col - 1};
        for (int i = 0; i < 5; ++i)
            cell[i] = t.row(static_cast<int32_t>(at[i].row)) + at[i].col;
    }

    // Lateral neighbours a particle added on site i (0 the column, 1..4 its neighbours) would
    // have: the columns beside that site that are higher than it now.
    int32_t bonds(int i) const
    {
        const int32_t h = *cell[i];
        if (i == 0)
            return (*cell[1] > h) + (*cell[2] > h) + (*cell[3] > h) + (*cell[4] > h);
        const uint32_t r = at[i].row, c = at[i].col;
        const int32_t* here = t_.row(static_cast<int32_t>(r));
        const int32_t* up = t_.row(static_cast<int32_t>(r == 0 ? rows_ - 1 : r - 1));
        const int32_t* down = t_.row(static_cast<int32_t>(r + 1 == rows_ ? 0 : r + 1));
        return (up[c] > h) + (down[c] > h) + (here[c + 1 == cols_ ? 0 : c + 1] > h) + (here[c == 0 ? cols_ - 1 : c - 1] > h);
    }

    struct Site {
        uint32_t row, col;
    };
    Site at[5];
    int32_t* cell[5];

private:
    Tablica& t_;
    uint32_t rows_, cols_;
};

inline void addOne(int32_t* cell)
{
    *cell = static_cast<int32_t>(static_cast<uint32_t>(*cell) + 1u);
}

// One of the neighbours 1..4 whose flag is set (there is at least one): the only one, or one
// drawn uniformly.
template <class Draws>
int pickNeighbour(const bool (&candidate)[5], Draws& random)
{
    int chosen[4];
    int k = 0;
    for (int i = 1; i <= 4; ++i)
        if (candidate[i])
            chosen[k++] = i;
    return k == 1 ? chosen[0] : chosen[random.choice(static_cast<uint32_t>(k))];
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
        const int32_t low = std::min({*a.cell[1], *a.cell[2], *a.cell[3], *a.cell[4]});
        if (*a.cell[0] <= low) {
            addOne(a.cell[0]);
            return true;
        }
        bool lowest[5] = {false};
        for (int i = 1; i <= 4; ++i)
            lowest[i] = *a.cell[i] == low;
        addOne(a.cell[pickNeighbour(lowest, random)]);
        return true;
    }
};

// Nearest-neighbour sticking: the particle stops at the first column it touches on its way down.
struct Ballistic {
    template <class Draws>
    static bool land(Around& a, Draws&)
    {
        const int64_t top = std::max<int64_t>({int64_t{*a.cell[0]} + 1, *a.cell[1], *a.cell[2], *a.cell[3], *a.cell[4]});
        *a.cell[0] = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(top)));
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
        const int64_t h = *a.cell[0];
        bool fits = true;
        for (int i = 1; i <= 4; ++i)
            fits &= static_cast<uint64_t>(int64_t{*a.cell[i]} - h) <= 2;
        *a.cell[0] = static_cast<int32_t>(static_cast<uint32_t>(*a.cell[0]) + static_cast<uint32_t>(fits));
        return fits;
    }
};

// Wolf and Villain: the site of the most lateral neighbours; the column wins ties it is in.
struct WolfVillain {
    template <class Draws>
    static bool land(Around& a, Draws& random)
    {
        int32_t bonds[5];
        for (int i = 0; i < 5; ++i)
            bonds[i] = a.bonds(i);
        const int32_t best = std::max({bonds[1], bonds[2], bonds[3], bonds[4]});
        if (bonds[0] >= best) {
            addOne(a.cell[0]);
            return true;
        }
        bool top[5] = {false};
        for (int i = 1; i <= 4; ++i)
            top[i] = bonds[i] == best;
        addOne(a.cell[pickNeighbour(top, random)]);
        return true;
    }
};

// Das Sarma and Tamborenea: a particle without a lateral neighbour moves to a neighbour column
// where it has at least one; it stays when there is none.
struct DasSarmaTamborenea {
    template <class Draws>
    static bool land(Around& a, Draws& random)
    {
        if (a.bonds(0) > 0) {
            addOne(a.cell[0]);
            return true;
        }
        bool bound[5] = {false};
        bool any = false;
        for (int i = 1; i <= 4; ++i)
            any |= bound[i] = a.bonds(i) > 0;
        addOne(a.cell[any ? pickNeighbour(bound, random) : 0]);
        return true;
    }
};

} // namespace landing
