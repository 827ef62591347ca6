#pragma once
// LayerFile: the layer file (".lay") on the INI store. Section "layer" holds "x" (columns),
// "y" (rows) and one key per row, "x0", "x1", ..., whose value is the row's heights in layers,
// each followed by "|" (rowText). The heights are the lattice values as stored. Heights are
// read straight into a row-major array: the caller's lattice or a start lattice of a run.
#include <cstdint>
#include <string>
#include <string_view>

class IniFile;
class Symulacja;
class Tablica;

class LayerFile {
public:
    static constexpr const char* section = "layer";
    static constexpr int32_t defaultSize = 50;

    // The key of row r: "x" followed by r in decimal.
    static std::string rowKey(int32_t row);

    // `count` heights as row text: each height in decimal followed by "|".
    static std::string rowText(const int32_t* heights, int32_t count);
    // Row r of a lattice as row text ("" for a row it does not have).
    static std::string rowText(const Tablica& lattice, int32_t r);
    // Sets heights[0..count-1] from a row text: field c is the text before the c-th "|" after
    // field c-1; a missing field is empty. Throws AppError with the integer message naming the
    // first field that fails; the heights before it keep their new values.
    static void parseRow(std::string_view text, int32_t* heights, int32_t count);

    // Writes "x" = sizeX, "y" = sizeY and the lattice rows, in this order, into the store (one
    // write per row). Other keys of the file, surplus rows included, stay. The caller flushes
    // the store.
    static void write(IniFile& ini, const Symulacja& sim);
    // Opens `path`, writes the layer and flushes: the file is written whole or not at all.
    // Throws AppError "Unable to write to <path>".
    static void save(const std::string& path, const Symulacja& sim);
    // The whole text of a new layer file holding the lattice of `sim`, as the store writes it
    // (CRLF line breaks), for writers that replace a file whole.
    static std::string fileText(const Symulacja& sim);

    // The stored column ("x") and row ("y") counts as written; 50 when missing or not an
    // integer. Not clamped: the window's sliders and the batch tool clamp them.
    static int32_t readColumns(const IniFile& ini);
    static int32_t readRows(const IniFile& ini);

    // Parses rows 0..rows-1 of the file, `cols` fields each, into heights (row-major, row r at
    // heights + r * cols); a missing row reads as "1", which holds no separator. Stops at the
    // first field that is not an integer with AppError "'<field>' is not a valid integer
    // value"; the rows before keep their new heights, the failing row its fields before the
    // bad one.
    static void readHeights(const IniFile& ini, int32_t rows, int32_t cols, int32_t* heights);
    // The same into the lattice of `sim`, sized as the simulation says (sizeY rows of sizeX).
    static void readHeights(const IniFile& ini, Symulacja& sim);
};
