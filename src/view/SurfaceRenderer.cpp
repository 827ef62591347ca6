#include "view/SurfaceRenderer.h"

#include "gfx/Bitmap.h"
#include "model/Symulacja.h"
#include "view/BlockGeometry.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The picture is defined by painting the blocks back to front, each with its faces, top and
// outline as straight lines (rows 0 -> sizeY-1, columns 0 -> sizeX-1). Painting that way
// overdraws every pixel many times over, and tall columns reach far outside the bitmap. The
// same pixels come out when the blocks are visited front to back and each pixel is written
// only by the first block that reaches it (the last one in the back-to-front order). In every
// pixel column a block covers one unbroken run of rows, so a short list of covered row runs
// per column is all the bookkeeping needed, and work is proportional to the visible runs.
// Lattices far bigger than the picture (the batch tool draws up to 4096 x 4096) cost about what
// their visible part does: a row is looked at only across the lattice columns whose blocks meet
// the bitmap's columns, and skipped when none of those blocks is tall enough (or, above the
// bitmap, deep enough) to reach its rows; the drawing stops once every pixel is painted.

namespace {

constexpr uint32_t kFrontFace = 0xC0C0C0;
constexpr uint32_t kRightFace = 0x505050;
constexpr uint32_t kEdge = 0x808080;

// Rows a..b (inclusive) already painted in one pixel column; sorted, disjoint, not touching.
struct Run {
    int32_t a;
    int32_t b;
};

// Calls paint(r1, r2) for every part of a..b not yet covered, then records a..b as covered.
// False when a..b was covered already.
template <typename Paint>
bool paintUncovered(std::vector<Run>& runs, int32_t a, int32_t b, Paint&& paint)
{
    auto first = std::partition_point(runs.begin(), runs.end(),
                                      [a](const Run& r) { return r.b + 1 < a; });
    if (first != runs.end() && first->a <= a && first->b >= b)
        return false; // hidden entirely
    auto last = first;
    int32_t next = a; // first row not yet known to be covered
    int32_t lo = a;
    int32_t hi = b;
    while (last != runs.end() && last->a <= b + 1) {
        if (last->a > next)
            paint(next, std::min(b, last->a - 1));
        next = std::max(next, last->b + 1);
        lo = std::min(lo, last->a);
        hi = std::max(hi, last->b);
        ++last;
    }
    if (next <= b)
        paint(next, b);
    if (first == last) {
        runs.insert(first, Run{a, b});
    } else {
        *first = Run{lo, hi};
        runs.erase(first + 1, last);
    }
    return true;
}

// One colour over the rows a..b of a block's run in a pixel column.
struct Piece {
    int64_t a;
    int64_t b;
    uint32_t colour; // as stored in the image
};

// Whether any of n heights lies in least..most. Most rows of a big lattice are only looked at
// here, four heights at a time where the processor has vector instructions.
bool anyWithin(const int32_t* h, int32_t n, int64_t least, int64_t most)
{
    if (least > most || least > INT32_MAX || most < INT32_MIN)
        return false;
    const int32_t lo = static_cast<int32_t>(std::max<int64_t>(least, INT32_MIN));
    const int32_t hi = static_cast<int32_t>(std::min<int64_t>(most, INT32_MAX));
    int32_t j = 0;
#if defined(__SSE2__)
    const __m128i below = _mm_set1_epi32(lo);
    const __m128i above = _mm_set1_epi32(hi);
    __m128i outside = _mm_set1_epi32(-1);
    for (; j + 4 <= n; j += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + j));
        outside = _mm_and_si128(outside, _mm_or_si128(_mm_cmplt_epi32(v, below), _mm_cmpgt_epi32(v, above)));
    }
    if (_mm_movemask_epi8(outside) != 0xFFFF)
        return true;
#endif
    for (; j < n; ++j)
        if (h[j] >= lo && h[j] <= hi)
            return true;
    return false;
}

// Rows of a big lattice lie far apart in memory and are read only across a short span each,
// so the span of the row this many rows on is fetched while the current one is looked at.
constexpr int32_t kRowsAhead = 16;

struct Scratch {
    std::vector<std::vector<Run>> columns;
    std::vector<uint8_t> full; // per pixel column: every row painted
};

} // namespace

uint32_t paletteColor(int32_t palette, int32_t band)
{
    static constexpr uint32_t kLevels[4] = {100, 150, 190, 225};
    static constexpr uint32_t kPalette3[4] = {0x6F4F00, 0xBADCDC, 0x3E5B27, 0x79ACAC};
    static constexpr uint32_t kPalette4[4] = {0x784F4E, 0x0000C0, 0x808000, 0x00C0C0};
    if (palette == 3)
        return kPalette3[(band >= 0 && band <= 2) ? band : 3];
    const int32_t b = ((band % 4) + 4) % 4;
    switch (palette) {
    case 1:
        return kLevels[b];
    case 2:
        return kLevels[b] << 16;
    case 4:
        return kPalette4[b];
    default:
        return kLevels[b] << 8;
    }
}

