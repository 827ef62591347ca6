#include "files/OutputFile.h"

#include "model/AppError.h"

#include <sys/stat.h>

namespace {

constexpr std::size_t bufferBytes = 64 * 1024;

} // namespace

OutputFile::OutputFile(const std::string& path) : path_(path), file_(path)
{
    if (!file_.open())
        throw AppError(failure(path_, file_.error()));
}

void OutputFile::write(const std::string& text)
{
    buffer_ += text;
    if (buffer_.size() >= bufferBytes)
        flushBuffer();
}

void OutputFile::flushBuffer()
{
    // A failure is kept by the file and reported at commit().
    file_.write(buffer_.data(), buffer_.size());
    buffer_.clear();
}

void OutputFile::commit()
{
    flushBuffer();
    if (!file_.commit(true))
        throw AppError(failure(path_, file_.error().empty() ? "write error" : file_.error()));
}

std::string OutputFile::failure(const std::string& path, const std::string& reason)
{
    return "cannot write " + path + ": " + reason;
}

void OutputFile::checkWritable(const std::string& path)
{
    const std::string reason = FileReplacer::problem(path);
    if (!reason.empty())
        throw AppError(failure(path, reason));
}

void OutputFile::checkNotInputs(const std::vector<std::string>& outputs, const std::vector<std::string>& inputs)
{
    // One file is one (device, inode) pair whatever the names and links leading to it.
    std::vector<std::pair<const std::string*, struct stat>> existing;
    for (const std::string& input : inputs) {
        struct stat st {};
        if (!input.empty() && ::stat(input.c_str(), &st) == 0)
            existing.emplace_back(&input, st);
    }
    for (const std::string& output : outputs) {
        struct stat st {};
        if (output.empty() || ::stat(output.c_str(), &st) != 0)
            continue;
        for (const auto& [input, in] : existing)
            if (in.st_dev == st.st_dev && in.st_ino == st.st_ino)
                throw AppError(failure(output, "it is also the input " + *input));
    }
}
