#include "files/PictureFile.h"

#include "gfx/Bitmap.h"
#include "model/AppError.h"
#include "model/Symulacja.h"
#include "view/SurfaceRenderer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include <jpeglib.h>

namespace {

std::vector<unsigned char> readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t le32(const std::vector<unsigned char>& b, size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24);
}

// A 600 x 400 surface picture with all palettes' colours in it.
void drawPicture(Bitmap& bmp)
{
    Symulacja sim;
    sim.sizeX = 40;
    sim.sizeY = 40;
    sim.palette = 4;
    sim.lattice = std::make_unique<Tablica>(40, 40);
    std::mt19937 gen(11);
    for (int i = 0; i < 40; ++i)
        for (int j = 0; j < 40; ++j)
            sim.lattice->set(int32_t(gen() % 12), i, j);
    drawSurface(sim, bmp, 250, 120, 8);
}

QStringList entries(const QTemporaryDir& dir)
{
    return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

TEST(PictureFile, NamesFromTheChosenFile)
{
    EXPECT_EQ(fileExtension("surf.bmp"), ".bmp");
    EXPECT_EQ(fileExtension("a.b.jpg"), ".jpg");
    EXPECT_EQ(fileExtension("surf"), "");
    EXPECT_EQ(fileExtension("/home/x.y/surf"), "") << "a dot before the last separator does not count";
    EXPECT_EQ(fileExtension("/home/x.y/s.JPG"), ".JPG");

    EXPECT_EQ(exportFileName("surf.bmp"), "surf.bmp");
    EXPECT_EQ(exportFileName("a.b.jpg"), "a.jpg");
    EXPECT_EQ(exportFileName("/tmp/out.d/run.final.bmp"), "/tmp/out.d/run.bmp");
    EXPECT_EQ(exportFileName("/tmp/out.d/run"), "/tmp/out.d/run");

    EXPECT_EQ(frameNumber(0), "000");
    EXPECT_EQ(frameNumber(9), "009");
    EXPECT_EQ(frameNumber(10), "010");
    EXPECT_EQ(frameNumber(99), "099");
    EXPECT_EQ(frameNumber(100), "100");
    EXPECT_EQ(frameNumber(999), "999");
    EXPECT_EQ(frameNumber(1000), "1000");
    EXPECT_EQ(frameNumber(1001), "1001");

    EXPECT_EQ(frameFileName("f.bmp", 0), "f.000.bmp");
    EXPECT_EQ(frameFileName("f.bmp", 9), "f.009.bmp");
    EXPECT_EQ(frameFileName("f.bmp", 10), "f.010.bmp");
    EXPECT_EQ(frameFileName("f.bmp", 99), "f.099.bmp");
    EXPECT_EQ(frameFileName("f.bmp", 100), "f.100.bmp");
    EXPECT_EQ(frameFileName("f.bmp", 1000), "f.1000.bmp");
    EXPECT_EQ(frameFileName("a.b.jpg", 0), "a.000.jpg");
    EXPECT_EQ(frameFileName("/data/v1.2/a.b.jpg", 7), "/data/v1.2/a.007.jpg");
}

TEST(PictureFile, OnlyLowerCaseBmpAndJpgAreWritten)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Bitmap bmp(20, 10);
    const std::string base = dir.path().toStdString() + "/p";
    for (const char* ext : {".BMP", ".JPG", ".jpeg", ".png", ".Bmp", ""})
        EXPECT_FALSE(savePicture(bmp.image(), base + ext)) << ext;
    EXPECT_TRUE(entries(dir).isEmpty());
    EXPECT_TRUE(savePicture(bmp.image(), base + ".bmp"));
    EXPECT_TRUE(savePicture(bmp.image(), base + ".jpg"));
    EXPECT_EQ(entries(dir), (QStringList{"p.bmp", "p.jpg"}));
    // A writer that takes PNG too, and one that takes only PNG.
    EXPECT_TRUE(savePicture(bmp.image(), base + ".png", everyPictureFormat));
    EXPECT_FALSE(savePicture(bmp.image(), base + "2.bmp", {.png = true}));
    EXPECT_EQ(entries(dir), (QStringList{"p.bmp", "p.jpg", "p.png"}));
}

