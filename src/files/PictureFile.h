#pragma once
// Picture files of a bitmap, and the rules that turn a chosen file name into export and frame
// names. "/" is the directory separator; extensions are compared byte for byte, case counts.
#include "model/AppError.h"

#include <cstdint>
#include <optional>
#include <string>

class QImage;

// A picture file that cannot be created. Its message is the window's, "Cannot create file
// <name>"; reason() says why in the system's words ("No space left on device").
class PictureFileError : public FileError {
public:
    PictureFileError(const std::string& fileName, std::string reason, int errorNumber = 0)
        : FileError(kindOf(errorNumber), fileName, "Cannot create file " + fileName), reason_(std::move(reason))
    {
    }
    const std::string& reason() const { return reason_; }

private:
    std::string reason_;
};

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
    bool anyCase = false; // ".PNG" as ".png"
};
// The window's surface pictures and frames: BMP and JPEG, the extension exactly.
inline constexpr PictureFormats surfacePictureFormats{.bmp = true, .jpeg = true};
// The batch tool's pictures and the analysis window's: PNG as well, in any letter case.
inline constexpr PictureFormats everyPictureFormat{.bmp = true, .jpeg = true, .png = true, .anyCase = true};

enum class PictureFormat { Bmp, Jpeg, Png };
// The format a name's extension chooses among `formats`; none for any other extension.
std::optional<PictureFormat> pictureFormat(const std::string& fileName, PictureFormats formats = everyPictureFormat);

// Writes by the extension when its format is among `formats`; any other extension writes
// nothing and returns false. A file that cannot be created throws PictureFileError and leaves no
// partial file.
bool savePicture(const QImage& image, const std::string& fileName, PictureFormats formats = surfacePictureFormats);
void writeBmp(const QImage& image, const std::string& fileName);
void writeJpeg(const QImage& image, const std::string& fileName);
void writePng(const QImage& image, const std::string& fileName);
