#include "chart/Wykres.h"

#include "gfx/Bitmap.h"

#include "../gfx/TestGuiApp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr uint32_t kGreen = 0x008000;
constexpr uint32_t kRed = 0x0000FF;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kMarker = 0xAA5500;

void mark(Bitmap& bmp, int x, int y)
{
    const uint32_t keep = bmp.canvas().penColor();
    bmp.canvas().setPenWidth(1);
    bmp.canvas().setPenColor(kMarker);
    bmp.canvas().moveTo(x, y);
    bmp.canvas().lineTo(x + 1, y);
    bmp.canvas().setPenColor(keep);
}

int countColour(const Bitmap& bmp, uint32_t colour, int x0 = 0, int x1 = -1)
{
    if (x1 < 0)
        x1 = bmp.width() - 1;
    int n = 0;
    for (int y = 0; y < bmp.height(); ++y)
        for (int x = x0; x <= x1; ++x)
            n += bmp.pixel(x, y) == colour;
    return n;
}

TEST(Wykres, NewChart)
{
    const Wykres chart;
    EXPECT_EQ(chart.writeIndex, 0);
    EXPECT_EQ(chart.capacity, 460);
    EXPECT_EQ(chart.scaleFactor, 150);
    EXPECT_EQ(chart.maxValue, 0.0);
    ASSERT_EQ(chart.values.size(), 460u);
    for (double v : chart.values)
        EXPECT_EQ(v, 0.0);
}