void drawSurface(const Symulacja& sim, Bitmap& bitmap, int32_t ox, int32_t oy, int32_t c)
{
    Canvas& canvas = bitmap.canvas();
    const int32_t width = bitmap.width();
    const int32_t height = bitmap.height();
    // The clear comes first in the back-to-front order, so everything else goes over it.
    canvas.rectangle(0, 0, width, height);

    const Tablica* lattice = sim.lattice.get();
    const int32_t rows = lattice ? std::min(sim.sizeY, lattice->height) : 0;
    const int32_t cols = lattice ? std::min(sim.sizeX, lattice->width) : 0;
    if (rows <= 0 || cols <= 0)
        return;
    // The outline is the last thing each block draws, so the pen is left edge grey.
    canvas.setPenColor(kEdge);
    if (width <= 0 || height <= 0)
        return;

    const BlockGeometry geometry(ox, oy, c);
    const uint32_t edge = Canvas::pixelOf(kEdge);
    const uint32_t frontFace = Canvas::pixelOf(kFrontFace);
    const uint32_t rightFace = Canvas::pixelOf(kRightFace);
    uint32_t* bits = reinterpret_cast<uint32_t*>(bitmap.image().bits());
    const int64_t stride = bitmap.image().bytesPerLine() / 4;

    thread_local Scratch scratch;
    auto& columns = scratch.columns;
    if (columns.size() < static_cast<size_t>(width))
        columns.resize(static_cast<size_t>(width));
    for (int32_t x = 0; x < width; ++x)
        columns[static_cast<size_t>(x)].clear();

    const int64_t offset = sim.heightOffset;
    auto& full = scratch.full;
    full.assign(static_cast<size_t>(width), 0);
    int32_t fullColumns = 0;
    for (int32_t i = rows - 1; i >= 0; --i) {
        const int32_t* row = lattice->row(i);
        const int32_t* frontRow = i + 1 < rows ? lattice->row(i + 1) : nullptr;
        // Only the blocks of this row in these lattice columns meet the bitmap's columns, and
        // only those of some heights its rows; most rows of a big lattice end here.
        const ColumnSpan span = geometry.columnsReaching(i, width);
        if (span.first > cols - 1 || span.last < 0 || span.first > span.last)
            continue;
        const int32_t jFirst = static_cast<int32_t>(std::max<int64_t>(span.first, 0));
        const int32_t jLast = static_cast<int32_t>(std::min<int64_t>(span.last, cols - 1));
        if (i >= kRowsAhead) { // its span starts a little further left; close enough
            const int32_t* ahead = lattice->row(i - kRowsAhead);
            for (int32_t j = jFirst; j <= jLast; j += 16) // 16 heights to a cache line
                __builtin_prefetch(ahead + j);
        }
        const HeightSpan reach = geometry.heightsReaching(i, height);
        const bool everyHeightReaches = reach.least <= INT32_MIN && reach.most >= INT32_MAX;
        if (!everyHeightReaches &&
            !anyWithin(row + jFirst, jLast - jFirst + 1, reach.least, reach.most))
            continue;
        for (int32_t j = jLast; j >= jFirst; --j) {
            const int64_t h = row[j];
            const BlockBounds box = geometry.bounds(i, j, h);
            if (box.upper >= height || box.lower < 0)
                continue;
            const int64_t x = geometry.anchorX(i, j);
            const int64_t dLo = std::max<int64_t>(box.left, 0) - x;
            const int64_t dHi = std::min<int64_t>(box.right, int64_t(width) - 1) - x;
            const int64_t pixels = h * geometry.cellSize();
            const int64_t right = j + 1 < cols ? row[j + 1] : 0;
            const int64_t front = frontRow ? frontRow[j] : 0;
            const bool drawFront = front < pixels;
            const bool drawRight = right < pixels;
            const int32_t band = static_cast<int32_t>((h + offset) % 4);
            const uint32_t topColour = Canvas::pixelOf(paletteColor(sim.palette, band));

            for (int64_t d = dLo; d <= dHi; ++d) {
                const BlockSlice slice = geometry.slice(i, h, static_cast<int32_t>(d));
                Piece pieces[3];
                int n = 0;
                pieces[n++] = Piece{slice.edgeRow, slice.edgeRow, edge};
                pieces[n++] = Piece{slice.topFirst, slice.topLast, topColour};
                bool face;
                uint32_t faceColour;
                switch (slice.face) {
                case BlockSlice::Face::LeftEdge:
                    face = true;
                    faceColour = edge;
                    break;
                case BlockSlice::Face::Front:
                    face = drawFront;
                    faceColour = frontFace;
                    break;
                default:
                    face = drawRight;
                    faceColour = rightFace;
                    break;
                }
                if (face && slice.faceFirst <= slice.faceLast)
                    pieces[n++] = Piece{slice.faceFirst, slice.faceLast, faceColour};
                int64_t runA = pieces[0].a;
                int64_t runB = pieces[0].b;
                for (int p = 1; p < n; ++p) {
                    if (pieces[p].a > pieces[p].b)
                        continue;
                    runA = std::min(runA, pieces[p].a);
                    runB = std::max(runB, pieces[p].b);
                }
                runA = std::max<int64_t>(runA, 0);
                runB = std::min<int64_t>(runB, height - 1);
                if (runA > runB)
                    continue;
                const int64_t px = x + d;
                std::vector<Run>& covered = columns[static_cast<size_t>(px)];
                if (full[static_cast<size_t>(px)])
                    continue;
                uint32_t* column = bits + px;
                const bool painted = paintUncovered(
                    covered, static_cast<int32_t>(runA), static_cast<int32_t>(runB),
                    [&](int32_t r1, int32_t r2) {
                        for (int p = 0; p < n; ++p) {
                            const int64_t a = std::max<int64_t>(pieces[p].a, r1);
                            const int64_t b = std::min<int64_t>(pieces[p].b, r2);
                            if (a > b)
                                continue;
                            uint32_t* out = column + a * stride;
                            for (int64_t r = a; r <= b; ++r, out += stride)
                                *out = pieces[p].colour;
                        }
                    });
                // Once every pixel is painted, nothing farther back can show.
                if (painted && covered.size() == 1 && covered[0].a == 0 && covered[0].b == height - 1) {
                    full[static_cast<size_t>(px)] = 1;
                    if (++fullColumns == width)
                        return;
                }
            }
        }
    }
}
