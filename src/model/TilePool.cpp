#include "model/TilePool.h"

TilePool::TilePool(int32_t threads)
{
    for (int32_t i = 1; i < threads; ++i)
        workers_.emplace_back([this] { loop(); });
}

TilePool::~TilePool()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : workers_)
        t.join();
}

void TilePool::run(int64_t count, const std::function<void(int64_t)>& job)
{
    if (workers_.empty() || count <= 1) {
        for (int64_t i = 0; i < count; ++i)
            job(i);
        return;
    }
    {
        std::lock_guard lock(mutex_);
        job_ = &job;
        count_ = count;
        next_ = 0;
        busy_ = workers_.size();
        ++generation_;
    }
    wake_.notify_all();
    work();
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return busy_ == 0; });
    job_ = nullptr;
}

// Takes jobs until none is left. A job is a whole tile (thousands of attempts), so one lock
// per job costs nothing worth an atomic counter.
void TilePool::work()
{
    for (;;) {
        int64_t i;
        {
            std::lock_guard lock(mutex_);
            if (next_ >= count_)
                return;
            i = next_++;
        }
        (*job_)(i);
    }
}

void TilePool::loop()
{
    uint64_t seen = 0;
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return stop_ || generation_ != seen; });
            if (stop_)
                return;
            seen = generation_;
        }
        work();
        std::lock_guard lock(mutex_);
        if (--busy_ == 0)
            done_.notify_one();
    }
}