TEST(Wykres, RingAndLargestValue)
{
    Wykres chart;
    chart.addValue(0.7);
    chart.addValue(0.3);
    EXPECT_EQ(chart.maxValue, 0.7) << "never decreases";
    EXPECT_EQ(chart.writeIndex, 2);
    chart.addValue(0.7);
    EXPECT_EQ(chart.maxValue, 0.7);
    chart.addValue(-1.0);
    EXPECT_EQ(chart.maxValue, 0.7);
    chart.addValue(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(chart.maxValue, 0.7) << "NaN is never larger";
    for (int i = 5; i < 460; ++i)
        chart.addValue(0.1);
    EXPECT_EQ(chart.writeIndex, 0) << "back at slot 0 after 460 values";
    chart.addValue(0.9);
    EXPECT_EQ(chart.values[0], 0.9) << "the 461st value overwrites slot 0";
    EXPECT_EQ(chart.values[1], 0.3);
    EXPECT_EQ(chart.writeIndex, 1);
}

TEST(Wykres, ScaleRowsStartAtTheirThresholds)
{
    const struct {
        double value;
        int32_t factor;
    } rows[] = {{0.0, 150}, {0.999, 150}, {1.0, 100}, {1.4999, 100}, {1.5, 75}, {1.99, 75}, {2.0, 50},
                {2.999, 50}, {3.0, 30}, {4.99, 30}, {5.0, 15}, {9.99, 15}, {10.0, 3}, {1e300, 3}};
    for (const auto& row : rows) {
        Wykres chart;
        Bitmap bmp(490, 170);
        chart.addValue(row.value);
        chart.draw(bmp, 170, 0);
        EXPECT_EQ(chart.scaleFactor, row.factor) << row.value;
    }
    // A smaller value later never brings a finer scale back.
    Wykres chart;
    Bitmap bmp(490, 170);
    chart.addValue(2.5);
    chart.draw(bmp, 170, 1);
    chart.addValue(0.1);
    chart.draw(bmp, 170, 1);
    EXPECT_EQ(chart.scaleFactor, 50);
}

TEST(Wykres, ClearsOnlyWhenTheScaleChanges)
{
    Wykres chart;
    Bitmap bmp(490, 170);
    mark(bmp, 480, 100);
    chart.addValue(0.5);
    chart.draw(bmp, 170, 0);
    EXPECT_EQ(bmp.pixel(480, 100), kMarker) << "the first draw of a new chart does not clear";
    chart.addValue(0.8);
    chart.draw(bmp, 170, 1);
    EXPECT_EQ(bmp.pixel(480, 100), kMarker);
    chart.addValue(1.2);
    chart.draw(bmp, 170, 1);
    EXPECT_EQ(bmp.pixel(480, 100), kWhite) << "a new scale clears first";
    mark(bmp, 480, 100);
    chart.addValue(1.3);
    chart.draw(bmp, 170, 1);
    EXPECT_EQ(bmp.pixel(480, 100), kMarker);

    chart.clear(bmp);
    EXPECT_EQ(countColour(bmp, kWhite), 490 * 170);
}

TEST(Wykres, SweepDrawsCursorEraserAndNewestValue)
{
    Wykres chart;
    Bitmap bmp(490, 170);
    chart.addValue(0.0);
    chart.addValue(0.5); // slot 1, y = 170 - 10 - 75 = 85
    chart.draw(bmp, 170, 0);
    // Newest value at column 1 (and its left neighbour, column 0, which the frame covers).
    EXPECT_EQ(bmp.pixel(1, 85), kGreen);
    EXPECT_EQ(bmp.pixel(1, 84), kGreen);
    EXPECT_EQ(bmp.pixel(1, 86), kWhite);
    EXPECT_EQ(bmp.pixel(1, 83), kWhite);
    EXPECT_EQ(bmp.pixel(0, 85), kBlack);
    // The cursor at writeIndex 2 runs from row 10 (frame) through 159.
    for (int y = 11; y < 160; ++y)
        ASSERT_EQ(bmp.pixel(2, y), kRed) << y;
    EXPECT_EQ(bmp.pixel(2, 160), kBlack);
    EXPECT_EQ(bmp.pixel(2, 161), kWhite);

    // The next value: the old cursor column is erased and gets the new value.
    chart.addValue(0.0); // y = 160, on the bottom frame line
    chart.draw(bmp, 170, 0);
    EXPECT_EQ(countColour(bmp, kRed, 2, 2), 0);
    EXPECT_EQ(bmp.pixel(2, 159), kGreen);
    EXPECT_EQ(bmp.pixel(1, 159), kGreen);
    EXPECT_EQ(bmp.pixel(2, 160), kBlack);
    EXPECT_EQ(countColour(bmp, kGreen, 2, 2), 1);
    EXPECT_EQ(countColour(bmp, kRed, 3, 3), 149);
}

TEST(Wykres, SweepAfterTheWrap)
{
    Wykres chart;
    Bitmap bmp(490, 170);
    for (int i = 0; i < 460; ++i) {
        chart.addValue(0.5);
        chart.draw(bmp, 170, 0);
    }
    ASSERT_EQ(chart.writeIndex, 0);
    // Newest in slot 459: eraser at x 459, the segment from x 459 towards x 460.
    EXPECT_EQ(bmp.pixel(459, 85), kGreen);
    EXPECT_EQ(bmp.pixel(459, 84), kGreen);
    EXPECT_EQ(bmp.pixel(458, 85), kGreen);
    EXPECT_EQ(countColour(bmp, kGreen, 459, 459), 2);
    EXPECT_EQ(countColour(bmp, kRed, 459, 459), 0);
    EXPECT_EQ(bmp.pixel(460, 85), kBlack) << "the right frame line";

    // The second sweep: the cursor wipes the first sweep's trace column by column.
    chart.addValue(0.2); // slot 0, y = 130
    chart.draw(bmp, 170, 0);
    EXPECT_EQ(countColour(bmp, kRed, 1, 1), 149);
    EXPECT_EQ(bmp.pixel(2, 85), kGreen) << "the old sweep is still there ahead of the cursor";
    chart.addValue(0.2); // slot 1
    chart.draw(bmp, 170, 0);
    EXPECT_EQ(bmp.pixel(1, 130), kGreen);
    EXPECT_EQ(bmp.pixel(1, 85), kWhite);
}

TEST(Wykres, ScrollingRedrawEqualsAFreshDrawing)
{
    Wykres chart;
    Bitmap bmp(490, 170);
    for (int i = 0; i < 700; ++i) {
        chart.addValue(0.4 + 0.35 * std::sin(i * 0.1));
        chart.draw(bmp, 170, 1);
        if (i == 2) {
            // Before the ring has filled: slots 0..2 at x 457..459, nothing further left.
            EXPECT_EQ(countColour(bmp, kGreen, 0, 455), 0);
            EXPECT_GT(countColour(bmp, kGreen, 456, 459), 0);
        }
        if (i % 97 == 0 || i == 699) {
            Wykres copy = chart;
            Bitmap fresh(490, 170);
            copy.draw(fresh, 170, 1);
            ASSERT_EQ(bmp.image(), fresh.image()) << "after value " << i;
        }
    }
    // Newest at x 459: two rows, two columns.
    const double v = chart.values[static_cast<size_t>(chart.writeIndex == 0 ? 459 : chart.writeIndex - 1)];
    const int y = 160 - static_cast<int>(v * 150);
    EXPECT_EQ(bmp.pixel(459, y), kGreen);
    EXPECT_EQ(bmp.pixel(459, y + 1), kGreen);
    EXPECT_EQ(bmp.pixel(458, y), kGreen);
}

TEST(Wykres, ValuesFarOffTheScaleAreClipped)
{
    for (int style : {0, 1}) {
        Wykres chart;
        Bitmap bmp(490, 170);
        chart.addValue(3.0e9); // 9e9 pixels above the bottom line: beyond int32
        chart.addValue(-3.0e9);
        chart.addValue(std::numeric_limits<double>::infinity());
        chart.addValue(std::numeric_limits<double>::quiet_NaN());
        chart.addValue(1e300);
        chart.draw(bmp, 170, style);
        EXPECT_EQ(chart.scaleFactor, 3);
        EXPECT_EQ(countColour(bmp, kGreen), 0) << style;
        chart.addValue(20.0); // y = 160 - 60 = 100
        chart.draw(bmp, 170, style);
        EXPECT_EQ(bmp.pixel(style == 0 ? 5 : 459, 100), kGreen) << style;
    }
}

TEST(Wykres, HeightsAtTheInt32LimitsDrawTheFrameClipped)
{
    ASSERT_TRUE(ensureGuiApplication());
    for (int style : {0, 1}) {
        Wykres chart;
        chart.addValue(0.5);
        Bitmap bmp(490, 170);
        // The bottom line lies two billion rows up: the side lines run from row 10 to the top.
        chart.draw(bmp, INT32_MIN, style);
        EXPECT_EQ(bmp.pixel(0, 0), kBlack) << style;
        EXPECT_EQ(bmp.pixel(460, 10), kBlack) << style;
        EXPECT_EQ(bmp.pixel(0, 11), kWhite) << style;
        chart.clear(bmp);
        // ... or two billion rows down: from row 10 to the bottom of the bitmap.
        chart.draw(bmp, INT32_MAX, style);
        EXPECT_EQ(bmp.pixel(0, 9), kWhite) << style;
        EXPECT_EQ(bmp.pixel(0, 169), kBlack) << style;
        EXPECT_EQ(bmp.pixel(460, 169), kBlack) << style;
    }
}

TEST(Wykres, FrameAndLabels)
{
    ASSERT_TRUE(ensureGuiApplication());
    Wykres chart;
    Bitmap bmp(490, 170);
    chart.draw(bmp, 170, 1);
    for (int x = 0; x < 460; ++x) {
        ASSERT_EQ(bmp.pixel(x, 10), kBlack);
        ASSERT_EQ(bmp.pixel(x, 160), kBlack);
    }
    EXPECT_EQ(bmp.pixel(460, 10), kBlack) << "the right line starts at row 10";
    EXPECT_EQ(bmp.pixel(460, 159), kBlack);
    EXPECT_EQ(bmp.pixel(460, 160), kWhite) << "and stops before row 160";
    EXPECT_EQ(countColour(bmp, kBlack, 0, 0), 151) << "rows 10..159 and the bottom line";

    // Labels: "1.0" top right, then "50.0" after the scale has changed.
    auto labelArea = [](const Bitmap& b) {
        QImage area = b.image().copy(463, 0, 27, 25);
        return area;
    };
    Bitmap one(490, 170), fifty(490, 170);
    one.canvas().textOut(463, 5, QStringLiteral("1.0"));
    fifty.canvas().textOut(463, 5, QStringLiteral("50.0"));
    EXPECT_EQ(labelArea(bmp), labelArea(one));
    EXPECT_NE(labelArea(one), labelArea(fifty));
    chart.addValue(12.0);
    chart.draw(bmp, 170, 1);
    EXPECT_EQ(labelArea(bmp), labelArea(fifty));
    // "0" at (463, 155) and "Roughness" at (5, 15): black text there.
    EXPECT_GT(countColour(bmp, kBlack, 463, 489), 0);
    int blackInTitle = 0;
    for (int y = 15; y < 30; ++y)
        for (int x = 5; x < 60; ++x)
            blackInTitle += bmp.pixel(x, y) == kBlack;
    EXPECT_GT(blackInTitle, 10);
}

} // namespace
