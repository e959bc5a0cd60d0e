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

// Shown columns From..To of a source row, scalar: to bytes (Dst8) or 16-bit levels (Dst16).
void AcrossScalar(const TScaleAcrossTables& T, const uint8_t* Src, uint8_t* Dst8, uint16_t* Dst16, int32_t From,
                  int32_t To)
{
    for (int32_t x = From; x < To; ++x) {
        const int32_t c = T.Columns[x], next = std::min(c + 1, T.SourceWidth - 1);
        const uint32_t w = T.Weights[4 * x];
        for (int k = 0; k < 4; ++k)
            if (Dst8)
                Dst8[4 * x + k] = ScaleStep(Src[4 * c + k], Src[4 * next + k], int32_t(w));
            else
                Dst16[4 * x + k] = ScaleLerp(ScaleLevel(Src[4 * c + k]), ScaleLevel(Src[4 * next + k]), 2 * w);
    }
}

void DownScalar(const uint16_t* A, const uint16_t* B, uint16_t Weight, uint8_t* Dst, int32_t From, int32_t To)
{
    for (int32_t i = From; i < To; ++i)
        Dst[i] = static_cast<uint8_t>(ScaleLerp(A[i], B[i], Weight) >> 8);
}

#if defined(TINTEYE_SCALE_SSE2)
// Columns From..To, 4 a step, each pixel and its right neighbour in one 8-byte load. The tables in
// locals of their own: the stores could otherwise alias them and have them reread.
template <bool Levels, class T>
void AcrossSse2(const int32_t* Columns, const uint16_t* LeftWeights, const uint16_t* Weights, const uint8_t* Src,
                T* Dst, int32_t From, int32_t To)
{
    const __m128i half = _mm_set1_epi8(static_cast<char>(0x80)), zero = _mm_setzero_si128(),
                  rounding = _mm_set1_epi16(32);
    auto pair = [&](int32_t x) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(Src + 4 * Columns[x])); };
    // Pixels x and x + 1: the two left pixels, then the two right ones; blended.
    auto two = [&](int32_t x) {
        const __m128i pixels = _mm_unpacklo_epi32(pair(x), pair(x + 1));
        const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Weights + 4 * x));
        if constexpr (Levels)
            return _mm_add_epi16(
                _mm_mulhi_epu16(_mm_unpacklo_epi8(half, pixels),
                                _mm_loadu_si128(reinterpret_cast<const __m128i*>(LeftWeights + 4 * x))),
                _mm_mulhi_epu16(_mm_unpackhi_epi8(half, pixels), _mm_slli_epi16(w, 1)));
        else {
            // What _mm_mulhrs_epi16 gives, from the product's upper half: the step fits in 9 bits.
            const __m128i left = _mm_unpacklo_epi8(pixels, zero), right = _mm_unpackhi_epi8(pixels, zero);
            const __m128i step = _mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(right, left), 7), w);
            return _mm_add_epi16(left, _mm_srai_epi16(_mm_add_epi16(step, rounding), 6));
        }
    };
    for (int32_t x = From; x < To; x += 4) {
        const __m128i low = two(x), high = two(x + 2);
        if constexpr (Levels) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(Dst + 4 * x), low);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(Dst + 4 * x + 8), high);
        } else
            _mm_storeu_si128(reinterpret_cast<__m128i*>(Dst + 4 * x), _mm_packus_epi16(low, high));
    }
}

// Columns from From on while the right neighbour of each lies in the row (SafeWidth); returns the
// columns done.
int32_t AcrossSse2(const TScaleAcrossTables& T, int32_t SafeWidth, const uint8_t* Src, uint8_t* Dst8, uint16_t* Dst16,
                   int32_t From)
{
    const int32_t to = From + std::max(0, (SafeWidth - From) / 4 * 4);
    if (Dst8)
        AcrossSse2<false>(T.Columns, T.LeftWeights, T.Weights, Src, Dst8, From, to);
    else
        AcrossSse2<true>(T.Columns, T.LeftWeights, T.Weights, Src, Dst16, From, to);
    return to;
}

