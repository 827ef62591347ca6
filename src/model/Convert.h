#pragma once
// Text-to-number conversions with the program's error messages, shared by the edit boxes,
// the layer file rows and the batch tool's options.
#include <cstdint>
#include <string>

// Strict 32-bit integer: optional leading blanks, an optional sign, decimal digits, nothing
// else. Anything outside int32 or any other text throws AppError
// "'<text>' is not a valid integer value".
int32_t strToInt(const std::string& text);
// Same, but returns false instead of throwing.
bool tryStrToInt(const std::string& text, int32_t& out);

// Decimal floating-point number: optional blanks around it, an optional sign, digits with at
// most one decimal separator, an optional exponent (e or E, signed digits). The separator is
// the given character (the user's locale). Other text, or a value that does not fit a double,
// throws AppError "'<text>' is not a valid floating point value".
double strToFloat(const std::string& text, char decimalSeparator = '.');

// The general float format of the rate display: at most 15 significant digits, no trailing
// zeros, no separator for whole numbers ("0.01", "0.123", "1").
std::string floatToText(double value, char decimalSeparator = '.');

// Message texts, so callers that build errors elsewhere use the same words.
std::string invalidIntegerMessage(const std::string& text);
std::string invalidFloatMessage(const std::string& text);
