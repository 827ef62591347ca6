#pragma once
// NumberText: numbers as text for the batch tool's outputs, independent of the user's locale
// (always "." as the decimal point).
#include <charconv>
#include <cmath>
#include <string>

// 17 significant digits, so that the text reads back as exactly the same double.
inline std::string exactText(double value)
{
    char buffer[40];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 17);
    return std::string(buffer, result.ptr);
}

// A fixed number of decimals: fixedText(0.25113, 3) is "0.251".
inline std::string fixedText(double value, int decimals)
{
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return std::string(buffer, result.ptr);
}

// A value with its error: the error to two significant digits and the value to the same
// decimal place, valueWithError(0.241312, 0.00123) is "0.2413 +/- 0.0012". An error that is 0
// (or below 1e-12 of the value, rounding noise), or not a number, prints the value with 4
// decimals.
inline std::string valueWithError(double value, double error)
{
    if (error < 1e-12 * std::abs(value))
        error = 0.0;
    if (!(error > 0.0) || !std::isfinite(error))
        return fixedText(value, 4) + " +/- " + (error == 0.0 ? "0" : fixedText(error, 4));
    int decimals = 1 - static_cast<int>(std::floor(std::log10(error)));
    // 0.0996 rounds to 0.10 at the decimals of 0.099: two digits, one place less.
    if (decimals > 0 && std::round(error * std::pow(10.0, decimals)) >= 100.0)
        --decimals;
    decimals = decimals < 0 ? 0 : decimals;
    return fixedText(value, decimals) + " +/- " + fixedText(error, decimals);
}
