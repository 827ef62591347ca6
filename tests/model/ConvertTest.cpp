#include "model/Convert.h"

#include "model/AppError.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

std::string errorOf(void (*convert)(const std::string&), const std::string& text)
{
    try {
        convert(text);
    } catch (const AppError& e) {
        return e.what();
    }
    return "no error";
}

void intOf(const std::string& text) { strToInt(text); }
void floatOf(const std::string& text) { strToFloat(text); }

// The rate display's text for bar position p: p / 1000 in plain decimals, trailing zeros
// dropped, no separator for a whole number.
std::string thousandths(int p)
{
    std::string text = std::to_string(p / 1000);
    if (p % 1000 != 0) {
        std::string fraction = std::to_string(1000 + p % 1000).substr(1);
        while (fraction.back() == '0')
            fraction.pop_back();
        text += "." + fraction;
    }
    return text;
}

} // namespace

TEST(StrToInt, AcceptsAnOptionalSignAndDecimalDigitsUpToTheInt32Limits)
{
    EXPECT_EQ(strToInt("0"), 0);
    EXPECT_EQ(strToInt("5"), 5);
    EXPECT_EQ(strToInt("+12"), 12);
    EXPECT_EQ(strToInt("-12"), -12);
    EXPECT_EQ(strToInt("-0"), 0);
    EXPECT_EQ(strToInt("007"), 7);
    EXPECT_EQ(strToInt("   42"), 42) << "leading blanks are allowed";
    EXPECT_EQ(strToInt("2147483647"), INT32_MAX);
    EXPECT_EQ(strToInt("-2147483648"), INT32_MIN);
    EXPECT_EQ(strToInt("0000000000000000000000000000000000000000001"), 1);
}

TEST(StrToInt, RefusesEverythingElseNamingTheText)
{
    for (const std::string text :
         {"", " ", "+", "-", "- 1", "1 ", "1|", "12a", "1.0", "1e3", "0x10", "\t1", "--1", "+-1",
          "2147483648", "-2147483649", "4294967296", "99999999999999999999999999999"}) {
        EXPECT_EQ(errorOf(intOf, text), "'" + text + "' is not a valid integer value") << text;
        int32_t out = 77;
        EXPECT_FALSE(tryStrToInt(text, out)) << text;
        EXPECT_EQ(out, 77) << "a failed conversion leaves the target alone";
    }
    int32_t out = 0;
    EXPECT_TRUE(tryStrToInt("-31", out));
    EXPECT_EQ(out, -31);
}

TEST(StrToFloat, ReadsDecimalNumbersWithTheGivenSeparator)
{
    EXPECT_EQ(strToFloat("50.0"), 50.0);
    EXPECT_EQ(strToFloat("50"), 50.0);
    EXPECT_EQ(strToFloat("0.1"), 0.1) << "the nearest double";
    EXPECT_EQ(strToFloat(".5"), 0.5);
    EXPECT_EQ(strToFloat("5."), 5.0);
    EXPECT_EQ(strToFloat("-2.25"), -2.25);
    EXPECT_EQ(strToFloat("+1e3"), 1000.0);
    EXPECT_EQ(strToFloat("1E-2"), 0.01);
    EXPECT_EQ(strToFloat("2.5e+1"), 25.0);
    EXPECT_EQ(strToFloat("  7.5  "), 7.5) << "blanks around the number";
    EXPECT_EQ(strToFloat("1e308"), 1e308);

    EXPECT_EQ(strToFloat("2,5", ','), 2.5);
    EXPECT_EQ(errorOf([](const std::string& t) { strToFloat(t, ','); }, "2.5"),
              "'2.5' is not a valid floating point value");
    EXPECT_EQ(errorOf(floatOf, "2,5"), "'2,5' is not a valid floating point value");
}

TEST(StrToFloat, RefusesOtherTextAndValuesBeyondADouble)
{
    const std::vector<std::string> texts = {"", " ", ".", "+", "-.", "e5", "1e", "1e+", "1.5.2", "1 5",
                                            "1 e5", "0x10", "inf", "nan", "abc", "\t1", "1\t", "5 layers",
                                            "1e309", "-1e309", "1" + std::string(400, '0')};
    for (const std::string& text : texts) {
        EXPECT_EQ(errorOf(floatOf, text), "'" + text + "' is not a valid floating point value") << text;
    }
}

TEST(StrToFloat, TinyValuesBecomeTheNearestDoubleInsteadOfAnError)
{
    // Below the smallest normal double the value is subnormal, and further down zero; both are
    // numbers the text stands for, not errors.
    EXPECT_EQ(strToFloat("1e-310"), 1e-310);
    EXPECT_EQ(strToFloat("-4.9e-324"), -std::numeric_limits<double>::denorm_min());
    EXPECT_EQ(strToFloat("1e-400"), 0.0);
    EXPECT_EQ(strToFloat("0." + std::string(400, '0') + "1"), 0.0);
}

TEST(FloatToText, ShowsEveryRatePositionAsItsThousandths)
{
    for (int p = 1; p <= 1000; ++p) {
        const double rate = p / 1000.0; // the rate bar's value: the double nearest p / 1000
        ASSERT_EQ(floatToText(rate), thousandths(p)) << "position " << p;
        ASSERT_EQ(strToFloat(floatToText(rate)), rate) << "position " << p;
    }
    EXPECT_EQ(floatToText(0.123, ','), "0,123");
    EXPECT_EQ(floatToText(1.0, ','), "1");
}

TEST(FloatToText, KeepsFifteenSignificantDigits)
{
    EXPECT_EQ(floatToText(0.1 + 0.2), "0.3");
    EXPECT_EQ(floatToText(1.0 / 3.0), "0.333333333333333");
    EXPECT_EQ(floatToText(250.0), "250");
    EXPECT_EQ(floatToText(-2.5), "-2.5");
    EXPECT_EQ(floatToText(123456789012345.0), "123456789012345");
}
