// Preloaded into tessavo-batch by the tests (LD_PRELOAD): raises SIGINT in the process at the
// instant the file whose name ends in $TESSAVO_TEST_SIGNAL_AT takes that name, by a link or a
// rename, as if Ctrl+C came just then. Once per process.
#include <dlfcn.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace {

void signalAtTarget(const char* path)
{
    static std::atomic<bool> raised{false};
    const char* name = std::getenv("TESSAVO_TEST_SIGNAL_AT");
    if (!name || !path)
        return;
    const std::size_t n = std::strlen(path), m = std::strlen(name);
    if (n >= m && std::strcmp(path + n - m, name) == 0 && !raised.exchange(true))
        std::raise(SIGINT);
}

template <class Function>
Function next(const char* symbol)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, symbol));
}

} // namespace

extern "C" int linkat(int fromDirectory, const char* from, int toDirectory, const char* to, int flags)
{
    static const auto real = next<int (*)(int, const char*, int, const char*, int)>("linkat");
    signalAtTarget(to);
    return real(fromDirectory, from, toDirectory, to, flags);
}

extern "C" int rename(const char* from, const char* to)
{
    static const auto real = next<int (*)(const char*, const char*)>("rename");
    signalAtTarget(to);
    return real(from, to);
}
