#include "gfx/Bitmap.h"

#include "TestGuiApp.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <set>
#include <utility>
#include <vector>

namespace {

using Pixels = std::set<std::pair<int64_t, int64_t>>;

constexpr uint32_t kInk = 0x123456;
constexpr uint32_t kPaper = 0x0000FF;

// Every pixel of the bitmap that is not the paper colour.
Pixels inked(const Bitmap& bmp)
{
    Pixels out;
    for (int y = 0; y < bmp.height(); ++y)
        for (int x = 0; x < bmp.width(); ++x)
            if (bmp.pixel(x, y) != kPaper)
                out.insert({x, y});
    return out;
}

void paper(Bitmap& bmp)
{
    const uint32_t keep = bmp.canvas().penColor();
    bmp.canvas().setPenColor(kPaper);
    for (int y = 0; y < bmp.height(); ++y) {
        bmp.canvas().moveTo(0, y);
        bmp.canvas().lineTo(bmp.width(), y);
    }
    bmp.canvas().setPenColor(keep);
}

Pixels drawLine(Bitmap& bmp, int64_t x0, int64_t y0, int64_t x1, int64_t y1, int width = 1)
{
    paper(bmp);
    bmp.canvas().setPenColor(kInk);
    bmp.canvas().setPenWidth(width);
    bmp.canvas().moveTo(x0, y0);
    bmp.canvas().lineTo(x1, y1);
    return inked(bmp);
}

// The pixels a line should cover, worked out independently: along the longer axis every
// position from the start up to the end (left out), across it the pixel nearest to the ideal
// line; an exact tie goes away from the start for lines heading into octants 3, 5, 6 and 8
// and towards it otherwise. A 2-pixel pen adds the left neighbour (steep lines) or the one
// above (flat lines). Clipped to w x h.
Pixels expectedLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int width, int w, int h)
{
    Pixels out;
    const int64_t dx = x1 - x0;
    const int64_t dy = y1 - y0;
    if (dx == 0 && dy == 0)
        return out;
    const bool xMajor = std::llabs(dx) > std::llabs(dy);
    const bool awayOnTie = (dy > 0 && dx <= 0 && -dx <= dy)      // octant 3
                           || (dy <= 0 && dx < 0)                // octants 5 and 6
                           || (dy <= 0 && dx >= 0 && dx > -dy); // octant 8
    const int64_t n = xMajor ? std::llabs(dx) : std::llabs(dy);
    for (int64_t i = 0; i < n; ++i) {
        // Minor offset = i * minor / n, rounded to nearest in units of 1/(2n).
        const int64_t minor = xMajor ? dy : dx;
        const int64_t twice = 2 * i * std::llabs(minor); // 2n * exact offset
        int64_t k = twice / (2 * n);
        const int64_t rest = twice - k * 2 * n; // 0 .. 2n-1
        if (rest > n || (rest == n && awayOnTie))
            ++k;
        const int64_t sMaj = (xMajor ? dx : dy) > 0 ? 1 : -1;
        const int64_t sMin = minor > 0 ? 1 : -1;
        int64_t px = xMajor ? x0 + i * sMaj : x0 + k * sMin;
        int64_t py = xMajor ? y0 + k * sMin : y0 + i * sMaj;
        for (int o = 0; o < width; ++o) {
            const int64_t qx = xMajor ? px : px - o;
            const int64_t qy = xMajor ? py - o : py;
            if (qx >= 0 && qx < w && qy >= 0 && qy < h)
                out.insert({qx, qy});
        }
    }
    return out;
}

