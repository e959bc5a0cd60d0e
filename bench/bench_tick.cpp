// The main window's frame tick under Wine, in each viewing mode: one tick and its parts (the
// screen copy, the composition, the copy or stretch to the image, the repaint), the frames
// actually shown per second at 30 and 60 frames/s, and the allocations made by ticks.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

#include "Anaglyph.h"
#include "BenchClock.h"
#include "BenchSupport.h"
#include "CaptureSource.h"
#include "MainFormSource.h"

namespace {

std::atomic<long> Allocations{0};

struct TMode {
    const char* Name;
    TAnaglyphMethod Method;
    bool Swap, HalfWidthPair;
};

const TMode Modes[] = {
    {"colour (default)", amColour, false, false}, {"half-colour", amHalfColour, false, false},
    {"grey", amGrey, false, false},               {"Dubois", amDubois, false, false},
    {"colour, half-width", amColour, false, true}, {"Dubois, swapped, half-width", amDubois, true, true},
};

void SetMode(const TMode& m)
{
    MainForm->SetMethod(m.Method);
    MainForm->SetSwapEyes(m.Swap);
    MainForm->SetHalfWidthPair(m.HalfWidthPair);
}

LRESULT CALLBACK TargetProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT r;
        GetClientRect(hwnd, &r);
        for (int x = 0; x < r.right; x += 16) {
            HBRUSH b = CreateSolidBrush(RGB(x & 0xFF, (x * 3) & 0xFF, (x * 7) & 0xFF));
            RECT band{x, 0, x + 16, r.bottom};
            FillRect(dc, &band, b);
            DeleteObject(b);
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND MakeTarget(int width, int height)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = TargetProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"BenchTarget";
    RegisterClassW(&wc);
    HWND target = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr,
                                  nullptr, wc.hInstance, nullptr);
    SetForegroundWindow(target);
    Pump();
    return target;
}

// A start in the given mode, its loop stopped so that ticks are driven one at a time.
void StartIn(const TMode& m)
{
    SetMode(m);
    MainForm->StartTimerTimer(MainForm->StartTimer);
    MainForm->LoopTimer->SetEnabled(false);
    MainForm->LoopTimerTimer(MainForm->LoopTimer);  // the image's surface is made on the first frame
    Pump();
}

// One tick and, separately, each of its parts, as the tick does them.
void MeasureTick(const TMode& m, int width, int height)
{
    StartIn(m);
    TMainForm* f = MainForm;
    HDC frameDC = f->Frame->Canvas()->Handle();
    HDC imageDC = f->image->Canvas()->Handle();
    TBitmap* shown = f->image->Bitmap();
    std::vector<uint8_t*> shownRows;
    if (m.HalfWidthPair && !shown->Empty())
        for (int i = 0; i < f->FrameHeight; ++i)
            shownRows.push_back(static_cast<uint8_t*>(shown->ScanLine(i)));

    const int runs = 20;
    std::vector<double> tick, copyIn, compose, show, repaint;
    long allocations = 0;
    for (int i = 0; i < runs; ++i) {
        double t0 = Now();
        const long before = Allocations.load();
        f->LoopTimerTimer(f->LoopTimer);
        allocations += Allocations.load() - before;
        UpdateWindow(f->ScrollBox1->Handle());
        tick.push_back(Now() - t0);

        t0 = Now();
        BitBlt(frameDC, 0, 0, f->FrameWidth, f->FrameHeight, f->DesktopDC, f->CaptureLeft, f->CaptureTop, SRCCOPY);
        GdiFlush();
        const double t1 = Now();
        if (m.Method == amColour && !m.Swap)
            ComposeAnaglyph(f->Rows.data(), f->FrameHeight, f->HalfWidth, f->RightStart, f->RedShift, f->FrameWidth,
                            f->Offset);
        else
            ComposeAnaglyphMethod(f->Rows.data(), f->FrameHeight, f->FrameWidth, f->Offset, m.Method, m.Swap);
        const double t2 = Now();
        if (m.HalfWidthPair) {
            if (!shownRows.empty())
                StretchRowsDouble(f->Rows.data(), shownRows.data(), f->FrameHeight, f->HalfWidth);
        } else {
            BitBlt(imageDC, 0, 0, f->image->Width(), f->image->Height(), frameDC, 0, 0, SRCCOPY);
            GdiFlush();
        }
        const double t3 = Now();
        f->image->Invalidate();
        UpdateWindow(f->ScrollBox1->Handle());
        const double t4 = Now();
        copyIn.push_back(t1 - t0);
        compose.push_back(t2 - t1);
        show.push_back(t3 - t2);
        repaint.push_back(t4 - t3);
    }
    const double own = Median(compose) + Median(show) + Median(repaint);
    std::printf("%-29s %4d x %-4d %8.2f %8.2f %8.3f %8.3f %8.3f %7.1f %%  %ld\n", m.Name, width, height,
                Median(tick), Median(copyIn), Median(compose), Median(show), Median(repaint),
                100.0 * own / (own + Median(copyIn)), allocations);
}

