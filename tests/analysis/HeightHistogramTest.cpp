#include "analysis/HeightHistogram.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

namespace {

HeightView view(const std::vector<int32_t>& h, int32_t rows, int32_t cols)
{
    return {h.data(), rows, cols};
}

} // namespace

TEST(HeightHistogram, OneBinPerLayerWhenTheRangeIsNarrow)
{
    const std::vector<int32_t> h = {3, 5, 5, 4, 3, 5}; // mean 25/6
    const HeightHistogram got = heightHistogram(view(h, 2, 3));
    EXPECT_DOUBLE_EQ(got.mean, 25.0 / 6.0);
    EXPECT_EQ(got.binWidth, 1);
    EXPECT_EQ(got.from, (std::vector<int64_t>{3, 4, 5}));
    EXPECT_EQ(got.count, (std::vector<int64_t>{2, 1, 3}));
    ASSERT_EQ(got.deviation.size(), 3u);
    EXPECT_DOUBLE_EQ(got.deviation[0], 3 - 25.0 / 6.0);
    EXPECT_DOUBLE_EQ(got.fraction[2], 0.5);
}

TEST(HeightHistogram, WideRangesShareBinsUpToTheLimit)
{
    // Heights at both int32 limits: the bins cover the whole range without overflow.
    const std::vector<int32_t> h = {INT32_MIN, INT32_MIN, 0, INT32_MAX};
    const HeightHistogram got = heightHistogram(view(h, 2, 2), 10);
    EXPECT_LE(got.count.size(), 10u);
    EXPECT_EQ(got.from.front(), INT32_MIN);
    EXPECT_GE(got.from.back() + got.binWidth - 1, int64_t(INT32_MAX));
    EXPECT_EQ(got.count.front(), 2);
    EXPECT_EQ(got.count.back(), 1);
    int64_t total = 0;
    for (int64_t c : got.count)
        total += c;
    EXPECT_EQ(total, 4);
    // A bin's centre: from + (width - 1) / 2, less the mean.
    EXPECT_DOUBLE_EQ(got.deviation.front(), INT32_MIN + (got.binWidth - 1) / 2.0 - got.mean);
}

TEST(HeightHistogram, EmptyViewGivesNoBins)
{
    EXPECT_TRUE(heightHistogram(HeightView{}).count.empty());
}
