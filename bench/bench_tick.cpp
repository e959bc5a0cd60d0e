// One full frame tick of the main window under Wine, and its parts: the screen copy, the
// composition, the copy to the image and the repaint. Also counts allocations during ticks.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

#include "Anaglyph.h"
#include "BenchClock.h"
#include "BenchSupport.h"
#include "MainFormSource.h"

namespace {

std::atomic<long> Allocations{0};

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

void Measure(int width, int height)
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

    MainForm->StartTimerTimer(MainForm->StartTimer);
    MainForm->LoopTimer->SetEnabled(false);  // ticks are driven here, one at a time
    MainForm->LoopTimerTimer(MainForm->LoopTimer);
    Pump();

    const int runs = 40;
    std::vector<double> tick, copyIn, compose, copyOut, repaint;
    for (auto* v : {&tick, &copyIn, &compose, &copyOut, &repaint})
        v->reserve(runs);
    long allocations = 0;
    HDC frameDC = MainForm->Frame->Canvas()->Handle();
    HDC imageDC = MainForm->image->Canvas()->Handle();
    for (int i = 0; i < runs; ++i) {
        const long before = Allocations.load();
        double t0 = Now();
        MainForm->LoopTimerTimer(MainForm->LoopTimer);
        UpdateWindow(MainForm->ScrollBox1->Handle());
        tick.push_back(Now() - t0);
        allocations += Allocations.load() - before;

        t0 = Now();
        BitBlt(frameDC, 0, 0, MainForm->FrameWidth, MainForm->FrameHeight, MainForm->DesktopDC, MainForm->CaptureLeft,
               MainForm->CaptureTop, SRCCOPY);
        GdiFlush();
        const double t1 = Now();
        ComposeAnaglyph(MainForm->Rows.data(), MainForm->FrameHeight, MainForm->HalfWidth, MainForm->RightStart,
                        MainForm->RedShift, MainForm->FrameWidth, MainForm->Offset);
        const double t2 = Now();
        BitBlt(imageDC, 0, 0, MainForm->image->Width(), MainForm->image->Height(), frameDC, 0, 0, SRCCOPY);
        GdiFlush();
        const double t3 = Now();
        MainForm->image->Invalidate();
        UpdateWindow(MainForm->ScrollBox1->Handle());
        const double t4 = Now();
        copyIn.push_back(t1 - t0);
        compose.push_back(t2 - t1);
        copyOut.push_back(t3 - t2);
        repaint.push_back(t4 - t3);
    }
    const double own = Median(compose) + Median(copyOut) + Median(repaint);
    std::printf("%5d x %-5d %9.2f %11.2f %9.3f %10.3f %9.3f %10.1f %%   %ld\n", width, height, Median(tick),
                Median(copyIn), Median(compose), Median(copyOut), Median(repaint), 100.0 * own / Median(copyIn),
                allocations);
    DestroyWindow(target);
    Pump();
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
    Application->CreateForm(MainForm);
    MainForm->Show();
    Pump();
    std::printf("Frame tick of the main window (median of 40, ms). Screen %d x %d; a target larger than the\n"
                "screen is copied only where it is on the screen.\n\n",
                GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    std::printf("target         whole tick  screen copy  compose  copy image  repaint  own/copy   allocations\n");
    Measure(1280, 720);
    Measure(1920, 1080);
    delete MainForm;
    MainForm = nullptr;
    return 0;
}
