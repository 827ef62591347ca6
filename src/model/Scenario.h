#pragma once
// Scenario: a named set of simulation settings with a seed, shared by the tests, the
// benchmarks and the batch tool so that each does not build its own. Sizes in lattice cells,
// the rate as the rate bar's position (rate = position / 1000, the nearest double, as the
// window's rate bar sets it).
#include "model/SettingsTable.h"
#include "model/Symulacja.h"

#include <cstdint>
#include <string>

struct Scenario {
    std::string name;
    // The window's start-up values.
    int32_t sizeX = settingKey(Setting::GridX).start;
    int32_t sizeY = settingKey(Setting::GridY).start;
    int32_t ratePosition = settingKey(Setting::Dep).start;
    double maxLayers = 50.0; // the start text of the layers box, "50"
    int32_t relaxations = 5; // the start text of the relaxations box, "5"
    int32_t zmode = settingKey(Setting::Zmode).start;
    int32_t z = settingKey(Setting::Z).start;
    int32_t zx = settingKey(Setting::Zx).start;
    int32_t zy = settingKey(Setting::Zy).start;
    GrowthModel model = GrowthModel::Tessavo;
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
