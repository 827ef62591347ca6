#include "model/PhiloxBatch.h"

#include "model/PhiloxRandom.h"

#include <immintrin.h>

namespace {

// Block j has the counter words counter[0..3][j].
void scalarBlocks(uint32_t k0, uint32_t k1, const uint32_t counter[4][8], uint32_t out[4][8])
{
    const r123::Philox4x32::key_type key = {{k0, k1}};
    for (int j = 0; j < 8; ++j) {
        const r123::Philox4x32::ctr_type c = {{counter[0][j], counter[1][j], counter[2][j], counter[3][j]}};
        const auto b = r123::Philox4x32()(c, key);
        for (int w = 0; w < 4; ++w)
            out[w][j] = b.v[w];
    }
}

// The high and low 32 bits of the products of a and x, lane by lane.
__attribute__((target("avx2"))) inline void mulhilo(__m256i a, __m256i x, __m256i& hi, __m256i& lo)
{
    const __m256i even = _mm256_mul_epu32(a, x);
    const __m256i odd = _mm256_mul_epu32(_mm256_srli_epi64(a, 32), _mm256_srli_epi64(x, 32));
    lo = _mm256_blend_epi32(even, _mm256_slli_epi64(odd, 32), 0xAA);
    hi = _mm256_blend_epi32(_mm256_srli_epi64(even, 32), odd, 0xAA);
}

// The ten rounds of Philox4x32 with its multipliers and key increments (Salmon et al. 2011).
__attribute__((target("avx2"))) void avx2Blocks(uint32_t k0, uint32_t k1, const uint32_t counter[4][8], uint32_t out[4][8])
{
    __m256i x0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(counter[0]));
    __m256i x1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(counter[1]));
    __m256i x2 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(counter[2]));
    __m256i x3 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(counter[3]));
    const __m256i m0 = _mm256_set1_epi32(static_cast<int>(0xD2511F53u));
    const __m256i m1 = _mm256_set1_epi32(static_cast<int>(0xCD9E8D57u));
    uint32_t key0 = k0, key1 = k1;
    for (int round = 0; round < 10; ++round) {
        if (round > 0) {
            key0 += 0x9E3779B9u;
            key1 += 0xBB67AE85u;
        }
        __m256i hi0, lo0, hi1, lo1;
        mulhilo(m0, x0, hi0, lo0);
        mulhilo(m1, x2, hi1, lo1);
        const __m256i y0 = _mm256_xor_si256(_mm256_xor_si256(hi1, x1), _mm256_set1_epi32(static_cast<int>(key0)));
        const __m256i y2 = _mm256_xor_si256(_mm256_xor_si256(hi0, x3), _mm256_set1_epi32(static_cast<int>(key1)));
        x0 = y0;
        x1 = lo1;
        x2 = y2;
        x3 = lo0;
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out[0]), x0);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out[1]), x1);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out[2]), x2);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out[3]), x3);
}

} // namespace

namespace {

void blocks(uint32_t k0, uint32_t k1, const uint32_t counter[4][8], uint32_t out[4][8])
{
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2)
        avx2Blocks(k0, k1, counter, out);
    else
        scalarBlocks(k0, k1, counter, out);
}

} // namespace

void philoxBlocks8(uint32_t k0, uint32_t k1, uint64_t first, uint32_t out[4][8])
{
    uint32_t counter[4][8] = {};
    for (int j = 0; j < 8; ++j) {
        const uint64_t index = first + static_cast<uint64_t>(j);
        counter[0][j] = static_cast<uint32_t>(index);
        counter[1][j] = static_cast<uint32_t>(index >> 32);
    }
    blocks(k0, k1, counter, out);
}

void philoxBlocks8(uint32_t k0, uint32_t k1, uint32_t first, uint32_t w1, uint32_t w2, uint32_t w3, uint32_t out[4][8])
{
    uint32_t counter[4][8];
    for (int j = 0; j < 8; ++j) {
        counter[0][j] = first + static_cast<uint32_t>(j);
        counter[1][j] = w1;
        counter[2][j] = w2;
        counter[3][j] = w3;
    }
    blocks(k0, k1, counter, out);
}
