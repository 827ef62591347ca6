#include "chart/ChartHistory.h"

#include "../gfx/TestGuiApp.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(ChartHistory, KeepsAtMostTwiceItsBoundAndStillDrawsTheWholeFilmsChart)
{
    ASSERT_TRUE(ensureGuiApplication());
    ChartHistory history(300);
    ChartPicture whole0(0), whole1(1);
    history.image(0); // asked for on the way; style 1 only at the end
    // A rise through several scales, then a fall: the late chart keeps the scale of the peak.
    for (int i = 0; i < 2000; ++i) {
        const double w = i < 1000 ? i / 80.0 : 2.0 + std::sin(i / 40.0);
        history.add(w);
        whole0.add(w);
        whole1.add(w);
        ASSERT_LT(history.keptValues(), 600u);
    }
    EXPECT_EQ(history.image(0), whole0.image());
    EXPECT_EQ(history.image(1), whole1.image());
}
