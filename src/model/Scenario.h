#pragma once
// Scenario: a named set of simulation settings with a seed, shared by the tests, the
// benchmarks and the batch tool so that each does not build its own. Sizes in lattice cells,
// the rate as the rate bar's position (rate = position / 1000, the nearest double, as the
// window's rate bar sets it).
#include "model/Symulacja.h"

#include <cstdint>
#include <string>

struct Scenario {
    std::string name;
    int32_t sizeX = 50;
    int32_t sizeY = 50;
    int32_t ratePosition = 10;
    double maxLayers = 50.0;
    int32_t relaxations = 5;
    int32_t zmode = 0;
    int32_t z = 2;
    int32_t zx = 1;
    int32_t zy = 1;
    uint32_t seed = 1;
    int32_t ticks = 0; // steps to grow before use

    // A simulation with these settings on a fresh lattice seeded with `seed`, grown by `ticks`
    // steps. Its generator is `random` (its own, for independent runs).
    std::unique_ptr<Symulacja> build(Random* random) const;
};

// The window's settings right after start-up (50 x 50, rate 0.01, 50 layers, isotropic z 2).
Scenario windowDefaults();
// The heaviest settings: 100 x 100, rate 1.0, 5 relaxations, grown to about 50 layers.
Scenario heaviest(int32_t zmode);
