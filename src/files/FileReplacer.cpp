#include "files/FileReplacer.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The file a write goes to: the target of a symbolic link, so that the link stays.
std::string resolvedTarget(const std::string& path)
{
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = realpath(path.c_str(), nullptr)) {
            std::string result(real);
            free(real);
            return result;
        }
    }
    return path;
}

std::string directoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

bool writeAll(int fd, const unsigned char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

bool FileReplacer::canWrite(const std::string& path)
{
    if (path.empty())
        return false;
    const std::string target = resolvedTarget(path);
    struct stat st;
    if (stat(target.c_str(), &st) == 0 && (!S_ISREG(st.st_mode) || access(target.c_str(), W_OK) != 0))
        return false;
    const std::string directory = directoryOf(target);
    return stat(directory.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && access(directory.c_str(), W_OK | X_OK) == 0;
}

bool FileReplacer::replace(const std::string& path, const void* data, std::size_t size, bool durable)
{
    if (!canWrite(path))
        return false;
    const std::string target = resolvedTarget(path);
    struct stat st;
    const bool exists = stat(target.c_str(), &st) == 0;
    // A short name in the same directory, so that the rename cannot cross file systems and a
    // target name near the length limit still gets its temporary file.
    static std::atomic<unsigned> counter{0};
    const std::string directory = directoryOf(target);
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = directory + "/.tessavo-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".tmp";
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, static_cast<const unsigned char*>(data), size);
    if (ok && exists)
        ok = fchmod(fd, st.st_mode & 07777) == 0;
    if (ok && durable)
        ok = fsync(fd) == 0;
    if (::close(fd) != 0)
        ok = false;
    if (ok)
        ok = std::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok)
        ::unlink(temporary.c_str());
    return ok;
}
