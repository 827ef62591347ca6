#pragma once
// GrowthModel: where a deposited particle ends up. Tessavo's own model drops it on its column
// and relaxes the surface afterwards with the sweeps and thresholds of Symulacja; the textbook
// models of surface growth place each particle by a local rule instead, with no sweeps:
//   rd    random deposition: on its column
//   rdsr  random deposition with surface relaxation (Family): on the lowest of its column and
//         the four neighbours, its own column when that is among the lowest
//   bd    ballistic deposition: sticks at the first contact, h = max(h + 1, the neighbours' h)
//   rsos  restricted solid-on-solid (Kim-Kosterlitz): added only when every nearest-neighbour
//         difference stays within 1, otherwise rejected
//   wv    Wolf-Villain: where it has the most lateral neighbours among its column and the four
//         neighbours
//   dt    Das Sarma-Tamborenea: without a lateral neighbour it moves to a neighbour column
//         where it has one
// Names as the batch tool, Python, series files and saved runs write them.
#include <array>
#include <cstddef>
#include <string>

enum class GrowthModel { Tessavo, Rd, Rdsr, Bd, Rsos, Wv, Dt };

inline constexpr std::array<GrowthModel, 7> growthModels = {GrowthModel::Tessavo, GrowthModel::Rd,
    GrowthModel::Rdsr, GrowthModel::Bd, GrowthModel::Rsos, GrowthModel::Wv, GrowthModel::Dt};
inline constexpr std::array<const char*, 7> growthModelNames = {"tessavo", "rd", "rdsr", "bd", "rsos", "wv", "dt"};

constexpr const char* growthModelName(GrowthModel m)
{
    return growthModelNames[static_cast<std::size_t>(m)];
}

// The model of a name; false for a name that is none.
bool growthModelOfName(const std::string& name, GrowthModel& out);

// The names as a help text lists them: "tessavo, rd, rdsr, bd, rsos, wv or dt".
std::string growthModelList();
