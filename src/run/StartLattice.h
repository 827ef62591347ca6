#pragma once
// readStartLattice: a stored lattice (a layer file, ".lay") as the start of a research film: its
// size goes into the setup's scenario, each side held to 10 .. largestLatticeSide cells, and its
// heights (layers, row-major) become the setup's start heights.
#include "run/FilmSetup.h"

#include <string>

// Throws AppError "cannot read <path>: <reason>" for a file that is missing, not a regular file
// or unreadable (the INI store would read a missing file as empty, and a FIFO could block), and
// "<path>: '<field>' is not a valid integer value" for a height that is not an integer.
void readStartLattice(const std::string& path, FilmSetup& setup);
