#pragma once
// philoxBlocks8: eight consecutive blocks of a Philox4x32-10 stream at once, exactly the blocks
// PhiloxRandom::block gives, with AVX2 where the processor has it (eight blocks in the lanes of
// one register, about a fifth of the scalar cost) and the scalar rounds elsewhere. A growth
// step on a large lattice needs a block per relaxation attempt; this keeps the generator's
// share of the attempt small.
#include <cstdint>

// out[w][j] is output word w of block first + j, for the key (k0, k1).
void philoxBlocks8(uint32_t k0, uint32_t k1, uint64_t first, uint32_t out[4][8]);
// The same for the counters (first + j, w1, w2, w3), j = 0 .. 7 (the first word wraps, the
// others stay): blocks away from a stream's own, which has w2 = w3 = 0.
void philoxBlocks8(uint32_t k0, uint32_t k1, uint32_t first, uint32_t w1, uint32_t w2, uint32_t w3, uint32_t out[4][8]);

// An output word u scaled to 0 .. n - 1 (floor(u n / 2^32)): a cell along a side of n, or one
// of n candidates.
inline uint32_t scaledBelow(uint32_t u, uint32_t n)
{
    return static_cast<uint32_t>((static_cast<uint64_t>(u) * n) >> 32);
}
