#pragma once
// PhiloxRandom: the research runs' generator, Philox4x32-10 (Random123). Counter-based: the
// stream of key (seed, run) is block 0, 1, 2, ... of four 32-bit outputs each, so every run of
// an experiment has its own stream, independent of the others and of the threads or machines
// that compute it, and a position in it is just a counter (exact resume).
#include <Random123/philox.h>

#include <cstdint>

class PhiloxRandom {
public:
    PhiloxRandom(uint32_t seed = 0, uint32_t run = 0) { setKey(seed, run); }

    // The stream of (seed, run) from its start.
    void setKey(uint32_t seed, uint32_t run)
    {
        key_ = {{seed, run}};
        block_ = 0;
        used_ = 4;
    }

    // The next 32-bit output.
    uint32_t next()
    {
        if (used_ == 4)
            refill();
        return out_.v[used_++];
    }

    // A random integer below n (n >= 1): floor(u * n / 2^32) for a fresh output u. Each value
    // is taken by floor(2^32 / n) or one more of the 2^32 outputs: a bias below n / 2^32.
    int32_t below(int32_t n) { return static_cast<int32_t>((static_cast<uint64_t>(next()) * static_cast<uint32_t>(n)) >> 32); }
    // A hop direction 0..3 (up, right, down, left).
    int32_t direction() { return static_cast<int32_t>(next() >> 30); }

    // The position in the stream: outputs handed out so far. A generator set to a position
    // continues exactly as the one it was read from.
    uint64_t position() const { return block_ * 4 - (4 - used_); }
    void setPosition(uint64_t outputs)
    {
        block_ = outputs / 4;
        used_ = 4;
        const uint32_t skip = static_cast<uint32_t>(outputs % 4);
        if (skip != 0) {
            refill();
            used_ = skip;
        }
    }
    // Block `index` of the stream, whatever the position: four 32-bit outputs.
    r123::Philox4x32::ctr_type block(uint64_t index) const
    {
        const r123::Philox4x32::ctr_type counter = {
            {static_cast<uint32_t>(index), static_cast<uint32_t>(index >> 32), 0u, 0u}};
        return r123::Philox4x32()(counter, key_);
    }
    // Hands out `count` whole blocks: the rest of a block already begun is skipped, and the
    // index of the first of them is returned. A growth step takes one block per particle and
    // per relaxation attempt, so the cells it will visit are known before it visits them.
    uint64_t takeBlocks(uint64_t count)
    {
        if (used_ != 4) // a block already begun
            used_ = 4;
        const uint64_t first = block_;
        block_ += count;
        return first;
    }

    uint32_t seed() const { return key_.v[0]; }
    uint32_t run() const { return key_.v[1]; }

private:
    void refill()
    {
        out_ = block(block_);
        ++block_;
        used_ = 0;
    }

    r123::Philox4x32::key_type key_;
    r123::Philox4x32::ctr_type out_ = {{0, 0, 0, 0}};
    uint64_t block_ = 0; // the next block to compute
    uint32_t used_ = 4;  // outputs of out_ already handed out
};
