// tessavo-batch driven as a user drives it: one run, its layer file and roughness series.
#include "BatchProcess.h"

#include <numeric>

namespace {

int64_t totalHeight(const Symulacja& sim)
{
    int64_t sum = 0;
    for (int32_t r = 0; r < sim.sizeY; ++r)
        for (int32_t c = 0; c < sim.sizeX; ++c)
            sum += sim.lattice->get(r, c);
    return sum;
}

} // namespace

TEST(BatchRun, FirstParticlesFollowTheGeneratorReference)
{
    BatchProcess tool;
    const ToolResult r = tool.run({"--seed", "1", "--size", "50x40", "--steps", "1", "--relax", "0", "--save-layer", "a.lay"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    Random random;
    const auto sim = loadLayer(tool.file("a.lay"), random);
    ASSERT_EQ(sim->sizeX, 50);
    ASSERT_EQ(sim->sizeY, 40);
    EXPECT_GE(sim->lattice->get(0, 16), 1);
    EXPECT_GE(sim->lattice->get(1, 17), 1);
    // trunc(50 x 0.01 x 40) = 20 particles and no relaxation to move them.
    EXPECT_EQ(totalHeight(*sim), 20);
}

TEST(BatchRun, SameSeedGivesByteIdenticalFilesAndAnotherSeedDoesNot)
{
    BatchProcess tool;
    const std::vector<std::string> common = {"--steps", "150", "--dep", "300", "--size", "30x20"};
    auto withSeed = [&](const std::string& seed, const std::string& tag) {
        std::vector<std::string> args = common;
        args.insert(args.end(), {"--seed", seed, "--save-layer", tag + ".lay", "--roughness", tag + ".csv"});
        const ToolResult r = tool.run(args);
        EXPECT_EQ(r.status, 0) << r.err;
    };
    withSeed("42", "a");
    withSeed("42", "b");
    withSeed("43", "c");
    EXPECT_EQ(tool.read("a.lay"), tool.read("b.lay"));
    EXPECT_EQ(tool.read("a.csv"), tool.read("b.csv"));
    EXPECT_NE(tool.read("a.lay"), tool.read("c.lay"));
    EXPECT_NE(tool.read("a.csv"), tool.read("c.csv"));
}

TEST(BatchRun, WithTheDefaultsDepositionStopsAfterTick5001)
{
    BatchProcess tool;
    ToolResult r = tool.run({"--seed", "3", "--steps", "5003", "--roughness", "w.csv"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> lines = linesOf(tool.read("w.csv"));
    ASSERT_EQ(lines.size(), 5004u);
    EXPECT_EQ(lines[0], "tick,deposited,heightOffset,roughness,layers");
    const std::vector<double> deposited = csvColumn(tool.read("w.csv"), 1);
    EXPECT_EQ(deposited[4999], 49.99999999999862);
    EXPECT_EQ(deposited[5000], 50.00999999999862);
    EXPECT_EQ(deposited[5002], 50.00999999999862);
    // Ticks after the last deposition change nothing: same roughness, same lattice.
    EXPECT_EQ(fieldsOf(lines[5001])[3], fieldsOf(lines[5003])[3]);
    EXPECT_EQ(fieldsOf(lines[5003])[0], "5003");
    r = tool.run({"--seed", "3", "--steps", "5001", "--save-layer", "a.lay"});
    ASSERT_EQ(r.status, 0) << r.err;
    r = tool.run({"--seed", "3", "--steps", "5003", "--save-layer", "b.lay"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(layerPart(tool.read("a.lay")), layerPart(tool.read("b.lay")));
    // 50 x 50 cells, 0.5 layers... 25 particles a tick for 5001 ticks.
    Random random;
    EXPECT_EQ(totalHeight(*loadLayer(tool.file("a.lay"), random)), 25 * 5001);
}

TEST(BatchRun, RoughnessSeriesReadsBackExactly)
{
    BatchProcess tool;
    ASSERT_EQ(tool.run({"--seed", "9", "--steps", "40", "--dep", "1000", "--size", "12x17",
                        "--roughness", "w.csv", "--save-layer", "a.lay"}).status, 0);
    Random random;
    const auto sim = loadLayer(tool.file("a.lay"), random);
    const std::vector<double> w = csvColumn(tool.read("w.csv"), 3);
    ASSERT_EQ(w.size(), 40u);
    EXPECT_EQ(w.back(), sim->lattice->roughness());
    const std::vector<double> deposited = csvColumn(tool.read("w.csv"), 1);
    double expected = 0.0;
    for (int i = 0; i < 40; ++i)
        expected = expected + 1000 * 0.001;
    EXPECT_EQ(deposited.back(), expected);
}

TEST(BatchRun, SavedLayerLoadsBackWithTheSameHeights)
{
    BatchProcess tool;
    ASSERT_EQ(tool.run({"--seed", "11", "--steps", "60", "--dep", "500", "--size", "30x60", "--save-layer", "a.lay"}).status, 0);
    const ToolResult r = tool.run({"--layer", "a.lay", "--steps", "0", "--save-layer", "b.lay"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(layerPart(tool.read("a.lay")), layerPart(tool.read("b.lay")));

    // Growing on from a stored lattice: the heights gained are the deposited particles.
    ASSERT_EQ(tool.run({"--layer", "a.lay", "--seed", "1", "--steps", "10", "--dep", "100", "--save-layer", "c.lay"}).status, 0);
    Random random;
    const int64_t before = totalHeight(*loadLayer(tool.file("a.lay"), random));
    const auto grown = loadLayer(tool.file("c.lay"), random);
    EXPECT_EQ(grown->sizeX, 30);
    EXPECT_EQ(grown->sizeY, 60);
    EXPECT_EQ(totalHeight(*grown), before + 10 * 180);
}

TEST(BatchRun, LayerSizeIsClampedAndRowsAreParsedAsTheWindowDoes)
{
    BatchProcess tool;
    // Wider than the window's bars loads whole; the rows are held to at least 10.
    std::string wide = "[layer]\nx=700\ny=3\n";
    std::string row;
    for (int c = 0; c < 700; ++c)
        row += std::to_string(c * 1000) + "|"; // a row longer than a plain value of the store
    for (int r = 0; r < 10; ++r)
        wide += "x" + std::to_string(r) + "=" + row + "\n";
    tool.write("wide.lay", wide);
    ToolResult r = tool.run({"--layer", "wide.lay", "--steps", "0", "--save-layer", "out.lay"});
    ASSERT_EQ(r.status, 0) << r.err;
    Random random;
    const auto sim = loadLayer(tool.file("out.lay"), random);
    EXPECT_EQ(sim->sizeX, 700);
    EXPECT_EQ(sim->sizeY, 10);
    EXPECT_EQ(sim->lattice->get(9, 699), 699000);

    // Five stored columns make a 10-column lattice whose row 0 fails at its sixth field.
    tool.write("narrow.lay", "[layer]\nx=5\ny=10\nx0=1|2|3|4|5|\n");
    r = tool.run({"--layer", "narrow.lay", "--steps", "5", "--save-layer", "n.lay"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("narrow.lay"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("'' is not a valid integer value"), std::string::npos) << r.err;
    EXPECT_FALSE(tool.exists("n.lay"));

    tool.write("bad.lay", "[layer]\nx=10\ny=10\nx0=1|2|3|x4|5|\n");
    r = tool.run({"--layer", "bad.lay"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("'x4' is not a valid integer value"), std::string::npos) << r.err;
    EXPECT_EQ(linesOf(r.err).size(), 1u);
}

TEST(BatchRun, AutoHeightMovesRemovedLayersFromDepositedToHeightOffset)
{
    BatchProcess tool;
    ASSERT_EQ(tool.run({"--seed", "5", "--steps", "30", "--dep", "1000", "--size", "10x10", "--max", "1000",
                        "--autoheight", "--roughness", "w.csv", "--save-layer", "a.lay"}).status, 0);
    const std::string csv = tool.read("w.csv");
    const std::vector<double> deposited = csvColumn(csv, 1);
    const std::vector<double> offset = csvColumn(csv, 2);
    ASSERT_EQ(deposited.size(), 30u);
    EXPECT_GT(offset.back(), 0.0);
    for (size_t i = 0; i < deposited.size(); ++i)
        EXPECT_EQ(deposited[i] + offset[i], static_cast<double>(i + 1));
    Random random;
    EXPECT_EQ(loadLayer(tool.file("a.lay"), random)->lattice->minHeight(), 0);
}

TEST(BatchRun, LayersCountTheParticlesThatLanded)
{
    BatchProcess tool;
    // 0.333 x 1152 cells: 383 particles a tick, not the 383.616 that deposited counts.
    ASSERT_EQ(tool.run({"--seed", "5", "--steps", "30", "--dep", "333", "--size", "48x24", "--max", "1000",
                        "--autoheight", "--roughness", "w.csv", "--save-layer", "a.lay"}).status, 0);
    const std::string csv = tool.read("w.csv");
    const double offset = csvColumn(csv, 2).back(), deposited = csvColumn(csv, 1).back(), layers = csvColumn(csv, 4).back();
    Random random;
    const double cells = 48 * 24;
    EXPECT_GT(offset, 0.0);
    EXPECT_EQ(layers, (static_cast<double>(totalHeight(*loadLayer(tool.file("a.lay"), random))) + offset * cells) / cells);
    EXPECT_LT(layers, deposited + offset);

    const ToolResult r = tool.run({"--seed", "1", "--steps", "3", "--dep", "9", "--size", "10x10"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("deposits no particle per tick"), std::string::npos) << r.err;
    // A finite-size study warns of its smallest lattice.
    const ToolResult sizes = tool.run({"--seed", "1", "--runs", "2", "--steps", "3", "--dep", "9", "--sizes", "12,10,11"});
    EXPECT_NE(sizes.err.find("deposits no particle per tick on 10 x 10"), std::string::npos) << sizes.err;
}

TEST(BatchRun, ConfigurationFileGivesTheSettingsAndOptionsOverrideIt)
{
    BatchProcess tool;
    // x 30 with "square" makes 30 x 30; dep 500 with max 2.5 stops after 5 ticks; zoom out of
    // range is clamped rather than refused.
    tool.write("c.ini", "[grid]\r\nx=30\r\ny=60\r\nsquare=1\r\n[layers]\r\ndep=500\r\nmax=2.5\r\n"
                        "[animation]\r\nzoom=99\r\n[relaxation]\r\nt=0\r\n");
    ToolResult r = tool.run({"--config", "c.ini", "--seed", "2", "--steps", "8", "--roughness", "w.csv", "--save-layer", "a.lay"});
    ASSERT_EQ(r.status, 0) << r.err;
    Random random;
    auto sim = loadLayer(tool.file("a.lay"), random);
    EXPECT_EQ(sim->sizeX, 30);
    EXPECT_EQ(sim->sizeY, 30);
    EXPECT_EQ(totalHeight(*sim), 5 * 450);
    EXPECT_EQ(csvColumn(tool.read("w.csv"), 1).back(), 2.5);

    r = tool.run({"--config", "c.ini", "--seed", "2", "--steps", "8", "--size", "20x10", "--max", "1", "--save-layer", "b.lay"});
    ASSERT_EQ(r.status, 0) << r.err;
    sim = loadLayer(tool.file("b.lay"), random);
    EXPECT_EQ(sim->sizeX, 20);
    EXPECT_EQ(sim->sizeY, 10);
    EXPECT_EQ(totalHeight(*sim), 2 * 100);

    // A "max" that is not a number is an error of the file (unless --max replaces it).
    tool.write("bad.ini", "[layers]\nmax=lots\n");
    r = tool.run({"--config", "bad.ini", "--steps", "1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("'lots' is not a valid floating point value"), std::string::npos) << r.err;
    EXPECT_EQ(tool.run({"--config", "bad.ini", "--steps", "1", "--max", "3"}).status, 0);
}

TEST(BatchRun, MaxLayersReadTheSameWithADecimalPointOrComma)
{
    // The window keeps "max" as typed in the user's locale; a file saved under a decimal comma
    // must grow the same film here, whatever this machine's locale.
    BatchProcess tool;
    const std::vector<std::string> common = {"--seed", "4", "--steps", "12", "--dep", "250", "--size", "10x10"};
    auto run = [&](std::vector<std::string> more, const std::string& csv) {
        std::vector<std::string> args = common;
        args.insert(args.end(), more.begin(), more.end());
        args.insert(args.end(), {"--roughness", csv});
        const ToolResult r = tool.run(args);
        EXPECT_EQ(r.status, 0) << r.err;
    };
    run({"--max", "2.5"}, "point.csv");
    run({"--max", "2,5"}, "comma.csv");
    // (A file without "z" reads threshold 0, the file's default; the window starts with 2.)
    tool.write("comma.ini", "[layers]\r\nmax=2,5\r\n[conditions]\r\nz=2\r\n");
    run({"--config", "comma.ini"}, "file.csv");
    const std::string point = tool.read("point.csv");
    EXPECT_EQ(csvColumn(point, 1).back(), 2.5); // deposition stops at 2.5 layers
    EXPECT_EQ(tool.read("comma.csv"), point);
    EXPECT_EQ(tool.read("file.csv"), point);
}
