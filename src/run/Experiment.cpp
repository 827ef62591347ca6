#include "run/Experiment.h"

#include "run/AnalysisStats.h"
#include "run/FilmRun.h"
#include "model/AppError.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <map>
#include <mutex>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

Experiment::Experiment(const FilmSetup& settings, uint32_t firstSeed, int32_t runs, int64_t ticks)
    : settings_(settings), firstSeed_(firstSeed), runs_(runs), ticks_(ticks), end_(runs)
{
}

void Experiment::setRunRange(int32_t first, int32_t end)
{
    if (first < 0 || end <= first || end > runs_)
        throw AppError("the runs " + std::to_string(first) + ".." + std::to_string(end - 1) + " are not within 0.."
                       + std::to_string(runs_ - 1));
    first_ = first;
    end_ = end;
}

namespace {

struct Series {
    std::vector<double> roughness;
    std::vector<double> deposited;
    std::vector<SurfaceAnalysis> analyses;
};

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

// About the bytes one surface analysis of a rows x cols lattice holds, and its averages over
// runs: three curves of min / 2 points (S(k) with its modes, C(r) and G(r)), the local widths,
// and a step histogram of some dozens of sizes.
uint64_t analysisBytes(int32_t rows, int32_t cols)
{
    const uint64_t bins = static_cast<uint64_t>(std::max(1, std::min(rows, cols) / 2));
    return 8 * (7 * bins + 2 * 32 + 3 * 64) + 256;
}

// Grows a film `ticks` ticks into its series (index t is tick t + 1), calling afterTick(t)
// after tick t; a stop is seen between ticks and between relaxation sweeps.
template <class AfterTick>
void growInto(FilmRun& growth, int64_t ticks, const StopRequest* stop, std::vector<double>& roughness,
              std::vector<double>& deposited, AfterTick afterTick)
{
    if (stop)
        growth.observeSweeps([stop](int32_t) { return !stop->load(std::memory_order_relaxed); });
    for (int64_t t = 0; t < ticks; ++t) {
        checkStop(stop);
        if (!growth.advance())
            throw Interrupted();
        roughness[static_cast<size_t>(t)] = growth.roughness();
        deposited[static_cast<size_t>(t)] = growth.simulation().deposited;
        afterTick(t + 1);
    }
}

} // namespace

Experiment::RunSeries Experiment::runSeries(const FilmSetup& settings, uint32_t firstSeed, uint32_t k, int64_t ticks,
                                            const StopRequest* stop)
{
    RunSeries series;
    series.roughness.resize(static_cast<size_t>(ticks));
    series.deposited.resize(static_cast<size_t>(ticks));
    FilmRun growth(settings, firstSeed, k);
    growInto(growth, ticks, stop, series.roughness, series.deposited, [](int64_t) {});
    return series;
}

int32_t Experiment::threadsFor(int32_t jobs) const
{
    if (jobs > end_ - first_)
        jobs = end_ - first_;
    return jobs < 1 ? 1 : jobs;
}

uint64_t Experiment::memoryNeeded(int32_t jobs) const
{
    // The statistics hold 8 values a tick and the fit copies 2 of them; a run's series holds 2;
    // each thread grows one film at a time.
    const int32_t threads = threadsFor(jobs);
    const uint64_t series = static_cast<uint64_t>(std::min(runsAhead(threads), std::max(end_ - first_, 1)));
    const uint64_t ticks = static_cast<uint64_t>(ticks_ < 0 ? 0 : ticks_);
    // The analyses of the runs held and their averages (about four times the size), and on
    // each thread the transform of its lattice with the analysis' other working arrays.
    const Scenario& sc = settings_.scenario;
    const uint64_t analyses = !analyses_ ? 0
        : static_cast<uint64_t>(analysisCount(ticks_, analyseEvery_)) * analysisBytes(sc.sizeY, sc.sizeX) * (series + 4)
            + static_cast<uint64_t>(threads) * 2 * sizeof(double) * static_cast<uint64_t>(std::max(sc.sizeY, 1))
                * static_cast<uint64_t>(std::max(sc.sizeX, 0) + 2);
    return ticks * sizeof(double) * (8 + 2 + 2 * series) + static_cast<uint64_t>(threads) * filmBytes(settings_)
        + analyses;
}

void Experiment::analyseSurfaces(int64_t every, AnalysisFold fold)
{
    analyses_ = true;
    analyseEvery_ = every;
    analysisFold_ = std::move(fold);
}

void Experiment::checkMemory(int32_t jobs, uint64_t available) const
{
    const uint64_t needed = memoryNeeded(jobs);
    if (needed > available)
        throw AppError(std::to_string(ticks_) + " ticks on " + std::to_string(threadsFor(jobs))
                       + " threads need about " + gigabytes(needed) + " of memory for the lattices and the per-tick series, more than the "
                       + gigabytes(available) + " of this machine: use fewer --steps or --jobs, or a smaller --size"
                       + (analyses_ ? ", or a larger --analyze-every" : ""));
}

RoughnessStats Experiment::run(int32_t jobs, const Progress& progress, const StopRequest* stop) const
{
    const uint64_t machine = machineMemory();
    if (machine > 0)
        checkMemory(jobs, machine);
    jobs = threadsFor(jobs);
    RoughnessStats stats(ticks_);

    std::mutex mutex;
    std::condition_variable changed;
    int32_t nextRun = first_; // the next run to start
    int32_t added = first_;   // runs already added to stats, all of first_..added-1
    std::map<int32_t, Series> finished; // finished runs waiting for an earlier one
    std::exception_ptr failure;
    std::atomic<int64_t> ticksDone{0};
    const int32_t ahead = runsAhead(jobs); // so memory stays bounded
    std::vector<int32_t> retry;  // runs given up by a thread that ran out of memory
    int32_t working = 0;         // threads started and not given up

    // Hands a run, in run order and under the lock, to the analysis fold and the series observer;
    // an error there (out of memory) stops the experiment as a failed run does.
    const auto deliver = [&](int32_t k, const Series& series) {
        if (failure)
            return;
        try {
            if (analysisFold_)
                analysisFold_(series.analyses);
            if (seriesObserver_)
                seriesObserver_(k, series.roughness);
            if (observer_)
                observer_(k, series.roughness, series.deposited);
        } catch (...) {
            failure = std::current_exception();
        }
    };

    // Out of memory with other threads still at work (the threads took what there was): this
    // thread ends and hands its run k to them, unless it is the last one. Under the lock.
    retry.reserve(static_cast<size_t>(jobs));
    const auto giveUp = [&](int32_t k) {
        if (working > 1) {
            --working;
            retry.push_back(k);
        } else if (!failure) {
            failure = std::make_exception_ptr(std::bad_alloc());
        }
        changed.notify_all();
    };

    auto worker = [&]() {
        for (;;) {
            int32_t k;
            {
                std::unique_lock<std::mutex> lock(mutex);
                changed.wait(lock, [&] { return failure || !retry.empty() || nextRun >= end_ || nextRun < added + ahead; });
                if (failure || (retry.empty() && nextRun >= end_))
                    return;
                if (!retry.empty()) {
                    k = retry.back();
                    retry.pop_back();
                } else {
                    k = nextRun++;
                }
            }
            Series series;
            try {
                series.roughness.resize(static_cast<size_t>(ticks_));
                series.deposited.resize(static_cast<size_t>(ticks_));
                FilmRun growth(settings_, firstSeed_, static_cast<uint32_t>(k));
                // One thread an analysis: the other threads are busy with runs of their own.
                const auto analyseAt = [&](int64_t tick) {
                    const Symulacja& sim = growth.simulation();
                    if (analyses_ && isAnalysisTick(tick, ticks_, analyseEvery_))
                        series.analyses.push_back(analyseSurface(sim.lattice ? heightView(*sim.lattice) : HeightView{}, 1));
                };
                analyseAt(0);
                growInto(growth, ticks_, stop, series.roughness, series.deposited, [&](int64_t tick) {
                    ticksDone.fetch_add(1, std::memory_order_relaxed);
                    analyseAt(tick);
                });
            } catch (const std::bad_alloc&) {
                std::lock_guard<std::mutex> lock(mutex);
                giveUp(k);
                return;
            } catch (...) {
                std::lock_guard<std::mutex> lock(mutex);
                if (!failure)
                    failure = std::current_exception();
                changed.notify_all();
                return;
            }
            std::lock_guard<std::mutex> lock(mutex);
            try {
                finished.emplace(k, std::move(series));
            } catch (const std::bad_alloc&) {
                giveUp(k);
                return;
            }
            // Add every run that is now next in order.
            for (auto it = finished.find(added); it != finished.end(); it = finished.find(added)) {
                deliver(added, it->second);
                stats.addRun(it->second.roughness, it->second.deposited);
                finished.erase(it);
                ++added;
            }
            changed.notify_all();
        }
    };

    std::vector<std::thread> threads;
    threads.reserve(static_cast<size_t>(jobs));
    for (int32_t j = 0; j < jobs; ++j) {
        if (j > 0 && !roomForAnotherThread())
            break;
        try {
            std::lock_guard<std::mutex> lock(mutex);
            threads.emplace_back(worker);
            ++working;
        } catch (const std::system_error& e) {
            // The system gives fewer threads than asked for (a process or memory limit): the
            // runs go on those that started, with the same results.
            if (threads.empty())
                throw AppError(std::string("cannot start a thread for the runs: ") + e.what());
            break;
        }
        catch (const std::bad_alloc&) {
            // Likewise when the memory for the thread's start is what ran out.
            if (threads.empty())
                throw;
            break;
        }
    }

    {
        std::unique_lock<std::mutex> lock(mutex);
        while (!failure && added < end_) {
            changed.wait_for(lock, std::chrono::milliseconds(200));
            if (progress) {
                const int32_t runsDone = added - first_;
                lock.unlock();
                progress(runsDone, static_cast<double>(ticksDone.load(std::memory_order_relaxed)));
                lock.lock();
            }
        }
    }
    for (std::thread& t : threads)
        t.join();
    if (failure)
        std::rethrow_exception(failure);
    if (progress)
        progress(added - first_, static_cast<double>(ticksDone.load()));
    return stats;
}
