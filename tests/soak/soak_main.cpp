// Soak run (make soak): the real main window captures a window of its own for 10,000 frame
// ticks with every option changed on the way and the capture stopped and started again, then
// the floating toolbar is closed and shown 200 times and the options menu opened by a real
// right-click and closed with Escape 200 times. GDI objects, USER objects and private bytes
// are printed at the start, every 1,000 ticks and at the end; the exit status is non-zero
// when anything grew past the tolerances below after the first 1,000 ticks, or when an error
// was reported or a menu or toolbar step did not happen.
#include <windows.h>
#include <psapi.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "Anaglyph.h"
#include "GdiCount.h"
#include "InputScript.h"
#include "MainFormSource.h"
#include "PatternWindow.h"
#include "TB97Geometry.h"
#include "TestSupport.h"

namespace {

// What may come and go with the state a checkpoint happens to find (a cached bitmap, a
// device context held between frames); the states at the checkpoints repeat every 1,000
// ticks, so more than this is growth.
constexpr long GdiTolerance = 2;   // toolkit GDI objects and the system's GDI and USER counts
constexpr long DcTolerance = 1;    // toolkit device contexts
constexpr long long PrivateTolerance = 2 * 1024 * 1024;  // bytes: heap pages reused, not returned

constexpr int Ticks = 10000;
constexpr int TicksPerChange = 100;
constexpr int TicksPerReport = 1000;
constexpr int ToolbarCycles = 200;
constexpr int MenuCycles = 200;

struct TResources {
    long Gdi = 0;   // GetGuiResources: 0 under Wine
    long User = 0;
    long ToolkitObjects = 0;
    long ToolkitDCs = 0;
    long long PrivateBytes = 0;
};

TResources Measure()
{
    TResources r;
    r.Gdi = static_cast<long>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
    r.User = static_cast<long>(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS));
    const TGdiCounts counts = GdiLiveCounts();
    r.ToolkitObjects = counts.Objects;
    r.ToolkitDCs = counts.DCs;
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof(memory);
    // Wine fills only the basic counters, leaving PrivateUsage 0; its PagefileUsage is the
    // process's anonymous memory, which is what Windows reports as private bytes.
    if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory)))
        r.PrivateBytes = static_cast<long long>(memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage);
    return r;
}

// Every message waiting, timers and paints included, without waiting for more.
void Drain()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT)
            continue;  // nothing here asks to quit; a stray request must not end the run
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool Grew(const TResources& now, const TResources& base)
{
    return now.Gdi > base.Gdi + GdiTolerance || now.User > base.User + GdiTolerance ||
           now.ToolkitObjects > base.ToolkitObjects + GdiTolerance || now.ToolkitDCs > base.ToolkitDCs + DcTolerance ||
           now.PrivateBytes > base.PrivateBytes + PrivateTolerance;
}

class TReport {
public:
    void Line(const char* phase, int step, bool checked)
    {
        Drain();
        const TResources r = Measure();
        const bool grew = checked && FHaveBase && Grew(r, FBase);
        std::printf("%-10s %6d %6ld %6ld %8ld %6ld %14lld%s\n", phase, step, r.Gdi, r.User, r.ToolkitObjects,
                    r.ToolkitDCs, r.PrivateBytes, grew ? "  GREW" : "");
        std::fflush(stdout);
        Grown = Grown || grew;
    }
    // The reference every later line is held to.
    void Base()
    {
        Drain();
        FBase = Measure();
        FHaveBase = true;
    }
    bool Grown = false;

private:
    TResources FBase;
    bool FHaveBase = false;
};

struct TOptions {
    TAnaglyphMethod Method;
    bool Swap, HalfWidth;
    TFrameRate Rate;
    int32_t Shift;  // ChangeShift's delta
};

// Ten changes, repeated every 1,000 ticks: every method, both sides of swap and half-width,
// every frame rate, the shift up and down by the same amounts (it returns each round).
const TOptions Schedule[10] = {
    {amColour, false, false, fr10, 5},    {amHalfColour, true, false, fr30, -5}, {amGrey, false, true, fr60, 7},
    {amDubois, true, true, fr10, -7},     {amColour, true, false, fr30, 1},      {amHalfColour, false, true, fr60, -1},
    {amGrey, true, true, fr10, 100},      {amDubois, false, false, fr30, -100},  {amGrey, false, true, fr60, 3},
    {amColour, false, false, fr10, -3},
};