// The real frame timer for about two seconds: ticks and frames shown (repaints of the picture)
// per second, and the allocations made inside the ticks.
void MeasureRate(const TMode& m, TFrameRate rate, int width, int height)
{
    StartIn(m);
    MainForm->SetFrameRate(rate);
    int ticks = 0, paints = 0;
    long allocations = 0;
    TNotifyEvent tick = MainForm->LoopTimer->OnTimer;
    MainForm->LoopTimer->OnTimer = [&](TObject* sender) {
        const long before = Allocations.load();
        tick(sender);
        allocations += Allocations.load() - before;
        ++ticks;
    };
    HWND box = MainForm->ScrollBox1->Handle();
    TMessageEvent formHandler = Application->OnMessage;
    Application->OnMessage = [&](MSG& msg, bool& handled) {
        if (msg.message == WM_PAINT && msg.hwnd == box)
            ++paints;
        formHandler(msg, handled);
    };
    MainForm->LoopTimer->SetEnabled(true);
    const double start = Now();
    // One message at a time: ticks longer than the interval never leave the queue empty. A
    // thread timer wakes the wait should the frame loop stop.
    const UINT_PTR wake = SetTimer(nullptr, 0, 50, nullptr);
    while (Now() - start < 2000.0)
        Application->HandleMessage();
    KillTimer(nullptr, wake);
    MainForm->LoopTimer->SetEnabled(false);
    const double seconds = (Now() - start) / 1000.0;
    Application->OnMessage = formHandler;
    MainForm->LoopTimer->OnTimer = tick;
    MainForm->SetFrameRate(fr10);
    std::printf("%-29s %4d x %-4d %6.1f %8.1f %8.1f      %ld\n", m.Name, width, height,
                1000.0 / TMainForm::FrameInterval(rate), ticks / seconds, paints / seconds, allocations);
}

