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

// Weighted methods, 4 pixels per vector. Without byte shuffles the pairs are what a swap of the
// two words of each pixel and a mask or a shift give: (r, b) and (fourth byte, g) of each eye.
// The inputs that carry weights beyond 16 bits (Lg, Rg, Rb) are all Hi words.
struct TSse2Layout {
    static constexpr TPair Pairs[4] = {{wLr, wLb}, {wFourth, wLg}, {wRr, wRb}, {wFourth, wRg}};
    static constexpr bool Masked = false;
};

struct TSse2 {
    using T = __m128i;
    static constexpr std::ptrdiff_t Pixels = 4;

    static T Load(const uint8_t* P) { return TSse2Ops::Load(P); }
    static void Store(uint8_t* P, T V) { TSse2Ops::Store(P, V); }
    static void Prefetch(const uint8_t* P) { TSse2Ops::Prefetch(P); }
    static T Zero() { return _mm_setzero_si128(); }
    static T Set1(int32_t V) { return _mm_set1_epi32(V); }
    // One pixel as a 32-bit value, through memcpy: rows need not be aligned.
    static int32_t LoadPixel(const uint8_t* P)
    {
        int32_t V;
        std::memcpy(&V, P, 4);
        return V;
    }
    static void StorePixel(uint8_t* P, int32_t V) { std::memcpy(P, &V, 4); }
    static T LoadSome(const uint8_t* P, std::ptrdiff_t N)  // N of 1 to 3
    {
        const T Low = N == 1 ? _mm_cvtsi32_si128(LoadPixel(P))
                             : _mm_loadl_epi64(reinterpret_cast<const __m128i*>(P));
        return _mm_unpacklo_epi64(Low, _mm_cvtsi32_si128(N == 3 ? LoadPixel(P + 8) : 0));
    }
    static void StoreSome(uint8_t* P, T V, std::ptrdiff_t N)
    {
        if (N == 1) {
            StorePixel(P, _mm_cvtsi128_si32(V));
            return;
        }
        _mm_storel_epi64(reinterpret_cast<__m128i*>(P), V);
        if (N == 3)
            StorePixel(P + 8, _mm_cvtsi128_si32(_mm_srli_si128(V, 8)));
    }
    static T Add(T A, T B) { return _mm_add_epi32(A, B); }
    static T Madd(T A, T B) { return _mm_madd_epi16(A, B); }
    static T And(T A, T B) { return _mm_and_si128(A, B); }
    static T Or(T A, T B) { return _mm_or_si128(A, B); }
    template <int N>
    static T ShiftRight(T A) { return _mm_srli_epi32(A, N); }
    template <int N>
    static T ShiftLeft(T A) { return _mm_slli_epi32(A, N); }

    // No byte blend: the fourth byte alone, then each insertion masked and or-ed in.
    static T Fourth(T D) { return And(D, Set1(int32_t(0xFF000000u))); }
    static T Insert(T Out, uint32_t Mask, T Src) { return Or(Out, And(Src, Set1(int32_t(Mask)))); }
    static T InsertClean(T Out, T Src) { return Or(Out, Src); }
    template <uint32_t Bytes>
    static T Place(T S)
    {
        if constexpr (Bytes == 4)
            return And(S, Set1(0x00FF0000));
        const T G = _mm_srli_epi32(S, 16);  // the channel stays in [0, 255]: nothing above it
        T Out = Bytes & 1 ? G : Zero();
        if constexpr ((Bytes & 2) != 0)
            Out = Or(Out, _mm_slli_epi32(G, 8));
        if constexpr ((Bytes & 4) != 0)
            Out = Or(Out, _mm_slli_epi32(G, 16));
        return Out;
    }

    // Words of each pixel swapped: r, fourth byte, b, g.
    static T SwapWords(T V) { return _mm_shufflehi_epi16(_mm_shufflelo_epi16(V, 0xB1), 0xB1); }

    template <class W>
    static void FormPairs(T L, T R, T (&P)[4])
    {
        const T Low = _mm_set1_epi32(0x00FF00FF);
        P[0] = P[1] = P[2] = P[3] = Zero();
        if constexpr (W::PairUsed(0) || W::PairUsed(1)) {
            const T S = SwapWords(L);
            P[0] = And(S, Low);
            P[1] = _mm_srli_epi16(S, 8);
        }
        if constexpr (W::PairUsed(2) || W::PairUsed(3)) {
            const T S = SwapWords(R);
            P[2] = And(S, Low);
            P[3] = _mm_srli_epi16(S, 8);
        }
    }

    // b0 g0 b1 g1 b2 g2 b3 g3 r0 0 r1 0 r2 0 r3 0 (the signed saturating pack of the high words
    // clamps), then its two halves interleaved by 16-bit units.
    static T PackClamped(T Blue, T Green, T Red)
    {
        const T BlueGreen = Or(_mm_srli_epi32(Blue, 16),
                               And(Green, _mm_set1_epi32(int32_t(0xFFFF0000u))));
        const T Bytes = _mm_packus_epi16(BlueGreen, _mm_srli_epi32(Red, 16));
        return _mm_unpacklo_epi16(Bytes, _mm_srli_si128(Bytes, 8));
    }
};

