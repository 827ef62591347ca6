#pragma once
// BlockGeometry: where the blocks of the isometric surface picture lie on the bitmap, for one
// drawing origin and cell size. Positions are bitmap pixels (x to the right, y downwards),
// bounds inclusive; rows and columns of the lattice are cell indices; heights are in layers.
// Nothing here touches pixels: the painter (drawSurface) asks it where things go.
#include <algorithm>
#include <cstdint>

// The rectangle of bitmap pixels a block can touch.
struct BlockBounds {
    int64_t left;
    int64_t right;
    int64_t upper; // the smallest y
    int64_t lower; // the largest y
};

// What a block shows in one bitmap column, as runs of rows from the top down: the grey pixel
// of the top's back or left edge, the top colour, then the face below the top. An empty run
// has first > last.
struct BlockSlice {
    enum class Face { LeftEdge, Front, Right };
    int64_t edgeRow;
    int64_t topFirst;
    int64_t topLast;
    Face face;            // the left vertical edge, the front face or the right face
    int64_t faceFirst;    // the rows the face (or edge) shows when it is drawn
    int64_t faceLast;
};

// Lattice columns first..last (either may lie outside the lattice; empty when first > last).
struct ColumnSpan {
    int64_t first;
    int64_t last;
};

// Heights least..most, in layers; the ends are the int64 limits where there is no bound.
struct HeightSpan {
    int64_t least;
    int64_t most;
};

class BlockGeometry {
public:
    // (ox, oy): the anchor of cell (0, 0); c: the cell size (zoom), 5 to 10. Any other cell
    // size is taken as the nearest of these.
    BlockGeometry(int32_t ox, int32_t oy, int32_t c);

    int32_t cellSize() const { return c_; }
    // The diagonal step s = c - 3: the next row lies s pixels to the left and s lower.
    int32_t step() const { return s_; }

    // The anchor: the lower end of the block's front right vertical edge.
    int64_t anchorX(int64_t row, int64_t col) const { return ox_ + c_ * col - s_ * row; }
    int64_t anchorY(int64_t row) const { return oy_ + s_ * row; }
    // The front edge of the top face of a block h layers tall (T = y - h*c).
    int64_t top(int64_t row, int64_t h) const { return anchorY(row) - h * c_; }

    // The block's columns x - c + 1 .. x + s - 1, and its rows from the back edge of its top
    // (for a negative height, the upper end of its right face) down to the anchor (for a
    // negative height, the front edge of its top).
    BlockBounds bounds(int64_t row, int64_t col, int64_t h) const;

    // The lattice columns whose blocks in `row` reach at least one of bitmap columns
    // 0 .. width - 1.
    ColumnSpan columnsReaching(int64_t row, int64_t width) const;

    // The heights with which a block in `row` reaches at least one of bitmap rows
    // 0 .. height - 1 (a row whose anchors lie below the bitmap needs tall enough blocks, one
    // whose anchors lie above it needs negative heights).
    HeightSpan heightsReaching(int64_t row, int64_t height) const;

    // The block of height h in `row` at the bitmap column anchorX + d, d from -(c - 1) to
    // s - 1. Where the face of a block with a negative height runs down under its own top,
    // the top wins and the face's run stops above it.
    BlockSlice slice(int64_t row, int64_t h, int32_t d) const;

private:
    int64_t ox_;
    int64_t oy_;
    int32_t c_;
    int32_t s_;
};

// Inline: the painter asks for these per block and per pixel column.

inline BlockBounds BlockGeometry::bounds(int64_t row, int64_t col, int64_t h) const
{
    const int64_t x = anchorX(row, col);
    const int64_t y = anchorY(row);
    const int64_t t = top(row, h);
    // The back edge of the top lies s - 1 rows above its front edge; a block with a negative
    // height hangs below its anchor, and its right face then starts s - 1 rows above the anchor.
    return BlockBounds{x - (c_ - 1), x + (s_ - 1), std::min(t, y) - (s_ - 1), std::max(t, y)};
}

inline BlockSlice BlockGeometry::slice(int64_t row, int64_t h, int32_t d) const
{
    const int64_t y = anchorY(row);
    const int64_t t = top(row, h);
    // The top's pixel rows t - k, k = 0 .. s - 1, are shifted one pixel right per row upwards,
    // so column d meets rows k = max(0, d) .. min(s - 1, d + c - 1). The highest of them is
    // grey: the back edge, or the 45-degree left edge for the columns left of it.
    const int64_t kMin = std::max(0, d);
    const int64_t kMax = std::min(s_ - 1, d + c_ - 1);
    BlockSlice out;
    out.edgeRow = t - kMax;
    out.topFirst = t - kMax + 1;
    out.topLast = t - kMin;

    // The face of this column is a line from the anchor level to the top level, the latter
    // left out; the right face rises one pixel per column to the right.
    int64_t from = y;
    int64_t to = t;
    if (d == -(c_ - 1)) {
        out.face = BlockSlice::Face::LeftEdge;
    } else if (d <= 0) {
        out.face = BlockSlice::Face::Front;
    } else {
        out.face = BlockSlice::Face::Right;
        from -= d;
        to -= d;
    }
    if (to < from) { // upwards, ending under the top
        out.faceFirst = to + 1;
        out.faceLast = from;
    } else if (to > from) { // a negative height: downwards, under the top which covers it
        out.faceFirst = from;
        out.faceLast = std::min(to - 1, out.edgeRow - 1);
    } else { // height 0: nothing
        out.faceFirst = from + 1;
        out.faceLast = from;
    }
    return out;
}
