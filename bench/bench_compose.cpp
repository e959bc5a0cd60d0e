// Composition time per frame for side-by-side frames, against a memcpy of the bytes it writes
// (HalfWidth x H x 4). Plain program: prints a table, exits non-zero if a path disagrees with the
// byte loop.
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

template <class F>
double MedianMs(int Runs, F&& Step)
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
    return Ms[Ms.size() / 2];
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

bool BenchSize(int32_t W, int32_t H, int Runs)
{
    const TAnaglyphGeometry G = ComputeGeometry(W, Offset);
    Frame F(W, H);
    std::mt19937 Rng(W);
    for (size_t I = 0; I < size_t(W) * H * 4; ++I)
        F.Pixels.Data()[I] = uint8_t(Rng());

    // Every path must give the byte loop's result before its time means anything.
    Frame Want(W, H);
    Want.Pixels.CopyFrom(F.Pixels);
    ComposeAnaglyphReference(Want.Rows.data(), H, G.HalfWidth, G.RightStart, G.RedShift, W, Offset);
    bool Same = true;
    for (TComposeImpl Impl : {ciScalar, ciSse2, ciAvx2}) {
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

    const size_t OutBytes = size_t(G.HalfWidth) * H * 4;
    Buffer From(OutBytes), To(OutBytes);
    From.CopyFrom(F.Pixels);
    const double Memcpy = MedianMs(Runs, [&] {
        std::memcpy(To.Data(), From.Data(), OutBytes);
        Sink = To.Data()[OutBytes / 2];
    });
    const double Production = MedianMs(Runs, [&] {
        ComposeAnaglyph(F.Rows.data(), H, G.HalfWidth, G.RightStart, G.RedShift, W, Offset);
    });
    const double Reference = MedianMs(std::max(5, Runs / 10), [&] {
        ComposeAnaglyphReference(F.Rows.data(), H, G.HalfWidth, G.RightStart, G.RedShift, W,
                                 Offset);
    });

    char Size[32];
    std::snprintf(Size, sizeof Size, "%dx%d", W, H);
    auto Row = [&](const char* Path, double Ms) {
        std::printf("%-11s %-22s %9.3f %9.2f\n", Size, Path, Ms, Ms / Memcpy);
    };
    Row("memcpy of output", Memcpy);
    char InUse[48];
    std::snprintf(InUse, sizeof InUse, "production (%s)", ComposeImplName(ComposeImplInUse()));
    Row(InUse, Production);
    for (TComposeImpl Impl : {ciScalar, ciSse2, ciAvx2}) {
        if (!ComposeImplAvailable(Impl) || Impl == ComposeImplInUse())
            continue;
        char Name[48];
        std::snprintf(Name, sizeof Name, "  %s", ComposeImplName(Impl));
        Row(Name, MedianMs(Runs, [&] {
            ComposeAnaglyphWith(Impl, F.Rows.data(), H, G.HalfWidth, G.RightStart, G.RedShift, W,
                                Offset);
        }));
    }
    Row("reference byte loop", Reference);
    std::printf("%-11s production / memcpy = %.2f (goal <= 1.5)%s\n\n", Size, Production / Memcpy,
                Same ? "" : "  RESULTS DIFFER");
    return Same;
}

}  // namespace

int main()
{
    std::printf("Anaglyph composition of side-by-side frames, offset %d, median ms per frame\n",
                Offset);
    std::printf("%-11s %-22s %9s %9s\n", "frame", "path", "ms", "x memcpy");
    bool Ok = BenchSize(1920, 1080, 300);
    Ok = BenchSize(3840, 2160, 100) && Ok;
    return Ok ? 0 : 1;
}
