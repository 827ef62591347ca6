// Slices of an experiment (--run-range with --series) and tessavo-batch merge: the merged
// outputs are the one-machine outputs byte for byte; slices that do not make one experiment,
// and files that are not series files, are refused with one line and no output.
#include "BatchProcess.h"

#include "run/SeriesFile.h"

#include <regex>

namespace {

std::vector<std::string> experiment(std::initializer_list<std::string> more)
{
    std::vector<std::string> args = {"--steps", "150", "--size", "16x12", "--dep", "150", "--max",
                                     "1000", "--seed", "7", "--runs", "16", "--jobs", "2"};
    args.insert(args.end(), more);
    return args;
}

// The slices 0:5, 5:11 and 11:16 of the experiment, and the one-machine outputs.
class Merge : public ::testing::Test {
protected:
    void SetUp() override
    {
        one = tool.run(experiment({"--roughness", "one.csv", "--fit", "--json"}));
        ASSERT_EQ(one.status, 0) << one.err;
        fit = tool.run(experiment({"--roughness", "one.csv", "--fit"})).out;
        for (const auto& [name, range] : {std::pair{"a.h5", "0:5"}, {"b.h5", "5:11"}, {"c.h5", "11:16"}})
            ASSERT_EQ(tool.run(experiment({"--run-range", range, "--series", name})).status, 0);
    }

    // Merging these refuses with a message matching `pattern`, and writes nothing.
    void expectRefused(const std::vector<std::string>& inputs, const std::string& pattern)
    {
        const std::set<std::string> before = tool.entries();
        std::vector<std::string> args = {"merge"};
        args.insert(args.end(), inputs.begin(), inputs.end());
        for (const char* option : {"--roughness", "merged.csv", "--series", "merged.h5"})
            args.push_back(option);
        const ToolResult r = tool.run(args);
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_TRUE(std::regex_search(r.err, std::regex(pattern))) << r.err;
        EXPECT_EQ(linesOf(r.err).size(), 1u) << r.err;
        EXPECT_EQ(tool.entries(), before);
    }

    BatchProcess tool;
    ToolResult one;
    std::string fit;
};

// The JSON summary without its time taken.
std::string withoutSeconds(const std::string& json)
{
    return std::regex_replace(json, std::regex("\"seconds\":[0-9.e+-]+"), "\"seconds\":T");
}

} // namespace

TEST_F(Merge, UnevenSlicesGiveTheOneMachineFilesByteForByte)
{
    const ToolResult merged = tool.run({"merge", "c.h5", "a.h5", "b.h5", "--roughness", "m.csv", "--fit", "--quiet"});
    ASSERT_EQ(merged.status, 0) << merged.err;
    EXPECT_EQ(tool.read("m.csv"), tool.read("one.csv"));
    EXPECT_EQ(merged.out, fit);
    EXPECT_NE(fit.find("16 runs"), std::string::npos) << fit;

    const ToolResult json = tool.run({"merge", "a.h5", "b.h5", "c.h5", "--fit", "--json", "--series", "all.h5"});
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(withoutSeconds(json.out), withoutSeconds(one.out));

    // The merged series file is a whole experiment by itself.
    ASSERT_EQ(tool.run({"merge", "all.h5", "--roughness", "again.csv"}).status, 0);
    EXPECT_EQ(tool.read("again.csv"), tool.read("one.csv"));
}

TEST_F(Merge, SeriesRowsAreTheRunsRepeatedAlone)
{
    ASSERT_EQ(tool.run({"--steps", "150", "--size", "16x12", "--dep", "150", "--max", "1000", "--seed", "10",
                        "--roughness", "run3.csv"})
                  .status,
              0);
    const SeriesReader reader(tool.file("a.h5"));
    EXPECT_EQ(reader.runs(), (std::vector<int32_t>{0, 1, 2, 3, 4}));
    std::vector<double> w, deposited;
    reader.readRow(3, w, deposited);
    const std::string single = tool.read("run3.csv");
    EXPECT_EQ(w, csvColumn(single, 3));
    EXPECT_EQ(deposited, csvColumn(single, 1));
}

TEST_F(Merge, SlicesThatAreNotOneWholeExperimentAreRefused)
{
    ASSERT_EQ(tool.run(experiment({"--run-range", "4:16", "--series", "late.h5"})).status, 0);
    expectRefused({"a.h5", "late.h5"}, "run 4 is in both a.h5 and late.h5");
    expectRefused({"a.h5", "c.h5"}, "runs missing: 5\\.\\.10\n");
    expectRefused({"a.h5", "b.h5", "b.h5", "c.h5"}, "runs 5\\.\\.10 are in both b.h5 and b.h5");

    std::vector<std::string> otherSeed = experiment({"--run-range", "5:11", "--series", "seed8.h5"});
    *std::find(otherSeed.begin(), otherSeed.end(), "7") = "8";
    ASSERT_EQ(tool.run(otherSeed).status, 0);
    expectRefused({"a.h5", "seed8.h5", "c.h5"}, "seed8.h5 is not a slice of the experiment of a.h5: its seed is '8', not '7'");
    ASSERT_EQ(tool.run(experiment({"--run-range", "5:11", "--series", "philox.h5", "--rng", "philox"})).status, 0);
    expectRefused({"a.h5", "philox.h5", "c.h5"}, "its rng is 'philox', not 'lcg'");
}

TEST_F(Merge, FilesThatAreNotSeriesFilesAreClearErrors)
{
    const std::string bytes = tool.read("b.h5");
    tool.write("cut.h5", bytes.substr(0, bytes.size() / 2));
    expectRefused({"a.h5", "cut.h5", "c.h5"}, "^tessavo-batch: cut\\.h5: a damaged HDF5 file");
    expectRefused({"a.h5", "one.csv", "c.h5"}, "one\\.csv: not an HDF5 file");
    expectRefused({"a.h5", "nowhere.h5"}, "cannot read nowhere\\.h5");
}

TEST(MergeUsage, MistakesExitWithStatus2)
{
    BatchProcess tool;
    for (const std::vector<std::string>& args :
         {experiment({"--run-range", "0:5"}), experiment({"--run-range", "5:17", "--series", "s.h5"}),
          experiment({"--run-range", "5:5", "--series", "s.h5"}),
          experiment({"--run-range", "0:5", "--series", "s.h5", "--roughness", "w.csv"}),
          std::vector<std::string>{"--steps", "10", "--series", "s.h5"}, std::vector<std::string>{"merge"},
          std::vector<std::string>{"merge", "a.h5", "--bogus"}}) {
        const ToolResult r = tool.run(args);
        EXPECT_EQ(r.status, 2) << args.back() << ": " << r.err;
        EXPECT_EQ(linesOf(r.err).size(), 1u) << r.err;
    }
    EXPECT_FALSE(tool.exists("s.h5"));
}
