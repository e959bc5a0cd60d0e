#include "Scale.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "ScaleKernels.h"

#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#include <emmintrin.h>
#define TINTEYE_SCALE_SSE2 1
#endif

namespace {

// Beyond this the fixed-point positions could overflow; no bitmap comes near it.
constexpr int32_t MaxSide = 1 << 20;
// Levels carry 6 fraction bits between the passes, with half a level added for the final rounding.
constexpr int LevelBits = 6;
constexpr int16_t RoundingHalf = 1 << (LevelBits - 1);
constexpr int AcrossBits = 14;

// First source pixel and the fraction beyond it, in 1/65536, of each of Shown positions.
void SourcePositions(int32_t Source, int32_t Shown, std::vector<int32_t>& First, std::vector<int32_t>& Fraction)
{
    First.resize(static_cast<size_t>(Shown));
    Fraction.resize(static_cast<size_t>(Shown));
    const int64_t last = int64_t{Source - 1} << 16;
    for (int32_t i = 0; i < Shown; ++i) {
        // (i + 0.5) * Source / Shown - 0.5, in 1/65536.
        const int64_t at = (int64_t{2 * int64_t{i} + 1} * Source * 32768) / Shown - 32768;
        const int64_t clamped = std::clamp<int64_t>(at, 0, last);
        First[size_t(i)] = static_cast<int32_t>(clamped >> 16);
        Fraction[size_t(i)] = static_cast<int32_t>(clamped & 0xFFFF);
    }
}

bool Sse2Available()
{
#if defined(TINTEYE_SCALE_SSE2)
    return true;
#else
    return false;
#endif
}

// The blend of two source rows, Weight in 1/32768 toward Below: exactly what _mm_mulhi_epi16 does.
void BlendScalar(const uint8_t* Above, const uint8_t* Below, int16_t Weight, int16_t* Out, int32_t Levels)
{
    for (int32_t i = 0; i < Levels; ++i) {
        const int32_t a = Above[i], step = (Below[i] - a) * 128;
        Out[i] = static_cast<int16_t>((a << LevelBits) + RoundingHalf + ((step * Weight) >> 16));
    }
}

void PairScalar(const int16_t* Blended, int16_t* Pairs, int32_t Width)
{
    for (int32_t i = 0; i < Width; ++i)
        for (int c = 0; c < 4; ++c) {
            Pairs[8 * i + 2 * c] = Blended[4 * i + c];
            Pairs[8 * i + 2 * c + 1] = Blended[4 * i + 4 + c];
        }
}

#if defined(TINTEYE_SCALE_SSE2)
void BlendSse2(const uint8_t* Above, const uint8_t* Below, int16_t Weight, int16_t* Out, int32_t Levels)
{
    const __m128i zero = _mm_setzero_si128(), weight = _mm_set1_epi16(Weight),
                  half = _mm_set1_epi16(RoundingHalf);
    int32_t i = 0;
    for (; i + 16 <= Levels; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Above + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Below + i));
        const __m128i halves[2][2] = {{_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero)},
                                      {_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero)}};
        for (int h = 0; h < 2; ++h) {
            const __m128i step = _mm_slli_epi16(_mm_sub_epi16(halves[h][1], halves[h][0]), 7);
            const __m128i level = _mm_add_epi16(_mm_add_epi16(_mm_slli_epi16(halves[h][0], LevelBits), half),
                                                _mm_mulhi_epi16(step, weight));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(Out + i + 8 * h), level);
        }
    }
    BlendScalar(Above + i, Below + i, Weight, Out + i, Levels - i);
}

void PairSse2(const int16_t* Blended, int16_t* Pairs, int32_t Width)
{
    int32_t i = 0;
    for (; i + 2 <= Width; i += 2) {
        // Pixels i, i+1 and i+1, i+2: each beside the next.
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Blended + 4 * i));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Blended + 4 * i + 4));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(Pairs + 8 * i), _mm_unpacklo_epi16(v, next));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(Pairs + 8 * i + 8), _mm_unpackhi_epi16(v, next));
    }
    PairScalar(Blended + 4 * i, Pairs + 8 * i, Width - i);
}

