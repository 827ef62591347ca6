#include "analysis/LineFit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

TEST(LineFit, SlopeInterceptAndTheirErrorsOfThreePoints)
{
    // Through (0, 0), (1, 1), (2, 3): slope 3/2, intercept -1/6, residuals 1/6, -1/3, 1/6, so the
    // residual variance is (1/6) / (3 - 2) and sum (x - 1)^2 = 2.
    const LineFit fit = LineFit::through(std::vector<double>{0, 1, 2}, std::vector<double>{0, 1, 3});
    ASSERT_TRUE(fit.ok) << fit.message;
    EXPECT_EQ(fit.n, 3u);
    EXPECT_NEAR(fit.slope, 1.5, 1e-14);
    EXPECT_NEAR(fit.intercept, -1.0 / 6, 1e-14);
    EXPECT_NEAR(fit.slopeError, std::sqrt(1.0 / 12), 1e-14);
    EXPECT_NEAR(fit.interceptError, std::sqrt(1.0 / 6 * (1.0 / 3 + 1.0 / 2)), 1e-14);
}

TEST(LineFit, KeepsItsPrecisionFarFromTheOrigin)
{
    std::vector<double> x, y;
    for (int i = 0; i < 5; ++i) {
        x.push_back(1e8 + i);
        y.push_back(3e8 - 2.0 * i);
    }
    const LineFit fit = LineFit::through(x, y);
    ASSERT_TRUE(fit.ok);
    EXPECT_NEAR(fit.slope, -2.0, 1e-9);
    EXPECT_NEAR(fit.intercept, 3e8 + 2e8, 1e-1);
    EXPECT_NEAR(fit.slopeError, 0.0, 1e-9);
}

TEST(LineFit, RefusesWhatDefinesNoLine)
{
    const std::vector<double> two{1, 2}, three{1, 2, 3}, same{4, 4, 4};
    for (const LineFit& fit : {LineFit::through(two, two), LineFit::through(same, three),
                               LineFit::through(three, two),
                               LineFit::through(three, std::vector<double>{1, NAN, 3})}) {
        EXPECT_FALSE(fit.ok);
        EXPECT_FALSE(fit.message.empty());
    }
}
