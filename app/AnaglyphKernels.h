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
#include <type_traits>
#include <utility>

// What every row needs, validated and widened once per call. Destination pixel j (0 <= j <
// HalfWidth) of row y is composed from the left-eye pixel j + LeftShift of row y + LeftRow and
// the right-eye pixel j + RightShift of row y + RightRow; the destination is row y itself.
struct TComposeRowPlan {
    std::ptrdiff_t HalfWidth;   // pixels rewritten per row (the picture's width), >= 1
    std::ptrdiff_t LeftShift;   // clamped to [-W, W]: the range below is what counts beyond
    std::ptrdiff_t RightShift;  // >= 0 when RightRow is 0
    std::ptrdiff_t LeftFirst;   // first j whose left-eye pixel lies in the row
    std::ptrdiff_t LeftEnd;     // one past the last such j; LeftFirst <= LeftEnd <= HalfWidth
    std::ptrdiff_t LeftRow = 0, RightRow = 0;    // top and bottom: one of them is HalfHeight
    std::ptrdiff_t LeftStep = 1, RightStep = 1;  // frame rows between picture rows
};

// The generic kernel's 3 x 6 tables, by index; 0 to 3 are the red/cyan methods.
constexpr int atRedCyan = 0, atGreenMagenta = 4, atAmberBlue = 8, atRedBlueGrey = 12,
              atRedGreenGrey = 13, atCount = 14;

// What the views and interleavings need per frame (see TComposePlan).
struct TViewRowPlan {
    const TComposePlan* Plan;
    int32_t ScreenX, ScreenY;
};

void ComposeRowsScalar(uint8_t* const* Rows, int32_t Height, const TComposeRowPlan& Plan,
                       int Table);
void StretchRowsScalar(const uint8_t* const* Src, uint8_t* const* Dst, int32_t Height,
                       std::ptrdiff_t Width);
void ShowRowsScalar(const uint8_t* const* Frame, uint8_t* const* Out, const TViewRowPlan& P);

bool Sse2Compiled();
void ComposeRowsSse2(uint8_t* const* Rows, int32_t Height, const TComposeRowPlan& Plan,
                     int Table);
void StretchRowsSse2(const uint8_t* const* Src, uint8_t* const* Dst, int32_t Height,
                     std::ptrdiff_t Width);
void ShowRowsSse2(const uint8_t* const* Frame, uint8_t* const* Out, const TViewRowPlan& P);

bool Avx2Compiled();
void ComposeRowsAvx2(uint8_t* const* Rows, int32_t Height, const TComposeRowPlan& Plan,
                     int Table);
void StretchRowsAvx2(const uint8_t* const* Src, uint8_t* const* Dst, int32_t Height,
                     std::ptrdiff_t Width);
void ShowRowsAvx2(const uint8_t* const* Frame, uint8_t* const* Out, const TViewRowPlan& P);

