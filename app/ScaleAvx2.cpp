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

#else

TScaleAcross ScaleAcrossAvx2Kernel()
{
    return nullptr;
}

#endif
