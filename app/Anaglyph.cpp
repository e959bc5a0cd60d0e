#include "Anaglyph.h"

#include "AnaglyphKernels.h"

#include <algorithm>
#include <cstring>

#if defined(_MSC_VER) && (defined(_M_X64) || defined(_M_IX86))
#include <intrin.h>
#define TINTEYE_CPUID_MSVC 1
#elif (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
#include <cpuid.h>
#define TINTEYE_CPUID_GNU 1
#endif

TAnaglyphGeometry ComputeGeometry(int32_t FrameWidth, int32_t Offset)
{
    // Integer division truncates toward zero. The products are formed unsigned, so they wrap
    // instead of overflowing; the conversion back is modular.
    const int32_t HalfWidth = FrameWidth / 2;
    const uint32_t RightStart = static_cast<uint32_t>(HalfWidth) * 4u - 4u;
    const uint32_t RedShift = static_cast<uint32_t>(Offset) << 2;
    return {HalfWidth, static_cast<int32_t>(RightStart), static_cast<int32_t>(RedShift)};
}

namespace {

// The plan of H destination pixels per row of W pixels, each from the left-eye pixel LeftShift
// and the right-eye pixel RightShift further on; the left eye only where it lies in the row.
// LeftShift is clamped to [-W, W] before it is narrowed: beyond that it reaches no pixel of the
// row either way, and with the eyes swapped it can exceed 32 bits (HalfWidth - 1 + N), which a
// 32-bit ptrdiff_t would wrap around.
TComposeRowPlan PlanRows(int64_t H, int64_t LeftShift, int64_t RightShift, int64_t W)
{
    LeftShift = std::clamp<int64_t>(LeftShift, -W, W);
    const int64_t LeftFirst = std::clamp<int64_t>(-LeftShift, 0, H);
    const int64_t LeftEnd = std::clamp<int64_t>(W - LeftShift, LeftFirst, H);
    return {static_cast<std::ptrdiff_t>(H), static_cast<std::ptrdiff_t>(LeftShift),
            static_cast<std::ptrdiff_t>(RightShift), static_cast<std::ptrdiff_t>(LeftFirst),
            static_cast<std::ptrdiff_t>(LeftEnd)};
}

// False when there is nothing to do or the geometry does not belong to FrameWidth and Offset.
bool MakePlan(uint8_t* const* Rows, int32_t FrameHeight, int32_t HalfWidth, int32_t RightStart,
              int32_t RedShift, int32_t FrameWidth, int32_t Offset, TComposeRowPlan& Plan)
{
    if (Rows == nullptr || FrameHeight <= 0 || HalfWidth <= 0)
        return false;
    const TAnaglyphGeometry G = ComputeGeometry(FrameWidth, Offset);
    if (G.HalfWidth != HalfWidth || G.RightStart != RightStart || G.RedShift != RedShift)
        return false;
    Plan = PlanRows(HalfWidth, Offset, int64_t(HalfWidth) - 1, FrameWidth);
    return true;
}

// With the eyes swapped the halves exchange roles: L = HalfWidth - 1 + j + N, R = j.
bool MakeMethodPlan(uint8_t* const* Rows, int32_t FrameHeight, int32_t FrameWidth,
                    int32_t Offset, TAnaglyphMethod Method, bool Swap, TComposeRowPlan& Plan)
{
    const int64_t H = FrameWidth / 2;
    if (Rows == nullptr || FrameHeight <= 0 || H <= 0 || Method < amColour || Method > amDubois)
        return false;
    Plan = Swap ? PlanRows(H, H - 1 + Offset, 0, FrameWidth)
                : PlanRows(H, Offset, H - 1, FrameWidth);
    return true;
}

bool CpuHasAvx2()
{
    const uint32_t OsXsave = 1u << 27, Avx = 1u << 28, Avx2 = 1u << 5;
    const uint64_t XmmYmmState = 0x6;  // the OS saves SSE and AVX registers on a context switch
#if defined(TINTEYE_CPUID_MSVC)
    int R[4];
    __cpuid(R, 0);
    if (R[0] < 7)
        return false;
    __cpuid(R, 1);
    if ((static_cast<uint32_t>(R[2]) & (OsXsave | Avx)) != (OsXsave | Avx))
        return false;
    if ((_xgetbv(0) & XmmYmmState) != XmmYmmState)
        return false;
    __cpuidex(R, 7, 0);
    return (static_cast<uint32_t>(R[1]) & Avx2) != 0;
#elif defined(TINTEYE_CPUID_GNU)
    unsigned A = 0, B = 0, C = 0, D = 0;
    if (__get_cpuid_max(0, nullptr) < 7)
        return false;
    __get_cpuid(1, &A, &B, &C, &D);
    if ((C & (OsXsave | Avx)) != (OsXsave | Avx))
        return false;
    unsigned Lo = 0, Hi = 0;
    __asm__ __volatile__("xgetbv" : "=a"(Lo), "=d"(Hi) : "c"(0));
    if (((static_cast<uint64_t>(Hi) << 32 | Lo) & XmmYmmState) != XmmYmmState)
        return false;
    __get_cpuid_count(7, 0, &A, &B, &C, &D);
    return (B & Avx2) != 0;
#else
    (void)OsXsave, (void)Avx, (void)Avx2, (void)XmmYmmState;
    return false;
#endif
}

TComposeImpl BestImpl()
{
    if (ComposeImplAvailable(ciAvx2))
        return ciAvx2;
    if (ComposeImplAvailable(ciSse2))
        return ciSse2;
    return ciScalar;
}

void RunImpl(TComposeImpl Impl, uint8_t* const* Rows, int32_t Height, const TComposeRowPlan& Plan,
             int Table)
{
    switch (Impl) {
    case ciAvx2: ComposeRowsAvx2(Rows, Height, Plan, Table); break;
    case ciSse2: ComposeRowsSse2(Rows, Height, Plan, Table); break;
    case ciScalar: ComposeRowsScalar(Rows, Height, Plan, Table); break;
    }
}

void RunShow(TComposeImpl Impl, const uint8_t* const* Frame, uint8_t* const* Out,
             const TViewRowPlan& P)
{
    switch (Impl) {
    case ciAvx2: ShowRowsAvx2(Frame, Out, P); break;
    case ciSse2: ShowRowsSse2(Frame, Out, P); break;
    case ciScalar: ShowRowsScalar(Frame, Out, P); break;
    }
}

void RunStretch(TComposeImpl Impl, const uint8_t* const* Src, uint8_t* const* Dst,
                int32_t Height, int32_t Width)
{
    if (Src == nullptr || Dst == nullptr || Height <= 0 || Width <= 0)
        return;
    switch (Impl) {
    case ciAvx2: StretchRowsAvx2(Src, Dst, Height, Width); break;
    case ciSse2: StretchRowsSse2(Src, Dst, Height, Width); break;
    case ciScalar: StretchRowsScalar(Src, Dst, Height, Width); break;
    }
}

}  // namespace

