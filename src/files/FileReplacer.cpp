#include "files/FileReplacer.h"
#include "files/SystemReason.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string directoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

// The file a write goes to: symbolic links are followed, also a link whose file does not
// exist yet (the write creates that file, as writing through the link would). Relative links
// count from the link's own directory. 0, or the errno that stops the walk.
int followLinks(const std::string& path, std::string& target)
{
    target = path;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st;
        if (lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return 0;
        std::string link(PATH_MAX, '\0');
        const ssize_t n = readlink(target.c_str(), link.data(), link.size());
        if (n < 0)
            return errno;
        if (static_cast<std::size_t>(n) >= link.size())
            return ENAMETOOLONG;
        link.resize(static_cast<std::size_t>(n));
        target = link.starts_with('/') ? link : directoryOf(target) + "/" + link;
    }
    return ELOOP;
}

// Write permission, decided the same way for every user: the system must grant it (ownership,
// ACLs, read-only mounts) and the permission bits must give it to somebody. Root passes the
// first test for any file, so without the second a file or directory its owner made
// read-only would be replaced by root all the same.
bool writable(const std::string& path, const struct stat& st, int& errorNumber)
{
    if ((st.st_mode & 0222) == 0) {
        errorNumber = EACCES;
        return false;
    }
    const int how = S_ISDIR(st.st_mode) ? W_OK | X_OK : W_OK;
    if (access(path.c_str(), how) != 0) {
        errorNumber = errno;
        return false;
    }
    return true;
}

// What a write to `path` would do, found without writing anything.
struct Plan {
    std::string reason; // empty when the write can go ahead
    int errorNumber = 0;
    std::string target;
    std::string directory;
    bool exists = false;
    struct stat targetStat {};
    bool inPlace = false; // the directory refuses new names: the file is overwritten
    bool stream = false;  // a pipe or a character device, written as the bytes come
};

Plan planWrite(const std::string& path)
{
    Plan plan;
    const auto refuse = [&](int errorNumber, std::string reason) {
        plan.errorNumber = errorNumber;
        plan.reason = reason.empty() ? systemReason(errorNumber) : std::move(reason);
        return plan;
    };
    if (path.empty())
        return refuse(ENOENT, "empty file name");
    if (path.find('\0') != std::string::npos) // the system would take the name as ending there
        return refuse(EINVAL, "the name holds a NUL character");
    // A pipe or a terminal, also behind /dev/stdout, whose link names no file ("pipe:[42]").
    if (struct stat st; stat(path.c_str(), &st) == 0 && (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode))) {
        plan.target = path;
        plan.exists = plan.stream = true;
        if (access(path.c_str(), W_OK) != 0)
            return refuse(errno, "");
        return plan;
    }
    if (const int e = followLinks(path, plan.target))
        return refuse(e, "");
    plan.directory = directoryOf(plan.target);

    struct stat& st = plan.targetStat;
    if (stat(plan.target.c_str(), &st) == 0) {
        plan.exists = true;
        if (S_ISDIR(st.st_mode))
            return refuse(EISDIR, "it is a directory");
        if (!S_ISREG(st.st_mode))
            return refuse(EINVAL, "it is not a regular file");
        int e = 0;
        if (!writable(plan.target, st, e))
            return refuse(e, (st.st_mode & 0222) == 0 ? "the file is read-only" : "");
    } else if (errno != ENOENT) {
        return refuse(errno, ""); // a name too long, a path through a file, ...
    }

    struct stat dir;
    if (stat(plan.directory.c_str(), &dir) != 0) {
        if (errno == ENOENT)
            return refuse(ENOENT, "the directory " + plan.directory + " does not exist");
        return refuse(errno, "");
    }
    if (!S_ISDIR(dir.st_mode))
        return refuse(ENOTDIR, "");
    int e = 0;
    if (!writable(plan.directory, dir, e)) {
        if (!plan.exists)
            return refuse(e, "");
        plan.inPlace = true;
    } else if ((dir.st_mode & S_ISVTX) && plan.exists && geteuid() != 0 && st.st_uid != geteuid()
               && dir.st_uid != geteuid()) {
        // A sticky directory (such as /tmp) lets only the owner replace the file's name.
        plan.inPlace = true;
    }
    return plan;
}

