#pragma once
// LayerFile: the layer file (".lay") on the INI store. Section "layer" holds "x" (columns),
// "y" (rows) and one key per row, "x0", "x1", ..., whose value is the row's heights in layers,
// each followed by "|" (Symulacja::rowText). The heights are the lattice values as stored.
#include <cstdint>
#include <string>

class IniFile;
class Symulacja;

class LayerFile {
public:
    static constexpr const char* section = "layer";
    static constexpr int32_t defaultSize = 50;

    // The key of row r: "x" followed by r in decimal.
    static std::string rowKey(int32_t row);

    // Writes "x" = sizeX, "y" = sizeY and rows 0..sizeY-1 of the lattice, in this order, into
    // the store (one write per row). Other keys of the file, surplus rows included, stay.
    // The caller flushes the store.
    static void write(IniFile& ini, const Symulacja& sim);
    // Opens `path`, writes the layer and flushes: the file is written whole or not at all.
    // Throws AppError "Unable to write to <path>".
    static void save(const std::string& path, const Symulacja& sim);

    // The stored column ("x") and row ("y") counts as written; 50 when missing or not an
    // integer. Not clamped: the window's sliders and the batch tool clamp them to 10..100.
    static int32_t readColumns(const IniFile& ini);
    static int32_t readRows(const IniFile& ini);

    // Parses rows 0..sizeY-1 of `sim` (its size, not the stored one) into its lattice; a
    // missing row reads as "1", which holds no separator. Stops at the first field that is not
    // an integer with AppError "'<field>' is not a valid integer value"; the rows before keep
    // their new heights, the failing row its fields before the bad one.
    static void readHeights(const IniFile& ini, Symulacja& sim);
};
