#pragma once
// Canvas: the drawing rules of the program's pictures on a pixel buffer. Coordinates are
// bitmap pixels (x right, y down); colours are 0x00BBGGRR. Lines include their start point
// and exclude their end point; every primitive is clipped to the bitmap before its pixel loop.
// The pen keeps its colour and width between calls. A 2-pixel pen adds to each pixel of the
// thin line its neighbour on the left (steep and 45-degree lines) or above (flat lines).
// Coordinates beyond +-2^61 are taken as +-2^61.
#include <QString>

#include <cstdint>

class QImage;

class Canvas {
public:
    explicit Canvas(QImage* image) : image_(image) {}

    // A 0x00BBGGRR colour as the opaque 0xAARRGGBB pixel of the image, and back.
    static constexpr uint32_t pixelOf(uint32_t bgr)
    {
        return 0xFF000000u | ((bgr & 0xFFu) << 16) | (bgr & 0xFF00u) | ((bgr >> 16) & 0xFFu);
    }
    static constexpr uint32_t colourOf(uint32_t pixel) { return pixelOf(pixel) & 0xFFFFFFu; }

    void setPenColor(uint32_t bgr) { penColor_ = bgr; }
    uint32_t penColor() const { return penColor_; }
    void setPenWidth(int width) { penWidth_ = width; }
    int penWidth() const { return penWidth_; }

    void moveTo(int64_t x, int64_t y);
    // A line from the current position to (x, y), end point excluded; (x, y) becomes current.
    void lineTo(int64_t x, int64_t y);
    // Interior filled white (the brush), outline of the rectangle x1..x2-1, y1..y2-1 in the pen,
    // one pixel wide whatever the pen width.
    void rectangle(int64_t x1, int64_t y1, int64_t x2, int64_t y2);
    // Text in the default font, black on white, top-left corner at (x, y). Needs a
    // QGuiApplication; without one nothing is drawn.
    void textOut(int x, int y, const QString& text);

private:
    QImage* image_;
    uint32_t penColor_ = 0x000000; // black, the default pen
    int penWidth_ = 1;
    int64_t curX_ = 0;
    int64_t curY_ = 0;
};
