#pragma once
// HeightView: a read-only look at a lattice of int32 column heights (in layers) held elsewhere,
// row-major, `rows` rows (y) by `cols` columns (x), periodic in both directions. The analysis
// functions take it so that the window, the batch tool or a Python array hand in their heights
// without a copy.
#include "model/Tablica.h"

#include <cstdint>

struct HeightView {
    const int32_t* heights = nullptr; // rows * cols values, row after row
    int32_t rows = 0;                 // y extent
    int32_t cols = 0;                 // x extent

    int32_t at(int32_t row, int32_t col) const { return heights[static_cast<int64_t>(row) * cols + col]; }
    int64_t cells() const { return static_cast<int64_t>(rows) * cols; }
};

inline HeightView heightView(const Tablica& lattice)
{
    return {lattice.empty() ? nullptr : lattice.row(0), lattice.height, lattice.width};
}
