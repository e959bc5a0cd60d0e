// Composition time per frame for side-by-side frames, against a memcpy of the bytes it writes
// (HalfWidth x H x 4), for every colour method with and without swapped eyes; and the doubled-width
// stretch of a half-width picture against a memcpy of its output; then through the composition
// plan every glasses x method side by side and top and bottom (against ffmpeg's stereo3d filter
// when ffmpeg is installed), one view alone and the interleavings. Plain program: prints a table,
// exits non-zero if a path disagrees with the byte loop or the scalar kernels.
#include "Anaglyph.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <random>
#include <vector>

#if defined(_WIN32)
#define popen _popen
#define pclose _pclose
#endif

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

// ---- The composition plan ----------------------------------------------------------------

const char* const GlassesNames[] = {"red/cyan", "green/magenta", "amber/blue", "red/blue", "red/green"};
// ffmpeg's stereo3d outputs per glasses x method (red/blue and red/green: grey only).
const char* const FfmpegOutputs[5][4] = {{"arcc", "arch", "arcg", "arcd"}, {"agmc", "agmh", "agmg", "agmd"},
                                         {"aybc", "aybh", "aybg", "aybd"}, {"", "", "arbg", ""},
                                         {"", "", "argg", ""}};

// ffmpeg's CPU time (user + system) per frame for a filter graph over Frames frames of a W x H
// rgb24 picture read from Path, or a negative value when it cannot be run.
double FfmpegMs(const std::string& Path, int32_t W, int32_t H, int Frames, const std::string& Filter)
{
    const std::string Command = "ffmpeg -hide_banner -nostdin -benchmark -stream_loop " + std::to_string(Frames - 1) +
                                " -f rawvideo -pix_fmt rgb24 -s " + std::to_string(W) + "x" + std::to_string(H) +
                                " -i " + Path + " -vf " + Filter + " -f null - 2>&1";
    FILE* Out = popen(Command.c_str(), "r");
    if (Out == nullptr)
        return -1;
    char Line[512];
    double User = -1, System = 0;
    while (std::fgets(Line, sizeof Line, Out) != nullptr) {
        const char* At = std::strstr(Line, "bench: utime=");
        if (At != nullptr)
            std::sscanf(At, "bench: utime=%lfs stime=%lfs", &User, &System);
    }
    const int Status = pclose(Out);
    return Status == 0 && User >= 0 ? (User + System) * 1000.0 / Frames : -1;
}

bool FfmpegInstalled() { return std::system("ffmpeg -version > /dev/null 2>&1") == 0; }

// The plan's frame through the implementation in use, checked against the scalar kernels.
bool SameAsScalar(const TComposePlan& P, const Frame& Captured, const char* What)
{
    const int32_t W = P.Options.FrameWidth, H = P.Options.FrameHeight;
    Frame A(W, H), B(W, H), OutA(P.ShownWidth, P.ShownHeight), OutB(P.ShownWidth, P.ShownHeight);
    A.Pixels.CopyFrom(Captured.Pixels);
    B.Pixels.CopyFrom(Captured.Pixels);
    ComposeFrameWith(ciScalar, P, A.Rows.data(), OutA.Rows.data(), 1, 0);
    ComposeFrame(P, B.Rows.data(), OutB.Rows.data(), 1, 0);
    const bool Same = OutA.Pixels == OutB.Pixels;
    if (!Same)
        std::printf("%s differs from scalar\n", What);
    return Same;
}

