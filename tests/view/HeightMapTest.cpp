#include "view/HeightMap.h"

#include "model/AppError.h"

#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

// The well-known ends and middle of viridis: #440154, #21918C, #FDE725.
const QRgb kFirst = qRgb(0x44, 0x01, 0x54);
const QRgb kMiddle = qRgb(0x21, 0x91, 0x8C);
const QRgb kLast = qRgb(0xFD, 0xE7, 0x25);

TEST(HeightMap, TwoLevelsTakeTheEndsOfTheColourMap)
{
    // 2 rows x 3 columns: pixel (x, y) is column x of row y.
    const std::vector<int32_t> heights = {5, 9, 5,
                                          9, 9, 5};
    const HeightMap map = heightMap(heights.data(), 2, 3);
    EXPECT_EQ(map.min, 5);
    EXPECT_EQ(map.max, 9);
    ASSERT_EQ(map.image.size(), QSize(3, 2));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(map.image.pixel(x, y), heights[size_t(y * 3 + x)] == 5 ? kFirst : kLast) << x << "," << y;
}

TEST(HeightMap, MiddleOfTheRangeAcrossTheWholeInt32Range)
{
    // Halfway takes colour 128 of 256, also when the range does not fit in 32 bits.
    const std::vector<int32_t> small = {-3, -2, -1};
    const HeightMap a = heightMap(small.data(), 1, 3);
    EXPECT_EQ(a.image.pixel(1, 0), kMiddle);
    const std::vector<int32_t> wide = {INT32_MIN, 0, INT32_MAX};
    const HeightMap b = heightMap(wide.data(), 3, 1);
    EXPECT_EQ(b.min, INT32_MIN);
    EXPECT_EQ(b.max, INT32_MAX);
    EXPECT_EQ(b.image.pixel(0, 0), kFirst);
    EXPECT_EQ(b.image.pixel(0, 1), kMiddle);
    EXPECT_EQ(b.image.pixel(0, 2), kLast);
}

TEST(HeightMap, FlatAndEmptyLattices)
{
    const std::vector<int32_t> flat(12, -40);
    const HeightMap map = heightMap(flat.data(), 3, 4);
    EXPECT_EQ(map.min, -40);
    EXPECT_EQ(map.max, -40);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(map.image.pixel(x, y), kFirst);
    EXPECT_TRUE(heightMap(flat.data(), 0, 4).image.isNull());
}

TEST(HeightMap, SavedWithItsRange)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::vector<int32_t> heights = {-7, 0, 12, 3, 3, 12};
    const HeightMap map = heightMap(heights.data(), 2, 3);

    const QString png = dir.filePath("map.png");
    ASSERT_TRUE(saveHeightMap(map, png.toStdString()));
    QImageReader reader(png);
    EXPECT_EQ(reader.text("Tessavo-Min"), "-7");
    EXPECT_EQ(reader.text("Tessavo-Max"), "12");
    EXPECT_EQ(reader.read().convertToFormat(QImage::Format_RGB32), map.image);

    // The extension in any letter case.
    const QString bmp = dir.filePath("map.Bmp");
    ASSERT_TRUE(saveHeightMap(map, bmp.toStdString()));
    EXPECT_EQ(QImage(bmp, "BMP").convertToFormat(QImage::Format_RGB32), map.image);

    // Other extensions write nothing; a map without pixels is an error.
    EXPECT_FALSE(saveHeightMap(map, dir.filePath("map.jpg").toStdString()));
    EXPECT_FALSE(QFile::exists(dir.filePath("map.jpg")));
    EXPECT_THROW(saveHeightMap(HeightMap{}, dir.filePath("empty.png").toStdString()), AppError);
}

} // namespace
