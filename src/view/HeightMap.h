#pragma once
// HeightMap: a top view of a lattice, one pixel per cell (pixel (x, y) is column x, row y),
// coloured by height with the viridis colour map: the lattice's lowest height takes its first
// colour (dark violet), the highest its last (yellow), heights between them one of 256 equal
// steps. A flat lattice is all the first colour. Heights are in layers.
#include <QImage>

#include <cstdint>
#include <string>

struct HeightMap {
    QImage image;    // Format_RGB32; null for a lattice without cells
    int32_t min = 0; // the heights of the first and last colours
    int32_t max = 0;
};

// heights: rows x cols values, row after row.
HeightMap heightMap(const int32_t* heights, int32_t rows, int32_t cols);

// Writes by the extension, in any letter case: ".png" with the range in its text entries "Tessavo-Min" and
// "Tessavo-Max" (decimal) and a "Description", ".bmp" a 24-bit BMP. Any other extension
// writes nothing and returns false. A map without pixels, or a file that cannot be created,
// throws PictureFileError and leaves no partial file.
bool saveHeightMap(const HeightMap& map, const std::string& fileName);