void ComposeRowsScalar(uint8_t* const* Rows, int32_t Height, const TComposeRowPlan& Plan,
                       int Table)
{
    ComposeRowsFor<TWeightedPixel, TColourPixel>(Rows, Height, Plan, Table);
}

void StretchRowsScalar(const uint8_t* const* Src, uint8_t* const* Dst, int32_t Height,
                       std::ptrdiff_t Width)
{
    StretchRows<TScalarRows::StretchOps>(Src, Dst, Height, Width);
}

void ShowRowsScalar(const uint8_t* const* Frame, uint8_t* const* Out, const TViewRowPlan& P)
{
    TShowRows<TScalarRows>::Run(Frame, Out, P);
}

const char* ComposeImplName(TComposeImpl Impl)
{
    switch (Impl) {
    case ciScalar: return "scalar";
    case ciSse2: return "SSE2";
    case ciAvx2: return "AVX2";
    }
    return "?";
}

bool ComposeImplAvailable(TComposeImpl Impl)
{
    switch (Impl) {
    case ciScalar: return true;
    case ciSse2: return Sse2Compiled();  // part of the x86-64 baseline: no run-time check
    case ciAvx2: {
        static const bool Supported = Avx2Compiled() && CpuHasAvx2();
        return Supported;
    }
    }
    return false;
}

TComposeImpl ComposeImplInUse()
{
    static const TComposeImpl Best = BestImpl();
    return Best;
}

bool ComposeAnaglyphWith(TComposeImpl Impl, uint8_t* const* Rows, int32_t FrameHeight,
                         int32_t HalfWidth, int32_t RightStart, int32_t RedShift,
                         int32_t FrameWidth, int32_t Offset)
{
    if (!ComposeImplAvailable(Impl))
        return false;
    TComposeRowPlan Plan;
    if (MakePlan(Rows, FrameHeight, HalfWidth, RightStart, RedShift, FrameWidth, Offset, Plan))
        RunImpl(Impl, Rows, FrameHeight, Plan, atRedCyan + amColour);
    return true;
}

void ComposeAnaglyph(uint8_t* const* Rows, int32_t FrameHeight, int32_t HalfWidth,
                     int32_t RightStart, int32_t RedShift, int32_t FrameWidth, int32_t Offset)
{
    TComposeRowPlan Plan;
    if (MakePlan(Rows, FrameHeight, HalfWidth, RightStart, RedShift, FrameWidth, Offset, Plan))
        RunImpl(ComposeImplInUse(), Rows, FrameHeight, Plan, atRedCyan + amColour);
}