// The toolbar's close button, clicked for real.
bool CloseByButton(TToolWindow97* bar)
{
    RECT r{};
    GetWindowRect(bar->Handle(), &r);
    const TGeomRect b = GetCloseButtonRect(SystemFrameMetrics(), bar->Resizable(), bar->ClientWidth(), true);
    TInputScript close;
    close.Move(POINT{r.left + (b.Left + b.Right) / 2, r.top + (b.Top + b.Bottom) / 2}).Down().Wait().Up();
    return close.Run(20) && !bar->Visible();
}

bool MenuShown()
{
    const HWND menu = FindWindowW(L"#32768", nullptr);
    return menu && IsWindowVisible(menu);
}

}  // namespace

int main()
{
    Application = new TApplication(nullptr);
    Application->Initialize();
    int failures = 0;
    {
        TErrorRecorder errors;
        TPatternWindow target(420, 20, 360, 200, 7);
        Application->CreateForm(MainForm);
        MainForm->SetBounds(0, 250, 760, 420);
        MainForm->Show();
        Drain();

        std::printf("Tolerances past the 1,000-tick line: %ld GDI or USER objects, %ld DC, %lld private bytes.\n",
                    GdiTolerance, DcTolerance, PrivateTolerance);
        std::printf("%-10s %6s %6s %6s %8s %6s %14s\n", "phase", "step", "GDI", "USER", "toolkit", "DCs",
                    "private bytes");
        TReport report;
        report.Line("start", 0, false);

        int notForeground = 0;
        for (int tick = 0; tick < Ticks; ++tick) {
            if (tick % TicksPerChange == 0) {
                const TOptions& o = Schedule[(tick / TicksPerChange) % 10];
                MainForm->StopBtnClick(nullptr);
                MainForm->SetMethod(o.Method);
                MainForm->SetSwapEyes(o.Swap);
                MainForm->SetHalfWidthPair(o.HalfWidth);
                MainForm->SetFrameRate(o.Rate);
                MainForm->ChangeShift(o.Shift);
                BringToFront(target.Handle());
                notForeground += GetForegroundWindow() != target.Handle();
                MainForm->StartTimerTimer(nullptr);
            }
            MainForm->LoopTimerTimer(nullptr);
            Drain();
            if ((tick + 1) % TicksPerReport == 0) {
                if (tick + 1 == TicksPerReport)
                    report.Base();
                report.Line("ticks", tick + 1, true);
            }
        }
        MainForm->StopBtnClick(nullptr);
        report.Line("stopped", Ticks, true);

        // The floating toolbar: closed by its close button or hidden, then shown again.
        TToolWindow97* bar = MainForm->ToolWindow971;
        TDock97* home = bar->DockedTo();
        bar->SetDockedTo(nullptr);
        bar->SetVisible(true);
        Drain();
        int toolbarMisses = 0;
        for (int i = 0; i < ToolbarCycles; ++i) {
            BringToFront(MainForm->Handle());
            if (i % 2 == 0) {
                toolbarMisses += !CloseByButton(bar);
            } else {
                bar->SetVisible(false);
                Drain();
            }
            bar->SetVisible(true);
            Drain();
            toolbarMisses += !IsWindowVisible(bar->Handle());
            if ((i + 1) % 50 == 0)
                report.Line("toolbar", i + 1, true);
        }
        bar->SetDockedTo(home);
        report.Line("docked", ToolbarCycles, true);

        // The options menu: a real right-click on the picture, closed with Escape.
        int menuMisses = 0;
        const POINT at = MainForm->image->ClientToScreen(POINT{40, 40});
        for (int i = 0; i < MenuCycles; ++i) {
            BringToFront(MainForm->Handle());
            bool shown = false;
            TInputScript script;
            script.Move(at).Then([] { SendMouseButton(true, true); }).Then([] { SendMouseButton(false, true); })
                .Wait(2).Then([&] { shown = MenuShown(); }).Key(VK_ESCAPE, true).Key(VK_ESCAPE, false);
            const bool ran = script.Run(20);
            menuMisses += !ran || !shown || MenuShown();
            if ((i + 1) % 50 == 0)
                report.Line("menus", i + 1, true);
        }
        report.Line("end", 0, true);

        std::printf("\nCaptures begun with another window in front: %d of %d; toolbar steps missed: %d; "
                    "menus not opened or not closed: %d; errors reported: %zu.\n",
                    notForeground, Ticks / TicksPerChange, toolbarMisses, menuMisses, errors.Errors.size());
        for (const TReportedError& e : errors.Errors)
            std::printf("error: %s\n", Narrow(e.Text).c_str());
        failures = report.Grown + (toolbarMisses > 0) + (menuMisses > 0) + !errors.Errors.empty();
        delete MainForm;
        MainForm = nullptr;
    }
    delete Application;
    std::printf("soak: %s\n", failures ? "FAILED" : "passed");
    return failures ? 1 : 0;
}
