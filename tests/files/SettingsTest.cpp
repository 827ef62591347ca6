#include "files/IniFile.h"
#include "files/Settings.h"

#include "TempDir.h"

#include <gtest/gtest.h>

namespace {

ConfigFileValues writtenAndRead(const std::string& path, const ConfigFileValues& settings)
{
    {
        IniFile ini(path);
        writeConfigSettings(ini, settings);
        ini.flush();
    }
    return readConfigSettings(IniFile(path));
}

} // namespace

TEST(Settings, DefaultsWriteTheSectionsAndKeysInOrder)
{
    TempDir dir;
    EXPECT_EQ(writtenAndRead(dir.file("start.ini"), ConfigFileValues{}), ConfigFileValues{});
    EXPECT_EQ(readBytes(dir.file("start.ini")),
              "[grid]\r\nx=50\r\ny=50\r\nsquare=0\r\n"
              "[layers]\r\ndep=10\r\nmax=50.0\r\n"
              "[conditions]\r\nzmode=0\r\nz=0\r\nzx=1\r\nzy=1\r\n"
              "[animation]\r\nspeed=80\r\nzoom=7\r\nautoheight=0\r\nxabs=210\r\nyabs=190\r\nchart=0\r\n"
              "[relaxation]\r\nt=5\r\n"
              "[options]\r\nlanguage=1\r\ncolor=green\r\n");
}

TEST(Settings, FileWithoutKeysReadsTheDefaults)
{
    TempDir dir;
    writeBytes(dir.file("empty.ini"), "[grid]\n[other]\nx=99\n");
    const ConfigFileValues defaults{.x = 50, .y = 50, .square = false, .dep = 10, .max = "50.0",
                                  .zmode = 0, .z = 0, .zx = 1, .zy = 1, .speed = 80, .zoom = 7,
                                  .autoheight = false, .xabs = 210, .yabs = 190, .chart = 0,
                                  .t = "5", .language = "1", .palette = 0};
    EXPECT_EQ(readConfigSettings(IniFile(dir.file("empty.ini"))), defaults);
    EXPECT_EQ(readConfigSettings(IniFile(dir.file("missing.ini"))), defaults);
}

TEST(Settings, RoundTripOfEveryKey)
{
    TempDir dir;
    const ConfigFileValues c{.x = 30, .y = 60, .square = true, .dep = 1000, .max = "12,5",
                           .zmode = 1, .z = 3, .zx = 0, .zy = 2, .speed = 1, .zoom = 10,
                           .autoheight = true, .xabs = -1234, .yabs = 5678, .chart = 1,
                           .t = "12", .language = "2", .palette = 2};
    EXPECT_EQ(writtenAndRead(dir.file("all.ini"), c), c);
}

TEST(Settings, ValuesAreClampedAsTheControlsClampThem)
{
    TempDir dir;
    writeBytes(dir.file("range.ini"),
               "[grid]\nx=5\ny=500\n[layers]\ndep=0\n[conditions]\nzmode=7\nz=99\nzx=-4\nzy=junk\n"
               "[animation]\nspeed=1000\nzoom=-3\nxabs=-3000\nyabs=2147483647\nchart=-5\n");
    const ConfigFileValues c = readConfigSettings(IniFile(dir.file("range.ini")));
    EXPECT_EQ(c.x, 10);
    EXPECT_EQ(c.y, 100);
    EXPECT_EQ(c.dep, 1);
    EXPECT_EQ(c.zmode, 1);
    EXPECT_EQ(c.z, 99);  // combo box indexes stay as read
    EXPECT_EQ(c.zx, -4);
    EXPECT_EQ(c.zy, 1);  // junk gives the default
    EXPECT_EQ(c.speed, 100);
    EXPECT_EQ(c.zoom, 5);
    EXPECT_EQ(c.xabs, -3000);
    EXPECT_EQ(c.yabs, INT32_MAX);
    EXPECT_EQ(c.chart, -1);
    EXPECT_EQ(clampSetting(Setting::Dep, INT32_MIN), 1);
    EXPECT_EQ(clampSetting(Setting::Xabs, INT32_MIN), INT32_MIN);
}

TEST(Settings, ColourNamesAndTheSecondPalette)
{
    for (int32_t p = 0; p < 4; ++p)
        EXPECT_EQ(paletteOfColorName(colorNameOfPalette(p).value()), p);
    EXPECT_EQ(colorNameOfPalette(3), "mixed");
    EXPECT_FALSE(colorNameOfPalette(4).has_value());
    EXPECT_FALSE(colorNameOfPalette(-1).has_value());
    EXPECT_EQ(paletteOfColorName("Green"), 3); // compared exactly
    EXPECT_EQ(paletteOfColorName(""), 3);

    // "Paleta 2" writes no colour, so the file loads green; an older colour key stays.
    TempDir dir;
    const std::string path = dir.file("p2.ini");
    writeBytes(path, "[grid]\nx=77\nmine=yes\n[language1]\nani=Animacja\n");
    EXPECT_EQ(writtenAndRead(path, ConfigFileValues{.palette = 4}).palette, 0);
    EXPECT_EQ(readBytes(path).find("color"), std::string::npos);
    writeBytes(path, "[options]\ncolor=red\n");
    EXPECT_EQ(writtenAndRead(path, ConfigFileValues{.palette = 4}).palette, 1);
}

TEST(Settings, SavingOverAnExistingFileKeepsItsOtherKeys)
{
    TempDir dir;
    const std::string path = dir.file("keep.ini");
    writeBytes(path, "[grid]\nx=77\nmine=yes\n[language1]\nani=Animacja\n");
    writtenAndRead(path, ConfigFileValues{});
    EXPECT_EQ(readBytes(path), "[grid]\nx=50\nmine=yes\ny=50\nsquare=0\n[language1]\nani=Animacja\n"
                               "[layers]\ndep=10\nmax=50.0\n"
                               "[conditions]\nzmode=0\nz=0\nzx=1\nzy=1\n"
                               "[animation]\nspeed=80\nzoom=7\nautoheight=0\nxabs=210\nyabs=190\nchart=0\n"
                               "[relaxation]\nt=5\n"
                               "[options]\nlanguage=1\ncolor=green\n");
}

TEST(Settings, ReadsAFileWrittenByHand)
{
    // Windows-1250 captions, CRLF, names in capitals, a hexadecimal speed, text that is no
    // number for "t" (the window's edit box reports it; the file layer keeps it as read).
    IniFile ini(std::string(TESSAVO_TEST_DATA) + "/hand-written.ini");
    const ConfigFileValues expected{.x = 30, .y = 60, .square = false, .dep = 250, .max = "12,5",
                                  .zmode = 1, .z = 3, .zx = 0, .zy = 7, .speed = 16, .zoom = 9,
                                  .autoheight = true, .xabs = -40, .yabs = 300, .chart = 1,
                                  .t = "abc", .language = "2", .palette = 2};
    EXPECT_EQ(readConfigSettings(ini), expected);
    EXPECT_EQ(ini.ReadString("language1", "speed", ""), "prędkość");
}
