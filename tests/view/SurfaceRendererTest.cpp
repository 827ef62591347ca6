#include "view/SurfaceRenderer.h"

#include "gfx/Bitmap.h"
#include "model/Symulacja.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <random>
#include <vector>

namespace {

// A plain painter that follows the block picture's recipe literally: the clear rectangle,
// then every block back to front with its faces, top and outline as separate one-pixel lines
// into an array of 0x00BBGGRR pixels. Only the pixels inside the picture are visited.
class ReferencePainter {
public:
    ReferencePainter(int w, int h) : w_(w), h_(h), px_(size_t(w) * h, 0xFFFFFF) {}

    uint32_t pen = 0x000000;

    uint32_t at(int x, int y) const { return px_[size_t(y) * w_ + x]; }

    void paint(const Symulacja& sim, int32_t ox, int32_t oy, int32_t c)
    {
        // 1. Clear: white inside, the outermost ring in the pen.
        for (int y = 0; y < h_; ++y)
            for (int x = 0; x < w_; ++x)
                px_[size_t(y) * w_ + x] = (x == 0 || y == 0 || x == w_ - 1 || y == h_ - 1) ? pen : 0xFFFFFF;
        const int64_t s = c - 3;
        const Tablica& t = *sim.lattice;
        for (int32_t i = 0; i < sim.sizeY; ++i) {
            for (int32_t j = 0; j < sim.sizeX; ++j) {
                const int64_t x = int64_t(ox) + int64_t(c) * j - s * i;
                const int64_t y = int64_t(oy) + s * i;
                const int64_t h = t.get(i, j);
                const int64_t right = j == sim.sizeX - 1 ? 0 : t.get(i, j + 1);
                const int64_t front = i == sim.sizeY - 1 ? 0 : t.get(i + 1, j);
                const int64_t F = h * c;
                const int64_t T = y - F;
                if (front < h * c) {
                    pen = 0xC0C0C0;
                    for (int64_t k = 0; k <= c - 2; ++k)
                        line(x - k, y, x - k, T);
                }
                if (right < h * c) {
                    pen = 0x505050;
                    for (int64_t k = 1; k <= s - 1; ++k)
                        line(x + k, y - k, x + k, T - k);
                }
                const int64_t b = (h + sim.heightOffset) % 4;
                pen = topColour(sim.palette, b);
                for (int64_t k = 0; k <= s - 1; ++k)
                    line(x + k, T - k, x + k - c, T - k);
                pen = 0x808080;
                line(x + c - 4, T - c + 4, x - 4, T - c + 4);
                line(x - c + 1, T, x - 3, T - c + 4);
                line(x - c + 1, y, x - c + 1, T);
            }
        }
    }

private:
    static uint32_t topColour(int32_t palette, int64_t band)
    {
        static const uint32_t levels[4] = {100, 150, 190, 225};
        static const uint32_t p3[4] = {0x6F4F00, 0xBADCDC, 0x3E5B27, 0x79ACAC};
        static const uint32_t p4[4] = {0x784F4E, 0x0000C0, 0x808000, 0x00C0C0};
        if (palette == 3)
            return band == 0 ? p3[0] : band == 1 ? p3[1] : band == 2 ? p3[2] : p3[3];
        const int64_t b = band < 0 ? band + 4 : band; // the cycle continued below band 0
        if (palette == 1)
            return levels[b];
        if (palette == 2)
            return levels[b] << 16;
        if (palette == 4)
            return p4[b];
        return levels[b] << 8;
    }