template <int Table>
using TSse2Weighted = TWeightedOps<TSse2, Table, TSse2Layout>;

// 4 source pixels to 8: each 32-bit lane repeated in place.
struct TSse2Stretch {
    static constexpr std::ptrdiff_t Pixels = 4;
    static void Stretch(uint8_t* Dst, const uint8_t* Src)
    {
        const __m128i V = TSse2Ops::Load(Src);
        TSse2Ops::Store(Dst, _mm_unpacklo_epi32(V, V));
        TSse2Ops::Store(Dst + 16, _mm_unpackhi_epi32(V, V));
    }
};

// Views and interleavings: 4 pixels per vector, the rest through the scalar forms. An
// interleaving reads twice what it writes and is bound by its loads: four vectors in flight per
// iteration rather than one.
struct TSse2Rows {
    using StretchOps = TSse2Stretch;
    static __m128i Blend(const uint8_t* E, const uint8_t* O)
    {
        const __m128i OddLanes = _mm_setr_epi32(0, -1, 0, -1);
        return _mm_or_si128(_mm_andnot_si128(OddLanes, TSse2Ops::Load(E)),
                            _mm_and_si128(OddLanes, TSse2Ops::Load(O)));
    }
    static void Merge(uint8_t* D, const uint8_t* E, const uint8_t* O, std::ptrdiff_t N)
    {
        std::ptrdiff_t K = 0;
        for (; N - K >= 16; K += 16) {
            const __m128i V0 = Blend(E + 4 * K, O + 4 * K);
            const __m128i V1 = Blend(E + 4 * K + 16, O + 4 * K + 16);
            const __m128i V2 = Blend(E + 4 * K + 32, O + 4 * K + 32);
            const __m128i V3 = Blend(E + 4 * K + 48, O + 4 * K + 48);
            TSse2Ops::Store(D + 4 * K, V0);
            TSse2Ops::Store(D + 4 * K + 16, V1);
            TSse2Ops::Store(D + 4 * K + 32, V2);
            TSse2Ops::Store(D + 4 * K + 48, V3);
        }
        for (; N - K >= 4; K += 4)
            TSse2Ops::Store(D + 4 * K, Blend(E + 4 * K, O + 4 * K));
        TScalarRows::Merge(D + 4 * K, E + 4 * K, O + 4 * K, N - K);  // K is even
    }
    static void Zip4(uint8_t* D, const uint8_t* E, const uint8_t* O)
    {
        const __m128i Ev = TSse2Ops::Load(E), Ov = TSse2Ops::Load(O);
        TSse2Ops::Store(D, _mm_unpacklo_epi32(Ev, Ov));
        TSse2Ops::Store(D + 16, _mm_unpackhi_epi32(Ev, Ov));
    }
    static void Zip(uint8_t* D, const uint8_t* E, const uint8_t* O, std::ptrdiff_t N)
    {
        std::ptrdiff_t K = 0;
        for (; N - K >= 8; K += 8) {
            Zip4(D + 8 * K, E + 4 * K, O + 4 * K);
            Zip4(D + 8 * K + 32, E + 4 * K + 16, O + 4 * K + 16);
        }
        for (; N - K >= 4; K += 4)
            Zip4(D + 8 * K, E + 4 * K, O + 4 * K);
        TScalarRows::Zip(D + 8 * K, E + 4 * K, O + 4 * K, N - K);
    }
};

}  // namespace

bool Sse2Compiled() { return true; }

void ComposeRowsSse2(uint8_t* const* Rows, int32_t Height, const TComposeRowPlan& Plan,
                     int Table)
{
    ComposeRowsFor<TSse2Weighted, TSse2Ops>(Rows, Height, Plan, Table);
}

void ShowRowsSse2(const uint8_t* const* Frame, uint8_t* const* Out, const TViewRowPlan& P)
{
    TShowRows<TSse2Rows>::Run(Frame, Out, P);
}

void StretchRowsSse2(const uint8_t* const* Src, uint8_t* const* Dst, int32_t Height,
                     std::ptrdiff_t Width)
{
    StretchRows<TSse2Stretch>(Src, Dst, Height, Width);
}

#else  // not an SSE2 target: never selected

bool Sse2Compiled() { return false; }
void ComposeRowsSse2(uint8_t* const*, int32_t, const TComposeRowPlan&, int) {}
void ShowRowsSse2(const uint8_t* const*, uint8_t* const*, const TViewRowPlan&) {}
void StretchRowsSse2(const uint8_t* const*, uint8_t* const*, int32_t, std::ptrdiff_t) {}

#endif
