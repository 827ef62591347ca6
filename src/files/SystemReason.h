#pragma once
// The system's text for an error number ("No space left on device"), as file errors show it.
#include <string>
#include <system_error>

inline std::string systemReason(int errorNumber)
{
    return std::error_code(errorNumber, std::generic_category()).message();
}
