#pragma once
// Picture files of a bitmap, and the rules that turn a chosen file name into export and frame
// names. "/" is the directory separator; extensions are compared byte for byte, case counts,
// except by pictureFormat.
#include <cstdint>
#include <optional>
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

// Writes by the extension: ".bmp" a 24-bit BMP, ".jpg" a baseline colour JPEG at quality 90.
// Any other extension writes nothing and returns false. A file that cannot be created throws
// AppError "Cannot create file <name>" and leaves no partial file.
bool savePicture(const QImage& image, const std::string& fileName);
void writeBmp(const QImage& image, const std::string& fileName);
void writeJpeg(const QImage& image, const std::string& fileName);
// PNG through Qt's image writer (the batch tool accepts it too).
void writePng(const QImage& image, const std::string& fileName);

// The batch tool's picture formats, chosen by the extension in any letter case: ".bmp", ".jpg",
// ".png" (".PNG" as ".png"); none for any other. The window's own export keeps its exact rule
// (savePicture).
enum class PictureFormat { Bmp, Jpeg, Png };
std::optional<PictureFormat> pictureFormat(const std::string& fileName);
// Writes `image` in `format`, with the failures of savePicture.
void writePicture(const QImage& image, const std::string& fileName, PictureFormat format);
