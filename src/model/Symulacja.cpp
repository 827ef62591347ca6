#include "model/Symulacja.h"

#include "model/Convert.h"

#include <cmath>

void Symulacja::applyDefaults()
{
    sizeX = 50;
    sizeY = 40;
    zmode = 0;
    z = 2;
    zx = 1;
    zy = 1;
    relaxations = 5;
    palette = 0;
    maxLayers = 50.0;
    rate = 0.01;
}

void Symulacja::allocateLattice()
{
    allocateLattice(clockSeed());
}

void Symulacja::allocateLattice(uint32_t seed)
{
    lattice = std::make_unique<Tablica>(sizeY, sizeX);
    lattice->fill(0);
    rng->seed(seed);
    deposited = 0.0;
}

bool Symulacja::latticeMatches() const
{
    return lattice && !lattice->empty() && lattice->width == sizeX && lattice->height == sizeY;
}

int32_t Symulacja::removeBottomLayers()
{
    if (!lattice)
        return 0;
    const int32_t removed = lattice->removeBottomLayers();
    if (removed > 0) {
        deposited = deposited - removed;
        // heightOffset wraps like the lattice's own heights instead of overflowing.
        heightOffset = static_cast<int32_t>(static_cast<uint32_t>(heightOffset) + static_cast<uint32_t>(removed));
    }
    return removed;
}

int64_t Symulacja::particlesPerStep() const
{
    const long double product = static_cast<long double>(sizeX) * static_cast<long double>(rate)
        * static_cast<long double>(sizeY);
    if (!(product >= 1.0L))
        return 0; // also NaN
    if (product >= 9.2e18L)
        return INT64_MAX;
    return static_cast<int64_t>(product); // truncation toward zero
}

void Symulacja::step()
{
    step(std::function<bool(int32_t)>());
}

bool Symulacja::step(const std::function<bool(int32_t sweepsDone)>& betweenSweeps)
{
    return philox ? stepWith(*philox, betweenSweeps) : stepWith(*rng, betweenSweeps);
}

template <class Generator>
bool Symulacja::stepWith(Generator& random, const std::function<bool(int32_t)>& betweenSweeps)
{
    if (deposited >= maxLayers)
        return true;

    // Parameters that no lattice can hold (a size changed behind the lattice's back, or sizes
    // <= 0) deposit and relax nothing; the count of deposited layers still advances.
    const bool canDraw = latticeMatches();
    if (canDraw) {
        const uint32_t cols = static_cast<uint32_t>(sizeX);
        const uint32_t rows = static_cast<uint32_t>(sizeY);
        Tablica& t = *lattice;

        const int64_t particles = particlesPerStep();
        for (int64_t i = 0; i < particles; ++i) {
            const int32_t row = random.below(sizeY);
            const int32_t col = random.below(sizeX);
            t.increment(row, col);
        }
        deposited = deposited + rate;

        const int64_t attempts = static_cast<int64_t>(sizeX) * sizeY;
        const bool isotropic = zmode == 0;
        for (int32_t sweep = 0; sweep < relaxations; ++sweep) {
            if (sweep > 0 && betweenSweeps && !betweenSweeps(sweep))
                return false;
            for (int64_t a = 0; a < attempts; ++a) {
                const uint32_t row = static_cast<uint32_t>(random.below(sizeY));
                const uint32_t col = static_cast<uint32_t>(random.below(sizeX));
                int32_t* here = t.row(static_cast<int32_t>(row));
                const int32_t h = here[col];
                if (h <= 0)
                    continue;
                // Periodic neighbours; rows and columns wrap independently.
                const uint32_t up = row == 0 ? rows - 1 : row - 1;
                const uint32_t down = row + 1 == rows ? 0 : row + 1;
                const uint32_t left = col == 0 ? cols - 1 : col - 1;
                const uint32_t right = col + 1 == cols ? 0 : col + 1;
                int32_t* upRow = t.row(static_cast<int32_t>(up));
                int32_t* downRow = t.row(static_cast<int32_t>(down));
                const int32_t a2 = (here[left] >= h) + (here[right] >= h);
                const int32_t b2 = (upRow[col] >= h) + (downRow[col] >= h);
                const bool stays = isotropic ? (a2 + b2 >= z) : (b2 >= zy || a2 >= zx);
                if (stays)
                    continue;
                // Direction 0 up, 1 right, 2 down, 3 left; only a strictly lower target takes it.
                int32_t* target;
                switch (random.direction()) {
                case 0: target = &upRow[col]; break;
                case 1: target = &here[right]; break;
                case 2: target = &downRow[col]; break;
                default: target = &here[left]; break;
                }
                if (*target < h) {
                    *target = static_cast<int32_t>(static_cast<uint32_t>(*target) + 1u);
                    here[col] = h - 1; // h > 0, so no overflow
                }
            }
        }
    } else {
        deposited = deposited + rate;
    }
    return true;
}
