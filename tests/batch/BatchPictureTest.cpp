// tessavo-batch pictures: the surface, the chart and the frames are what the window's own
// drawing calls give for the same lattice and roughness history.
#include "BatchProcess.h"

#include "../gfx/TestGuiApp.h"
#include "chart/Wykres.h"
#include "gfx/Bitmap.h"
#include "view/SurfaceRenderer.h"

#include <QImage>

#include <cstdlib>

namespace {

// The surface picture of a stored lattice as the window shows it after a tick: drawn once at
// Reset and again after the tick.
QImage redrawSurface(const std::string& layerPath, int32_t palette, int ox, int oy, int cell)
{
    Random random;
    const std::unique_ptr<Symulacja> sim = loadLayer(layerPath, random);
    sim->palette = palette;
    Bitmap bitmap(600, 400);
    drawSurface(*sim, bitmap, ox, oy, cell);
    drawSurface(*sim, bitmap, ox, oy, cell);
    return bitmap.image().copy();
}

// Number of pixels whose colours differ.
int differences(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return -1;
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += (a.pixel(x, y) & 0xFFFFFFu) != (b.pixel(x, y) & 0xFFFFFFu);
    return n;
}

uint32_t littleEndian(const std::string& bytes, size_t at, int size)
{
    uint32_t v = 0;
    for (int i = size - 1; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(bytes.at(at + i));
    return v;
}

} // namespace

TEST(BatchPicture, SurfaceBmpMatchesAnIndependentDrawingOfTheSameLattice)
{
    BatchProcess tool;
    const ToolResult r = tool.run({"--seed", "7", "--steps", "300", "--dep", "200", "--picture", "p.bmp", "--save-layer", "p.lay"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string bytes = tool.read("p.bmp");
    ASSERT_GT(bytes.size(), 54u);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(littleEndian(bytes, 18, 4), 600u);
    EXPECT_EQ(std::abs(static_cast<int32_t>(littleEndian(bytes, 22, 4))), 400); // bottom-up or top-down
    EXPECT_EQ(littleEndian(bytes, 28, 2), 24u);
    const QImage written(QString::fromStdString(tool.file("p.bmp")));
    ASSERT_FALSE(written.isNull());
    const QImage expected = redrawSurface(tool.file("p.lay"), 3, 210, 190, 7);
    EXPECT_EQ(differences(written, expected), 0);
    // The grown film is in the picture, not just the background of its corner.
    QImage background(600, 400, QImage::Format_RGB32);
    background.fill(expected.pixel(0, 0));
    EXPECT_GT(differences(expected, background), 1000);
}

TEST(BatchPicture, OriginZoomAndPaletteReachTheRenderer)
{
    BatchProcess tool;
    ASSERT_EQ(tool.run({"--seed", "3", "--steps", "50", "--dep", "400", "--size", "30x20", "--palette", "green",
                        "--zoom", "10", "--origin", "150,220", "--picture", "p.PNG", "--save-layer", "p.lay"}).status, 0);
    const QImage written(QString::fromStdString(tool.file("p.PNG")), "PNG");
    ASSERT_EQ(written.size(), QSize(600, 400));
    EXPECT_EQ(differences(written, redrawSurface(tool.file("p.lay"), 0, 150, 220, 10)), 0);
    EXPECT_GT(differences(written, redrawSurface(tool.file("p.lay"), 3, 210, 190, 7)), 0);
}

TEST(BatchPicture, ConfigurationFileGivesOriginZoomAndColours)
{
    BatchProcess tool;
    tool.write("view.ini", "[animation]\nzoom=9\nxabs=160\nyabs=230\n[options]\ncolor=red\n[relaxation]\nt=2\n");
    ASSERT_EQ(tool.run({"--config", "view.ini", "--seed", "6", "--steps", "40", "--dep", "300", "--size", "25x25",
                        "--picture", "p.bmp", "--save-layer", "p.lay"}).status, 0);
    const QImage written(QString::fromStdString(tool.file("p.bmp")));
    EXPECT_EQ(differences(written, redrawSurface(tool.file("p.lay"), 1, 160, 230, 9)), 0);
    // An explicit option wins over the file.
    ASSERT_EQ(tool.run({"--config", "view.ini", "--seed", "6", "--steps", "40", "--dep", "300", "--size", "25x25",
                        "--palette", "mixed2", "--picture", "q.bmp"}).status, 0);
    const QImage other(QString::fromStdString(tool.file("q.bmp")));
    EXPECT_EQ(differences(other, redrawSurface(tool.file("p.lay"), 4, 160, 230, 9)), 0);
}

TEST(BatchPicture, JpegIsABaselinePictureOfTheSurface)
{
    BatchProcess tool;
    ASSERT_EQ(tool.run({"--seed", "7", "--steps", "30", "--dep", "200", "--picture", "p.jpg"}).status, 0);
    const std::string bytes = tool.read("p.jpg");
    ASSERT_GT(bytes.size(), 4u);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0xD8);
    EXPECT_NE(bytes.find("\xFF\xC0"), std::string::npos);   // baseline frame
    EXPECT_EQ(bytes.find("\xFF\xC2"), std::string::npos);   // not progressive
    const QImage written(QString::fromStdString(tool.file("p.jpg")));
    EXPECT_EQ(written.size(), QSize(600, 400));
}

TEST(BatchPicture, FramesAreNumberedPicturesOfEveryTick)
{
    BatchProcess tool;
    ASSERT_EQ(tool.run({"--seed", "4", "--steps", "3", "--dep", "300", "--size", "20x20", "--frames", "f.bmp",
                        "--picture", "last.bmp", "--save-layer", "last.lay"}).status, 0);
    EXPECT_TRUE(tool.exists("f.000.bmp"));
    EXPECT_TRUE(tool.exists("f.001.bmp"));
    EXPECT_TRUE(tool.exists("f.002.bmp"));
    EXPECT_FALSE(tool.exists("f.003.bmp"));
    EXPECT_NE(tool.read("f.000.bmp"), tool.read("f.002.bmp"));
    EXPECT_EQ(tool.read("f.002.bmp"), tool.read("last.bmp"));
}

TEST(BatchPicture, ChartIsTheWindowsChartOfTheRoughnessHistory)
{
    ASSERT_TRUE(ensureGuiApplication());
    BatchProcess tool;
    for (const std::string style : {"0", "1"}) {
        SCOPED_TRACE(style);
        ASSERT_EQ(tool.run({"--seed", "8", "--steps", "500", "--dep", "300", "--size", "20x20", "--chart-style", style,
                            "--chart", "c.bmp", "--roughness", "w.csv"}).status, 0);
        const QImage written(QString::fromStdString(tool.file("c.bmp")));
        ASSERT_EQ(written.size(), QSize(490, 170));
        Bitmap bitmap(490, 170);
        Wykres chart;
        chart.clear(bitmap);
        for (double w : csvColumn(tool.read("w.csv"), 3)) {
            chart.addValue(w);
            chart.draw(bitmap, 170, std::stoi(style));
        }
        EXPECT_EQ(differences(written, bitmap.image()), 0);
    }
}
