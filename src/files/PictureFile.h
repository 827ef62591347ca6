#pragma once
// Picture files of a bitmap, and the rules that turn a chosen file name into export and frame
// names. "/" is the directory separator; extensions are compared byte for byte, case counts,
// except for the formats that say otherwise (anyCase).
#include <cstdint>
#include <string>

class QImage;

// The text from the last "." after the last "/", the dot included; empty when there is none.
std::string fileExtension(const std::string& name);
// directory + name up to its first "." (excluded) + extension: a.b.jpg -> a.jpg
std::string exportFileName(const std::string& chosen);
// directory + name up to and including its first "." + number + extension: a.b.jpg, 7 -> a.007.jpg
std::string frameFileName(const std::string& chosen, int32_t index);
// 000..099, 100.., 1000 ...
std::string frameNumber(int32_t index);

// The formats a picture may be written in, each chosen by its extension: ".bmp" a 24-bit BMP,
// ".jpg" a baseline colour JPEG at quality 90, ".png" a PNG through Qt's image writer.
struct PictureFormats {
    bool bmp = false;
    bool jpeg = false;
    bool png = false;
    bool anyCase = false; // the extension in any letter case: ".PNG" as ".png"
};
// The window's surface pictures and frames: BMP and JPEG.
inline constexpr PictureFormats surfacePictureFormats{.bmp = true, .jpeg = true};
// The analysis window's pictures: PNG as well.
inline constexpr PictureFormats everyPictureFormat{.bmp = true, .jpeg = true, .png = true};
// The batch tool's pictures: every format, named in any letter case.
inline constexpr PictureFormats batchPictureFormats{.bmp = true, .jpeg = true, .png = true, .anyCase = true};

// Whether `fileName` ends in the extension of one of `formats`.
bool isPictureName(const std::string& fileName, PictureFormats formats);

// Writes by the extension when its format is among `formats`; any other extension writes
// nothing and returns false. A file that cannot be created throws AppError "Cannot create file
// <name>" and leaves no partial file.
bool savePicture(const QImage& image, const std::string& fileName, PictureFormats formats = surfacePictureFormats);
void writeBmp(const QImage& image, const std::string& fileName);
void writeJpeg(const QImage& image, const std::string& fileName);
void writePng(const QImage& image, const std::string& fileName);
