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

// Weighted methods, 8 pixels per vector. Each pixel's six inputs become three pairs of 16-bit
// words, (Lb, Lg), (Rr, Rg), (Lr, Rb), by byte shuffles: the inputs that carry weights beyond
// 16 bits (Lg, Rg, Rb) are all Hi words, and inputs no channel weighs are left out. The pair of
// both eyes takes each input from a different 16-bit half of its pixel (Lr from the high half,
// Rb from the low), so one word blend and one shuffle form it.
struct TAvx2Layout {
    static constexpr TPair Pairs[3] = {{wLb, wLg}, {wRr, wRg}, {wLr, wRb}};
    static constexpr bool Masked = true;
};

struct TAvx2 {
    using T = __m256i;
    static constexpr std::ptrdiff_t Pixels = 8;

    static T Load(const uint8_t* P) { return TAvx2Ops::Load(P); }
    static void Store(uint8_t* P, T V) { TAvx2Ops::Store(P, V); }
    static void Prefetch(const uint8_t* P) { TAvx2Ops::Prefetch(P); }
    static T Zero() { return _mm256_setzero_si256(); }
    static T Set1(int32_t V) { return _mm256_set1_epi32(V); }
    static T FirstLanes(std::ptrdiff_t N)
    {
        return _mm256_cmpgt_epi32(Set1(int32_t(N)), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    }
    static T LoadSome(const uint8_t* P, std::ptrdiff_t N)
    {
        return _mm256_maskload_epi32(reinterpret_cast<const int*>(P), FirstLanes(N));
    }
    static void StoreSome(uint8_t* P, T V, std::ptrdiff_t N)
    {
        _mm256_maskstore_epi32(reinterpret_cast<int*>(P), FirstLanes(N), V);
    }
    static T Add(T A, T B) { return _mm256_add_epi32(A, B); }
    static T Madd(T A, T B) { return _mm256_madd_epi16(A, B); }
    template <int N>
    static T ShiftRight(T A) { return _mm256_srli_epi32(A, N); }
    template <int N>
    static T ShiftLeft(T A) { return _mm256_slli_epi32(A, N); }

    // The fourth byte alone, then each insertion masked and or-ed in: cheaper than byte blends.
    static T Fourth(T D) { return _mm256_and_si256(D, Set1(int32_t(0xFF000000u))); }
    static T Insert(T Out, uint32_t Mask, T Src)
    {
        return _mm256_or_si256(Out, _mm256_and_si256(Src, Set1(int32_t(Mask))));
    }
    static T InsertClean(T Out, T Src) { return _mm256_or_si256(Out, Src); }
    template <uint32_t Bytes>
    static T Place(T S)
    {
        if constexpr (Bytes == 4)
            return _mm256_and_si256(S, Set1(0x00FF0000));
        constexpr uint32_t Pattern = (Bytes & 1 ? 0x02u : 0x80u) | (Bytes & 2 ? 0x02u : 0x80u) << 8 |
                                     (Bytes & 4 ? 0x02u : 0x80u) << 16 | 0x80u << 24;
        return _mm256_shuffle_epi8(S, Shuffle(Pattern, 4));
    }

    // A byte shuffle given for pixel 0 of each 4-pixel lane, source bytes moving by Step per
    // pixel; 0x80 and above (still so after the additions) give 0.
    static T Shuffle(uint32_t Pattern, int Step)
    {
        const int S = Step * 0x01010101;
        return _mm256_add_epi8(_mm256_set1_epi32(int(Pattern)),
                               _mm256_setr_epi32(0, S, 2 * S, 3 * S, 0, S, 2 * S, 3 * S));
    }

    template <class W, int I>
    static T FormPair(T L, T R)
    {
        constexpr uint32_t FromL = W::PairShuffle(I, true), FromR = W::PairShuffle(I, false);
        constexpr uint32_t None = 0x80808080u;
        if constexpr (!W::PairUsed(I))
            return Zero();
        else if constexpr (FromR == None)
            return _mm256_shuffle_epi8(L, Shuffle(FromL, 4));
        else if constexpr (FromL == None)
            return _mm256_shuffle_epi8(R, Shuffle(FromR, 4));
        else
            return _mm256_shuffle_epi8(BlendHalves<FromL, FromR>(L, R),
                                       Shuffle(MergeShuffles(FromL, FromR), 4));
    }

    // Per byte the one of two shuffles that does not give 0.
    static constexpr uint32_t MergeShuffles(uint32_t A, uint32_t B)
    {
        uint32_t M = 0;
        for (int K = 0; K < 32; K += 8)
            M |= ((A >> K & 0xFF) == 0x80 ? B >> K & 0xFF : A >> K & 0xFF) << K;
        return M;
    }

    // A pixel of L's 16-bit half that FromL reads and R's other half.
    template <uint32_t FromL, uint32_t FromR>
    static T BlendHalves(T L, T R)
    {
        constexpr bool LeftHigh = (FromL & 0x80) != 0;  // L's input is the Hi byte of the pair
        constexpr uint32_t LeftByte = LeftHigh ? FromL >> 16 & 0xFF : FromL & 0xFF;
        constexpr uint32_t RightByte = LeftHigh ? FromR & 0xFF : FromR >> 16 & 0xFF;
        static_assert(LeftByte / 2 != RightByte / 2, "both inputs in one half of the pixel");
        if constexpr (LeftByte / 2 == 1)
            return _mm256_blend_epi16(R, L, 0xAA);
        else
            return _mm256_blend_epi16(L, R, 0xAA);
    }
    template <class W>
    static void FormPairs(T L, T R, T (&P)[3])
    {
        P[0] = FormPair<W, 0>(L, R);
        P[1] = FormPair<W, 1>(L, R);
        P[2] = FormPair<W, 2>(L, R);
    }

    // Per lane: b0 g0 b1 g1 b2 g2 b3 g3 r0 0 r1 0 r2 0 r3 0 (the signed saturating pack of the
    // high words clamps), then to pixel order.
    static T PackClamped(T Blue, T Green, T Red)
    {
        const T BlueGreen = _mm256_blend_epi16(_mm256_srli_epi32(Blue, 16), Green, 0xAA);
        const T Bytes = _mm256_packus_epi16(BlueGreen, _mm256_srli_epi32(Red, 16));
        return _mm256_shuffle_epi8(Bytes, Shuffle(0x80080100u, 2));
    }
};

template <int Table>
using TAvx2Weighted = TWeightedOps<TAvx2, Table, TAvx2Layout>;

// 8 source pixels to 16: each 32-bit lane repeated in place.
struct TAvx2Stretch {
    static constexpr std::ptrdiff_t Pixels = 8;
    static void Stretch(uint8_t* Dst, const uint8_t* Src)
    {
        const __m256i V = TAvx2Ops::Load(Src);
        const __m256i Low = _mm256_setr_epi32(0, 0, 1, 1, 2, 2, 3, 3);
        const __m256i High = _mm256_setr_epi32(4, 4, 5, 5, 6, 6, 7, 7);
        TAvx2Ops::Store(Dst, _mm256_permutevar8x32_epi32(V, Low));
        TAvx2Ops::Store(Dst + 32, _mm256_permutevar8x32_epi32(V, High));
    }
};

// Views and interleavings: 8 pixels per vector, the rest through the scalar forms. Both loops
// keep four loads in flight: an interleaving reads twice what it writes and is bound by its
// loads, which one vector per iteration leaves waiting on the loop.
struct TAvx2Rows {
    using StretchOps = TAvx2Stretch;
    static __m256i Blend(const uint8_t* E, const uint8_t* O)
    {
        return _mm256_blend_epi32(TAvx2Ops::Load(E), TAvx2Ops::Load(O), 0xAA);
    }
    static void Merge(uint8_t* D, const uint8_t* E, const uint8_t* O, std::ptrdiff_t N)
    {
        std::ptrdiff_t K = 0;
        for (; N - K >= 32; K += 32) {
            const __m256i V0 = Blend(E + 4 * K, O + 4 * K);
            const __m256i V1 = Blend(E + 4 * K + 32, O + 4 * K + 32);
            const __m256i V2 = Blend(E + 4 * K + 64, O + 4 * K + 64);
            const __m256i V3 = Blend(E + 4 * K + 96, O + 4 * K + 96);
            TAvx2Ops::Store(D + 4 * K, V0);
            TAvx2Ops::Store(D + 4 * K + 32, V1);
            TAvx2Ops::Store(D + 4 * K + 64, V2);
            TAvx2Ops::Store(D + 4 * K + 96, V3);
        }
        for (; N - K >= 8; K += 8)
            TAvx2Ops::Store(D + 4 * K, Blend(E + 4 * K, O + 4 * K));
        TScalarRows::Merge(D + 4 * K, E + 4 * K, O + 4 * K, N - K);  // K is even
    }
    // 8 pixels of each to 16: quadwords 0 2 1 3 first, so that the in-lane unpacks give
    // e0 o0 e1 o1 e2 o2 e3 o3 and e4 o4 ... o7 with no shuffle across lanes after them.
    static void Zip8(uint8_t* D, const uint8_t* E, const uint8_t* O)
    {
        const __m256i Ev = _mm256_permute4x64_epi64(TAvx2Ops::Load(E), 0xD8);
        const __m256i Ov = _mm256_permute4x64_epi64(TAvx2Ops::Load(O), 0xD8);
        TAvx2Ops::Store(D, _mm256_unpacklo_epi32(Ev, Ov));
        TAvx2Ops::Store(D + 32, _mm256_unpackhi_epi32(Ev, Ov));
    }
    static void Zip(uint8_t* D, const uint8_t* E, const uint8_t* O, std::ptrdiff_t N)
    {
        std::ptrdiff_t K = 0;
        for (; N - K >= 16; K += 16) {
            Zip8(D + 8 * K, E + 4 * K, O + 4 * K);
            Zip8(D + 8 * K + 64, E + 4 * K + 32, O + 4 * K + 32);
        }
        TScalarRows::Zip(D + 8 * K, E + 4 * K, O + 4 * K, N - K);
    }
};

}  // namespace

bool Avx2Compiled() { return true; }

void ComposeRowsAvx2(uint8_t* const* Rows, int32_t Height, const TComposeRowPlan& Plan,
                     int Table)
{
    ComposeRowsFor<TAvx2Weighted, TAvx2Ops>(Rows, Height, Plan, Table);
}

void ShowRowsAvx2(const uint8_t* const* Frame, uint8_t* const* Out, const TViewRowPlan& P)
{
    TShowRows<TAvx2Rows>::Run(Frame, Out, P);
}

void StretchRowsAvx2(const uint8_t* const* Src, uint8_t* const* Dst, int32_t Height,
                     std::ptrdiff_t Width)
{
    StretchRows<TAvx2Stretch>(Src, Dst, Height, Width);
}

#else  // built without AVX2 code generation: never selected

bool Avx2Compiled() { return false; }
void ComposeRowsAvx2(uint8_t* const*, int32_t, const TComposeRowPlan&, int) {}
void ShowRowsAvx2(const uint8_t* const*, uint8_t* const*, const TViewRowPlan&) {}
void StretchRowsAvx2(const uint8_t* const*, uint8_t* const*, int32_t, std::ptrdiff_t) {}

#endif
