// Slices of an experiment (--run-range with --series) and tessavo-batch merge: the merged
// outputs are the one-machine outputs byte for byte; mistakes in merge's command line exit
// with status 2; slices crafted to reach outside themselves or to hold what no run gives are
// refused with status 1. (The refusals of slices that do not belong together: tests/run.)
#include "BatchProcess.h"

#include "run/SeriesFile.h"

#include <hdf5.h>

#include <cmath>
#include <functional>
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

namespace {

// A copy of `from` changed by `edit` through the HDF5 library, as another program could make it.
void craft(const BatchProcess& tool, const std::string& from, const std::string& name, const std::function<void(hid_t)>& edit)
{
    std::filesystem::copy_file(tool.file(from), tool.file(name));
    H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
    const hid_t file = H5Fopen(tool.file(name).c_str(), H5F_ACC_RDWR, H5P_DEFAULT);
    ASSERT_GE(file, 0);
    edit(file);
    H5Fclose(file);
}

// A dataset of 2 runs of 150 ticks (roughness unless named) made anew with the creation
// properties `create`; its values written when given.
void remakeRoughness(hid_t file, hid_t create, const std::vector<double>* values, const char* name = "roughness")
{
    H5Ldelete(file, name, H5P_DEFAULT);
    const hsize_t dims[2] = {2, 150};
    const hid_t space = H5Screate_simple(2, dims, nullptr);
    const hid_t d = H5Dcreate2(file, name, H5T_IEEE_F64LE, space, H5P_DEFAULT, create, H5P_DEFAULT);
    ASSERT_GE(d, 0);
    if (values)
        H5Dwrite(d, H5T_NATIVE_DOUBLE, H5S_ALL, H5S_ALL, H5P_DEFAULT, values->data());
    H5Dclose(d);
    H5Sclose(space);
}

void putInteger(hid_t file, const char* name, int64_t value)
{
    const hid_t a = H5Aopen(file, name, H5P_DEFAULT);
    H5Awrite(a, H5T_NATIVE_INT64, &value);
    H5Aclose(a);
}

} // namespace

TEST(MergeUntrusted, CraftedSlicesAreRefusedWithOneLineAndNothingOfThemIsWritten)
{
    BatchProcess tool;
    ASSERT_EQ(tool.run({"--steps", "150", "--size", "16x12", "--seed", "7", "--runs", "2", "--series", "s.h5"}).status, 0);
    // A file of the user's that no slice may read out: W of 0.5 everywhere, were it read.
    const std::vector<double> secret(300, 0.5);
    tool.write("secret", std::string(reinterpret_cast<const char*>(secret.data()), secret.size() * sizeof(double)));
    std::vector<double> w(300, 1.0);
    const auto valuesWith = [&](double v) {
        w[3] = v;
        return &w;
    };

    const struct {
        std::string name;
        std::function<void(hid_t)> edit;
        std::string message;
    } cases[] = {
        {"external.h5",
         [&](hid_t f) {
             const hid_t create = H5Pcreate(H5P_DATASET_CREATE);
             H5Pset_external(create, tool.file("secret").c_str(), 0, 300 * sizeof(double));
             remakeRoughness(f, create, nullptr);
             H5Pclose(create);
         },
         "'roughness' keeps its values in another file"},
        {"virtual.h5",
         [](hid_t f) {
             const hid_t create = H5Pcreate(H5P_DATASET_CREATE);
             const hsize_t dims[2] = {2, 150};
             const hid_t space = H5Screate_simple(2, dims, nullptr);
             H5Pset_virtual(create, space, "missing.h5", "/roughness", space);
             remakeRoughness(f, create, nullptr);
             H5Sclose(space);
             H5Pclose(create);
         },
         "'roughness' is a virtual dataset"},
        {"linked.h5",
         [&](hid_t f) {
             H5Ldelete(f, "roughness", H5P_DEFAULT);
             H5Lcreate_external(tool.file("s.h5").c_str(), "/roughness", f, "roughness", H5P_DEFAULT, H5P_DEFAULT);
         },
         "'roughness' is an external link to another file"},
        {"nan.h5", [&](hid_t f) { remakeRoughness(f, H5P_DEFAULT, valuesWith(NAN)); }, "roughness at tick 4 is nan"},
        {"negative.h5", [&](hid_t f) { remakeRoughness(f, H5P_DEFAULT, valuesWith(-1.0)); }, "roughness at tick 4 is -1"},
        {"huge.h5", [&](hid_t f) { remakeRoughness(f, H5P_DEFAULT, valuesWith(1e308)); }, "roughness at tick 4 is 1e+308"},
        {"falling.h5", [&](hid_t f) { remakeRoughness(f, H5P_DEFAULT, valuesWith(0.5), "layers"); },
         "landed layers at tick 4 is 0.5, fewer than the tick before"},
        {"unwritten.h5", [](hid_t f) { remakeRoughness(f, H5P_DEFAULT, nullptr); }, "'roughness' holds values that were never written"},
        // Half a billion runs declared by a small file: refused at once, without a list of them.
        {"runs.h5", [](hid_t f) { putInteger(f, "runs", 500000000); }, "runs missing: 2..499999999"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        craft(tool, "s.h5", c.name, c.edit);
        const std::set<std::string> before = tool.entries();
        const ToolResult r = tool.run({"merge", c.name, "--roughness", "merged.csv", "--series", "merged.h5"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(linesOf(r.err).size(), 1u) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(tool.entries(), before);
    }
}