bool writeAll(int fd, const char* data, std::size_t size, off_t offset, bool positioned)
{
    while (size > 0) {
        const ssize_t n = positioned ? ::pwrite(fd, data, size, offset) : ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        offset += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Syncs the directory, so that a new name survives a crash as well as the bytes do.
void syncDirectory(const std::string& directory)
{
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        (void)::fsync(fd);
        ::close(fd);
    }
}

// --- Named temporary files a signal handler may have to remove --------------------------------

// Fixed storage: the handler may read it at any moment, so nothing is allocated or freed. A
// slot is free (0), being filled or emptied (1), or names a file that may exist (2).
constexpr int pendingSlots = 64;
struct PendingTemporary {
    std::atomic<int> state{0};
    char path[PATH_MAX];
};
static_assert(std::atomic<int>::is_always_lock_free);
PendingTemporary pending[pendingSlots];

// The slot that now holds `path`, or -1 when all are taken (the file is then not cleaned up
// by a signal, but still by every normal path).
int registerTemporary(const std::string& path)
{
    if (path.size() >= PATH_MAX)
        return -1;
    for (int i = 0; i < pendingSlots; ++i) {
        int expected = 0;
        if (pending[i].state.compare_exchange_strong(expected, 1)) {
            std::memcpy(pending[i].path, path.c_str(), path.size() + 1);
            pending[i].state.store(2);
            return i;
        }
    }
    return -1;
}

void unregisterTemporary(int slot)
{
    if (slot >= 0)
        pending[slot].state.store(0);
}

// A short name in the target's directory, so that the final rename stays on one file system
// and a target name at the length limit still gets its temporary file.
std::string temporaryName(const std::string& directory)
{
    static std::atomic<unsigned> counter{0};
    return directory + "/.tessavo-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".tmp";
}

} // namespace

FileReplacer::FileReplacer(std::string path) : path_(std::move(path)) {}

FileReplacer::~FileReplacer()
{
    discard();
}

bool FileReplacer::fail(int errorNumber, const std::string& reason)
{
    if (error_.empty()) {
        errorNumber_ = errorNumber;
        error_ = reason.empty() ? systemReason(errorNumber) : reason;
    }
    discard();
    return false;
}

std::string FileReplacer::problem(const std::string& path)
{
    return planWrite(path).reason;
}

bool FileReplacer::open()
{
    discard();
    error_.clear();
    errorNumber_ = 0;
    const Plan plan = planWrite(path_);
    if (!plan.reason.empty())
        return fail(plan.errorNumber, plan.reason);
    target_ = plan.target;
    directory_ = plan.directory;
    targetExisted_ = plan.exists;

    if (plan.stream) {
        // A FIFO that nobody reads is refused (ENXIO) rather than waited for.
        fd_ = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (fd_ < 0 || ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK) != 0)
            return fail(errno);
        mode_ = Mode::Stream;
        return true;
    }
    if (plan.inPlace) {
        // The directory takes no new name, but the file itself may be written, as in a shared
        // folder where only the file is writable. The new bytes are kept until commit() and
        // then written over the old ones: this gives up the whole-or-nothing guarantee, since
        // a failure or a crash in the middle of that write leaves a mixed file behind.
        fd_ = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (fd_ < 0)
            return fail(errno);
        mode_ = Mode::InPlace;
        return true;
    }

    // A replaced file's new content is private until its bits are copied; a new file gets
    // the usual bits (the process's umask applies).
    if (!openTemporary(directory_, plan.exists ? 0600 : 0666))
        return false;
    if (plan.exists) {
        const struct stat& st = plan.targetStat;
        // Keeps the owner where the system allows it (root saving a user's file), before the
        // bits, since a change of owner clears set-id bits.
        if (st.st_uid != geteuid() || st.st_gid != getegid())
            (void)::fchown(fd_, st.st_uid, st.st_gid);
        if (::fchmod(fd_, st.st_mode & 07777) != 0)
            return fail(errno);
    }
    return true;
}

bool FileReplacer::openTemporary(const std::string& directory, int permissions)
{
    // An unnamed file can only be given its name through /proc.
    if (access("/proc/self/fd", X_OK) == 0) {
        fd_ = ::open(directory.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, permissions);
        if (fd_ >= 0) {
            mode_ = Mode::Unnamed;
            return true;
        }
    }
    // The file system has no unnamed files: a short name, removed again on every failure.
    const int e = claimTemporary(directory, [&](const std::string& name) {
        fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, permissions);
        return fd_ >= 0 ? 0 : errno;
    });
    if (e != 0)
        return fail(e);
    mode_ = Mode::Named;
    return true;
}

