// The bilinear scale's pass across over 32-byte vectors: two shown pixels a vector. This unit
// alone is compiled for AVX2 and runs only after the run-time check.
#include "ScaleKernels.h"

#if defined(__AVX2__)
#include <immintrin.h>

namespace {

void ScaleAcrossAvx2(const int16_t* Pairs, const int32_t* Columns, const int16_t* Weights, uint8_t* Dst,
                     int32_t Width)
{
    // Pixels x and x + 1 in the two halves of one vector.
    auto two = [&](int32_t x) {
        const __m256i pair = _mm256_inserti128_si256(
            _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(Pairs + 8 * Columns[x]))),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(Pairs + 8 * Columns[x + 1])), 1);
        const __m256i weights = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Weights + 8 * x));
        return _mm256_srai_epi32(_mm256_madd_epi16(pair, weights), 20);
    };
    // The packs work within halves: x, x+2, x+4, x+6 | x+1, x+3, x+5, x+7, put in order at the end.
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    int32_t x = 0;
    for (; x + 8 <= Width; x += 8) {
        const __m256i low = _mm256_packs_epi32(two(x), two(x + 2));
        const __m256i high = _mm256_packs_epi32(two(x + 4), two(x + 6));
        const __m256i bytes = _mm256_packus_epi16(low, high);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(Dst + 4 * x), _mm256_permutevar8x32_epi32(bytes, order));
    }
    ScaleAcrossScalar(Pairs, Columns + x, Weights + 8 * x, Dst + 4 * x, Width - x);
}

}  // namespace

TScaleAcross ScaleAcrossAvx2Kernel()
{
    return ScaleAcrossAvx2;
}

int32_t ScaleBlendAvx2(const uint8_t* Above, const uint8_t* Below, int16_t Weight, int16_t* Out, int32_t Levels)
{
    const __m256i zero = _mm256_setzero_si256(), weight = _mm256_set1_epi16(Weight), half = _mm256_set1_epi16(32);
    int32_t i = 0;
    for (; i + 32 <= Levels; i += 32) {
        // Quarters 0, 2 | 1, 3: the unpacks, which work within halves, then give levels in order.
        const __m256i a = _mm256_permute4x64_epi64(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(Above + i)), 0xD8);
        const __m256i b = _mm256_permute4x64_epi64(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(Below + i)), 0xD8);
        const __m256i halves[2][2] = {{_mm256_unpacklo_epi8(a, zero), _mm256_unpacklo_epi8(b, zero)},
                                      {_mm256_unpackhi_epi8(a, zero), _mm256_unpackhi_epi8(b, zero)}};
        for (int h = 0; h < 2; ++h) {
            const __m256i step = _mm256_slli_epi16(_mm256_sub_epi16(halves[h][1], halves[h][0]), 7);
            const __m256i level = _mm256_add_epi16(_mm256_add_epi16(_mm256_slli_epi16(halves[h][0], 6), half),
                                                   _mm256_mulhi_epi16(step, weight));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(Out + i + 16 * h), level);
        }
    }
    return i;
}

int32_t ScalePairAvx2(const int16_t* Blended, int16_t* Pairs, int32_t Width)
{
    int32_t i = 0;
    for (; i + 4 <= Width; i += 4) {
        // Pixels i, i+1 | i+2, i+3 and the same one further: within halves, each beside the next.
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Blended + 4 * i));
        const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Blended + 4 * i + 4));
        const __m256i even = _mm256_unpacklo_epi16(v, next), odd = _mm256_unpackhi_epi16(v, next);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(Pairs + 8 * i), _mm256_permute2x128_si256(even, odd, 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(Pairs + 8 * i + 16), _mm256_permute2x128_si256(even, odd, 0x31));
    }
    return i;
}

#else

TScaleAcross ScaleAcrossAvx2Kernel()
{
    return nullptr;
}

int32_t ScaleBlendAvx2(const uint8_t*, const uint8_t*, int16_t, int16_t*, int32_t)
{
    return 0;
}

int32_t ScalePairAvx2(const int16_t*, int16_t*, int32_t)
{
    return 0;
}

#endif
