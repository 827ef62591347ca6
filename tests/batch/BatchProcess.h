#pragma once
// BatchProcess: runs the built tessavo-batch as a user would, in a fresh directory of its own
// that is removed with everything in it when the test ends; plus helpers for the files there.
#include "files/IniFile.h"
#include "files/LayerFile.h"
#include "model/Random.h"
#include "model/Symulacja.h"

#include "../files/TempDir.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

struct ToolResult {
    int status = -1;
    std::string out;
    std::string err;
};

class BatchProcess {
public:
    // Runs the tool in the directory with these arguments (each passed as one word).
    ToolResult run(const std::vector<std::string>& args) const
    {
        std::string command = "cd " + quote(dir_.path().string()) + " && " + shellBefore + " env";
        for (const std::string& e : environment)
            command += " " + quote(e);
        command += " " + quote(TESSAVO_BATCH_EXE);
        for (const std::string& a : args)
            command += " " + quote(a);
        command += " >" + quote(file(".stdout")) + " 2>" + quote(file(".stderr")) + " </dev/null";
        const int raw = std::system(command.c_str());
        ToolResult r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = read(".stdout");
        r.err = read(".stderr");
        std::filesystem::remove(file(".stdout"));
        std::filesystem::remove(file(".stderr"));
        return r;
    }

    // NAME=VALUE words added to the tool's environment, and shell commands run before it in its
    // shell (limits, traps), each ending in ';'.
    std::vector<std::string> environment;
    std::string shellBefore;

    std::string file(const std::string& name) const { return dir_.file(name); }
    bool exists(const std::string& name) const { return std::filesystem::exists(dir_.path() / name); }
    std::string read(const std::string& name) const { return readBytes(file(name)); }
    void write(const std::string& name, const std::string& bytes) const { writeBytes(file(name), bytes); }
    // The names in the directory, to catch files left behind.
    std::set<std::string> entries() const
    {
        std::set<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir_.path()))
            names.insert(e.path().filename().string());
        return names;
    }

    static std::string quote(const std::string& word)
    {
        std::string q = "'";
        for (char ch : word)
            q += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
        return q + "'";
    }

private:
    TempDir dir_;
};

// A layer file's text without the saved run's state that the batch tool adds.
inline std::string layerPart(const std::string& text)
{
    return text.substr(0, text.find("[state]"));
}

// The lines of a text, without their line breaks.
inline std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The comma-separated fields of a line.
inline std::vector<std::string> fieldsOf(const std::string& line)
{
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string f; std::getline(in, f, ',');)
        fields.push_back(f);
    return fields;
}

// A number as the tool writes it, read without regard to the locale.
inline double numberOf(const std::string& text)
{
    double value = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    EXPECT_TRUE(result.ec == std::errc() && result.ptr == text.data() + text.size()) << "not a number: " << text;
    return value;
}

// One column of a CSV text as doubles (the header line skipped).
inline std::vector<double> csvColumn(const std::string& text, size_t column)
{
    std::vector<double> values;
    const std::vector<std::string> lines = linesOf(text);
    for (size_t i = 1; i < lines.size(); ++i)
        values.push_back(numberOf(fieldsOf(lines[i]).at(column)));
    return values;
}

// The lattice of a layer file the tool wrote, sized as the file says, on the given generator.
inline std::unique_ptr<Symulacja> loadLayer(const std::string& path, Random& random)
{
    const IniFile ini(path);
    auto sim = std::make_unique<Symulacja>(&random);
    sim->sizeX = LayerFile::readColumns(ini);
    sim->sizeY = LayerFile::readRows(ini);
    sim->allocateLattice(0);
    LayerFile::readHeights(ini, *sim);
    return sim;
}
