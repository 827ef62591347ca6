#pragma once
// TilePool: a few threads that share the jobs of one phase of a tiled step. run() hands out
// the job numbers 0 .. count-1 to the pool's threads and the calling thread, in no fixed
// order, and returns when every job is done; the jobs of one call must not touch the same
// cells. A pool of one thread runs the jobs on the caller, in order.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class TilePool {
public:
    // `threads` threads in all, the caller's included (at least 1).
    explicit TilePool(int32_t threads);
    ~TilePool();
    TilePool(const TilePool&) = delete;
    TilePool& operator=(const TilePool&) = delete;

    int32_t threads() const { return static_cast<int32_t>(workers_.size()) + 1; }
    void run(int64_t count, const std::function<void(int64_t)>& job);

private:
    void work();
    void loop();

    std::vector<std::thread> workers_;
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    const std::function<void(int64_t)>* job_ = nullptr;
    int64_t count_ = 0;
    int64_t next_ = 0;   // the next job to hand out, under mutex_ (a phase has few jobs)
    size_t busy_ = 0;    // workers still in the current call
    uint64_t generation_ = 0;
    bool stop_ = false;
};
