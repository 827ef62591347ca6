#include "view/BlockGeometry.h"

#include "model/SettingsTable.h"

#include <algorithm>
#include <limits>

namespace {

// Division rounding toward minus infinity (the divisor is positive).
int64_t floorDiv(int64_t a, int64_t b)
{
    const int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

int64_t ceilDiv(int64_t a, int64_t b)
{
    return -floorDiv(-a, b);
}

} // namespace

BlockGeometry::BlockGeometry(int32_t ox, int32_t oy, int32_t c)
    : ox_(ox), oy_(oy), c_(std::clamp(c, settingKey(Setting::Zoom).low, settingKey(Setting::Zoom).high)), s_(c_ - 3)
{
}

ColumnSpan BlockGeometry::columnsReaching(int64_t row, int64_t width) const
{
    if (width <= 0)
        return ColumnSpan{0, -1};
    // x + s - 1 >= 0 and x - c + 1 <= width - 1, with x = ox + c*col - s*row.
    const int64_t shift = s_ * row - ox_;
    return ColumnSpan{ceilDiv(shift - (s_ - 1), c_), floorDiv(shift + width - 2 + c_, c_)};
}

HeightSpan BlockGeometry::heightsReaching(int64_t row, int64_t height) const
{
    HeightSpan out{std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max()};
    if (height <= 0)
        return HeightSpan{1, 0};
    // A block covers the rows min(T, y) - s + 1 .. max(T, y), T = y - h*c. Its upper end is
    // above the bitmap's last row when y - s + 1 is, or else when T - s + 1 is; its lower end
    // is not above row 0 when y is not, or else when T is not.
    const int64_t y = anchorY(row);
    if (y - (s_ - 1) > height - 1)
        out.least = ceilDiv(y - (s_ - 1) - (height - 1), c_);
    if (y < 0)
        out.most = floorDiv(y, c_);
    return out;
}
