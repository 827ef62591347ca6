// OrderedRunPool: runs handed on in run order whatever order they finish in, within the
// bounded window; a run that ran out of memory grown again; a stop.
#include "run/OrderedRunPool.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Lets a run wait, on its thread, until something has happened on another.
struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    int count = 0;

    void add()
    {
        std::lock_guard<std::mutex> lock(mutex);
        ++count;
        changed.notify_all();
    }
    void waitFor(int n)
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return count >= n; });
    }
    int seen()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return count;
    }
};

} // namespace

TEST(OrderedRunPool, RunsFinishedOutOfOrderAreHandedOnInOrderWithinTheWindow)
{
    // Runs 3 .. 10 on three threads; run 3 finishes only after runs 4 and 5 have, and no run
    // past the window starts before it.
    const int32_t first = 3, end = 11;
    const OrderedRunPool pool(first, end, 3);
    ASSERT_EQ(pool.threads(), 3);
    const int32_t window = first + OrderedRunPool::runsAhead(3);
    Gate later, oldest;
    std::vector<int32_t> order;
    std::vector<int64_t> results;
    std::vector<int32_t> progress;
    pool.run(
        [&](int32_t k) {
            if (k == first) {
                later.waitFor(2);
            } else if (k >= window) {
                EXPECT_EQ(oldest.seen(), 1) << "run " << k << " started before run " << first << " was handed on";
            }
            if (k == first + 1 || k == first + 2)
                later.add();
            return int64_t{k} * k;
        },
        [&](int32_t k, int64_t square) {
            order.push_back(k);
            results.push_back(square);
            if (k == first)
                oldest.add();
        },
        [&](int32_t handed) { progress.push_back(handed); });
    EXPECT_EQ(order, (std::vector<int32_t>{3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(results, (std::vector<int64_t>{9, 16, 25, 36, 49, 64, 81, 100}));
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), end - first);
}

TEST(OrderedRunPool, ARunOutOfMemoryIsGrownAgainOnAnotherThreadOrFailsOnTheLast)
{
    // Run 1 runs out of memory once, after run 0 is handed on and its thread has nothing left
    // to start: that thread grows it again.
    std::vector<int32_t> order;
    Gate started, handed;
    int attempts = 0;
    OrderedRunPool(0, 2, 2).run(
        [&](int32_t k) {
            if (k == 0)
                started.waitFor(1); // run 1 is under way on the other thread
            if (k == 1 && ++attempts == 1) {
                started.add();
                handed.waitFor(1);
                // Time for the other thread to find nothing left to start (the pool is right
                // whatever the order; this only makes the late give-up the likely one).
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                throw std::bad_alloc();
            }
            return k;
        },
        [&](int32_t k, int32_t) {
            order.push_back(k);
            handed.add();
        });
    EXPECT_EQ(order, (std::vector<int32_t>{0, 1}));
    EXPECT_EQ(attempts, 2);

    // Alone, the thread has no one to hand the run to.
    EXPECT_THROW(OrderedRunPool(0, 3, 1).run([](int32_t) -> int { throw std::bad_alloc(); }, [](int32_t, int) {}),
                 std::bad_alloc);
}

TEST(OrderedRunPool, AStopEndsThePoolWithTheRunsHandedOnSoFar)
{
    StopRequest stop{false};
    std::vector<int32_t> order;
    EXPECT_THROW(OrderedRunPool(0, 1000, 2, &stop).run([](int32_t k) { return k; },
                                                       [&](int32_t k, int32_t) {
                                                           order.push_back(k);
                                                           if (k == 4)
                                                               stop.store(true);
                                                       }),
                 Interrupted);
    ASSERT_GE(order.size(), 5u);
    EXPECT_LE(order.size(), 5u + OrderedRunPool::runsAhead(2));
    for (size_t i = 0; i < order.size(); ++i)
        EXPECT_EQ(order[i], static_cast<int32_t>(i));
}
