// Private to the composition: the row walk shared by its implementations.
//
// Each implementation lives in its own translation unit, some compiled for a wider instruction
// set (AVX2). Everything with code in this header is therefore in an unnamed namespace: each unit
// gets its own copy, and the linker can never pick an AVX2-compiled copy for a baseline caller.
#pragma once

#include "Anaglyph.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

// What every row needs, validated and widened once per call. Destination pixel j (0 <= j <
// HalfWidth) is composed from the left-eye pixel j + LeftShift and the right-eye pixel
// j + RightShift of the captured row.
struct TComposeRowPlan {
    std::ptrdiff_t HalfWidth;   // pixels rewritten per row, >= 1
    std::ptrdiff_t LeftShift;   // N, or HalfWidth - 1 + N with the eyes swapped
    std::ptrdiff_t RightShift;  // HalfWidth - 1, or 0 with the eyes swapped
    std::ptrdiff_t LeftFirst;   // first j whose left-eye pixel lies in the row
    std::ptrdiff_t LeftEnd;     // one past the last such j; LeftFirst <= LeftEnd <= HalfWidth
};

void ComposeRowsScalar(uint8_t* const* Rows, int32_t FrameHeight, const TComposeRowPlan& Plan,
                       TAnaglyphMethod Method);
void StretchRowsScalar(const uint8_t* const* Src, uint8_t* const* Dst, int32_t Height,
                       std::ptrdiff_t Width);

bool Sse2Compiled();
void ComposeRowsSse2(uint8_t* const* Rows, int32_t FrameHeight, const TComposeRowPlan& Plan,
                     TAnaglyphMethod Method);
void StretchRowsSse2(const uint8_t* const* Src, uint8_t* const* Dst, int32_t Height,
                     std::ptrdiff_t Width);

bool Avx2Compiled();
void ComposeRowsAvx2(uint8_t* const* Rows, int32_t FrameHeight, const TComposeRowPlan& Plan,
                     TAnaglyphMethod Method);
void StretchRowsAvx2(const uint8_t* const* Src, uint8_t* const* Dst, int32_t Height,
                     std::ptrdiff_t Width);

