#include "files/IniFile.h"
#include "model/AppError.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <random>
#include <utility>
#include <vector>

namespace {

std::string flushedBytes(IniFile& ini)
{
    ini.flush();
    return readBytes(ini.path());
}

} // namespace

TEST(IniFile, NewFileIsWrittenInOrderWithCrLf)
{
    TempDir dir;
    IniFile ini(dir.file("new.ini"));
    ini.WriteInteger("grid", "x", 50);
    ini.WriteInteger("grid", "y", -7);
    ini.WriteBool("grid", "square", false);
    ini.WriteString("layers", "max", "50.0");
    ini.WriteBool("animation", "autoheight", true);
    ini.WriteInteger("grid", "min", INT32_MIN);
    EXPECT_EQ(flushedBytes(ini), "[grid]\r\nx=50\r\ny=-7\r\nsquare=0\r\nmin=-2147483648\r\n"
                                 "[layers]\r\nmax=50.0\r\n"
                                 "[animation]\r\nautoheight=1\r\n");

    IniFile again(dir.file("new.ini"));
    EXPECT_EQ(again.ReadInteger("grid", "x", 0), 50);
    EXPECT_EQ(again.ReadInteger("grid", "y", 0), -7);
    EXPECT_EQ(again.ReadInteger("grid", "min", 0), INT32_MIN);
    EXPECT_FALSE(again.ReadBool("grid", "square", true));
    EXPECT_TRUE(again.ReadBool("animation", "autoheight", false));
    EXPECT_EQ(again.ReadString("layers", "max", ""), "50.0");
}

TEST(IniFile, ReadsSeePendingWritesAndNothingIsCreatedWithoutWrites)
{
    TempDir dir;
    {
        IniFile ini(dir.file("untouched.ini"));
        EXPECT_EQ(ini.ReadString("a", "b", "default"), "default");
        ini.flush();
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("untouched.ini")));

    {
        IniFile ini(dir.file("pending.ini"));
        ini.WriteString("a", "b", "first");
        ini.WriteString("A", "B", "second");
        EXPECT_EQ(ini.ReadString("a", "b", ""), "second");
        EXPECT_FALSE(std::filesystem::exists(dir.file("pending.ini")));
    } // released without flush(): the destructor writes
    EXPECT_EQ(readBytes(dir.file("pending.ini")), "[a]\r\nb=second\r\n");
}

TEST(IniFile, WritesKeepEverythingElseByteForByte)
{
    TempDir dir;
    const std::string path = dir.file("other.ini");
    // As another program might write it: LF line breaks, a comment, blanks, a blank line
    // between sections, keys in capitals and a last line without a line break.
    writeBytes(path, "; written by hand\n"
                     "[Grid]\n"
                     "  X = 30 \n"
                     "other=keep me\n"
                     "\n"
                     "[options]\n"
                     "language=2");
    IniFile ini(path);
    ini.WriteInteger("grid", "x", 60);   // replaced in place, spelling of the key kept
    ini.WriteInteger("grid", "y", 40);   // new key after the section's last line, before the blank
    ini.WriteString("options", "color", "red"); // after a last line that had no line break
    ini.WriteString("language1", "ani", "Animation"); // new section at the end
    EXPECT_EQ(flushedBytes(ini), "; written by hand\n"
                                 "[Grid]\n"
                                 "X=60\n"
                                 "other=keep me\n"
                                 "y=40\n"
                                 "\n"
                                 "[options]\n"
                                 "language=2\n"
                                 "color=red\n"
                                 "[language1]\n"
                                 "ani=Animation\n");
}

TEST(IniFile, CrLfFileKeepsCrLfAndReadsLikeLf)
{
    TempDir dir;
    const std::string path = dir.file("crlf.ini");
    writeBytes(path, "[layer]\r\nx=12\r\ny=3\r\n");
    IniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("layer", "x", 0), 12);
    EXPECT_EQ(ini.ReadString("layer", "y", ""), "3");
    ini.WriteString("layer", "x0", "1|2|");
    EXPECT_EQ(flushedBytes(ini), "[layer]\r\nx=12\r\ny=3\r\nx0=1|2|\r\n");
}

