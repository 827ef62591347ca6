#include "batch/AnalysisFiles.h"

#include "files/NumberText.h"
#include "model/AppError.h"

namespace {

std::string optionalText(const std::optional<double>& value)
{
    return value ? exactText(*value) : std::string();
}

// ",mean,stderr" of a value over the runs; both empty when no run has it.
std::string averageText(const RunningValue& value)
{
    if (value.count() == 0)
        return ",,";
    return "," + exactText(value.mean()) + "," + exactText(value.standardError());
}

} // namespace

std::array<std::string, 5> AnalysisFiles::names(const std::string& prefix)
{
    return {prefix + ".sk.csv", prefix + ".gr.csv", prefix + ".wl.csv", prefix + ".moments.csv",
            prefix + ".slopes.csv"};
}

AnalysisFiles::AnalysisFiles(const BatchCommandLine& options, bool averaged)
{
    const std::array<std::string, 5> paths = names(options.analysisPrefix);
    for (size_t i = 0; i < paths.size(); ++i)
        files_[i] = std::make_unique<OutputFile>(paths[i]);
    if (averaged) {
        files_[Sk]->write("tick,k,S_mean,S_stderr,modes\n");
        files_[Gr]->write("tick,r,C_mean,C_stderr,G_mean,G_stderr\n");
        files_[Wl]->write("tick,l,w_mean,w_stderr\n");
        files_[Moments]->write("tick,W_mean,W_stderr,skewness_mean,skewness_stderr,excess_kurtosis_mean,"
                               "excess_kurtosis_stderr,xi_mean,xi_stderr\n");
        files_[Slopes]->write("tick,difference,fraction_mean,fraction_stderr\n");
    } else {
        files_[Sk]->write("tick,k,S,modes\n");
        files_[Gr]->write("tick,r,C,G\n");
        files_[Wl]->write("tick,l,w\n");
        files_[Moments]->write("tick,W,skewness,excess_kurtosis,xi\n");
        files_[Slopes]->write("tick,difference,count,fraction\n");
    }
}

void AnalysisFiles::add(int64_t tick, const SurfaceAnalysis& a)
{
    const std::string t = std::to_string(tick) + ",";
    const StructureFactorCurve& sk = a.structureFactor;
    for (size_t i = 0; i < sk.k.size(); ++i)
        files_[Sk]->write(t + exactText(sk.k[i]) + "," + exactText(sk.s[i]) + "," + std::to_string(sk.modes[i]) + "\n");
    const CorrelationCurves& gr = a.correlation;
    for (size_t i = 0; i < gr.r.size(); ++i)
        files_[Gr]->write(t + exactText(gr.r[i]) + "," + exactText(gr.c[i]) + "," + exactText(gr.g[i]) + "\n");
    const LocalWidthCurve& wl = a.localWidth;
    for (size_t i = 0; i < wl.l.size(); ++i)
        files_[Wl]->write(t + std::to_string(wl.l[i]) + "," + exactText(wl.w[i]) + "\n");
    files_[Moments]->write(t + exactText(a.width) + "," + optionalText(a.moments.skewness) + ","
                           + optionalText(a.moments.excessKurtosis) + "," + optionalText(gr.length) + "\n");
    for (const SlopeBin& bin : a.slopes)
        files_[Slopes]->write(t + std::to_string(bin.difference) + "," + std::to_string(bin.count) + ","
                              + exactText(bin.fraction) + "\n");
}

void AnalysisFiles::add(const AnalysisStats& stats)
{
    for (const AnalysisAverage& a : stats.averages()) {
        const std::string t = std::to_string(a.tick) + ",";
        for (size_t i = 0; i < a.k.size(); ++i)
            files_[Sk]->write(t + exactText(a.k[i]) + averageText(a.s[i]) + "," + std::to_string(a.modes[i]) + "\n");
        for (size_t i = 0; i < a.r.size(); ++i)
            files_[Gr]->write(t + exactText(a.r[i]) + averageText(a.c[i]) + averageText(a.g[i]) + "\n");
        for (size_t i = 0; i < a.l.size(); ++i)
            files_[Wl]->write(t + std::to_string(a.l[i]) + averageText(a.w[i]) + "\n");
        files_[Moments]->write(std::to_string(a.tick) + averageText(a.width) + averageText(a.skewness)
                               + averageText(a.excessKurtosis) + averageText(a.correlationLength) + "\n");
        for (const auto& [difference, fraction] : a.slopes)
            files_[Slopes]->write(t + std::to_string(difference) + averageText(fraction) + "\n");
    }
}

void AnalysisFiles::commit()
{
    for (auto& file : files_)
        file->commit();
}