namespace {

// 16.16 weights per output channel (red, green, blue) of the inputs Lr, Lg, Lb, Rr, Rg, Rb.
using TWeights = int32_t[3][6];
enum { wRed, wGreen, wBlue };
enum { wLr, wLg, wLb, wRr, wRg, wRb };

constexpr TWeights MethodWeights[] = {
    // amColour
    {{65536, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 65536, 0}, {0, 0, 0, 0, 0, 65536}},
    // amHalfColour
    {{19595, 38470, 7471, 0, 0, 0}, {0, 0, 0, 0, 65536, 0}, {0, 0, 0, 0, 0, 65536}},
    // amGrey
    {{19595, 38470, 7471, 0, 0, 0}, {0, 0, 0, 19595, 38470, 7471}, {0, 0, 0, 19595, 38470, 7471}},
    // amDubois: Dubois' least-squares red/cyan matrix, times 65536 and rounded
    {{29884, 32768, 11534, -2818, -5767, -131},
     {-2621, -2490, -1049, 24773, 48103, -1180},
     {-983, -1376, -328, -4719, -7406, 80347}},
};

constexpr const uint8_t BlackPixel[4] = {};

// Ops::Pixel is the one-pixel form of a method: Compose(Dst, Right, Left) and
// ComposeNoLeft(Dst, Right), each reading all its sources before it stores; the fourth byte of
// Dst is never written.

// Colour: blue and green of the right eye, red of the left eye (or 0): a byte copy.
struct TColourPixel {
    using Pixel = TColourPixel;
    static constexpr std::ptrdiff_t Pixels = 1;
    static void Compose(uint8_t* Dst, const uint8_t* Right, const uint8_t* Left)
    {
        Dst[0] = Right[0];
        Dst[1] = Right[1];
        Dst[2] = Left[2];
    }
    static void ComposeNoLeft(uint8_t* Dst, const uint8_t* Right)
    {
        Dst[0] = Right[0];
        Dst[1] = Right[1];
        Dst[2] = 0;
    }
    static void Prefetch(const uint8_t*) {}
};

// Any method: each channel the clamped weighted sum of both eyes' channels, with an arithmetic
// shift (rounding toward minus infinity).
template <TAnaglyphMethod Method>
struct TWeightedPixel {
    using Pixel = TWeightedPixel;
    static constexpr std::ptrdiff_t Pixels = 1;
    static uint8_t Channel(const int32_t (&W)[6], const int32_t (&In)[6])
    {
        int32_t Sum = 0;
        for (int K = 0; K < 6; ++K)
            Sum += W[K] * In[K];
        const int32_t V = Sum >> 16;
        return uint8_t(V < 0 ? 0 : V > 255 ? 255 : V);
    }
    static void Compose(uint8_t* Dst, const uint8_t* Right, const uint8_t* Left)
    {
        const TWeights& W = MethodWeights[Method];
        const int32_t In[6] = {Left[2], Left[1], Left[0], Right[2], Right[1], Right[0]};
        const uint8_t Red = Channel(W[wRed], In), Green = Channel(W[wGreen], In),
                      Blue = Channel(W[wBlue], In);
        Dst[0] = Blue;
        Dst[1] = Green;
        Dst[2] = Red;
    }
    static void ComposeNoLeft(uint8_t* Dst, const uint8_t* Right)
    {
        Compose(Dst, Right, BlackPixel);
    }
    static void Prefetch(const uint8_t*) {}
};

// Ops gives blocks of Ops::Pixels pixels: Compose(Dst, Right, Left) and ComposeNoLeft(Dst,
// Right), each reading all its sources before it stores, and Prefetch(P). Blocks that do not fill
// a range are finished pixel by pixel through Ops::Pixel.
//
// Each block also asks for the same two places of the next row (NextL, NextR): rows are short
// streams (a few kilobytes each for left and right half), and the hardware prefetchers would
// otherwise start cold on every row of a frame that does not fit the cache.
template <class Ops>
void PrefetchBlock(const uint8_t* NextL, const uint8_t* NextR, std::ptrdiff_t J)
{
    Ops::Prefetch(NextL + 4 * J);
    Ops::Prefetch(NextR + 4 * J);
}

// Row pointers: R is the row, Right the right-eye pixel of j = 0 (R + 4 * RightShift); the
// left-eye pixel of j is formed only for j in [LeftFirst, LeftEnd), where it lies in the row.
template <class Ops>
void ComposeForward(uint8_t* R, const uint8_t* Right, const uint8_t* NextR,
                    const uint8_t* NextRight, std::ptrdiff_t Shift, std::ptrdiff_t Lo,
                    std::ptrdiff_t Hi)
{
    std::ptrdiff_t J = Lo;
    for (; Hi - J >= Ops::Pixels; J += Ops::Pixels) {
        PrefetchBlock<Ops>(NextR, NextRight, J);
        Ops::Compose(R + 4 * J, Right + 4 * J, R + 4 * (J + Shift));
    }
    for (; J < Hi; ++J)
        Ops::Pixel::Compose(R + 4 * J, Right + 4 * J, R + 4 * (J + Shift));
}

template <class Ops>
void ComposeBackward(uint8_t* R, const uint8_t* Right, const uint8_t* NextR,
                     const uint8_t* NextRight, std::ptrdiff_t Shift, std::ptrdiff_t Lo,
                     std::ptrdiff_t Hi)
{
    std::ptrdiff_t J = Hi;
    while (J - Lo >= Ops::Pixels) {
        J -= Ops::Pixels;
        PrefetchBlock<Ops>(NextR, NextRight, J);
        Ops::Compose(R + 4 * J, Right + 4 * J, R + 4 * (J + Shift));
    }
    while (J > Lo) {
        --J;
        Ops::Pixel::Compose(R + 4 * J, Right + 4 * J, R + 4 * (J + Shift));
    }
}

template <class Ops>
void ComposeNoLeftRange(uint8_t* R, const uint8_t* Right, const uint8_t* NextR,
                        const uint8_t* NextRight, std::ptrdiff_t Lo, std::ptrdiff_t Hi)
{
    std::ptrdiff_t J = Lo;
    for (; Hi - J >= Ops::Pixels; J += Ops::Pixels) {
        PrefetchBlock<Ops>(NextR, NextRight, J);
        Ops::ComposeNoLeft(R + 4 * J, Right + 4 * J);
    }
    for (; J < Hi; ++J)
        Ops::Pixel::ComposeNoLeft(R + 4 * J, Right + 4 * J);
}

// Right-eye sources (j + RightShift, RightShift >= 0) never lie left of their destination, and
// only the one of j = 0 can lie in the left half ahead of it (pixel HalfWidth - 1). For
// LeftShift >= 0 the left-eye sources do not lie left either, so one walk left to right reads
// everything as captured. Otherwise they come from the left: walk right to left, which rewrites
// pixel RightShift before pixel 0 is done, so keep that pixel aside first.
template <class Ops>
void ComposeRow(uint8_t* R, const uint8_t* NextR, const TComposeRowPlan& P)
{
    const std::ptrdiff_t H = P.HalfWidth;
    const uint8_t* Right = R + 4 * P.RightShift;
    const uint8_t* NextRight = NextR + 4 * P.RightShift;
    if (P.LeftShift >= 0) {  // LeftFirst is 0 here
        ComposeForward<Ops>(R, Right, NextR, NextRight, P.LeftShift, 0, P.LeftEnd);
        ComposeNoLeftRange<Ops>(R, Right, NextR, NextRight, P.LeftEnd, H);
    } else {  // LeftFirst >= 1 and LeftEnd == H here
        const uint8_t Kept[4] = {Right[0], Right[1], Right[2], Right[3]};
        ComposeBackward<Ops>(R, Right, NextR, NextRight, P.LeftShift, P.LeftFirst, H);
        ComposeNoLeftRange<Ops>(R, Right, NextR, NextRight, 1, P.LeftFirst);
        Ops::Pixel::ComposeNoLeft(R, Kept);
    }
}

template <class Ops>
void ComposeRows(uint8_t* const* Rows, int32_t FrameHeight, const TComposeRowPlan& Plan)
{
    for (int32_t I = 0; I < FrameHeight; ++I)
        ComposeRow<Ops>(Rows[I], Rows[I + 1 < FrameHeight ? I + 1 : I], Plan);
}

// Ops gives Stretch(Dst, Src) for Ops::Pixels source pixels; the rest go one by one.
template <class Ops>
void StretchRows(const uint8_t* const* Src, uint8_t* const* Dst, int32_t Height,
                 std::ptrdiff_t Width)
{
    for (int32_t I = 0; I < Height; ++I) {
        const uint8_t* S = Src[I];
        uint8_t* D = Dst[I];
        std::ptrdiff_t J = 0;
        for (; Width - J >= Ops::Pixels; J += Ops::Pixels)
            Ops::Stretch(D + 8 * J, S + 4 * J);
        for (; J < Width; ++J) {
            std::memcpy(D + 8 * J, S + 4 * J, 4);
            std::memcpy(D + 8 * J + 4, S + 4 * J, 4);
        }
    }
}

// Runs Compose<Ops> for the method, Ops being a template over it.
template <template <TAnaglyphMethod> class Ops, class ColourOps>
void ComposeRowsFor(uint8_t* const* Rows, int32_t FrameHeight, const TComposeRowPlan& Plan,
                    TAnaglyphMethod Method)
{
    switch (Method) {
    case amColour: ComposeRows<ColourOps>(Rows, FrameHeight, Plan); break;
    case amHalfColour: ComposeRows<Ops<amHalfColour>>(Rows, FrameHeight, Plan); break;
    case amGrey: ComposeRows<Ops<amGrey>>(Rows, FrameHeight, Plan); break;
    case amDubois: ComposeRows<Ops<amDubois>>(Rows, FrameHeight, Plan); break;
    }
}

}  // namespace
