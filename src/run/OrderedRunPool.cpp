#include "run/OrderedRunPool.h"

#include "model/AppError.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <system_error>
#include <thread>

#include <sys/mman.h>

namespace {

// Under a limit on address space (ulimit -v) the stacks of many threads could take all that is
// left and leave the runs nothing to allocate from: another thread is started only while there
// is room for its stack and some to spare.
bool roomForAnotherThread()
{
    constexpr size_t room = size_t{64} << 20;
    void* probe = ::mmap(nullptr, room, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (probe == MAP_FAILED)
        return false;
    ::munmap(probe, room);
    return true;
}

} // namespace

int32_t OrderedRunPool::threadsFor(int32_t jobs, int32_t runs)
{
    if (jobs > runs)
        jobs = runs;
    return jobs < 1 ? 1 : jobs;
}

int32_t OrderedRunPool::jobsByDefault(int32_t threadsPerRun)
{
    const int32_t cores = static_cast<int32_t>(std::thread::hardware_concurrency());
    return std::max(1, cores / std::max(threadsPerRun, 1));
}

OrderedRunPool::OrderedRunPool(int32_t first, int32_t end, int32_t jobs, const StopRequest* stop)
    : first_(first), end_(end), threads_(threadsFor(jobs, end - first)), stop_(stop)
{
}

std::optional<int32_t> OrderedRunPool::claim(Shared& s) const
{
    std::unique_lock<std::mutex> lock(s.mutex);
    // A thread with nothing to start waits while runs are under way: one of them may yet be
    // given up for lack of memory and need it.
    const int32_t ahead = runsAhead(threads_);
    s.changed.wait(lock, [&] {
        return s.failure || !s.retry.empty() || s.handed >= end_ || (s.next < end_ && s.next < s.handed + ahead);
    });
    if (!s.failure && stop_ && stop_->load(std::memory_order_relaxed)) {
        s.failure = std::make_exception_ptr(Interrupted());
        s.changed.notify_all();
    }
    if (s.failure || s.handed >= end_)
        return std::nullopt;
    if (!s.retry.empty()) {
        const int32_t k = s.retry.back();
        s.retry.pop_back();
        return k;
    }
    return s.next++;
}

void OrderedRunPool::giveUp(Shared& s, int32_t k)
{
    if (s.working > 1) {
        --s.working;
        s.retry.push_back(k); // room reserved: at most one a thread
    } else if (!s.failure) {
        s.failure = std::make_exception_ptr(std::bad_alloc());
    }
    s.changed.notify_all();
}

void OrderedRunPool::fail(Shared& s, std::exception_ptr error)
{
    if (!s.failure)
        s.failure = std::move(error);
    s.changed.notify_all();
}

void OrderedRunPool::runThreads(Shared& s, const std::function<void()>& worker, const Progress& progress) const
{
    s.retry.reserve(static_cast<size_t>(threads_));
    std::vector<std::thread> threads;
    threads.reserve(static_cast<size_t>(threads_));
    for (int32_t j = 0; j < threads_; ++j) {
        if (j > 0 && !roomForAnotherThread())
            break;
        try {
            std::lock_guard<std::mutex> lock(s.mutex);
            threads.emplace_back(worker);
            ++s.working;
        } catch (const std::system_error& e) {
            // The system gives fewer threads than asked for (a process or memory limit): the
            // runs go on those that started, with the same results.
            if (threads.empty())
                throw AppError(std::string("cannot start a thread for the runs: ") + e.what());
            break;
        } catch (const std::bad_alloc&) {
            // Likewise when the memory for the thread's start is what ran out.
            if (threads.empty())
                throw;
            break;
        }
    }

    {
        std::unique_lock<std::mutex> lock(s.mutex);
        while (!s.failure && s.handed < end_) {
            s.changed.wait_for(lock, std::chrono::milliseconds(200));
            if (progress) {
                const int32_t handed = s.handed - first_;
                lock.unlock();
                try {
                    progress(handed);
                } catch (...) {
                    // The threads are stopped and joined before the error leaves.
                    lock.lock();
                    fail(s, std::current_exception());
                    continue;
                }
                lock.lock();
            }
        }
    }
    for (std::thread& t : threads)
        t.join();
    if (s.failure)
        std::rethrow_exception(s.failure);
    if (progress)
        progress(s.handed - first_);
}
