// The bilinear scale over 32-byte vectors: 8 shown pixels a vector. This unit alone is compiled for
// AVX2 and runs only after the run-time check.
#include "ScaleKernels.h"

#if defined(__AVX2__)
#include <immintrin.h>

namespace {

// The 8 left and 8 right source pixels blended by Weights (toward the right one, in 1/32768):
// pixels 0, 1, 4, 5 in Low and 2, 3, 6, 7 in High, as the unpacks leave them. Levels: in 16-bit
// levels; otherwise already the levels rounded.
template <bool Levels>
inline void Blend8(__m256i Left, __m256i Right, const uint16_t* Weights, __m256i& Low, __m256i& High)
{
    const __m256i wLow = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Weights));
    const __m256i wHigh = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Weights + 16));
    if constexpr (Levels) {
        const __m256i half = _mm256_set1_epi8(static_cast<char>(0x80)), ones = _mm256_set1_epi8(-1);
        auto blend = [&](__m256i l, __m256i r, __m256i w) {
            w = _mm256_slli_epi16(w, 1);
            return _mm256_add_epi16(_mm256_mulhi_epu16(l, _mm256_xor_si256(w, ones)), _mm256_mulhi_epu16(r, w));
        };
        Low = blend(_mm256_unpacklo_epi8(half, Left), _mm256_unpacklo_epi8(half, Right), wLow);
        High = blend(_mm256_unpackhi_epi8(half, Left), _mm256_unpackhi_epi8(half, Right), wHigh);
    } else {
        const __m256i zero = _mm256_setzero_si256();
        auto step = [&](__m256i l, __m256i r, __m256i w) {
            return _mm256_add_epi16(l, _mm256_mulhrs_epi16(_mm256_sub_epi16(r, l), w));
        };
        Low = step(_mm256_unpacklo_epi8(Left, zero), _mm256_unpacklo_epi8(Right, zero), wLow);
        High = step(_mm256_unpackhi_epi8(Left, zero), _mm256_unpackhi_epi8(Right, zero), wHigh);
    }
}

// The unpacks and the pack both work within halves, so the bytes come out in order.
inline __m256i Bytes(__m256i Low, __m256i High)
{
    return _mm256_packus_epi16(_mm256_srli_epi16(Low, 8), _mm256_srli_epi16(High, 8));
}

// The tables in locals of their own: the stores could otherwise alias them and have them reread.
template <bool Levels, class T>
void Across(const int32_t* Bases, const int32_t* Indices, const uint16_t* Weights, int32_t Groups, const uint8_t* Src,
            T* Dst)
{
    for (int32_t g = 0; g < Groups; ++g) {
        const int32_t base = Bases[g];
        const __m256i left = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Indices + 16 * g));
        const __m256i right = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Indices + 16 * g + 8));
        __m256i l, r;
        if (base >= 0) {
            // All 16 pixels among 8 neighbours: one load, put in place.
            const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Src + 4 * base));
            l = _mm256_permutevar8x32_epi32(v, left);
            r = _mm256_permutevar8x32_epi32(v, right);
        } else {
            l = _mm256_i32gather_epi32(reinterpret_cast<const int*>(Src), left, 4);
            r = _mm256_i32gather_epi32(reinterpret_cast<const int*>(Src), right, 4);
        }
        __m256i low, high;
        Blend8<Levels>(l, r, Weights + 32 * g, low, high);
        if constexpr (Levels) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(Dst + 32 * g), low);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(Dst + 32 * g + 16), high);
        } else
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(Dst + 32 * g), _mm256_packus_epi16(low, high));
    }
}

}  // namespace

int32_t ScaleAcrossAvx2(const TScaleAcrossTables& Tables, const uint8_t* Src, uint8_t* Dst8, uint16_t* Dst16)
{
    const int32_t groups = Tables.Width / 8;
    if (Dst8)
        Across<false>(Tables.GroupBases, Tables.GroupIndices, Tables.GroupWeights, groups, Src, Dst8);
    else
        Across<true>(Tables.GroupBases, Tables.GroupIndices, Tables.GroupWeights, groups, Src, Dst16);
    return 8 * groups;
}

int32_t ScaleDownAvx2(const uint16_t* A, const uint16_t* B, uint16_t Weight, uint8_t* Dst, int32_t Groups)
{
    const __m256i below = _mm256_set1_epi16(static_cast<short>(Weight)),
                  above = _mm256_set1_epi16(static_cast<short>(65535 - Weight));
    auto blend = [&](int32_t i) {
        return _mm256_add_epi16(
            _mm256_mulhi_epu16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(A + i)), above),
            _mm256_mulhi_epu16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(B + i)), below));
    };
    for (int32_t g = 0; g < Groups; ++g)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(Dst + 32 * g), Bytes(blend(32 * g), blend(32 * g + 16)));
    return 8 * Groups;
}

#else

int32_t ScaleAcrossAvx2(const TScaleAcrossTables&, const uint8_t*, uint8_t*, uint16_t*)
{
    return 0;
}

int32_t ScaleDownAvx2(const uint16_t*, const uint16_t*, uint16_t, uint8_t*, int32_t)
{
    return 0;
}

#endif