    // A horizontal, vertical or 45-degree line, start included, end left out.
    void line(int64_t x0, int64_t y0, int64_t x1, int64_t y1)
    {
        const int64_t dx = x1 - x0, dy = y1 - y0;
        const int64_t n = std::max(std::llabs(dx), std::llabs(dy));
        ASSERT_TRUE(dx == 0 || dy == 0 || std::llabs(dx) == std::llabs(dy));
        if (n == 0)
            return;
        const int64_t sx = dx > 0 ? 1 : dx < 0 ? -1 : 0;
        const int64_t sy = dy > 0 ? 1 : dy < 0 ? -1 : 0;
        // The steps t in 0..n-1 that land inside, axis by axis.
        int64_t lo = 0, hi = n - 1;
        auto limit = [&](int64_t start, int64_t step, int64_t size) {
            if (step == 0) {
                if (start < 0 || start >= size)
                    hi = -1;
            } else if (step > 0) {
                lo = std::max(lo, -start);
                hi = std::min(hi, size - 1 - start);
            } else {
                lo = std::max(lo, start - (size - 1));
                hi = std::min(hi, start);
            }
        };
        limit(x0, sx, w_);
        limit(y0, sy, h_);
        for (int64_t t = lo; t <= hi; ++t)
            px_[size_t(y0 + t * sy) * w_ + size_t(x0 + t * sx)] = pen;
    }

