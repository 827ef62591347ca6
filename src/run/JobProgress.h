#pragma once
// JobProgress: how far long work (the ticks of a film, the runs of an experiment or a scaling
// study) has come, for a progress display: `done` of its units (ticks or runs) and the ticks
// done over all of them, fractional while a slow tick runs. Called on the thread that runs the
// work, often; a display decides itself how often to redraw.
#include <cstdint>
#include <functional>

using JobProgress = std::function<void(int64_t done, double ticksDone)>;