int FileReplacer::claimTemporary(const std::string& directory, const std::function<int(const std::string&)>& make)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary_ = temporaryName(directory);
        temporarySlot_ = registerTemporary(temporary_);
        const int e = make(temporary_);
        if (e == 0)
            return 0;
        unregisterTemporary(temporarySlot_);
        temporarySlot_ = -1;
        temporary_.clear();
        if (e != EEXIST)
            return e;
    }
    return EEXIST;
}

bool FileReplacer::write(const void* data, std::size_t size)
{
    if (mode_ == Mode::Closed)
        return false;
    if (mode_ == Mode::InPlace) {
        buffer_.append(static_cast<const char*>(data), size);
        return true;
    }
    if (!writeAll(fd_, static_cast<const char*>(data), size, 0, false))
        return fail(errno);
    return true;
}

bool FileReplacer::commit(bool durable)
{
    if (mode_ == Mode::Closed)
        return false;
    if (mode_ == Mode::InPlace)
        return commitInPlace(durable);
    if (mode_ == Mode::Stream) {
        const int fd = fd_;
        fd_ = -1;
        mode_ = Mode::Closed;
        if (::close(fd) != 0)
            return fail(errno);
        return true;
    }
    if (durable && ::fsync(fd_) != 0)
        return fail(errno);

    if (mode_ == Mode::Unnamed) {
        if (!linkUnnamed())
            return false;
    } else {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0)
            return fail(errno);
        if (std::rename(temporary_.c_str(), target_.c_str()) != 0)
            return fail(errno);
        releaseTemporary(false);
    }
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    mode_ = Mode::Closed;
    if (durable)
        syncDirectory(directory_);
    return true;
}

bool FileReplacer::linkUnnamed()
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    // A new file takes its name directly; an existing one is replaced by a rename, the only
    // step that swaps a name at once, from a short name the complete file gets first.
    if (!targetExisted_) {
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target_.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return true;
        if (errno != EEXIST)
            return fail(errno);
    }
    const int e = claimTemporary(directory_, [&](const std::string& name) {
        return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
    });
    if (e != 0)
        return fail(e);
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0)
        return fail(errno);
    releaseTemporary(false);
    return true;
}

bool FileReplacer::commitInPlace(bool durable)
{
    const off_t size = static_cast<off_t>(buffer_.size());
    // Reserving the blocks first makes a full disk fail before any old byte is overwritten;
    // file systems that cannot reserve simply skip this.
    if (size > 0 && ::fallocate(fd_, FALLOC_FL_KEEP_SIZE, 0, size) != 0 && errno != EOPNOTSUPP && errno != ENOSYS)
        return fail(errno);
    if (!writeAll(fd_, buffer_.data(), buffer_.size(), 0, true))
        return fail(errno);
    if (::ftruncate(fd_, size) != 0)
        return fail(errno);
    if (durable && ::fsync(fd_) != 0)
        return fail(errno);
    const int fd = fd_;
    fd_ = -1;
    mode_ = Mode::Closed;
    std::string().swap(buffer_);
    if (::close(fd) != 0)
        return fail(errno);
    return true;
}

void FileReplacer::releaseTemporary(bool remove)
{
    if (temporary_.empty())
        return;
    if (remove)
        ::unlink(temporary_.c_str());
    unregisterTemporary(temporarySlot_);
    temporarySlot_ = -1;
    temporary_.clear();
}

void FileReplacer::discard()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    releaseTemporary(true);
    std::string().swap(buffer_);
    mode_ = Mode::Closed;
}

bool FileReplacer::replace(const std::string& path, const void* data, std::size_t size, bool durable,
                           std::string* reason)
{
    FileReplacer file(path);
    const bool ok = file.open() && file.write(data, size) && file.commit(durable);
    if (reason)
        *reason = file.error();
    return ok;
}

void FileReplacer::removePendingTemporaries() noexcept
{
    for (PendingTemporary& slot : pending)
        if (slot.state.load() == 2)
            ::unlink(slot.path);
}
