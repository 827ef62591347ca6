// tessavo-batch experiments: many runs, their statistics per tick, and the growth fit.
#include "BatchProcess.h"

#include <QJsonDocument>
#include <QJsonObject>

#include "run/Experiment.h"
#include "model/AppError.h"

#include <regex>

namespace {

const std::vector<std::string> small = {"--steps", "120", "--size", "16x12", "--dep", "150", "--max", "1000"};

std::vector<std::string> with(std::vector<std::string> args, std::initializer_list<std::string> more)
{
    args.insert(args.end(), more);
    return args;
}

} // namespace

TEST(Experiment, ResultsAreByteIdenticalForEveryNumberOfJobs)
{
    BatchProcess tool;
    for (const std::string rng : {"lcg", "philox"}) {
        SCOPED_TRACE(rng);
        for (const std::string jobs : {"1", "4", "3"})
            ASSERT_EQ(tool.run(with(small, {"--rng", rng, "--seed", "7", "--runs", "4", "--jobs", jobs, "--roughness",
                                            jobs + ".csv"})).status, 0);
        const std::string one = tool.read("1.csv");
        EXPECT_EQ(linesOf(one).size(), 121u);
        EXPECT_EQ(linesOf(one)[0], "tick,deposited,mean,stddev,stderr,min,max,beta_eff,layers");
        EXPECT_EQ(one, tool.read("4.csv"));
        EXPECT_EQ(one, tool.read("3.csv"));
    }

    // beta_eff, last: the centred slope of ln W (the mean) against ln t, none at either end.
    const std::string one = tool.read("1.csv");
    const std::vector<std::string> lines = linesOf(one);
    const std::vector<double> mean = csvColumn(one, 2);
    EXPECT_EQ(fieldsOf(lines[1]).at(7), "");
    EXPECT_EQ(fieldsOf(lines[120]).at(7), "");
    for (size_t t = 2; t < 120; ++t) {
        const double before = mean[t - 2], now = mean[t - 1], after = mean[t];
        const std::vector<std::string> fields = fieldsOf(lines[t]);
        if (before > 0 && now > 0 && after > 0)
            EXPECT_NEAR(numberOf(fields.at(7)), (std::log(after) - std::log(before)) / (std::log(t + 1.0) - std::log(t - 1.0)),
                        1e-12) << "tick " << t;
        else
            EXPECT_EQ(fields.size(), 7u) << "tick " << t;
    }
}

// Run k of an experiment is the single run of --run-index k with the same seed (for the
// congruential generator also the single run of seed S + k); its Philox stream is its own.
class EachRun : public testing::TestWithParam<std::string> {};
INSTANTIATE_TEST_SUITE_P(Generators, EachRun, testing::Values("lcg", "philox"));

TEST_P(EachRun, IsTheSingleRunOfItsIndex)
{
    BatchProcess tool;
    const std::string rng = GetParam();
    ASSERT_EQ(tool.run(with(small, {"--rng", rng, "--seed", "20", "--runs", "3", "--jobs", "2", "--roughness", "all.csv"})).status, 0);
    std::vector<std::vector<double>> single;
    for (int k = 0; k < 3; ++k) {
        const std::string name = "run" + std::to_string(k) + ".csv";
        ASSERT_EQ(tool.run(with(small, {"--rng", rng, "--seed", "20", "--run-index", std::to_string(k), "--roughness", name})).status, 0);
        single.push_back(csvColumn(tool.read(name), 3));
    }
    if (rng == "lcg") {
        ASSERT_EQ(tool.run(with(small, {"--seed", "22", "--roughness", "seed22.csv"})).status, 0);
        EXPECT_EQ(tool.read("seed22.csv"), tool.read("run2.csv"));
    }
    const std::string all = tool.read("all.csv");
    const std::vector<double> mean = csvColumn(all, 2), stddev = csvColumn(all, 3), stderrs = csvColumn(all, 4),
                              lowest = csvColumn(all, 5), highest = csvColumn(all, 6);
    const std::vector<double> deposited = csvColumn(all, 1);
    const std::vector<double> singleDeposited = csvColumn(tool.read("run0.csv"), 1);
    ASSERT_EQ(mean.size(), 120u);
    bool spread = false;
    for (size_t i = 0; i < mean.size(); ++i) {
        const double a = single[0][i], b = single[1][i], c = single[2][i];
        EXPECT_EQ(mean[i], (a + b + c) / 3);
        EXPECT_EQ(lowest[i], std::min({a, b, c}));
        EXPECT_EQ(highest[i], std::max({a, b, c}));
        EXPECT_EQ(deposited[i], singleDeposited[i]);
        const double m = (a + b + c) / 3;
        const double s = std::sqrt(((a - m) * (a - m) + (b - m) * (b - m) + (c - m) * (c - m)) / 2);
        EXPECT_NEAR(stddev[i], s, 1e-12 * (1 + s));
        EXPECT_NEAR(stderrs[i], s / std::sqrt(3.0), 1e-12 * (1 + s));
        spread = spread || a != b;
    }
    EXPECT_TRUE(spread) << "different seeds should grow different films";
}

