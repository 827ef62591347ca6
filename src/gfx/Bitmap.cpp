#include "gfx/Bitmap.h"

#include <algorithm>

void Bitmap::setSize(int width, int height)
{
    image_ = QImage(std::max(width, 0), std::max(height, 0), QImage::Format_RGB32);
    image_.fill(0xFFFFFFFFu);
}

uint32_t Bitmap::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height())
        return 0xFFFFFFFFu; // no pixel there: not a colour
    return Canvas::colourOf(reinterpret_cast<const uint32_t*>(image_.constScanLine(y))[x]);
}
