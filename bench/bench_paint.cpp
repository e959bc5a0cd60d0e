// Painting under Wine: one docked and one floating frame paint of a tool window, and a full
// repaint of a 1920-pixel-wide dock with a tiled transparent background, the latter as a ratio
// to one BitBlt of the same area in the same run, and what the repaint costs besides the
// tiles (messages, DC state saves). Everything is drawn into a 32-bit memory
// DIB, so that the screen's own cost stays out.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "BenchClock.h"
#include "BenchSupport.h"
#include "Forms.h"
#include "TB97.h"
#include "TB97Tlwn.h"

namespace {

struct TDib {
    TDib(int w, int h)
    {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        HDC screen = GetDC(nullptr);
        DC = CreateCompatibleDC(screen);
        void* bits = nullptr;
        Bitmap = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        Old = SelectObject(DC, Bitmap);
        ReleaseDC(nullptr, screen);
    }
    ~TDib()
    {
        SelectObject(DC, Old);
        DeleteObject(Bitmap);
        DeleteDC(DC);
    }
    HDC DC;
    HBITMAP Bitmap;
    HGDIOBJ Old;
};

// Median over runs of f, in milliseconds, after one warm-up call.
template <class F>
double Time(int runs, F f)
{
    f();
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        const double t0 = Now();
        f();
        GdiFlush();
        t.push_back(Now() - t0);
    }
    return Median(t);
}

void MakePicture(TBitmap& bmp, int size)
{
    bmp.SetPixelFormat(pf32bit);
    bmp.SetSize(size, size);
    for (int y = 0; y < size; ++y) {
        auto* row = static_cast<uint32_t*>(bmp.ScanLine(y));
        for (int x = 0; x < size; ++x)
            row[x] = (x + y) % 5 == 0 || (x == 0 && y == size - 1) ? 0xFF00FF : 0x80A060 + x * 4;
    }
}

}  // namespace

int main()
{
    TApplication app(nullptr);
    Application->Initialize();
    InstallCountingReporter();
    constexpr int width = 1920, runs = 200;
    auto* form = new TForm(nullptr);
    form->SetBounds(0, 0, width + 40, 300);
    auto* dock = new TDock97(form);
    dock->SetParent(form);
    dock->SetBoundLines(TDockBoundLines{blTop, blBottom});
    auto* bar = new TToolWindow97(form);
    bar->SetName(L"Docked");
    bar->SetParent(dock);
    bar->SetClientAreaSize(200, 22);
    auto* floating = new TToolWindow97(form);
    floating->SetName(L"Floating");
    floating->SetCaption(L"Floating tool window");
    floating->SetParent(dock);
    floating->SetClientAreaSize(200, 22);
    form->Show();
    Pump();
    floating->SetFloatingPosition(POINT{100, 200});
    floating->SetDockedTo(nullptr);
    Pump();

    TDib target(width + 40, 300), source(width + 40, 300);
    const double docked = Time(runs, [&] { bar->DrawDockedNCArea(true, target.DC, nullptr); });
    const double floated = Time(runs, [&] {
        floating->DrawFloatingNCArea(true, target.DC, nullptr, TToolWindowNCRedrawWhat{twrdBorder, twrdCaption, twrdCloseButton});
    });
    std::printf("Frame paint of one tool window (median of %d, ms): docked %.4f, floating %.4f\n", runs, docked, floated);

    bar->SetVisible(false);  // its own paint is measured above; here only the dock
    dock->SetFixAlign(true);
    // Wider than the screen lets a form be: the dock as a plain child of that width.
    dock->SetAlign(alNone);
    dock->SetBounds(0, 0, width, 28);
    Pump();
    RECT r{};
    GetWindowRect(dock->Handle(), &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    std::printf("\nA %d x %d dock with a transparent tiled background (median of %d, ms): the full repaint\n"
                "(WM_PRINT: bound lines, erase, tiles) and the tiling alone (DrawBackground), each against\n"
                "one BitBlt of the same area in the same run:\n",
                w, h, runs);
    std::printf("tile       repaint   tiling    BitBlt   repaint/BitBlt  tiling/BitBlt\n");
    for (int tile : {16, 32, 64, 256}) {
        TBitmap pic;
        MakePicture(pic, tile);
        dock->SetBackground(&pic);
        dock->SetBackgroundTransparent(true);
        Pump();
        const double repaint = Time(runs, [&] {
            SendMessageW(dock->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(target.DC),
                         PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
        });
        const RECT client = dock->ClientRect();
        const double tiling = Time(runs, [&] { dock->DrawBackground(target.DC, client, nullptr, client); });
        const double blit = Time(runs, [&] { BitBlt(target.DC, 0, 0, w, h, source.DC, 0, 0, SRCCOPY); });
        std::printf("%3d x %-3d %8.4f  %8.4f  %8.4f  %14.1f  %13.1f\n", tile, tile, repaint, tiling, blit,
                    repaint / blit, tiling / blit);
    }
    // What a repaint costs besides the tiles: WM_PRINT sends two more messages to the dock
    // (WM_ERASEBKGND, WM_PRINTCLIENT) and saves the DC's state around each step.
    HWND wnd = dock->Handle();
    const double message = Time(runs, [&] { SendMessageW(wnd, WM_NULL, 0, 0); });
    const double saveDC = Time(runs, [&] { RestoreDC(target.DC, SaveDC(target.DC)); });
    const double frame = Time(runs, [&] { dock->DrawNCArea(true, target.DC, nullptr); });
    const double erase = Time(runs, [&] { SendMessageW(wnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(target.DC), 0); });
    const double client = Time(runs, [&] { SendMessageW(wnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(target.DC), 0); });
    std::printf("\nWhere the repaint goes (ms): one SendMessage to the dock %.4f, one SaveDC/RestoreDC %.4f,\n"
                "frame (DrawNCArea) %.4f, WM_ERASEBKGND %.4f, WM_PRINTCLIENT %.4f\n",
                message, saveDC, frame, erase, client);
    delete form;
    return ErrorExitCode();
}
