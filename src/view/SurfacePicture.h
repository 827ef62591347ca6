#pragma once
// surfacePicture: the 600 x 400 surface picture of a simulation as the window shows it after a
// tick and the batch tool writes it: the bitmap is painted once when the film starts (Reset)
// and again after the tick, and the first painting leaves the renderer's pen, which the outline
// of the picture takes. (ox, oy) is the anchor of cell (0, 0) in bitmap pixels, c the cell size.
#include <QImage>

#include <cstdint>

class Symulacja;

QImage surfacePicture(const Symulacja& sim, int32_t ox, int32_t oy, int32_t c);
