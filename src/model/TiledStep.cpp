#include "model/TiledStep.h"

#include "model/LandingRules.h"
#include "model/PhiloxBatch.h"
#include "model/PhiloxRandom.h"
#include "model/RelaxationHop.h"
#include "model/Symulacja.h"

#include <algorithm>
#include <atomic>

namespace {

// A phase: the block P it takes from the stream gives the counter words 2 and 3 of its draws
// (low, high) and, from its first two outputs, the tiling's offset (rows oy, columns ox).
struct Phase {
    uint32_t low, high, oy, ox;
    Phase(PhiloxRandom& random, uint32_t rows, uint32_t cols)
    {
        const uint64_t p = random.takeBlocks(1);
        const auto offset = random.block(p);
        low = static_cast<uint32_t>(p);
        high = static_cast<uint32_t>(p >> 32) | 0x80000000u;
        oy = scaledBelow(offset.v[0], rows);
        ox = scaledBelow(offset.v[1], cols);
    }
};

// A landing rule's draws for a particle whose fourth output was drawn with its cell.
class StoredDraws {
public:
    explicit StoredDraws(uint32_t word) : word_(word) {}
    void next(uint32_t&, uint32_t&) {}
    int32_t direction() { return static_cast<int32_t>(word_ >> 30); }
    uint32_t choice(uint32_t k) { return scaledBelow(word_, k); }

private:
    uint32_t word_;
};

// Calls f with a value of the landing rule type of a textbook model.
template <class F>
void withRule(GrowthModel model, F&& f)
{
    switch (model) {
    case GrowthModel::Rd: f(landing::RandomDeposition{}); break;
    case GrowthModel::Rdsr: f(landing::SurfaceRelaxation{}); break;
    case GrowthModel::Bd: f(landing::Ballistic{}); break;
    case GrowthModel::Rsos: f(landing::RestrictedSolidOnSolid{}); break;
    case GrowthModel::Wv: f(landing::WolfVillain{}); break;
    case GrowthModel::Dt: f(landing::DasSarmaTamborenea{}); break;
    case GrowthModel::Tessavo: break;
    }
}

constexpr int64_t particleChunk = 1 << 14; // particles one job of a deposition draws
constexpr int64_t roundCells = 64;         // cells per particle of a round of landings

} // namespace

TiledStep::Side TiledStep::sideOf(uint32_t cells, uint32_t tile)
{
    Side s;
    s.cells = cells;
    const uint32_t count = std::max<uint32_t>(2, 2 * (cells / (2 * tile)));
    for (uint32_t j = 0; j <= count; ++j)
        s.start.push_back(static_cast<uint32_t>(uint64_t{j} * cells / count));
    s.tileOf.resize(cells);
    for (uint32_t j = 0; j < count; ++j)
        std::fill(s.tileOf.begin() + s.start[j], s.tileOf.begin() + s.start[j + 1], j);
    return s;
}

void TiledStep::prepare(uint32_t rows, uint32_t cols)
{
    if (rows_.cells == rows && cols_.cells == cols)
        return;
    rows_ = sideOf(rows, tileRows);
    cols_ = sideOf(cols, tileColumns);
    const uint32_t across = static_cast<uint32_t>(cols_.start.size() - 1);
    const uint32_t down = static_cast<uint32_t>(rows_.start.size() - 1);
    for (auto& c : colours_)
        c.clear();
    for (uint32_t tr = 0; tr < down; ++tr)
        for (uint32_t tc = 0; tc < across; ++tc)
            colours_[(tr & 1) * 2 + (tc & 1)].push_back(tr * across + tc);
    landedIn_.assign(static_cast<size_t>(across) * down, 0);
}

bool TiledStep::step(Symulacja& sim, PhiloxRandom& random, const std::function<bool(int32_t)>& betweenSweeps)
{
    prepare(static_cast<uint32_t>(sim.sizeY), static_cast<uint32_t>(sim.sizeX));
    if (sim.model != GrowthModel::Tessavo) {
        // Rounds of at most one particle per roundCells cells: in a phase a tile grows ahead of
        // the tiles beside it, and a whole layer at once would leave steps at the tile borders
        // that a rule which sticks to its neighbours (ballistic deposition) grows on.
        const int64_t particles = sim.particlesPerStep();
        const int64_t cells = static_cast<int64_t>(sim.sizeX) * sim.sizeY;
        const int64_t rounds = std::max<int64_t>(1, (particles * roundCells + cells - 1) / cells);
        for (int64_t r = 0; r < rounds; ++r)
            landByTiles(sim, random, particles * (r + 1) / rounds - particles * r / rounds);
        sim.deposited = sim.deposited + sim.rate;
        return true;
    }
    depositAnywhere(sim, random);
    sim.deposited = sim.deposited + sim.rate;
    const StayRule rule = sim.stayRule();
    for (int32_t s = 0; s < sim.relaxations; ++s) {
        if (s > 0 && betweenSweeps && !betweenSweeps(s))
            return false;
        sweep(sim, random, rule);
    }
    return true;
}

