#pragma once
// UsageError: a mistake in the command line of tessavo-batch (an unknown option, a malformed
// or out-of-range value, options that do not go together). The tool exits with status 2.
#include "model/AppError.h"

class UsageError : public AppError {
public:
    explicit UsageError(const std::string& message) : AppError(message) {}
};
