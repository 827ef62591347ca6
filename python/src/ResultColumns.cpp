#include "ResultColumns.h"

#include "run/AnalysisFiles.h"
#include "run/ResultTables.h"

#include <pybind11/numpy.h>

#include <charconv>
#include <limits>
#include <string_view>
#include <vector>

namespace py = pybind11;

namespace {

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    for (;;) {
        const size_t at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos)
            return parts;
        text.remove_prefix(at + 1);
    }
}

// The columns that count or index, whole numbers in every table that has them; every other
// column is a measured value, float64 (t_cross among them: it is left empty where W never
// reached 0.9 W_sat).
bool isWholeColumn(std::string_view name)
{
    for (const std::string_view whole : {"tick", "modes", "difference", "count", "l", "L", "saturated"})
        if (name == whole)
            return true;
    return false;
}

py::array columnOf(std::string_view name, const std::vector<std::vector<std::string_view>>& rows, size_t column)
{
    if (isWholeColumn(name)) {
        py::array_t<int64_t> out(static_cast<py::ssize_t>(rows.size()));
        for (size_t i = 0; i < rows.size(); ++i) {
            const std::string_view field = rows[i].at(column);
            std::from_chars(field.data(), field.data() + field.size(), out.mutable_data()[i]);
        }
        return out;
    }
    py::array_t<double> out(static_cast<py::ssize_t>(rows.size()));
    for (size_t i = 0; i < rows.size(); ++i) {
        const std::string_view field = rows[i].at(column);
        double value = std::numeric_limits<double>::quiet_NaN();
        if (!field.empty())
            std::from_chars(field.data(), field.data() + field.size(), value);
        out.mutable_data()[i] = value;
    }
    return out;
}

} // namespace

py::dict columnsOf(const std::string& table)
{
    std::vector<std::string_view> lines = split(table, '\n');
    if (!lines.empty() && lines.back().empty())
        lines.pop_back();
    const std::vector<std::string_view> names = split(lines.at(0), ',');
    std::vector<std::vector<std::string_view>> rows;
    for (size_t i = 1; i < lines.size(); ++i)
        rows.push_back(split(lines[i], ','));
    py::dict columns;
    for (size_t c = 0; c < names.size(); ++c)
        columns[py::str(std::string(names[c]))] = columnOf(names[c], rows, c);
    return columns;
}

py::dict analysisTablesOf(const AnalysisStats& stats)
{
    // The names of the files without their prefix and ".csv": ".sk.csv" is "sk".
    const auto files = AnalysisFiles::names("");
    py::dict tables;
    for (size_t t = 0; t < files.size(); ++t) {
        const auto table = static_cast<ResultTables::AnalysisTable>(t);
        std::string text = ResultTables::analysisHeader(table, true);
        for (const AnalysisAverage& average : stats.averages())
            text += ResultTables::analysisLines(table, average);
        const std::string& file = files[t];
        tables[py::str(file.substr(1, file.size() - 1 - std::string_view(".csv").size()))] = columnsOf(text);
    }
    return tables;
}
