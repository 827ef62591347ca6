#pragma once
// Tablica: the film surface, a lattice of int32 column heights (in layers) with `height` rows
// and `width` columns, addressed (row, col), row first. Neighbour access wraps periodically.
#include <cstdint>
#include <cstddef>
#include <vector>

// The storage of a lattice. Large ones sit on 2 MB-aligned memory that the kernel is asked to
// back with transparent huge pages: each 16 KB row of a 4096-wide lattice would otherwise lie on
// a 4 KB page of its own, and the neighbour rows a growth step reads miss the TLB more often
// than the cache. Where the kernel declines, the memory is ordinary memory.
template <class T>
struct LatticeAllocator {
    using value_type = T;
    LatticeAllocator() = default;
    template <class U>
    LatticeAllocator(const LatticeAllocator<U>&) noexcept
    {
    }
    T* allocate(std::size_t n) { return static_cast<T*>(allocateBytes(n * sizeof(T))); }
    void deallocate(T* p, std::size_t n) noexcept { deallocateBytes(p, n * sizeof(T)); }
    template <class U>
    bool operator==(const LatticeAllocator<U>&) const noexcept
    {
        return true;
    }

private:
    static void* allocateBytes(std::size_t bytes);
    static void deallocateBytes(void* p, std::size_t bytes) noexcept;
};

class Tablica {
public:
    // rows x columns cells, all 0. A size <= 0 in either direction gives a lattice without
    // cells (the program never makes one): fill, minHeight, removeBottomLayers and roughness
    // are then harmless, while the cell accessors have no cell to reach and must not be used.
    Tablica(int32_t rows, int32_t columns);

    int32_t width;  // columns, the x extent
    int32_t height; // rows, the y extent

    void fill(int32_t value);

    int32_t get(int32_t row, int32_t col) const { return cells_[index(row, col)]; }
    int32_t getWrapped(int32_t row, int32_t col) const { return get(wrap(row, height), wrap(col, width)); }
    void set(int32_t value, int32_t row, int32_t col) { cells_[index(row, col)] = value; }

    // +1 / -1 with the result; heights wrap as 32-bit two's complement at the int32 limits.
    int32_t increment(int32_t row, int32_t col) { return bump(cells_[index(row, col)], 1u); }
    int32_t incrementWrapped(int32_t row, int32_t col) { return increment(wrap(row, height), wrap(col, width)); }
    int32_t decrement(int32_t row, int32_t col) { return bump(cells_[index(row, col)], 0xFFFFFFFFu); }

    int32_t minHeight() const;
    // Removes complete bottom layers: when the minimum m is > 0 every cell loses m. Returns m.
    int32_t removeBottomLayers();
    // Population standard deviation of the heights, accumulated in row-major order.
    double roughness() const;

    bool empty() const { return cells_.empty(); }
    // All cells, row-major: row r starts at data() + r * width.
    const int32_t* data() const { return cells_.data(); }
    int32_t* data() { return cells_.data(); }
    std::size_t cellCount() const { return cells_.size(); }
    const int32_t* row(int32_t r) const { return cells_.data() + static_cast<std::size_t>(r) * width; }
    int32_t* row(int32_t r) { return cells_.data() + static_cast<std::size_t>(r) * width; }

    // (i + n) mod n, truncating: correct for i >= -n, the neighbour indices -1..n in use.
    static int32_t wrap(int32_t i, int32_t n) { return (i + n) % n; }

private:
    std::size_t index(int32_t row, int32_t col) const { return static_cast<std::size_t>(row) * width + col; }
    static int32_t bump(int32_t& cell, uint32_t delta)
    {
        cell = static_cast<int32_t>(static_cast<uint32_t>(cell) + delta);
        return cell;
    }

    std::vector<int32_t, LatticeAllocator<int32_t>> cells_;
};
