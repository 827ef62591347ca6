#include "model/Symulacja.h"

#include "model/Convert.h"
#include "model/LandingRules.h"
#include "model/PhiloxBatch.h"
#include "model/RelaxationHop.h"
#include "model/TiledStep.h"

#include <algorithm>
#include <iterator>

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
    landed = 0;
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

StayRule Symulacja::stayRule() const
{
    return {zmode == 0, z, zx, zy};
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

namespace {

// Where the particles and relaxation attempts of a step land, from the congruential
// generator: a row and a column for each, then a direction only for a hop (or a choice only
// where a landing rule has equal candidates), drawn one after another as the step goes.
class LcgDraws {
public:
    LcgDraws(Random& random, int32_t rows, int32_t cols) : random_(random), rows_(rows), cols_(cols) {}
    void beginPhase(int64_t) {}
    void next(uint32_t& row, uint32_t& col)
    {
        row = static_cast<uint32_t>(random_.below(rows_));
        col = static_cast<uint32_t>(random_.below(cols_));
    }
    int32_t direction() { return random_.direction(); }
    uint32_t choice(uint32_t k) { return static_cast<uint32_t>(random_.below(static_cast<int32_t>(k))); }

private:
    Random& random_;
    int32_t rows_, cols_;
};

// The same from Philox: particle or attempt i of a phase takes block i of the phase's blocks
// (row from the first output, column from the second, direction from the top two bits of the
// third, a landing rule's choice from the fourth), so the cells of the attempts ahead are known
// before the lattice is read. They are fetched into the cache that far ahead: on a lattice much
// larger than the cache the step is otherwise one memory wait per attempt. `reach` is the
// farthest row a rule reads from the drawn one (1, or 2 for the rules that count the lateral
// neighbours of the neighbours).
class PhiloxDraws {
public:
    PhiloxDraws(PhiloxRandom& random, int32_t rows, int32_t cols, Tablica& t, uint32_t reach = 1)
        : random_(random), rows_(static_cast<uint32_t>(rows)), cols_(static_cast<uint32_t>(cols)), t_(t),
          // A lattice that stays in the core's own cache gains nothing from fetching ahead.
          fetchAhead_(t.cellCount() * sizeof(int32_t) > (size_t{1} << 20)), reach_(std::min(reach, rows_ / 2))
    {
    }
    void beginPhase(int64_t count)
    {
        count_ = count;
        done_ = 0;
        first_ = random_.takeBlocks(static_cast<uint64_t>(count));
        for (int64_t j = 0; j < ahead; j += batch)
            load(j);
    }
    void next(uint32_t& row, uint32_t& col)
    {
        const int64_t slot = done_ & (ahead - 1);
        row = rows_of_[slot];
        col = cols_of_[slot];
        direction_ = directions_[slot];
        choice_ = choices_[slot];
        ++done_;
        // A batch used up: its slots take the next batch not yet known.
        if ((done_ & (batch - 1)) == 0)
            load(done_ + ahead - batch);
    }
    int32_t direction() { return direction_; }
    uint32_t choice(uint32_t k) { return scaledBelow(choice_, k); }
    // choice() reads the particle's own fourth output and draws nothing.
    static constexpr bool choiceIsFree = true;

private:
    static constexpr int64_t batch = 8;  // blocks computed together
    static constexpr int64_t ahead = 16; // attempts known ahead, a multiple of the batch
    // Blocks j .. j + 7 of the phase into their slots, and their cells on their way to the cache.
    void load(int64_t j)
    {
        if (j >= count_)
            return;
        uint32_t out[4][8];
        philoxBlocks8(random_.seed(), random_.run(), first_ + static_cast<uint64_t>(j), out);
        for (int64_t k = 0; k < batch; ++k) {
            const int64_t slot = (j + k) & (ahead - 1);
            const uint32_t row = scaledBelow(out[0][k], rows_);
            const uint32_t col = scaledBelow(out[1][k], cols_);
            rows_of_[slot] = row;
            cols_of_[slot] = col;
            directions_[slot] = static_cast<int32_t>(out[2][k] >> 30);
            choices_[slot] = out[3][k];
            if (!fetchAhead_)
                continue;
            __builtin_prefetch(t_.row(static_cast<int32_t>(row)) + col, 1);
            for (uint32_t d = 1; d <= reach_; ++d) {
                const uint32_t up = row >= d ? row - d : row + rows_ - d;
                const uint32_t down = row + d >= rows_ ? row + d - rows_ : row + d;
                __builtin_prefetch(t_.row(static_cast<int32_t>(up)) + col, 1);
                __builtin_prefetch(t_.row(static_cast<int32_t>(down)) + col, 1);
            }
        }
    }

    PhiloxRandom& random_;
    uint32_t rows_, cols_;
    Tablica& t_;
    bool fetchAhead_;
    uint32_t reach_;
    uint32_t rows_of_[ahead] = {}, cols_of_[ahead] = {};
    int32_t directions_[ahead] = {};
    uint32_t choices_[ahead] = {};
    int64_t count_ = 0, done_ = 0;
    uint64_t first_ = 0;
    int32_t direction_ = 0;
    uint32_t choice_ = 0;
};

// The rows a model's rule reads on either side of the drawn one.
uint32_t reachOf(GrowthModel model)
{
    return model == GrowthModel::Wv || model == GrowthModel::Dt ? 2 : 1;
}

} // namespace

bool Symulacja::step(const std::function<bool(int32_t sweepsDone)>& betweenSweeps)
{
    if (deposited >= maxLayers)
        return true;
    // Parameters that no lattice can hold (a size changed behind the lattice's back, or sizes
    // <= 0) deposit and relax nothing; the count of deposited layers still advances.
    if (!latticeMatches()) {
        deposited = deposited + rate;
        return true;
    }
    if (philox && update == UpdateScheme::Tiled) {
        if (!tiled_ || tiled_->threads() != std::max(threads, 1))
            tiled_ = std::make_shared<TiledStep>(std::max(threads, 1));
        return tiled_->step(*this, *philox, betweenSweeps);
    }
    if (philox) {
        PhiloxDraws draws(*philox, sizeY, sizeX, *lattice, reachOf(model));
        return stepWith(draws, betweenSweeps);
    }
    LcgDraws draws(*rng, sizeY, sizeX);
    return stepWith(draws, betweenSweeps);
}

template <class Rule, class Draws>
void Symulacja::landEach(Draws& random)
{
    const uint32_t cols = static_cast<uint32_t>(sizeX);
    const uint32_t rows = static_cast<uint32_t>(sizeY);
    Tablica& t = *lattice;
    const int64_t particles = particlesPerStep();
    random.beginPhase(particles);
    // Counted in a local: the member would be stored back on every particle.
    int64_t grown = 0;
    for (int64_t i = 0; i < particles; ++i) {
        uint32_t row, col;
        random.next(row, col);
        landing::Around around(t, rows, cols, row, col);
        // A particle has landed when a column of its site or the sites beside it has grown
        // (a restricted-solid-on-solid rule rejects some).
        grown += Rule::land(around, random) ? 1 : 0;
    }
    landed += grown;
    deposited = deposited + rate;
}

template <class Draws>
bool Symulacja::stepWith(Draws& random, const std::function<bool(int32_t)>& betweenSweeps)
{
    // The textbook models: one landing rule per particle, no relaxation sweeps; the rule is
    // chosen once a step, and each one's loop is compiled for it.
    using Landing = void (Symulacja::*)(Draws&);
    static constexpr Landing rules[] = {nullptr, &Symulacja::landEach<landing::RandomDeposition, Draws>,
        &Symulacja::landEach<landing::SurfaceRelaxation, Draws>, &Symulacja::landEach<landing::Ballistic, Draws>,
        &Symulacja::landEach<landing::RestrictedSolidOnSolid, Draws>, &Symulacja::landEach<landing::WolfVillain, Draws>,
        &Symulacja::landEach<landing::DasSarmaTamborenea, Draws>};
    static_assert(std::size(rules) == growthModels.size(), "one rule per model, in GrowthModel order");
    if (const Landing rule = rules[static_cast<size_t>(model)]) {
        (this->*rule)(random);
        return true;
    }
    {
        const uint32_t cols = static_cast<uint32_t>(sizeX);
        const uint32_t rows = static_cast<uint32_t>(sizeY);
        Tablica& t = *lattice;

        const int64_t particles = particlesPerStep();
        random.beginPhase(particles);
        for (int64_t i = 0; i < particles; ++i) {
            uint32_t row, col;
            random.next(row, col);
            t.increment(static_cast<int32_t>(row), static_cast<int32_t>(col));
        }
        landed += particles;
        deposited = deposited + rate;

        const int64_t attempts = static_cast<int64_t>(sizeX) * sizeY;
        const StayRule rule = stayRule();
        for (int32_t sweep = 0; sweep < relaxations; ++sweep) {
            if (sweep > 0 && betweenSweeps && !betweenSweeps(sweep))
                return false;
            random.beginPhase(attempts);
            for (int64_t a = 0; a < attempts; ++a) {
                uint32_t row, col;
                random.next(row, col);
                relaxationHop(t, rows, cols, row, col, rule, [&random] { return random.direction(); });
            }
        }
    }
    return true;
}
