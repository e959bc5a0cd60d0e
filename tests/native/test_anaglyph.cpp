// Anaglyph composition: geometry, the edge cases of the pixel step, and every implementation
// against the byte loop over many geometries. Each row is its own allocation, with the bytes in
// front of an unaligned row poisoned, so that AddressSanitizer flags any read outside a row.
#include "Anaglyph.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <iterator>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TEST_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) && !defined(TEST_ASAN)
#define TEST_ASAN 1
#endif
#if defined(TEST_ASAN)
#include <sanitizer/asan_interface.h>
#define POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define POISON(p, n) ((void)(p), (void)(n))
#define UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace {

struct Pixel {
    uint8_t B, G, R, X;
    bool operator==(const Pixel&) const = default;
};

// W x H frame, every row a separate allocation starting Skew bytes into it (the skew poisoned).
class TestFrame {
public:
    TestFrame(int32_t W, int32_t H, std::mt19937& Rng) : FW(W)
    {
        for (int32_t I = 0; I < H; ++I) {
            const size_t Skew = Rng() % 16;
            Buffers.push_back(std::make_unique<uint8_t[]>(Skew + 4 * size_t(W)));
            Skews.push_back(Skew);
            uint8_t* Row = Buffers.back().get() + Skew;
            for (int32_t K = 0; K < 4 * W; ++K)
                Row[K] = uint8_t(Rng());
            POISON(Buffers.back().get(), Skew);
            Rows.push_back(Row);
        }
    }
    TestFrame(const TestFrame&) = delete;
    ~TestFrame()
    {
        for (size_t I = 0; I < Buffers.size(); ++I)
            UNPOISON(Buffers[I].get(), Skews[I]);
    }

    // The same pixels in a frame of new allocations.
    std::unique_ptr<TestFrame> Clone(std::mt19937& Rng) const
    {
        auto C = std::make_unique<TestFrame>(FW, Height(), Rng);
        for (int32_t I = 0; I < Height(); ++I)
            std::memcpy(C->Rows[I], Rows[I], 4 * size_t(FW));
        return C;
    }

    int32_t Height() const { return int32_t(Rows.size()); }
    Pixel At(int32_t Row, int32_t X) const
    {
        const uint8_t* P = Rows[Row] + 4 * X;
        return {P[0], P[1], P[2], P[3]};
    }
    void Set(int32_t Row, int32_t X, Pixel V) { std::memcpy(Rows[Row] + 4 * X, &V, 4); }
    std::vector<uint8_t> Bytes() const
    {
        std::vector<uint8_t> All;
        for (uint8_t* Row : Rows)
            All.insert(All.end(), Row, Row + 4 * size_t(FW));
        return All;
    }

    int32_t FW;
    std::vector<uint8_t*> Rows;

private:
    std::vector<std::unique_ptr<uint8_t[]>> Buffers;
    std::vector<size_t> Skews;
};

// What the step must give, pixel by pixel, stated independently of any implementation.
std::vector<uint8_t> Expected(const TestFrame& Captured, int32_t N)
{
    const int32_t W = Captured.FW, H = W / 2;
    std::vector<uint8_t> Out;
    for (int32_t Row = 0; Row < Captured.Height(); ++Row)
        for (int32_t J = 0; J < W; ++J) {
            Pixel P = Captured.At(Row, J);
            if (J < H) {
                const Pixel Bg = Captured.At(Row, H - 1 + J);
                const int64_t RedFrom = int64_t(J) + N;
                P.B = Bg.B;
                P.G = Bg.G;
                P.R = RedFrom >= 0 && RedFrom < W ? Captured.At(Row, int32_t(RedFrom)).R : 0;
            }
            Out.insert(Out.end(), {P.B, P.G, P.R, P.X});
        }
    return Out;
}

// Every way to run the step: the byte loop, each available implementation, the dispatcher.
struct Runner {
    std::string Name;
    std::function<void(TestFrame&, int32_t N)> Run;
};

