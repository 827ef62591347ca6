// Slices of an experiment (--run-range with --series) and tessavo-batch merge: the merged
// outputs are the one-machine outputs byte for byte; mistakes in merge's command line exit
// with status 2. (The refusals of slices that do not belong together: tests/run.)
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

    // Slices that leave runs out are a failure of status 1, said in one line.
    const ToolResult refused = tool.run({"merge", "a.h5", "c.h5", "--roughness", "none.csv"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(linesOf(refused.err).size(), 1u) << refused.err;
    EXPECT_FALSE(tool.exists("none.csv"));
}

TEST_F(Merge, SeriesRowsAreTheRunsRepeatedAlone)
{
    // The experiment, given no generator, ran philox: run 3 alone is --run-index 3 with it.
    ASSERT_EQ(tool.run({"--steps", "150", "--size", "16x12", "--dep", "150", "--max", "1000", "--seed", "7",
                        "--run-index", "3", "--rng", "philox", "--roughness", "run3.csv"})
                  .status,
              0);
    const SeriesReader reader(tool.file("a.h5"));
    EXPECT_EQ(reader.runs(), (std::vector<int32_t>{0, 1, 2, 3, 4}));
    std::vector<double> w, deposited, layers;
    reader.readRow(3, w, deposited, &layers);
    const std::string single = tool.read("run3.csv");
    EXPECT_EQ(w, csvColumn(single, 3));
    EXPECT_EQ(deposited, csvColumn(single, 1));
    EXPECT_EQ(layers, csvColumn(single, 4));
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
