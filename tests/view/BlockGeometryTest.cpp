#include "view/BlockGeometry.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

using Face = BlockSlice::Face;

TEST(BlockGeometry, AnchorsTopsAndBounds)
{
    struct Case {
        int32_t ox, oy, c;
        int64_t row, col, h;
        int64_t x, y, top, left, right, upper, lower;
    };
    const Case cases[] = {
        // One block of height 1 at (20, 40), c = 7: top rows 33 up to 30, columns 14 to 23.
        {20, 40, 7, 0, 0, 1, 20, 40, 33, 14, 23, 30, 40},
        // Row 2, column 3: 3 * 7 right, 2 * 4 left and down; a flat block is its top alone.
        {20, 40, 7, 2, 3, 0, 33, 48, 48, 27, 36, 45, 48},
        // c = 5 (s = 2) from the window's default origin.
        {210, 190, 5, 1, 4, 3, 228, 192, 177, 224, 229, 176, 192},
        // c = 10 (s = 7), a negative height hangs below the anchor; the right face starts
        // six rows above it.
        {-5, 0, 10, 3, 0, -2, -26, 21, 41, -35, -20, 15, 41},
        // Cell sizes outside 5..10 are taken as the nearest: 3 as 5, 12 as 10.
        {0, 0, 3, 1, 1, 1, 3, 2, -3, -1, 4, -4, 2},
        {0, 0, 12, 1, 1, 1, 3, 7, -3, -6, 9, -9, 7},
    };
    for (const Case& k : cases) {
        const BlockGeometry g(k.ox, k.oy, k.c);
        SCOPED_TRACE(testing::Message() << "origin " << k.ox << "," << k.oy << " c " << k.c << " cell "
                                        << k.row << "," << k.col << " h " << k.h);
        EXPECT_EQ(g.anchorX(k.row, k.col), k.x);
        EXPECT_EQ(g.anchorY(k.row), k.y);
        EXPECT_EQ(g.top(k.row, k.h), k.top);
        const BlockBounds b = g.bounds(k.row, k.col, k.h);
        EXPECT_EQ(b.left, k.left);
        EXPECT_EQ(b.right, k.right);
        EXPECT_EQ(b.upper, k.upper);
        EXPECT_EQ(b.lower, k.lower);
    }
    // Two billion layers at c = 10 stay exact.
    EXPECT_EQ(BlockGeometry(0, 0, 10).top(0, 2000000000), -20000000000);
}

TEST(BlockGeometry, SlicesOfOneBlock)
{
    struct Case {
        int32_t c;
        int64_t h;
        int32_t d;
        int64_t edge, topFirst, topLast;
        Face face;
        int64_t faceFirst, faceLast;
    };
    // The block at (20, 40) in row 0. Empty runs are written first = last + 1.
    const Case cases[] = {
        // c = 7, h = 1 (T = 33): the left edge column, the front face, the right face.
        {7, 1, -6, 33, 34, 33, Face::LeftEdge, 34, 40},
        {7, 1, -4, 31, 32, 33, Face::Front, 34, 40},
        {7, 1, 0, 30, 31, 33, Face::Front, 34, 40},
        {7, 1, 1, 30, 31, 32, Face::Right, 33, 39},
        {7, 1, 3, 30, 31, 30, Face::Right, 31, 37},
        // Height 0: the top's three colour rows end at the anchor and there is no face.
        {7, 0, 0, 37, 38, 40, Face::Front, 41, 40},
        // c = 5, h = -1 (T = 45): faces run down from the anchor and stop above the top.
        {5, -1, -4, 45, 46, 45, Face::LeftEdge, 40, 44},
        {5, -1, 0, 44, 45, 45, Face::Front, 40, 43},
        {5, -1, 1, 44, 45, 44, Face::Right, 39, 43},
    };
    for (const Case& k : cases) {
        const BlockGeometry g(20, 40, k.c);
        SCOPED_TRACE(testing::Message() << "c " << k.c << " h " << k.h << " d " << k.d);
        const BlockSlice s = g.slice(0, k.h, k.d);
        EXPECT_EQ(s.edgeRow, k.edge);
        EXPECT_EQ(s.face, k.face);
        // Only non-empty runs have to match exactly.
        if (k.topFirst <= k.topLast) {
            EXPECT_EQ(s.topFirst, k.topFirst);
            EXPECT_EQ(s.topLast, k.topLast);
        } else {
            EXPECT_GT(s.topFirst, s.topLast);
        }
        if (k.faceFirst <= k.faceLast) {
            EXPECT_EQ(s.faceFirst, k.faceFirst);
            EXPECT_EQ(s.faceLast, k.faceLast);
        } else {
            EXPECT_GT(s.faceFirst, s.faceLast);
        }
    }
}

TEST(BlockGeometry, ColumnsReachingTheBitmap)
{
    struct Case {
        int32_t ox, oy, c;
        int64_t row, width, first, last;
    };
    const Case cases[] = {
        // Row 0 at c = 7: x = 20 + 7j covers x - 6 .. x + 3; j = -3 reaches column 2, j = 6
        // column 56 (its left end), j = 7 starts at 63.
        {20, 40, 7, 0, 60, -3, 6},
        {20, 40, 7, 5, 60, 0, 9},
        // c = 10: x = 10j - 114 covers x - 9 .. x + 6.
        {-100, 0, 10, 2, 600, 11, 72},
    };
    for (const Case& k : cases) {
        const ColumnSpan span = BlockGeometry(k.ox, k.oy, k.c).columnsReaching(k.row, k.width);
        EXPECT_EQ(span.first, k.first) << "row " << k.row;
        EXPECT_EQ(span.last, k.last) << "row " << k.row;
    }
    const ColumnSpan none = BlockGeometry(20, 40, 7).columnsReaching(0, 0);
    EXPECT_GT(none.first, none.last);
}

TEST(BlockGeometry, HeightsReachingTheBitmap)
{
    constexpr int64_t kNoLowerBound = INT64_MIN;
    constexpr int64_t kNoUpperBound = INT64_MAX;
    struct Case {
        int32_t oy;
        int64_t row, least, most;
    };
    // c = 7 (s = 4), a bitmap 60 rows high.
    const Case cases[] = {
        // Anchor at 40: every block touches some row.
        {40, 0, kNoLowerBound, kNoUpperBound},
        // Anchor at 64: a flat block's top (61..64) is below; one layer lifts it to 54..57.
        {40, 6, 1, kNoUpperBound},
        // Anchor at 80: two layers leave the back edge at row 63, three bring it to 56.
        {40, 10, 3, kNoUpperBound},
        // Anchor at -30 (above): -4 layers hang down to row -2, -5 to row 5.
        {-30, 0, kNoLowerBound, -5},
        // Anchor at -28: -4 layers hang down to row 0 exactly.
        {-28, 0, kNoLowerBound, -4},
    };
    for (const Case& k : cases) {
        const HeightSpan span = BlockGeometry(20, k.oy, 7).heightsReaching(k.row, 60);
        EXPECT_EQ(span.least, k.least) << "oy " << k.oy << " row " << k.row;
        EXPECT_EQ(span.most, k.most) << "oy " << k.oy << " row " << k.row;
    }
    const HeightSpan none = BlockGeometry(20, 40, 7).heightsReaching(0, 0);
    EXPECT_GT(none.least, none.most);
}

} // namespace