std::vector<Runner> AllRunners()
{
    std::vector<Runner> All;
    All.push_back({"reference", [](TestFrame& F, int32_t N) {
                       const TAnaglyphGeometry G = ComputeGeometry(F.FW, N);
                       ComposeAnaglyphReference(F.Rows.data(), F.Height(), G.HalfWidth,
                                                G.RightStart, G.RedShift, F.FW, N);
                   }});
    for (TComposeImpl Impl : {ciScalar, ciSse2, ciAvx2})
        if (ComposeImplAvailable(Impl))
            All.push_back({ComposeImplName(Impl), [Impl](TestFrame& F, int32_t N) {
                               const TAnaglyphGeometry G = ComputeGeometry(F.FW, N);
                               ASSERT_TRUE(ComposeAnaglyphWith(Impl, F.Rows.data(), F.Height(),
                                                               G.HalfWidth, G.RightStart,
                                                               G.RedShift, F.FW, N));
                           }});
    All.push_back({"dispatched", [](TestFrame& F, int32_t N) {
                       const TAnaglyphGeometry G = ComputeGeometry(F.FW, N);
                       ComposeAnaglyph(F.Rows.data(), F.Height(), G.HalfWidth, G.RightStart,
                                       G.RedShift, F.FW, N);
                   }});
    return All;
}

// Runs every runner on its own copy of Captured; each must give Expected().
void CheckAll(const TestFrame& Captured, int32_t N, std::mt19937& Rng)
{
    const std::vector<uint8_t> Want = Expected(Captured, N);
    for (const Runner& R : AllRunners()) {
        auto F = Captured.Clone(Rng);
        R.Run(*F, N);
        ASSERT_EQ(F->Bytes(), Want) << R.Name << " W=" << Captured.FW
                                    << " H=" << Captured.Height() << " N=" << N;
    }
}

TEST(AnaglyphGeometry, HalfWidthRightStartRedShift)
{
    struct Case {
        int32_t W, N, HalfWidth, RightStart, RedShift;
    };
    const Case Cases[] = {
        {8, 1, 4, 12, 4},      // the worked example
        {9, 30, 4, 12, 120},   // odd width rounds down
        {641, 30, 320, 1276, 120},
        {0, 0, 0, -4, 0},
        {1, -1, 0, -4, -4},
        {-3, 0, -1, -8, 0},    // toward zero, not down
        {INT32_MAX, INT32_MAX, 1073741823, -8, -4},  // both products wrap
        {2, INT32_MIN, 1, 0, 0},
        {2, 1 << 29, 1, 0, INT32_MIN},
        {2, -(1 << 29), 1, 0, INT32_MIN},
    };
    for (const Case& C : Cases) {
        const TAnaglyphGeometry G = ComputeGeometry(C.W, C.N);
        EXPECT_EQ(G.HalfWidth, C.HalfWidth) << C.W << "," << C.N;
        EXPECT_EQ(G.RightStart, C.RightStart) << C.W << "," << C.N;
        EXPECT_EQ(G.RedShift, C.RedShift) << C.W << "," << C.N;
    }
}

TEST(AnaglyphImplementations, DetectionAndDispatch)
{
    EXPECT_TRUE(ComposeImplAvailable(ciScalar));
#if defined(__x86_64__) || defined(_M_X64)
    EXPECT_TRUE(ComposeImplAvailable(ciSse2));
#endif
#if (defined(__GNUC__) || defined(__clang__)) && defined(__x86_64__)
    // The compiler's own detection, independent of the cpuid/xgetbv code under test.
    EXPECT_EQ(ComposeImplAvailable(ciAvx2), bool(__builtin_cpu_supports("avx2")));
#endif
    const TComposeImpl Best = ComposeImplAvailable(ciAvx2)   ? ciAvx2
                              : ComposeImplAvailable(ciSse2) ? ciSse2
                                                             : ciScalar;
    EXPECT_EQ(ComposeImplInUse(), Best);
}

// The worked example W = 8, N = 1, with the sources spelled out pixel by pixel.
TEST(AnaglyphCompose, WorkedExample)
{
    std::mt19937 Rng(1);
    for (const Runner& R : AllRunners()) {
        TestFrame F(8, 1, Rng);
        for (int32_t X = 0; X < 8; ++X)
            F.Set(0, X, {uint8_t(10 + X), uint8_t(20 + X), uint8_t(30 + X), uint8_t(40 + X)});
        R.Run(F, 1);
        const Pixel Want[8] = {{13, 23, 31, 40}, {14, 24, 32, 41}, {15, 25, 33, 42},
                               {16, 26, 34, 43}, {14, 24, 34, 44}, {15, 25, 35, 45},
                               {16, 26, 36, 46}, {17, 27, 37, 47}};
        for (int32_t X = 0; X < 8; ++X)
            EXPECT_EQ(F.At(0, X), Want[X]) << R.Name << " pixel " << X;
    }
}