bool ComposeAnaglyphMethodWith(TComposeImpl Impl, uint8_t* const* Rows, int32_t FrameHeight,
                               int32_t FrameWidth, int32_t Offset, TAnaglyphMethod Method,
                               bool Swap)
{
    if (!ComposeImplAvailable(Impl))
        return false;
    TComposeRowPlan Plan;
    if (MakeMethodPlan(Rows, FrameHeight, FrameWidth, Offset, Method, Swap, Plan))
        RunImpl(Impl, Rows, FrameHeight, Plan, atRedCyan + Method);
    return true;
}

void ComposeAnaglyphMethod(uint8_t* const* Rows, int32_t FrameHeight, int32_t FrameWidth,
                           int32_t Offset, TAnaglyphMethod Method, bool Swap)
{
    if (Method == amColour && !Swap) {
        const TAnaglyphGeometry G = ComputeGeometry(FrameWidth, Offset);
        ComposeAnaglyph(Rows, FrameHeight, G.HalfWidth, G.RightStart, G.RedShift, FrameWidth,
                        Offset);
        return;
    }
    TComposeRowPlan Plan;
    if (MakeMethodPlan(Rows, FrameHeight, FrameWidth, Offset, Method, Swap, Plan))
        RunImpl(ComposeImplInUse(), Rows, FrameHeight, Plan, atRedCyan + Method);
}

bool StretchRowsDoubleWith(TComposeImpl Impl, const uint8_t* const* Src, uint8_t* const* Dst,
                           int32_t Height, int32_t Width)
{
    if (!ComposeImplAvailable(Impl))
        return false;
    RunStretch(Impl, Src, Dst, Height, Width);
    return true;
}

void StretchRowsDouble(const uint8_t* const* Src, uint8_t* const* Dst, int32_t Height,
                       int32_t Width)
{
    RunStretch(ComposeImplInUse(), Src, Dst, Height, Width);
}

// Three destination and three source cursors, blue, green, red, advancing by one pixel. The red
// source is kept as a byte index in the row rather than a pointer: for offsets beyond the row's
// edges a pointer there would point outside the row. Blue/green start at pixel HalfWidth - 1,
// recomputed wide because RightStart wraps around for rows wider than 2^29 pixels.
void ComposeAnaglyphReference(uint8_t* const* Rows, int32_t FrameHeight, int32_t HalfWidth,
                              int32_t RightStart, int32_t RedShift, int32_t FrameWidth,
                              int32_t Offset)
{
    TComposeRowPlan Plan;
    if (!MakePlan(Rows, FrameHeight, HalfWidth, RightStart, RedShift, FrameWidth, Offset, Plan))
        return;
    const std::ptrdiff_t RowBytes = 4 * static_cast<std::ptrdiff_t>(FrameWidth);
    const std::ptrdiff_t RightStartBytes = 4 * (Plan.HalfWidth - 1);
    const std::ptrdiff_t RedShiftBytes = 4 * Plan.LeftShift;
    for (int32_t I = 0; I < FrameHeight; ++I) {
        uint8_t* const R = Rows[I];
        uint8_t* DstBlue = R + 0;
        uint8_t* DstGreen = R + 1;
        uint8_t* DstRed = R + 2;
        const uint8_t* SrcBlue = R + RightStartBytes;
        const uint8_t* SrcGreen = R + RightStartBytes + 1;
        std::ptrdiff_t SrcRed = 2 + RedShiftBytes;
        if (Plan.LeftShift >= 0) {
            for (std::ptrdiff_t K = Plan.HalfWidth; K > 0; --K) {
                *DstBlue = *SrcBlue;
                *DstGreen = *SrcGreen;
                *DstRed = SrcRed < RowBytes ? R[SrcRed] : 0;
                DstBlue += 4, DstGreen += 4, DstRed += 4;
                SrcBlue += 4, SrcGreen += 4, SrcRed += 4;
            }
        } else {
            // Red comes from the left here: left to right it would read reds already rewritten,
            // so blue/green go left to right and red right to left.
            for (std::ptrdiff_t K = Plan.HalfWidth; K > 0; --K) {
                *DstBlue = *SrcBlue;
                *DstGreen = *SrcGreen;
                DstBlue += 4, DstGreen += 4;
                SrcBlue += 4, SrcGreen += 4;
            }
            std::ptrdiff_t DstRedAt = 2 + 4 * (Plan.HalfWidth - 1);  // indices: no pointer before R
            SrcRed += 4 * (Plan.HalfWidth - 1);
            for (; DstRedAt > 0; DstRedAt -= 4, SrcRed -= 4)
                R[DstRedAt] = SrcRed >= 0 ? R[SrcRed] : 0;
        }
    }
}

