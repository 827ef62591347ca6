#pragma once
// philoxBlocks8: eight consecutive blocks of a Philox4x32-10 stream at once, exactly the blocks
// PhiloxRandom::block gives, with AVX2 where the processor has it (eight blocks in the lanes of
// one register, about a fifth of the scalar cost) and the scalar rounds elsewhere. A growth
// step on a large lattice needs a block per relaxation attempt; this keeps the generator's
// share of the attempt small.
#include <cstdint>

// out[w][j] is output word w of block first + j, for the key (k0, k1).
void philoxBlocks8(uint32_t k0, uint32_t k1, uint64_t first, uint32_t out[4][8]);
