// The composition over 32-byte vectors. This unit alone is compiled for AVX2 (-mavx2 or
// /arch:AVX2) and runs only after the processor and the OS were found to support it.
#include "AnaglyphKernels.h"

#if defined(__AVX2__)
#include <immintrin.h>

namespace {

// Two vectors (16 pixels) per block, so that loads of one pair overlap the arithmetic of the other.
struct TAvx2Ops {
    using Pixel = TColourPixel;
    static constexpr std::ptrdiff_t Pixels = 16;

    static __m256i Load(const uint8_t* P)
    {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(P));
    }
    static void Store(uint8_t* P, __m256i V)
    {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(P), V);
    }

    static void Prefetch(const uint8_t* P)
    {
        _mm_prefetch(reinterpret_cast<const char*>(P), _MM_HINT_T0);
    }

    // Blue and green of Bg (the low 16-bit word of each pixel), red of Red (or none), fourth
    // byte of Dst: one word blend and one byte blend rather than masks and ors.
    static __m256i Mix(__m256i Bg, __m256i Red, __m256i Dst)
    {
        const __m256i RedBytes = _mm256_set1_epi32(0x00FF0000);
        return _mm256_blendv_epi8(_mm256_blend_epi16(Dst, Bg, 0x55), Red, RedBytes);
    }
    static __m256i Mix(__m256i Bg, __m256i Dst)
    {
        const __m256i AllButRed = _mm256_set1_epi32(static_cast<int>(0xFF00FFFFu));
        return _mm256_and_si256(_mm256_blend_epi16(Dst, Bg, 0x55), AllButRed);
    }

    static void Compose(uint8_t* Dst, const uint8_t* Bg, const uint8_t* Red)
    {
        const __m256i B0 = Load(Bg), B1 = Load(Bg + 32);
        const __m256i R0 = Load(Red), R1 = Load(Red + 32);
        const __m256i D0 = Load(Dst), D1 = Load(Dst + 32);
        Store(Dst, Mix(B0, R0, D0));
        Store(Dst + 32, Mix(B1, R1, D1));
    }

    static void ComposeNoLeft(uint8_t* Dst, const uint8_t* Bg)
    {
        const __m256i B0 = Load(Bg), B1 = Load(Bg + 32);
        const __m256i D0 = Load(Dst), D1 = Load(Dst + 32);
        Store(Dst, Mix(B0, D0));
        Store(Dst + 32, Mix(B1, D1));
    }
};

}  // namespace

bool Avx2Compiled() { return true; }

void ComposeRowsAvx2(uint8_t* const* Rows, int32_t FrameHeight, const TComposeRowPlan& Plan,
                     TAnaglyphMethod Method)
{
    ComposeRowsFor<TWeightedPixel, TAvx2Ops>(Rows, FrameHeight, Plan, Method);
}

void StretchRowsAvx2(const uint8_t* const* Src, uint8_t* const* Dst, int32_t Height,
                     std::ptrdiff_t Width)
{
    StretchRowsScalar(Src, Dst, Height, Width);
}

#else  // built without AVX2 code generation: never selected

bool Avx2Compiled() { return false; }
void ComposeRowsAvx2(uint8_t* const*, int32_t, const TComposeRowPlan&, TAnaglyphMethod) {}
void StretchRowsAvx2(const uint8_t* const*, uint8_t* const*, int32_t, std::ptrdiff_t) {}

#endif