TEST(Canvas, BitmapStartsWhiteAndReportsColoursAsBgr)
{
    Bitmap bmp(7, 5);
    EXPECT_EQ(bmp.width(), 7);
    EXPECT_EQ(bmp.height(), 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            ASSERT_EQ(bmp.pixel(x, y), 0xFFFFFFu);
    bmp.canvas().setPenColor(0x0000FF); // red in the low byte
    bmp.canvas().moveTo(2, 3);
    bmp.canvas().lineTo(3, 3);
    EXPECT_EQ(bmp.pixel(2, 3), 0x0000FFu);
    EXPECT_EQ(bmp.image().pixel(2, 3), qRgb(255, 0, 0));
    static_assert(Canvas::pixelOf(0x123456) == 0xFF563412u, "blue in the high byte of 0x00BBGGRR");
    static_assert(Canvas::colourOf(0xFF563412u) == 0x123456u);
    static_assert(Canvas::colourOf(Canvas::pixelOf(0xFFFFFF)) == 0xFFFFFFu);
    EXPECT_EQ(bmp.pixel(7, 0), 0xFFFFFFFFu);
    EXPECT_EQ(bmp.pixel(-1, 0), 0xFFFFFFFFu);

    bmp.setSize(3, 2);
    EXPECT_EQ(bmp.pixel(2, 1), 0xFFFFFFu);
    EXPECT_EQ(bmp.canvas().penColor(), 0x0000FFu) << "the pen survives a new size";
}

TEST(Canvas, AxisAndDiagonalLinesIncludeStartAndExcludeEnd)
{
    Bitmap bmp(20, 20);
    EXPECT_EQ(drawLine(bmp, 3, 4, 7, 4), (Pixels{{3, 4}, {4, 4}, {5, 4}, {6, 4}}));
    EXPECT_EQ(drawLine(bmp, 7, 4, 3, 4), (Pixels{{7, 4}, {6, 4}, {5, 4}, {4, 4}}));
    EXPECT_EQ(drawLine(bmp, 2, 9, 2, 6), (Pixels{{2, 9}, {2, 8}, {2, 7}}));
    EXPECT_EQ(drawLine(bmp, 2, 6, 2, 9), (Pixels{{2, 6}, {2, 7}, {2, 8}}));
    EXPECT_EQ(drawLine(bmp, 5, 10, 8, 7), (Pixels{{5, 10}, {6, 9}, {7, 8}}));
    EXPECT_EQ(drawLine(bmp, 8, 7, 5, 10), (Pixels{{8, 7}, {7, 8}, {6, 9}}));
    EXPECT_EQ(drawLine(bmp, 1, 1, 4, 4), (Pixels{{1, 1}, {2, 2}, {3, 3}}));
    EXPECT_TRUE(drawLine(bmp, 5, 5, 5, 5).empty()) << "a line to its own start draws nothing";
}

TEST(Canvas, LineToMovesTheCurrentPointAndThePenKeepsItsColour)
{
    Bitmap bmp(10, 10);
    paper(bmp);
    Canvas& canvas = bmp.canvas();
    canvas.setPenColor(kInk);
    canvas.setPenWidth(1);
    canvas.moveTo(1, 1);
    canvas.lineTo(4, 1);
    canvas.lineTo(4, 3); // continues from (4, 1)
    EXPECT_EQ(inked(bmp), (Pixels{{1, 1}, {2, 1}, {3, 1}, {4, 1}, {4, 2}}));
    EXPECT_EQ(canvas.penColor(), kInk);
}

TEST(Canvas, AnySlopeStepsToTheNearestPixelWithTheTieRule)
{
    Bitmap bmp(10, 10);
    // The chart's short green segment: up two rows and one column; the tie at the middle row
    // stays in the start column.
    EXPECT_EQ(drawLine(bmp, 4, 6, 5, 4), (Pixels{{4, 6}, {4, 5}}));
    EXPECT_EQ(drawLine(bmp, 0, 0, 4, 2), (Pixels{{0, 0}, {1, 0}, {2, 1}, {3, 1}}));
    EXPECT_EQ(drawLine(bmp, 4, 2, 0, 0), (Pixels{{4, 2}, {3, 1}, {2, 1}, {1, 0}}));

    // Many random lines, most of them partly outside the bitmap.
    Bitmap small(23, 17);
    std::mt19937 gen(5);
    std::uniform_int_distribution<int> coord(-30, 50);
    for (int n = 0; n < 3000; ++n) {
        const int64_t x0 = coord(gen), y0 = coord(gen), x1 = coord(gen), y1 = coord(gen);
        for (int width : {1, 2}) {
            ASSERT_EQ(drawLine(small, x0, y0, x1, y1, width),
                      expectedLine(x0, y0, x1, y1, width, 23, 17))
                << "(" << x0 << "," << y0 << ") -> (" << x1 << "," << y1 << ") width " << width;
        }
    }
}

TEST(Canvas, FarAwayEndPointsAreClippedExactly)
{
    Bitmap bmp(600, 400);
    Pixels column;
    for (int y = 0; y < 300; ++y)
        column.insert({17, y});
    EXPECT_EQ(drawLine(bmp, 17, -2000000000, 17, 300), column);
    Pixels upwards = column; // starts at row 300 and runs off the top
    upwards.insert({17, 300});
    EXPECT_EQ(drawLine(bmp, 17, 300, 17, -2000000000), upwards);

    const int64_t far = 1000000000000LL;
    Pixels diagonal;
    for (int t = 0; t < 400; ++t)
        diagonal.insert({t, t});
    EXPECT_EQ(drawLine(bmp, -far, -far, far, far), diagonal);

    // Slope 1/2 from far away: the pixel under x is floor(x / 2) (ties towards the start).
    Pixels half;
    for (int x = 0; x < 600; ++x)
        half.insert({x, x / 2});
    EXPECT_EQ(drawLine(bmp, -2 * far, -far, 2 * far, far), half);

    // Coordinates at the ends of the 64-bit range neither crash nor draw inside.
    EXPECT_TRUE(drawLine(bmp, INT64_MIN, INT64_MIN, INT64_MIN, INT64_MAX).empty());
    // Taken as +-2^61: the step down to row 6 comes only after the middle, x 0, which still
    // lies on row 5 (a tie, kept on the start's side).
    Pixels row5;
    for (int x = 0; x < 600; ++x)
        row5.insert({x, 5});
    EXPECT_EQ(drawLine(bmp, INT64_MAX, 5, INT64_MIN, 6), row5);
}

TEST(Canvas, TwoPixelPenCoversTheLeftOrUpperNeighbour)
{
    Bitmap bmp(12, 12);
    // Vertical (the chart's scrolling marks): the column to the left as well.
    EXPECT_EQ(drawLine(bmp, 5, 5, 5, 7, 2), (Pixels{{5, 5}, {5, 6}, {4, 5}, {4, 6}}));
    // Horizontal: the row above as well.
    EXPECT_EQ(drawLine(bmp, 2, 3, 5, 3, 2),
              (Pixels{{2, 3}, {3, 3}, {4, 3}, {2, 2}, {3, 2}, {4, 2}}));
    // The sweep's green segment.
    EXPECT_EQ(drawLine(bmp, 6, 9, 7, 7, 2), (Pixels{{6, 9}, {6, 8}, {5, 9}, {5, 8}}));
    // A thin line just right of the bitmap still shows its neighbour.
    EXPECT_EQ(drawLine(bmp, 12, 0, 12, 2, 2), (Pixels{{11, 0}, {11, 1}}));
    // At x 0 the neighbour falls outside.
    EXPECT_EQ(drawLine(bmp, 0, 0, 0, 2, 2), (Pixels{{0, 0}, {0, 1}}));
}

TEST(Canvas, AnyPenWidthCostsOnlyItsVisiblePixels)
{
    // A pen wider than any bitmap covers the bitmap's whole width along a vertical line and
    // its whole height along a horizontal one; only the visible offsets are visited, so this
    // finishes at once instead of stepping through two billion offsets per row.
    Bitmap bmp(600, 400);
    const Pixels all = [] {
        Pixels p;
        for (int y = 0; y < 400; ++y)
            for (int x = 0; x < 600; ++x)
                p.insert({x, y});
        return p;
    }();
    EXPECT_EQ(drawLine(bmp, 300, 0, 300, 400, INT32_MAX), all);
    EXPECT_EQ(drawLine(bmp, -5, 200, 600, 200, INT32_MAX), all);
    // Width 5: the offsets -2 .. 2 across a vertical line.
    EXPECT_EQ(drawLine(bmp, 1, 10, 1, 11, 5), (Pixels{{0, 10}, {1, 10}, {2, 10}, {3, 10}}));
}

TEST(Canvas, RectangleFillsWhiteInsideAPenOutline)
{
    Bitmap bmp(10, 10);
    paper(bmp);
    bmp.canvas().setPenColor(kInk);
    bmp.canvas().rectangle(2, 3, 6, 8);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            const bool inside = x >= 2 && x <= 5 && y >= 3 && y <= 7;
            const bool ring = inside && (x == 2 || x == 5 || y == 3 || y == 7);
            const uint32_t want = ring ? kInk : inside ? 0xFFFFFFu : kPaper;
            ASSERT_EQ(bmp.pixel(x, y), want) << x << "," << y;
        }
    }
    // Corners given the other way round make the same rectangle.
    Bitmap other(10, 10);
    paper(other);
    other.canvas().setPenColor(kInk);
    other.canvas().rectangle(6, 8, 2, 3);
    EXPECT_EQ(other.image(), bmp.image());

    // One pixel larger than the bitmap all round: the outline falls outside, all white.
    bmp.canvas().rectangle(-1, -1, 11, 11);
    EXPECT_EQ(inked(bmp).size(), 100u);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(bmp.pixel(x, y), 0xFFFFFFu);

    // A huge rectangle only touches the bitmap.
    paper(bmp);
    bmp.canvas().rectangle(-2000000000, 4, 2000000000, 6);
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(bmp.pixel(x, 4), kInk);
        EXPECT_EQ(bmp.pixel(x, 5), kInk);
        EXPECT_EQ(bmp.pixel(x, 6), kPaper);
    }
}

TEST(Canvas, TextIsBlackOnAWhiteCellAtItsTopLeftCorner)
{
    ASSERT_TRUE(ensureGuiApplication());
    Bitmap bmp(120, 40);
    paper(bmp);
    bmp.canvas().textOut(5, 15, QStringLiteral("Roughness"));
    int black = 0;
    int minX = 1000, minY = 1000, maxX = -1, maxY = -1;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 120; ++x) {
            const uint32_t p = bmp.pixel(x, y);
            if (p == kPaper)
                continue;
            ASSERT_TRUE(p == 0 || p == 0xFFFFFFu) << "only black and white, no blending";
            black += p == 0;
            minX = std::min(minX, x);
            minY = std::min(minY, y);
            maxX = std::max(maxX, x);
            maxY = std::max(maxY, y);
        }
    }
    EXPECT_GT(black, 10);
    EXPECT_EQ(minX, 5);
    EXPECT_EQ(minY, 15);
    EXPECT_GT(maxX, 30);
    EXPECT_GT(maxY, 20);
}

} // namespace

// Fontconfig keeps caches for the life of the process that it never frees; text drawing
// brings it in. Not ours to fix, so the leak checker of sanitizer builds ignores it.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
