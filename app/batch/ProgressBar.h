#pragma once
// ProgressBar: one line on stderr for a long batch run: a bar, the units done (runs or ticks),
// ticks per second and the time left. It appears only once the work has taken a second, only
// when enabled (stderr is a terminal and the user did not ask for quiet), and is redrawn at
// most five times a second.
#include <chrono>
#include <cstdint>
#include <string>

class ProgressBar {
public:
    // `total` units called `unit` ("runs", "ticks"); `totalTicks` ticks in all.
    ProgressBar(int64_t total, std::string unit, int64_t totalTicks, bool enabled);
    ~ProgressBar();

    // `ticksDone` may be fractional: a slow tick moves the bar while it runs.
    void update(int64_t done, double ticksDone);
    // Clears the line, if one was drawn.
    void finish();

    static bool stderrIsTerminal();

private:
    using Clock = std::chrono::steady_clock;
    int64_t total_;
    std::string unit_;
    int64_t totalTicks_;
    bool enabled_;
    bool shown_ = false;
    Clock::time_point start_;
    Clock::time_point lastDraw_;
};
