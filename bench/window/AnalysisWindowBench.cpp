// The window's tick at the heaviest settings with the analysis window open and drawn after
// every tick: 100 x 100, rate 1.0, five relaxation sweeps, cell size 10, a JPEG frame, the
// chart, then the analysis (S(k), histogram, moments, top view, beta fit) and the four panes
// painted. Offscreen. The counters give the main window's tick and the analysis window's
// update, each in microseconds of the GUI thread's CPU time per tick (the wall time of a busy
// machine says more about the machine).
#include "ui/AnalysisWindow.h"
#include "ui/TForm1.h"

#include <QApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <ctime>

namespace {

void widgetApplication()
{
    if (QCoreApplication::instance() == nullptr) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "tessavo-window-bench";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);
    }
}

void BM_Tick_Heaviest_WithAnalysis(benchmark::State& state)
{
    widgetApplication();
    TForm1 form;
    form.setScrollPosition(form.ScrollBar6, 100);
    form.setScrollPosition(form.ScrollBar7, 100);
    form.setScrollPosition(form.ScrollBar1, 10);
    form.setScrollPosition(form.ScrollBar3, 1000);
    form.setEditText(form.Edit2, QStringLiteral("5"));
    form.setEditText(form.Edit1, QStringLiteral("1000000000"));
    form.Button1Click();
    form.show();
    form.Pokaz1Click();
    AnalysisWindow& analysis = *form.analysisWindow();
    QCoreApplication::processEvents();
    QTemporaryDir dir;
    form.framePath = dir.path().toStdString() + "/tick.jpg";
    form.capturing = true;

    const auto threadMicros = [] {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return t.tv_sec * 1e6 + t.tv_nsec / 1e3;
    };
    double tickUs = 0, analysisUs = 0;
    for (auto _ : state) {
        form.frameIndex %= 1000;
        const double t0 = threadMicros();
        form.Timer1Timer();
        const double t1 = threadMicros();
        analysis.refreshNow();
        const double t2 = threadMicros();
        tickUs += t1 - t0;
        analysisUs += t2 - t1;
    }
    form.capturing = false;
    state.counters["tick_us"] = benchmark::Counter(tickUs, benchmark::Counter::kAvgIterations);
    state.counters["analysis_us"] = benchmark::Counter(analysisUs, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_Tick_Heaviest_WithAnalysis)->Unit(benchmark::kMillisecond)->Iterations(400)->MeasureProcessCPUTime();

} // namespace

BENCHMARK_MAIN();
