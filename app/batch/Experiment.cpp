#include "batch/Experiment.h"

#include "batch/GrowthRun.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

Experiment::Experiment(const RunSettings& settings, uint32_t firstSeed, int32_t runs, int64_t ticks)
    : settings_(settings), firstSeed_(firstSeed), runs_(runs), ticks_(ticks)
{
}

namespace {

struct Series {
    std::vector<double> roughness;
    std::vector<double> deposited;
};

} // namespace

RoughnessStats Experiment::run(int32_t jobs, const Progress& progress) const
{
    RoughnessStats stats(ticks_);
    if (jobs < 1)
        jobs = 1;
    if (jobs > runs_)
        jobs = runs_ > 0 ? runs_ : 1;

    std::mutex mutex;
    std::condition_variable changed;
    int32_t nextRun = 0;     // the next run to start
    int32_t added = 0;       // runs already added to stats, all of 0..added-1
    std::map<int32_t, Series> finished; // finished runs waiting for an earlier one
    std::exception_ptr failure;
    std::atomic<int64_t> ticksDone{0};
    // A finished run waits for every earlier one before it is added; a worker may run ahead
    // of the oldest unfinished run by at most this many runs, so memory stays bounded.
    const int32_t ahead = 2 * jobs;

    auto worker = [&]() {
        for (;;) {
            int32_t k;
            {
                std::unique_lock<std::mutex> lock(mutex);
                changed.wait(lock, [&] { return failure || nextRun >= runs_ || nextRun < added + ahead; });
                if (failure || nextRun >= runs_)
                    return;
                k = nextRun++;
            }
            Series series;
            try {
                series.roughness.resize(static_cast<size_t>(ticks_));
                series.deposited.resize(static_cast<size_t>(ticks_));
                GrowthRun growth(settings_, seedOf(k));
                for (int64_t t = 0; t < ticks_; ++t) {
                    series.roughness[t] = growth.tick();
                    series.deposited[t] = growth.simulation().deposited;
                    ticksDone.fetch_add(1, std::memory_order_relaxed);
                }
            } catch (...) {
                std::lock_guard<std::mutex> lock(mutex);
                if (!failure)
                    failure = std::current_exception();
                changed.notify_all();
                return;
            }
            std::lock_guard<std::mutex> lock(mutex);
            finished.emplace(k, std::move(series));
            // Add every run that is now next in order.
            for (auto it = finished.find(added); it != finished.end(); it = finished.find(added)) {
                stats.addRun(it->second.roughness, it->second.deposited);
                finished.erase(it);
                ++added;
            }
            changed.notify_all();
        }
    };

    std::vector<std::thread> threads;
    threads.reserve(static_cast<size_t>(jobs));
    for (int32_t j = 0; j < jobs; ++j)
        threads.emplace_back(worker);

    {
        std::unique_lock<std::mutex> lock(mutex);
        while (!failure && added < runs_) {
            changed.wait_for(lock, std::chrono::milliseconds(200));
            if (progress) {
                const int32_t runsDone = added;
                lock.unlock();
                progress(runsDone, ticksDone.load(std::memory_order_relaxed));
                lock.lock();
            }
        }
    }
    for (std::thread& t : threads)
        t.join();
    if (failure)
        std::rethrow_exception(failure);
    if (progress)
        progress(added, ticksDone.load());
    return stats;
}