// ---- The composition plan ------------------------------------------------------------------

namespace {

// View of picture pixels [0, Width) from frame row FirstRow + y, pixel j + Shift of a row of
// RowWidth pixels.
TComposeView MakeView(int64_t FirstRow, int64_t Shift, int64_t Width, int64_t RowWidth)
{
    const TComposeRowPlan R = PlanRows(Width, Shift, 0, RowWidth);
    return {int32_t(FirstRow), 1, int32_t(R.LeftShift), int32_t(R.LeftFirst), int32_t(R.LeftEnd)};
}

TComposeRowPlan RowPlanOf(const TComposePlan& P)
{
    TComposeRowPlan R{P.PictureWidth, P.Left.Shift, P.Right.Shift, P.Left.First, P.Left.End};
    R.LeftRow = P.Left.FirstRow, R.RightRow = P.Right.FirstRow;
    R.LeftStep = P.Left.RowStep, R.RightStep = P.Right.RowStep;
    return R;
}

}  // namespace

TComposePlan MakeComposePlan(const TComposeOptions& Options)
{
    TComposePlan P{};
    P.Options = Options;
    const TComposeOptions& O = Options;
    const int64_t W = std::max(O.FrameWidth, 0), H = std::max(O.FrameHeight, 0), N = O.Offset;
    const bool TopBottom = O.Pair == plTopAndBottom;
    P.PictureWidth = int32_t(TopBottom ? W : W / 2);
    P.PictureHeight = int32_t(TopBottom ? H / 2 : H);
    P.DoubleX = O.HalfPair && !TopBottom ? 1 : 0;
    P.DoubleY = O.HalfPair && TopBottom ? 1 : 0;
    P.ShownWidth = P.PictureWidth << P.DoubleX;
    P.ShownHeight = P.PictureHeight << P.DoubleY;

    // The first of each pair is the left eye's unswapped place: pixel shift and first row.
    const int64_t Pw = P.PictureWidth;
    int64_t LeftAt[2] = {N, 0}, RightAt[2] = {Pw - 1, 0};  // side by side
    if (TopBottom)
        LeftAt[1] = 0, RightAt[0] = 0, RightAt[1] = P.PictureHeight;
    if (O.Swap) {
        std::swap(LeftAt, RightAt);
        LeftAt[0] += N, RightAt[0] -= N;
    }
    P.Left = MakeView(LeftAt[1], LeftAt[0], Pw, W);
    P.Right = MakeView(RightAt[1], RightAt[0], Pw, W);

    P.Show = O.Show >= smAnaglyph && O.Show <= smCheckerboard ? O.Show : smAnaglyph;
    const TGlasses G = O.Glasses >= glRedCyan && O.Glasses <= glRedGreen ? O.Glasses : glRedCyan;
    P.Method = O.Method >= amColour && O.Method <= amDubois ? O.Method : amColour;
    if (G == glRedBlue || G == glRedGreen)
        P.Method = amGrey;
    P.Table = G == glRedBlue    ? atRedBlueGrey
              : G == glRedGreen ? atRedGreenGrey
                                : int32_t(atRedCyan + 4 * G + P.Method);
    std::memcpy(P.Weights, AnaglyphTables[P.Table], sizeof P.Weights);
    P.ByteCopy = P.Table == atRedCyan + amColour;
    P.InFrame = P.Show == smAnaglyph;
    return P;
}

bool ComposeFrameWith(TComposeImpl Impl, const TComposePlan& Plan, uint8_t* const* Frame,
                      uint8_t* const* Out, int32_t ScreenX, int32_t ScreenY)
{
    if (!ComposeImplAvailable(Impl))
        return false;
    if (Frame == nullptr || Plan.PictureWidth <= 0 || Plan.PictureHeight <= 0)
        return true;
    if (Plan.InFrame)
        RunImpl(Impl, Frame, Plan.PictureHeight, RowPlanOf(Plan), Plan.Table);
    if (Out != nullptr)
        RunShow(Impl, Frame, Out, TViewRowPlan{&Plan, ScreenX, ScreenY});
    return true;
}

void ComposeFrame(const TComposePlan& Plan, uint8_t* const* Frame, uint8_t* const* Out,
                  int32_t ScreenX, int32_t ScreenY)
{
    ComposeFrameWith(ComposeImplInUse(), Plan, Frame, Out, ScreenX, ScreenY);
}
