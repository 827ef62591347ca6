#pragma once
// drawSurface: the isometric block picture of a simulation's lattice. (ox, oy) is the anchor of
// cell (0, 0) in bitmap pixels, c the cell size in pixels (5..10 from the zoom bar).
#include <cstdint>

class Bitmap;

// The size of the surface picture the window shows and the batch tool writes, in pixels.
constexpr int32_t surfacePictureWidth = 600;
constexpr int32_t surfacePictureHeight = 400;
class Symulacja;

// The top colour (0x00BBGGRR) of band 0..3 in palette 0..4. A band below 0 (negative heights
// from a layer file) takes palette 3's fourth colour in palette 3 and continues the four-band
// cycle downwards in the others (-1 as 3, -2 as 2, ...); a palette outside 0..4 draws as 0.
uint32_t paletteColor(int32_t palette, int32_t band);

void drawSurface(const Symulacja& sim, Bitmap& bitmap, int32_t ox, int32_t oy, int32_t c);
