#include "chart/Wykres.h"

#include "gfx/Bitmap.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

namespace {

constexpr int32_t kMargin = 10;
constexpr uint32_t kRed = 0x0000FF;
constexpr uint32_t kGreen = 0x008000;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0x000000;

struct Scale {
    double below; // the row holds values from the previous row's bound up to this one
    int32_t factor;
    const char* label;
};

// The scale rows from the top; each bound belongs to the row that starts at it.
constexpr Scale kScales[] = {
    {1.0, 150, "1.0"}, {1.5, 100, "1.5"}, {2.0, 75, "2.0"}, {3.0, 50, "3.0"},
    {5.0, 30, "5.0"},  {10.0, 15, "10.0"}, {std::numeric_limits<double>::infinity(), 3, "50.0"},
};

// The first row whose bound the largest value stays below; the last row takes the rest.
const Scale& scaleFor(double maxValue)
{
    for (const Scale& row : kScales)
        if (maxValue < row.below)
            return row;
    return kScales[std::size(kScales) - 1];
}

// The row of value v: height - margin - trunc(v * f), the product in extended precision.
// Values whose row lies beyond +-2^40 pixels (and NaN) are all placed there: they are off the
// bitmap either way, and the row stays a defined 64-bit number.
int64_t plotY(double v, int32_t factor, int32_t height)
{
    constexpr long double kFar = 1099511627776.0L; // 2^40
    const long double scaled = std::trunc(static_cast<long double>(v) * factor);
    if (std::isnan(scaled) || scaled > kFar)
        return -static_cast<int64_t>(kFar);
    if (scaled < -kFar)
        return static_cast<int64_t>(kFar);
    return static_cast<int64_t>(height) - kMargin - static_cast<int64_t>(scaled);
}

} // namespace

Wykres::Wykres() : values(static_cast<size_t>(capacity), 0.0) {}

void Wykres::addValue(double v)
{
    values[static_cast<size_t>(writeIndex)] = v;
    if (v > maxValue)
        maxValue = v;
    if (writeIndex < capacity - 1)
        ++writeIndex;
    else
        writeIndex = 0;
}

void Wykres::clear(Bitmap& bitmap) const
{
    Canvas& canvas = bitmap.canvas();
    canvas.setPenWidth(1);
    canvas.rectangle(-1, -1, int64_t(bitmap.width()) + 1, int64_t(bitmap.height()) + 1);
}

void Wykres::draw(Bitmap& bitmap, int32_t height, int32_t style)
{
    const Scale& scale = scaleFor(maxValue);
    if (scaleFactor != scale.factor) {
        clear(bitmap);
        scaleFactor = scale.factor;
    }
    const int32_t f = scale.factor;
    const int64_t h = height;
    Canvas& canvas = bitmap.canvas();
    auto line = [&canvas](int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
        canvas.moveTo(x1, y1);
        canvas.lineTo(x2, y2);
    };
    auto before = [this](int32_t k) { return k > 0 ? k - 1 : capacity - 1; };

    if (style == 0) {
        // Sweep: cursor, eraser one column behind it, and the newest value.
        const int32_t p = before(writeIndex);
        canvas.setPenWidth(1);
        canvas.setPenColor(kRed);
        line(writeIndex, kMargin, writeIndex, h - kMargin);
        canvas.setPenColor(kWhite);
        line(p, kMargin, p, h - kMargin);
        canvas.setPenWidth(2);
        canvas.setPenColor(kGreen);
        const int64_t y = plotY(values[static_cast<size_t>(p)], f, height);
        line(p, y, int64_t(p) + 1, y - 2);
    } else {
        // Scrolling: the oldest slot at x 0, the newest at x capacity - 1. Every value moved
        // one column left since the last call, so the slot before k was drawn at k's column.
        auto mark = [&](int32_t x, double v) {
            const int64_t y = plotY(v, f, height);
            line(x, y, x, y + 2);
        };
        canvas.setPenWidth(2);
        canvas.setPenColor(kWhite);
        for (int32_t k = writeIndex; k < capacity; ++k) {
            const double v = values[static_cast<size_t>(before(k))];
            if (v > 0)
                mark(k - writeIndex, v);
        }
        for (int32_t k = 0; k < writeIndex; ++k)
            mark(capacity - writeIndex + k, values[static_cast<size_t>(before(k))]);
        canvas.setPenColor(kGreen);
        for (int32_t k = writeIndex; k < capacity; ++k) {
            const double v = values[static_cast<size_t>(k)];
            if (v > 0)
                mark(k - writeIndex, v);
        }
        for (int32_t k = 0; k < writeIndex; ++k)
            mark(capacity - writeIndex + k, values[static_cast<size_t>(k)]);
    }

    canvas.setPenWidth(1);
    canvas.setPenColor(kBlack);
    line(0, kMargin, capacity, kMargin);
    line(0, h - kMargin, capacity, h - kMargin);
    line(0, kMargin, 0, h - kMargin);
    line(capacity, kMargin, capacity, h - kMargin);
    canvas.textOut(capacity + 3, kMargin - 5, QString::fromLatin1(scale.label));
    // Formed in 64 bits: a height near the int32 limits puts the label far off the bitmap.
    const int64_t zeroLabelY = std::max<int64_t>(h - kMargin - 5, std::numeric_limits<int>::min());
    canvas.textOut(capacity + 3, static_cast<int>(zeroLabelY), QStringLiteral("0"));
    canvas.textOut(5, 15, QStringLiteral("Roughness"));
}
