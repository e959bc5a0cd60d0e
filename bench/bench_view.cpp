// The shown picture per frame against a memcpy of its output, in the same run: Fit to window at
// 1920 x 1080 from a 960 x 1080 composed half (a half-width pair on a full-HD screen) through each
// implementation (and from 1280 x 720, which blends rows, for comparison), and 200 % (2 x 2, and
// 4 x 2 for a half-width pair) to 1920 x 1080. Plain program: prints a table; exits non-zero when
// an implementation's pixels differ from the scalar one's.
// The Windows build also times the start-up: from making the main form to its first shown and
// painted window, with stored settings against a first run, alternately in the same run.
#include "Scale.h"

#if defined(TINTEYE_BENCH_STARTUP)
#include <windows.h>

#include "BenchSupport.h"
#include "MainFormSource.h"
#include "Settings.h"
#endif

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

namespace {

// Median and fastest of Runs timed steps. The machine may be shared: the median is the typical
// cost, the fastest the cost undisturbed, and the ratios are taken between the fastest.
struct TTime {
    double Median, Min;
};

template <class F>
TTime Time(int Runs, F&& Step)
{
    for (int i = 0; i < 3; ++i)
        Step();
    std::vector<double> ms;
    for (int i = 0; i < Runs; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        Step();
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    std::nth_element(ms.begin(), ms.begin() + ms.size() / 2, ms.end());
    return {ms[ms.size() / 2], *std::min_element(ms.begin(), ms.end())};
}

// A top-down picture in page-aligned memory, as a bitmap's pixels are, and its row table.
struct TPicture {
    TPicture(int32_t W, int32_t H) : Raw(size_t(W) * size_t(H) * 4 + 4096), Rows(size_t(H))
    {
        uint8_t* start = Raw.data() + (4096 - reinterpret_cast<uintptr_t>(Raw.data()) % 4096) % 4096;
        for (int32_t y = 0; y < H; ++y)
            Rows[size_t(y)] = start + size_t(y) * size_t(W) * 4;
        Bytes = size_t(W) * size_t(H) * 4;
    }
    std::vector<uint8_t> Raw;
    std::vector<uint8_t*> Rows;
    size_t Bytes = 0;
};

TTime MemcpyTime(size_t Bytes)
{
    std::vector<uint8_t> from(Bytes, 1), to(Bytes);
    return Time(60, [&] { std::memcpy(to.data(), from.data(), Bytes); });
}

void Row(const char* Name, TComposeImpl Impl, TTime T, TTime Copy)
{
    std::printf("%-38s %-7s %8.3f %8.3f %9.2f\n", Name, ComposeImplName(Impl), T.Median, T.Min, T.Min / Copy.Min);
}

#if defined(TINTEYE_BENCH_STARTUP)
// Milliseconds from making the form to its window shown and painted.
double StartUpMs()
{
    const auto t0 = std::chrono::steady_clock::now();
    Application->CreateForm(MainForm);
    MainForm->Show();
    UpdateWindow(MainForm->Handle());
    Pump();
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    delete MainForm;
    MainForm = nullptr;
    Pump();
    return ms;
}

// Stores settings under Key: options, a window of 640 x 400, the toolbar docked or floating.
void Store(const std::wstring& Key, bool Floating)
{
    SetSettingsKey(HKEY_CURRENT_USER, Key);
    TSettingsStore().Erase();
    Application->CreateForm(MainForm);
    MainForm->Show();
    MainForm->SetMethod(amDubois);
    MainForm->SetZoom(zmFit);
    MainForm->SetFrameRate(fr30);
    MainForm->SetBounds(100, 120, 640, 400);
    if (Floating)
        MainForm->ToolWindow971->SetDockedTo(nullptr);
    MainForm->Close();
    delete MainForm;
    MainForm = nullptr;
    Pump();
}

void StartUp()
{
    TApplication app(nullptr);
    Application->Initialize();
    InstallCountingReporter();
    const std::wstring keys[] = {L"Software\\TinteyeBench\\FirstRun", L"Software\\TinteyeBench\\Docked",
                                 L"Software\\TinteyeBench\\Floating"};
    Store(keys[1], false);
    Store(keys[2], true);
    std::vector<double> ms[3];
    for (int i = 0; i < 3 + 20; ++i)
        for (int k = 0; k < 3; ++k) {
            SetSettingsKey(HKEY_CURRENT_USER, keys[k]);
            const double t = StartUpMs();
            if (i >= 3)
                ms[k].push_back(t);
        }
    TSettingsStore(TSettingsKey{HKEY_CURRENT_USER, L"Software\\TinteyeBench"}).Erase();
    SetSettingsKey(nullptr, L"");
    double median[3];
    for (int k = 0; k < 3; ++k) {
        std::nth_element(ms[k].begin(), ms[k].begin() + ms[k].size() / 2, ms[k].end());
        median[k] = ms[k][ms[k].size() / 2];
    }
    std::printf("\nstart-up to the first painted window (median of 20; goal: stored within 10 %% of a first run)\n"
                "first run %.2f ms; stored, toolbar docked %.2f ms (%+.1f %%); stored, toolbar floating %.2f ms "
                "(%+.1f %%: a second window)\n",
                median[0], median[1], (median[1] / median[0] - 1) * 100, median[2], (median[2] / median[0] - 1) * 100);
}
#endif

}  // namespace

int main()
{
    const int32_t W = 1920, H = 1080;
    std::mt19937 rng(3);
    bool ok = true;
    const TTime copy = MemcpyTime(size_t(W) * H * 4);
    std::printf("memcpy of the %d x %d output: median %.3f ms, fastest %.3f ms\n\n", W, H, copy.Median, copy.Min);
    std::printf("%-38s %-7s %8s %8s %9s\n", "shown", "impl", "median", "fastest", "x memcpy");

    // The goal's case, every shown row on a source row; and for comparison one that blends rows.
    const struct {
        const char* Name;
        int32_t SourceWidth, SourceHeight;
    } fits[] = {{"Fit 960x1080 -> 1920x1080", W / 2, H}, {"Fit 1280x720 -> 1920x1080 (no goal)", 1280, 720}};
    for (const auto& f : fits) {
        TPicture source(f.SourceWidth, f.SourceHeight), fitted(W, H), reference(W, H);
        for (uint8_t* row : source.Rows)
            for (int32_t i = 0; i < f.SourceWidth * 4; ++i)
                row[i] = uint8_t(rng());
        TScalePlan plan;
        plan.Build(f.SourceWidth, f.SourceHeight, W, H);
        ScaleBilinearWith(ciScalar, plan, source.Rows.data(), reference.Rows.data());
        for (TComposeImpl impl : {ciScalar, ciSse2, ciAvx2}) {
            if (!ComposeImplAvailable(impl))
                continue;
            const TTime t = Time(30, [&] { ScaleBilinearWith(impl, plan, source.Rows.data(), fitted.Rows.data()); });
            ok = ok && std::memcmp(fitted.Rows[0], reference.Rows[0], fitted.Bytes) == 0;
            Row(f.Name, impl, t, copy);
        }
    }

    const struct {
        const char* Name;
        int ScaleX;
    } zooms[] = {{"200 % 960x540 -> 1920x1080", 2}, {"200 % half-width 480x540 -> 1920x1080", 4}};
    for (const auto& z : zooms) {
        TPicture source(W / z.ScaleX, H / 2), zoomed(W, H), expected(W, H);
        for (uint8_t* row : source.Rows)
            for (int32_t i = 0; i < W / z.ScaleX * 4; ++i)
                row[i] = uint8_t(rng());
        ZoomRowsWith(ciScalar, source.Rows.data(), expected.Rows.data(), H / 2, W / z.ScaleX, z.ScaleX, 2);
        for (TComposeImpl impl : {ciScalar, ciSse2}) {
            if (!ComposeImplAvailable(impl))
                continue;
            const TTime t = Time(30, [&] {
                ZoomRowsWith(impl, source.Rows.data(), zoomed.Rows.data(), H / 2, W / z.ScaleX, z.ScaleX, 2);
            });
            ok = ok && std::memcmp(zoomed.Rows[0], expected.Rows[0], zoomed.Bytes) == 0;
            Row(z.Name, impl, t, copy);
        }
    }
    std::printf("\ngoals (fastest against fastest): Fit <= 3 x memcpy, 200 %% <= 1.5 x memcpy%s\n", ok ? "" : "\nMISMATCH between implementations");
#if defined(TINTEYE_BENCH_STARTUP)
    StartUp();
    ok = ok && ErrorExitCode() == 0;
#endif
    return ok ? 0 : 1;
}