// Odd and even widths, offsets 0, inside the half, at the row's edge, past it, and negative.
TEST(AnaglyphCompose, EdgeCasesOfWidthAndOffset)
{
    std::mt19937 Rng(2);
    struct Case {
        int32_t W, N;
    };
    const Case Cases[] = {
        {9, 0}, {9, 3}, {9, 4}, {9, 5},   // W = 9: HalfWidth 4, N = W - HalfWidth = 5
        {9, 6}, {9, -1}, {9, -4}, {9, -5},
        {10, 0}, {10, 5}, {10, 6}, {10, -9},
        {2, 0}, {2, 1}, {2, 2}, {2, -1},  // HalfWidth 1: blue/green copied onto themselves
        {3, 1}, {3, 2},
    };
    for (const Case& C : Cases) {
        TestFrame F(C.W, 3, Rng);
        CheckAll(F, C.N, Rng);
    }

    // Spelled out for W = 9: blue/green never come from pixels 7 and 8; with N = 5 the last
    // destination takes red from pixel 8; with N = 6 it gets none.
    TestFrame F(9, 1, Rng);
    for (int32_t X = 0; X < 9; ++X)
        F.Set(0, X, {uint8_t(X), uint8_t(X), uint8_t(100 + X), 7});
    for (int32_t N : {0, 5, 6, -2}) {
        auto G = F.Clone(Rng);
        AllRunners().back().Run(*G, N);
        for (int32_t J = 0; J < 4; ++J) {
            EXPECT_EQ(G->At(0, J).B, 3 + J);
            const int32_t From = J + N;
            EXPECT_EQ(G->At(0, J).R, From >= 0 && From < 9 ? 100 + From : 0) << N << " " << J;
            EXPECT_EQ(G->At(0, J).X, 7);
        }
        for (int32_t J = 4; J < 9; ++J)
            EXPECT_EQ(G->At(0, J), F.At(0, J));
    }
}

// A negative offset takes red as captured, never from a pixel rewritten earlier in the pass.
TEST(AnaglyphCompose, NegativeOffsetReadsCapturedRed)
{
    std::mt19937 Rng(3);
    for (const Runner& R : AllRunners()) {
        TestFrame F(64, 1, Rng);
        for (int32_t X = 0; X < 64; ++X)
            F.Set(0, X, {uint8_t(200 + X % 50), 0, uint8_t(X), 0});
        R.Run(F, -3);
        for (int32_t J = 0; J < 32; ++J)
            EXPECT_EQ(F.At(0, J).R, J < 3 ? 0 : J - 3) << R.Name << " pixel " << J;
    }
}

// Widths 0 and 1 and height 0 read and write nothing: the rows are poisoned whole (under ASan)
// and the row table may even be null.
TEST(AnaglyphCompose, NothingToDo)
{
    std::mt19937 Rng(4);
    for (int32_t W : {0, 1})
        for (const Runner& R : AllRunners()) {
            TestFrame F(W, 2, Rng);
            const std::vector<uint8_t> Before = F.Bytes();
            for (uint8_t* Row : F.Rows)
                POISON(Row, 4 * size_t(W));
            R.Run(F, 0);
            for (uint8_t* Row : F.Rows)
                UNPOISON(Row, 4 * size_t(W));
            EXPECT_EQ(F.Bytes(), Before) << R.Name << " W=" << W;
        }
    const TAnaglyphGeometry G = ComputeGeometry(8, 1);
    ComposeAnaglyph(nullptr, 0, G.HalfWidth, G.RightStart, G.RedShift, 8, 1);
    ComposeAnaglyphReference(nullptr, 0, G.HalfWidth, G.RightStart, G.RedShift, 8, 1);
    for (TComposeImpl Impl : {ciScalar, ciSse2, ciAvx2})
        ComposeAnaglyphWith(Impl, nullptr, 0, G.HalfWidth, G.RightStart, G.RedShift, 8, 1);
}

// Geometry that does not belong to the width and offset passed with it is not trusted.
TEST(AnaglyphCompose, MismatchedGeometryDoesNothing)
{
    std::mt19937 Rng(5);
    TestFrame F(16, 2, Rng);
    const std::vector<uint8_t> Before = F.Bytes();
    const TAnaglyphGeometry G = ComputeGeometry(16, 2);
    ComposeAnaglyph(F.Rows.data(), 2, G.HalfWidth + 1, G.RightStart + 4, G.RedShift, 16, 2);
    ComposeAnaglyph(F.Rows.data(), 2, G.HalfWidth, G.RightStart, G.RedShift + 4, 16, 2);
    ComposeAnaglyph(F.Rows.data(), 2, G.HalfWidth, G.RightStart, G.RedShift, 14, 2);
    ComposeAnaglyphReference(F.Rows.data(), 2, G.HalfWidth, G.RightStart, G.RedShift, 16, 3);
    EXPECT_EQ(F.Bytes(), Before);
}

// Taller than the old fixed table of 2048 rows: every row is composed.
TEST(AnaglyphCompose, TallFrame)
{
    std::mt19937 Rng(6);
    TestFrame F(6, 3000, Rng);
    CheckAll(F, 1, Rng);
}

// Every width up to 70 (all tail lengths of the 8- and 16-pixel blocks, each on both sides of the
// red range) with every offset from -W - 5 to W + 5.
TEST(AnaglyphCompose, AllSmallWidthsAndOffsets)
{
    std::mt19937 Rng(7);
    for (int32_t W = 0; W <= 70; ++W)
        for (int32_t N = -W - 5; N <= W + 5; ++N) {
            TestFrame F(W, 2, Rng);
            CheckAll(F, N, Rng);
            if (HasFatalFailure())
                return;
        }
}

// Random geometries up to 300 pixels wide and 5 rows high, with offsets around the row and at
// the 32-bit extremes, where N * 4 wraps around.
TEST(AnaglyphCompose, RandomGeometries)
{
    std::mt19937 Rng(8);
    const int32_t Extremes[] = {INT32_MIN, INT32_MIN + 1, INT32_MAX, INT32_MAX - 1,
                                1 << 29, -(1 << 29), (1 << 30) + 3, -(1 << 30) - 3};
    for (int Iteration = 0; Iteration < 3000; ++Iteration) {
        const int32_t W = int32_t(Rng() % 301), H = int32_t(Rng() % 6);
        int32_t N;
        if (Rng() % 8 == 0)
            N = Extremes[Rng() % std::size(Extremes)];
        else
            N = int32_t(Rng() % uint32_t(2 * W + 11)) - W - 5;
        TestFrame F(W, H, Rng);
        CheckAll(F, N, Rng);
        if (HasFatalFailure())
            return;
    }
}

// Colour methods and the stretch, against a per-pixel oracle with its own copy of the weights.
const int32_t OracleWeights[4][3][6] = {  // red, green, blue x Lr, Lg, Lb, Rr, Rg, Rb
    {{65536, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 65536, 0}, {0, 0, 0, 0, 0, 65536}},
    {{19595, 38470, 7471, 0, 0, 0}, {0, 0, 0, 0, 65536, 0}, {0, 0, 0, 0, 0, 65536}},
    {{19595, 38470, 7471, 0, 0, 0}, {0, 0, 0, 19595, 38470, 7471}, {0, 0, 0, 19595, 38470, 7471}},
    {{29884, 32768, 11534, -2818, -5767, -131}, {-2621, -2490, -1049, 24773, 48103, -1180},
     {-983, -1376, -328, -4719, -7406, 80347}},
};

std::vector<uint8_t> ExpectedMethod(const TestFrame& Captured, int32_t N, int M, bool Swap)
{
    const int64_t W = Captured.FW, H = W / 2;
    std::vector<uint8_t> Out;
    for (int32_t Row = 0; Row < Captured.Height(); ++Row)
        for (int64_t J = 0; J < W; ++J) {
            Pixel P = Captured.At(Row, int32_t(J));
            auto Get = [&](int64_t X) { return X >= 0 && X < W ? Captured.At(Row, int32_t(X)) : Pixel{}; };
            const Pixel L = Get(Swap ? H - 1 + J + N : J + N), R = Get(Swap ? J : H - 1 + J);
            const double In[6] = {double(L.R), double(L.G), double(L.B), double(R.R), double(R.G), double(R.B)};
            uint8_t C[3];
            for (int K = 0; K < 3; ++K) {
                double Sum = 0;
                for (int I = 0; I < 6; ++I)
                    Sum += OracleWeights[M][K][I] * In[I];
                C[K] = uint8_t(std::clamp(std::floor(Sum / 65536), 0.0, 255.0));
            }
            if (J < H)
                P = {C[2], C[1], C[0], P.X};
            Out.insert(Out.end(), {P.B, P.G, P.R, P.X});
        }
    return Out;
}

