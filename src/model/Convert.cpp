#include "model/Convert.h"

#include "model/AppError.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <locale.h>

std::string invalidIntegerMessage(const std::string& text)
{
    return "'" + text + "' is not a valid integer value";
}

std::string invalidFloatMessage(const std::string& text)
{
    return "'" + text + "' is not a valid floating point value";
}

bool tryStrToInt(const std::string& text, int32_t& out)
{
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size())
        return false;
    // Accumulate in 64 bits and stop as soon as the magnitude leaves int32.
    int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const char ch = text[i];
        if (ch < '0' || ch > '9')
            return false;
        magnitude = magnitude * 10 + (ch - '0');
        if (magnitude > 2147483648LL)
            return false;
    }
    const int64_t value = negative ? -magnitude : magnitude;
    if (value > INT32_MAX || value < INT32_MIN)
        return false;
    out = static_cast<int32_t>(value);
    return true;
}

int32_t strToInt(const std::string& text)
{
    int32_t value = 0;
    if (!tryStrToInt(text, value))
        throw AppError(invalidIntegerMessage(text));
    return value;
}

double strToFloat(const std::string& text, char decimalSeparator)
{
    // Validate the shape ourselves, then hand a normalised copy to the C library in the "C"
    // locale so that the result does not depend on the process locale.
    size_t i = 0;
    const size_t n = text.size();
    auto fail = [&]() -> double { throw AppError(invalidFloatMessage(text)); };
    while (i < n && text[i] == ' ')
        ++i;
    std::string normal;
    // Copies an optional sign, then a run of decimal digits, and tells how many digits.
    auto sign = [&] {
        if (i < n && (text[i] == '+' || text[i] == '-'))
            normal += text[i++];
    };
    auto digitRun = [&] {
        const size_t start = i;
        while (i < n && text[i] >= '0' && text[i] <= '9')
            normal += text[i++];
        return i - start;
    };
    sign();
    size_t digits = digitRun();
    if (i < n && text[i] == decimalSeparator) {
        normal += '.';
        ++i;
        digits += digitRun();
    }
    if (digits == 0)
        return fail();
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        normal += 'e';
        ++i;
        sign();
        if (digitRun() == 0)
            return fail();
    }
    while (i < n && text[i] == ' ')
        ++i;
    if (i != n)
        return fail();
    static locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
    // Only a value too large for a double is refused. One too small to hold its digits comes
    // out as the nearest double, subnormal or zero, whichever side of the smallest normal
    // number it lies on.
    const double value = strtod_l(normal.c_str(), nullptr, cLocale);
    if (std::isinf(value))
        return fail();
    return value;
}

std::string floatToText(double value, char decimalSeparator)
{
    static locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
    locale_t old = uselocale(cLocale);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    uselocale(old);
    std::string text(buffer);
    for (char& ch : text)
        if (ch == '.')
            ch = decimalSeparator;
    return text;
}
