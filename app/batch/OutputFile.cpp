#include "batch/OutputFile.h"

#include "model/AppError.h"

#include <QFileInfo>
#include <QTemporaryFile>

OutputFile::OutputFile(const std::string& path)
    : path_(path), file_(std::make_unique<QSaveFile>(QString::fromStdString(path)))
{
    checkWritable(path);
    if (!file_->open(QIODevice::WriteOnly))
        throw AppError(failure(path_, file_->errorString().toStdString()));
}

void OutputFile::write(const std::string& text)
{
    if (failed_)
        return;
    if (file_->write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()))
        failed_ = true;
}

void OutputFile::commit()
{
    if (failed_ || !file_->commit()) {
        const std::string reason = file_->errorString().toStdString();
        file_->cancelWriting();
        throw AppError(failure(path_, reason.empty() ? "write error" : reason));
    }
}

std::string OutputFile::failure(const std::string& path, const std::string& reason)
{
    return "cannot write " + path + ": " + reason;
}

void OutputFile::checkWritable(const std::string& path)
{
    const QString name = QString::fromStdString(path);
    const QFileInfo info(name);
    if (path.empty())
        throw AppError(failure(path, "empty file name"));
    if (info.isDir())
        throw AppError(failure(path, "it is a directory"));
    const QFileInfo directory(info.absolutePath());
    if (!directory.isDir())
        throw AppError(failure(path, "the directory " + directory.filePath().toStdString() + " does not exist"));
    // Creating a file is the only sure test of the permission to do so.
    QTemporaryFile probe(info.absolutePath() + "/.tessavo-batch-XXXXXX");
    if (!probe.open())
        throw AppError(failure(path, probe.errorString().toStdString()));
}
