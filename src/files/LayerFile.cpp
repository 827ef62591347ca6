#include "files/LayerFile.h"

#include "files/IniFile.h"
#include "model/Convert.h"
#include "model/Symulacja.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <vector>

std::string LayerFile::rowKey(int32_t row)
{
    return "x" + std::to_string(row);
}

std::string LayerFile::rowText(const int32_t* heights, int32_t count)
{
    std::string text;
    text.reserve(static_cast<size_t>(std::max(count, 0)) * 4);
    char digits[16];
    for (int32_t c = 0; c < count; ++c) {
        const int n = std::snprintf(digits, sizeof digits, "%d|", heights[c]);
        text.append(digits, static_cast<size_t>(n));
    }
    return text;
}

std::string LayerFile::rowText(const Tablica& lattice, int32_t r)
{
    if (lattice.empty() || r < 0 || r >= lattice.height)
        return {};
    return rowText(lattice.row(r), lattice.width);
}

void LayerFile::parseRow(std::string_view text, int32_t* heights, int32_t count)
{
    size_t pos = 0; // start of the remaining text
    for (int32_t c = 0; c < count; ++c) {
        const size_t bar = text.find('|', pos);
        const std::string field = bar == std::string::npos ? std::string() : std::string(text.substr(pos, bar - pos));
        heights[c] = strToInt(field);
        if (bar != std::string::npos)
            pos = bar + 1;
    }
}

void LayerFile::write(IniFile& ini, const Symulacja& sim)
{
    ini.WriteString(section, "x", std::to_string(sim.sizeX));
    ini.WriteString(section, "y", std::to_string(sim.sizeY));
    for (int32_t r = 0; r < sim.sizeY; ++r)
        ini.WriteString(section, rowKey(r), sim.lattice ? rowText(*sim.lattice, r) : std::string());
}

std::string LayerFile::fileText(const Symulacja& sim)
{
    std::string text = std::string("[") + section + "]\r\nx=" + std::to_string(sim.sizeX) + "\r\ny="
        + std::to_string(sim.sizeY) + "\r\n";
    for (int32_t r = 0; r < sim.sizeY; ++r) {
        text += rowKey(r);
        text += '=';
        if (sim.lattice)
            text += rowText(*sim.lattice, r);
        text += "\r\n";
    }
    return text;
}

void LayerFile::save(const std::string& path, const Symulacja& sim)
{
    IniFile ini(path);
    write(ini, sim);
    ini.flush();
}

int32_t LayerFile::readColumns(const IniFile& ini)
{
    return ini.ReadInteger(section, "x", defaultSize);
}

int32_t LayerFile::readRows(const IniFile& ini)
{
    return ini.ReadInteger(section, "y", defaultSize);
}

void LayerFile::readHeights(const IniFile& ini, int32_t rows, int32_t cols, int32_t* heights)
{
    // Whole values: a row of a wide lattice is longer than ReadString gives.
    for (int32_t r = 0; r < rows; ++r)
        parseRow(ini.findValue(section, rowKey(r)).value_or("1"), heights + static_cast<size_t>(r) * cols, cols);
}

void LayerFile::readHeights(const IniFile& ini, Symulacja& sim)
{
    Tablica* lattice = sim.lattice.get();
    if (lattice && lattice->width == sim.sizeX && lattice->height == sim.sizeY) {
        readHeights(ini, sim.sizeY, sim.sizeX, lattice->data());
        return;
    }
    // Sizes changed behind the lattice's back: the fields are still checked, and the cells
    // the lattice has take theirs.
    std::vector<int32_t> row(static_cast<size_t>(std::max(sim.sizeX, 0)));
    for (int32_t r = 0; r < sim.sizeY; ++r) {
        std::fill(row.begin(), row.end(), 0);
        if (lattice && !lattice->empty() && r < lattice->height)
            std::copy_n(lattice->row(r), std::min(sim.sizeX, lattice->width), row.begin());
        std::exception_ptr error;
        try {
            parseRow(ini.findValue(section, rowKey(r)).value_or("1"), row.data(), sim.sizeX);
        } catch (...) {
            error = std::current_exception();
        }
        if (lattice && !lattice->empty() && r < lattice->height)
            std::copy_n(row.begin(), std::min(sim.sizeX, lattice->width), lattice->row(r));
        if (error)
            std::rethrow_exception(error);
    }
}
