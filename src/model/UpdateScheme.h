#pragma once
// UpdateScheme: the order in which a step visits the lattice.
//   sequential  one stream of draws, particle after particle and attempt after attempt over the
//               whole lattice: the window's step, and the default everywhere
//   tiled       the lattice cut into tiles updated phase by phase, tiles of one phase at the same
//               time on any number of threads (TiledStep); needs the Philox generator
// Names as the batch tool, Python, series files and saved runs write them.
#include <array>
#include <cstddef>
#include <string>

enum class UpdateScheme { Sequential, Tiled };

inline constexpr std::array<const char*, 2> updateSchemeNames = {"sequential", "tiled"};

constexpr const char* updateSchemeName(UpdateScheme u)
{
    return updateSchemeNames[static_cast<std::size_t>(u)];
}

// The scheme of a name; false for a name that is none.
inline bool updateSchemeOfName(const std::string& name, UpdateScheme& out)
{
    for (std::size_t i = 0; i < updateSchemeNames.size(); ++i)
        if (name == updateSchemeNames[i]) {
            out = static_cast<UpdateScheme>(i);
            return true;
        }
    return false;
}