    int w_, h_;
    std::vector<uint32_t> px_;
};

std::unique_ptr<Symulacja> makeSim(int32_t cols, int32_t rows, int32_t palette = 3)
{
    auto sim = std::make_unique<Symulacja>();
    sim->sizeX = cols;
    sim->sizeY = rows;
    sim->palette = palette;
    sim->lattice = std::make_unique<Tablica>(rows, cols);
    return sim;
}

// Draws both ways and reports the first pixel that differs.
void expectSameAsReference(const Symulacja& sim, int w, int h, int32_t ox, int32_t oy, int32_t c,
                           uint32_t pen = 0x000000)
{
    Bitmap bmp(w, h);
    bmp.canvas().setPenColor(pen);
    ReferencePainter ref(w, h);
    ref.pen = pen;
    drawSurface(sim, bmp, ox, oy, c);
    ref.paint(sim, ox, oy, c);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            ASSERT_EQ(bmp.pixel(x, y), ref.at(x, y))
                << "pixel (" << x << "," << y << ") origin " << ox << "," << oy << " c " << c << " palette "
                << sim.palette << " lattice " << sim.sizeX << "x" << sim.sizeY;
    EXPECT_EQ(bmp.canvas().penColor(), ref.pen);
}

std::map<uint32_t, int> colourCounts(const Bitmap& bmp, int x0, int y0, int x1, int y1)
{
    std::map<uint32_t, int> counts;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            ++counts[bmp.pixel(x, y)];
    return counts;
}

TEST(SurfaceRenderer, PaletteTables)
{
    const uint32_t expected[5][4] = {
        {100u << 8, 150u << 8, 190u << 8, 225u << 8},
        {100u, 150u, 190u, 225u},
        {100u << 16, 150u << 16, 190u << 16, 225u << 16},
        {0x6F4F00, 0xBADCDC, 0x3E5B27, 0x79ACAC},
        {0x784F4E, 0x0000C0, 0x808000, 0x00C0C0},
    };
    for (int p = 0; p < 5; ++p)
        for (int b = 0; b < 4; ++b)
            EXPECT_EQ(paletteColor(p, b), expected[p][b]) << "palette " << p << " band " << b;
    // Below band 0: palette 3 its fourth colour, the others their cycle continued downwards.
    EXPECT_EQ(paletteColor(3, -1), 0x79ACACu);
    EXPECT_EQ(paletteColor(3, -3), 0x79ACACu);
    EXPECT_EQ(paletteColor(0, -1), 225u << 8);
    EXPECT_EQ(paletteColor(1, -2), 190u);
    EXPECT_EQ(paletteColor(4, -3), 0x0000C0u);
    EXPECT_EQ(paletteColor(7, 1), 150u << 8);
}

TEST(SurfaceRenderer, FlatLatticeAtTheWindowsDefaultView)
{
    auto sim = makeSim(50, 50, 3);
    Bitmap bmp(600, 400);
    drawSurface(*sim, bmp, 210, 190, 7);

    int minX = 600, maxX = -1, minY = 400, maxY = -1;
    for (int y = 1; y < 399; ++y) {
        for (int x = 1; x < 599; ++x) {
            const uint32_t p = bmp.pixel(x, y);
            if (p == 0xFFFFFF)
                continue;
            ASSERT_TRUE(p == 0x6F4F00 || p == 0x808080) << x << "," << y << " " << std::hex << p;
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
            minY = std::min(minY, y);
            maxY = std::max(maxY, y);
        }
    }
    EXPECT_EQ(minX, 8);
    EXPECT_EQ(maxX, 556);
    EXPECT_EQ(minY, 187);
    EXPECT_EQ(maxY, 386);
    // The frame: black on the very first painting, edge grey on the next.
    for (int x = 0; x < 600; ++x) {
        ASSERT_EQ(bmp.pixel(x, 0), 0u);
        ASSERT_EQ(bmp.pixel(x, 399), 0u);
    }
    for (int y = 0; y < 400; ++y) {
        ASSERT_EQ(bmp.pixel(0, y), 0u);
        ASSERT_EQ(bmp.pixel(599, y), 0u);
    }
    EXPECT_EQ(bmp.canvas().penColor(), 0x808080u);
    drawSurface(*sim, bmp, 210, 190, 7);
    const auto ring = colourCounts(bmp, 0, 0, 599, 0);
    EXPECT_EQ(ring, (std::map<uint32_t, int>{{0x808080u, 600}}));
    EXPECT_EQ(colourCounts(bmp, 599, 0, 599, 399), (std::map<uint32_t, int>{{0x808080u, 400}}));
    EXPECT_EQ(bmp.pixel(0, 200), 0x808080u);
    EXPECT_EQ(bmp.pixel(300, 399), 0x808080u);
}

TEST(SurfaceRenderer, SingleBlockOfHeightOne)
{
    auto sim = makeSim(1, 1, 3);
    sim->lattice->set(1, 0, 0);
    Bitmap bmp(60, 60);
    drawSurface(*sim, bmp, 20, 40, 7);
    const uint32_t grey = 0x808080, front = 0xC0C0C0, right = 0x505050, top = 0xBADCDC; // band 1

    std::map<std::pair<int, int>, uint32_t> want;
    for (int x = 17; x <= 23; ++x)
        want[{x, 30}] = grey; // back edge
    for (int k = 0; k < 3; ++k) // top rows 33, 32, 31: left pixel grey, the rest top colour
        for (int x = 14 + k; x <= 20 + k; ++x)
            want[{x, 33 - k}] = x == 14 + k ? grey : top;
    for (int y = 34; y <= 40; ++y) {
        want[{14, y}] = grey; // left vertical edge
        for (int x = 15; x <= 20; ++x)
            want[{x, y}] = front;
    }
    for (int k = 1; k <= 3; ++k)
        for (int y = 34 - k; y <= 40 - k; ++y)
            want[{20 + k, y}] = right;

    for (int y = 1; y < 59; ++y) {
        for (int x = 1; x < 59; ++x) {
            const auto it = want.find({x, y});
            ASSERT_EQ(bmp.pixel(x, y), it == want.end() ? 0xFFFFFFu : it->second) << x << "," << y;
        }
    }
}

TEST(SurfaceRenderer, SmallestCellSize)
{
    auto sim = makeSim(1, 1, 0);
    sim->lattice->set(2, 0, 0);
    Bitmap bmp(40, 40);
    drawSurface(*sim, bmp, 20, 30, 5); // s = 2, T = 20
    // The top: row 20 from x 16 (grey, the left edge's single pixel) to 20, row 19 all grey.
    EXPECT_EQ(bmp.pixel(16, 20), 0x808080u);
    for (int x = 17; x <= 20; ++x)
        EXPECT_EQ(bmp.pixel(x, 20), 190u << 8);
    for (int x = 17; x <= 21; ++x)
        EXPECT_EQ(bmp.pixel(x, 19), 0x808080u);
    EXPECT_EQ(bmp.pixel(16, 19), 0xFFFFFFu);
    EXPECT_EQ(bmp.pixel(22, 19), 0xFFFFFFu);
    // The right face is one column, x 21, rows 20..29.
    for (int y = 20; y <= 29; ++y)
        EXPECT_EQ(bmp.pixel(21, y), 0x505050u) << y;
    EXPECT_EQ(bmp.pixel(21, 30), 0xFFFFFFu);
    EXPECT_EQ(bmp.pixel(22, 25), 0xFFFFFFu);
}

TEST(SurfaceRenderer, FaceTestComparesLayersWithPixels)
{
    // Two blocks one behind the other, c = 7, back height 3: its front face (x 15..20 below its
    // top) is drawn unless the front neighbour has 21 layers or more.
    for (int32_t frontHeight : {3, 20, 21}) {
        auto sim = makeSim(1, 2, 0);
        sim->lattice->set(3, 0, 0);
        sim->lattice->set(frontHeight, 1, 0);
        Bitmap bmp(60, 400);
        drawSurface(*sim, bmp, 20, 380, 7);
        // The back block's front face at column 20, two rows below its top (T = 359): the front
        // block never covers column 20 (its own columns end at x 16).
        const uint32_t p = bmp.pixel(20, 361);
        if (frontHeight < 21)
            EXPECT_EQ(p, 0xC0C0C0u) << frontHeight;
        else
            EXPECT_EQ(p, 0xFFFFFFu) << frontHeight;
    }
    // In the last row and column the missing neighbours count as 0: faces drawn.
    auto sim = makeSim(2, 2, 0);
    sim->lattice->fill(1);
    Bitmap bmp(80, 80);
    drawSurface(*sim, bmp, 20, 40, 7);
    // Cell (1, 1): anchor (23, 44), T = 37.
    EXPECT_EQ(bmp.pixel(23, 44), 0xC0C0C0u);
    EXPECT_EQ(bmp.pixel(24, 42), 0x505050u);
}

TEST(SurfaceRenderer, HeightOffsetShiftsTheBands)
{
    auto sim = makeSim(1, 1, 4);
    Bitmap bmp(40, 40);
    for (int32_t offset : {0, 1, 2, 3, 4, 5}) {
        sim->heightOffset = offset;
        drawSurface(*sim, bmp, 20, 30, 7);
        EXPECT_EQ(bmp.pixel(18, 30), paletteColor(4, offset % 4)) << offset;
    }
}

TEST(SurfaceRenderer, EmptyLatticeKeepsThePen)
{
    auto sim = makeSim(0, 0, 0);
    Bitmap bmp(10, 10);
    bmp.canvas().setPenColor(0x112233);
    drawSurface(*sim, bmp, 5, 5, 7);
    EXPECT_EQ(bmp.canvas().penColor(), 0x112233u);
    EXPECT_EQ(bmp.pixel(0, 0), 0x112233u);
    EXPECT_EQ(bmp.pixel(5, 5), 0xFFFFFFu);
}

TEST(SurfaceRenderer, MatchesThePlainPainterOnRandomLattices)
{
    std::mt19937 gen(20240601);
    struct Range {
        int32_t lo, hi;
    };
    const Range ranges[] = {{0, 3}, {0, 50}, {-8, 8}, {0, 400}, {-60, -1}};
    for (int n = 0; n < 150; ++n) {
        const int32_t cols = 1 + int32_t(gen() % 24);
        const int32_t rows = 1 + int32_t(gen() % 24);
        auto sim = makeSim(cols, rows, int32_t(gen() % 5));
        const Range r = ranges[n % 5];
        std::uniform_int_distribution<int32_t> height(r.lo, r.hi);
        for (int32_t i = 0; i < rows; ++i)
            for (int32_t j = 0; j < cols; ++j)
                sim->lattice->set(height(gen), i, j);
        sim->heightOffset = int32_t(gen() % 7) - (n % 3 == 0 ? 3 : 0);
        const int32_t c = 5 + int32_t(gen() % 6);
        // Origins from well left of / above the bitmap to past its right / bottom edge.
        const int32_t ox = int32_t(gen() % 260) - 60;
        const int32_t oy = int32_t(gen() % 260) - 40;
        const uint32_t pen = n % 2 ? 0x000000u : 0x808080u;
        expectSameAsReference(*sim, 160, 120, ox, oy, c, pen);
        if (HasFatalFailure())
            return;
    }
}

TEST(SurfaceRenderer, MatchesThePlainPainterOnALargeLattice)
{
    std::mt19937 gen(99);
    auto sim = makeSim(100, 100, 3);
    for (int32_t i = 0; i < 100; ++i)
        for (int32_t j = 0; j < 100; ++j)
            sim->lattice->set(int32_t(gen() % 51), i, j);
    for (int32_t c : {5, 10})
        for (int32_t palette : {0, 3})
            for (auto [ox, oy] : {std::pair{210, 190}, std::pair{700, -100}, std::pair{300, 300}}) {
                sim->palette = palette;
                expectSameAsReference(*sim, 600, 400, ox, oy, c, 0x808080);
                if (HasFatalFailure())
                    return;
            }
}

TEST(SurfaceRenderer, MatchesThePlainPainterWithHugeHeights)
{
    std::mt19937 gen(3);
    auto sim = makeSim(30, 30, 2);
    for (int32_t i = 0; i < 30; ++i)
        for (int32_t j = 0; j < 30; ++j) {
            const uint32_t pick = gen() % 4;
            const int32_t h = pick == 0   ? 2000000000
                              : pick == 1 ? -2000000000
                              : pick == 2 ? INT32_MAX - int32_t(gen() % 5)
                                          : int32_t(gen() % 30);
            sim->lattice->set(h, i, j);
        }
    sim->heightOffset = 2000000000; // the band's sum exceeds int32 and must not wrap
    for (int32_t c : {5, 7, 10})
        for (auto [ox, oy] : {std::pair{210, 190}, std::pair{100, 10}, std::pair{400, 390}}) {
            expectSameAsReference(*sim, 300, 200, ox, oy, c);
            if (HasFatalFailure())
                return;
        }
    // All columns two billion layers tall: the picture is the faces of the front blocks.
    sim->lattice->fill(2000000000);
    expectSameAsReference(*sim, 300, 200, 150, 100, 10);
}

TEST(SurfaceRenderer, MatchesThePlainPainterOnABigLatticeMostlyOffThePicture)
{
    // A 300 x 300 lattice of which only a corner shows, with a few columns far in front tall
    // enough, and a few far behind deep enough, to reach into the picture from outside it.
    std::mt19937 gen(11);
    auto sim = makeSim(300, 300, 4);
    for (int32_t i = 0; i < 300; ++i)
        for (int32_t j = 0; j < 300; ++j)
            sim->lattice->set(int32_t(gen() % 20), i, j);
    auto plain = makeSim(300, 300, 4);
    *plain->lattice = *sim->lattice;
    for (int n = 0; n < 40; ++n) {
        const int32_t j = int32_t(gen() % 300);
        sim->lattice->set(300 + int32_t(gen() % 3000), 200 + int32_t(gen() % 100), j);
        sim->lattice->set(-300 - int32_t(gen() % 3000), int32_t(gen() % 60), j);
    }
    struct View {
        int32_t ox, oy, c;
    };
    for (const View v : {View{210, 190, 5}, View{300, -500, 7}, View{-900, 100, 10}, View{150, 600, 6}}) {
        expectSameAsReference(*sim, 600, 400, v.ox, v.oy, v.c, 0x808080);
        if (HasFatalFailure())
            return;
        // The far columns do show.
        Bitmap with(600, 400), without(600, 400);
        drawSurface(*sim, with, v.ox, v.oy, v.c);
        drawSurface(*plain, without, v.ox, v.oy, v.c);
        EXPECT_NE(with.image(), without.image()) << v.ox << "," << v.oy;
    }
}

TEST(SurfaceRenderer, CellSizeOutsideTheZoomRangeIsTakenAsTheNearest)
{
    auto sim = makeSim(4, 4, 1);
    sim->lattice->fill(2);
    Bitmap a(80, 80), b(80, 80);
    drawSurface(*sim, a, 30, 30, 3);
    drawSurface(*sim, b, 30, 30, 5);
    EXPECT_EQ(a.image(), b.image());
    drawSurface(*sim, a, 30, 30, 40);
    drawSurface(*sim, b, 30, 30, 10);
    EXPECT_EQ(a.image(), b.image());
}

} // namespace
