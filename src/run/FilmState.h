#pragma once
// FilmState: where a film grown by the batch tool stands after its last tick, saved beside its
// lattice in the layer file (section "state") so that the run can be continued exactly: the
// ticks done, the layers deposited (17 significant digits, exact for a double), the layers
// removed by auto-height, the generator with its full state, the settings that shape the
// dynamics, and a hash of the lattice it belongs to. The window reads layer files without it
// and leaves the section alone when it saves over one; the hash then no longer matches.
#include "run/FilmSetup.h"
#include "run/GrowthSettings.h"

#include <cstdint>
#include <optional>
#include <string>

class FilmRun;
class IniFile;

struct FilmState {
    static constexpr const char* section = "state";

    int64_t tick = 0;
    double deposited = 0.0;
    // The particles landed on the lattice so far ("particles"; states saved before it was
    // kept lack it, and the film's heights count them then: exact for a film grown from flat).
    std::optional<int64_t> landed;
    int32_t heightOffset = 0;
    uint32_t lcgState = 0;        // the congruential generator's state
    uint32_t philoxSeed = 0;      // the Philox key (seed, run) and the outputs used so far
    uint32_t philoxRun = 0;
    uint64_t philoxPosition = 0;
    // The settings of the growth, the generator among them.
    GrowthSettings settings;
    uint64_t latticeHash = 0;

    // The state of a film after its last tick.
    static FilmState of(const FilmRun& film, const FilmSetup& setup);
    // The section's text, CRLF lines, to follow the layer section of a layer file.
    std::string sectionText() const;
    // Reads the section; nothing when the file has none. Throws AppError naming a key that is
    // missing, malformed, or outside what the setting takes (the options' ranges; a tick from
    // which a run could overflow the count).
    static std::optional<FilmState> read(const IniFile& ini);

    // The settings the state continues with (`setup`'s other fields stay).
    void applyTo(FilmSetup& setup) const;
    // Sets a film built from those settings to this state: the lattice comes separately.
    void continueFilm(FilmRun& film) const;

    // Writes the film's layer file with this section, replacing `path` whole through the one
    // writer (links followed, mode kept). Throws AppError "cannot write <path>: <reason>".
    static void saveFilm(const std::string& path, const FilmRun& film, const FilmSetup& setup);

    // FNV-1a over the heights, row-major, each as 4 little-endian bytes.
    static uint64_t hashOf(const int32_t* heights, uint64_t cells);
};
