#include "model/PhiloxBatch.h"
#include "model/PhiloxRandom.h"

#include <gtest/gtest.h>

TEST(PhiloxRandom, IsPhilox4x32With10Rounds)
{
    // The published known answer of Philox4x32-10 for counter 0 and key 0.
    PhiloxRandom zero(0, 0);
    EXPECT_EQ(zero.next(), 0x6627e8d5u);
    EXPECT_EQ(zero.next(), 0xe169c58du);
    EXPECT_EQ(zero.next(), 0xbc57ac4cu);
    EXPECT_EQ(zero.next(), 0x9b00dbd8u);
}

TEST(PhiloxRandom, APositionContinuesTheStreamAndKeysGiveOtherStreams)
{
    PhiloxRandom a(42, 3);
    for (int i = 0; i < 7; ++i)
        a.next();
    a.takeBlocks(5); // a step's blocks, after a block begun
    PhiloxRandom b(1, 1);
    b.setKey(42, 3);
    b.setPosition(a.position());
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(a.next(), b.next()) << i;

    PhiloxRandom run0(42, 0), run1(42, 1), seed43(43, 0);
    EXPECT_NE(run0.next(), run1.next());
    EXPECT_NE(PhiloxRandom(42, 0).next(), seed43.next());
}

TEST(PhiloxRandom, EightBlocksAtOnceAreTheBlocksOneByOne)
{
    // Across a carry into the counter's high word too.
    for (const uint64_t first : {uint64_t{0}, uint64_t{12345}, (uint64_t{1} << 32) - 3, ~uint64_t{0} - 20}) {
        const PhiloxRandom stream(0xDEADBEEFu, 77u);
        uint32_t out[4][8];
        philoxBlocks8(0xDEADBEEFu, 77u, first, out);
        for (int j = 0; j < 8; ++j) {
            const auto b = stream.block(first + static_cast<uint64_t>(j));
            for (int w = 0; w < 4; ++w)
                EXPECT_EQ(out[w][j], b.v[w]) << first << " " << j << " " << w;
        }
    }
}
