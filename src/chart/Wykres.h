#pragma once
// Wykres: the roughness history (a ring of 460 values) and its strip chart, drawn into a
// bitmap in the sweep style (0) or the scrolling style (any other). Values are roughness in
// layers; the scale is in pixels per layer.
#include <cstdint>
#include <vector>

class Bitmap;

// The size of the chart picture the window shows and the batch tool writes, in pixels.
constexpr int32_t chartPictureWidth = 490;
constexpr int32_t chartPictureHeight = 170;

class Wykres {
public:
    Wykres();

    int32_t writeIndex = 0;   // slot of the next value
    int32_t capacity = 460;   // slots
    int32_t scaleFactor = 150;
    std::vector<double> values;
    double maxValue = 0.0;    // never decreases

    void addValue(double v);
    // The whole bitmap white.
    void clear(Bitmap& bitmap) const;
    // Draws the newest state; `height` is the bitmap's height, `style` the chart style.
    void draw(Bitmap& bitmap, int32_t height, int32_t style);
};
