#pragma once
// Long work run with the GIL released and stopped by Ctrl+C. `work(stop, poll)` runs on this
// thread without the GIL and calls poll() every so often (from its progress reports, on this
// thread): poll takes the GIL for a moment to look for a pending signal and, when there is one,
// sets `stop`; the work then throws Interrupted, and the signal's exception (KeyboardInterrupt)
// is raised in its place. Other errors pass through.
#include "run/StopRequest.h"

#include <pybind11/pybind11.h>

#include <functional>
#include <optional>
#include <utility>

template <class Work>
auto interruptible(Work&& work)
{
    StopRequest stop{false};
    bool signalled = false;
    const std::function<void()> poll = [&] {
        pybind11::gil_scoped_acquire gil;
        if (!signalled && PyErr_CheckSignals() != 0) {
            signalled = true;
            stop.store(true);
        }
    };
    std::optional<decltype(work(&stop, poll))> result;
    {
        pybind11::gil_scoped_release release;
        try {
            result.emplace(work(&stop, poll));
        } catch (const Interrupted&) {
            if (!signalled)
                throw;
        }
    }
    if (signalled)
        throw pybind11::error_already_set();
    return std::move(*result);
}
