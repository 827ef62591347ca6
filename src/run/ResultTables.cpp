#include "run/ResultTables.h"

#include "files/NumberText.h"
#include "files/OutputFile.h"
#include "run/GrowthFit.h"

#include <cmath>

namespace ResultTables {

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

std::string runLine(int64_t tick, double deposited, int32_t heightOffset, double roughness,
                    const std::optional<double>& layers)
{
    return std::to_string(tick) + "," + exactText(deposited) + "," + std::to_string(heightOffset) + ","
        + exactText(roughness) + (layers ? "," + exactText(*layers) : std::string()) + "\n";
}

void writeStatistics(OutputFile& file, const RoughnessStats& stats)
{
    file.write("tick,deposited,mean,stddev,stderr,min,max,beta_eff,layers\n");
    const std::vector<std::optional<double>> betaEff = effectiveExponent(stats.means());
    std::string line;
    for (int64_t i = 0; i < stats.ticks(); ++i) {
        line = std::to_string(i + 1);
        for (double v : {stats.deposited(i), stats.mean(i), stats.stddev(i), stats.standardError(i), stats.min(i),
                         stats.max(i)}) {
            line += ',';
            line += exactText(v);
        }
        line += ',';
        if (betaEff[i])
            line += exactText(*betaEff[i]);
        line += ',';
        if (stats.hasLayers())
            line += exactText(stats.layers(i));
        line += '\n';
        file.write(line);
    }
}

const char* analysisHeader(AnalysisTable table, bool averaged)
{
    switch (table) {
    case AnalysisTable::Sk:
        return averaged ? "tick,k,S_mean,S_stderr,modes\n" : "tick,k,S,modes\n";
    case AnalysisTable::Gr:
        return averaged ? "tick,r,C_mean,C_stderr,G_mean,G_stderr\n" : "tick,r,C,G\n";
    case AnalysisTable::Wl:
        return averaged ? "tick,l,w_mean,w_stderr\n" : "tick,l,w\n";
    case AnalysisTable::Moments:
        return averaged ? "tick,W_mean,W_stderr,skewness_mean,skewness_stderr,excess_kurtosis_mean,"
                          "excess_kurtosis_stderr,xi_mean,xi_stderr\n"
                        : "tick,W,skewness,excess_kurtosis,xi\n";
    case AnalysisTable::Slopes:
        return averaged ? "tick,difference,fraction_mean,fraction_stderr\n" : "tick,difference,count,fraction\n";
    }
    return "";
}

std::string structureFactorLines(int64_t tick, const StructureFactorCurve& sk)
{
    const std::string t = std::to_string(tick) + ",";
    std::string lines;
    for (size_t i = 0; i < sk.k.size(); ++i)
        lines += t + exactText(sk.k[i]) + "," + exactText(sk.s[i]) + "," + std::to_string(sk.modes[i]) + "\n";
    return lines;
}

std::string momentsLine(int64_t tick, double width, const HeightMoments& moments,
                        const std::optional<double>& correlationLength)
{
    return std::to_string(tick) + "," + exactText(width) + "," + optionalText(moments.skewness) + ","
        + optionalText(moments.excessKurtosis) + "," + optionalText(correlationLength) + "\n";
}

std::string analysisLines(AnalysisTable table, int64_t tick, const SurfaceAnalysis& a)
{
    const std::string t = std::to_string(tick) + ",";
    std::string lines;
    switch (table) {
    case AnalysisTable::Sk:
        return structureFactorLines(tick, a.structureFactor);
    case AnalysisTable::Gr:
        for (size_t i = 0; i < a.correlation.r.size(); ++i)
            lines += t + exactText(a.correlation.r[i]) + "," + exactText(a.correlation.c[i]) + ","
                + exactText(a.correlation.g[i]) + "\n";
        return lines;
    case AnalysisTable::Wl:
        for (size_t i = 0; i < a.localWidth.l.size(); ++i)
            lines += t + std::to_string(a.localWidth.l[i]) + "," + exactText(a.localWidth.w[i]) + "\n";
        return lines;
    case AnalysisTable::Moments:
        return momentsLine(tick, a.width, a.moments, a.correlation.length);
    case AnalysisTable::Slopes:
        for (const SlopeBin& bin : a.slopes)
            lines += t + std::to_string(bin.difference) + "," + std::to_string(bin.count) + "," + exactText(bin.fraction)
                + "\n";
        return lines;
    }
    return lines;
}

std::string analysisLines(AnalysisTable table, const AnalysisAverage& a)
{
    const std::string t = std::to_string(a.tick) + ",";
    std::string lines;
    switch (table) {
    case AnalysisTable::Sk:
        for (size_t i = 0; i < a.k.size(); ++i)
            lines += t + exactText(a.k[i]) + averageText(a.s[i]) + "," + std::to_string(a.modes[i]) + "\n";
        return lines;
    case AnalysisTable::Gr:
        for (size_t i = 0; i < a.r.size(); ++i)
            lines += t + exactText(a.r[i]) + averageText(a.c[i]) + averageText(a.g[i]) + "\n";
        return lines;
    case AnalysisTable::Wl:
        for (size_t i = 0; i < a.l.size(); ++i)
            lines += t + std::to_string(a.l[i]) + averageText(a.w[i]) + "\n";
        return lines;
    case AnalysisTable::Moments:
        return std::to_string(a.tick) + averageText(a.width) + averageText(a.skewness) + averageText(a.excessKurtosis)
            + averageText(a.correlationLength) + "\n";
    case AnalysisTable::Slopes:
        for (const auto& [difference, fraction] : a.slopes)
            lines += t + std::to_string(difference) + averageText(fraction) + "\n";
        return lines;
    }
    return lines;
}

std::string histogramLines(const HeightHistogram& h)
{
    std::string lines;
    for (size_t i = 0; i < h.count.size(); ++i)
        lines += std::to_string(h.from[i]) + "," + std::to_string(h.from[i] + h.binWidth - 1) + ","
            + exactText(h.deviation[i]) + "," + std::to_string(h.count[i]) + "," + exactText(h.fraction[i]) + "\n";
    return lines;
}

std::string scalingLine(const Saturation& sat)
{
    return std::to_string(static_cast<int64_t>(sat.size)) + "," + (std::isfinite(sat.width) ? exactText(sat.width) : std::string())
        + "," + (sat.error ? exactText(*sat.error) : std::string()) + ","
        + (sat.crossoverTick ? std::to_string(*sat.crossoverTick) : std::string()) + "," + (sat.saturated ? "1" : "0") + "\n";
}

} // namespace ResultTables