bool BenchPlans(int32_t W, int32_t H, int Runs)
{
    Frame F(W, H), Captured(W, H);
    std::mt19937 Rng(W + 1);
    for (size_t I = 0; I < size_t(W) * H * 4; ++I)
        Captured.Pixels.Data()[I] = uint8_t(Rng());
    bool Ok = true;

    // ffmpeg reads the same picture (as rgb24, the format its anaglyphs take); its filter's own
    // cost is its run with the filter less its run with a null filter.
    const bool Ffmpeg = FfmpegInstalled();
    const std::string RawPath = "/tmp/bench_compose_" + std::to_string(W) + ".rgb";
    const int FfmpegFrames = 60;
    double FfmpegBase = -1;
    if (Ffmpeg) {
        std::vector<uint8_t> Rgb(size_t(W) * H * 3);
        for (size_t I = 0; I < size_t(W) * H; ++I)
            std::memcpy(&Rgb[3 * I], Captured.Pixels.Data() + 4 * I, 3);
        if (FILE* Raw = std::fopen(RawPath.c_str(), "wb")) {
            std::fwrite(Rgb.data(), 1, Rgb.size(), Raw);
            std::fclose(Raw);
            FfmpegBase = FfmpegMs(RawPath, W, H, FfmpegFrames, "null");
        }
        std::printf("ffmpeg: stereo3d's own CPU time per frame (a run with it less one with a null filter, "
                    "%d frames, base %.3f ms)\n", FfmpegFrames, FfmpegBase);
    } else {
        std::printf("ffmpeg is not installed: no comparison with its stereo3d filter\n");
    }

    const TTime Memcpy = TimeMemcpy(size_t(W / 2) * H * 4, Runs);  // side by side and top and bottom alike
    PrintRow(W, H, "memcpy of output", Memcpy, Memcpy);
    // Medians; "fastest" is the undisturbed cost on a shared machine.
    std::printf("%-11s %-26s %9s %9s %9s %9s %9s %9s %9s\n", "", "glasses x method (plan)", "sbs", "t&b", "sbs/mcp",
                "fastest", "t&b/sbs", "ffmpeg", "ffm/sbs");
    const double Goals[] = {1.5, 2, 3, 6};
    for (int G = glRedCyan; G <= glRedGreen; ++G)
        for (int M = amColour; M <= amDubois; ++M) {
            if (*FfmpegOutputs[G][M] == 0)
                continue;
            TTime T[2];
            for (int Pair : {plSideBySide, plTopAndBottom}) {
                const TComposePlan P = MakeComposePlan(
                    {W, H, Offset, TGlasses(G), TAnaglyphMethod(M), TPairLayout(Pair)});
                Ok = SameAsScalar(P, Captured, FfmpegOutputs[G][M]) && Ok;
                F.Pixels.CopyFrom(Captured.Pixels);
                T[Pair] = Time(Runs, [&] { ComposeFrame(P, F.Rows.data(), nullptr, 0, 0); });
            }
            double Ff = -1;
            if (Ffmpeg && FfmpegBase >= 0) {
                const double With = FfmpegMs(RawPath, W, H, FfmpegFrames, std::string("stereo3d=sbsl:") + FfmpegOutputs[G][M]);
                Ff = With >= 0 ? With - FfmpegBase : -1;
            }
            char Name[48];
            std::snprintf(Name, sizeof Name, "%s %s", GlassesNames[G], MethodNames[M]);
            const double Ratio = T[0].Median / Memcpy.Median;
            std::printf("%-11s %-26s %9.3f %9.3f %9.2f %9.2f %9.2f %9.3f %9.1f  goal sbs/mcp <= %.1f%s%s\n", "",
                        Name, T[0].Median, T[1].Median, Ratio, T[0].Min / Memcpy.Min, T[1].Median / T[0].Median, Ff,
                        Ff > 0 ? Ff / T[0].Median : 0.0, Goals[M], Ratio <= Goals[M] ? "" : "  MISSED",
                        Ff > 0 && Ff / T[0].Median < 3 ? "  ffmpeg goal MISSED" : "");
        }

    std::printf("\n%-11s %-26s %9s %9s %9s\n", "", "views (plan, into output)", "median", "fastest", "x memcpy");
    const char* const ShowNames[] = {"", "left view", "right view", "rows", "columns", "checkerboard"};
    for (int Half : {0, 1})
        for (int Pair : {plSideBySide, plTopAndBottom}) {
            const TComposePlan P0 = MakeComposePlan({W, H, Offset, glRedCyan, amColour, TPairLayout(Pair), false,
                                                     smLeftView, Half != 0});
            const TTime Out = TimeMemcpy(size_t(P0.ShownWidth) * P0.ShownHeight * 4, Runs);
            for (int S = smLeftView; S <= smCheckerboard; ++S) {
                const TComposePlan P = MakeComposePlan({W, H, Offset, glRedCyan, amColour, TPairLayout(Pair), false,
                                                        TShowMode(S), Half != 0});
                char Name[64];
                std::snprintf(Name, sizeof Name, "%s %s%s", Pair ? "t&b" : "sbs", ShowNames[S], Half ? " x2" : "");
                Ok = SameAsScalar(P, Captured, Name) && Ok;
                Frame Shown(P.ShownWidth, P.ShownHeight);
                F.Pixels.CopyFrom(Captured.Pixels);
                const TTime T = Time(Runs, [&] { ComposeFrame(P, F.Rows.data(), Shown.Rows.data(), 1, 0); });
                const double Ratio = T.Median / Out.Median;
                std::printf("%-11s %-26s %9.3f %9.3f %9.2f  goal <= 1.5%s\n", "", Name, T.Median, T.Min, Ratio,
                            Ratio <= 1.5 ? "" : "  MISSED");
            }
        }
    if (Ffmpeg)
        std::remove(RawPath.c_str());
    std::printf("\n");
    return Ok;
}

}  // namespace

int main(int Argc, char** Argv)
{
    if (Argc > 1 && std::strcmp(Argv[1], "plans") == 0)  // the plan's part alone
        return BenchPlans(1920, 1080, 300) ? 0 : 1;
    std::printf("Anaglyph composition of side-by-side frames, offset %d, ms per frame\n", Offset);
    std::printf("%-11s %-26s %9s %9s %9s %9s\n", "frame", "path", "median", "fastest",
                "x memcpy", "x memcpy");
    bool Ok = BenchSize(1920, 1080, 300);
    Ok = BenchSize(3840, 2160, 100) && Ok;
    Ok = BenchPlans(1920, 1080, 300) && Ok;
    return Ok ? 0 : 1;
}
