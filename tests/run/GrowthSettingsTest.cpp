// The growth settings' one list of fields: every field survives a saved state and reaches the
// results under its name.
#include "run/FilmState.h"
#include "run/GrowthSettings.h"
#include "files/IniFile.h"

#include "GrowthSettingsSample.h"
#include "../files/TempDir.h"

#include <gtest/gtest.h>

#include <set>

TEST(GrowthSettings, EveryFieldRoundTripsThroughASavedStateAndReachesTheResults)
{
    TempDir dir;
    FilmState state;
    state.tick = 12;
    state.deposited = 0.75;
    state.settings = everyFieldSet();
    writeBytes(dir.file("s.lay"), state.sectionText());
    const IniFile ini(dir.file("s.lay"));
    const std::optional<FilmState> back = FilmState::read(ini);
    ASSERT_TRUE(back);
    EXPECT_TRUE(differences(back->settings, everyFieldSet()).empty());

    // Tessavo's own model is left out of a state, which then reads as before models were chosen.
    FilmState plain = state;
    plain.settings.model = GrowthModel::Tessavo;
    EXPECT_EQ(plain.sectionText().find("model"), std::string::npos);
    writeBytes(dir.file("plain.lay"), plain.sectionText());
    EXPECT_EQ(FilmState::read(IniFile(dir.file("plain.lay")))->settings.model, GrowthModel::Tessavo);

    std::set<std::string> shown;
    for (const auto& [name, value] : settingsBlock(everyFieldSet(), 5))
        shown.insert(name);
    for (const GrowthField& f : growthFields())
        EXPECT_TRUE(shown.count(f.name)) << f.name;
}