TEST(Experiment, OneRunHasNoSpread)
{
    BatchProcess tool;
    ASSERT_EQ(tool.run(with(small, {"--rng", "lcg", "--seed", "5", "--runs", "1", "--roughness", "one.csv"})).status, 0);
    ASSERT_EQ(tool.run(with(small, {"--seed", "5", "--roughness", "single.csv"})).status, 0);
    const std::string one = tool.read("one.csv");
    EXPECT_EQ(csvColumn(one, 2), csvColumn(tool.read("single.csv"), 3));
    for (double s : csvColumn(one, 3))
        EXPECT_EQ(s, 0.0);
}

TEST(Experiment, FitPrintsBetaWithItsErrorAndWindow)
{
    BatchProcess tool;
    ToolResult r = tool.run({"--seed", "1", "--runs", "4", "--steps", "400", "--size", "32x32", "--dep", "100", "--fit"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::regex line(R"(beta = -?\d+\.(\d+) \+/- 0\.(0*[1-9]\d) \(ticks (\d+)\.\.(\d+), 4 runs; error: jackknife over 4 runs\)\n)");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(r.out, m, line)) << r.out;
    // The error has two significant digits, the value as many decimals.
    EXPECT_EQ(m[1].str().size(), m[2].str().size()) << r.out;
    // Ten additions of 0.1 make 0.9999999999999999: the first whole layer is there at tick 11.
    EXPECT_EQ(m[3].str(), "11");
    EXPECT_GT(std::stoi(m[4].str()), 11);

    r = tool.run({"--seed", "1", "--runs", "4", "--steps", "400", "--size", "32x32", "--dep", "100", "--fit-range", "20:300"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("(ticks 20..300, 4 runs;"), std::string::npos) << r.out;
}

TEST(Experiment, AFlatSeriesGivesAClearMessageNotANumber)
{
    BatchProcess tool;
    // 0.5 particles a step truncate to none: the film stays flat.
    ToolResult r = tool.run({"--seed", "1", "--runs", "2", "--steps", "300", "--size", "10x10", "--dep", "5", "--fit"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("beta cannot be fitted"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("less than one layer"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("nan"), std::string::npos) << r.out;

    r = tool.run({"--seed", "1", "--runs", "2", "--steps", "300", "--size", "10x10", "--dep", "5", "--fit-range", "10:200", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const QJsonObject json = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
    const QString message = json["fit"].toObject()["message"].toString();
    EXPECT_TRUE(message.contains("roughness is 0 at tick 10")) << message.toStdString();
}

TEST(Experiment, JsonSummaryHoldsSettingsSeedsFitAndFinalRoughness)
{
    BatchProcess tool;
    const ToolResult r = tool.run(with(small, {"--seed", "30", "--runs", "3", "--jobs", "2", "--fit-range", "5:100", "--json", "--roughness", "w.csv"}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(linesOf(r.out).size(), 1u);
    QJsonParseError error;
    const QJsonObject json = QJsonDocument::fromJson(QByteArray::fromStdString(r.out), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << r.out;
    EXPECT_EQ(json["runs"].toInt(), 3);
    EXPECT_EQ(json["jobs"].toInt(), 2);
    EXPECT_EQ(json["seeds"].toObject()["first"].toInt(), 30);
    EXPECT_EQ(json["seeds"].toObject()["last"].toInt(), 32);
    const QJsonObject settings = json["settings"].toObject();
    EXPECT_EQ(settings["columns"].toInt(), 16);
    EXPECT_EQ(settings["rows"].toInt(), 12);
    EXPECT_EQ(settings["dep"].toInt(), 150);
    EXPECT_EQ(settings["steps"].toInt(), 120);
    const std::string csv = tool.read("w.csv");
    EXPECT_EQ(json["final_roughness"].toObject()["mean"].toDouble(), csvColumn(csv, 2).back());
    EXPECT_EQ(json["final_roughness"].toObject()["max"].toDouble(), csvColumn(csv, 6).back());
    EXPECT_TRUE(json["fit"].toObject().contains("beta"));
    EXPECT_EQ(json["fit"].toObject()["first_tick"].toInt(), 5);
    EXPECT_EQ(json["fit"].toObject()["last_tick"].toInt(), 100);
    ASSERT_TRUE(json["seconds"].isDouble()) << r.out; // the time taken
    EXPECT_GE(json["seconds"].toDouble(), 0.0);
    EXPECT_FALSE(json["seeds"].toObject()["from_clock"].toBool(true));
    EXPECT_EQ(json["final_deposited"].toDouble(), csvColumn(csv, 1).back());
}

TEST(Experiment, MemoryGrowsWithTicksAndThreadsNotWithRuns)
{
    FilmSetup settings;
    settings.scenario = windowDefaults();
    const Experiment few(settings, 1, 8, 2000), many(settings, 1, 100000, 2000), longer(settings, 1, 100000, 4000);
    EXPECT_EQ(few.memoryNeeded(2), many.memoryNeeded(2));
    // The series grow with the ticks; each thread's lattice (50 x 50 int32) does not.
    EXPECT_EQ(longer.memoryNeeded(2) - 2 * 50 * 50 * 4, 2 * (many.memoryNeeded(2) - 2 * 50 * 50 * 4));
    EXPECT_LT(many.memoryNeeded(2), many.memoryNeeded(8));
    // More threads than runs use no more than one thread per run.
    EXPECT_EQ(Experiment(settings, 1, 2, 2000).memoryNeeded(64), Experiment(settings, 1, 2, 2000).memoryNeeded(2));
    // 2000 ticks of 8-byte values: 9 for the statistics, 64 for the jackknife groups, 3 for the
    // fit and 3 for each of 4 buffered runs; and a lattice per thread.
    EXPECT_EQ(many.memoryNeeded(2), 2000u * 8u * (9u + 64u + 3u + 3u * 4u) + 2u * 50u * 50u * 4u);
    // A 4096 x 4096 lattice per thread dominates a short experiment.
    FilmSetup big = settings;
    big.scenario.sizeX = big.scenario.sizeY = 4096;
    EXPECT_GE(Experiment(big, 1, 8, 10).memoryNeeded(2), 2u * 4096u * 4096u * 4u);
}

TEST(Experiment, AnExperimentTooLargeForTheMachineIsRefusedUpFront)
{
    FilmSetup settings;
    settings.scenario = windowDefaults();
    const Experiment huge(settings, 1, 2, INT32_MAX);
    try {
        huge.checkMemory(2, uint64_t{8} << 30);
        FAIL() << "no error for " << huge.memoryNeeded(2) << " bytes";
    } catch (const AppError& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find("2147483647 ticks"), std::string::npos) << message;
        EXPECT_NE(message.find("8 GB"), std::string::npos) << message;
        EXPECT_NE(message.find("--steps"), std::string::npos) << message;
    }
    EXPECT_NO_THROW(Experiment(settings, 1, 2, 1000).checkMemory(2, uint64_t{8} << 30));
}

TEST(Experiment, SurfaceAnalysesCountTowardsTheMemory)
{
    FilmSetup settings;
    settings.scenario = windowDefaults();
    Experiment plain(settings, 1, 8, 100000), rare(settings, 1, 8, 100000), every(settings, 1, 8, 100000);
    rare.analyseSurfaces(10000, {});
    every.analyseSurfaces(1, {});
    EXPECT_LT(plain.memoryNeeded(2), rare.memoryNeeded(2));
    EXPECT_LT(rare.memoryNeeded(2), every.memoryNeeded(2));
    // An analysis every tick of a long run is refused before the first tick, with the remedy.
    Experiment huge(settings, 1, 2, INT32_MAX);
    huge.analyseSurfaces(1, {});
    try {
        huge.checkMemory(2, uint64_t{1} << 40);
        FAIL() << "no error for " << huge.memoryNeeded(2) << " bytes";
    } catch (const AppError& e) {
        EXPECT_NE(std::string(e.what()).find("--analyze-every"), std::string::npos) << e.what();
    }
}

TEST(Experiment, FewerThreadsThanAskedForGiveTheSameResults)
{
    // Under a limit on address space only a few of 256 thread stacks can be made; the runs
    // then go on the threads that started instead of the program aborting.
    BatchProcess tool;
    auto limited = [&](const std::string& jobs, const std::string& csv) {
        const std::string command = "cd " + BatchProcess::quote(tool.file("")) + " && ulimit -v 600000 && "
            + BatchProcess::quote(TESSAVO_BATCH_EXE) + " --seed 3 --runs 256 --steps 20 --size 10x10 --dep 300 --jobs "
            + jobs + " --quiet --roughness " + csv + " 2>/dev/null";
        const int raw = std::system(command.c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    };
    if (limited("1", "one.csv") != 0)
        GTEST_SKIP() << "this build of the tool cannot run under a 600 MB address-space limit (a sanitizer build)";
    EXPECT_EQ(limited("256", "many.csv"), 0);
    EXPECT_EQ(tool.read("many.csv"), tool.read("one.csv"));
    EXPECT_EQ(linesOf(tool.read("one.csv")).size(), 21u);
}
