// Merge's reading of 64 slices of one run each (2,000 ticks): every file opened and every run's
// series read in run order into the statistics, in the child process merge uses (isolated) and
// by the reader in this process, which runs second so that what its reads leave in this
// process is not copied into the child. The counter isolation_cost is the isolated time over
// the in-process time of the same run of the program. The batch tool's merge as a whole pays
// less than this ratio suggests: its startup and its writing are the same either way.
#include "run/IsolatedSeriesReader.h"
#include "run/RoughnessStats.h"
#include "run/SeriesFile.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int32_t slices = 64;
constexpr int64_t ticks = 2000;
double isolatedSeconds = 0.0;

// The slices, written once into a scratch folder.
const std::vector<std::string>& slicePaths()
{
    static const std::vector<std::string> paths = [] {
        const std::filesystem::path dir = std::filesystem::temp_directory_path() / "tessavo-bench-slices";
        std::filesystem::create_directories(dir);
        SeriesHeader h;
        h.programVersion = "bench";
        h.seed = 7;
        h.runs = slices;
        h.ticks = ticks;
        h.settings.columns = h.settings.rows = 64;
        h.settings.dep = 100;
        h.settings.max = 1e9;
        h.settings.relax = 5;
        std::vector<std::string> out;
        for (int32_t k = 0; k < slices; ++k) {
            std::vector<double> w(ticks), d(ticks);
            for (int64_t t = 0; t < ticks; ++t) {
                w[t] = 0.001 * static_cast<double>(t + k);
                d[t] = 0.01 * static_cast<double>(t + 1);
            }
            out.push_back((dir / ("slice-" + std::to_string(k) + ".h5")).string());
            SeriesWriter writer(out.back(), h, k, k + 1);
            writer.add(k, w, d, d);
            writer.commit(1, 0.0);
        }
        return out;
    }();
    return paths;
}

template <class Reader>
double mergeOnce(const std::vector<std::unique_ptr<Reader>>& readers)
{
    RoughnessStats stats(ticks);
    std::vector<double> w, d, l;
    for (const auto& reader : readers) {
        reader->readRow(0, w, d, &l);
        stats.addRun(w, d, l);
    }
    return stats.mean(ticks - 1);
}

void BM_ReadSlices(benchmark::State& state)
{
    const bool isolated = state.range(0) != 0;
    const std::vector<std::string>& paths = slicePaths();
    double seconds = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (isolated) {
            benchmark::DoNotOptimize(mergeOnce(IsolatedSeriesReader::open(paths)));
        } else {
            std::vector<std::unique_ptr<SeriesReader>> readers;
            for (const std::string& path : paths)
                readers.push_back(std::make_unique<SeriesReader>(path));
            benchmark::DoNotOptimize(mergeOnce(readers));
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    seconds /= static_cast<double>(state.iterations());
    if (isolated)
        isolatedSeconds = seconds;
    else if (isolatedSeconds > 0.0)
        state.counters["isolation_cost"] = isolatedSeconds / seconds;
}
BENCHMARK(BM_ReadSlices)->ArgName("isolated")->Arg(1)->Arg(0)->Iterations(10)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace
