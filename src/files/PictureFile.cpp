#include "files/PictureFile.h"

#include <cctype>

#include "files/FileReplacer.h"
#include "model/AppError.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <jpeglib.h>

namespace {

[[noreturn]] void cannotCreate(const std::string& fileName, const std::string& reason, int errorNumber = 0)
{
    throw PictureFileError(fileName, reason, errorNumber);
}

// Start of the name after the directory part.
size_t nameStart(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

// The whole file or nothing; an existing target that may not be written is left alone.
void storeFile(const std::string& fileName, const unsigned char* data, size_t size)
{
    FileReplacer file(fileName);
    if (!(file.open() && file.write(data, size) && file.commit(false)))
        cannotCreate(fileName, file.error(), file.errorNumber());
}

void put16(std::vector<unsigned char>& out, size_t at, uint32_t v)
{
    out[at] = static_cast<unsigned char>(v);
    out[at + 1] = static_cast<unsigned char>(v >> 8);
}

void put32(std::vector<unsigned char>& out, size_t at, uint32_t v)
{
    put16(out, at, v & 0xFFFFu);
    put16(out, at + 2, v >> 16);
}

// libjpeg reports errors through a callback that must not return.
struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void jpegFailed(j_common_ptr info)
{
    JpegErrors* errors = reinterpret_cast<JpegErrors*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

// The compressed picture, or an error message. Lives on the heap so that it keeps its contents
// across the library's jump back after an error.
struct JpegOutput {
    unsigned char* data = nullptr;
    unsigned long size = 0;
    char message[JMSG_LENGTH_MAX] = {};
    ~JpegOutput() { std::free(data); }
};

// Colour (YCbCr from RGB), baseline, quality 90; everything else as the library sets it.
// No object with a destructor may live in this function's scope after setjmp.
bool compressJpeg(const QImage& rgb, JpegOutput* out)
{
    jpeg_compress_struct info;
    JpegErrors errors;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jpegFailed;
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&info);
        std::memcpy(out->message, errors.message, sizeof out->message);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &out->data, &out->size);
    info.image_width = static_cast<JDIMENSION>(rgb.width());
    info.image_height = static_cast<JDIMENSION>(rgb.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb.constScanLine(static_cast<int>(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

} // namespace

std::string fileExtension(const std::string& name)
{
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot < nameStart(name))
        return {};
    return name.substr(dot);
}

std::string exportFileName(const std::string& chosen)
{
    const size_t start = nameStart(chosen);
    const size_t dot = chosen.find('.', start);
    const std::string stem = dot == std::string::npos ? chosen : chosen.substr(0, dot);
    return stem + fileExtension(chosen);
}

std::string frameFileName(const std::string& chosen, int32_t index)
{
    const size_t start = nameStart(chosen);
    const size_t dot = chosen.find('.', start);
    const std::string stem = dot == std::string::npos ? chosen : chosen.substr(0, dot + 1);
    return stem + frameNumber(index) + fileExtension(chosen);
}

std::string frameNumber(int32_t index)
{
    const std::string digits = std::to_string(index);
    if (index < 10)
        return "00" + digits;
    if (index < 100)
        return "0" + digits;
    return digits;
}

std::optional<PictureFormat> pictureFormat(const std::string& fileName, PictureFormats formats)
{
    std::string extension = fileExtension(fileName);
    if (formats.anyCase)
        for (char& c : extension)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (formats.bmp && extension == ".bmp")
        return PictureFormat::Bmp;
    if (formats.jpeg && extension == ".jpg")
        return PictureFormat::Jpeg;
    if (formats.png && extension == ".png")
        return PictureFormat::Png;
    return std::nullopt;
}

bool savePicture(const QImage& image, const std::string& fileName, PictureFormats formats)
{
    const std::optional<PictureFormat> format = pictureFormat(fileName, formats);
    if (!format)
        return false;
    switch (*format) {
    case PictureFormat::Bmp:
        writeBmp(image, fileName);
        break;
    case PictureFormat::Jpeg:
        writeJpeg(image, fileName);
        break;
    case PictureFormat::Png:
        writePng(image, fileName);
        break;
    }
    return true;
}

// 24 bits per pixel, rows bottom-up, each padded to a multiple of 4 bytes, no palette.
void writeBmp(const QImage& image, const std::string& fileName)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    const uint32_t width = static_cast<uint32_t>(rgb.width());
    const uint32_t height = static_cast<uint32_t>(rgb.height());
    const size_t rowSize = (size_t(width) * 3 + 3) & ~size_t(3);
    const size_t headerSize = 14 + 40;
    std::vector<unsigned char> out(headerSize + rowSize * height, 0);
    out[0] = 'B';
    out[1] = 'M';
    put32(out, 2, static_cast<uint32_t>(out.size()));
    put32(out, 10, static_cast<uint32_t>(headerSize));
    put32(out, 14, 40);
    put32(out, 18, width);
    put32(out, 22, height);
    put16(out, 26, 1);  // planes
    put16(out, 28, 24); // bits per pixel
    put32(out, 34, static_cast<uint32_t>(rowSize * height));
    put32(out, 38, 3780); // 96 dots per inch
    put32(out, 42, 3780);
    for (uint32_t y = 0; y < height; ++y) {
        const uint32_t* src = reinterpret_cast<const uint32_t*>(rgb.constScanLine(static_cast<int>(y)));
        unsigned char* dst = out.data() + headerSize + size_t(height - 1 - y) * rowSize;
        for (uint32_t x = 0; x < width; ++x) {
            dst[3 * x] = static_cast<unsigned char>(src[x]);           // blue
            dst[3 * x + 1] = static_cast<unsigned char>(src[x] >> 8);  // green
            dst[3 * x + 2] = static_cast<unsigned char>(src[x] >> 16); // red
        }
    }
    storeFile(fileName, out.data(), out.size());
}

void writeJpeg(const QImage& image, const std::string& fileName)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    if (rgb.isNull())
        cannotCreate(fileName, "the picture is empty"); // nothing to compress
    auto out = std::make_unique<JpegOutput>();
    if (!compressJpeg(rgb, out.get()))
        throw AppError(std::string(out->message));
    storeFile(fileName, out->data, out->size);
}

void writePng(const QImage& image, const std::string& fileName)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image))
        cannotCreate(fileName, writer.errorString().toStdString());
    storeFile(fileName, reinterpret_cast<const unsigned char*>(bytes.constData()),
              static_cast<size_t>(bytes.size()));
}
