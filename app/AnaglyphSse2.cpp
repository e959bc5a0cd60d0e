// The composition over 16-byte vectors. SSE2 is part of the x86-64 baseline, so this unit is
// compiled with the default flags and needs no run-time check.
#include "AnaglyphKernels.h"

#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#include <emmintrin.h>

namespace {

// Two vectors (8 pixels) per block, so that loads of one pair overlap the arithmetic of the other.
struct TSse2Ops {
    using Pixel = TColourPixel;
    static constexpr std::ptrdiff_t Pixels = 8;

    static __m128i Load(const uint8_t* P)
    {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(P));
    }
    static void Store(uint8_t* P, __m128i V)
    {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(P), V);
    }

    static void Prefetch(const uint8_t* P)
    {
        _mm_prefetch(reinterpret_cast<const char*>(P), _MM_HINT_T0);
    }

    // Blue and green of Bg, red of Red (or none), fourth byte of Dst.
    static __m128i Mix(__m128i Bg, __m128i Red, __m128i Dst)
    {
        const __m128i RedMask = _mm_set1_epi32(0x00FF0000);
        return _mm_or_si128(Mix(Bg, Dst), _mm_and_si128(Red, RedMask));
    }
    static __m128i Mix(__m128i Bg, __m128i Dst)
    {
        const __m128i BgMask = _mm_set1_epi32(0x0000FFFF);
        const __m128i KeepMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
        return _mm_or_si128(_mm_and_si128(Bg, BgMask), _mm_and_si128(Dst, KeepMask));
    }

    static void Compose(uint8_t* Dst, const uint8_t* Bg, const uint8_t* Red)
    {
        const __m128i B0 = Load(Bg), B1 = Load(Bg + 16);
        const __m128i R0 = Load(Red), R1 = Load(Red + 16);
        const __m128i D0 = Load(Dst), D1 = Load(Dst + 16);
        Store(Dst, Mix(B0, R0, D0));
        Store(Dst + 16, Mix(B1, R1, D1));
    }

    static void ComposeNoLeft(uint8_t* Dst, const uint8_t* Bg)
    {
        const __m128i B0 = Load(Bg), B1 = Load(Bg + 16);
        const __m128i D0 = Load(Dst), D1 = Load(Dst + 16);
        Store(Dst, Mix(B0, D0));
        Store(Dst + 16, Mix(B1, D1));
    }
};

}  // namespace

bool Sse2Compiled() { return true; }

void ComposeRowsSse2(uint8_t* const* Rows, int32_t FrameHeight, const TComposeRowPlan& Plan,
                     TAnaglyphMethod Method)
{
    ComposeRowsFor<TWeightedPixel, TSse2Ops>(Rows, FrameHeight, Plan, Method);
}

void StretchRowsSse2(const uint8_t* const* Src, uint8_t* const* Dst, int32_t Height,
                     std::ptrdiff_t Width)
{
    StretchRowsScalar(Src, Dst, Height, Width);
}

#else  // not an SSE2 target: never selected

bool Sse2Compiled() { return false; }
void ComposeRowsSse2(uint8_t* const*, int32_t, const TComposeRowPlan&, TAnaglyphMethod) {}
void StretchRowsSse2(const uint8_t* const*, uint8_t* const*, int32_t, std::ptrdiff_t) {}

#endif
