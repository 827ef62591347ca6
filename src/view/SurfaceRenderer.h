#pragma once
// drawSurface: the isometric block picture of a simulation's lattice. (ox, oy) is the anchor of
// cell (0, 0) in bitmap pixels, c the cell size in pixels (5..10 from the zoom bar).
#include <cstdint>

class Bitmap;
class Symulacja;

// The top colour (0x00BBGGRR) of band 0..3 in palette 0..4.
uint32_t paletteColor(int32_t palette, int32_t band);

void drawSurface(const Symulacja& sim, Bitmap& bitmap, int32_t ox, int32_t oy, int32_t c);
