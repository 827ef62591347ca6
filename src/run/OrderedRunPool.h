#pragma once
// OrderedRunPool: grows the runs first .. end-1 on a few threads and hands each run's result
// on in run order. A thread grows one run at a time; a finished run waits until every earlier
// one has been handed on, and the threads run ahead of the oldest run not yet handed on by at
// most runsAhead() runs, so the results held at once stay bounded whatever the number of runs.
//
// A run that fails for lack of memory (std::bad_alloc) while other threads are at work is given
// to them to grow again, and its thread ends: the threads together took what memory there was.
// Any other error, lack of memory on the last thread, an error in handing a run on, or a stop
// ends the pool; run() throws it again once every thread has ended.
#include "run/StopRequest.h"

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <new>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

class OrderedRunPool {
public:
    // The threads used for `jobs` asked for and `runs` runs: 1 .. runs.
    static int32_t threadsFor(int32_t jobs, int32_t runs);
    // The runs grown at once when no number is asked for: the machine's cores shared among
    // runs of `threadsPerRun` threads each (a tiled film's), at least 1.
    static int32_t jobsByDefault(int32_t threadsPerRun);
    // How many runs past the oldest one not yet handed on the threads may start.
    static int32_t runsAhead(int32_t threads) { return 2 * threads; }

    // `jobs` threads at the most (see threadsFor); fewer when the system gives fewer. Once
    // `stop` is set no further run starts and run() throws Interrupted.
    OrderedRunPool(int32_t first, int32_t end, int32_t jobs, const StopRequest* stop = nullptr);

    int32_t threads() const { return threads_; }

    // Called on the calling thread about five times a second while the runs go on, and once at
    // the end: the runs handed on so far.
    using Progress = std::function<void(int32_t runsHandedOn)>;

    // grow(k) returns run k's result; it is called on the pool's threads, several at a time.
    // hand(k, result) receives it there, one run at a time, in run order.
    template <class Grow, class Hand>
    void run(Grow grow, Hand hand, const Progress& progress = {}) const;

private:
    // What the threads share, under `mutex`.
    struct Shared {
        explicit Shared(int32_t first) : next(first), handed(first) {}
        std::mutex mutex;
        std::condition_variable changed;
        int32_t next;                // the next run to start
        int32_t handed;              // runs handed on: all of first .. handed-1
        std::vector<int32_t> retry;  // runs given up by a thread that ran out of memory
        int32_t working = 0;         // threads started and not given up
        std::exception_ptr failure;
    };

    // Waits until a thread may start a run and returns it; nullopt when the thread is done
    // (every run handed on, or a failure).
    std::optional<int32_t> claim(Shared& s) const;
    // Under the lock: run k ran out of memory on its thread, which ends; the run goes to the
    // other threads, or fails the pool on the last one.
    static void giveUp(Shared& s, int32_t k);
    // Under the lock: a run failed with `error` on its thread, which ends.
    static void fail(Shared& s, std::exception_ptr error);
    // Starts the threads on `worker`, reports progress until every run is handed on or one
    // failed, joins the threads and throws the failure again.
    void runThreads(Shared& s, const std::function<void()>& worker, const Progress& progress) const;

    int32_t first_, end_, threads_;
    const StopRequest* stop_;
};

template <class Grow, class Hand>
void OrderedRunPool::run(Grow grow, Hand hand, const Progress& progress) const
{
    using Result = std::invoke_result_t<Grow&, int32_t>;
    Shared s(first_);
    std::map<int32_t, Result> finished; // finished runs waiting for an earlier one
    const auto worker = [&] {
        while (const std::optional<int32_t> k = claim(s)) {
            std::optional<Result> result;
            try {
                result.emplace(grow(*k));
            } catch (const std::bad_alloc&) {
                std::lock_guard<std::mutex> lock(s.mutex);
                giveUp(s, *k);
                return;
            } catch (...) {
                std::lock_guard<std::mutex> lock(s.mutex);
                fail(s, std::current_exception());
                return;
            }
            std::lock_guard<std::mutex> lock(s.mutex);
            try {
                finished.emplace(*k, std::move(*result));
            } catch (const std::bad_alloc&) {
                giveUp(s, *k);
                return;
            }
            // Hand on every run that is now next in order.
            for (auto it = finished.find(s.handed); it != finished.end(); it = finished.find(s.handed)) {
                if (!s.failure) {
                    try {
                        hand(s.handed, it->second);
                    } catch (...) {
                        s.failure = std::current_exception();
                    }
                }
                finished.erase(it);
                ++s.handed;
            }
            s.changed.notify_all();
        }
    };
    runThreads(s, worker, progress);
}
