#include "files/IniFile.h"
#include "files/Settings.h"

#include "TempDir.h"

#include <gtest/gtest.h>

namespace {

void expectDefaults(const ConfigSettings& c)
{
    EXPECT_EQ(c.x, 50);
    EXPECT_EQ(c.y, 50);
    EXPECT_FALSE(c.square);
    EXPECT_EQ(c.dep, 10);
    EXPECT_EQ(c.max, "50.0");
    EXPECT_EQ(c.zmode, 0);
    EXPECT_EQ(c.z, 0);
    EXPECT_EQ(c.zx, 1);
    EXPECT_EQ(c.zy, 1);
    EXPECT_EQ(c.speed, 80);
    EXPECT_EQ(c.zoom, 7);
    EXPECT_FALSE(c.autoheight);
    EXPECT_EQ(c.xabs, 210);
    EXPECT_EQ(c.yabs, 190);
    EXPECT_EQ(c.chart, 0);
    EXPECT_EQ(c.t, "5");
    EXPECT_EQ(c.language, "1");
    EXPECT_EQ(c.palette, 0);
}

} // namespace

TEST(Settings, DefaultsWriteTheSectionsAndKeysInOrder)
{
    TempDir dir;
    IniFile ini(dir.file("start.ini"));
    writeConfigSettings(ini, ConfigSettings{});
    ini.flush();
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
    expectDefaults(readConfigSettings(IniFile(dir.file("empty.ini"))));
    expectDefaults(readConfigSettings(IniFile(dir.file("missing.ini"))));
}

TEST(Settings, RoundTripOfEveryKey)
{
    TempDir dir;
    ConfigSettings c;
    c.x = 30;
    c.y = 60;
    c.square = true;
    c.dep = 1000;
    c.max = "12,5";
    c.zmode = 1;
    c.z = 3;
    c.zx = 0;
    c.zy = 2;
    c.speed = 1;
    c.zoom = 10;
    c.autoheight = true;
    c.xabs = -1234;
    c.yabs = 5678;
    c.chart = 1;
    c.t = "12";
    c.language = "2";
    c.palette = 2;
    {
        IniFile ini(dir.file("all.ini"));
        writeConfigSettings(ini, c);
        ini.flush();
    }
    const ConfigSettings r = readConfigSettings(IniFile(dir.file("all.ini")));
    EXPECT_EQ(r.x, 30);
    EXPECT_EQ(r.y, 60);
    EXPECT_TRUE(r.square);
    EXPECT_EQ(r.dep, 1000);
    EXPECT_EQ(r.max, "12,5");
    EXPECT_EQ(r.zmode, 1);
    EXPECT_EQ(r.z, 3);
    EXPECT_EQ(r.zx, 0);
    EXPECT_EQ(r.zy, 2);
    EXPECT_EQ(r.speed, 1);
    EXPECT_EQ(r.zoom, 10);
    EXPECT_TRUE(r.autoheight);
    EXPECT_EQ(r.xabs, -1234);
    EXPECT_EQ(r.yabs, 5678);
    EXPECT_EQ(r.chart, 1);
    EXPECT_EQ(r.t, "12");
    EXPECT_EQ(r.language, "2");
    EXPECT_EQ(r.palette, 2);
}

TEST(Settings, ValuesAreClampedAsTheControlsClampThem)
{
    TempDir dir;
    writeBytes(dir.file("range.ini"),
               "[grid]\nx=5\ny=500\n[layers]\ndep=0\n[conditions]\nzmode=7\nz=99\nzx=-4\nzy=junk\n"
               "[animation]\nspeed=1000\nzoom=-3\nxabs=-3000\nyabs=2147483647\nchart=-5\n");
    const ConfigSettings c = readConfigSettings(IniFile(dir.file("range.ini")));
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

    EXPECT_EQ(clampSetting(Setting::Dep, 1001), 1000);
    EXPECT_EQ(clampSetting(Setting::Dep, INT32_MIN), 1);
    EXPECT_EQ(clampSetting(Setting::Xabs, INT32_MIN), INT32_MIN);
}

