#include "analysis/FftPlans.h"

#include <map>
#include <new>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

// Planning by estimate: a 4096 x 4096 plan is ready at once, where measuring would take the
// first analysis of every size many seconds for a small gain.
constexpr unsigned planFlags = FFTW_ESTIMATE;

struct Cache {
    std::mutex lock; // guards the map only; the planner has its own lock
    std::map<std::pair<int32_t, int32_t>, std::shared_ptr<const FftPlans::Pair>> plans;
};

Cache& cache()
{
    // The planner's lock is made first, so it outlives the cache at exit.
    FftPlans::plannerMutex();
    static Cache instance;
    return instance;
}

} // namespace

FftwArray allocatePadded(int32_t rows, int32_t cols)
{
    const std::size_t count = static_cast<std::size_t>(rows) * static_cast<std::size_t>(paddedCols(cols));
    auto* p = static_cast<double*>(fftw_malloc(sizeof(double) * count));
    if (!p)
        throw std::bad_alloc();
#if defined(MADV_HUGEPAGE)
    // Large transforms stride across the whole array; on 2 MiB pages they miss the TLB far less
    // (a third less time for a 4096 x 4096 lattice) and take fewer page faults. Only advice: the
    // kernel may ignore it.
    constexpr uintptr_t hugePage = uintptr_t(2) << 20;
    const uintptr_t first = (reinterpret_cast<uintptr_t>(p) + hugePage - 1) & ~(hugePage - 1);
    const uintptr_t last = (reinterpret_cast<uintptr_t>(p) + sizeof(double) * count) & ~(hugePage - 1);
    if (last > first)
        madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#endif
    return FftwArray(p);
}

std::mutex& FftPlans::plannerMutex()
{
    static std::mutex planner;
    return planner;
}

FftPlans::Pair::~Pair()
{
    std::lock_guard<std::mutex> guard(plannerMutex());
    if (forward)
        fftw_destroy_plan(forward);
    if (backward)
        fftw_destroy_plan(backward);
}

std::shared_ptr<const FftPlans::Pair> FftPlans::forSize(int32_t rows, int32_t cols)
{
    Cache& c = cache();
    std::lock_guard<std::mutex> cacheGuard(c.lock);
    auto found = c.plans.find({rows, cols});
    if (found != c.plans.end())
        return found->second;

    // A planning array of the full size from fftw_malloc, like every array the plans will see;
    // estimating plans never touches it, so its pages are never even mapped.
    FftwArray planning = allocatePadded(rows, cols);
    double* real = planning.get();
    auto* half = reinterpret_cast<fftw_complex*>(real);

    auto pair = std::make_shared<Pair>();
    pair->rows = rows;
    pair->cols = cols;
    {
        std::lock_guard<std::mutex> plannerGuard(plannerMutex());
        pair->forward = fftw_plan_dft_r2c_2d(rows, cols, real, half, planFlags);
        pair->backward = fftw_plan_dft_c2r_2d(rows, cols, half, real, planFlags);
    }
    if (!pair->forward || !pair->backward)
        throw std::bad_alloc();
    c.plans.emplace(std::make_pair(rows, cols), pair);
    return pair;
}

void FftPlans::clear()
{
    Cache& c = cache();
    std::map<std::pair<int32_t, int32_t>, std::shared_ptr<const Pair>> dropped;
    {
        std::lock_guard<std::mutex> cacheGuard(c.lock);
        dropped.swap(c.plans);
    }
    // The plans no one holds are destroyed here, outside the cache's lock.
}
