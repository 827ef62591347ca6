#pragma once
// TiledStep: the tiled update of a growth step, drawn from Philox counters so that the lattice
// after a step is the same on any number of threads.
//
// The lattice is cut into tiles of about tileRows x tileColumns cells (2 x 2 tiles at the
// least); the tiles are coloured like a 2 x 2 checkerboard, and a step runs colour after colour (a phase),
// the tiles of one colour on the pool's threads at the same time. Tiles of one colour are a
// whole tile apart, so their updates never read or write a common cell: a relaxation hop reaches
// one cell from its site, a landing rule reads two (Wolf-Villain, Das Sarma-Tamborenea) and
// writes one, and no tile is narrower than five cells. Each side is cut into an even number of
// tiles, so that the colours alternate across the periodic border too: a side of n cells and a
// tile length s makes m = max(2, 2 floor(n / 2s)) tiles, tile j covering cells floor(j n / m) ..
// floor((j+1) n / m) - 1: between s and 2s cells on a side of 2s or more (sides that are not a
// multiple of s give tiles that differ by a cell), and two halves of a shorter side (at least 5
// cells each, as a side is at least 10). The tiling's origin moves by a random offset each sweep (each step for the
// textbook models), so tile borders are nowhere fixed.
//
// Draws: every phase of a step takes one block P of the film's Philox stream (key seed, run),
// whose first two outputs are the tiling's offset; draw j of the phase then uses the counter
// (j, tile, P low, P high | 2^31), away from the stream's own blocks.
//   relaxation sweep (Tessavo's own model): each tile makes as many hop attempts as it has
//     cells, at uniformly drawn cells of its own; attempt a of tile t is draw (a, t).
//   deposition, Tessavo's own model: particle i (draw (i low, i high)) on a uniformly drawn cell
//     of the lattice; the order of the increments does not matter, so the particles are spread
//     over the threads in any order.
//   deposition, textbook models: in rounds of at most one particle per 64 cells of the
//     lattice, each round a phase of its own with its own offset: particle i of the round on a
//     uniformly drawn cell as above, then sorted to the tile that holds its cell (in the order
//     of i), and landed tile by tile, colour by colour. Small rounds keep a tile from growing
//     far ahead of the tiles beside it while they wait for their phase.
// So each particle still lands on a uniformly random cell and each sweep still makes one
// attempt per cell on average: only the order of the updates differs from the sequential step.
#include "model/TilePool.h"

#include <cstdint>
#include <functional>
#include <vector>

class PhiloxRandom;
class Symulacja;
struct StayRule;

class TiledStep {
public:
    // A tile's cells, rows x columns: 4096 heights, 16 KB, that stay in the core's own cache.
    // Few long rows rather than a square: rows of a wide lattice lie a multiple of 4 KB apart,
    // so the same row offset of every row falls in the same cache sets, and a tile of 64 rows
    // would not fit in their ways.
    static constexpr uint32_t tileRows = 16, tileColumns = 256;

    explicit TiledStep(int32_t threads) : pool_(threads) {}
    int32_t threads() const { return pool_.threads(); }

    // One step of `sim` (lattice, sizes, rate, model and sweeps as Symulacja::step has them,
    // lattice matching the sizes): the same contract as Symulacja::step.
    bool step(Symulacja& sim, PhiloxRandom& random, const std::function<bool(int32_t)>& betweenSweeps);

private:
    // One side's tiles: tile j covers start[j] .. start[j+1]-1 of the side shifted by the
    // phase's offset; tileOf gives a shifted cell's tile.
    struct Side {
        uint32_t cells = 0;
        std::vector<uint32_t> start;
        std::vector<uint32_t> tileOf;
    };
    static Side sideOf(uint32_t cells, uint32_t tile);
    void prepare(uint32_t rows, uint32_t cols);
    void depositAnywhere(Symulacja& sim, PhiloxRandom& random);
    void landByTiles(Symulacja& sim, PhiloxRandom& random, int64_t particles);
    void sweep(Symulacja& sim, PhiloxRandom& random, const StayRule& rule);

    TilePool pool_;
    Side rows_, cols_;
    std::vector<uint32_t> colours_[4]; // the tiles of each phase
    // A round's particles as drawn (cell, then choice), their tiles, and sorted by tile: tile
    // t's are particles_[firstOf_[t]] .. particles_[firstOf_[t+1]-1].
    std::vector<uint64_t> drawn_, particles_;
    std::vector<uint32_t> tileOf_;
    std::vector<uint64_t> firstOf_, next_;
    std::vector<int64_t> landedIn_;    // particles landed per tile in the last phase
};
