#pragma once
// FilmSetup: everything one film needs to grow exactly as the window grows it: the simulation
// settings and seed (a shared Scenario), auto-height, the colour scheme of its pictures, and
// optionally a stored lattice to start from (heights in layers, row-major, scenario.sizeY rows
// of scenario.sizeX columns). The window's controls, a configuration file and a layer file all
// come down to one of these.
#include "model/Scenario.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The generator of a film: the window's congruential generator, or Philox4x32-10 with one
// independent stream per run.
enum class Generator { Lcg, Philox };

// The name of a generator on the command line and in files ("lcg", "philox"), and back
// (false for an unknown name).
inline constexpr std::array<const char*, 2> generatorNames = {"lcg", "philox"};
const char* generatorName(Generator g);
bool generatorOfName(const std::string& name, Generator& out);

// The largest lattice side a research run takes, in cells (the window stays at its bars').
inline constexpr int32_t largestLatticeSide = 4096;

struct FilmSetup;
// The memory one growing film holds, in bytes: its lattice (the rest is small).
uint64_t filmBytes(const FilmSetup& setup);
// The random numbers one film draws in `ticks` ticks, at least: two for every particle and for
// every relaxation attempt (a hop draws a third), counted until the layers to deposit are in.
uint64_t drawsAtLeast(const FilmSetup& setup, int64_t ticks);
// The period of the congruential generator: 2^32 draws.
inline constexpr uint64_t lcgPeriod = uint64_t{1} << 32;
// The congruential generator repeats after 2^32 draws: a run, or an experiment of `runs` runs
// (0 for a single run), that draws more reuses stretches of its own or its neighbours' stream.
// The warning that says so, naming both numbers and the way out; empty when there is none.
std::string periodWarning(const FilmSetup& setup, int64_t ticks, int64_t runs);
// A rate that deposits no particle in a tick (trunc(rate x columns x rows) < 1) grows nothing,
// though the window's count of deposited layers still advances: the warning that says so, or
// empty.
std::string depositionWarning(const FilmSetup& setup);
// The physical memory of the machine in bytes, 0 when unknown.
uint64_t machineMemory();
// An amount of memory for a message: whole gigabytes (2^30 bytes), rounded up ("3 GB").
std::string gigabytes(uint64_t bytes);

struct FilmSetup {
    Scenario scenario;
    Generator generator = Generator::Lcg;
    UpdateScheme update = UpdateScheme::Sequential; // tiled only with Philox
    int32_t threads = 1; // the threads a tiled film's step runs on; the film is the same for any
    bool autoHeight = false;
    int32_t palette = 3; // the colour scheme of the pictures, 0..4
    std::shared_ptr<const std::vector<int32_t>> startHeights;
};
