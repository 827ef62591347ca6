#pragma once
// ChartPicture: the roughness chart as the window and the batch tool keep it: a 490 x 170
// bitmap cleared when the film starts, to which every tick adds its roughness (in layers) and
// draws the chart in one style (0 sweep, 1 scrolling). The chart is drawn a tick at a time, so
// its pixels depend on the whole history, not only on the last 460 values.
#include "chart/Wykres.h"
#include "gfx/Bitmap.h"

#include <cstdint>

class ChartPicture {
public:
    // `earlierMax`: the largest roughness of ticks before the first one added, which the chart
    // does not draw but whose scale it takes.
    explicit ChartPicture(int32_t style, double earlierMax = 0.0);

    // One tick's roughness, drawn.
    void add(double roughness);

    const QImage& image() const { return bitmap_.image(); }
    int32_t style() const { return style_; }

private:
    int32_t style_;
    Wykres chart_;
    Bitmap bitmap_;
};
