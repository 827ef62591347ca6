#include "run/IsolatedSeriesReader.h"

#include "model/AppError.h"
#include "run/GrowthSettings.h"
#include "run/StartLattice.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

// The child opens the files in order and answers with messages: one byte of kind ('H' a file's
// header and runs, 'R' a run's series, 'E' an error to pass on), eight bytes of length, then
// the bytes. Then the parent asks for a row by the file's place and the row, eight bytes each.

namespace {

// Bytes of a message as they are put together.
class Output {
public:
    template <class T>
    void put(T value)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        bytes_.append(reinterpret_cast<const char*>(&value), sizeof value);
    }
    void putText(const std::string& text)
    {
        put<uint64_t>(text.size());
        bytes_ += text;
    }
    template <class T>
    void putValues(const std::vector<T>& values)
    {
        put<uint64_t>(values.size());
        bytes_.append(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(T));
    }
    const std::string& bytes() const { return bytes_; }

private:
    std::string bytes_;
};

// Bytes of a message taken apart; anything that does not fit is a broken message.
class Input {
public:
    struct Broken {};
    explicit Input(const std::string& bytes) : bytes_(bytes) {}

    template <class T>
    T get()
    {
        T value;
        std::memcpy(&value, take(sizeof value), sizeof value);
        return value;
    }
    std::string getText()
    {
        const uint64_t size = get<uint64_t>();
        return std::string(take(size), size);
    }
    template <class T>
    std::vector<T> getValues()
    {
        const uint64_t count = get<uint64_t>();
        if (count > (bytes_.size() - at_) / sizeof(T))
            throw Broken{};
        std::vector<T> values(count);
        const char* from = take(count * sizeof(T));
        if (count > 0) // an empty vector may have no storage to copy into
            std::memcpy(values.data(), from, count * sizeof(T));
        return values;
    }
    bool done() const { return at_ == bytes_.size(); }

private:
    const char* take(uint64_t size)
    {
        if (size > bytes_.size() - at_)
            throw Broken{};
        const char* p = bytes_.data() + at_;
        at_ += size;
        return p;
    }
    const std::string& bytes_;
    size_t at_ = 0;
};

// All `size` bytes through `transfer` (read or write), again after a signal; false at the end
// of the stream or on an error.
template <class Byte>
bool transferAll(int fd, Byte* data, size_t size, ssize_t (*transfer)(int, Byte*, size_t))
{
    while (size > 0) {
        const ssize_t n = transfer(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool writeAll(int fd, const char* data, size_t size)
{
    return transferAll<const char>(fd, data, size, [](int f, const char* p, size_t n) { return ::write(f, p, n); });
}

bool readAll(int fd, char* data, size_t size)
{
    return transferAll<char>(fd, data, size, [](int f, char* p, size_t n) { return ::read(f, p, n); });
}

void send(int fd, char kind, const std::string& bytes)
{
    const uint64_t size = bytes.size();
    if (!writeAll(fd, &kind, 1) || !writeAll(fd, reinterpret_cast<const char*>(&size), sizeof size)
        || !writeAll(fd, bytes.data(), bytes.size()))
        _exit(1);
}

// The address space the process has now, in bytes (VmSize).
uint64_t addressSpace()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmSize:", 0) == 0)
            return std::strtoull(line.c_str() + 7, nullptr, 10) * 1024;
    return 0;
}

void limitMemory(uint64_t bytes)
{
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) != 0)
        return;
    limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? bytes : std::min<rlim_t>(bytes, limit.rlim_max);
    setrlimit(RLIMIT_AS, &limit);
}

std::string headerBytes(const SeriesReader& reader)
{
    const SeriesHeader& h = reader.header();
    Output out;
    out.putText(h.programVersion);
    out.put<uint32_t>(h.seed);
    out.put<int32_t>(h.runs);
    out.put<int64_t>(h.ticks);
    for (const GrowthField& f : growthFields()) {
        const FieldValue v = f.get(h.settings);
        out.put<uint8_t>(static_cast<uint8_t>(v.index()));
        if (const auto* i = std::get_if<int64_t>(&v))
            out.put(*i);
        else if (const auto* d = std::get_if<double>(&v))
            out.put(*d);
        else
            out.putText(std::get<std::string>(v));
    }
    out.putText(h.configFile);
    out.putText(h.layerFile);
    out.put<int32_t>(h.jobs);
    out.put<double>(h.seconds);
    out.putValues(reader.runs());
    out.put<uint8_t>(h.startHeights ? 1 : 0);
    if (h.startHeights)
        out.putValues(*h.startHeights);
    return out.bytes();
}

