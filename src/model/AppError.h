#pragma once
// AppError: the one exception type of the program. Its message is the text the user sees
// in the error box (the box appends a full stop when the message lacks one).
#include <stdexcept>
#include <string>

class AppError : public std::runtime_error {
public:
    explicit AppError(const std::string& message) : std::runtime_error(message) {}
};
