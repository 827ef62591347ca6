#pragma once
// FilmSetup: everything one film needs to grow exactly as the window grows it: the simulation
// settings and seed (a shared Scenario), auto-height, the colour scheme of its pictures, and
// optionally a stored lattice to start from (heights in layers, row-major, scenario.sizeY rows
// of scenario.sizeX columns). The window's controls, a configuration file and a layer file all
// come down to one of these.
#include "model/Scenario.h"

#include <cstdint>
#include <memory>
#include <vector>

struct FilmSetup {
    Scenario scenario;
    bool autoHeight = false;
    int32_t palette = 3; // the colour scheme of the pictures, 0..4
    std::shared_ptr<const std::vector<int32_t>> startHeights;
};