TEST(IniFile, NamesMatchWithoutLetterCaseAndValuesLoseTheirBlanks)
{
    TempDir dir;
    const std::string path = dir.file("case.ini");
    writeBytes(path, "[GRID]\r\nSquare=1\r\n\tmax\t=\t 50.0 \t\r\nempty=\r\nnoequals\r\n"
                     "[Język]\r\nŻółw=tak\r\n");
    IniFile ini(path);
    EXPECT_TRUE(ini.ReadBool("grid", "square", false));
    EXPECT_TRUE(ini.ReadBool("Grid", "SQUARE", false));
    EXPECT_EQ(ini.ReadString("grid", "MAX", ""), "50.0");
    EXPECT_EQ(ini.ReadString("grid", "empty", "default"), ""); // present but empty
    EXPECT_EQ(ini.ReadString("grid", "noequals", "default"), "default");
    EXPECT_EQ(ini.ReadString("język", "żółw", ""), "tak");
    EXPECT_EQ(ini.ReadString("JĘZYK", "ŻÓŁW", ""), "tak");
    EXPECT_EQ(ini.ReadString("missing", "square", "d"), "d");
    EXPECT_EQ(ini.ReadString("grid", "missing", "d"), "d");
}

TEST(IniFile, DuplicatesFirstOneCountsForReadAndWrite)
{
    TempDir dir;
    const std::string path = dir.file("dup.ini");
    writeBytes(path, "[a]\nk=1\nk=2\n[b]\nk=3\n[A]\nk=4\nonly=5\n");
    IniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("a", "k", 0), 1);
    EXPECT_EQ(ini.ReadInteger("b", "k", 0), 3);
    // Only the first section of a name is looked at.
    EXPECT_EQ(ini.ReadInteger("a", "only", 0), 0);
    ini.WriteInteger("a", "k", 9);
    ini.WriteInteger("a", "only", 6);
    EXPECT_EQ(flushedBytes(ini), "[a]\nk=9\nk=2\nonly=6\n[b]\nk=3\n[A]\nk=4\nonly=5\n");
}

TEST(IniFile, ReadIntegerRules)
{
    const int32_t d = -99; // the default
    const std::vector<std::pair<std::string, int32_t>> cases = {
        {"42", 42}, {"-17", -17}, {"+8", 8}, {"  12  ", 12}, {"007", 7}, {"0", 0},
        {"0x1F", 31}, {"0XfF", 255}, {"0x7FFFFFFF", INT32_MAX}, {"0x80000000", d},
        {"0x1G", d}, {"0x", d}, {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN},
        {"2147483648", d}, {"-2147483649", d}, {"99999999999999999999999", d},
        {"12a", d}, {"1.5", d}, {"", d}, {"$10", d}, {"- 1", d}};
    TempDir dir;
    std::string content = "[n]\n";
    for (std::size_t i = 0; i < cases.size(); ++i)
        content += "k" + std::to_string(i) + "=" + cases[i].first + "\n";
    writeBytes(dir.file("int.ini"), content);
    IniFile ini(dir.file("int.ini"));
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(ini.ReadInteger("n", "k" + std::to_string(i), d), cases[i].second) << cases[i].first;
    EXPECT_EQ(ini.ReadInteger("n", "missing", d), d);

    EXPECT_TRUE(ini.ReadBool("n", "k0", false));
    EXPECT_TRUE(ini.ReadBool("n", "k1", false)); // -17
    EXPECT_FALSE(ini.ReadBool("n", "k5", true)); // 0
    EXPECT_TRUE(ini.ReadBool("n", "k11", true)); // junk: the default
    EXPECT_FALSE(ini.ReadBool("n", "k11", false));
    EXPECT_TRUE(ini.ReadBool("n", "missing", true));
}

TEST(IniFile, LongValuesAreCutAt2047Characters)
{
    TempDir dir;
    const std::string path = dir.file("long.ini");
    const std::string ascii(3000, 'a');
    std::string polish; // 3000 characters of two bytes each in UTF-8, one byte in the file
    for (int i = 0; i < 3000; ++i)
        polish += "ż";
    {
        IniFile ini(path);
        ini.WriteString("s", "ascii", ascii);
        ini.WriteString("s", "polish", polish);
        ini.flush();
    }
    EXPECT_EQ(readBytes(path).size(), std::string("[s]\r\nascii=\r\npolish=\r\n").size() + 6000);
    IniFile ini(path);
    EXPECT_EQ(ini.ReadString("s", "ascii", ""), std::string(2047, 'a'));
    const std::string cut = ini.ReadString("s", "polish", "");
    EXPECT_EQ(cut.size(), 2047u * 2);
    EXPECT_EQ(cut, polish.substr(0, 2047 * 2));
}

