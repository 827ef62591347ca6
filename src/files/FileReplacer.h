#pragma once
// FileReplacer: writes a file whole or not at all; every file the program writes goes through
// it. The bytes go to a new file in the target's directory (an unnamed one where the file
// system allows it, so that a killed run leaves nothing behind), which takes the target's name
// only when complete. A symbolic link keeps pointing at its file (the file it points to is
// replaced), and a replaced file keeps its permission bits and, where the system allows it,
// its owner. A file that exists and may be written, in a directory that may not, is written
// in place instead (see commit()). A pipe, a terminal or another character device (/dev/stdout,
// /dev/null) cannot be replaced: it is written as the bytes come.
//
// Use: open(), any number of write(), then commit(); a replacer that is destroyed or
// discarded before commit() leaves the target as it was. Failures keep the system's reason
// ("No space left on device") in error().
#include <cstddef>
#include <functional>
#include <string>

class FileReplacer {
public:
    explicit FileReplacer(std::string path);
    ~FileReplacer();
    FileReplacer(const FileReplacer&) = delete;
    FileReplacer& operator=(const FileReplacer&) = delete;

    // Starts the new content. False when the target cannot be written.
    bool open();
    // Appends bytes. False once anything has failed.
    bool write(const void* data, std::size_t size);
    // Puts the bytes in place of the target. With `durable` they reach the disk first. False on
    // failure, with the target as it was.
    bool commit(bool durable);
    // Drops what was written; the target stays as it was.
    void discard();

    // The reason of the first failure in the system's words; empty when nothing failed.
    const std::string& error() const { return error_; }
    // The errno behind error(); 0 for failures the program itself detects (a read-only file).
    int errorNumber() const { return errorNumber_; }

    // Everything that can be known before writing: empty when a file can be written at `path`,
    // otherwise the reason ("it is a directory", "the file is read-only", "Permission denied",
    // "the directory <dir> does not exist", ...). A file whose permission bits let nobody
    // write it counts as read-only for every user, root included.
    static std::string problem(const std::string& path);
    static bool canWrite(const std::string& path) { return problem(path).empty(); }
    // open(), write() and commit() in one; `reason` (when given) receives error().
    static bool replace(const std::string& path, const void* data, std::size_t size, bool durable,
                        std::string* reason = nullptr);

    // Removes the named temporary files of writes in progress. Async-signal-safe: meant for a
    // SIGINT or SIGTERM handler that then ends the process. Unnamed temporary files need no
    // cleaning; named ones exist only where the file system has no unnamed files, and for
    // an instant while a finished file is moved into place.
    static void removePendingTemporaries() noexcept;

private:
    enum class Mode { Closed, Unnamed, Named, InPlace, Stream };

    bool fail(int errorNumber, const std::string& reason = std::string());
    // A short unique name beside the target for `make` (0, or the errno of its failure), kept in
    // temporary_ and registered for removal at a stop signal; another name on EEXIST. Returns 0
    // or the errno.
    int claimTemporary(const std::string& directory, const std::function<int(const std::string&)>& make);
    bool openTemporary(const std::string& directory, int permissions);
    bool commitInPlace(bool durable);
    bool linkUnnamed();
    void releaseTemporary(bool remove);

    std::string path_;
    std::string target_;    // the file the bytes are for: `path_` with its links followed
    std::string directory_; // the target's directory
    std::string temporary_; // the name of a named temporary file
    int temporarySlot_ = -1;
    int fd_ = -1;
    Mode mode_ = Mode::Closed;
    bool targetExisted_ = false;
    std::string buffer_; // the bytes of an in-place write, kept until commit()
    std::string error_;
    int errorNumber_ = 0;
};
