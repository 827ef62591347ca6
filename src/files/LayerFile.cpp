#include "files/LayerFile.h"

#include "files/IniFile.h"
#include "model/Symulacja.h"

std::string LayerFile::rowKey(int32_t row)
{
    return "x" + std::to_string(row);
}

void LayerFile::write(IniFile& ini, const Symulacja& sim)
{
    ini.WriteString(section, "x", std::to_string(sim.sizeX));
    ini.WriteString(section, "y", std::to_string(sim.sizeY));
    for (int32_t r = 0; r < sim.sizeY; ++r)
        ini.WriteString(section, rowKey(r), sim.rowText(r));
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

void LayerFile::readHeights(const IniFile& ini, Symulacja& sim)
{
    for (int32_t r = 0; r < sim.sizeY; ++r)
        sim.parseRow(r, ini.ReadString(section, rowKey(r), "1"));
}
