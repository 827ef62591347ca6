#pragma once
// readStartLattice: a stored lattice (a layer file, ".lay") as the start of a research film: its
// size goes into the setup's scenario, each side held to 10 .. largestLatticeSide cells, and its
// heights (layers, row-major) become the setup's start heights.
#include "run/FilmSetup.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class IniFile;

// An input file must exist and be a readable regular file: the INI store reads a missing file as
// empty, and a FIFO or a device would block or never end. Opened without blocking, so a FIFO
// with no writer is refused at once. Throws AppError "cannot read <path>: <reason>".
void checkReadableFile(const std::string& path);
// The cols x rows heights of an open layer file, read straight into a start lattice. Throws
// AppError "<path>: '<field>' is not a valid integer value".
std::shared_ptr<const std::vector<int32_t>> readLayerHeights(const std::string& path, const IniFile& ini,
                                                             int32_t cols, int32_t rows);

// Throws AppError "cannot read <path>: <reason>" for a file that is missing, not a regular file
// or unreadable (the INI store would read a missing file as empty, and a FIFO could block), and
// "<path>: '<field>' is not a valid integer value" for a height that is not an integer.
void readStartLattice(const std::string& path, FilmSetup& setup);
