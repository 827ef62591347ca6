// The height lattice: wrapped access, bottom-layer removal and roughness.
#include "model/Tablica.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace {

Tablica filled(int32_t rows, int32_t cols, std::initializer_list<int32_t> heights)
{
    Tablica t(rows, cols);
    auto it = heights.begin();
    for (int32_t r = 0; r < rows; ++r)
        for (int32_t c = 0; c < cols; ++c)
            t.set(*it++, r, c);
    return t;
}

} // namespace

TEST(Tablica, RoughnessIsThePopulationStandardDeviation)
{
    EXPECT_DOUBLE_EQ(filled(1, 2, {0, 2}).roughness(), 1.0);
    EXPECT_DOUBLE_EQ(filled(2, 2, {0, 0, 0, 4}).roughness(), std::sqrt(3.0));
    EXPECT_EQ(Tablica(10, 10).roughness(), 0.0);
}

TEST(Tablica, RoughnessOfAConstantLatticeIsOnlyRounding)
{
    // Summing h / N cell by cell leaves a mean some ulps from 7, so the result is tiny, not 0.
    bool someNonZero = false;
    for (int32_t n : {10, 37, 50, 100}) {
        Tablica t(n, n + 3);
        t.fill(7);
        const double w = t.roughness();
        EXPECT_GE(w, 0.0);
        EXPECT_LT(w, 1e-11) << n;
        someNonZero = someNonZero || w > 0.0;
    }
    EXPECT_TRUE(someNonZero);
}

TEST(Tablica, WrappedAccessReachesTheOppositeEdge)
{
    Tablica t(3, 4);
    for (int32_t r = 0; r < 3; ++r)
        for (int32_t c = 0; c < 4; ++c)
            t.set(10 * r + c, r, c);
    EXPECT_EQ(t.getWrapped(-1, 1), t.get(2, 1));
    EXPECT_EQ(t.getWrapped(3, 1), t.get(0, 1));
    EXPECT_EQ(t.getWrapped(2, -1), t.get(2, 3));
    EXPECT_EQ(t.getWrapped(2, 4), t.get(2, 0));
    EXPECT_EQ(t.incrementWrapped(1, 4), 11);
    EXPECT_EQ(t.get(1, 0), 11);
    EXPECT_EQ(t.increment(2, 3), 24);
    EXPECT_EQ(t.decrement(2, 3), 23);
    EXPECT_EQ(t.decrement(0, 0), -1);
}

TEST(Tablica, HeightsWrapAtTheInt32LimitsInsteadOfOverflowing)
{
    Tablica t(1, 2);
    t.set(INT32_MAX, 0, 0);
    t.set(INT32_MIN, 0, 1);
    EXPECT_EQ(t.increment(0, 0), INT32_MIN);
    EXPECT_EQ(t.decrement(0, 1), INT32_MAX);
    EXPECT_EQ(t.incrementWrapped(0, 3), INT32_MIN);
}

TEST(Tablica, RemoveBottomLayersTakesAwayTheMinimum)
{
    Tablica t(4, 5);
    t.fill(7);
    EXPECT_EQ(t.minHeight(), 7);
    EXPECT_EQ(t.removeBottomLayers(), 7);
    EXPECT_EQ(t.minHeight(), 0);
    EXPECT_EQ(t.get(3, 4), 0);
    EXPECT_EQ(t.removeBottomLayers(), 0);

    Tablica rough = filled(2, 3, {5, 9, 6, 7, 5, 12});
    const double before = rough.roughness();
    EXPECT_EQ(rough.removeBottomLayers(), 5);
    EXPECT_EQ(rough.get(0, 1), 4);
    EXPECT_EQ(rough.get(1, 2), 7);
    EXPECT_NEAR(rough.roughness(), before, 1e-12);
}

TEST(Tablica, NegativeOrZeroMinimumIsReturnedAndChangesNothing)
{
    Tablica t = filled(2, 2, {3, -4, 8, 1});
    EXPECT_EQ(t.removeBottomLayers(), -4);
    EXPECT_EQ(t.get(0, 0), 3);
    EXPECT_EQ(t.get(0, 1), -4);
    Tablica limits = filled(1, 2, {INT32_MIN, INT32_MAX});
    EXPECT_EQ(limits.removeBottomLayers(), INT32_MIN);
    EXPECT_EQ(limits.get(0, 1), INT32_MAX);
    // Heights at the limits give a finite roughness.
    EXPECT_TRUE(std::isfinite(limits.roughness()));
    EXPECT_GT(limits.roughness(), 2e9);
}

TEST(Tablica, ALatticeWithoutCellsIsHarmless)
{
    for (auto [rows, cols] : {std::pair{0, 5}, {5, 0}, {-3, 4}}) {
        Tablica t(rows, cols);
        EXPECT_TRUE(t.empty());
        t.fill(3);
        EXPECT_EQ(t.minHeight(), 0);
        EXPECT_EQ(t.removeBottomLayers(), 0);
        EXPECT_EQ(t.roughness(), 0.0);
    }
}
