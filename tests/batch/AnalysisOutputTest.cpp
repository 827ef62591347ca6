// tessavo-batch --analysis: the five files against the definitions on a stored lattice, averaged
// over runs in run order, and finite-size scaling over several lattice sizes.
#include "BatchProcess.h"
#include "../analysis/SurfaceReference.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <map>
#include <regex>
#include <utility>

namespace {

// A file's data lines keyed by their first two fields (tick and k, r, l or step size), each
// with its remaining fields; the header is checked against `header`.
using Rows = std::map<std::pair<int64_t, double>, std::vector<std::string>>;

// Every comma-separated field of a line, empty ones at the end too.
std::vector<std::string> allFields(const std::string& line)
{
    std::vector<std::string> fields(1);
    for (char ch : line)
        if (ch == ',')
            fields.emplace_back();
        else
            fields.back() += ch;
    return fields;
}

Rows rowsOf(const std::string& text, const std::string& header)
{
    const std::vector<std::string> lines = linesOf(text);
    EXPECT_FALSE(lines.empty());
    if (lines.empty())
        return {};
    EXPECT_EQ(lines[0], header);
    Rows rows;
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> fields = allFields(lines[i]);
        EXPECT_GE(fields.size(), 2u) << lines[i];
        const auto key = std::pair{std::stoll(fields[0]), numberOf(fields[1])};
        rows[key] = std::vector<std::string>(fields.begin() + 2, fields.end());
    }
    return rows;
}

void expectNear(const std::string& actual, double expected, double scale, const std::string& what)
{
    EXPECT_NEAR(numberOf(actual), expected, 1e-9 * std::max(std::abs(expected), scale)) << what;
}

} // namespace

TEST(AnalysisOutput, AStoredLatticeGivesTheCurvesOfTheDefinitions)
{
    // 12 columns by 10 rows (not square, so rows and columns cannot be swapped unseen), a
    // pattern of steps with one tall column for a skewed distribution of heights.
    Lattice l{10, 12, {}};
    std::string layer = "[layer]\nx=12\ny=10\n";
    for (int32_t y = 0; y < l.rows; ++y) {
        layer += "x" + std::to_string(y) + "=";
        for (int32_t x = 0; x < l.cols; ++x) {
            const int32_t h = (3 * x * x + 5 * y + x * y) % 7 - 2 + (y == 4 && x == 5 ? 20 : 0);
            l.h.push_back(h);
            layer += std::to_string(h) + "|";
        }
        layer += "\n";
    }
    BatchProcess tool;
    tool.write("pattern.lay", layer);
    const ToolResult r = tool.run({"--layer", "pattern.lay", "--steps", "0", "--analysis", "a"});
    ASSERT_EQ(r.status, 0) << r.err;
    const Reference ref = reference(l);
    const double w2 = double(ref.w2), pi = std::acos(-1.0);

    const Rows sk = rowsOf(tool.read("a.sk.csv"), "tick,k,S,modes");
    ASSERT_EQ(sk.size(), 5u);
    for (int b = 1; b <= 5; ++b) {
        const auto row = sk.find({0, b * 2 * pi / 10});
        ASSERT_NE(row, sk.end()) << "k bin " << b;
        expectNear(row->second.at(0), ref.s[b - 1], w2, "S, bin " + std::to_string(b));
        EXPECT_EQ(row->second.at(1), std::to_string(ref.modes[b - 1]));
    }
    const Rows gr = rowsOf(tool.read("a.gr.csv"), "tick,r,C,G");
    ASSERT_EQ(gr.size(), 5u);
    for (int r = 1; r <= 5; ++r) {
        const std::vector<std::string>& row = gr.at({0, r});
        expectNear(row.at(0), ref.c[r - 1], w2, "C, r " + std::to_string(r));
        expectNear(row.at(1), ref.g[r - 1], w2, "G, r " + std::to_string(r));
    }
    const Rows wl = rowsOf(tool.read("a.wl.csv"), "tick,l,w");
    ASSERT_EQ(wl.size(), 3u); // l = 2, 4, 8
    for (int i = 0; i < 3; ++i)
        expectNear(wl.at({0, 2 << i}).at(0), ref.w[i], std::sqrt(w2), "w, l " + std::to_string(2 << i));

    const std::vector<std::string> moments = linesOf(tool.read("a.moments.csv"));
    ASSERT_EQ(moments.size(), 2u);
    EXPECT_EQ(moments[0], "tick,W,skewness,excess_kurtosis,xi");
    const std::vector<std::string> m = allFields(moments[1]);
    ASSERT_EQ(m.size(), 5u) << moments[1];
    EXPECT_EQ(m[0], "0");
    expectNear(m[1], std::sqrt(w2), 0.0, "W");
    ASSERT_TRUE(ref.skewness && ref.kurtosis);
    expectNear(m[2], *ref.skewness, 1.0, "skewness");
    expectNear(m[3], *ref.kurtosis, 1.0, "excess kurtosis");
    // These heights are correlated over less than one cell: no length.
    EXPECT_FALSE(ref.length);
    EXPECT_EQ(m[4], "");

    const Rows slopes = rowsOf(tool.read("a.slopes.csv"), "tick,difference,count,fraction");
    ASSERT_EQ(slopes.size(), ref.steps.size());
    for (const auto& [difference, count] : ref.steps) {
        const std::vector<std::string>& row = slopes.at({0, double(difference)});
        EXPECT_EQ(row.at(0), std::to_string(count)) << "step " << difference;
        expectNear(row.at(1), double(count) / (2 * l.cells()), 1.0, "fraction of step " + std::to_string(difference));
    }
}

