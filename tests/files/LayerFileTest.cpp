#include "files/IniFile.h"
#include "files/LayerFile.h"
#include "model/AppError.h"
#include "model/Symulacja.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <vector>

namespace {

// A simulation of its own generator with a flat lattice of the given size.
struct Sim {
    Random random{1};
    Symulacja sim{&random};
    Sim(int32_t columns, int32_t rows)
    {
        sim.sizeX = columns;
        sim.sizeY = rows;
        sim.allocateLattice(1u);
    }
    int32_t at(int32_t r, int32_t c) const { return sim.lattice->get(r, c); }
};

std::string rowOf(const std::vector<int64_t>& heights)
{
    std::string text;
    for (const int64_t h : heights)
        text += std::to_string(h) + "|";
    return text;
}

// The keys of the file's lines, in order, for files written by the store.
std::vector<std::string> keysOf(const std::string& bytes)
{
    std::vector<std::string> keys;
    std::istringstream in(bytes);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t eq = line.find('=');
        keys.push_back(eq == std::string::npos ? line.substr(0, line.find('\r')) : line.substr(0, eq));
    }
    return keys;
}

std::string messageOf(const IniFile& ini, Symulacja& sim)
{
    try {
        LayerFile::readHeights(ini, sim);
    } catch (const AppError& error) {
        return error.what();
    }
    return "no error";
}

} // namespace

TEST(LayerFile, RowKeys)
{
    EXPECT_EQ(LayerFile::rowKey(0), "x0");
    EXPECT_EQ(LayerFile::rowKey(49), "x49");
    EXPECT_EQ(LayerFile::rowKey(100), "x100");
}

TEST(LayerFile, SavesSizeThenRowsInOrder)
{
    TempDir dir;
    Sim s(50, 40);
    s.sim.lattice->set(3, 0, 0);
    s.sim.lattice->set(0, 0, 1);
    s.sim.lattice->set(12, 0, 2);
    s.sim.lattice->set(-5, 39, 49);
    LayerFile::save(dir.file("a.lay"), s.sim);

    const std::string bytes = readBytes(dir.file("a.lay"));
    std::vector<std::string> expected = {"[layer]", "x", "y"};
    for (int r = 0; r < 40; ++r)
        expected.push_back("x" + std::to_string(r));
    EXPECT_EQ(keysOf(bytes), expected);

    IniFile ini(dir.file("a.lay"));
    EXPECT_EQ(ini.ReadString("layer", "x", ""), "50");
    EXPECT_EQ(ini.ReadString("layer", "y", ""), "40");
    const std::string row0 = ini.ReadString("layer", "x0", "");
    EXPECT_EQ(row0.rfind("3|0|12|", 0), 0u);
    EXPECT_EQ(std::count(row0.begin(), row0.end(), '|'), 50);
    EXPECT_EQ(row0.back(), '|');
    const std::string row39 = ini.ReadString("layer", "x39", "");
    EXPECT_EQ(row39.substr(row39.size() - 4), "|-5|");
}

TEST(LayerFile, RoundTripRestoresHeightsIncludingInt32Limits)
{
    TempDir dir;
    Sim source(30, 12);
    for (int32_t r = 0; r < 12; ++r)
        for (int32_t c = 0; c < 30; ++c)
            source.sim.lattice->set(r * 1000 - c * 37, r, c);
    source.sim.lattice->set(INT32_MAX, 0, 0);
    source.sim.lattice->set(INT32_MIN, 11, 29);
    source.sim.heightOffset = 17;
    source.sim.deposited = 3.5;
    LayerFile::save(dir.file("r.lay"), source.sim);

    IniFile ini(dir.file("r.lay"));
    EXPECT_EQ(LayerFile::readColumns(ini), 30);
    EXPECT_EQ(LayerFile::readRows(ini), 12);
    Sim target(LayerFile::readColumns(ini), LayerFile::readRows(ini));
    LayerFile::readHeights(ini, target.sim);
    for (int32_t r = 0; r < 12; ++r)
        for (int32_t c = 0; c < 30; ++c)
            ASSERT_EQ(target.at(r, c), source.at(r, c)) << r << "," << c;
    EXPECT_EQ(target.sim.heightOffset, 0);
    EXPECT_EQ(target.sim.deposited, 0.0);
}

