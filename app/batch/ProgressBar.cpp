#include "batch/ProgressBar.h"

#include <cstdio>
#include <unistd.h>

ProgressBar::ProgressBar(int64_t total, std::string unit, int64_t totalTicks, bool enabled)
    : total_(total), unit_(std::move(unit)), totalTicks_(totalTicks), enabled_(enabled),
      start_(Clock::now()), lastDraw_(start_)
{
}

ProgressBar::~ProgressBar()
{
    finish();
}

bool ProgressBar::stderrIsTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}

namespace {

std::string clockText(double seconds)
{
    if (!(seconds >= 0.0) || seconds > 359999.0)
        return "--:--";
    const long s = static_cast<long>(seconds + 0.5);
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

} // namespace

void ProgressBar::update(int64_t done, double ticksDone)
{
    if (!enabled_)
        return;
    const Clock::time_point now = Clock::now();
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    if (elapsed < 1.0 || (shown_ && now - lastDraw_ < std::chrono::milliseconds(200)))
        return;
    lastDraw_ = now;
    shown_ = true;

    const double fraction = totalTicks_ > 0 ? ticksDone / static_cast<double>(totalTicks_) : 1.0;
    constexpr int width = 30;
    int filled = static_cast<int>(fraction * width);
    if (filled > width)
        filled = width;
    std::string bar(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(width - filled), '.');
    const double rate = ticksDone / elapsed;
    const double left = fraction > 0.0 ? elapsed * (1.0 - fraction) / fraction : -1.0;
    std::fprintf(stderr, "\r[%s] %lld/%lld %s  %.3g ticks/s  %s left \x1b[K", bar.c_str(),
                 static_cast<long long>(done), static_cast<long long>(total_), unit_.c_str(), rate,
                 clockText(left).c_str());
    std::fflush(stderr);
}

void ProgressBar::finish()
{
    if (shown_) {
        std::fputs("\r\x1b[K", stderr);
        std::fflush(stderr);
        shown_ = false;
    }
}