namespace {

const std::vector<std::string> growth = {"--steps", "300", "--size", "16x12", "--dep", "150", "--max", "1000",
                                         "--analyze-every", "100", "--quiet"};

std::vector<std::string> with(std::vector<std::string> args, std::initializer_list<std::string> more)
{
    args.insert(args.end(), more);
    return args;
}

const char* const fileKinds[] = {"sk", "gr", "wl", "moments", "slopes"};

} // namespace

TEST(AnalysisOutput, AveragesAreTheSameForEveryNumberOfJobs)
{
    BatchProcess tool;
    ASSERT_EQ(tool.run(with(growth, {"--seed", "4", "--runs", "16", "--jobs", "1", "--analysis", "one"})).status, 0);
    ASSERT_EQ(tool.run(with(growth, {"--seed", "4", "--runs", "16", "--jobs", "2", "--analysis", "two"})).status, 0);
    for (const std::string kind : fileKinds) {
        const std::string one = tool.read("one." + kind + ".csv");
        EXPECT_EQ(one, tool.read("two." + kind + ".csv")) << kind;
        // Ticks 100, 200 and 300.
        EXPECT_NE(one.find("\n300,"), std::string::npos) << kind;
        EXPECT_NE(one.find("\n100,"), std::string::npos) << kind;
    }
}

TEST(AnalysisOutput, TheAverageOfTwoRunsIsTheMeanOfTheTwoSingleRuns)
{
    BatchProcess tool;
    ASSERT_EQ(tool.run(with(growth, {"--rng", "lcg", "--seed", "20", "--runs", "2", "--jobs", "2", "--analysis", "both"})).status, 0);
    ASSERT_EQ(tool.run(with(growth, {"--seed", "20", "--analysis", "first"})).status, 0);
    ASSERT_EQ(tool.run(with(growth, {"--seed", "21", "--analysis", "second"})).status, 0);

    // S(k): the mean, half the difference as the standard error, the modes of each run.
    const Rows both = rowsOf(tool.read("both.sk.csv"), "tick,k,S_mean,S_stderr,modes");
    const Rows first = rowsOf(tool.read("first.sk.csv"), "tick,k,S,modes");
    const Rows second = rowsOf(tool.read("second.sk.csv"), "tick,k,S,modes");
    ASSERT_EQ(both.size(), 3u * 6u); // 3 ticks of min(16, 12) / 2 bins
    for (const auto& [key, row] : both) {
        const double a = numberOf(first.at(key).at(0)), b = numberOf(second.at(key).at(0));
        EXPECT_EQ(numberOf(row.at(0)), (a + b) / 2);
        EXPECT_NEAR(numberOf(row.at(1)), std::abs(a - b) / 2, 1e-12 * (a + b));
        EXPECT_EQ(row.at(2), first.at(key).at(1));
    }

    // Steps: a size only one run has counts 0 in the other.
    const Rows slopes = rowsOf(tool.read("both.slopes.csv"), "tick,difference,fraction_mean,fraction_stderr");
    const Rows firstSlopes = rowsOf(tool.read("first.slopes.csv"), "tick,difference,count,fraction");
    const Rows secondSlopes = rowsOf(tool.read("second.slopes.csv"), "tick,difference,count,fraction");
    const auto fraction = [](const Rows& rows, const std::pair<int64_t, double>& key) {
        return rows.count(key) ? numberOf(rows.at(key).at(1)) : 0.0;
    };
    std::set<std::pair<int64_t, double>> sizes;
    for (const Rows* rows : {&firstSlopes, &secondSlopes})
        for (const auto& entry : *rows)
            sizes.insert(entry.first);
    EXPECT_EQ(slopes.size(), sizes.size());
    for (const auto& [key, row] : slopes)
        EXPECT_EQ(numberOf(row.at(0)), (fraction(firstSlopes, key) + fraction(secondSlopes, key)) / 2)
            << "tick " << key.first << ", step " << key.second;

    const std::vector<std::string> moments = linesOf(tool.read("both.moments.csv"));
    EXPECT_EQ(moments.at(0), "tick,W_mean,W_stderr,skewness_mean,skewness_stderr,excess_kurtosis_mean,"
                             "excess_kurtosis_stderr,xi_mean,xi_stderr");
    const double w1 = numberOf(allFields(linesOf(tool.read("first.moments.csv")).at(3)).at(1));
    const double w2 = numberOf(allFields(linesOf(tool.read("second.moments.csv")).at(3)).at(1));
    EXPECT_EQ(numberOf(allFields(moments.at(3)).at(1)), (w1 + w2) / 2);
}

