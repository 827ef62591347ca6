#pragma once
// NumberText: numbers as text for the batch tool's outputs, independent of the user's locale
// (always "." as the decimal point).
#include <charconv>
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
