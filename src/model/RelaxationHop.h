#pragma once
// relaxationHop: one relaxation attempt of Tessavo's own model at (row, col) of a periodic
// lattice of `rows` x `cols`, the same code for the sequential and the tiled step. A particle
// on top of a column with h > 0 that the stay rule does not hold hops one cell in the
// direction `direction()` gives (0 up, 1 right, 2 down, 3 left), only to a strictly lower
// column; the direction is drawn only then. It reads and writes the cell and its four
// nearest neighbours, nothing else.
#include "model/Tablica.h"

#include <cstdint>

// The stay rule: isotropic, at least z of the four neighbours as high; anisotropic, at least
// zy of the two along y or at least zx of the two along x.
struct StayRule {
    bool isotropic;
    int32_t z, zx, zy;
};

template <class Direction>
inline void relaxationHop(Tablica& t, uint32_t rows, uint32_t cols, uint32_t row, uint32_t col, const StayRule& rule,
                          Direction&& direction)
{
    int32_t* here = t.row(static_cast<int32_t>(row));
    const int32_t h = here[col];
    if (h <= 0)
        return;
    // Periodic neighbours; rows and columns wrap independently.
    const uint32_t up = row == 0 ? rows - 1 : row - 1;
    const uint32_t down = row + 1 == rows ? 0 : row + 1;
    const uint32_t left = col == 0 ? cols - 1 : col - 1;
    const uint32_t right = col + 1 == cols ? 0 : col + 1;
    int32_t* upRow = t.row(static_cast<int32_t>(up));
    int32_t* downRow = t.row(static_cast<int32_t>(down));
    const int32_t a2 = (here[left] >= h) + (here[right] >= h);
    const int32_t b2 = (upRow[col] >= h) + (downRow[col] >= h);
    const bool stays = rule.isotropic ? (a2 + b2 >= rule.z) : (b2 >= rule.zy || a2 >= rule.zx);
    if (stays)
        return;
    int32_t* target;
    switch (direction()) {
    case 0: target = &upRow[col]; break;
    case 1: target = &here[right]; break;
    case 2: target = &downRow[col]; break;
    default: target = &here[left]; break;
    }
    if (*target < h) {
        *target = static_cast<int32_t>(static_cast<uint32_t>(*target) + 1u);
        here[col] = h - 1; // h > 0, so no overflow
    }
}