TEST(PictureFile, BmpHas24BitRowsBottomUp)
{
    QTemporaryDir dir;
    Bitmap bmp(600, 400);
    drawPicture(bmp);
    bmp.canvas().setPenColor(0x0000FF);
    bmp.canvas().moveTo(0, 0);
    bmp.canvas().lineTo(1, 0); // a red top-left pixel
    const std::string path = dir.path().toStdString() + "/surf.bmp";
    writeBmp(bmp.image(), path);

    const auto b = readAll(path);
    const size_t rowSize = 600 * 3; // already a multiple of 4
    ASSERT_EQ(b.size(), 54 + rowSize * 400);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(le32(b, 2), b.size());
    EXPECT_EQ(le32(b, 10), 54u);
    EXPECT_EQ(le32(b, 14), 40u);
    EXPECT_EQ(le32(b, 18), 600u);
    EXPECT_EQ(le32(b, 22), 400u);
    EXPECT_EQ(b[26] | (b[27] << 8), 1);
    EXPECT_EQ(b[28] | (b[29] << 8), 24);
    EXPECT_EQ(le32(b, 30), 0u) << "uncompressed";
    // The top row is stored last; pixels are blue, green, red.
    const size_t topRow = 54 + rowSize * 399;
    EXPECT_EQ(b[topRow], 0x00);
    EXPECT_EQ(b[topRow + 1], 0x00);
    EXPECT_EQ(b[topRow + 2], 0xFF);
    for (int y = 0; y < 400; ++y) {
        for (int x = 0; x < 600; ++x) {
            const size_t at = 54 + rowSize * size_t(399 - y) + 3 * size_t(x);
            const uint32_t bgr = (uint32_t(b[at]) << 16) | (b[at + 1] << 8) | b[at + 2];
            ASSERT_EQ(bgr, bmp.pixel(x, y)) << x << "," << y;
        }
    }
}

TEST(PictureFile, BmpRowsArePadded)
{
    QTemporaryDir dir;
    Bitmap bmp(5, 3);
    bmp.canvas().setPenColor(0x010203);
    bmp.canvas().moveTo(4, 2);
    bmp.canvas().lineTo(5, 2);
    const std::string path = dir.path().toStdString() + "/odd.bmp";
    writeBmp(bmp.image(), path);
    const auto b = readAll(path);
    ASSERT_EQ(b.size(), 54u + 16u * 3u); // 15 bytes of pixels + 1 of padding per row
    EXPECT_EQ(b[54 + 12], 0x01) << "bottom row first, its last pixel's blue";
    EXPECT_EQ(b[54 + 13], 0x02);
    EXPECT_EQ(b[54 + 14], 0x03);
    const QImage back(QString::fromStdString(path));
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.pixel(4, 2), qRgb(3, 2, 1));
}

TEST(PictureFile, JpegIsABaselineColourPictureAtQuality90)
{
    QTemporaryDir dir;
    Bitmap bmp(600, 400);
    drawPicture(bmp);
    const std::string path = dir.path().toStdString() + "/surf.jpg";
    writeJpeg(bmp.image(), path);

    const auto bytes = readAll(path);
    ASSERT_GT(bytes.size(), 1000u);
    // The frame header is SOF0 (baseline), not SOF2 (progressive) or SOF1.
    bool sof0 = false, otherSof = false;
    for (size_t i = 2; i + 1 < bytes.size();) {
        ASSERT_EQ(bytes[i], 0xFF);
        const unsigned char marker = bytes[i + 1];
        if (marker == 0xDA)
            break; // start of scan
        sof0 |= marker == 0xC0;
        otherSof |= marker >= 0xC1 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        i += 2 + ((bytes[i + 2] << 8) | bytes[i + 3]);
    }
    EXPECT_TRUE(sof0);
    EXPECT_FALSE(otherSof);

    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    ASSERT_EQ(jpeg_read_header(&info, TRUE), JPEG_HEADER_OK);
    EXPECT_EQ(info.image_width, 600u);
    EXPECT_EQ(info.image_height, 400u);
    EXPECT_EQ(info.num_components, 3);
    EXPECT_EQ(info.jpeg_color_space, JCS_YCbCr);
    EXPECT_FALSE(info.progressive_mode);
    // Quality 90 scales the standard tables to 20 %: luminance 16 -> 3, 11 -> 2; chroma 17 -> 3.
    ASSERT_NE(info.quant_tbl_ptrs[0], nullptr);
    ASSERT_NE(info.quant_tbl_ptrs[1], nullptr);
    EXPECT_EQ(info.quant_tbl_ptrs[0]->quantval[0], 3);
    EXPECT_EQ(info.quant_tbl_ptrs[0]->quantval[1], 2);
    EXPECT_EQ(info.quant_tbl_ptrs[1]->quantval[0], 3);

    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    std::vector<unsigned char> row(600 * 3);
    double error = 0;
    while (info.output_scanline < info.output_height) {
        const int y = static_cast<int>(info.output_scanline);
        JSAMPROW rows[] = {row.data()};
        jpeg_read_scanlines(&info, rows, 1);
        for (int x = 0; x < 600; ++x) {
            const uint32_t p = bmp.pixel(x, y);
            error += std::abs(int(row[3 * x]) - int(p & 0xFF)) + std::abs(int(row[3 * x + 1]) - int((p >> 8) & 0xFF)) +
                     std::abs(int(row[3 * x + 2]) - int((p >> 16) & 0xFF));
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    EXPECT_LT(error / (600.0 * 400 * 3), 4.0) << "the picture survives compression";
}

TEST(PictureFile, PngThroughQt)
{
    QTemporaryDir dir;
    Bitmap bmp(600, 400);
    drawPicture(bmp);
    const std::string path = dir.path().toStdString() + "/surf.png";
    writePng(bmp.image(), path);
    const QImage back(QString::fromStdString(path));
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), bmp.image());
}