TEST(LayerFile, SavingOverALargerFileKeepsItsSurplusRows)
{
    TempDir dir;
    const std::string path = dir.file("big.lay");
    Sim big(10, 20);
    big.sim.lattice->fill(9);
    LayerFile::save(path, big.sim);
    Sim small(10, 12);
    small.sim.lattice->fill(4);
    LayerFile::save(path, small.sim);

    IniFile ini(path);
    EXPECT_EQ(LayerFile::readRows(ini), 12);
    EXPECT_EQ(ini.ReadString("layer", "x11", ""), "4|4|4|4|4|4|4|4|4|4|");
    EXPECT_EQ(ini.ReadString("layer", "x12", ""), "9|9|9|9|9|9|9|9|9|9|");
    EXPECT_EQ(ini.ReadString("layer", "x19", ""), "9|9|9|9|9|9|9|9|9|9|");
    // Loading reads only "y" rows.
    Sim loaded(10, LayerFile::readRows(ini));
    LayerFile::readHeights(ini, loaded.sim);
    EXPECT_EQ(loaded.at(11, 9), 4);
}

TEST(LayerFile, MissingOrJunkSizeCountsAsFifty)
{
    TempDir dir;
    writeBytes(dir.file("s.lay"), "[layer]\ny=abc\n");
    IniFile ini(dir.file("s.lay"));
    EXPECT_EQ(LayerFile::readColumns(ini), 50);
    EXPECT_EQ(LayerFile::readRows(ini), 50);
    writeBytes(dir.file("h.lay"), "[layer]\nx=0x20\ny=200\n");
    IniFile hex(dir.file("h.lay"));
    EXPECT_EQ(LayerFile::readColumns(hex), 32);
    EXPECT_EQ(LayerFile::readRows(hex), 200); // clamping is the caller's
}

TEST(LayerFile, NoRowKeysFailAtRowZeroWithAnEmptyField)
{
    TempDir dir;
    writeBytes(dir.file("n.lay"), "[layer]\nx=20\ny=15\n");
    IniFile ini(dir.file("n.lay"));
    Sim s(20, 15);
    EXPECT_EQ(messageOf(ini, s.sim), "'' is not a valid integer value");
    for (int32_t r = 0; r < 15; ++r)
        for (int32_t c = 0; c < 20; ++c)
            ASSERT_EQ(s.at(r, c), 0);
}

TEST(LayerFile, ErrorsStopAtTheirFieldAndKeepWhatWasRead)
{
    TempDir dir;
    const std::string path = dir.file("e.lay");
    // Row 1 lacks the trailing separator: it fails at its last field, an empty one.
    writeBytes(path, "[layer]\nx=3\ny=3\nx0=1|2|3|\nx1=4|5|6\nx2=7|8|9|\n");
    {
        IniFile ini(path);
        Sim s(3, 3);
        EXPECT_EQ(messageOf(ini, s.sim), "'' is not a valid integer value");
        EXPECT_EQ(s.at(0, 2), 3);
        EXPECT_EQ(s.at(1, 0), 4);
        EXPECT_EQ(s.at(1, 1), 5);
        EXPECT_EQ(s.at(1, 2), 0);
        EXPECT_EQ(s.at(2, 0), 0);
    }
    // A field that is not an integer is named in the message.
    writeBytes(path, "[layer]\nx0=1|abc|3|\n");
    {
        IniFile ini(path);
        Sim s(3, 1);
        EXPECT_EQ(messageOf(ini, s.sim), "'abc' is not a valid integer value");
        EXPECT_EQ(s.at(0, 0), 1);
        EXPECT_EQ(s.at(0, 1), 0);
    }
    // One past the int32 limits is refused, not wrapped.
    writeBytes(path, "[layer]\nx0=2147483648|0|\nx1=-2147483649|0|\n");
    {
        IniFile ini(path);
        Sim s(2, 2);
        EXPECT_EQ(messageOf(ini, s.sim), "'2147483648' is not a valid integer value");
    }
}