void ScaleAcrossSse2(const int16_t* Pairs, const int32_t* Columns, const int16_t* Weights, uint8_t* Dst,
                     int32_t Width)
{
    auto pixel = [&](int32_t x) {
        const __m128i pair = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Pairs + 8 * Columns[x]));
        const __m128i weights = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Weights + 8 * x));
        return _mm_srai_epi32(_mm_madd_epi16(pair, weights), LevelBits + AcrossBits);
    };
    int32_t x = 0;
    for (; x + 4 <= Width; x += 4) {
        const __m128i low = _mm_packs_epi32(pixel(x), pixel(x + 1));
        const __m128i high = _mm_packs_epi32(pixel(x + 2), pixel(x + 3));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(Dst + 4 * x), _mm_packus_epi16(low, high));
    }
    ScaleAcrossScalar(Pairs, Columns + x, Weights + 8 * x, Dst + 4 * x, Width - x);
}

void ZoomRowSse2(const uint8_t* Src, uint8_t* Dst, int32_t Width, int ScaleX)
{
    int32_t i = 0;
    auto* out = reinterpret_cast<__m128i*>(Dst);
    for (; i + 4 <= Width; i += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Src + 4 * i));
        if (ScaleX == 2) {
            _mm_storeu_si128(out++, _mm_unpacklo_epi32(v, v));
            _mm_storeu_si128(out++, _mm_unpackhi_epi32(v, v));
        } else {
            _mm_storeu_si128(out++, _mm_shuffle_epi32(v, 0x00));
            _mm_storeu_si128(out++, _mm_shuffle_epi32(v, 0x55));
            _mm_storeu_si128(out++, _mm_shuffle_epi32(v, 0xAA));
            _mm_storeu_si128(out++, _mm_shuffle_epi32(v, 0xFF));
        }
    }
    for (; i < Width; ++i)
        for (int k = 0; k < ScaleX; ++k)
            std::memcpy(Dst + 4 * (i * ScaleX + k), Src + 4 * i, 4);
}
#endif

void ZoomRowScalar(const uint8_t* Src, uint8_t* Dst, int32_t Width, int ScaleX)
{
    for (int32_t i = 0; i < Width; ++i)
        for (int k = 0; k < ScaleX; ++k)
            std::memcpy(Dst + 4 * (i * ScaleX + k), Src + 4 * i, 4);
}

}  // namespace

void ScaleAcrossScalar(const int16_t* Pairs, const int32_t* Columns, const int16_t* Weights, uint8_t* Dst,
                       int32_t Width)
{
    for (int32_t x = 0; x < Width; ++x) {
        const int16_t* pair = Pairs + 8 * Columns[x];
        const int16_t* w = Weights + 8 * x;
        for (int c = 0; c < 4; ++c) {
            const int32_t sum = pair[2 * c] * w[2 * c] + pair[2 * c + 1] * w[2 * c + 1];
            Dst[4 * x + c] = static_cast<uint8_t>(std::clamp(sum >> (LevelBits + AcrossBits), 0, 255));
        }
    }
}

TFitPlace FitPlace(int32_t PictureWidth, int32_t PictureHeight, int32_t AreaWidth, int32_t AreaHeight)
{
    if (PictureWidth <= 0 || PictureHeight <= 0 || AreaWidth <= 0 || AreaHeight <= 0)
        return {};
    const int64_t pw = PictureWidth, ph = PictureHeight;
    int64_t w = AreaWidth, h = AreaHeight;
    // Rounded to the nearest: (2 * a * b + c) / (2 * c).
    if (pw * AreaHeight >= ph * AreaWidth)
        h = std::max<int64_t>(1, (2 * ph * AreaWidth + pw) / (2 * pw));
    else
        w = std::max<int64_t>(1, (2 * pw * AreaHeight + ph) / (2 * ph));
    return {static_cast<int32_t>((AreaWidth - w) / 2), static_cast<int32_t>((AreaHeight - h) / 2),
            static_cast<int32_t>(w), static_cast<int32_t>(h)};
}

