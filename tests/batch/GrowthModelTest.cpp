// The textbook growth models through the batch tool: each grows the lattice its tests pinned,
// on both generators, the same for any number of threads, and keeps its model in the saved run
// that --resume continues.
#include "BatchProcess.h"

#include "run/FilmState.h"

#include <map>

namespace {

const std::vector<std::string> shortRun = {"--size", "24x20", "--dep", "700", "--max", "1000", "--steps", "40", "--seed", "5"};

std::vector<std::string> with(std::vector<std::string> args, std::initializer_list<std::string> more)
{
    args.insert(args.end(), more);
    return args;
}

class Model : public testing::TestWithParam<std::string> {};
INSTANTIATE_TEST_SUITE_P(Textbook, Model, testing::Values("rd", "rdsr", "bd", "rsos", "wv", "dt"));

} // namespace

TEST_P(Model, GrowsThePinnedLatticeOnBothGeneratorsForAnyNumberOfJobs)
{
    // The lattice hash of the saved run's state (FNV-1a over the heights); a change here is a
    // change of the model's rule or of its draws.
    const std::map<std::string, std::pair<uint64_t, uint64_t>> pinned = {
        {"rd", {13946574458627718235ull, 17634348964833286919ull}},
        {"rdsr", {16013684467947141459ull, 17614890812996594277ull}},
        {"bd", {1193902178692258356ull, 12057054325882763717ull}},
        {"rsos", {6082480204413314941ull, 7865941214285188578ull}},
        {"wv", {10636299742620850661ull, 11779302149064007411ull}},
        {"dt", {8786735682931391131ull, 15403704066655109413ull}},
    };
    const std::string model = GetParam();
    BatchProcess tool;
    for (const std::string rng : {"lcg", "philox"}) {
        SCOPED_TRACE(rng);
        const auto args = with(shortRun, {"--model", model, "--rng", rng});
        ASSERT_EQ(tool.run(with(args, {"--save-layer", "one.lay"})).status, 0);
        const std::optional<FilmState> state = FilmState::read(IniFile(tool.file("one.lay")));
        ASSERT_TRUE(state);
        EXPECT_EQ(growthModelName(state->settings.model), model);
        EXPECT_EQ(state->latticeHash, rng == "lcg" ? pinned.at(model).first : pinned.at(model).second);

        // Continued from half way, the run keeps its model and ends on the same lattice.
        ASSERT_EQ(tool.run(with(args, {"--steps", "20", "--save-layer", "half.lay"})).status, 0);
        ASSERT_EQ(tool.run({"--resume", "half.lay", "--steps", "20", "--save-layer", "rest.lay"}).status, 0);
        EXPECT_EQ(tool.read("rest.lay"), tool.read("one.lay"));

        for (const std::string jobs : {"1", "2"})
            ASSERT_EQ(tool.run(with(args, {"--runs", "3", "--jobs", jobs, "--roughness", jobs + ".csv"})).status, 0);
        EXPECT_EQ(tool.read("1.csv"), tool.read("2.csv"));
    }
}

TEST(Model, RsosKeepsEveryNeighbourDifferenceWithinOne)
{
    BatchProcess tool;
    ASSERT_EQ(tool.run({"--model", "rsos", "--size", "40x30", "--dep", "1000", "--max", "1000", "--steps", "300",
                        "--seed", "9", "--rng", "philox", "--save-layer", "r.lay"})
                  .status,
              0);
    Random random;
    const auto sim = loadLayer(tool.file("r.lay"), random);
    const Tablica& t = *sim->lattice;
    int64_t sum = 0;
    for (int32_t r = 0; r < t.height; ++r)
        for (int32_t c = 0; c < t.width; ++c) {
            sum += t.get(r, c);
            EXPECT_LE(std::abs(t.get(r, c) - t.getWrapped(r, c + 1)), 1) << r << ", " << c;
            EXPECT_LE(std::abs(t.get(r, c) - t.getWrapped(r + 1, c)), 1) << r << ", " << c;
        }
    // Rejected particles still count as deposited, so fewer layers lie on the lattice than
    // the 300 deposited, but far from none.
    EXPECT_GT(sum, int64_t{t.width} * t.height * 50);
    EXPECT_LT(sum, int64_t{t.width} * t.height * 300);
    EXPECT_NE(tool.read("r.lay").find("\r\ndeposited=300\r\n"), std::string::npos);
}
