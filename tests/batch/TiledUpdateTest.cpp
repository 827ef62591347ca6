// The tiled update through the batch tool: the same film, byte for byte, on one, two and three
// threads, for Tessavo's own model and for landing rules that read one and two cells around
// their site, on a lattice of 300 x 70 cells: 70 rows make four tiles of 17 or 18 rows, 300
// columns (fewer than two tiles' worth) two halves. A film continued from its saved run ends on
// the same lattice.
#include "BatchProcess.h"

#include "run/FilmState.h"

TEST(TiledUpdate, SameFilmOnOneTwoAndThreeThreads)
{
    BatchProcess tool;
    for (const std::string model : {"tessavo", "rdsr", "wv"}) {
        SCOPED_TRACE(model);
        const std::vector<std::string> args = {"--size", "300x70", "--dep", "400", "--steps", "12", "--seed", "3",
                                               "--rng", "philox", "--update", "tiled", "--model", model};
        for (const std::string threads : {"1", "2", "3"}) {
            std::vector<std::string> run = args;
            run.insert(run.end(), {"--threads-per-run", threads, "--save-layer", threads + ".lay", "--roughness",
                                   threads + ".csv"});
            ASSERT_EQ(tool.run(run).status, 0);
        }
        for (const std::string threads : {"2", "3"}) {
            EXPECT_EQ(tool.read(threads + ".lay"), tool.read("1.lay"));
            EXPECT_EQ(tool.read(threads + ".csv"), tool.read("1.csv"));
        }
        std::vector<std::string> half = args;
        half.insert(half.end(), {"--steps", "5", "--save-layer", "half.lay"});
        ASSERT_EQ(tool.run(half).status, 0);
        ASSERT_EQ(tool.run({"--resume", "half.lay", "--steps", "7", "--threads-per-run", "2", "--save-layer", "rest.lay"}).status, 0);
        EXPECT_EQ(tool.read("rest.lay"), tool.read("1.lay"));
    }
    // The lattice hash of the saved run (FNV-1a over the heights): a change here is a change of
    // the tiling or of its draws.
    const std::optional<FilmState> state = FilmState::read(IniFile(tool.file("1.lay")));
    ASSERT_TRUE(state);
    EXPECT_EQ(state->settings.update, UpdateScheme::Tiled);
    EXPECT_EQ(state->latticeHash, 13302878591840624865ull); // wv, the last film grown
}
