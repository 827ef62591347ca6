#include "view/SurfacePicture.h"

#include "gfx/Bitmap.h"
#include "view/SurfaceRenderer.h"

QImage surfacePicture(const Symulacja& sim, int32_t ox, int32_t oy, int32_t c)
{
    Bitmap bitmap(surfacePictureWidth, surfacePictureHeight);
    // The start painting: any lattice with cells leaves the same pen, so painting this one
    // stands for painting the film as it started.
    drawSurface(sim, bitmap, ox, oy, c);
    drawSurface(sim, bitmap, ox, oy, c);
    return bitmap.image();
}