TEST(IniFile, MegabyteLineIsReadAndKeptIntact)
{
    TempDir dir;
    const std::string path = dir.file("mega.ini");
    std::string line(1 << 20, 'x');
    line[500000] = '=';
    const std::string content = "[big]\n" + line + "\nafter=1\n";
    writeBytes(path, content);
    IniFile ini(path);
    EXPECT_EQ(ini.ReadString("big", std::string(500000, 'x'), ""), std::string(2047, 'x'));
    EXPECT_EQ(ini.ReadInteger("big", "after", 0), 1);
    ini.WriteInteger("big", "after", 2);
    std::string expected = content;
    expected.replace(expected.size() - 2, 1, "2");
    EXPECT_EQ(flushedBytes(ini), expected);
}

TEST(IniFile, Windows1250FileIsDecodedAndPolishTextIsWrittenIn1250)
{
    TempDir dir;
    const std::string path = dir.file("pl.ini");
    // "prędkość" and "Otwórz" in Windows-1250 bytes, CRLF, as the original platform writes.
    writeBytes(path, "[language1]\r\nspeed=pr\xEA" "dko\x9C\xE6\r\nopen=&Otw\xF3rz...\r\n");
    IniFile ini(path);
    EXPECT_FALSE(ini.isUtf8());
    EXPECT_EQ(ini.ReadString("language1", "speed", ""), "prędkość");
    EXPECT_EQ(ini.ReadString("language1", "open", ""), "&Otwórz...");
    ini.WriteString("language1", "grid", "Siatka żółć");
    // Characters Windows-1250 cannot hold become one '?' each.
    ini.WriteString("language1", "other", "a€b日本c");
    EXPECT_EQ(flushedBytes(ini), "[language1]\r\nspeed=pr\xEA" "dko\x9C\xE6\r\nopen=&Otw\xF3rz...\r\n"
                                 "grid=Siatka \xBF\xF3\xB3\xE6\r\nother=a\x80" "b??c\r\n");
}

TEST(IniFile, Utf8FileStaysUtf8WithItsBom)
{
    TempDir dir;
    const std::string path = dir.file("utf8.ini");
    writeBytes(path, "\xEF\xBB\xBF[language1]\nspeed=prędkość\nname=日本\n");
    IniFile ini(path);
    EXPECT_TRUE(ini.isUtf8());
    EXPECT_EQ(ini.ReadString("language1", "speed", ""), "prędkość");
    ini.WriteString("language1", "grid", "Siatka ż");
    ini.WriteString("language1", "bad", std::string("a\xFF" "b"));
    EXPECT_EQ(flushedBytes(ini), "\xEF\xBB\xBF[language1]\nspeed=prędkość\nname=日本\n"
                                 "grid=Siatka ż\nbad=a?b\n");
}

TEST(IniFile, BomBeforeWindows1250TextHidesNoSection)
{
    TempDir dir;
    const std::string path = dir.file("bom1250.ini");
    writeBytes(path, "\xEF\xBB\xBF[grid]\nx=1\nname=\xBF\n");
    IniFile ini(path);
    EXPECT_FALSE(ini.isUtf8());
    EXPECT_EQ(ini.ReadInteger("grid", "x", 0), 1);
    EXPECT_EQ(ini.ReadString("grid", "name", ""), "ż");
    ini.WriteInteger("grid", "x", 2);
    EXPECT_EQ(flushedBytes(ini), "\xEF\xBB\xBF[grid]\nx=2\nname=\xBF\n");
}