// Each implementation, then the dispatcher; every method with and without swapped eyes.
void CheckMethods(const TestFrame& Captured, int32_t N, std::mt19937& Rng)
{
    for (int M : {amColour, amHalfColour, amGrey, amDubois})
        for (bool Swap : {false, true}) {
            const std::vector<uint8_t> Want = ExpectedMethod(Captured, N, M, Swap);
            for (int Impl : {int(ciScalar), int(ciSse2), int(ciAvx2), -1}) {
                auto F = Captured.Clone(Rng);
                const auto Method = TAnaglyphMethod(M);
                if (Impl < 0)
                    ComposeAnaglyphMethod(F->Rows.data(), F->Height(), F->FW, N, Method, Swap);
                else if (!ComposeAnaglyphMethodWith(TComposeImpl(Impl), F->Rows.data(), F->Height(), F->FW, N,
                                                    Method, Swap))
                    continue;
                ASSERT_EQ(F->Bytes(), Want) << "impl " << Impl << " method " << M << " swap " << Swap
                                            << " W=" << F->FW << " N=" << N;
            }
        }
}

// Widths covering every tail of the 4-, 8- and 16-pixel blocks on each side of the left-eye
// range, HalfWidth 0 and 1 (width 0 has no bytes at all to touch), and offsets at 0, negative,
// at both edges of the row and past them (for the swapped eyes 1 - HalfWidth and
// W - 2 HalfWidth + 1). Last, every combination of 0 and 255 in the six inputs, so that each
// weighted sum reaches its most negative and most positive value: the clamps on both sides.
TEST(AnaglyphMethods, MatchTheOracle)
{
    std::mt19937 Rng(9);
    for (int32_t W = 0; W <= 71; ++W) {
        const int32_t H = W / 2;
        for (int32_t N : {0, 1, -1, -H, 1 - H, H - 1, W - H, W - H + 1, W - 2 * H + 1, W - 2 * H + 2, -W - 3, W + 3,
                          INT32_MIN, INT32_MAX}) {
            TestFrame F(W, 2, Rng);
            CheckMethods(F, N, Rng);
            if (HasFatalFailure())
                return;
        }
    }
    TestFrame F(130, 2, Rng);  // HalfWidth 65: j = 1..64 pairs pixel j with pixel 64 + j
    for (int32_t Row = 0; Row < 2; ++Row)
        for (int32_t Combo = 0; Combo < 64; ++Combo) {
            auto Bit = [&](int K) { return uint8_t(Combo >> K & 1 ? 255 : 0); };
            const uint8_t X = uint8_t(Rng());
            F.Set(Row, 1 + Combo, {Bit(2), Bit(1), Bit(0), X});
            F.Set(Row, 65 + Combo, {Bit(5), Bit(4), Bit(3), X});
        }
    CheckMethods(F, 0, Rng);
    // The oracle itself: Dubois blue of a white right eye saturates, red of it alone is cut to 0.
    const std::vector<uint8_t> Dubois = ExpectedMethod(F, 0, amDubois, false);
    EXPECT_EQ(Dubois[4 * 57 + 0], 255);  // j = 57: left black, right white
    EXPECT_EQ(Dubois[4 * 57 + 2], 0);
}

