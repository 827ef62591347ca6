// PlotAxis: the span and ticks an axis takes for the data it shows, and where values fall.
#include "chart/PlotAxis.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

struct Case {
    bool log;
    double lo, hi;                    // the data
    double spanLo, spanHi;            // the axis
    std::vector<double> majors;       // the labelled ticks
    std::vector<const char*> labels;
    int minors;                       // unlabelled ticks
};

void expectAxis(const Case& c)
{
    SCOPED_TRACE(testing::Message() << (c.log ? "log " : "linear ") << c.lo << " .. " << c.hi);
    const PlotAxis axis(c.log, c.lo, c.hi);
    EXPECT_DOUBLE_EQ(axis.lo(), c.spanLo);
    EXPECT_DOUBLE_EQ(axis.hi(), c.spanHi);
    std::vector<double> majors;
    std::vector<QString> labels;
    int minors = 0;
    double last = -std::numeric_limits<double>::infinity();
    for (const PlotAxis::Tick& t : axis.ticks()) {
        EXPECT_GT(t.value, last) << "ticks in order";
        last = t.value;
        if (t.major) {
            majors.push_back(t.value);
            labels.push_back(t.text);
        } else {
            EXPECT_TRUE(t.text.isEmpty());
            ++minors;
        }
    }
    ASSERT_EQ(majors.size(), c.majors.size());
    for (size_t i = 0; i < majors.size(); ++i) {
        EXPECT_NEAR(majors[i], c.majors[i], 1e-12 * std::max(1.0, std::abs(c.majors[i])));
        EXPECT_EQ(labels[i], QString::fromLatin1(c.labels[i]));
    }
    EXPECT_EQ(minors, c.minors);
}

} // namespace

TEST(PlotAxis, LinearAxesSpanWholeStepsOfOneTwoOrFive)
{
    const double none = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {false, 0.3, 4.7, 0, 5, {0, 1, 2, 3, 4, 5}, {"0", "1", "2", "3", "4", "5"}, 0},
        {false, -2.7, 8.1, -5, 10, {-5, 0, 5, 10}, {"-5", "0", "5", "10"}, 0},
        {false, 12, 19, 12, 20, {12, 14, 16, 18, 20}, {"12", "14", "16", "18", "20"}, 0},
        {false, 0.12, 0.19, 0.12, 0.2, {0.12, 0.14, 0.16, 0.18, 0.2}, {"0.12", "0.14", "0.16", "0.18", "0.2"}, 0},
        // One value: a span of one around it, in whole steps; its ticks in steps of the span.
        {false, 5, 5, 4.4, 5.6, {4.5, 5, 5.5}, {"4.5", "5", "5.5"}, 0},
        // No data.
        {false, none, none, 0, 1, {0, 0.2, 0.4, 0.6, 0.8, 1}, {"0", "0.2", "0.4", "0.6", "0.8", "1"}, 0},
        {false, 1, 0, 0, 1, {0, 0.2, 0.4, 0.6, 0.8, 1}, {"0", "0.2", "0.4", "0.6", "0.8", "1"}, 0},
    };
    for (const Case& c : cases)
        expectAxis(c);
}

TEST(PlotAxis, LogarithmicAxesSpanWholeDecadesWithMinorTicksWhileFew)
{
    const Case cases[] = {
        {true, 3, 2000, 1, 1e4, {1, 10, 100, 1e3, 1e4}, {"1", "10", "100", "1000", "10000"}, 4 * 8},
        {true, 2e-5, 3e5, 1e-5, 1e6, {1e-5, 1e-4, 1e-3, 0.01, 0.1, 1, 10, 100, 1e3, 1e4, 1e5, 1e6},
         {"1e-5", "1e-4", "0.001", "0.01", "0.1", "1", "10", "100", "1000", "10000", "1e5", "1e6"}, 0},
        // A single decade value: the decade above it.
        {true, 100, 100, 100, 1000, {100, 1000}, {"100", "1000"}, 8},
        {true, 1, 0, 1, 10, {1, 10}, {"1", "10"}, 8},
    };
    for (const Case& c : cases)
        expectAxis(c);

    const PlotAxis axis(true, 1, 10);
    const std::vector<PlotAxis::Tick> ticks = axis.ticks();
    ASSERT_EQ(ticks.size(), 10u);
    for (int m = 2; m <= 9; ++m)
        EXPECT_DOUBLE_EQ(ticks[static_cast<size_t>(m - 1)].value, m);
}

TEST(PlotAxis, ValuesAndPixelsMapBothWays)
{
    const PlotAxis linear(false, 0.3, 4.7); // 0 .. 5
    EXPECT_DOUBLE_EQ(linear.pixelOf(2, 100, 200), 140);
    EXPECT_DOUBLE_EQ(linear.pixelOf(7, 100, 200), 240); // beyond the span: beyond the range
    EXPECT_DOUBLE_EQ(linear.pixelOf(1, 300, 100), 260); // a y axis, upwards
    EXPECT_DOUBLE_EQ(linear.valueAt(140, 100, 200), 2);
    EXPECT_DOUBLE_EQ(linear.valueAt(50, 100, 200), 0); // within the span
    EXPECT_DOUBLE_EQ(linear.valueAt(250, 100, 200), 5);

    const PlotAxis log(true, 3, 2000); // 1 .. 10^4
    EXPECT_DOUBLE_EQ(log.pixelOf(100, 0, 400), 200);
    EXPECT_DOUBLE_EQ(log.pixelOf(10, 300, 100), 250);
    EXPECT_DOUBLE_EQ(log.valueAt(300, 0, 400), 1000);
    EXPECT_DOUBLE_EQ(log.valueAt(-5, 0, 400), 1);

    EXPECT_TRUE(log.shows(1e-300));
    for (double v : {0.0, -1.0, std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()})
        EXPECT_FALSE(log.shows(v)) << v;
    EXPECT_TRUE(linear.shows(-1.0));
    EXPECT_FALSE(linear.shows(std::numeric_limits<double>::quiet_NaN()));
}
