#include "model/Tablica.h"

#include <cmath>
#include <cstdlib>
#include <new>

#include <sys/mman.h>

namespace {

constexpr std::size_t hugePage = std::size_t{2} << 20;

// Lattices of at least two huge pages get them; smaller ones fit the TLB as they are.
bool onHugePages(std::size_t bytes)
{
    return bytes >= 2 * hugePage;
}

} // namespace

template <class T>
void* LatticeAllocator<T>::allocateBytes(std::size_t bytes)
{
    if (!onHugePages(bytes))
        return ::operator new(bytes);
    const std::size_t rounded = (bytes + hugePage - 1) / hugePage * hugePage;
    void* p = std::aligned_alloc(hugePage, rounded);
    if (!p)
        throw std::bad_alloc();
    (void)madvise(p, rounded, MADV_HUGEPAGE); // a hint: without it the pages are just smaller
    return p;
}

template <class T>
void LatticeAllocator<T>::deallocateBytes(void* p, std::size_t bytes) noexcept
{
    if (onHugePages(bytes))
        std::free(p);
    else
        ::operator delete(p);
}

template struct LatticeAllocator<int32_t>;

Tablica::Tablica(int32_t rows, int32_t columns)
    : width(columns), height(rows)
{
    if (rows > 0 && columns > 0)
        cells_.assign(static_cast<size_t>(rows) * static_cast<size_t>(columns), 0);
}

void Tablica::fill(int32_t value)
{
    for (int32_t& cell : cells_)
        cell = value;
}

int32_t Tablica::minHeight() const
{
    if (cells_.empty())
        return 0;
    int32_t minimum = cells_[0];
    for (int32_t cell : cells_)
        if (cell < minimum)
            minimum = cell;
    return minimum;
}

int32_t Tablica::removeBottomLayers()
{
    const int32_t m = minHeight();
    if (m > 0)
        for (int32_t& cell : cells_)
            cell -= m; // every cell >= m > 0, so no overflow
    return m;
}

double Tablica::roughness() const
{
    if (cells_.empty())
        return 0.0;
    // The order of the sums is part of the result: mean as a sum of h / N, then the variance
    // as a sum of d * d / N, both in row-major order.
    const double n = static_cast<double>(static_cast<int64_t>(width) * height);
    double mean = 0.0;
    for (int32_t cell : cells_)
        mean += cell / n;
    double variance = 0.0;
    for (int32_t cell : cells_) {
        const double d = cell - mean;
        variance += d * d / n;
    }
    return std::sqrt(variance);
}