// No rows, a negative height or width, or null rows: nothing read or written (the rows are
// poisoned whole). Widths 0 and 1 are rows of MatchTheOracle.
TEST(AnaglyphMethods, NothingToDo)
{
    std::mt19937 Rng(12);
    TestFrame F(8, 2, Rng);
    const std::vector<uint8_t> Before = F.Bytes();
    std::vector<const uint8_t*> From(F.Rows.begin(), F.Rows.end());
    for (uint8_t* Row : F.Rows)
        POISON(Row, 32);
    for (int M : {amColour, amHalfColour, amGrey, amDubois})
        for (bool Swap : {false, true})
            for (int32_t H : {0, -1})
                ComposeAnaglyphMethod(F.Rows.data(), H, 8, -1, TAnaglyphMethod(M), Swap);
    ComposeAnaglyphMethod(nullptr, 2, 8, 0, amGrey, true);
    StretchRowsDouble(nullptr, nullptr, 2, 8);
    StretchRowsDouble(From.data(), F.Rows.data(), 0, 4);
    StretchRowsDouble(From.data(), F.Rows.data(), 1, -4);
    for (uint8_t* Row : F.Rows)
        UNPOISON(Row, 32);
    EXPECT_EQ(F.Bytes(), Before);
}

// Each source pixel twice, side by side, fourth byte included; nothing written past 2 * Width.
TEST(AnaglyphStretch, EveryPixelTwice)
{
    std::mt19937 Rng(11);
    for (int32_t W = 0; W <= 40; ++W)
        for (int Impl : {int(ciScalar), int(ciSse2), int(ciAvx2), -1}) {
            TestFrame Src(W + 3, 3, Rng), Dst(2 * W, 3, Rng);  // wider source: read W only
            std::vector<const uint8_t*> From(Src.Rows.begin(), Src.Rows.end());
            if (Impl < 0)
                StretchRowsDouble(From.data(), Dst.Rows.data(), 3, W);
            else if (!StretchRowsDoubleWith(TComposeImpl(Impl), From.data(), Dst.Rows.data(), 3, W))
                continue;
            for (int32_t Row = 0; Row < 3; ++Row)
                for (int32_t X = 0; X < 2 * W; ++X)
                    ASSERT_EQ(Dst.At(Row, X), Src.At(Row, X / 2)) << "impl " << Impl << " W=" << W << " x=" << X;
        }
}

// ---- The composition plan: every glasses, pair layout and display -------------------------

// Green/magenta and amber/blue x method, the tables spelled out again (red, green, blue x
// Lr .. Rb); red/cyan's are OracleWeights; red/blue and red/green have grey only.
const int32_t GlassesWeights[2][4][3][6] = {
    {{{0, 0, 0, 65536, 0, 0}, {0, 65536, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 65536}},
     {{0, 0, 0, 65536, 0, 0}, {19595, 38470, 7471, 0, 0, 0}, {0, 0, 0, 0, 0, 65536}},
     {{0, 0, 0, 19595, 38470, 7471}, {19595, 38470, 7471, 0, 0, 0}, {0, 0, 0, 19595, 38470, 7471}},
     {{-4063, -10354, -2556, 34669, 46203, 1573}, {18612, 43778, 9372, -1049, -983, -4260},
      {-983, -1769, 1376, 590, 4915, 61407}}},
    {{{0, 0, 0, 65536, 0, 0}, {0, 0, 0, 0, 65536, 0}, {0, 0, 65536, 0, 0, 0}},
     {{0, 0, 0, 65536, 0, 0}, {0, 0, 0, 0, 65536, 0}, {19595, 38470, 7471, 0, 0, 0}},
     {{0, 0, 0, 19595, 38470, 7471}, {0, 0, 0, 19595, 38470, 7471}, {19595, 38470, 7471, 0, 0, 0}},
     {{69599, -13435, 19595, -1048, -8061, -1114}, {-1704, 59507, 4456, 393, 4063, -1114},
      {-2490, -11338, 1442, 6160, 12124, 59703}}},
};
const int32_t GreyWeights[2][3][6] = {{{19595, 38470, 7471, 0, 0, 0}, {}, {0, 0, 0, 19595, 38470, 7471}},
                                      {{19595, 38470, 7471, 0, 0, 0}, {0, 0, 0, 19595, 38470, 7471}, {}}};

const int32_t (&TableOf(int G, int M))[3][6]
{
    return G >= glRedBlue ? GreyWeights[G - glRedBlue] : G == glRedCyan ? OracleWeights[M] : GlassesWeights[G - 1][M];
}