// Levels From..To, 16 a step; returns the levels done.
int32_t DownSse2(const uint16_t* A, const uint16_t* B, uint16_t Weight, uint8_t* Dst, int32_t From, int32_t To)
{
    const __m128i below = _mm_set1_epi16(static_cast<short>(Weight)),
                  above = _mm_set1_epi16(static_cast<short>(65535 - Weight));
    auto blend = [&](int32_t i) {
        return _mm_srli_epi16(
            _mm_add_epi16(_mm_mulhi_epu16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(A + i)), above),
                          _mm_mulhi_epu16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(B + i)), below)),
            8);
    };
    int32_t i = From;
    for (; i + 16 <= To; i += 16)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(Dst + i), _mm_packus_epi16(blend(i), blend(i + 8)));
    return i;
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
    const int32_t sw = FSourceWidth;
    std::vector<int32_t> fractions;
    SourcePositions(sw, FWidth, FColumns, fractions);
    FColumnWeights.resize(size_t(FWidth) * 4);
    FColumnLeftWeights.resize(size_t(FWidth) * 4);
    for (size_t i = 0; i < FColumnWeights.size(); ++i) {
        FColumnWeights[i] = static_cast<uint16_t>(fractions[i / 4] >> 1);
        FColumnLeftWeights[i] = static_cast<uint16_t>(65535 - (fractions[i / 4] >> 1) * 2);
    }
    // The columns only grow: those whose right neighbour lies in the row come first.
    FSafeWidth = static_cast<int32_t>(std::lower_bound(FColumns.begin(), FColumns.end(), sw - 1) - FColumns.begin());
    const size_t groups = size_t(FWidth / 8);
    FGroupBases.resize(groups);
    FGroupIndices.resize(groups * 16);
    FGroupWeights.resize(groups * 32);
    // The order the AVX2 unpacks leave a group's pixels in: 0, 1, 4, 5 in one vector, 2, 3, 6, 7.
    constexpr int order[8] = {0, 1, 4, 5, 2, 3, 6, 7};
    for (size_t g = 0; g < groups; ++g) {
        const int32_t* columns = FColumns.data() + 8 * g;
        // At weight 0 the right neighbour adds nothing: the pixel itself stands in, so that at 1:1
        // across a group needs no more than its own 8 pixels.
        int32_t right[8];
        for (size_t i = 0; i < 8; ++i)
            right[i] = FColumnWeights[4 * (8 * g + i)] ? std::min(columns[i] + 1, sw - 1) : columns[i];
        int32_t base = sw >= 8 ? std::min(columns[0], sw - 8) : -1;
        for (int i = 0; i < 8 && base >= 0; ++i)
            if (right[i] - base > 7)
                base = -1;  // farther apart than one 32-byte load: gathered pixel by pixel
        FGroupBases[g] = base;
        for (int i = 0; i < 8; ++i) {
            FGroupIndices[16 * g + size_t(i)] = columns[i] - std::max(base, 0);
            FGroupIndices[16 * g + 8 + size_t(i)] = right[i] - std::max(base, 0);
            for (size_t k = 0; k < 4; ++k)
                FGroupWeights[32 * g + 4 * size_t(i) + k] = FColumnWeights[4 * (8 * g + size_t(order[i]))];
        }
    }
    SourcePositions(FSourceHeight, FHeight, FRows, fractions);
    FRowWeights.resize(size_t(FHeight));
    for (size_t y = 0; y < size_t(FHeight); ++y)
        FRowWeights[y] = static_cast<uint16_t>(fractions[y]);
    FAcross.assign(size_t(FWidth) * 8, 0);
}

struct TScaleKernels {
    static void Run(TComposeImpl Impl, TScalePlan& Plan, const uint8_t* const* Src, uint8_t* const* Dst)
    {
        const int32_t width = Plan.FWidth;
        const TScaleAcrossTables tables{Plan.FColumns.data(),      Plan.FColumnLeftWeights.data(),
                                        Plan.FColumnWeights.data(), Plan.FGroupBases.data(),
                                        Plan.FGroupIndices.data(),  Plan.FGroupWeights.data(),
                                        width,                      Plan.FSourceWidth};
        const bool avx2 = Impl == ciAvx2;
        const bool sse2 = Impl != ciScalar && Sse2Available();
        // Columns the AVX2 kernel did, the same for every row: it keeps its own order of levels.
        int32_t vectorDone = 0;
        auto across = [&](const uint8_t* row, uint8_t* bytes, uint16_t* levels) {
            vectorDone = avx2 ? ScaleAcrossAvx2(tables, row, bytes, levels) : 0;
            int32_t x = vectorDone;
#if defined(TINTEYE_SCALE_SSE2)
            if (sse2)
                x = AcrossSse2(tables, Plan.FSafeWidth, row, bytes, levels, x);
#endif
            AcrossScalar(tables, row, bytes, levels, x, width);
        };
        // Source rows scaled across, each once however many shown rows lie between it and the next.
        uint16_t* const work[2] = {Plan.FAcross.data(), Plan.FAcross.data() + size_t(width) * 4};
        int32_t held[2] = {-1, -1};
        auto scaled = [&](int32_t row, int32_t keep) {
            for (int s = 0; s < 2; ++s)
                if (held[s] == row)
                    return work[s];
            const int s = held[0] == keep ? 1 : 0;
            held[s] = row;
            across(Src[row], nullptr, work[s]);
            return work[s];
        };
        for (int32_t y = 0; y < Plan.FHeight; ++y) {
            const int32_t row = Plan.FRows[size_t(y)];
            const uint16_t weight = Plan.FRowWeights[size_t(y)];
            // On a source row (always so at 1:1 down) the row below adds nothing: straight to the shown row.
            if (weight == 0) {
                across(Src[row], Dst[y], nullptr);
                continue;
            }
            // A weight means a row below: the clamped edge positions all have weight 0.
            const uint16_t* above = scaled(row, row + 1);
            const uint16_t* below = scaled(row + 1, row);
            int32_t i = avx2 ? 4 * ScaleDownAvx2(above, below, weight, Dst[y], vectorDone / 8) : 0;
#if defined(TINTEYE_SCALE_SSE2)
            if (sse2)
                i = DownSse2(above, below, weight, Dst[y], i, 4 * width);
#endif
            DownScalar(above, below, weight, Dst[y], i, 4 * width);
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
