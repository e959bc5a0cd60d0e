// Composition time per frame for side-by-side frames, against a memcpy of the bytes it writes
// (HalfWidth x H x 4), for every colour method with and without swapped eyes; and the doubled-width
// stretch of a half-width picture against a memcpy of its output. Plain program: prints a table,
// exits non-zero if a path disagrees with the byte loop or the scalar kernels.
#include "Anaglyph.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

namespace {

const int32_t Offset = 30;  // the program's default

volatile uint8_t Sink;

// Median and fastest of Runs timed steps. The machine may be shared: the median is the typical
// cost, the fastest the cost undisturbed.
struct TTime {
    double Median, Min;
};

template <class F>
TTime Time(int Runs, F&& Step)
{
    for (int I = 0; I < 3; ++I)
        Step();  // warm caches and page mappings
    std::vector<double> Ms;
    for (int I = 0; I < Runs; ++I) {
        const auto T0 = std::chrono::steady_clock::now();
        Step();
        const auto T1 = std::chrono::steady_clock::now();
        Ms.push_back(std::chrono::duration<double, std::milli>(T1 - T0).count());
    }
    std::nth_element(Ms.begin(), Ms.begin() + Ms.size() / 2, Ms.end());
    return {Ms[Ms.size() / 2], *std::min_element(Ms.begin(), Ms.end())};
}

// Page-aligned bytes, as a bitmap's pixel memory is; a plain vector would be 16 bytes off a
// cache line and time split loads that the program never does.
class Buffer {
public:
    explicit Buffer(size_t Size) : Raw(Size + 4096), Size(Size)
    {
        const auto At = reinterpret_cast<uintptr_t>(Raw.data());
        Start = Raw.data() + ((4096 - At % 4096) % 4096);
    }
    uint8_t* Data() { return Start; }
    const uint8_t* Data() const { return Start; }
    bool operator==(const Buffer& Other) const
    {
        return Size == Other.Size && std::memcmp(Start, Other.Start, Size) == 0;
    }
    void CopyFrom(const Buffer& Other) { std::memcpy(Start, Other.Start, std::min(Size, Other.Size)); }

private:
    std::vector<uint8_t> Raw;
    uint8_t* Start;
    size_t Size;
};

// One contiguous top-down frame, as a 32-bit bitmap gives it, and its row table.
struct Frame {
    Frame(int32_t W, int32_t H) : Pixels(size_t(W) * H * 4), Rows(H)
    {
        for (int32_t I = 0; I < H; ++I)
            Rows[I] = Pixels.Data() + size_t(I) * W * 4;
    }
    Buffer Pixels;
    std::vector<uint8_t*> Rows;
};

const char* const MethodNames[] = {"colour", "half-colour", "grey", "Dubois"};
const TComposeImpl Impls[] = {ciScalar, ciSse2, ciAvx2};

// A memcpy of Bytes bytes between page-aligned buffers.
TTime TimeMemcpy(size_t Bytes, int Runs)
{
    Buffer From(Bytes), To(Bytes);
    std::memset(From.Data(), 0x5A, Bytes);
    return Time(Runs, [&] {
        std::memcpy(To.Data(), From.Data(), Bytes);
        Sink = To.Data()[Bytes / 2];
    });
}

void PrintRow(int32_t W, int32_t H, const char* Path, TTime T, TTime Memcpy)
{
    char Size[32];
    std::snprintf(Size, sizeof Size, "%dx%d", W, H);
    std::printf("%-11s %-26s %9.3f %9.3f %9.2f %9.2f\n", Size, Path, T.Median, T.Min,
                T.Median / Memcpy.Median, T.Min / Memcpy.Min);
}

void PrintGoal(const char* What, TTime T, TTime Memcpy, const char* Goal, bool Same)
{
    std::printf("%-11s %s / memcpy = %.2f (median), %.2f (fastest); goal %s%s\n\n", "", What,
                T.Median / Memcpy.Median, T.Min / Memcpy.Min, Goal, Same ? "" : "  RESULTS DIFFER");
}

// Every implementation other than the one in use, indented under it.
template <class F>
void PrintOtherImpls(int32_t W, int32_t H, int Runs, TTime Memcpy, F&& Run)
{
    for (TComposeImpl Impl : Impls) {
        if (!ComposeImplAvailable(Impl) || Impl == ComposeImplInUse())
            continue;
        char Name[48];
        std::snprintf(Name, sizeof Name, "  %s", ComposeImplName(Impl));
        const int N = Impl == ciScalar ? std::max(5, Runs / 10) : Runs;
        PrintRow(W, H, Name, Time(N, [&] { Run(Impl); }), Memcpy);
    }
}

// The composition as it stands before any method was added, against the byte loop.
bool BenchDefault(int32_t W, int32_t H, int Runs, Frame& F, TTime Memcpy)
{
    const TAnaglyphGeometry G = ComputeGeometry(W, Offset);
    // Every path must give the byte loop's result before its time means anything.
    Frame Want(W, H);
    Want.Pixels.CopyFrom(F.Pixels);
    ComposeAnaglyphReference(Want.Rows.data(), H, G.HalfWidth, G.RightStart, G.RedShift, W, Offset);
    bool Same = true;
    for (TComposeImpl Impl : Impls) {
        if (!ComposeImplAvailable(Impl))
            continue;
        Frame Got(W, H);
        Got.Pixels.CopyFrom(F.Pixels);
        ComposeAnaglyphWith(Impl, Got.Rows.data(), H, G.HalfWidth, G.RightStart, G.RedShift, W,
                            Offset);
        if (!(Got.Pixels == Want.Pixels)) {
            std::printf("%s differs from the byte loop at %dx%d\n", ComposeImplName(Impl), W, H);
            Same = false;
        }
    }

    const TTime Production = Time(Runs, [&] {
        ComposeAnaglyph(F.Rows.data(), H, G.HalfWidth, G.RightStart, G.RedShift, W, Offset);
    });
    char InUse[48];
    std::snprintf(InUse, sizeof InUse, "ComposeAnaglyph (%s)", ComposeImplName(ComposeImplInUse()));
    PrintRow(W, H, InUse, Production, Memcpy);
    PrintOtherImpls(W, H, Runs, Memcpy, [&](TComposeImpl Impl) {
        ComposeAnaglyphWith(Impl, F.Rows.data(), H, G.HalfWidth, G.RightStart, G.RedShift, W,
                            Offset);
    });
    PrintRow(W, H, "reference byte loop", Time(std::max(5, Runs / 10), [&] {
        ComposeAnaglyphReference(F.Rows.data(), H, G.HalfWidth, G.RightStart, G.RedShift, W,
                                 Offset);
    }), Memcpy);
    PrintGoal("ComposeAnaglyph", Production, Memcpy, "<= 1.5", Same);
    return Same;
}

// One method, one eye order, checked against the scalar kernels: the production path, then
// every other implementation.
bool BenchMethod(int32_t W, int32_t H, int Runs, Frame& F, TTime Memcpy,
                 TAnaglyphMethod Method, bool Swap, TTime& Production)
{
    Frame Want(W, H);
    Want.Pixels.CopyFrom(F.Pixels);
    ComposeAnaglyphMethodWith(ciScalar, Want.Rows.data(), H, W, Offset, Method, Swap);
    bool Same = true;
    for (int Impl = -1; Impl <= ciAvx2; ++Impl) {
        Frame Got(W, H);
        Got.Pixels.CopyFrom(F.Pixels);
        if (Impl < 0)
            ComposeAnaglyphMethod(Got.Rows.data(), H, W, Offset, Method, Swap);
        else if (!ComposeAnaglyphMethodWith(TComposeImpl(Impl), Got.Rows.data(), H, W, Offset,
                                            Method, Swap))
            continue;
        if (!(Got.Pixels == Want.Pixels)) {
            std::printf("%s %s%s differs from scalar at %dx%d\n",
                        Impl < 0 ? "production" : ComposeImplName(TComposeImpl(Impl)),
                        MethodNames[Method], Swap ? " swapped" : "", W, H);
            Same = false;
        }
    }
    char Name[64];
    std::snprintf(Name, sizeof Name, "%s%s (%s)", MethodNames[Method], Swap ? " swap" : "",
                  ComposeImplName(ComposeImplInUse()));
    Production =
        Time(Runs, [&] { ComposeAnaglyphMethod(F.Rows.data(), H, W, Offset, Method, Swap); });
    PrintRow(W, H, Name, Production, Memcpy);
    PrintOtherImpls(W, H, Runs, Memcpy, [&](TComposeImpl Impl) {
        ComposeAnaglyphMethodWith(Impl, F.Rows.data(), H, W, Offset, Method, Swap);
    });
    return Same;
}

// A half-width picture (the composed half) shown at twice its width.
bool BenchStretch(int32_t W, int32_t H, int Runs)
{
    const int32_t Half = W / 2;
    Frame Src(Half, H), Dst(2 * Half, H), Want(2 * Half, H);
    std::mt19937 Rng(H);
    for (size_t I = 0; I < size_t(Half) * H * 4; ++I)
        Src.Pixels.Data()[I] = uint8_t(Rng());
    std::vector<const uint8_t*> From(Src.Rows.begin(), Src.Rows.end());
    for (int32_t Y = 0; Y < H; ++Y)
        for (int32_t X = 0; X < 2 * Half; ++X)
            std::memcpy(Want.Rows[Y] + 4 * X, Src.Rows[Y] + 4 * (X / 2), 4);
    bool Same = true;
    for (TComposeImpl Impl : Impls) {
        Frame Got(2 * Half, H);
        if (StretchRowsDoubleWith(Impl, From.data(), Got.Rows.data(), H, Half) &&
            !(Got.Pixels == Want.Pixels)) {
            std::printf("stretch %s differs at %dx%d\n", ComposeImplName(Impl), W, H);
            Same = false;
        }
    }

    const TTime Memcpy = TimeMemcpy(size_t(2 * Half) * H * 4, Runs);
    PrintRow(W, H, "memcpy of stretched output", Memcpy, Memcpy);
    char Name[48];
    std::snprintf(Name, sizeof Name, "stretch x2 (%s)", ComposeImplName(ComposeImplInUse()));
    const TTime Production =
        Time(Runs, [&] { StretchRowsDouble(From.data(), Dst.Rows.data(), H, Half); });
    PrintRow(W, H, Name, Production, Memcpy);
    PrintOtherImpls(W, H, Runs, Memcpy, [&](TComposeImpl Impl) {
        StretchRowsDoubleWith(Impl, From.data(), Dst.Rows.data(), H, Half);
    });
    PrintGoal("stretch", Production, Memcpy, "<= 2", Same);
    return Same;
}

bool BenchSize(int32_t W, int32_t H, int Runs)
{
    Frame F(W, H), Captured(W, H);
    std::mt19937 Rng(W);
    for (size_t I = 0; I < size_t(W) * H * 4; ++I)
        F.Pixels.Data()[I] = uint8_t(Rng());
    Captured.Pixels.CopyFrom(F.Pixels);

    const TTime Memcpy = TimeMemcpy(size_t(W / 2) * H * 4, Runs);
    PrintRow(W, H, "memcpy of output", Memcpy, Memcpy);
    bool Ok = BenchDefault(W, H, Runs, F, Memcpy);

    for (TAnaglyphMethod Method : {amColour, amHalfColour, amGrey, amDubois}) {
        TTime T[2];
        for (bool Swap : {false, true}) {
            F.Pixels.CopyFrom(Captured.Pixels);
            Ok = BenchMethod(W, H, Runs, F, Memcpy, Method, Swap, T[Swap]) && Ok;
        }
        PrintGoal(MethodNames[Method], T[0], Memcpy, Method == amColour ? "<= 1.5" : "<= 2", Ok);
        std::printf("%-11s %s swap / no swap = %.2f (median), %.2f (fastest)\n\n", "",
                    MethodNames[Method], T[1].Median / T[0].Median, T[1].Min / T[0].Min);
    }
    return BenchStretch(W, H, Runs) && Ok;
}

}  // namespace

int main()
{
    std::printf("Anaglyph composition of side-by-side frames, offset %d, ms per frame\n", Offset);
    std::printf("%-11s %-26s %9s %9s %9s %9s\n", "frame", "path", "median", "fastest",
                "x memcpy", "x memcpy");
    bool Ok = BenchSize(1920, 1080, 300);
    Ok = BenchSize(3840, 2160, 100) && Ok;
    return Ok ? 0 : 1;
}
