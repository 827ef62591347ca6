// The INI store on the largest layer file it is meant for: 4096 x 4096 heights of five digits
// (some 100 MB in 4098 lines of 24 kB). Reading opens the store and takes every row whole;
// writing puts every row into a new store and flushes it.
#include "files/IniFile.h"
#include "files/LayerFile.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

namespace {

constexpr int32_t size = 4096;

std::filesystem::path scratch(const std::string& name)
{
    return std::filesystem::temp_directory_path() / ("tessavo-bench-" + name);
}

std::vector<std::string> layerRows()
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int32_t> height(10000, 99999);
    std::vector<std::string> rows(size);
    for (std::string& row : rows) {
        row.reserve(size * 6);
        for (int32_t c = 0; c < size; ++c)
            row += std::to_string(height(random)) + "|";
    }
    return rows;
}

// The layer file as the window writes it, made once and removed at exit.
struct LayerFileOnDisk {
    std::string path = scratch("read.lay").string();
    LayerFileOnDisk()
    {
        std::ofstream out(path, std::ios::binary);
        out << "[layer]\r\nx=" << size << "\r\ny=" << size << "\r\n";
        const std::vector<std::string> rows = layerRows();
        for (int32_t r = 0; r < size; ++r)
            out << LayerFile::rowKey(r) << "=" << rows[r] << "\r\n";
    }
    ~LayerFileOnDisk() { std::remove(path.c_str()); }
};

const std::string& layerFile()
{
    static const LayerFileOnDisk file;
    return file.path;
}

void BM_IniReadLayer4096(benchmark::State& state)
{
    const std::string& path = layerFile();
    const auto bytes = static_cast<int64_t>(std::filesystem::file_size(path));
    for (auto _ : state) {
        const IniFile ini(path);
        const int32_t rows = ini.ReadInteger(LayerFile::section, "y", 0);
        std::size_t total = 0;
        for (int32_t r = 0; r < rows; ++r)
            total += ini.findValue(LayerFile::section, LayerFile::rowKey(r))->size();
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_IniReadLayer4096)->Iterations(3)->UseRealTime()->Unit(benchmark::kSecond);

void BM_IniWriteLayer4096(benchmark::State& state)
{
    const std::vector<std::string> rows = layerRows();
    const std::string path = scratch("write.lay").string();
    for (auto _ : state) {
        std::remove(path.c_str());
        IniFile ini(path);
        ini.WriteInteger(LayerFile::section, "x", size);
        ini.WriteInteger(LayerFile::section, "y", size);
        for (int32_t r = 0; r < size; ++r)
            ini.WriteString(LayerFile::section, LayerFile::rowKey(r), rows[r]);
        ini.flush();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(path)));
    std::remove(path.c_str());
}
BENCHMARK(BM_IniWriteLayer4096)->Iterations(3)->UseRealTime()->Unit(benchmark::kSecond);

} // namespace