// The child: reads the files and answers until the parent closes the socket; never returns.
[[noreturn]] void serve(int socket, const std::vector<std::string>& paths, uint64_t bytes)
{
    // Only the parent's word counts: the child goes with it, leaves Ctrl+C to it, and holds
    // none of the parent's other files open.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    signal(SIGINT, SIG_IGN);
    signal(SIGTERM, SIG_DFL);
    signal(SIGPIPE, SIG_IGN);
    if (socket != 3) {
        dup2(socket, 3);
        socket = 3;
    }
    close_range(4, ~0u, 0);
    uint64_t allowed = addressSpace() + IsolatedSeriesReader::spareMemory + 4 * bytes;
    limitMemory(allowed);
    const std::string* current = &paths.front(); // the file being read
    try {
        std::vector<std::unique_ptr<SeriesReader>> readers;
        for (const std::string& path : paths) {
            current = &path;
            readers.push_back(std::make_unique<SeriesReader>(path));
            // A run's three series, read and copied into a message that may grow to twice its size, on top.
            allowed += 12 * static_cast<uint64_t>(readers.back()->header().ticks) * sizeof(double);
            limitMemory(allowed);
            send(socket, 'H', headerBytes(*readers.back()));
        }
        std::vector<double> roughness, deposited, layers;
        for (uint64_t request[2]; readAll(socket, reinterpret_cast<char*>(request), sizeof request);) {
            if (request[0] >= readers.size())
                break;
            current = &paths[request[0]];
            readers[request[0]]->readRow(static_cast<size_t>(request[1]), roughness, deposited, &layers);
            Output out;
            out.putValues(roughness);
            out.putValues(deposited);
            out.putValues(layers);
            send(socket, 'R', out.bytes());
        }
    } catch (const AppError& e) {
        send(socket, 'E', e.what());
    } catch (const std::bad_alloc&) {
        send(socket, 'E', *current + ": the file declares more than this program reads in the memory it allows");
    } catch (...) {
    }
    _exit(0);
}

} // namespace

// The child process and the socket to it; gone with the last reader.
class IsolatedSeriesReader::Child {
public:
    Child(const std::vector<std::string>& paths, uint64_t bytes, double seconds) : seconds_(seconds)
    {
        int sockets[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0)
            throw AppError("cannot start the process that reads the series files: " + std::string(std::strerror(errno)));
        std::fflush(nullptr); // nothing buffered is written twice
        pid_ = fork();
        if (pid_ == 0) {
            ::close(sockets[0]);
            serve(sockets[1], paths, bytes);
        }
        ::close(sockets[1]);
        socket_ = sockets[0];
        if (pid_ < 0) {
            const int error = errno;
            ::close(socket_);
            throw AppError("cannot start the process that reads the series files: " + std::string(std::strerror(error)));
        }
    }
    ~Child()
    {
        ::close(socket_);
        ::kill(pid_, SIGKILL);
        while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // Asks for row `row` of file `file`; false when the child is gone.
    bool ask(uint64_t file, uint64_t row)
    {
        const uint64_t request[2] = {file, row};
        // MSG_NOSIGNAL: a child that has died makes the request fail, not the parent end on SIGPIPE.
        return ok_ && ::send(socket_, request, sizeof request, MSG_NOSIGNAL) == static_cast<ssize_t>(sizeof request);
    }

    // The next message, of kind `expected`, at most `limit` bytes, in time for its size. Throws
    // AppError with the child's message for 'E', and Broken when the child ended, took too long
    // or broke the protocol (the child is then of no further use).
    struct Broken {};
    std::string receive(char expected, uint64_t limit)
    {
        if (!ok_)
            throw Broken{};
        ok_ = false;
        const auto deadline
            = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds_ + static_cast<double>(limit) / 50e6);
        std::string message;
        uint64_t wanted = 9; // the kind and the length first
        char kind = 0;
        while (message.size() < wanted) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                throw Broken{};
            pollfd p{socket_, POLLIN, 0};
            const int ready = ::poll(&p, 1, static_cast<int>(std::min<int64_t>(left.count(), 1000)));
            if (ready < 0 && errno != EINTR)
                throw Broken{};
            if (ready <= 0)
                continue;
            char buffer[1 << 16];
            const ssize_t n = ::read(socket_, buffer, static_cast<size_t>(std::min<uint64_t>(sizeof buffer, wanted - message.size())));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                throw Broken{}; // the child ended: it crashed, or ran out of memory
            message.append(buffer, static_cast<size_t>(n));
            if (wanted == 9 && message.size() == 9) {
                kind = message[0];
                uint64_t size = 0;
                std::memcpy(&size, message.data() + 1, sizeof size);
                if ((kind != expected && kind != 'E') || size > (kind == 'E' ? uint64_t{1} << 20 : limit))
                    throw Broken{};
                wanted += size;
                message.reserve(static_cast<size_t>(wanted));
            }
        }
        message.erase(0, 9);
        if (kind == 'E')
            throw AppError(message);
        ok_ = true;
        return message;
    }

private:
    double seconds_; // for one answer, beyond the time its bytes take
    pid_t pid_ = -1;
    int socket_ = -1;
    bool ok_ = true;
};

namespace {

[[noreturn]] void damaged(const std::string& path)
{
    throw AppError("cannot read " + path + ": the file is damaged");
}

} // namespace

IsolatedSeriesReader::IsolatedSeriesReader(std::shared_ptr<Child> child, uint64_t index, std::string path)
    : child_(std::move(child)), index_(index), path_(std::move(path))
{
}

IsolatedSeriesReader::~IsolatedSeriesReader() = default;

std::vector<std::unique_ptr<IsolatedSeriesReader>> IsolatedSeriesReader::open(const std::vector<std::string>& paths, double seconds)
{
    std::vector<uint64_t> sizes;
    uint64_t total = 0;
    for (const std::string& path : paths) {
        checkReadableFile(path); // the usual message for a file that is missing, with no child yet
        struct stat st {};
        sizes.push_back(::stat(path.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0);
        total += sizes.back();
    }
    std::vector<std::unique_ptr<IsolatedSeriesReader>> readers;
    if (paths.empty())
        return readers;
    const auto child = std::make_shared<Child>(paths, total, seconds);
    for (size_t i = 0; i < paths.size(); ++i) {
        std::unique_ptr<IsolatedSeriesReader> r(new IsolatedSeriesReader(child, i, paths[i]));
        try {
            // The header, the runs and a start lattice, never more than a few times the file.
            const std::string bytes = child->receive('H', (uint64_t{64} << 20) + 8 * sizes[i]);
            Input in(bytes);
            SeriesHeader& h = r->header_;
            h.programVersion = in.getText();
            h.seed = in.get<uint32_t>();
            h.runs = in.get<int32_t>();
            h.ticks = in.get<int64_t>();
            for (const GrowthField& f : growthFields()) {
                FieldValue v;
                switch (in.get<uint8_t>()) {
                case 0: v = in.get<int64_t>(); break;
                case 1: v = in.get<double>(); break;
                case 2: v = in.getText(); break;
                default: throw Input::Broken{};
                }
                if (!fieldValueOf(f, v))
                    throw Input::Broken{};
                f.set(h.settings, v);
            }
            h.configFile = in.getText();
            h.layerFile = in.getText();
            h.jobs = in.get<int32_t>();
            h.seconds = in.get<double>();
            r->runs_ = in.getValues<int32_t>();
            if (in.get<uint8_t>() != 0)
                h.startHeights = std::make_shared<const std::vector<int32_t>>(in.getValues<int32_t>());
            // What the child checked, looked at once more where a mistake would cost memory or order.
            const std::vector<int32_t>& runs = r->runs_;
            bool sound = in.done() && h.runs >= 1 && h.ticks >= 0 && h.ticks <= INT32_MAX && h.jobs >= 1
                && !runs.empty() && runs.size() <= static_cast<size_t>(h.runs) && std::isfinite(h.seconds)
                && (!h.startHeights
                    || h.startHeights->size() == static_cast<size_t>(h.settings.rows) * static_cast<size_t>(h.settings.columns));
            for (size_t k = 0; sound && k < runs.size(); ++k)
                sound = runs[k] >= 0 && runs[k] < h.runs && (k == 0 || runs[k] > runs[k - 1]);
            if (!sound)
                throw Input::Broken{};
        } catch (const Input::Broken&) {
            damaged(paths[i]);
        } catch (const Child::Broken&) {
            damaged(paths[i]);
        }
        readers.push_back(std::move(r));
    }
    return readers;
}

void IsolatedSeriesReader::readRow(size_t row, std::vector<double>& roughness, std::vector<double>& deposited,
                                   std::vector<double>* layers) const
{
    const uint64_t ticks = static_cast<uint64_t>(header_.ticks);
    const uint64_t bytes = 3 * (sizeof(uint64_t) + ticks * sizeof(double));
    if (row >= runs_.size() || !child_->ask(index_, row))
        damaged(path_);
    std::vector<double> landed;
    try {
        const std::string message = child_->receive('R', bytes);
        Input in(message);
        roughness = in.getValues<double>();
        deposited = in.getValues<double>();
        landed = in.getValues<double>();
        if (!in.done() || roughness.size() != ticks || deposited.size() != ticks
            || (!landed.empty() && landed.size() != ticks))
            damaged(path_);
    } catch (const Input::Broken&) {
        damaged(path_);
    } catch (const Child::Broken&) {
        damaged(path_);
    }
    SeriesReader::checkSeries(path_, runs_[row], header_.settings.autoheight, roughness, deposited, landed);
    if (layers)
        *layers = std::move(landed);
}