// "Follow the window": the rectangle read at every frame (outer and client) against a default
// tick; followed ticks with the window moved before each (allocations, setups) and one resized.
void MeasureFollow(HWND target, int width, int height)
{
    StartIn(Modes[0]);
    std::vector<double> tick;
    for (int i = 0; i < 20; ++i) {
        const double t0 = Now();
        MainForm->LoopTimerTimer(MainForm->LoopTimer);
        tick.push_back(Now() - t0);
    }
    double read[2];
    for (bool client : {false, true}) {
        TCaptureSource source;
        source.SetClientArea(client);
        source.SetFollow(true);
        source.Use(TCaptureTarget{target, TScreenArea{0, 0, width, height}});
        std::vector<double> batches;
        TScreenArea area;
        for (int b = 0; b < 20; ++b) {
            const double t0 = Now();
            for (int i = 0; i < 100; ++i)
                source.AtFrame(area);
            batches.push_back((Now() - t0) / 100);
        }
        read[client] = Median(batches);
    }
    MainForm->SetFollowWindow(true);
    StartIn(Modes[0]);
    const TBitmap* frame = MainForm->Frame.get();
    long allocations = 0;
    std::vector<double> moved;
    for (int i = 1; i <= 20; ++i) {
        SetWindowPos(target, nullptr, i % 2, i % 3, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        const double t0 = Now();
        const long before = Allocations.load();
        MainForm->LoopTimerTimer(MainForm->LoopTimer);
        allocations += Allocations.load() - before;
        moved.push_back(Now() - t0);
    }
    const bool setUp = MainForm->Frame.get() != frame;
    // A resize against a start and its first frame: one setup each, both after a size change.
    std::vector<double> resized, started;
    int setups = 0;
    for (int i = 0; i < 6; ++i) {
        SetWindowPos(target, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        SetForegroundWindow(target);
        Pump();
        double t0 = Now();
        MainForm->StartTimerTimer(MainForm->StartTimer);
        MainForm->LoopTimerTimer(MainForm->LoopTimer);
        started.push_back(Now() - t0);
        MainForm->LoopTimer->SetEnabled(false);  // a setup starts the loop: no tick but ours
        SetWindowPos(target, nullptr, 0, 0, width - 2, height, SWP_NOZORDER | SWP_NOACTIVATE);
        SetForegroundWindow(target);
        Pump();
        const TBitmap* before = MainForm->Frame.get();
        t0 = Now();
        MainForm->LoopTimerTimer(MainForm->LoopTimer);
        resized.push_back(Now() - t0);
        setups += MainForm->Frame.get() != before;
        MainForm->LoopTimer->SetEnabled(false);
    }
    MainForm->LoopTimer->SetEnabled(false);
    MainForm->SetFollowWindow(false);
    SetWindowPos(target, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    Pump();
    std::printf("\"Follow the window\" at %d x %d: tick %.2f ms; rectangle read %.4f ms outer, %.4f ms client "
                "(%.3f %% / %.3f %% of the tick)\nfollowed ticks, window moved before each: %.2f ms, %ld allocations, "
                "%s;\n%zu resize ticks, %d set up anew: %.2f ms; a start and its first tick %.2f ms\n",
                width, height, Median(tick), read[0], read[1], 100.0 * read[0] / Median(tick),
                100.0 * read[1] / Median(tick), Median(moved), allocations, setUp ? "set up anew" : "no setup",
                resized.size(), setups, Median(resized), Median(started));
}

// Every combination of method, swap and half-width: the allocations of five ticks.
long AllocationsInEveryMode()
{
    long total = 0;
    for (TAnaglyphMethod method : {amColour, amHalfColour, amGrey, amDubois})
        for (bool swap : {false, true})
            for (bool half : {false, true}) {
                StartIn(TMode{"", method, swap, half});
                const long before = Allocations.load();
                for (int i = 0; i < 5; ++i)
                    MainForm->LoopTimerTimer(MainForm->LoopTimer);
                total += Allocations.load() - before;
            }
    return total;
}

}  // namespace

void* operator new(std::size_t size)
{
    ++Allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

int main()
{
    TApplication app(nullptr);
    Application->Initialize();
    InstallCountingReporter();
    Application->CreateForm(MainForm);
    MainForm->Show();
    Pump();
    const struct {
        int Width, Height;
    } sizes[] = {{1280, 720}, {1920, 1080}};
    std::printf("Frame tick of the main window (median of 20, ms). Screen %d x %d; a target larger than the\n"
                "screen is copied only where it is on the screen. Own share: composition, copy or stretch to\n"
                "the image and repaint, against those plus the screen copy.\n\n",
                GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    std::printf("mode                          target      tick   screen  compose     show  repaint  own share  allocations\n");
    for (const auto& s : sizes) {
        HWND target = MakeTarget(s.Width, s.Height);
        for (const TMode& m : Modes)
            MeasureTick(m, s.Width, s.Height);
        DestroyWindow(target);
        Pump();
    }
    std::printf("\nFrames shown per second by the running frame timer (2 s each)\n\n");
    std::printf("mode                          target       asked    ticks    shown  allocations in ticks\n");
    for (const auto& s : sizes) {
        HWND target = MakeTarget(s.Width, s.Height);
        for (const TMode* m : {&Modes[0], &Modes[5]})
            for (TFrameRate rate : {fr30, fr60})
                MeasureRate(*m, rate, s.Width, s.Height);
        DestroyWindow(target);
        Pump();
    }
    std::printf("\n");
    HWND followed = MakeTarget(1280, 720);
    MeasureFollow(followed, 1280, 720);
    DestroyWindow(followed);
    Pump();
    HWND target = MakeTarget(640, 360);
    const long allocations = AllocationsInEveryMode();
    DestroyWindow(target);
    std::printf("\nAllocations in 5 ticks of each of the 16 modes (4 methods x swap x half-width): %ld\n", allocations);
    delete MainForm;
    MainForm = nullptr;
    return ErrorExitCode();
}
