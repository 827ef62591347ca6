#include "chart/ChartPicture.h"

ChartPicture::ChartPicture(int32_t style, double earlierMax)
    : style_(style), bitmap_(chartPictureWidth, chartPictureHeight)
{
    chart_.maxValue = earlierMax;
    chart_.clear(bitmap_);
}

void ChartPicture::add(double roughness)
{
    chart_.addValue(roughness);
    chart_.draw(bitmap_, chartPictureHeight, style_);
}