TEST(PictureFile, CannotCreateFileLeavesNothingBehind)
{
    QTemporaryDir dir;
    Bitmap bmp(60, 40);
    const std::string missing = dir.path().toStdString() + "/no/such/dir/x.bmp";
    for (auto write : {&writeBmp, &writeJpeg, &writePng}) {
        try {
            write(bmp.image(), missing);
            ADD_FAILURE() << "no error";
        } catch (const AppError& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot create file " + missing);
        }
    }
    EXPECT_THROW(savePicture(bmp.image(), missing), AppError);

    // The target is a directory: the new file cannot take its name, and the half step
    // (the temporary file beside it) is removed again.
    const std::string taken = dir.path().toStdString() + "/taken.jpg";
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.jpg"));
    QFile inside(QString::fromStdString(taken + "/keep"));
    ASSERT_TRUE(inside.open(QIODevice::WriteOnly));
    inside.close();
    EXPECT_THROW(writeJpeg(bmp.image(), taken), AppError);
    EXPECT_THROW(writeBmp(bmp.image(), taken), AppError);
    EXPECT_EQ(entries(dir), (QStringList{"taken.jpg"}));
}

TEST(PictureFile, ReplacesAnExistingFileWhole)
{
    QTemporaryDir dir;
    const std::string path = dir.path().toStdString() + "/f.000.bmp";
    {
        std::ofstream old(path, std::ios::binary);
        old << std::string(5000000, 'x');
    }
    Bitmap bmp(10, 10);
    writeBmp(bmp.image(), path);
    EXPECT_EQ(readAll(path).size(), 54u + 32u * 10u);
    EXPECT_EQ(entries(dir), (QStringList{"f.000.bmp"}));
}

TEST(PictureFile, LongNamesLinksAndPermissionsSurviveAWrite)
{
    QTemporaryDir dir;
    Bitmap bmp(12, 8);
    drawPicture(bmp);
    // A name at the file system's 255-byte limit still gets its temporary file.
    const std::string longName = dir.path().toStdString() + "/" + std::string(251, 'n') + ".bmp";
    writeBmp(bmp.image(), longName);
    EXPECT_EQ(readAll(longName).size(), 54u + 36u * 8u);
    writeJpeg(bmp.image(), longName.substr(0, longName.size() - 4) + ".jpg");

    // A frame name that is a link to a file elsewhere: the link stays and its file gets the
    // picture, and the file's permission bits stay as they were.
    const std::string real = dir.path().toStdString() + "/real.bmp";
    const std::string link = dir.path().toStdString() + "/link.bmp";
    {
        std::ofstream old(real, std::ios::binary);
        old << "old";
    }
    ASSERT_TRUE(QFile::setPermissions(QString::fromStdString(real),
                                      QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup));
    ASSERT_TRUE(QFile::link(QString::fromStdString(real), QString::fromStdString(link)));
    writeBmp(bmp.image(), link);
    EXPECT_TRUE(QFileInfo(QString::fromStdString(link)).isSymLink());
    EXPECT_EQ(readAll(real).size(), 54u + 36u * 8u);
    using std::filesystem::perms;
    EXPECT_EQ(std::filesystem::status(real).permissions(), perms::owner_read | perms::owner_write | perms::group_read);
    EXPECT_EQ(entries(dir).size(), 4) << entries(dir).join(" ").toStdString();
}

} // namespace
