#include "files/IniFile.h"
#include "i18n/Caption.h"
#include "i18n/LanguageFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const std::string shippedLangIni = TESSAVO_TEST_DATA "/../../data/lang.ini";

std::vector<std::pair<std::string, std::string>> readAll(const std::string& file, const std::string& section)
{
    const IniFile ini(file);
    std::vector<std::pair<std::string, std::string>> read;
    readCaptions(ini, section, [&](const Caption& c, const std::string& text) { read.emplace_back(c.key, text); });
    return read;
}

class TempFile {
public:
    explicit TempFile(const std::string& bytes)
    {
        char name[] = "/tmp/tessavo-lang-XXXXXX";
        const int fd = mkstemp(name);
        path = name;
        if (fd >= 0) {
            const ssize_t written = ::write(fd, bytes.data(), bytes.size());
            (void)written;
            ::close(fd);
        }
    }
    ~TempFile() { std::remove(path.c_str()); }
    std::string path;
};

} // namespace

TEST(CaptionTable, HasTheThirtyEightKeysOnce)
{
    const auto& table = captionTable();
    ASSERT_EQ(table.size(), 38u);
    std::set<std::string> keys;
    for (const Caption& c : table)
        keys.insert(c.key);
    EXPECT_EQ(keys.size(), 38u);
    EXPECT_STREQ(table.front().key, "ani");
    EXPECT_STREQ(table.back().key, "about");
    // The radio items follow their group's caption.
    EXPECT_STREQ(table[11].key, "cond1");
    EXPECT_EQ(table[11].item, 0);
    EXPECT_EQ(table[12].item, 1);
    EXPECT_STREQ(table[12].target, "Warunki");
}

TEST(ShippedLanguageFile, IsWindows1250WithBothSectionsComplete)
{
    std::ifstream in(shippedLangIni, std::ios::binary);
    ASSERT_TRUE(in.good()) << shippedLangIni;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // "ę" of "prędkość" is the single byte 0xEA in Windows-1250.
    EXPECT_NE(bytes.find("speed=pr\xEA" "dko\x9C\xE6"), std::string::npos);

    const IniFile ini(shippedLangIni);
    EXPECT_FALSE(ini.isUtf8());
    for (const Caption& c : captionTable()) {
        EXPECT_EQ(ini.ReadString(polishSection, c.key, "<missing>"), c.polish) << c.key;
        EXPECT_EQ(ini.ReadString(englishSection, c.key, "<missing>"), c.english) << c.key;
    }
}

TEST(ReadCaptions, MissingFileGivesTheEnglishDefaultsInTableOrder)
{
    const auto read = readAll("/nonexistent/dir/lang.ini", polishSection);
    ASSERT_EQ(read.size(), 38u);
    for (size_t i = 0; i < read.size(); ++i) {
        EXPECT_EQ(read[i].first, captionTable()[i].key);
        EXPECT_EQ(read[i].second, captionTable()[i].english);
    }
}

TEST(ReadCaptions, AMissingKeyAloneFallsBackToItsDefault)
{
    // A hand-written file: Windows-1250, CRLF, keys in other letter case, blanks around values.
    std::string text = "[Language1]\r\n";
    for (const Caption& c : captionTable()) {
        if (std::string(c.key) == "rough")
            continue;
        text += std::string(c.key) == "speed" ? "SPEED = szybko\x9C\xE6 \r\n" : std::string(c.key) + "=pl-" + c.key + "\r\n";
    }
    text += "[language2]\r\nrough=Rough\r\n";
    TempFile file(text);
    const auto read = readAll(file.path, polishSection);
    ASSERT_EQ(read.size(), 38u);
    for (const auto& [key, value] : read) {
        if (key == "rough")
            EXPECT_EQ(value, "Roughness");
        else if (key == "speed")
            EXPECT_EQ(value, "szybkość");
        else
            EXPECT_EQ(value, "pl-" + key);
    }
}

TEST(ReadCaptions, StopsAtAnErrorKeepingWhatWasApplied)
{
    const IniFile ini(shippedLangIni);
    std::vector<std::string> applied;
    EXPECT_THROW(readCaptions(ini, englishSection,
                     [&](const Caption& c, const std::string& text) {
                         if (std::string(c.key) == "grid")
                             throw std::runtime_error("stop");
                         applied.push_back(text);
                     }),
        std::runtime_error);
    EXPECT_EQ(applied, (std::vector<std::string>{"Animation", "speed", "zoom", "autoheight"}));
}

TEST(LanguageFileName, IsBesideTheExecutableElseInTheInstalledDataFolder)
{
    namespace fs = std::filesystem;
    char pattern[] = "/tmp/tessavo-lang-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const fs::path root = pattern;
    const std::string bin = (root / "bin").string();
    fs::create_directories(root / "bin");
    fs::create_directories(root / "share" / "tessavo");

    // Neither: the name beside the executable, whose absence gives the English defaults.
    EXPECT_EQ(languageFileName(bin), bin + "/lang.ini");
    std::ofstream(root / "share" / "tessavo" / "lang.ini") << "[language2]\n";
    EXPECT_EQ(fs::canonical(languageFileName(bin)), fs::canonical(root / "share" / "tessavo" / "lang.ini"));
    std::ofstream(root / "bin" / "lang.ini") << "[language2]\n";
    EXPECT_EQ(languageFileName(bin), bin + "/lang.ini");
    fs::remove_all(root);
}
