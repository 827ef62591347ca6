#pragma once
// The errors that cross the core's boundary. AppError is what every one of them is: its message
// is the text the user sees in the error box (the box appends a full stop when the message lacks
// one). Two kinds are told apart by the front ends: a file that cannot be read or written
// (FileError, with its path and what went wrong) and a value a setting does not take
// (SettingError). The batch tool exits 1 for the first and 2 for the second; Python raises
// OSError and ValueError.
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

class FileError : public AppError {
public:
    enum class Kind {
        Missing,   // no such file or folder
        Denied,    // the permissions forbid it
        NotAFile,  // a folder, a FIFO, a device
        Other      // anything else the system reports
    };
    FileError(Kind kind, std::string path, const std::string& message)
        : AppError(message), kind_(kind), path_(std::move(path))
    {
    }
    Kind kind() const { return kind_; }
    const std::string& path() const { return path_; }
    // The kind of a system error number (errno).
    static Kind kindOf(int errorNumber);

private:
    Kind kind_;
    std::string path_;
};

// A value a setting does not take, or settings that do not go together; the message names the
// setting as the user typed it ("--dep", or "dep=" in Python).
class SettingError : public AppError {
public:
    explicit SettingError(const std::string& message) : AppError(message) {}
};