TEST(LayerFile, NarrowFileInAWiderLatticeFailsAtTheFirstMissingField)
{
    TempDir dir;
    // A 30 x 60 file read into 60 x 60, as the square box makes it.
    Sim source(30, 60);
    for (int32_t c = 0; c < 30; ++c)
        source.sim.lattice->set(c + 1, 0, c);
    LayerFile::save(dir.file("n.lay"), source.sim);
    IniFile ini(dir.file("n.lay"));
    Sim wide(60, 60);
    EXPECT_EQ(messageOf(ini, wide.sim), "'' is not a valid integer value");
    EXPECT_EQ(wide.at(0, 29), 30);
    EXPECT_EQ(wide.at(0, 30), 0);
    EXPECT_EQ(wide.at(1, 0), 0);

    // "x" 5 makes a 10-column lattice that fails at the sixth field of row 0.
    writeBytes(dir.file("five.lay"), "[layer]\nx=5\ny=10\nx0=1|2|3|4|5|\n");
    IniFile five(dir.file("five.lay"));
    Sim ten(10, 10);
    EXPECT_EQ(messageOf(five, ten.sim), "'' is not a valid integer value");
    EXPECT_EQ(ten.at(0, 4), 5);
    EXPECT_EQ(ten.at(0, 5), 0);
}

TEST(LayerFile, RowTextAndParseRowRoundTrip)
{
    const int32_t heights[4] = {3, 0, -12, INT32_MAX};
    EXPECT_EQ(LayerFile::rowText(heights, 4), "3|0|-12|2147483647|");
    int32_t back[4] = {};
    LayerFile::parseRow(LayerFile::rowText(heights, 4), back, 4);
    EXPECT_TRUE(std::equal(back, back + 4, heights));
    int32_t row[4] = {9, 9, 9, 9};
    try {
        LayerFile::parseRow("1|2|x|4|", row, 4);
        FAIL() << "a bad field must throw";
    } catch (const AppError& e) {
        EXPECT_STREQ(e.what(), "'x' is not a valid integer value");
    }
    EXPECT_EQ(row[1], 2);
    EXPECT_EQ(row[2], 9); // the failing field and those after keep theirs
}

TEST(LayerFile, WholeFileTextIsWhatTheStoreWritesToANewFile)
{
    TempDir dir;
    Sim s(13, 11);
    s.sim.lattice->set(-7, 10, 12);
    s.sim.lattice->set(INT32_MAX, 0, 0);
    LayerFile::save(dir.file("n.lay"), s.sim);
    EXPECT_EQ(LayerFile::fileText(s.sim), readBytes(dir.file("n.lay")));
}

TEST(LayerFile, WideFileGivesTheFirstFieldsOfEachRow)
{
    TempDir dir;
    std::string content = "[layer]\r\nx=200\r\ny=100\r\n";
    std::vector<int64_t> row(200);
    for (int r = 0; r < 100; ++r) {
        for (int c = 0; c < 200; ++c)
            row[c] = r * 200 + c;
        content += "x" + std::to_string(r) + "=" + rowOf(row) + "\r\n";
    }
    writeBytes(dir.file("w.lay"), content);
    IniFile ini(dir.file("w.lay"));
    Sim s(100, 100);
    LayerFile::readHeights(ini, s.sim);
    EXPECT_EQ(s.at(0, 0), 0);
    EXPECT_EQ(s.at(0, 99), 99);
    EXPECT_EQ(s.at(57, 3), 57 * 200 + 3);
    EXPECT_EQ(s.at(99, 99), 99 * 200 + 99);
}

TEST(LayerFile, ReadsAFileWrittenByHand)
{
    IniFile ini(std::string(TESSAVO_TEST_DATA) + "/hand-written.lay");
    ASSERT_EQ(LayerFile::readColumns(ini), 12);
    ASSERT_EQ(LayerFile::readRows(ini), 10);
    Sim s(12, 10);
    LayerFile::readHeights(ini, s.sim);
    EXPECT_EQ(s.at(0, 0), 3);
    EXPECT_EQ(s.at(0, 1), 0);
    EXPECT_EQ(s.at(0, 2), 12);
    EXPECT_EQ(s.at(1, 0), 5);  // key "X1" in capitals
    EXPECT_EQ(s.at(4, 0), 6);  // "x4 =  6|...|  " with blanks
    EXPECT_EQ(s.at(4, 11), 3);
    EXPECT_EQ(s.at(9, 0), INT32_MAX);
    EXPECT_EQ(s.at(9, 1), INT32_MIN);
    EXPECT_EQ(s.at(9, 11), -1);
}