TEST(IniFile, UndefinedCodePageBytesSurviveARewrite)
{
    TempDir dir;
    const std::string path = dir.file("odd.ini");
    // 0x81 and 0x98 have no character in Windows-1250; 0xFF is not UTF-8 either.
    const std::string content = "[a]\nk=\x81\x98\xFF\n";
    writeBytes(path, content);
    IniFile ini(path);
    const std::string value = ini.ReadString("a", "k", "");
    EXPECT_EQ(value, "\u0081\u0098\u02D9"); // 0xFF is the dot above in Windows-1250
    ini.WriteString("a", "copy", value);
    EXPECT_EQ(flushedBytes(ini), content + "copy=\x81\x98\xFF\n");
}

TEST(IniFile, RandomBytesNeverBreakTheStore)
{
    TempDir dir;
    std::mt19937 random(12345);
    for (int round = 0; round < 20; ++round) {
        std::string content(4096 + round * 997, '\0');
        for (char& ch : content)
            ch = static_cast<char>(random() & 0xFF);
        if (round % 2)
            for (std::size_t i = 0; i < content.size(); i += 50)
                content[i] = "[]=\n\r;"[random() % 6];
        const std::string path = dir.file("random" + std::to_string(round) + ".ini");
        writeBytes(path, content);
        IniFile ini(path);
        (void)ini.ReadString("layer", "x", "");
        EXPECT_EQ(ini.ReadInteger("tessavo-section-not-there", "x", 77), 77);
        ini.WriteString("tessavo-section-not-there", "x", "5");
        const std::string written = flushedBytes(ini);
        // The bytes of the file come first, unchanged; the new section follows.
        ASSERT_GE(written.size(), content.size());
        EXPECT_EQ(written.compare(0, content.size(), content), 0) << "round " << round;
        IniFile again(path);
        EXPECT_EQ(again.ReadInteger("tessavo-section-not-there", "x", 0), 5);
    }
}

TEST(IniFile, OversizedFileIsAnErrorAndIsNeitherParsedNorReplaced)
{
    TempDir dir;
    const std::string lines = dir.file("lines.ini");
    const std::string content = "[a]\nk=1\n" + std::string(1100000, '\n');
    writeBytes(lines, content);
    const std::string huge = dir.file("huge.ini");
    writeBytes(huge, "[a]\nk=1\n");
    std::filesystem::resize_file(huge, std::uintmax_t(513) << 20); // sparse: takes no disk space
    for (const auto& [path, error] : {std::pair{lines, lines + " has too many lines (more than 1048576)"},
                                      std::pair{huge, huge + " is too large (more than 512 MB)"}}) {
        IniFile ini(path);
        EXPECT_EQ(ini.loadError(), error);
        EXPECT_EQ(ini.ReadInteger("a", "k", 7), 7);
        EXPECT_THROW(ini.WriteInteger("a", "k", 2), AppError);
    }
    EXPECT_EQ(readBytes(lines), content);
    EXPECT_EQ(std::filesystem::file_size(huge), std::uintmax_t(513) << 20);
}

TEST(IniFile, LargeLayerFileIsReadWhole)
{
    // Past the limits a layer file once had (16 MB, rows cut at 2047 characters).
    TempDir dir;
    const std::string path = dir.file("big.lay");
    std::string row;
    while (row.size() < 4200)
        row += "123456|";
    std::string content = "[layer]\r\nx=600\r\ny=4096\r\n";
    for (int r = 0; r < 4096; ++r)
        content += "x" + std::to_string(r) + "=" + row + "\r\n";
    writeBytes(path, content);
    IniFile ini(path);
    EXPECT_EQ(ini.loadError(), "");
    EXPECT_EQ(ini.ReadInteger("layer", "y", 0), 4096);
    EXPECT_EQ(ini.findValue("layer", "x4095"), row);
    EXPECT_EQ(ini.ReadString("layer", "x4095", ""), row.substr(0, 2047));
    EXPECT_FALSE(ini.findValue("layer", "x4096").has_value());
}

TEST(IniFile, UnreadableFileSaysWhyWithoutBlocking)
{
    TempDir dir;
    // A FIFO with no writer would block a plain open for ever.
    const std::string fifo = dir.file("pipe\t.ini");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_EQ(IniFile(fifo).loadError(), dir.file("pipe\\t.ini") + " is not a regular file");
    writeBytes(dir.file("plain"), "[a]\n");
    const std::string under = dir.file("plain/c.ini");
    EXPECT_EQ(IniFile(under).loadError(), "Cannot read " + under + ": Not a directory");
    EXPECT_EQ(IniFile(dir.file("missing.ini")).loadError(), "");
}