TEST(AnalysisOutput, FiniteSizeScalingPrintsAlphaAndZAndWritesItsTable)
{
    BatchProcess tool;
    const std::vector<std::string> args = {"--seed", "3", "--runs", "4", "--steps", "400", "--dep", "500", "--quiet"};
    ToolResult r = tool.run(with(args, {"--sizes", "10,12,16", "--fss", "fss.csv"}));
    ASSERT_EQ(r.status, 0) << r.err;
    const std::regex printed(R"(alpha = -?\d+\.\d+ \+/- \d+\.\d+, z = -?\d+\.?\d* \+/- \d+\.?\d* \(error: jackknife over 4 runs\)
W_sat\^2 against ln L: slope -?\d+\.\d+ \+/- \d+\.\d+ \(error: jackknife over 4 runs\)
)");
    EXPECT_TRUE(std::regex_match(r.out, printed)) << r.out;

    const std::vector<std::string> table = linesOf(tool.read("fss.csv"));
    ASSERT_EQ(table.size(), 4u);
    EXPECT_EQ(table[0], "L,W_sat,W_sat_stderr,t_cross,saturated");
    for (size_t i = 1; i < 4; ++i) {
        const std::vector<std::string> f = allFields(table[i]);
        ASSERT_EQ(f.size(), 5u) << table[i];
        EXPECT_EQ(f[4], "1");
        EXPECT_EQ(f[0], (std::vector<std::string>{"10", "12", "16"}[i - 1]));
        EXPECT_GT(numberOf(f[1]), numberOf(f[2]));
        EXPECT_GT(numberOf(f[2]), 0.0);
        EXPECT_GE(std::stoi(f[3]), 1);
        EXPECT_LE(std::stoi(f[3]), 400);
    }
    // W_sat of the 10 x 10 lattice is the mean W over the last 100 ticks of that experiment alone.
    ASSERT_EQ(tool.run(with(args, {"--size", "10x10", "--roughness", "w10.csv"})).status, 0);
    const std::vector<double> mean = csvColumn(tool.read("w10.csv"), 2);
    double sum = 0;
    for (size_t i = 300; i < 400; ++i)
        sum += mean[i];
    EXPECT_EQ(numberOf(allFields(table[1])[1]), sum / 100);

    r = tool.run(with(args, {"--sizes", "10,12,16", "--json"}));
    ASSERT_EQ(r.status, 0) << r.err;
    const QJsonObject fss = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object()["fss"].toObject();
    EXPECT_TRUE(fss["alpha"].toObject()["value"].isDouble()) << r.out;
    EXPECT_TRUE(fss["z"].toObject()["error"].isDouble()) << r.out;
    EXPECT_EQ(fss["sizes"].toArray().size(), 3);

    // Random deposition never saturates: no exponents, the sizes named, status 1; with the
    // override, each line marked.
    const std::vector<std::string> rd = {"--seed", "3", "--runs", "4", "--steps", "100", "--dep", "500", "--relax", "0",
                                         "--quiet", "--sizes", "10,12,16"};
    r = tool.run(rd);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("L = 16 has not saturated"), std::string::npos) << r.err;
    r = tool.run(with(rd, {"--fss-unsaturated"}));
    ASSERT_EQ(r.status, 0) << r.err;
    for (const std::string& line : linesOf(r.out))
        EXPECT_NE(line.find("[unsaturated: L = 10, 12, 16]"), std::string::npos) << line;
}

TEST(AnalysisOutput, OptionsThatDoNotFitTogetherAreRefused)
{
    BatchProcess tool;
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--analyze-every", "10"},
             {"--fss", "f.csv"},
             {"--sizes", "10,12", "--runs", "2", "--seed", "1"},
             {"--sizes", "10,12,12", "--runs", "2", "--seed", "1"},
             {"--sizes", "10,12,16", "--seed", "1"},
             {"--sizes", "10,12,16", "--runs", "2", "--seed", "1", "--roughness", "w.csv"},
         }) {
        const ToolResult r = tool.run(args);
        EXPECT_EQ(r.status, 2) << args[0] << " " << args[1] << ": " << r.err;
    }
    EXPECT_EQ(tool.entries(), std::set<std::string>{});
}
