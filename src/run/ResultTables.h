#pragma once
// ResultTables: the CSV formats of the results, each a header line and lines of comma-separated
// fields; numbers have 17 significant digits (they read back as the same double), a value that
// is not defined is an empty field. The batch tool, merge and the analysis window all write
// their tables through these.
//   run         tick,deposited,heightOffset,roughness,layers      a single run, a line per tick
//               (the analysis window's export has no layers)
//   statistics  tick,deposited,mean,stddev,stderr,min,max,beta_eff,layers  over the runs
// `deposited` is the window's counter, rate x ticks; `layers` the particles that really
// landed over the cells, trunc(rate x cells) a tick.
//   sk, gr, wl, moments, slopes                                    the surface analyses, a block
//                                                                  of lines per analysed tick, of
//                                                                  one run or averaged over runs
//   histogram   from,to,deviation,count,fraction                  the heights of one surface
//   scaling     L,W_sat,W_sat_stderr,t_cross,saturated            a line per lattice size
#include "analysis/FiniteSizeScaling.h"
#include "analysis/HeightHistogram.h"
#include "analysis/SurfaceAnalysis.h"
#include "run/AnalysisStats.h"
#include "run/RoughnessStats.h"

#include <cstdint>
#include <optional>
#include <string>

class OutputFile;

namespace ResultTables {

inline constexpr const char* runHeader = "tick,deposited,heightOffset,roughness\n";
inline constexpr const char* runHeaderWithLayers = "tick,deposited,heightOffset,roughness,layers\n";
// A line of `runHeader`, or of `runHeaderWithLayers` when `layers` is given.
std::string runLine(int64_t tick, double deposited, int32_t heightOffset, double roughness,
                    const std::optional<double>& layers = std::nullopt);

// The header and a line for every tick of the statistics, written to `file` line by line.
void writeStatistics(OutputFile& file, const RoughnessStats& stats);

// The five tables of the surface analysis, in this order; the columns of an average are each
// value's mean and standard error over the runs.
enum class AnalysisTable { Sk, Gr, Wl, Moments, Slopes };
inline constexpr int analysisTables = 5;
const char* analysisHeader(AnalysisTable table, bool averaged);
// The lines of one run's analysis at `tick`.
std::string analysisLines(AnalysisTable table, int64_t tick, const SurfaceAnalysis& analysis);
// The lines of the averages at one analysed tick.
std::string analysisLines(AnalysisTable table, const AnalysisAverage& average);
std::string structureFactorLines(int64_t tick, const StructureFactorCurve& curve);
std::string momentsLine(int64_t tick, double width, const HeightMoments& moments,
                        const std::optional<double>& correlationLength);

inline constexpr const char* histogramHeader = "from,to,deviation,count,fraction\n";
std::string histogramLines(const HeightHistogram& histogram);

inline constexpr const char* scalingHeader = "L,W_sat,W_sat_stderr,t_cross,saturated\n";
std::string scalingLine(const Saturation& size);

} // namespace ResultTables