bool ZoomRowsWith(TComposeImpl Impl, const uint8_t* const* Src, uint8_t* const* Dst, int32_t Height, int32_t Width,
                  int ScaleX, int ScaleY)
{
    if (!ComposeImplAvailable(Impl))
        return false;
    if (Src == nullptr || Dst == nullptr || Height <= 0 || Width <= 0 || ScaleY < 1 ||
        (ScaleX != 1 && ScaleX != 2 && ScaleX != 4))
        return true;
    const size_t rowBytes = size_t(Width) * size_t(ScaleX) * 4;
    for (int32_t y = 0; y < Height; ++y) {
        uint8_t* first = Dst[size_t(y) * size_t(ScaleY)];
        if (ScaleX == 1)
            std::memcpy(first, Src[y], rowBytes);
#if defined(TINTEYE_SCALE_SSE2)
        else if (Impl != ciScalar)
            ZoomRowSse2(Src[y], first, Width, ScaleX);
#endif
        else
            ZoomRowScalar(Src[y], first, Width, ScaleX);
        for (int k = 1; k < ScaleY; ++k)
            std::memcpy(Dst[size_t(y) * size_t(ScaleY) + size_t(k)], first, rowBytes);
    }
    return true;
}

void ZoomRows(const uint8_t* const* Src, uint8_t* const* Dst, int32_t Height, int32_t Width, int ScaleX, int ScaleY)
{
    ZoomRowsWith(ComposeImplInUse(), Src, Dst, Height, Width, ScaleX, ScaleY);
}

void TScalePlan::Build(int32_t SourceWidth, int32_t SourceHeight, int32_t Width, int32_t Height)
{
    const bool empty = SourceWidth <= 0 || SourceHeight <= 0 || Width <= 0 || Height <= 0 || SourceWidth > MaxSide ||
                       SourceHeight > MaxSide || Width > MaxSide || Height > MaxSide;
    FSourceWidth = empty ? 0 : SourceWidth;
    FSourceHeight = empty ? 0 : SourceHeight;
    FWidth = empty ? 0 : Width;
    FHeight = empty ? 0 : Height;
    std::vector<int32_t> fractions;
    SourcePositions(FSourceWidth, FWidth, FColumns, fractions);
    FColumnWeights.resize(size_t(FWidth) * 8);
    for (size_t x = 0; x < size_t(FWidth); ++x) {
        const auto right = static_cast<int16_t>((fractions[x] + 2) >> 2);
        for (size_t c = 0; c < 4; ++c) {
            FColumnWeights[8 * x + 2 * c] = static_cast<int16_t>((1 << AcrossBits) - right);
            FColumnWeights[8 * x + 2 * c + 1] = right;
        }
    }
    SourcePositions(FSourceHeight, FHeight, FRows, fractions);
    FRowWeights.resize(size_t(FHeight));
    for (size_t y = 0; y < size_t(FHeight); ++y)
        FRowWeights[y] = static_cast<int16_t>(fractions[y] >> 1);
    // Both hold a spare pixel: the repeated right edge, and room for a 16-byte load at the last one.
    FBlended.assign(size_t(FSourceWidth + 1) * 4 + 4, 0);
    FPairs.assign(size_t(FSourceWidth) * 8 + 8, 0);
}

