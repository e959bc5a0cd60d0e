// Private to the composition: the row walk shared by its implementations.
//
// Each implementation lives in its own translation unit, some compiled for a wider instruction
// set (AVX2). Everything with code in this header is therefore in an unnamed namespace: each unit
// gets its own copy, and the linker can never pick an AVX2-compiled copy for a baseline caller.
#pragma once

#include <cstddef>
#include <cstdint>

// What every row needs, validated and widened once per call.
struct TComposeRowPlan {
    std::ptrdiff_t HalfWidth;  // pixels rewritten per row, >= 1
    std::ptrdiff_t Offset;     // N
    std::ptrdiff_t RedFirst;   // first j whose red source j + N lies in the row
    std::ptrdiff_t RedEnd;     // one past the last such j; RedFirst <= RedEnd <= HalfWidth
};

void ComposeRowsScalar(uint8_t* const* Rows, int32_t FrameHeight, const TComposeRowPlan& Plan);

bool Sse2Compiled();
void ComposeRowsSse2(uint8_t* const* Rows, int32_t FrameHeight, const TComposeRowPlan& Plan);

bool Avx2Compiled();
void ComposeRowsAvx2(uint8_t* const* Rows, int32_t FrameHeight, const TComposeRowPlan& Plan);

namespace {

// One destination pixel: blue and green from Bg, red from Red (or 0), fourth byte untouched.
inline void PixelBlend(uint8_t* Dst, const uint8_t* Bg, const uint8_t* Red)
{
    Dst[0] = Bg[0];
    Dst[1] = Bg[1];
    Dst[2] = Red[2];
}

inline void PixelNoRed(uint8_t* Dst, const uint8_t* Bg)
{
    Dst[0] = Bg[0];
    Dst[1] = Bg[1];
    Dst[2] = 0;
}

// Ops gives blocks of Ops::Pixels pixels: Blend(Dst, Bg, Red) and NoRed(Dst, Bg), each reading all
// its sources before it stores, and Prefetch(P). Blocks that do not fill a range are finished
// pixel by pixel.
//
// Each block also asks for the same two places of the next row (NextR, NextBg): rows are short
// streams (a few kilobytes each for left and right half), and the hardware prefetchers would
// otherwise start cold on every row of a frame that does not fit the cache.
template <class Ops>
void PrefetchBlock(const uint8_t* NextR, const uint8_t* NextBg, std::ptrdiff_t J)
{
    Ops::Prefetch(NextR + 4 * J);
    Ops::Prefetch(NextBg + 4 * J);
}

template <class Ops>
void BlendForward(uint8_t* R, const uint8_t* Bg, const uint8_t* NextR, const uint8_t* NextBg,
                  std::ptrdiff_t N, std::ptrdiff_t Lo, std::ptrdiff_t Hi)
{
    std::ptrdiff_t J = Lo;
    for (; Hi - J >= Ops::Pixels; J += Ops::Pixels) {
        PrefetchBlock<Ops>(NextR, NextBg, J);
        Ops::Blend(R + 4 * J, Bg + 4 * J, R + 4 * (J + N));
    }
    for (; J < Hi; ++J)
        PixelBlend(R + 4 * J, Bg + 4 * J, R + 4 * (J + N));
}

template <class Ops>
void BlendBackward(uint8_t* R, const uint8_t* Bg, const uint8_t* NextR, const uint8_t* NextBg,
                   std::ptrdiff_t N, std::ptrdiff_t Lo, std::ptrdiff_t Hi)
{
    std::ptrdiff_t J = Hi;
    while (J - Lo >= Ops::Pixels) {
        J -= Ops::Pixels;
        PrefetchBlock<Ops>(NextR, NextBg, J);
        Ops::Blend(R + 4 * J, Bg + 4 * J, R + 4 * (J + N));
    }
    while (J > Lo) {
        --J;
        PixelBlend(R + 4 * J, Bg + 4 * J, R + 4 * (J + N));
    }
}

template <class Ops>
void NoRedRange(uint8_t* R, const uint8_t* Bg, const uint8_t* NextR, const uint8_t* NextBg,
                std::ptrdiff_t Lo, std::ptrdiff_t Hi)
{
    std::ptrdiff_t J = Lo;
    for (; Hi - J >= Ops::Pixels; J += Ops::Pixels) {
        PrefetchBlock<Ops>(NextR, NextBg, J);
        Ops::NoRed(R + 4 * J, Bg + 4 * J);
    }
    for (; J < Hi; ++J)
        PixelNoRed(R + 4 * J, Bg + 4 * J);
}

// Blue/green sources (HalfWidth - 1 + j) never lie left of their destination, and only the one of
// j = 0 lies in the left half. For N >= 0 the red sources do not lie left either, so one walk left
// to right reads everything as captured. For N < 0 red comes from the left: walk right to left,
// which rewrites pixel HalfWidth - 1 before pixel 0 is done, so keep that pixel aside first.
template <class Ops>
void ComposeRow(uint8_t* R, const uint8_t* NextR, const TComposeRowPlan& P)
{
    const std::ptrdiff_t H = P.HalfWidth;
    const uint8_t* Bg = R + 4 * (H - 1);  // blue/green source of pixel j at Bg + 4 * j
    const uint8_t* NextBg = NextR + 4 * (H - 1);
    if (P.Offset >= 0) {                  // RedFirst is 0 here
        BlendForward<Ops>(R, Bg, NextR, NextBg, P.Offset, 0, P.RedEnd);
        NoRedRange<Ops>(R, Bg, NextR, NextBg, P.RedEnd, H);
    } else {  // RedFirst >= 1 and RedEnd == H here
        uint8_t Kept[4] = {Bg[0], Bg[1], Bg[2], Bg[3]};
        BlendBackward<Ops>(R, Bg, NextR, NextBg, P.Offset, P.RedFirst, H);
        NoRedRange<Ops>(R, Bg, NextR, NextBg, 1, P.RedFirst);
        PixelNoRed(R, Kept);
    }
}

template <class Ops>
void ComposeRows(uint8_t* const* Rows, int32_t FrameHeight, const TComposeRowPlan& Plan)
{
    for (int32_t I = 0; I < FrameHeight; ++I)
        ComposeRow<Ops>(Rows[I], Rows[I + 1 < FrameHeight ? I + 1 : I], Plan);
}

}  // namespace
