#pragma once
// Symulacja: the parameters and running state of one growth simulation, and its lattice.
// Heights and counts are in layers; `rate` is layers deposited per step.
#include "model/GrowthModel.h"
#include "model/PhiloxRandom.h"
#include "model/Random.h"
#include "model/Tablica.h"
#include "model/UpdateScheme.h"

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>

struct StayRule;
class TiledStep;

// The particle count of a step is formed in 80-bit extended precision.
static_assert(std::numeric_limits<long double>::digits == 64, "long double must have a 64-bit mantissa");

class Symulacja {
public:
    // A simulation with heightOffset 0 and no lattice. Its random numbers come from `random`,
    // by default the one generator of the process.
    explicit Symulacja(Random* random = &processRandom()) : rng(random) {}

    int32_t sizeX = 50;       // lattice columns (x)
    int32_t sizeY = 40;       // lattice rows (y)
    int32_t zmode = 0;        // 0 isotropic, any other value anisotropic stay rule
    int32_t z = 2;            // isotropic threshold
    int32_t zx = 1;           // anisotropic threshold along x
    int32_t zy = 1;           // anisotropic threshold along y
    int32_t relaxations = 5;  // relaxation sweeps per step (Tessavo's own model only)
    int32_t heightOffset = 0; // complete layers removed by auto-height
    int32_t palette = 0;      // colour scheme 0..4 for the renderer
    double deposited = 0.0;   // layers deposited so far
    int64_t landed = 0;       // particles that have landed on the lattice since it was allocated
    double maxLayers = 50.0;  // a step does nothing once deposited >= maxLayers
    double rate = 0.01;       // layers per step
    // Where each particle lands: Tessavo's own model (deposition, then the relaxation sweeps)
    // or a textbook model's rule without sweeps. applyDefaults leaves it as it is.
    GrowthModel model = GrowthModel::Tessavo;
    std::unique_ptr<Tablica> lattice;
    Random* rng;
    // When set, the steps draw from this generator instead of rng (research runs); the
    // window never sets it.
    PhiloxRandom* philox = nullptr;
    // With philox set, `tiled` updates the lattice tile by tile on `threads` threads
    // (TiledStep); the lattice after a step is the same for any number of threads. Without
    // philox the step is sequential whatever this says (the resolver refuses the combination).
    UpdateScheme update = UpdateScheme::Sequential;
    int32_t threads = 1;

    // The defaults of every parameter (not heightOffset, deposited or the lattice).
    void applyDefaults();
    // A new flat lattice of sizeY rows and sizeX columns, the generator seeded from the clock
    // in whole seconds, deposited = 0, landed = 0.
    void allocateLattice();
    // The same with an explicit seed, for repeatable runs.
    void allocateLattice(uint32_t seed);

    // Auto-height after a step: removes the complete bottom layers of the lattice and moves
    // their count from deposited to heightOffset. Returns the lattice's minimum height (the
    // number of layers removed when > 0; nothing is removed otherwise).
    int32_t removeBottomLayers();

    // One growth step: particlesPerStep() particles, each on a uniformly drawn column where
    // the model's rule places it (a rejected particle of rsos is still one of them); with
    // Tessavo's own model then `relaxations` sweeps of sizeX * sizeY hop attempts.
    void step();
    // The same, asking `betweenSweeps` before every sweep after the first (with the sweeps
    // done so far) whether to go on; false ends the step at once and step returns false. A
    // huge relaxation count makes one step long: this lets a caller show progress and stop.
    bool step(const std::function<bool(int32_t sweepsDone)>& betweenSweeps);

    // The rate of a rate-bar position 1..1000: the double nearest to position / 1000. A
    // quotient, not position * 0.001: 0.001 is not exact in binary, and 9 * 0.001 lies above
    // the double nearest to 0.009 (one particle more per step on 10 x 100).
    static double rateOfPosition(int32_t position) { return position / 1000.0; }

    // The particles one step deposits: trunc(sizeX * rate * sizeY) in extended precision,
    // clamped to 0..INT64_MAX (NaN counts as 0).
    int64_t particlesPerStep() const;
    // The stay rule of the relaxation sweeps: zmode, z, zx and zy.
    StayRule stayRule() const;


private:
    std::shared_ptr<TiledStep> tiled_; // the tiled step's threads and buffers, made when first used
    bool latticeMatches() const;
    template <class Draws>
    bool stepWith(Draws& random, const std::function<bool(int32_t)>& betweenSweeps);
    template <class Rule, class Draws>
    void landEach(Draws& random);
};
