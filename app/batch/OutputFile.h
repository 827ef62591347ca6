#pragma once
// OutputFile: a text output of the batch tool written whole or not at all. The text goes to a
// temporary file beside the target, which replaces the target only on commit; a file that is
// not committed leaves nothing behind.
#include <QSaveFile>

#include <memory>
#include <string>

class OutputFile {
public:
    // Throws AppError "cannot write <path>: <reason>" when the file could not be created.
    explicit OutputFile(const std::string& path);

    void write(const std::string& text);
    // Throws AppError when the data cannot be written out or moved into place.
    void commit();

    // Checks, before a long run, that a file can be created at `path` (its directory exists
    // and is writable, and `path` is not a directory). Throws AppError otherwise.
    static void checkWritable(const std::string& path);
    // The message of a failed output.
    static std::string failure(const std::string& path, const std::string& reason);

private:
    std::string path_;
    std::unique_ptr<QSaveFile> file_;
    bool failed_ = false;
};