void TiledStep::depositAnywhere(Symulacja& sim, PhiloxRandom& random)
{
    const int64_t particles = sim.particlesPerStep();
    const uint32_t rows = rows_.cells, cols = cols_.cells;
    const Phase key(random, rows, cols); // no tiling: the offset goes unused
    Tablica& t = *sim.lattice;
    const bool shared = pool_.threads() > 1;
    const uint32_t seed = random.seed(), run = random.run();
    pool_.run((particles + particleChunk - 1) / particleChunk, [&](int64_t chunk) {
        const int64_t end = std::min(particles, (chunk + 1) * particleChunk);
        for (int64_t i = chunk * particleChunk; i < end; i += 8) {
            uint32_t out[4][8];
            philoxBlocks8(seed, run, static_cast<uint32_t>(i), static_cast<uint32_t>(i >> 32), key.low, key.high, out);
            for (int64_t k = 0; k < std::min<int64_t>(8, end - i); ++k) {
                int32_t& cell = t.row(static_cast<int32_t>(scaledBelow(out[0][k], rows)))[scaledBelow(out[1][k], cols)];
                if (shared)
                    std::atomic_ref<int32_t>(cell).fetch_add(1, std::memory_order_relaxed); // wraps like increment
                else
                    cell = static_cast<int32_t>(static_cast<uint32_t>(cell) + 1u);
            }
        }
    });
    sim.landed += particles;
}

void TiledStep::landByTiles(Symulacja& sim, PhiloxRandom& random, int64_t particles)
{
    const uint32_t rows = rows_.cells, cols = cols_.cells;
    const Phase key(random, rows, cols);
    const uint32_t oy = key.oy, ox = key.ox;
    const uint32_t across = static_cast<uint32_t>(cols_.start.size() - 1);
    const size_t tiles = landedIn_.size();

    // The particles' cells and choices, counted by tile, then placed in tile order.
    drawn_.resize(static_cast<size_t>(particles));
    tileOf_.resize(static_cast<size_t>(particles));
    firstOf_.assign(tiles + 1, 0);
    for (int64_t i = 0; i < particles; i += 8) {
        uint32_t out[4][8];
        philoxBlocks8(random.seed(), random.run(), static_cast<uint32_t>(i), static_cast<uint32_t>(i >> 32), key.low,
                      key.high, out);
        for (int64_t k = 0; k < std::min<int64_t>(8, particles - i); ++k) {
            const uint32_t row = scaledBelow(out[0][k], rows), col = scaledBelow(out[1][k], cols);
            const uint32_t tile = rows_.tileOf[row >= oy ? row - oy : row + rows - oy] * across
                + cols_.tileOf[col >= ox ? col - ox : col + cols - ox];
            tileOf_[static_cast<size_t>(i + k)] = tile;
            drawn_[static_cast<size_t>(i + k)] = (uint64_t{row * cols + col} << 32) | out[3][k];
            ++firstOf_[tile + 1];
        }
    }
    for (size_t t = 0; t < tiles; ++t)
        firstOf_[t + 1] += firstOf_[t];
    particles_.resize(drawn_.size());
    next_.assign(firstOf_.begin(), firstOf_.end() - 1);
    for (size_t i = 0; i < drawn_.size(); ++i)
        particles_[next_[tileOf_[i]]++] = drawn_[i];

    Tablica& t = *sim.lattice;
    withRule(sim.model, [&](auto rule) {
        using Rule = decltype(rule);
        for (const auto& tilesOfColour : colours_)
            pool_.run(static_cast<int64_t>(tilesOfColour.size()), [&](int64_t k) {
                const uint32_t tile = tilesOfColour[static_cast<size_t>(k)];
                int64_t landed = 0;
                for (uint64_t p = firstOf_[tile]; p < firstOf_[tile + 1]; ++p) {
                    const uint64_t packed = particles_[p];
                    const uint32_t cell = static_cast<uint32_t>(packed >> 32);
                    StoredDraws draws(static_cast<uint32_t>(packed));
                    landing::Around around(t, rows, cols, cell / cols, cell % cols);
                    landed += Rule::land(around, draws) ? 1 : 0;
                }
                landedIn_[tile] = landed;
            });
    });
    for (int64_t n : landedIn_)
        sim.landed += n;
}

void TiledStep::sweep(Symulacja& sim, PhiloxRandom& random, const StayRule& rule)
{
    const uint32_t rows = rows_.cells, cols = cols_.cells;
    const Phase key(random, rows, cols);
    const uint32_t oy = key.oy, ox = key.ox;
    const uint32_t across = static_cast<uint32_t>(cols_.start.size() - 1);
    const uint32_t seed = random.seed(), run = random.run();
    Tablica& t = *sim.lattice;
    for (const auto& tilesOfColour : colours_)
        pool_.run(static_cast<int64_t>(tilesOfColour.size()), [&](int64_t k) {
            const uint32_t tile = tilesOfColour[static_cast<size_t>(k)];
            const uint32_t tr = tile / across, tc = tile % across;
            const uint32_t r0 = rows_.start[tr] + oy, c0 = cols_.start[tc] + ox;
            const uint32_t h = rows_.start[tr + 1] - rows_.start[tr], w = cols_.start[tc + 1] - cols_.start[tc];
            const uint32_t cells = h * w;
            for (uint32_t a = 0; a < cells; a += 8) {
                uint32_t out[4][8];
                philoxBlocks8(seed, run, a, tile, key.low, key.high, out);
                const uint32_t n = std::min<uint32_t>(8, cells - a);
                for (uint32_t j = 0; j < n; ++j) {
                    uint32_t row = r0 + scaledBelow(out[0][j], h), col = c0 + scaledBelow(out[1][j], w);
                    row -= row >= rows ? rows : 0;
                    col -= col >= cols ? cols : 0;
                    const int32_t direction = static_cast<int32_t>(out[2][j] >> 30);
                    relaxationHop(t, rows, cols, row, col, rule, [direction] { return direction; });
                }
            }
        });
}