// The shown picture, pixel by pixel from the definitions.
std::vector<uint8_t> ExpectedShown(const TestFrame& F, const TComposeOptions& O, int32_t Sx, int32_t Sy)
{
    const bool Tb = O.Pair == plTopAndBottom;
    const int64_t W = F.FW, H = F.Height(), N = O.Offset, Pw = Tb ? W : W / 2, Ph = Tb ? H / 2 : H;
    const int Dx = O.HalfPair && !Tb, Dy = O.HalfPair && Tb;
    // The second half: Down rows below, or across from pixel Pw - 1; the left eye is in the first
    // unless swapped, and shifted by N.
    const int64_t Down = Tb ? Ph : 0, Across = Tb ? 0 : Pw - 1;
    auto Get = [&](int64_t Row, int64_t X) { return X >= 0 && X < W ? F.At(int32_t(Row), int32_t(X)) : Pixel{}; };
    std::vector<uint8_t> Out;
    for (int64_t V = 0; V < (Ph << Dy); ++V)
        for (int64_t U = 0; U < (Pw << Dx); ++U) {
            const int64_t J = U >> Dx, Y = V >> Dy;
            const Pixel L = O.Swap ? Get(Y + Down, J + Across + N) : Get(Y, J + N);
            const Pixel R = O.Swap ? Get(Y, J) : Get(Y + Down, J + Across);
            const bool EvenX = (Sx + U) % 2 == 0, EvenY = (Sy + V) % 2 == 0;
            const bool LeftEye[] = {false, true, false, EvenY, EvenX, EvenX == EvenY};  // by TShowMode
            Pixel P = LeftEye[O.Show] ? L : R;
            if (O.Show == smAnaglyph) {
                const int64_t In[6] = {L.R, L.G, L.B, R.R, R.G, R.B};
                uint8_t C[3];
                for (int K = 0; K < 3; ++K) {
                    const int64_t Sum = std::inner_product(In, In + 6, TableOf(O.Glasses, O.Method)[K], int64_t(0));
                    C[K] = uint8_t(std::clamp<int64_t>(Sum >> 16, 0, 255));
                }
                P = {C[2], C[1], C[0], F.At(int32_t(Y), int32_t(J)).X};
            }
            Out.insert(Out.end(), {P.B, P.G, P.R, P.X});
        }
    return Out;
}

// Every implementation and the dispatcher on copies of F: the output must be the oracle's, and a
// frame the plan only reads must be left as captured.
void CheckPlan(const TestFrame& F, const TComposeOptions& O, int32_t Sx, int32_t Sy, std::mt19937& Rng)
{
    const std::vector<uint8_t> Want = ExpectedShown(F, O, Sx, Sy);
    const TComposePlan P = MakeComposePlan(O);
    ASSERT_EQ(size_t(P.ShownWidth) * size_t(std::max(P.ShownHeight, 0)) * 4, Want.size());
    for (int Impl : {int(ciScalar), int(ciSse2), int(ciAvx2), -1}) {
        auto G = F.Clone(Rng);
        TestFrame Out(P.ShownWidth, P.ShownHeight, Rng);
        if (Impl < 0)
            ComposeFrame(P, G->Rows.data(), Out.Rows.data(), Sx, Sy);
        else if (!ComposeFrameWith(TComposeImpl(Impl), P, G->Rows.data(), Out.Rows.data(), Sx, Sy))
            continue;
        ASSERT_EQ(Out.Bytes(), Want) << "impl " << Impl << " glasses, method, show, pair, swap, half " << O.Glasses
                                     << O.Method << O.Show << O.Pair << int(O.Swap) << int(O.HalfPair) << " " << F.FW
                                     << "x" << F.Height() << " N=" << O.Offset << " at " << Sx << "," << Sy;
        ASSERT_EQ(P.InFrame ? F.Bytes() : G->Bytes(), F.Bytes()) << "frame rewritten, show " << O.Show;
    }
}

