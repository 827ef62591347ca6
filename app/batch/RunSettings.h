#pragma once
// RunSettings: everything one batch run needs to grow a film exactly as the window would: the
// simulation settings and seed (a shared Scenario), auto-height, and optionally a stored
// lattice to start from (heights in layers, row-major, scenario.sizeY rows of sizeX columns).
#include "model/Scenario.h"

#include <cstdint>
#include <memory>
#include <vector>

struct RunSettings {
    Scenario scenario;
    bool autoHeight = false;
    int32_t palette = 3; // the colour scheme of the pictures, 0..4
    std::shared_ptr<const std::vector<int32_t>> startHeights;
};
