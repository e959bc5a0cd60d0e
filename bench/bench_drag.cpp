// One mouse-move step of a drag over 4 docks (the docking tests of every candidate plus the
// outline redraw on the locked screen), as a ratio to one PatBlt of the full outline's
// bounding box with the same halftone brush, in the same run under Wine.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "BenchClock.h"
#include "BenchSupport.h"
#include "Forms.h"
#include "TB97.h"
#include "TB97Tlwn.h"

namespace {

TGeomRect ToGeom(const RECT& r)
{
    return TGeomRect{r.left, r.top, r.right, r.bottom};
}

}  // namespace

int main()
{
    TApplication app(nullptr);
    Application->Initialize();
    auto* form = new TForm(nullptr);
    form->SetBounds(100, 100, 800, 600);
    std::vector<TDock97*> docks;
    for (TDockPosition p : {dpTop, dpBottom, dpLeft, dpRight}) {
        auto* dock = new TDock97(form);
        dock->SetParent(form);
        dock->SetPosition(p);
        docks.push_back(dock);
    }
    auto* bar = new TToolWindow97(form);
    bar->SetName(L"Bar");
    bar->SetParent(docks[0]);
    bar->SetClientAreaSize(200, 40);
    form->Show();
    Pump();

    TDragStepInput in;
    RECT w{};
    GetWindowRect(bar->Handle(), &w);
    in.Grab = TDragGrab{{20, 20}, {w.right - w.left - 1, w.bottom - w.top - 1}};
    in.FloatingSize = TGeomSize{w.right - w.left, w.bottom - w.top};
    for (TDock97* dock : docks) {
        RECT r{};
        GetWindowRect(dock->Handle(), &r);
        in.Docks.push_back(TDragDock{ToGeom(r), dock->Position()});
        in.DockSizes.push_back(in.FloatingSize);
    }
    const POINT border = bar->GetFloatingBorderSize();
    in.FloatingBorder = TGeomPoint{border.x, border.y};
    in.FloatingTopThickness = border.y + 16;
    const RECT work = PrimaryWorkArea();
    const auto workAt = [&](TGeomPoint) { return ToGeom(work); };

    HWND desktop = GetDesktopWindow();
    LockWindowUpdate(desktop);
    HDC dc = GetDCEx(desktop, nullptr, DCX_WINDOW | DCX_CACHE | DCX_LOCKWINDOWUPDATE);

    constexpr int Steps = 400, Rounds = 7;
    std::vector<double> stepTimes, blitTimes;
    RECT previous{};
    bool previousDocked = false;
    for (int round = 0; round < Rounds; ++round) {
        const double t0 = Now();
        for (int i = 0; i < Steps; ++i) {
            // Back and forth across the form, over docks and between them.
            in.Cursor = TGeomPoint{120 + (i * 7) % 760, 110 + (i * 5) % 560};
            const TDragStepResult r = DragStep(in, {}, workAt);
            const RECT now{r.Outline.Left, r.Outline.Top, r.Outline.Right, r.Outline.Bottom};
            bar->DrawDraggingOutline(dc, &now, &previous, r.Target >= 0, previousDocked);
            previous = now;
            previousDocked = r.Target >= 0;
        }
        GdiFlush();
        stepTimes.push_back((Now() - t0) / Steps);

        static const WORD pattern[8] = {0x5555, 0xAAAA, 0x5555, 0xAAAA, 0x5555, 0xAAAA, 0x5555, 0xAAAA};
        HBITMAP bitmap = CreateBitmap(8, 8, 1, 1, pattern);
        HBRUSH brush = CreatePatternBrush(bitmap);
        DeleteObject(bitmap);
        HGDIOBJ old = SelectObject(dc, brush);
        const double t1 = Now();
        for (int i = 0; i < Steps; ++i)
            PatBlt(dc, 300, 300, in.FloatingSize.Width, in.FloatingSize.Height, PATINVERT);
        GdiFlush();
        blitTimes.push_back((Now() - t1) / Steps);
        SelectObject(dc, old);
        DeleteObject(brush);
    }
    bar->DrawDraggingOutline(dc, nullptr, &previous, true, previousDocked);
    ReleaseDC(desktop, dc);
    LockWindowUpdate(nullptr);

    const double step = Median(stepTimes), blit = Median(blitTimes);
    std::printf("drag step over 4 docks (docking tests + outline redraw), outline %d x %d\n",
                in.FloatingSize.Width, in.FloatingSize.Height);
    std::printf("  one step:                  %8.4f ms (median of %d rounds of %d)\n", step, Rounds, Steps);
    std::printf("  one full-outline PatBlt:   %8.4f ms\n", blit);
    std::printf("  ratio step / PatBlt:       %8.2f\n", blit > 0 ? step / blit : 0.0);
    delete form;
    return 0;
}