// Every display (the anaglyph with every glasses x method), swapped or not, side by side and top
// and bottom, doubled or not; frames with odd and even sizes across the vector blocks' tails;
// offsets of 0, negative, at and past the row's edges and at the 32-bit extremes; the views and
// interleavings at both parities of the screen position (negative ones too).
TEST(ComposePlan, EveryDisplayMatchesTheOracle)
{
    std::mt19937 Rng(21);
    const int32_t Sizes[][2] = {{9, 5}, {38, 7}, {71, 4}, {2, 3}, {3, 1}, {1, 2}};
    const int32_t Screens[][2] = {{0, 0}, {1, 0}, {0, 1}, {-3, -1}};
    for (const auto& [W, H] : Sizes) {
        TestFrame F(W, H, Rng);
        for (int S = smAnaglyph; S <= smCheckerboard; ++S)
            for (int GM = 0; GM < (S == smAnaglyph ? (glRedGreen + 1) * 4 : 1); ++GM)
                for (int Bits = 0; Bits < 8; ++Bits)
                    for (int32_t N : {0, 3, -2, W / 2, W - W / 2 + 1, -W - 1, INT32_MAX, INT32_MIN})
                        for (int At = 0; At < (S == smAnaglyph ? 1 : 4); ++At) {
                            CheckPlan(F,
                                      {W, H, N, TGlasses(GM / 4), TAnaglyphMethod(GM % 4), TPairLayout(Bits & 1),
                                       (Bits & 2) != 0, TShowMode(S), (Bits & 4) != 0},
                                      Screens[At][0], Screens[At][1], Rng);
                            if (HasFatalFailure())
                                return;
                        }
    }
    // Every combination of 0 and 255 in the six inputs, for every table: each sum at its most
    // negative and most positive (the clamps, and the weights beyond 16 bits at full scale).
    TestFrame F(128, 2, Rng);  // side by side: picture pixel j pairs pixel j with 63 + j
    for (int32_t Combo = 0; Combo < 64; ++Combo) {
        auto Bit = [&](int K) { return uint8_t(Combo >> K & 1 ? 255 : 0); };
        F.Set(0, Combo, {Bit(2), Bit(1), Bit(0), 9});
        F.Set(0, 63 + Combo, {Bit(5), Bit(4), Bit(3), 9});
    }
    for (int GM = 0; GM < (glRedGreen + 1) * 4; ++GM)
        CheckPlan(F, {128, 2, 0, TGlasses(GM / 4), TAnaglyphMethod(GM % 4)}, 0, 0, Rng);
}

// Sizes, the method in effect and the clamp of the left eye's shift: with the eyes swapped,
// HalfWidth - 1 + N passes 32 bits for N near the limit and would wrap on a 32-bit target.
TEST(ComposePlan, SizesMethodAndClampedShift)
{
    // options -> picture and shown size, left shift, first and end, method
    const std::pair<TComposeOptions, std::vector<int32_t>> Cases[] = {
        {{9, 5, 2}, {4, 5, 4, 5, 2, 0, 4, amColour}},
        {{9, 5, 2, glRedCyan, amDubois, plSideBySide, false, smAnaglyph, true}, {4, 5, 8, 5, 2, 0, 4, amDubois}},
        {{9, 5, -2, glGreenMagenta, amGrey, plTopAndBottom}, {9, 2, 9, 2, -2, 2, 9, amGrey}},
        {{9, 5, 0, glAmberBlue, amHalfColour, plTopAndBottom, false, smAnaglyph, true},
         {9, 2, 9, 4, 0, 0, 9, amHalfColour}},
        {{8, 6, 1, glRedBlue, amDubois, plSideBySide, true}, {4, 6, 4, 6, 4, 0, 4, amGrey}},
        {{8, 6, 1, glRedGreen, amColour, plTopAndBottom, true}, {8, 3, 8, 3, 1, 0, 7, amGrey}},
        {{10, 1, INT32_MAX, glRedCyan, amColour, plSideBySide, true}, {5, 1, 5, 1, 10, 0, 0, amColour}},
        {{10, 1, INT32_MIN, glRedCyan, amColour, plSideBySide, true}, {5, 1, 5, 1, -10, 5, 5, amColour}},
        {{10, 1, INT32_MAX - 3, glRedCyan, amColour, plTopAndBottom, true}, {10, 0, 10, 0, 10, 0, 0, amColour}},
        {{1, 1, 0}, {0, 1, 0, 1, 0, 0, 0, amColour}},
    };
    for (const auto& [O, Want] : Cases) {
        const TComposePlan P = MakeComposePlan(O);
        EXPECT_EQ(std::vector<int32_t>({P.PictureWidth, P.PictureHeight, P.ShownWidth, P.ShownHeight, P.Left.Shift,
                                        P.Left.First, P.Left.End, P.Method}),
                  Want)
            << O.FrameWidth << "x" << O.FrameHeight << " N=" << O.Offset;
    }
}

}  // namespace
