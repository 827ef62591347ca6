// Drawing costs: the surface picture, the chart, the JPEG frame and one whole animation tick at
// the heaviest settings (which has to fit well inside the shortest timer interval, 10 ms).
#include "chart/Wykres.h"
#include "files/PictureFile.h"
#include "gfx/Bitmap.h"
#include "model/Random.h"
#include "model/Scenario.h"
#include "model/Symulacja.h"
#include "view/SurfaceRenderer.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <random>

namespace {

// The chart's labels are drawn through Qt's fonts, which need a GUI application object.
void guiApplication()
{
    if (QCoreApplication::instance() == nullptr) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "tessavo-bench";
        static char* argv[] = {name, nullptr};
        new QGuiApplication(argc, argv);
    }
}

std::unique_ptr<Symulacja> lattice100(int32_t lo, int32_t hi)
{
    auto sim = std::make_unique<Symulacja>();
    sim->sizeX = 100;
    sim->sizeY = 100;
    sim->palette = 3;
    sim->lattice = std::make_unique<Tablica>(100, 100);
    std::mt19937 gen(42);
    std::uniform_int_distribution<int32_t> height(lo, hi);
    for (int32_t i = 0; i < 100; ++i)
        for (int32_t j = 0; j < 100; ++j)
            sim->lattice->set(height(gen), i, j);
    return sim;
}

// Origins: the window's default, and one that puts the middle of a 100 x 100 lattice at cell
// size 10 in the middle of the picture.
constexpr int32_t kOrigins[2][2] = {{210, 190}, {650, -150}};

void BM_DrawSurface_Random0to50(benchmark::State& state)
{
    const auto sim = lattice100(0, 50);
    Bitmap bmp(600, 400);
    const int32_t* origin = kOrigins[state.range(0)];
    for (auto _ : state) {
        drawSurface(*sim, bmp, origin[0], origin[1], 10);
        benchmark::DoNotOptimize(bmp.image().constBits());
    }
}
BENCHMARK(BM_DrawSurface_Random0to50)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_DrawSurface_TwoBillionLayers(benchmark::State& state)
{
    const auto sim = lattice100(2000000000, 2000000000);
    Bitmap bmp(600, 400);
    const int32_t* origin = kOrigins[state.range(0)];
    for (auto _ : state) {
        drawSurface(*sim, bmp, origin[0], origin[1], 10);
        benchmark::DoNotOptimize(bmp.image().constBits());
    }
}
BENCHMARK(BM_DrawSurface_TwoBillionLayers)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// A square lattice of the given side with heights 0..50, drawn at cell size 5 from the window's
// default origin. The batch tool draws lattices up to 4096 x 4096; only the few hundred rows
// near the picture can show, so the big one should cost about what the 100 x 100 one does.
void BM_DrawSurface_BigLattice(benchmark::State& state)
{
    const int32_t side = static_cast<int32_t>(state.range(0));
    Symulacja sim;
    sim.sizeX = side;
    sim.sizeY = side;
    sim.palette = 3;
    sim.lattice = std::make_unique<Tablica>(side, side);
    std::mt19937 gen(7);
    for (int32_t i = 0; i < side; ++i) {
        int32_t* row = sim.lattice->row(i);
        for (int32_t j = 0; j < side; ++j)
            row[j] = static_cast<int32_t>(gen() % 51);
    }
    Bitmap bmp(600, 400);
    for (auto _ : state) {
        drawSurface(sim, bmp, kOrigins[0][0], kOrigins[0][1], 5);
        benchmark::DoNotOptimize(bmp.image().constBits());
    }
}
BENCHMARK(BM_DrawSurface_BigLattice)->Arg(100)->Arg(4096)->Unit(benchmark::kMicrosecond);

// One value added and the chart drawn, with a full ring; style 0 sweep, 1 scrolling.
void BM_ChartDraw(benchmark::State& state)
{
    guiApplication();
    const int32_t style = static_cast<int32_t>(state.range(0));
    Wykres chart;
    Bitmap bmp(490, 170);
    chart.clear(bmp);
    int n = 0;
    for (int i = 0; i < 460; ++i)
        chart.addValue(0.5 + 0.4 * std::sin(++n * 0.05));
    chart.draw(bmp, 170, style);
    for (auto _ : state) {
        chart.addValue(0.5 + 0.4 * std::sin(++n * 0.05));
        chart.draw(bmp, 170, style);
        benchmark::DoNotOptimize(bmp.image().constBits());
    }
}
BENCHMARK(BM_ChartDraw)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_JpegFrame600x400(benchmark::State& state)
{
    const auto sim = lattice100(0, 50);
    Bitmap bmp(600, 400);
    drawSurface(*sim, bmp, kOrigins[0][0], kOrigins[0][1], 10);
    QTemporaryDir dir;
    const std::string name = dir.path().toStdString() + "/frame.jpg";
    for (auto _ : state)
        writeJpeg(bmp.image(), name);
}
BENCHMARK(BM_JpegFrame600x400)->Unit(benchmark::kMicrosecond);

// The window's timer tick at the heaviest settings: a growth step (100 x 100, rate 1.0, five
// relaxation sweeps), the surface at cell size 10, a JPEG frame, the chart. The counters give
// each part's mean time per tick in microseconds.
void BM_Tick_Heaviest(benchmark::State& state)
{
    guiApplication();
    Random random;
    const auto sim = heaviest(0).build(&random);
    Bitmap surface(600, 400);
    Bitmap chartBmp(490, 170);
    Wykres chart;
    chart.clear(chartBmp);
    QTemporaryDir dir;
    const std::string framePath = dir.path().toStdString() + "/tick.jpg";
    int32_t frameIndex = 0;

    using Clock = std::chrono::steady_clock;
    double stepUs = 0, drawUs = 0, frameUs = 0, chartUs = 0;
    auto micros = [](Clock::time_point a, Clock::time_point b) {
        return std::chrono::duration<double, std::micro>(b - a).count();
    };
    for (auto _ : state) {
        const auto t0 = Clock::now();
        sim->step();
        const auto t1 = Clock::now();
        drawSurface(*sim, surface, kOrigins[0][0], kOrigins[0][1], 10);
        const auto t2 = Clock::now();
        savePicture(surface.image(), frameFileName(framePath, frameIndex++ % 1000));
        const auto t3 = Clock::now();
        chart.addValue(sim->lattice->roughness());
        chart.draw(chartBmp, 170, 0);
        const auto t4 = Clock::now();
        stepUs += micros(t0, t1);
        drawUs += micros(t1, t2);
        frameUs += micros(t2, t3);
        chartUs += micros(t3, t4);
    }
    state.counters["step_us"] = benchmark::Counter(stepUs, benchmark::Counter::kAvgIterations);
    state.counters["surface_us"] = benchmark::Counter(drawUs, benchmark::Counter::kAvgIterations);
    state.counters["jpeg_us"] = benchmark::Counter(frameUs, benchmark::Counter::kAvgIterations);
    state.counters["chart_us"] = benchmark::Counter(chartUs, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_Tick_Heaviest)->Unit(benchmark::kMillisecond);

} // namespace
