#pragma once
// FilmSetup: everything one film needs to grow exactly as the window grows it: the simulation
// settings and seed (a shared Scenario), auto-height, the colour scheme of its pictures, and
// optionally a stored lattice to start from (heights in layers, row-major, scenario.sizeY rows
// of scenario.sizeX columns). The window's controls, a configuration file and a layer file all
// come down to one of these.
#include "model/Scenario.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The generator of a film: the window's congruential generator, or Philox4x32-10 with one
// independent stream per run.
enum class Generator { Lcg, Philox };

// The name of a generator on the command line and in files ("lcg", "philox"), and back
// (false for an unknown name).
const char* generatorName(Generator g);
bool generatorOfName(const std::string& name, Generator& out);

// The largest lattice side a research run takes, in cells (the window stays at its bars').
inline constexpr int32_t largestLatticeSide = 4096;

struct FilmSetup {
    Scenario scenario;
    Generator generator = Generator::Lcg;
    bool autoHeight = false;
    int32_t palette = 3; // the colour scheme of the pictures, 0..4
    std::shared_ptr<const std::vector<int32_t>> startHeights;
};
