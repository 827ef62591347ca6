// Merging the slices of an experiment: slices that do not make one whole experiment, and files
// that are not series files, are refused with a message naming the file and the fault, and
// nothing is written.
#include "run/SeriesMerge.h"
#include "model/AppError.h"
#include "run/SettingChecks.h"

#include "../files/TempDir.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>

namespace {

// Slices of an experiment of 16 runs of 3 ticks; the series are made up, the merge only checks
// and combines them.
class Slices : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const auto& [name, first, end] : {std::tuple{"a.h5", 0, 5}, {"b.h5", 5, 11}, {"c.h5", 11, 16}, {"late.h5", 4, 16}})
            write(name, header(), first, end);
        SeriesHeader seed8 = header();
        seed8.seed = 8;
        write("seed8.h5", seed8, 5, 11);
        SeriesHeader philox = header();
        philox.settings.rng = Generator::Philox;
        write("philox.h5", philox, 5, 11);
        SeriesHeader rd = header();
        rd.settings.model = GrowthModel::Rd;
        write("rd.h5", rd, 5, 11);
    }

    static SeriesHeader header()
    {
        FilmSetup film;
        film.scenario.ratePosition = 150;
        film.scenario.maxLayers = 1000;
        return seriesHeaderOf(film, 7, 16, 3, "", "");
    }

    void write(const std::string& name, const SeriesHeader& h, int32_t first, int32_t end) const
    {
        SeriesWriter writer(dir.file(name), h, first, end);
        for (int32_t k = first; k < end; ++k)
            writer.add(k, {0.5 * k, 0.5 * k + 1, 0.5 * k + 2}, {0.15, 0.3, 0.45}, {0.12, 0.24, 0.36});
        writer.commit(2, 0.5);
    }

    std::set<std::string> entries() const
    {
        std::set<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            names.insert(e.path().filename().string());
        return names;
    }

    // Merging these refuses with a message matching `pattern`, and writes nothing.
    void expectRefused(const std::vector<std::string>& names, const std::string& pattern) const
    {
        const std::set<std::string> before = entries();
        std::vector<std::string> inputs;
        for (const std::string& name : names)
            inputs.push_back(dir.file(name));
        try {
            mergeSlices(inputs, dir.file("merged.csv"), dir.file("merged.h5"), true, std::nullopt);
            ADD_FAILURE() << "merged " << names.size() << " slices";
        } catch (const AppError& e) {
            EXPECT_TRUE(std::regex_search(e.what(), std::regex(pattern))) << e.what();
        }
        EXPECT_EQ(entries(), before);
    }

    TempDir dir;
};

} // namespace

TEST_F(Slices, ThatAreNotOneWholeExperimentAreRefused)
{
    expectRefused({"a.h5", "late.h5"}, "run 4 is in both .*a.h5 and .*late.h5");
    expectRefused({"a.h5", "c.h5"}, "runs missing: 5\\.\\.10$");
    expectRefused({"a.h5", "b.h5", "b.h5", "c.h5"}, "runs 5\\.\\.10 are in both .*b.h5 and .*b.h5");
    expectRefused({"a.h5", "seed8.h5", "c.h5"}, "seed8.h5 is not a slice of the experiment of .*a.h5: its seed is '8', not '7'");
    expectRefused({"a.h5", "philox.h5", "c.h5"}, "its rng is 'philox', not 'lcg'");
    expectRefused({"a.h5", "rd.h5", "c.h5"}, "rd.h5 is not a slice of the experiment of .*a.h5: its model is 'rd', not 'tessavo'");
}

TEST_F(Slices, FilesThatAreNotSeriesFilesAreClearErrors)
{
    const std::string bytes = readBytes(dir.file("b.h5"));
    writeBytes(dir.file("cut.h5"), bytes.substr(0, bytes.size() / 2));
    writeBytes(dir.file("one.csv"), "tick,deposited,mean\n1,0.15,0.5\n");
    expectRefused({"a.h5", "cut.h5", "c.h5"}, "^[^ ]*cut\\.h5: a damaged HDF5 file");
    expectRefused({"a.h5", "one.csv", "c.h5"}, "one\\.csv: not an HDF5 file");
    expectRefused({"a.h5", "nowhere.h5"}, "cannot read [^ ]*nowhere\\.h5");
}

TEST_F(Slices, AFitRangeBeyondTheTicksIsABadSetting)
{
    EXPECT_THROW(mergeSlices({dir.file("a.h5"), dir.file("b.h5"), dir.file("c.h5")}, "", "", true,
                             GrowthFit::TickRange(1, 4)),
                 SettingError);
}
