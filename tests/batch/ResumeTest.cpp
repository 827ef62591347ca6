// tessavo-batch --resume: a run saved by --save-layer goes on exactly as if it had never
// stopped, and a file that no longer belongs to its saved state is refused.
#include "BatchProcess.h"

#include "files/IniFile.h"

#include <QImage>

namespace {

const std::vector<std::string> film = {"--size", "23x17", "--dep", "300", "--relax", "3", "--autoheight"};

std::vector<std::string> with(std::vector<std::string> args, std::initializer_list<std::string> more)
{
    args.insert(args.end(), more);
    return args;
}

// The lines of a CSV from line `from` (1 is the header) on.
std::string linesFrom(const std::string& text, size_t from)
{
    std::string out;
    const std::vector<std::string> lines = linesOf(text);
    for (size_t i = from - 1; i < lines.size(); ++i)
        out += lines[i] + "\n";
    return out;
}

} // namespace

class Resume : public testing::TestWithParam<std::string> {};
INSTANTIATE_TEST_SUITE_P(Generators, Resume, testing::Values("lcg", "philox"));

TEST_P(Resume, ContinuesByteForByteAsOneStraightRun)
{
    BatchProcess tool;
    const std::string rng = GetParam();
    ASSERT_EQ(tool.run(with(film, {"--rng", rng, "--seed", "5", "--steps", "200", "--roughness", "straight.csv",
                                   "--save-layer", "straight.lay"})).status, 0);
    ASSERT_EQ(tool.run(with(film, {"--rng", rng, "--seed", "5", "--steps", "100", "--save-layer", "half.lay"})).status, 0);
    const ToolResult r = tool.run({"--resume", "half.lay", "--steps", "100", "--roughness", "rest.csv", "--save-layer", "rest.lay"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(tool.read("rest.lay"), tool.read("straight.lay"));
    EXPECT_EQ(linesFrom(tool.read("rest.csv"), 2), linesFrom(tool.read("straight.csv"), 102)); // ticks 101..200
}

TEST(Resume, RefusesAFileThatNoLongerMatchesItsStateOrAContradictingOption)
{
    BatchProcess tool;
    ASSERT_EQ(tool.run(with(film, {"--seed", "5", "--steps", "20", "--save-layer", "a.lay"})).status, 0);

    ToolResult r = tool.run({"--resume", "a.lay", "--dep", "301", "--steps", "1"});
    EXPECT_EQ(r.status, 2) << "a contradiction in what was typed";
    EXPECT_NE(r.err.find("contradicts"), std::string::npos) << r.err;

    // Saved values the options would refuse, or a tick from which the count could overflow.
    for (const auto& [key, value] : {std::pair{"tick", "9223372036854775807"}, {"dep", "0"}, {"dep", "1001"},
                                     {"z", "99"}, {"zmode", "7"}, {"autoheight", "5"}}) {
        IniFile ini(tool.file("a.lay"));
        const std::string saved = ini.ReadString("state", key, "");
        ini.WriteString("state", key, value);
        ini.flush();
        r = tool.run({"--resume", "a.lay", "--steps", "1", "--save-layer", "b.lay"});
        EXPECT_EQ(r.status, 1) << key << "=" << value;
        EXPECT_NE(r.err.find("out of range"), std::string::npos) << r.err;
        ini.WriteString("state", key, saved);
        ini.flush();
    }

    // The window saves over the layer and keeps the other sections: one height changed.
    {
        IniFile ini(tool.file("a.lay"));
        std::string row = ini.ReadString("layer", "x3", "");
        row[0] = row[0] == '9' ? '8' : static_cast<char>(row[0] + 1);
        ini.WriteString("layer", "x3", row);
        ini.flush();
    }
    r = tool.run({"--resume", "a.lay", "--steps", "1", "--save-layer", "b.lay"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(linesOf(r.err).size(), 1u) << r.err;
    EXPECT_NE(r.err.find("no longer matches"), std::string::npos) << r.err;
    EXPECT_FALSE(tool.exists("b.lay"));

    // A layer file without a saved run.
    tool.write("plain.lay", "[layer]\r\nx=10\r\ny=10\r\n");
    r = tool.run({"--resume", "plain.lay", "--steps", "1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no saved run"), std::string::npos) << r.err;
}

TEST(LargeLattice, AFewTicksOf4096x4096SaveAndLoadBack)
{
    BatchProcess tool;
    ToolResult r = tool.run({"--seed", "1", "--size", "4096x4096", "--rng", "philox", "--steps", "2", "--relax", "0",
                             "--heightmap", "h.png", "--save-layer", "big.lay", "--roughness", "a.csv"});
    ASSERT_EQ(r.status, 0) << r.err;
    r = tool.run({"--layer", "big.lay", "--steps", "0", "--save-layer", "again.lay"});
    ASSERT_EQ(r.status, 0) << r.err;
    // The same lattice comes back (the state section is written anew for the new run).
    const std::string big = tool.read("big.lay"), again = tool.read("again.lay");
    EXPECT_EQ(big.substr(0, big.find("[state]")), again.substr(0, again.find("[state]")));
    const QImage map(QString::fromStdString(tool.file("h.png")));
    EXPECT_EQ(map.size(), QSize(4096, 4096));
}
