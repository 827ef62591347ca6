#include "files/OutputFile.h"

#include "model/AppError.h"

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
