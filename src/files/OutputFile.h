#pragma once
// OutputFile: a text output of the batch tool (roughness series, summaries) written whole or
// not at all through FileReplacer. The target is replaced only on commit; an output that is
// not committed leaves the target as it was and nothing beside it.
#include "files/FileReplacer.h"

#include <string>
#include <vector>

class OutputFile {
public:
    // Throws AppError "cannot write <path>: <reason>" when the file could not be created.
    explicit OutputFile(const std::string& path);

    void write(const std::string& text);
    // Throws AppError "cannot write <path>: <reason>" when the data cannot be written out or
    // moved into place.
    void commit();

    // Checks, before a long run, everything about `path` that can be known without writing
    // (FileReplacer::problem). Throws AppError "cannot write <path>: <reason>" otherwise.
    static void checkWritable(const std::string& path);
    // Throws AppError "cannot write <output>: it is also the input <input>" when an output
    // names an existing input file, also through a symbolic or hard link. Empty names are
    // skipped. Every front end checks its inputs and outputs with it before reading or writing.
    static void checkNotInputs(const std::vector<std::string>& outputs, const std::vector<std::string>& inputs);
    // The message of a failed output.
    static std::string failure(const std::string& path, const std::string& reason);

private:
    void flushBuffer();

    std::string path_;
    FileReplacer file_;
    std::string buffer_; // text not yet handed to the file, so that short lines cost no call each
};
