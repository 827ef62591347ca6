#pragma once
// FilmRun: one film grown tick by tick, the tick shared by the window and the batch tool:
// step, then auto-height when on; the roughness (in layers) is read after the tick. The
// window grows its own simulation through one; the batch tool's films own their simulation
// and their generator, so independent films can grow on several threads at once.
#include "model/Random.h"
#include "model/Symulacja.h"
#include "run/FilmSetup.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

class FilmRun {
public:
    // Grows `sim`, which stays the caller's and must outlive the run.
    explicit FilmRun(Symulacja& sim);
    // Run `run` of an experiment seeded with `seed`: a fresh lattice (or the stored one of
    // `setup`) with its own generator. The congruential generator is seeded with seed + run
    // (mod 2^32), so run k is also the single run of seed S + k; Philox takes the key
    // (seed, run), a stream of its own.
    FilmRun(const FilmSetup& setup, uint32_t seed, uint32_t run = 0);
    FilmRun(const FilmRun&) = delete;
    FilmRun& operator=(const FilmRun&) = delete;

    bool autoHeight = false;

    // Called between the relaxation sweeps of a tick with the sweeps done so far; returning
    // false abandons the tick (and the film: its lattice is then half relaxed).
    using SweepObserver = std::function<bool(int32_t sweepsDone)>;
    void observeSweeps(SweepObserver observer) { observer_ = std::move(observer); }

    // The tick's growth: one step, then the auto-height removal when on. False when a sweep
    // observer abandoned it.
    bool advance();
    // The roughness of the lattice now, in layers (0 without a lattice).
    double roughness() const;
    // The particles landed on the lattice over its cells: the mean thickness deposited so far,
    // in layers (0 without cells). Unlike the simulation's `deposited` (rate x ticks, the
    // window's counter) it counts the trunc(rate x cells) particles a tick really deposits.
    double layers() const;
    // advance(), then the roughness after it.
    double tick()
    {
        advance();
        return roughness();
    }

    const Symulacja& simulation() const { return *sim_; }
    Symulacja& simulation() { return *sim_; }
    int64_t ticksDone() const { return ticks_; }
    // Ticks are counted on from here (a film continued from a saved state).
    void setTicksDone(int64_t ticks) { ticks_ = ticks; }
    // The generator the film draws from: its Philox stream when it has one, else the
    // simulation's congruential generator.
    const PhiloxRandom* philox() const { return sim_->philox; }
    PhiloxRandom* philox() { return sim_->philox; }
    Random& lcg() { return *sim_->rng; }
    const Random& lcg() const { return *sim_->rng; }

private:
    std::unique_ptr<Random> random_;        // an owned film's generator
    std::unique_ptr<PhiloxRandom> philox_;  // and its Philox stream, when it draws from one
    std::unique_ptr<Symulacja> owned_; // an owned film's simulation, which points at random_
    Symulacja* sim_;
    SweepObserver observer_;
    int64_t ticks_ = 0;
};
