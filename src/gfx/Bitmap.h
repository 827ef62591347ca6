#pragma once
// Bitmap: an off-screen picture (QImage, Format_RGB32) with its canvas. Made without a size,
// sized once; not copyable, since its canvas draws into its own pixels.
#include "gfx/Canvas.h"

#include <QImage>

#include <cstdint>

class Bitmap {
public:
    Bitmap() : canvas_(&image_) {}
    Bitmap(int width, int height) : canvas_(&image_) { setSize(width, height); }
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    // New pixels, all white; the canvas keeps its pen.
    void setSize(int width, int height);
    int width() const { return image_.width(); }
    int height() const { return image_.height(); }

    Canvas& canvas() { return canvas_; }
    const QImage& image() const { return image_; }
    QImage& image() { return image_; }

    // The colour of one pixel as 0x00BBGGRR; 0xFFFFFFFF for a point outside the bitmap.
    uint32_t pixel(int x, int y) const;

private:
    QImage image_;
    Canvas canvas_;
};
