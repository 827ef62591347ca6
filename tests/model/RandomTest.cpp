#include "model/Random.h"
#include "model/Symulacja.h"

#include <gtest/gtest.h>

TEST(Random, ReferenceSequenceAfterSeedOne)
{
    Random r;
    r.seed(1);
    EXPECT_EQ(r.next(), 130);
    EXPECT_EQ(r.next(), 10982);
    EXPECT_EQ(r.next(), 1090);
}

TEST(Random, ProcessGeneratorFollowsTheSameSequence)
{
    seedRandom(1);
    EXPECT_EQ(nextRandom(), 130);
    EXPECT_EQ(nextRandom(), 10982);
}

TEST(Random, BelowTruncatesTheScaledDraw)
{
    Random a, b;
    a.seed(12345);
    b.seed(12345);
    for (int i = 0; i < 1000; ++i) {
        const int32_t r = b.next();
        EXPECT_EQ(a.below(40), r * 40 / 32768);
    }
}

TEST(Random, SeparateGeneratorsDoNotShareState)
{
    Random a, b;
    a.seed(7);
    b.seed(7);
    a.next();
    a.next();
    b.next();
    EXPECT_NE(a.state(), b.state());
    b.next();
    EXPECT_EQ(a.state(), b.state());
}
