#pragma once
// Growth settings with every field away from its start value and from the others, so that a
// field lost, swapped or read into another shows in a comparison.
#include "run/GrowthSettings.h"

inline GrowthSettings everyFieldSet()
{
    GrowthSettings g;
    g.rng = Generator::Philox;
    g.model = GrowthModel::Wv;
    g.columns = 13;
    g.rows = 11;
    g.dep = 150;
    g.max = 12.5;
    g.relax = 3;
    g.zmode = 1;
    g.z = 4;
    g.zx = 2;
    g.zy = 0;
    g.autoheight = true;
    return g;
}
