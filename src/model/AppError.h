#pragma once
// AppError: the one exception type of the program. Its message is the text the user sees
// in the error box (the box appends a full stop when the message lacks one).
#include <stdexcept>
#include <string>

class AppError : public std::runtime_error {
public:
    explicit AppError(const std::string& message) : std::runtime_error(withoutNul(message)) {}

private:
    // what() ends at the first NUL, so a NUL the message quotes from a file is kept as the two
    // characters "\0", the way the other control characters are shown escaped.
    static std::string withoutNul(std::string text)
    {
        for (std::size_t at = text.find('\0'); at != std::string::npos; at = text.find('\0', at + 2))
            text.replace(at, 1, "\\0");
        return text;
    }
};