TEST(IniFile, LoneCrEndsALineAsLfAndCrLfDo)
{
    TempDir dir;
    const std::string path = dir.file("cr.ini");
    // As a CRLF file cut before its last LF, and an old Mac file.
    const std::string content = "[a]\rk=1\r\nj=2\rlast=3\r";
    writeBytes(path, content);
    IniFile ini(path);
    EXPECT_EQ(ini.ReadString("a", "k", ""), "1");
    EXPECT_EQ(ini.ReadString("a", "j", ""), "2");
    EXPECT_EQ(ini.ReadString("a", "last", ""), "3");
    ini.WriteInteger("a", "new", 4);
    EXPECT_EQ(flushedBytes(ini), content + "new=4\r");
}

TEST(IniFile, TargetNameAtTheLengthLimitIsSaved)
{
    TempDir dir;
    const std::string path = dir.file(std::string(251, 'n') + ".ini");
    {
        IniFile ini(path);
        ini.WriteInteger("a", "k", 1);
        ini.flush();
    }
    EXPECT_EQ(readBytes(path), "[a]\r\nk=1\r\n");
    EXPECT_EQ(dir.entryCount(), 1u);
}

TEST(IniFile, LineBreaksInValuesAndBadNames)
{
    TempDir dir;
    IniFile ini(dir.file("breaks.ini"));
    ini.WriteString("a", "k", "one\r\n[evil]\nk=2");
    EXPECT_EQ(ini.ReadString("a", "k", ""), "one  [evil] k=2");
    EXPECT_EQ(ini.ReadString("evil", "k", "none"), "none");
    EXPECT_THROW(ini.WriteString("a", "k=v", "x"), AppError);
    EXPECT_THROW(ini.WriteString("a", "[k]", "x"), AppError);
    EXPECT_THROW(ini.WriteString("a\nb", "k", "x"), AppError);
    EXPECT_EQ(flushedBytes(ini), "[a]\r\nk=one  [evil] k=2\r\n");
}

TEST(IniFile, UnwritableTargetsRaiseTheErrorAndLeaveNothingBehind)
{
    TempDir dir;
    const std::string missingDir = dir.file("no/such/dir/a.ini");
    IniFile a(missingDir);
    try {
        a.WriteString("s", "k", "v");
        FAIL() << "write into a missing directory succeeded";
    } catch (const AppError& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + missingDir);
        EXPECT_EQ(a.writeError(), "the directory " + dir.file("no/such/dir") + " does not exist");
    }

    // A directory in place of the file is neither read nor replaced.
    std::filesystem::create_directory(dir.file("isdir.ini"));
    IniFile b(dir.file("isdir.ini"));
    EXPECT_EQ(b.ReadString("s", "k", "d"), "d");
    EXPECT_THROW(b.WriteString("s", "k", "v"), AppError);
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("isdir.ini")));

    EXPECT_THROW(IniFile("").WriteString("s", "k", "v"), AppError);
}

TEST(IniFile, FailedFlushThrowsAndTheDestructorDoesNot)
{
    TempDir dir;
    const std::filesystem::path sub = dir.path() / "sub";
    std::filesystem::create_directory(sub);
    const std::string path = (sub / "c.ini").string();
    {
        IniFile ini(path);
        ini.WriteString("s", "k", "v"); // the directory is there now
        std::filesystem::remove(sub);
        EXPECT_THROW(ini.flush(), AppError);
        // Leaving the scope flushes again, silently.
    }
    EXPECT_FALSE(std::filesystem::exists(sub));
}

TEST(IniFile, RewriteKeepsLinkAndModeAndLeavesNoTemporaryFile)
{
    TempDir dir;
    const std::string real = dir.file("real.ini");
    const std::string link = dir.file("link.ini");
    writeBytes(real, "[s]\nk=1\n");
    ASSERT_EQ(chmod(real.c_str(), 0640), 0);
    std::filesystem::create_symlink(real, link);
    {
        IniFile ini(link);
        ini.WriteInteger("s", "k", 2);
        ini.flush();
    }
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(readBytes(real), "[s]\nk=2\n");
    struct stat st;
    ASSERT_EQ(stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(dir.entryCount(), 2u);
}
