#include "model/Scenario.h"

std::unique_ptr<Symulacja> Scenario::build(Random* random) const
{
    auto sim = std::make_unique<Symulacja>(random);
    sim->sizeX = sizeX;
    sim->sizeY = sizeY;
    sim->relaxations = relaxations;
    sim->maxLayers = maxLayers;
    sim->rate = Symulacja::rateOfPosition(ratePosition);
    sim->z = z;
    sim->zx = zx;
    sim->zy = zy;
    sim->zmode = zmode;
    sim->model = model;
    sim->palette = 3;
    sim->allocateLattice(seed);
    for (int32_t i = 0; i < ticks; ++i)
        sim->step();
    return sim;
}

Scenario windowDefaults()
{
    Scenario s;
    s.name = "window-defaults";
    return s;
}

Scenario heaviest(int32_t zmode)
{
    Scenario s;
    s.name = zmode == 0 ? "heaviest-isotropic" : "heaviest-anisotropic";
    s.sizeX = 100;
    s.sizeY = 100;
    s.ratePosition = 1000;
    s.maxLayers = 1e9;
    s.zmode = zmode;
    s.ticks = 50;
    return s;
}
