#include "run/AnalysisFiles.h"

namespace {

using ResultTables::AnalysisTable;

constexpr AnalysisTable tables[] = {AnalysisTable::Sk, AnalysisTable::Gr, AnalysisTable::Wl, AnalysisTable::Moments,
                                    AnalysisTable::Slopes};

} // namespace

std::array<std::string, ResultTables::analysisTables> AnalysisFiles::names(const std::string& prefix)
{
    return {prefix + ".sk.csv", prefix + ".gr.csv", prefix + ".wl.csv", prefix + ".moments.csv",
            prefix + ".slopes.csv"};
}

AnalysisFiles::AnalysisFiles(const std::string& prefix, bool averaged)
{
    const auto paths = names(prefix);
    for (size_t i = 0; i < paths.size(); ++i)
        files_[i] = std::make_unique<OutputFile>(paths[i]);
    for (size_t i = 0; i < paths.size(); ++i)
        files_[i]->write(ResultTables::analysisHeader(tables[i], averaged));
}

void AnalysisFiles::add(int64_t tick, const SurfaceAnalysis& analysis)
{
    for (size_t i = 0; i < files_.size(); ++i)
        files_[i]->write(ResultTables::analysisLines(tables[i], tick, analysis));
}

void AnalysisFiles::add(const AnalysisStats& stats)
{
    for (const AnalysisAverage& average : stats.averages())
        for (size_t i = 0; i < files_.size(); ++i)
            files_[i]->write(ResultTables::analysisLines(tables[i], average));
}

void AnalysisFiles::commit()
{
    for (auto& file : files_)
        file->commit();
}
