#include "gfx/Canvas.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>

namespace {

using Wide = __int128;

Wide absWide(Wide v) { return v < 0 ? -v : v; }

// Coordinates are taken within +-2^61 pixels (far beyond any picture), which keeps the
// line arithmetic below inside 128 bits.
constexpr int64_t kCoordLimit = int64_t(1) << 61;
int64_t limitCoord(int64_t v) { return std::clamp(v, -kCoordLimit, kCoordLimit); }

// Floor and ceiling of a / b for b > 0.
Wide floorDiv(Wide a, Wide b)
{
    Wide q = a / b;
    if ((a % b != 0) && (a < 0))
        --q;
    return q;
}

Wide ceilDiv(Wide a, Wide b)
{
    Wide q = a / b;
    if ((a % b != 0) && (a > 0))
        ++q;
    return q;
}

} // namespace

void Canvas::moveTo(int64_t x, int64_t y)
{
    curX_ = x;
    curY_ = y;
}

// Thin lines step like the platform's cosmetic line primitive: Bresenham along the major axis
// (the one with the longer extent; a 45-degree line counts as y-major), the end point left out.
// Where the ideal line passes exactly half-way between two pixels, the diamond-exit rule decides
// by the line's direction (y down): lines heading steeply down-left, flatly or steeply up-left,
// or flatly up-right take the minor step at the tie, all others stay. (Octants 3, 5, 6 and 8,
// numbered from +x towards +y; a 45-degree line counts as steep.) Pixel i of the line (i = 0 .. M-1, M the major
// extent, m the minor one) therefore lies k(i) = floor((2 m i + M + bias - 1) / (2 M)) minor
// steps from the start, which lets the visible part be found before any pixel is touched.
//
// Pens wider than one pixel: a 2-pixel pen covers the thin line and, beside each of its pixels,
// the neighbour to the left (lines that are steeper than flat or at 45 degrees) or above (flat
// lines) -- the band of width 2 centred on the line, with its left/top edge included and its
// right/bottom edge left out, as the platform fills wide lines. A pen of width w covers the
// offsets -(w/2) .. (w-1)/2 across the line.
void Canvas::lineTo(int64_t x, int64_t y)
{
    const int64_t x0 = limitCoord(curX_);
    const int64_t y0 = limitCoord(curY_);
    curX_ = x;
    curY_ = y;
    if (image_ == nullptr || image_->isNull())
        return;
    x = limitCoord(x);
    y = limitCoord(y);

    const Wide dx = Wide(x) - x0;
    const Wide dy = Wide(y) - y0;
    if (dx == 0 && dy == 0)
        return;

    int octant;
    if (dy > 0)
        octant = dx > 0 ? (dx > dy ? 1 : 2) : (-dx > dy ? 4 : 3);
    else
        octant = dx < 0 ? (-dx > -dy ? 5 : 6) : (dx > -dy ? 8 : 7);
    const int bias = (octant == 3 || octant == 5 || octant == 6 || octant == 8) ? 1 : 0;

    const bool xMajor = absWide(dx) > absWide(dy);
    const Wide major = xMajor ? absWide(dx) : absWide(dy);
    const Wide minor = xMajor ? absWide(dy) : absWide(dx);
    const int majStep = (xMajor ? dx : dy) > 0 ? 1 : -1;
    const int minStep = (xMajor ? dy : dx) > 0 ? 1 : -1;
    const Wide maj0 = xMajor ? x0 : y0;
    const Wide min0 = xMajor ? y0 : x0;

    const int width = image_->width();
    const int height = image_->height();
    const int pen = std::max(1, penWidth_);
    const int offLo = -(pen / 2);
    const int offHi = (pen - 1) / 2;
    // The thin pixel may lie just outside the bitmap while a widening neighbour lies inside.
    const Wide majLimit = (xMajor ? width : height) - 1;
    const Wide minLo = -offHi;
    const Wide minHi = (xMajor ? height : width) - 1 - offLo;

    // Steps i along the major axis whose major coordinate is visible.
    Wide iLo = 0;
    Wide iHi = major - 1;
    if (majStep > 0) {
        iLo = std::max(iLo, -maj0);
        iHi = std::min(iHi, majLimit - maj0);
    } else {
        iLo = std::max(iLo, maj0 - majLimit);
        iHi = std::min(iHi, maj0);
    }
    // Minor offsets k that are visible, then the steps that reach them.
    // Every pixel of the line has 0 <= k <= minor.
    const Wide kLo = std::max<Wide>(0, minStep > 0 ? minLo - min0 : min0 - minHi);
    const Wide kHi = std::min<Wide>(minor, minStep > 0 ? minHi - min0 : min0 - minLo);
    if (kLo > kHi)
        return;
    if (minor == 0) {
        if (kLo > 0 || kHi < 0)
            return;
    } else {
        iLo = std::max(iLo, ceilDiv(2 * major * kLo - major - bias + 1, 2 * minor));
        iHi = std::min(iHi, ceilDiv(2 * major * (kHi + 1) - major - bias + 1, 2 * minor) - 1);
    }
    if (iLo > iHi)
        return;

    const uint32_t colour = pixelOf(penColor_);
    uint32_t* bits = reinterpret_cast<uint32_t*>(image_->bits());
    const int64_t stride = image_->bytesPerLine() / 4;
    auto plot = [&](int64_t px, int64_t py) {
        if (px >= 0 && px < width && py >= 0 && py < height)
            bits[py * stride + px] = colour;
    };

    Wide k = floorDiv(2 * minor * iLo + major + bias - 1, 2 * major);
    // e >= 0 exactly when the step after pixel i moves along the minor axis too.
    Wide e = 2 * minor * (iLo + 1) + major + bias - 1 - 2 * major * (k + 1);
    for (Wide i = iLo; i <= iHi; ++i) {
        const int64_t pMaj = static_cast<int64_t>(maj0 + i * majStep);
        const int64_t pMin = static_cast<int64_t>(min0 + k * minStep);
        // Only the offsets that land inside the bitmap: a wide pen costs what its visible
        // pixels cost.
        const int64_t minSize = xMajor ? height : width;
        const int64_t oLo = std::max<int64_t>(offLo, -pMin);
        const int64_t oHi = std::min<int64_t>(offHi, minSize - 1 - pMin);
        for (int64_t o = oLo; o <= oHi; ++o) {
            if (xMajor)
                plot(pMaj, pMin + o);
            else
                plot(pMin + o, pMaj);
        }
        if (e >= 0) {
            ++k;
            e += 2 * minor - 2 * major;
        } else {
            e += 2 * minor;
        }
    }
}

// The outline is one pixel wide whatever the pen width (the program draws rectangles with a
// 1-pixel pen only). The corners are normalised first, so (x2, y2) may lie above or left.
void Canvas::rectangle(int64_t x1, int64_t y1, int64_t x2, int64_t y2)
{
    if (image_ == nullptr || image_->isNull())
        return;
    x1 = limitCoord(x1);
    y1 = limitCoord(y1);
    x2 = limitCoord(x2);
    y2 = limitCoord(y2);
    if (x2 < x1)
        std::swap(x1, x2);
    if (y2 < y1)
        std::swap(y1, y2);
    if (x2 == x1 || y2 == y1)
        return;
    const int64_t width = image_->width();
    const int64_t height = image_->height();
    uint32_t* bits = reinterpret_cast<uint32_t*>(image_->bits());
    const int64_t stride = image_->bytesPerLine() / 4;

    // Rows ya..yb and columns xa..xb inclusive, clipped before the loop.
    auto fill = [&](int64_t xa, int64_t ya, int64_t xb, int64_t yb, uint32_t colour) {
        xa = std::max<int64_t>(xa, 0);
        ya = std::max<int64_t>(ya, 0);
        xb = std::min<int64_t>(xb, width - 1);
        yb = std::min<int64_t>(yb, height - 1);
        if (xa > xb || ya > yb)
            return;
        for (int64_t r = ya; r <= yb; ++r)
            std::fill(bits + r * stride + xa, bits + r * stride + xb + 1, colour);
    };

    fill(x1 + 1, y1 + 1, x2 - 2, y2 - 2, 0xFFFFFFFFu);
    const uint32_t pen = pixelOf(penColor_);
    fill(x1, y1, x2 - 1, y1, pen);
    fill(x1, y2 - 1, x2 - 1, y2 - 1, pen);
    fill(x1, y1, x1, y2 - 1, pen);
    fill(x2 - 1, y1, x2 - 1, y2 - 1, pen);
}

// Text needs Qt's font machinery, which exists only with a GUI application object; without
// one the text is left out rather than bringing the process down.
void Canvas::textOut(int x, int y, const QString& text)
{
    if (image_ == nullptr || image_->isNull() || text.isEmpty())
        return;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
        return;
    QFont font = QGuiApplication::font();
    font.setStyleStrategy(QFont::NoAntialias);
    const QFontMetrics metrics(font, image_);
    QPainter painter(image_);
    painter.setFont(font);
    // Opaque: the text cell is filled with the white brush first.
    painter.fillRect(QRect(x, y, metrics.horizontalAdvance(text), metrics.height()), Qt::white);
    painter.setPen(Qt::black);
    painter.drawText(x, y + metrics.ascent(), text);
}