namespace {

// 16.16 weights per output channel (red, green, blue) of the inputs Lr, Lg, Lb, Rr, Rg, Rb.
using TWeights = int32_t[3][6];
enum { wRed, wGreen, wBlue };
enum { wLr, wLg, wLb, wRr, wRg, wRb };

constexpr int32_t Y0 = 19595, Y1 = 38470, Y2 = 7471, One = 65536;  // luma weights, 1.0
constexpr TWeights AnaglyphTables[atCount] = {
    // Red/cyan: colour, half-colour, grey, Dubois (his least-squares matrix, times 65536)
    {{One, 0, 0, 0, 0, 0}, {0, 0, 0, 0, One, 0}, {0, 0, 0, 0, 0, One}},
    {{Y0, Y1, Y2, 0, 0, 0}, {0, 0, 0, 0, One, 0}, {0, 0, 0, 0, 0, One}},
    {{Y0, Y1, Y2, 0, 0, 0}, {0, 0, 0, Y0, Y1, Y2}, {0, 0, 0, Y0, Y1, Y2}},
    {{29884, 32768, 11534, -2818, -5767, -131},
     {-2621, -2490, -1049, 24773, 48103, -1180},
     {-983, -1376, -328, -4719, -7406, 80347}},
    // Green/magenta
    {{0, 0, 0, One, 0, 0}, {0, One, 0, 0, 0, 0}, {0, 0, 0, 0, 0, One}},
    {{0, 0, 0, One, 0, 0}, {Y0, Y1, Y2, 0, 0, 0}, {0, 0, 0, 0, 0, One}},
    {{0, 0, 0, Y0, Y1, Y2}, {Y0, Y1, Y2, 0, 0, 0}, {0, 0, 0, Y0, Y1, Y2}},
    {{-4063, -10354, -2556, 34669, 46203, 1573},
     {18612, 43778, 9372, -1049, -983, -4260},
     {-983, -1769, 1376, 590, 4915, 61407}},
    // Amber/blue
    {{0, 0, 0, One, 0, 0}, {0, 0, 0, 0, One, 0}, {0, 0, One, 0, 0, 0}},
    {{0, 0, 0, One, 0, 0}, {0, 0, 0, 0, One, 0}, {Y0, Y1, Y2, 0, 0, 0}},
    {{0, 0, 0, Y0, Y1, Y2}, {0, 0, 0, Y0, Y1, Y2}, {Y0, Y1, Y2, 0, 0, 0}},
    {{69599, -13435, 19595, -1048, -8061, -1114},
     {-1704, 59507, 4456, 393, 4063, -1114},
     {-2490, -11338, 1442, 6160, 12124, 59703}},
    // Red/blue and red/green: grey only
    {{Y0, Y1, Y2, 0, 0, 0}, {0, 0, 0, 0, 0, 0}, {0, 0, 0, Y0, Y1, Y2}},
    {{Y0, Y1, Y2, 0, 0, 0}, {0, 0, 0, Y0, Y1, Y2}, {0, 0, 0, 0, 0, 0}},
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
template <int Table>
struct TWeightedPixel {
    using Pixel = TWeightedPixel;
    static constexpr std::ptrdiff_t Pixels = 1;
    // Written out with the weights as constants, so that zero weights cost nothing.
    template <int Out>
    static uint8_t Channel(int32_t Lr, int32_t Lg, int32_t Lb, int32_t Rr, int32_t Rg, int32_t Rb)
    {
        constexpr const int32_t(&W)[6] = AnaglyphTables[Table][Out];
        const int32_t Sum = W[wLr] * Lr + W[wLg] * Lg + W[wLb] * Lb + W[wRr] * Rr +
                            W[wRg] * Rg + W[wRb] * Rb;
        const int32_t V = Sum >> 16;
        return uint8_t(V < 0 ? 0 : V > 255 ? 255 : V);
    }
    static void Compose(uint8_t* Dst, const uint8_t* Right, const uint8_t* Left)
    {
        const int32_t Lr = Left[2], Lg = Left[1], Lb = Left[0];
        const int32_t Rr = Right[2], Rg = Right[1], Rb = Right[0];
        const uint8_t Red = Channel<wRed>(Lr, Lg, Lb, Rr, Rg, Rb);
        const uint8_t Green = Channel<wGreen>(Lr, Lg, Lb, Rr, Rg, Rb);
        const uint8_t Blue = Channel<wBlue>(Lr, Lg, Lb, Rr, Rg, Rb);
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

// The vector paths weigh pairs of inputs with one 16 x 16-bit multiply-add per 32-bit lane:
// a pair vector holds, for each pixel, two inputs as 16-bit words, Lo in the low half of the
// lane and Hi in the high half. A pair's inputs are from wLr .. wRb, wFourth (the fourth byte of
// a pixel, weight 0) or wNone (the word is 0).
enum { wFourth = 6, wNone = -1 };
struct TPair {
    int Lo, Hi;
};

// The two 16-bit weights of one pair for one output channel. A weight beyond 16 bits (65536,
// 80347, 69599, ...) is split as 65536 + m. On the Hi input the 65536 part comes from adding the
// pair's lane itself (Lo + 65536 Hi) to the sum, Lo's weight giving back the 1; on the Lo input
// from adding the lane shifted left by 16 bits (65536 Lo, Hi shifted out).
// Sums stay exact: every product and every sum fits in 32 bits.
struct TPairWeights {
    int32_t Lo = 0, Hi = 0;
    bool AddLane = false, AddShifted = false;
    constexpr bool Used() const { return Lo != 0 || Hi != 0 || AddLane || AddShifted; }
    constexpr int32_t Packed() const
    {
        return int32_t(uint32_t(uint16_t(Lo)) | uint32_t(uint16_t(Hi)) << 16);
    }
};

constexpr bool Fits16(int32_t V) { return V >= -32768 && V <= 32767; }

constexpr int InputByte(int In) { return In == wFourth ? 3 : 2 - (In % 3); }  // r 2, g 1, b 0
constexpr bool FromLeftEye(int In) { return In >= wLr && In <= wLb; }

// Everything a vector path needs to know about one method, worked out at compile time.
// Layout::Pairs lists the pairs the vector path forms; Layout::Masked says whether inputs that no
// channel weighs are left out of them (0 words) or are there anyway.
template <int Table, class Layout>
struct TWeighing {
    static constexpr int PairCount = int(sizeof Layout::Pairs / sizeof Layout::Pairs[0]);

    static constexpr int32_t Weight(int Out, int In)
    {
        return Out >= wRed && In >= wLr && In <= wRb ? AnaglyphTables[Table][Out][In] : 0;
    }

    // The input an output channel copies unchanged (weight 65536 on an input of the same
    // colour, 0 elsewhere), or wNone: such channels are taken as bytes rather than computed.
    static constexpr int CopiedInput(int Out)
    {
        const int Same[3][2] = {{wLr, wRr}, {wLg, wRg}, {wLb, wRb}};
        for (int In : Same[Out]) {
            bool Copy = Weight(Out, In) == 65536;
            for (int K = wLr; K <= wRb; ++K)
                Copy = Copy && (K == In || Weight(Out, K) == 0);
            if (Copy)
                return In;
        }
        return wNone;
    }
    static constexpr bool Computed(int Out) { return CopiedInput(Out) == wNone; }

    static constexpr bool Weighed(int In)
    {
        for (int Out = wRed; Out <= wBlue; ++Out)
            if (Computed(Out) && Weight(Out, In) != 0)
                return true;
        return false;
    }

    // Pair I as the vector path forms it.
    static constexpr TPair Formed(int I)
    {
        TPair P = Layout::Pairs[I];
        if (Layout::Masked) {
            P.Lo = Weighed(P.Lo) ? P.Lo : wNone;
            P.Hi = Weighed(P.Hi) ? P.Hi : wNone;
        }
        return P;
    }

    static constexpr TPairWeights Weights(int Out, int I)
    {
        const TPair P = Formed(I);
        TPairWeights W;
        if (!Computed(Out))
            return W;
        W.Lo = Weight(Out, P.Lo);
        W.Hi = Weight(Out, P.Hi);
        if (!Fits16(W.Hi)) {
            W.Hi -= 65536;
            W.Lo -= P.Lo == wNone ? 0 : 1;
            W.AddLane = true;
        }
        if (!Fits16(W.Lo) && P.Lo != wNone) {
            W.Lo -= 65536;
            W.AddShifted = true;
        }
        if (!Fits16(W.Lo) || !Fits16(W.Hi))
            throw "a weight this pair layout cannot hold";  // a compile-time error when reached
        return W;
    }

    static constexpr bool PairUsed(int I)
    {
        return Weights(wRed, I).Used() || Weights(wGreen, I).Used() || Weights(wBlue, I).Used();
    }

    // A byte shuffle forming pair I from one eye's pixel: source byte of Lo, zero, of Hi, zero
    // (0x80 for a word that eye does not give).
    static constexpr uint32_t PairShuffle(int I, bool Left)
    {
        const TPair P = Formed(I);
        auto Byte = [&](int In) -> uint32_t {
            return In != wNone && In != wFourth && FromLeftEye(In) == Left ? InputByte(In) : 0x80;
        };
        return Byte(P.Lo) | 0x80u << 8 | Byte(P.Hi) << 16 | 0x80u << 24;
    }

    // Whether the sum of an output channel can leave [0, 255 * 65536 + 65535].
    static constexpr bool NeedsClamp(int Out)
    {
        int64_t Lo = 0, Hi = 0;
        for (int K = wLr; K <= wRb; ++K)
            (Weight(Out, K) < 0 ? Lo : Hi) += int64_t(Weight(Out, K)) * 255;
        return Computed(Out) && (Lo < 0 || (Hi >> 16) > 255);
    }
    static constexpr bool Clamped = NeedsClamp(wRed) || NeedsClamp(wGreen) || NeedsClamp(wBlue);

    // Channels with equal weights (the grey of one eye in two channels) are summed once.
    static constexpr bool SameWeights(int A, int B)
    {
        for (int K = wLr; K <= wRb; ++K)
            if (Weight(A, K) != Weight(B, K))
                return false;
        return true;
    }
    static constexpr int FirstLike(int Out)
    {
        for (int C = wRed; C < Out; ++C)
            if (Computed(C) && SameWeights(C, Out))
                return C;
        return Out;
    }
    static constexpr bool Zeroed(int Out) { return SameWeights(Out, -1); }  // Weight(-1, K) is 0
    // Byte positions within a pixel (bit 0 blue, 1 green, 2 red) of the channels summed as Out.
    static constexpr uint32_t BytesLike(int Out)
    {
        uint32_t Bytes = 0;
        for (int C = wRed; C <= wBlue; ++C)
            if (Computed(C) && FirstLike(C) == Out)
                Bytes |= 1u << (2 - C);
        return Bytes;
    }

    // Byte masks of the copied channels within a pixel, from the left and from the right eye.
    static constexpr uint32_t CopyMask(bool Left)
    {
        uint32_t Mask = 0;
        for (int Out = wRed; Out <= wBlue; ++Out) {
            const int In = CopiedInput(Out);
            if (In != wNone && FromLeftEye(In) == Left)
                Mask |= 0xFFu << 8 * InputByte(In);
        }
        return Mask;
    }
};

// A weighted method over one vector of pixels, written once for every vector width. V gives the
// vector type T and its operations (Add, Madd, ShiftRight, Set1, Zero) and those that depend on
// the instruction set:
//   FormPairs<Weighing>(L, R, P)        the pairs of Layout, from both eyes' pixels;
//   PackClamped(Blue, Green, Red)       channels (the high 16 bits of 32-bit lanes) to clamped
//                                       bytes in pixel order, fourth byte 0;
//   Fourth(D), Insert(Out, Mask, Src)   a pixel built from D's fourth byte, then from the bytes
//                                       of Src under Mask (Insert may assume them 0 in Out);
//   InsertClean(Out, Src)               the same for an Src that is 0 outside the bytes it sets;
//   Place<Bytes>(S)                     byte 2 of each lane into the bytes set in Bytes (bit 0
//                                       byte 0 ...), the rest 0;
//   LoadSome(P, N), StoreSome(P, V, N)  the first N < Pixels pixels only.
template <class V, int Table, class Layout>
struct TWeightedMix {
    using T = typename V::T;
    using W = TWeighing<Table, Layout>;
    static constexpr int N = W::PairCount;

    template <int Out, int I>
    static T AddPair(T Sum, T P)
    {
        constexpr TPairWeights Pw = W::Weights(Out, I);
        if constexpr (Pw.Lo != 0 || Pw.Hi != 0)
            Sum = V::Add(Sum, V::Madd(P, V::Set1(Pw.Packed())));
        if constexpr (Pw.AddLane)
            Sum = V::Add(Sum, P);
        if constexpr (Pw.AddShifted)
            Sum = V::Add(Sum, V::template ShiftLeft<16>(P));
        return Sum;
    }

    // 65536 times the channel, before the shift.
    template <int Out, int... I>
    static T Sum(const T (&P)[N], std::integer_sequence<int, I...>)
    {
        T S = V::Zero();
        ((S = AddPair<Out, I>(S, P[I])), ...);
        return S;
    }
    template <int Out>
    static T Sum(const T (&P)[N])
    {
        if constexpr (W::Computed(Out))
            return Sum<Out>(P, std::make_integer_sequence<int, N>());
        else
            return V::Zero();
    }

    // The channel summed as C placed in all its bytes, when C is the first of its kind.
    template <int C>
    static T Place(T Out, T S)
    {
        if constexpr (W::Computed(C) && W::FirstLike(C) == C && !W::Zeroed(C))
            return V::InsertClean(Out, V::template Place<W::BytesLike(C)>(S));
        else
            return Out;
    }

    static T Mix(T L, T R, T D)
    {
        T P[N];
        V::template FormPairs<W>(L, R, P);
        const T Red = Sum<wRed>(P);
        T Green, Blue;
        if constexpr (W::FirstLike(wGreen) == wRed)
            Green = Red;
        else
            Green = Sum<wGreen>(P);
        if constexpr (W::FirstLike(wBlue) == wRed)
            Blue = Red;
        else if constexpr (W::FirstLike(wBlue) == wGreen)
            Blue = Green;
        else
            Blue = Sum<wBlue>(P);
        T Out = V::Fourth(D);
        if constexpr (W::Clamped) {
            Out = V::InsertClean(Out, V::PackClamped(Blue, Green, Red));
        } else {
            // Every channel stays in [0, 255]: its byte is bits 16 to 23 of the sum.
            Out = Place<wRed>(Out, Red);
            Out = Place<wGreen>(Out, Green);
            Out = Place<wBlue>(Out, Blue);
        }
        if constexpr (W::CopyMask(true) != 0)
            Out = V::Insert(Out, W::CopyMask(true), L);
        if constexpr (W::CopyMask(false) != 0)
            Out = V::Insert(Out, W::CopyMask(false), R);
        return Out;
    }
};

// Blocks of one vector; fewer pixels (the end of a range) go through partial loads and stores,
// so that the vector paths need no per-pixel code. All sources are read before the store.
template <class V, int Table, class Layout>
struct TWeightedOne {
    using Mix = TWeightedMix<V, Table, Layout>;
    static constexpr std::ptrdiff_t Pixels = V::Pixels;

    static void Prefetch(const uint8_t*) {}  // the end of a range: its lines are near
    static void Compose(uint8_t* Dst, const uint8_t* Right, const uint8_t* Left)
    {
        V::Store(Dst, Mix::Mix(V::Load(Left), V::Load(Right), V::Load(Dst)));
    }
    static void ComposeNoLeft(uint8_t* Dst, const uint8_t* Right)
    {
        V::Store(Dst, Mix::Mix(V::Zero(), V::Load(Right), V::Load(Dst)));
    }
    // Count < Pixels pixels; Left may be null (no left eye).
    static void ComposeSome(uint8_t* Dst, const uint8_t* Right, const uint8_t* Left,
                            std::ptrdiff_t Count)
    {
        const auto L = Left != nullptr ? V::LoadSome(Left, Count) : V::Zero();
        const auto R = V::LoadSome(Right, Count), D = V::LoadSome(Dst, Count);
        V::StoreSome(Dst, Mix::Mix(L, R, D), Count);
    }
};

// Blocks of two vectors, all sources read before either store; what is left of a range goes
// by one vector (Smaller).
template <class V, int Table, class Layout>
struct TWeightedOps {
    using Smaller = TWeightedOne<V, Table, Layout>;
    using Mix = TWeightedMix<V, Table, Layout>;
    static constexpr std::ptrdiff_t Pixels = 2 * V::Pixels;
    static constexpr std::ptrdiff_t Bytes = 4 * V::Pixels;

    static void Prefetch(const uint8_t* P) { V::Prefetch(P); }

    static void Compose(uint8_t* Dst, const uint8_t* Right, const uint8_t* Left)
    {
        const auto L0 = V::Load(Left), L1 = V::Load(Left + Bytes);
        const auto R0 = V::Load(Right), R1 = V::Load(Right + Bytes);
        const auto D0 = V::Load(Dst), D1 = V::Load(Dst + Bytes);
        V::Store(Dst, Mix::Mix(L0, R0, D0));
        V::Store(Dst + Bytes, Mix::Mix(L1, R1, D1));
    }

    static void ComposeNoLeft(uint8_t* Dst, const uint8_t* Right)
    {
        const auto R0 = V::Load(Right), R1 = V::Load(Right + Bytes);
        const auto D0 = V::Load(Dst), D1 = V::Load(Dst + Bytes);
        V::Store(Dst, Mix::Mix(V::Zero(), R0, D0));
        V::Store(Dst + Bytes, Mix::Mix(V::Zero(), R1, D1));
    }
};

// Ops gives blocks of Ops::Pixels pixels: Compose(Dst, Right, Left) and ComposeNoLeft(Dst,
// Right), each reading all its sources before it stores, and Prefetch(P). What blocks do not fill
// of a range goes by Ops::Smaller blocks when Ops has them, else at once through
// Ops::ComposeSome when Ops has it, else pixel by pixel through Ops::Pixel.
//
// Each block also asks for the same places of the next row: its left-eye source (or, where
// there is none, its destination) and its right-eye source. Rows are short streams (a few
// kilobytes each for left and right half), and the hardware prefetchers would otherwise start
// cold on every row of a frame that does not fit the cache. With the eyes swapped the right-eye
// source is the destination itself, and the left eye is read from the other half of the row.
template <class Ops>
constexpr bool HasSmaller = requires { typename Ops::Smaller; };
template <class Ops>
constexpr bool HasSome = requires { &Ops::ComposeSome; };

template <class Ops>
void PrefetchBlock(const uint8_t* NextLeft, const uint8_t* NextRight)
{
    Ops::Prefetch(NextLeft);
    Ops::Prefetch(NextRight);
}

// Row pointers: D is the destination row, L the left eye's row (D itself side by side), Right the
// right-eye pixel of j = 0; the left-eye pixel of j is formed only for j in [LeftFirst, LeftEnd),
// where it lies in its row. NextL and NextRight are the same places one row down.
template <class Ops>
void ComposeForward(uint8_t* D, const uint8_t* L, const uint8_t* Right, const uint8_t* NextL,
                    const uint8_t* NextRight, std::ptrdiff_t Shift, std::ptrdiff_t Lo,
                    std::ptrdiff_t Hi)
{
    std::ptrdiff_t J = Lo;
    for (; Hi - J >= Ops::Pixels; J += Ops::Pixels) {
        PrefetchBlock<Ops>(NextL + 4 * (J + Shift), NextRight + 4 * J);
        Ops::Compose(D + 4 * J, Right + 4 * J, L + 4 * (J + Shift));
    }
    if constexpr (HasSmaller<Ops>) {
        ComposeForward<typename Ops::Smaller>(D, L, Right, NextL, NextRight, Shift, J, Hi);
    } else if constexpr (HasSome<Ops>) {
        if (J < Hi)
            Ops::ComposeSome(D + 4 * J, Right + 4 * J, L + 4 * (J + Shift), Hi - J);
    } else {
        for (; J < Hi; ++J)
            Ops::Pixel::Compose(D + 4 * J, Right + 4 * J, L + 4 * (J + Shift));
    }
}

template <class Ops>
void ComposeBackward(uint8_t* D, const uint8_t* L, const uint8_t* Right, const uint8_t* NextL,
                     const uint8_t* NextRight, std::ptrdiff_t Shift, std::ptrdiff_t Lo,
                     std::ptrdiff_t Hi)
{
    std::ptrdiff_t J = Hi;
    while (J - Lo >= Ops::Pixels) {
        J -= Ops::Pixels;
        PrefetchBlock<Ops>(NextL + 4 * (J + Shift), NextRight + 4 * J);
        Ops::Compose(D + 4 * J, Right + 4 * J, L + 4 * (J + Shift));
    }
    if constexpr (HasSmaller<Ops>) {
        ComposeBackward<typename Ops::Smaller>(D, L, Right, NextL, NextRight, Shift, Lo, J);
    } else if constexpr (HasSome<Ops>) {
        if (J > Lo)
            Ops::ComposeSome(D + 4 * Lo, Right + 4 * Lo, L + 4 * (Lo + Shift), J - Lo);
    } else {
        while (J > Lo) {
            --J;
            Ops::Pixel::Compose(D + 4 * J, Right + 4 * J, L + 4 * (J + Shift));
        }
    }
}

template <class Ops>
void ComposeNoLeftRange(uint8_t* D, const uint8_t* Right, const uint8_t* NextD,
                        const uint8_t* NextRight, std::ptrdiff_t Lo, std::ptrdiff_t Hi)
{
    std::ptrdiff_t J = Lo;
    for (; Hi - J >= Ops::Pixels; J += Ops::Pixels) {
        PrefetchBlock<Ops>(NextD + 4 * J, NextRight + 4 * J);
        Ops::ComposeNoLeft(D + 4 * J, Right + 4 * J);
    }
    if constexpr (HasSmaller<Ops>) {
        ComposeNoLeftRange<typename Ops::Smaller>(D, Right, NextD, NextRight, J, Hi);
    } else if constexpr (HasSome<Ops>) {
        if (J < Hi)
            Ops::ComposeSome(D + 4 * J, Right + 4 * J, nullptr, Hi - J);
    } else {
        for (; J < Hi; ++J)
            Ops::Pixel::ComposeNoLeft(D + 4 * J, Right + 4 * J);
    }
}

// Right-eye sources in the destination's row (j + RightShift, RightShift >= 0) never lie left of
// their destination, and only the one of j = 0 can lie ahead of it in the picture (pixel
// HalfWidth - 1 side by side). When the left eye's row is another row (top and bottom), or its
// sources do not lie left of their destination either (LeftShift >= 0), one walk left to right
// reads everything as captured. Otherwise they come from the left: walk right to left, which
// rewrites pixel RightShift before pixel 0 is done, so keep that pixel aside first.
template <class Ops>
void ComposeRow(uint8_t* D, const uint8_t* L, const uint8_t* R, const uint8_t* NextL,
                const uint8_t* NextR, const TComposeRowPlan& P)
{
    const std::ptrdiff_t H = P.HalfWidth;
    const uint8_t* Right = R + 4 * P.RightShift;
    const uint8_t* NextRight = NextR + 4 * P.RightShift;
    if (L != D || P.LeftShift >= 0) {
        ComposeNoLeftRange<Ops>(D, Right, NextL, NextRight, 0, P.LeftFirst);
        ComposeForward<Ops>(D, L, Right, NextL, NextRight, P.LeftShift, P.LeftFirst, P.LeftEnd);
        ComposeNoLeftRange<Ops>(D, Right, NextL, NextRight, P.LeftEnd, H);
    } else {  // LeftFirst >= 1 and LeftEnd == H here
        const uint8_t Kept[4] = {Right[0], Right[1], Right[2], Right[3]};
        ComposeBackward<Ops>(D, L, Right, NextL, NextRight, P.LeftShift, P.LeftFirst, H);
        ComposeNoLeftRange<Ops>(D, Right, NextL, NextRight, 1, P.LeftFirst);
        ComposeNoLeftRange<Ops>(D, Kept, NextL, NextRight, 0, 1);
    }
}

template <class Ops>
void ComposeRows(uint8_t* const* Rows, int32_t Height, const TComposeRowPlan& Plan)
{
    const std::ptrdiff_t Lr = Plan.LeftRow, Rr = Plan.RightRow, Ls = Plan.LeftStep,
                         Rs = Plan.RightStep;
    for (std::ptrdiff_t I = 0; I < Height; ++I) {
        const std::ptrdiff_t Next = I + 1 < Height ? I + 1 : I;
        ComposeRow<Ops>(Rows[I], Rows[Lr + I * Ls], Rows[Rr + I * Rs], Rows[Lr + Next * Ls],
                        Rows[Rr + Next * Rs], Plan);
    }
}

// Ops gives Stretch(Dst, Src) for Ops::Pixels source pixels; the rest go one by one.
template <class Ops>
void StretchRow(uint8_t* D, const uint8_t* S, std::ptrdiff_t Width)
{
    std::ptrdiff_t J = 0;
    for (; Width - J >= Ops::Pixels; J += Ops::Pixels)
        Ops::Stretch(D + 8 * J, S + 4 * J);
    if constexpr (Ops::Pixels > 1)
        for (; J < Width; ++J) {
            std::memcpy(D + 8 * J, S + 4 * J, 4);
            std::memcpy(D + 8 * J + 4, S + 4 * J, 4);
        }
}

template <class Ops>
void StretchRows(const uint8_t* const* Src, uint8_t* const* Dst, int32_t Height,
                 std::ptrdiff_t Width)
{
    for (int32_t I = 0; I < Height; ++I)
        StretchRow<Ops>(Dst[I], Src[I], Width);
}

// Views and interleavings, written straight into the output picture, row by row. RO gives the
// row operations of one implementation, N pixels from sources that are never null:
//   StretchOps  D[2k] = D[2k + 1] = S[k]  (the Ops of StretchRow)
//   Merge       D[k] = k even ? E[k] : O[k]
//   Zip         D[2k] = E[k], D[2k + 1] = O[k]
// A black source (a pixel outside its row) is a block of zeros, reused in chunks of an even
// number of pixels so that the parity of k holds across chunks.
constexpr std::ptrdiff_t ZeroBlock = 64;
alignas(64) constexpr uint8_t ZeroPixels[4 * ZeroBlock] = {};

template <class RO>
struct TShowRows {
    using Plan = TComposePlan;

    // Merge (Zip false) or Zip (true) with either source perhaps black.
    template <bool Zipped>
    static void Mix(uint8_t* D, const uint8_t* E, const uint8_t* O, std::ptrdiff_t N)
    {
        constexpr std::ptrdiff_t Out = Zipped ? 8 : 4;  // output bytes per source pixel
        if (E == nullptr && O == nullptr) {
            std::memset(D, 0, size_t(Out * N));
            return;
        }
        if (E != nullptr && O != nullptr) {
            Zipped ? RO::Zip(D, E, O, N) : RO::Merge(D, E, O, N);
            return;
        }
        for (std::ptrdiff_t K = 0; K < N; K += ZeroBlock) {
            const std::ptrdiff_t Count = N - K < ZeroBlock ? N - K : ZeroBlock;
            const uint8_t* Es = E != nullptr ? E + 4 * K : ZeroPixels;
            const uint8_t* Os = O != nullptr ? O + 4 * K : ZeroPixels;
            Zipped ? RO::Zip(D + Out * K, Es, Os, Count) : RO::Merge(D + Out * K, Es, Os, Count);
        }
    }

    // The source of picture pixel A of a view, or null when it lies outside its row.
    static const uint8_t* Source(const uint8_t* Row, const TComposeView& V, std::ptrdiff_t A)
    {
        return A >= V.First && A < V.End ? Row + 4 * (A + std::ptrdiff_t(V.Shift)) : nullptr;
    }

    // Picture pixels [A, B) of one view, doubled or not.
    static void View(uint8_t* D, const uint8_t* Row, const TComposeView& V, std::ptrdiff_t A,
                     std::ptrdiff_t B, bool Doubled)
    {
        const uint8_t* S = Source(Row, V, A);
        if (S == nullptr)
            std::memset(D + (Doubled ? 8 : 4) * A, 0, size_t((Doubled ? 8 : 4) * (B - A)));
        else if (Doubled)
            StretchRow<typename RO::StretchOps>(D + 8 * A, S, B - A);
        else
            std::memcpy(D + 4 * A, S, size_t(4 * (B - A)));
    }

    // The pieces of the picture's row over which each view is all inside or all outside its
    // row: Fn(A, B) for each.
    template <class Fn>
    static void Pieces(const Plan& P, const TComposeView* const* Views, int Count, Fn&& Each)
    {
        std::ptrdiff_t Cuts[6] = {0, P.PictureWidth};
        int N = 2;
        for (int I = 0; I < Count; ++I) {
            Cuts[N++] = Views[I]->First;
            Cuts[N++] = Views[I]->End;
        }
        std::ptrdiff_t A = 0;
        while (A < P.PictureWidth) {
            std::ptrdiff_t B = P.PictureWidth;
            for (int I = 0; I < N; ++I)
                if (Cuts[I] > A && Cuts[I] < B)
                    B = Cuts[I];
            Each(A, B);
            A = B;
        }
    }

    // One view's row, all pixels.
    static void ViewRow(uint8_t* D, const Plan& P, const uint8_t* Row, const TComposeView& V)
    {
        const TComposeView* Views[1] = {&V};
        Pieces(P, Views, 1, [&](std::ptrdiff_t A, std::ptrdiff_t B) {
            View(D, Row, V, A, B, P.DoubleX != 0);
        });
    }

    // Shown pixel u takes the left eye where Phase + u is even, else the right eye.
    static void MixRow(uint8_t* D, const Plan& P, const uint8_t* L, const uint8_t* R,
                       uint32_t Phase)
    {
        const TComposeView* Views[2] = {&P.Left, &P.Right};
        Pieces(P, Views, 2, [&](std::ptrdiff_t A, std::ptrdiff_t B) {
            const uint8_t* Ls = Source(L, P.Left, A);
            const uint8_t* Rs = Source(R, P.Right, A);
            if (P.DoubleX != 0) {  // shown pixels 2A and 2A + 1 both from picture pixel A
                if (Phase % 2 == 0)
                    Mix<true>(D + 8 * A, Ls, Rs, B - A);
                else
                    Mix<true>(D + 8 * A, Rs, Ls, B - A);
            } else if ((Phase + uint32_t(A)) % 2 == 0) {
                Mix<false>(D + 4 * A, Ls, Rs, B - A);
            } else {
                Mix<false>(D + 4 * A, Rs, Ls, B - A);
            }
        });
    }

    static const uint8_t* ViewRowOf(const uint8_t* const* Frame, const TComposeView& V,
                                    std::ptrdiff_t Y)
    {
        return Frame[V.FirstRow + Y * V.RowStep];
    }

    // Shown rows [0, ShownHeight). The anaglyph is in the frame's top-left already.
    static void Run(const uint8_t* const* Frame, uint8_t* const* Out, const TViewRowPlan& V)
    {
        const Plan& P = *V.Plan;
        const uint32_t X = uint32_t(V.ScreenX), Y = uint32_t(V.ScreenY);
        for (std::ptrdiff_t Row = 0; Row < P.ShownHeight; ++Row) {
            uint8_t* D = Out[Row];
            const std::ptrdiff_t Yp = Row >> P.DoubleY;
            const uint8_t* L = ViewRowOf(Frame, P.Left, Yp);
            const uint8_t* R = ViewRowOf(Frame, P.Right, Yp);
            switch (P.Show) {
            case smAnaglyph:
                if (P.DoubleX != 0)
                    StretchRow<typename RO::StretchOps>(D, Frame[Yp], P.PictureWidth);
                else if (D != Frame[Yp])
                    std::memcpy(D, Frame[Yp], size_t(4) * size_t(P.PictureWidth));
                break;
            case smLeftView: ViewRow(D, P, L, P.Left); break;
            case smRightView: ViewRow(D, P, R, P.Right); break;
            case smInterleavedRows:
                if ((Y + uint32_t(Row)) % 2 == 0)
                    ViewRow(D, P, L, P.Left);
                else
                    ViewRow(D, P, R, P.Right);
                break;
            case smInterleavedColumns: MixRow(D, P, L, R, X); break;
            case smCheckerboard: MixRow(D, P, L, R, X + Y + uint32_t(Row)); break;
            }
        }
    }
};

// Scalar row operations: whole pixels through memcpy (rows need not be aligned).
struct TScalarRows {
    struct StretchOps {
        static constexpr std::ptrdiff_t Pixels = 1;
        static void Stretch(uint8_t* D, const uint8_t* S)
        {
            std::memcpy(D, S, 4);
            std::memcpy(D + 4, S, 4);
        }
    };
    static void Merge(uint8_t* D, const uint8_t* E, const uint8_t* O, std::ptrdiff_t N)
    {
        for (std::ptrdiff_t K = 0; K < N; ++K)
            std::memcpy(D + 4 * K, (K % 2 == 0 ? E : O) + 4 * K, 4);
    }
    static void Zip(uint8_t* D, const uint8_t* E, const uint8_t* O, std::ptrdiff_t N)
    {
        for (std::ptrdiff_t K = 0; K < N; ++K) {
            std::memcpy(D + 8 * K, E + 4 * K, 4);
            std::memcpy(D + 8 * K + 4, O + 4 * K, 4);
        }
    }
};

// Runs ComposeRows for the table: ColourOps for red/cyan colour (the byte copy), Ops<Table>
// for the others.
template <template <int> class Ops, class ColourOps, int... T>
void ComposeRowsTable(uint8_t* const* Rows, int32_t Height, const TComposeRowPlan& Plan,
                      int Table, std::integer_sequence<int, T...>)
{
    using TRun = void (*)(uint8_t* const*, int32_t, const TComposeRowPlan&);
    static constexpr TRun Runs[] = {&ComposeRows<std::conditional_t<T == 0, ColourOps, Ops<T>>>...};
    if (Table >= 0 && Table < int(sizeof Runs / sizeof Runs[0]))
        Runs[Table](Rows, Height, Plan);
}

template <template <int> class Ops, class ColourOps>
void ComposeRowsFor(uint8_t* const* Rows, int32_t Height, const TComposeRowPlan& Plan, int Table)
{
    ComposeRowsTable<Ops, ColourOps>(Rows, Height, Plan, Table,
                                     std::make_integer_sequence<int, atCount>());
}

}  // namespace