struct TScaleKernels {
    static void Run(TComposeImpl Impl, TScalePlan& Plan, const uint8_t* const* Src, uint8_t* const* Dst)
    {
        const int32_t sw = Plan.FSourceWidth, sh = Plan.FSourceHeight;
        const bool sse2 = Impl != ciScalar && Sse2Available();
        TScaleAcross across = ScaleAcrossScalar;
#if defined(TINTEYE_SCALE_SSE2)
        if (sse2)
            across = ScaleAcrossSse2;
#endif
        const bool avx2 = Impl == ciAvx2 && ScaleAcrossAvx2Kernel();
        if (avx2)
            across = ScaleAcrossAvx2Kernel();
        int16_t* blended = Plan.FBlended.data();
        int16_t* pairs = Plan.FPairs.data();
        int32_t lastRow = -1, lastWeight = -1;
        for (int32_t y = 0; y < Plan.FHeight; ++y) {
            const int32_t row = Plan.FRows[size_t(y)], weight = Plan.FRowWeights[size_t(y)];
            // Shown rows between the same source rows at the same weight share the blend.
            if (row != lastRow || weight != lastWeight) {
                const uint8_t* above = Src[row];
                // At weight 0 the row below adds nothing: read the one above twice, from the cache.
                const uint8_t* below = weight ? Src[std::min(row + 1, sh - 1)] : above;
                const auto w16 = static_cast<int16_t>(weight);
                const int32_t blendDone = avx2 ? ScaleBlendAvx2(above, below, w16, blended, sw * 4) : 0;
#if defined(TINTEYE_SCALE_SSE2)
                if (sse2)
                    BlendSse2(above + blendDone, below + blendDone, w16, blended + blendDone, sw * 4 - blendDone);
                else
#endif
                    BlendScalar(above + blendDone, below + blendDone, w16, blended + blendDone, sw * 4 - blendDone);
                std::memcpy(blended + 4 * sw, blended + 4 * (sw - 1), 4 * sizeof(int16_t));
                const int32_t pairDone = avx2 ? ScalePairAvx2(blended, pairs, sw) : 0;
#if defined(TINTEYE_SCALE_SSE2)
                if (sse2)
                    PairSse2(blended + 4 * pairDone, pairs + 8 * pairDone, sw - pairDone);
                else
#endif
                    PairScalar(blended + 4 * pairDone, pairs + 8 * pairDone, sw - pairDone);
                lastRow = row;
                lastWeight = weight;
            }
            across(pairs, Plan.FColumns.data(), Plan.FColumnWeights.data(), Dst[y], Plan.FWidth);
        }
    }
};

bool ScaleBilinearWith(TComposeImpl Impl, TScalePlan& Plan, const uint8_t* const* Src, uint8_t* const* Dst)
{
    if (!ComposeImplAvailable(Impl))
        return false;
    if (Src != nullptr && Dst != nullptr)
        TScaleKernels::Run(Impl, Plan, Src, Dst);
    return true;
}

void ScaleBilinear(TScalePlan& Plan, const uint8_t* const* Src, uint8_t* const* Dst)
{
    ScaleBilinearWith(ComposeImplInUse(), Plan, Src, Dst);
}

void ScaleBilinearReference(const uint8_t* const* Src, int32_t SourceWidth, int32_t SourceHeight, uint8_t* const* Dst,
                            int32_t Width, int32_t Height)
{
    auto sample = [](int32_t shown, int32_t source, int32_t count, int32_t& first, int32_t& next, double& t) {
        const double u = std::clamp((shown + 0.5) * source / count - 0.5, 0.0, double(source - 1));
        first = static_cast<int32_t>(std::floor(u));
        next = std::min(first + 1, source - 1);
        t = u - first;
    };
    for (int32_t y = 0; y < Height; ++y) {
        int32_t y0, y1;
        double ty;
        sample(y, SourceHeight, Height, y0, y1, ty);
        for (int32_t x = 0; x < Width; ++x) {
            int32_t x0, x1;
            double tx;
            sample(x, SourceWidth, Width, x0, x1, tx);
            for (int c = 0; c < 4; ++c) {
                const double top = Src[y0][4 * x0 + c] * (1 - tx) + Src[y0][4 * x1 + c] * tx;
                const double bottom = Src[y1][4 * x0 + c] * (1 - tx) + Src[y1][4 * x1 + c] * tx;
                Dst[y][4 * x + c] = static_cast<uint8_t>(std::lround(top * (1 - ty) + bottom * ty));
            }
        }
    }
}
