#pragma once
// Result tables as Python receives them: the core's CSV formats (run/ResultTables), column by
// column, as NumPy arrays under the names of the header. The text is the batch tool's, so the
// values are those of its files, bit for bit (17 significant digits read back as the same
// double): the columns that count or index (tick, modes, difference, count, l, L, and the
// 0-or-1 saturated) are int64,
// the others float64 with NaN where the file leaves a value empty.
#include "run/AnalysisStats.h"

#include <pybind11/pybind11.h>

#include <string>

// The columns of a table: its header line, then its data lines.
pybind11::dict columnsOf(const std::string& table);

// The five surface analysis tables of an experiment, averaged over its runs, under the names of
// their files (PREFIX.sk.csv: "sk", then "gr", "wl", "moments", "slopes").
pybind11::dict analysisTablesOf(const AnalysisStats& stats);
