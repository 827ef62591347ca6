#pragma once
// StopRequest: asks long work (the ticks of a film, the runs of an experiment) to stop, from a
// signal handler or another thread. The work checks it between relaxation sweeps and between
// ticks and then throws Interrupted; files it was going to write stay as they were.
#include "model/AppError.h"

#include <atomic>

using StopRequest = std::atomic<bool>;
static_assert(StopRequest::is_always_lock_free, "a signal handler sets it");

class Interrupted : public AppError {
public:
    Interrupted() : AppError("interrupted") {}
};

// Throws Interrupted when `stop` is given and set.
inline void checkStop(const StopRequest* stop)
{
    if (stop && stop->load(std::memory_order_relaxed))
        throw Interrupted();
}