TEST(Settings, ColourNamesAndTheSecondPalette)
{
    EXPECT_EQ(colorNameOfPalette(0), "green");
    EXPECT_EQ(colorNameOfPalette(1), "red");
    EXPECT_EQ(colorNameOfPalette(2), "blue");
    EXPECT_EQ(colorNameOfPalette(3), "mixed");
    EXPECT_FALSE(colorNameOfPalette(4).has_value());
    EXPECT_FALSE(colorNameOfPalette(-1).has_value());
    EXPECT_EQ(paletteOfColorName("green"), 0);
    EXPECT_EQ(paletteOfColorName("red"), 1);
    EXPECT_EQ(paletteOfColorName("blue"), 2);
    EXPECT_EQ(paletteOfColorName("mixed"), 3);
    EXPECT_EQ(paletteOfColorName("Green"), 3); // compared exactly
    EXPECT_EQ(paletteOfColorName(""), 3);

    TempDir dir;
    ConfigSettings c;
    c.palette = 4;
    {
        IniFile ini(dir.file("p2.ini"));
        writeConfigSettings(ini, c);
        ini.flush();
    }
    const std::string bytes = readBytes(dir.file("p2.ini"));
    EXPECT_EQ(bytes.find("color"), std::string::npos);
    const std::string tail = "[options]\r\nlanguage=1\r\n";
    ASSERT_GE(bytes.size(), tail.size());
    EXPECT_EQ(bytes.substr(bytes.size() - tail.size()), tail);
    EXPECT_EQ(readConfigSettings(IniFile(dir.file("p2.ini"))).palette, 0);
}

TEST(Settings, SavingOverAnExistingFileKeepsItsOtherKeys)
{
    TempDir dir;
    const std::string path = dir.file("keep.ini");
    writeBytes(path, "[grid]\nx=77\nmine=yes\n[language1]\nani=Animacja\n[options]\ncolor=red\n");
    {
        IniFile ini(path);
        ConfigSettings c;
        c.palette = 4; // writes no colour: the old one stays
        writeConfigSettings(ini, c);
        ini.flush();
    }
    IniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("grid", "x", 0), 50);
    EXPECT_EQ(ini.ReadString("grid", "mine", ""), "yes");
    EXPECT_EQ(ini.ReadString("language1", "ani", ""), "Animacja");
    EXPECT_EQ(ini.ReadString("options", "color", ""), "red");
    EXPECT_EQ(ini.ReadString("layers", "dep", ""), "10");
}

TEST(Settings, ReadsAFileWrittenByHand)
{
    // Windows-1250 captions, CRLF, names in capitals, a hexadecimal speed, text that is no
    // number for "t" (the window's edit box reports it; the file layer keeps it as read).
    IniFile ini(std::string(TESSAVO_TEST_DATA) + "/hand-written.ini");
    const ConfigSettings c = readConfigSettings(ini);
    EXPECT_EQ(c.x, 30);
    EXPECT_EQ(c.y, 60);
    EXPECT_FALSE(c.square);
    EXPECT_EQ(c.dep, 250);
    EXPECT_EQ(c.max, "12,5");
    EXPECT_EQ(c.zmode, 1);
    EXPECT_EQ(c.z, 3);
    EXPECT_EQ(c.zx, 0);
    EXPECT_EQ(c.zy, 7);
    EXPECT_EQ(c.speed, 16);
    EXPECT_EQ(c.zoom, 9);
    EXPECT_TRUE(c.autoheight);
    EXPECT_EQ(c.xabs, -40);
    EXPECT_EQ(c.yabs, 300);
    EXPECT_EQ(c.chart, 1);
    EXPECT_EQ(c.t, "abc");
    EXPECT_EQ(c.language, "2");
    EXPECT_EQ(c.palette, 2);
    EXPECT_EQ(ini.ReadString("language1", "speed", ""), "prędkość");
}
