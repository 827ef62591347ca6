#pragma once
// Random: the growth model's 32-bit linear congruential generator (outputs 0..32767).
// The window uses one generator for the whole process (processRandom()); a simulation can be
// handed its own, so independent simulations may run side by side on several threads.
#include <cstdint>

class Random {
public:
    explicit Random(uint32_t state = 0) : state_(state) {}

    // s = s * 22695477 + 1 (mod 2^32); the result is bits 16..30 of the new s.
    int32_t next()
    {
        state_ = state_ * 22695477u + 1u;
        return static_cast<int32_t>((state_ >> 16) & 0x7FFFu);
    }

    // s = seed, then one draw that is thrown away.
    void seed(uint32_t seed)
    {
        state_ = seed;
        next();
    }

    // A random integer below n: floor(r * n / 32768) for a fresh r, exact in 64-bit integers
    // for every int32 n (the shift rounds down, also for a negative n).
    int32_t below(int32_t n)
    {
        const int64_t product = static_cast<int64_t>(next()) * n;
        return static_cast<int32_t>(product >> 15);
    }

    // A hop direction 0..3 (up, right, down, left): the top two bits of a fresh r.
    int32_t direction() { return next() >> 13; }

    uint32_t state() const { return state_; }
    void setState(uint32_t state) { state_ = state; }

private:
    uint32_t state_;
};

// The one generator of the process, used by the window's simulations.
Random& processRandom();
// nextRandom and seedRandom on the process generator.
int32_t nextRandom();
void seedRandom(uint32_t seed);
// The current calendar time in whole seconds, as the seed of a new lattice.
uint32_t clockSeed();
