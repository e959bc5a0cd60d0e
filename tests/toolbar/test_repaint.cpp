// Repaints read back from the real screen: changes that must repaint (before each, the windows
// are overdrawn on the screen with a colour no paint uses, which invalidates nothing, so only
// what the change itself invalidates is painted again), a picture rewritten in place, and the
// palette messages passed down to the tool windows.
#include <algorithm>
#include <functional>

#include "InputScript.h"
#include "test_dock_support.h"
#include "test_paint_support.h"

namespace {

// Pixels of `area` (window coordinates; empty: the whole window) on the screen that differ from expected(x, y).
int ScreenMismatches(TWinControl* c, RECT area, const std::function<COLORREF(int, int)>& expected)
{
    const RECT w = WindowRectOf(c);
    if (IsRectEmpty(&area))
        area = RECT{0, 0, w.right - w.left, w.bottom - w.top};
    RECT screen = area;
    OffsetRect(&screen, w.left, w.top);
    const std::vector<uint32_t> pixels = ScreenPixels(screen);
    int wrong = 0;
    size_t i = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (const COLORREF got = AsColorRef(pixels[i++]); got != expected(x, y) && ++wrong <= 3)
                ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << got << " not " << expected(x, y);
    return wrong;
}

// A 16 x 16 picture, magenta (transparent) along a diagonal through its bottom-left corner.
void MakePicture(TBitmap& pic)
{
    pic.SetPixelFormat(pf32bit);
    pic.SetSize(16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            static_cast<uint32_t*>(pic.ScanLine(y))[x] = x == 15 - y ? 0xFF00FF : 0x204060 + 9 * x + y;
}

// Records the foreground flag of every palette notification.
struct TPaletteToolWindow : TToolWindow97 {
    using TToolWindow97::TToolWindow97;
    bool PaletteChanged(bool fore) override { return Calls.push_back(fore), TToolWindow97::PaletteChanged(fore); }
    std::vector<bool> Calls;
};

}  // namespace

using RepaintTest = TDockFixture;

// Each change, then what the screen must show where it was overdrawn: the window as a fresh
// WM_PRINT draws it (so a missing invalidation leaves the stale colour), for a held close button
// the system's own pushed button. Rows run in order on one form.
TEST_F(RepaintTest, ChangesRepaintWhatTheyConcern)
{
    TBitmap pic;
    MakePicture(pic);
    Dock->SetAlign(alNone);
    Dock->SetBounds(0, 5, 400, 40);
    Dock->SetBackground(&pic);
    Dock->SetBackgroundTransparent(true);
    TToolWindow97* docked = MakeBar(Dock, 60, 22, L"Docked");
    docked->SetCloseButtonWhenDocked(true);
    TToolWindow97* floating = MakeBar(Dock, 120, 30, L"Floating");
    floating->SetFloatingPosition(POINT{650, 150});
    floating->SetDockedTo(nullptr);
    PumpMessages(50);
    const int bx = GetSystemMetrics(SM_CXSIZEFRAME), by = GetSystemMetrics(SM_CYSIZEFRAME);
    const int h = GetSystemMetrics(SM_CYSMCAPTION) - 1, cw = floating->ClientWidth();
    const RECT whole{}, caption{bx, by, bx + cw - h, by + h};                     // without the close button
    const RECT floatingButton{bx + cw - h + 1, by + 1, bx + cw - 1, by + h - 1};  // drawn 1 smaller
    const RECT dockedButton{3, 2, 14, 13};
    using TVerify = std::function<void()>;
    const auto after = [](std::function<void()> change) {
        return [change](const TVerify& verify) { change(), PumpMessages(60), verify(); };
    };
    const auto holdButton = [](TWinControl* bar, const RECT& b) {
        return [bar, b](const TVerify& verify) {
            const RECT w = WindowRectOf(bar);
            const POINT at{w.left + (b.left + b.right) / 2, w.top + (b.top + b.bottom) / 2};
            ASSERT_TRUE(TInputScript().Move(at).Down().Wait(2).Then(verify).Move(POINT{at.x, at.y + 100}).Up().Run());
        };
    };
    enum TExpect { Fresh, Pushed };
    // Area: window coordinates, empty for the whole window; the dock's includes the tool window on it.
    struct { const char* Name; std::function<void(const TVerify&)> Change; TWinControl* Window; RECT Area; TExpect Expect; }
        cases[] = {
        {"dock moved by less than a tile", after([&] { Dock->SetBounds(0, 10, 400, 40); }), Dock, whole, Fresh},
        {"dock colour", after([&] { Dock->SetColor(clRed); }), Dock, whole, Fresh},
        {"system colours", after([&] { SendMessageW(Form->Handle(), WM_SYSCOLORCHANGE, 0, 0); }), Dock, whole, Fresh},
        {"background off the toolbars", after([&] { Dock->SetBackgroundOnToolbars(false); }), docked, whole, Fresh},
        {"caption text", after([&] { floating->SetCaption(L"Renamed"); }), floating, caption, Fresh},
        {"floating close button held", holdButton(floating, floatingButton), floating, floatingButton, Pushed},
        {"docked close button held", holdButton(docked, dockedButton), docked, dockedButton, Pushed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        PumpMessages(30);
        for (HWND w : {Dock->Handle(), docked->Handle(), floating->Handle()}) {
            HDC dc = GetWindowDC(w);  // clips to the window; invalidates nothing
            RECT all{0, 0, 4096, 4096};
            SetDCBrushColor(dc, RGB(1, 2, 3));  // no paint uses it
            FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
            ReleaseDC(w, dc);
        }
        c.Change([&] {
            const TPrintedImage fresh(c.Window->Handle());
            TDibSurface button(c.Area.right - c.Area.left + 1, c.Area.bottom - c.Area.top + 1);
            RECT r{0, 0, button.Width() - 1, button.Height() - 1};
            DrawFrameControl(button.DC(), &r, DFC_CAPTION, DFCS_CAPTIONCLOSE | DFCS_PUSHED);
            GdiFlush();
            const auto expected = [&](int x, int y) {
                return c.Expect == Fresh ? fresh.Pixel(x, y) : button.Pixel(x - c.Area.left, y - c.Area.top);
            };
            EXPECT_EQ(ScreenMismatches(c.Window, c.Area, expected), 0);
        });
    }
}

// Rows of the picture rewritten in place notify nothing, yet the next paint of the dock (and of
// the tool window on it) shows them, as the picture is drawn as it is now.
TEST_F(RepaintTest, PictureRewrittenInPlaceShowsAtTheNextPaint)
{
    TBitmap pic;
    MakePicture(pic);
    Dock->SetBackground(&pic);
    TToolWindow97* bar = MakeBar(Dock, 60, 22);
    PumpMessages(50);
    for (int y = 0; y < 16; ++y)
        std::fill_n(static_cast<uint32_t*>(Dock->Background()->ScanLine(y)), 16, 0x00FF00);
    Dock->InvalidateBackgrounds();
    PumpMessages(60);
    // The dock's client area right of the tool window, and the tool window's client area.
    EXPECT_EQ(ScreenMismatches(Dock, RECT{200, 2, 210, 12}, [](int, int) { return RGB(0, 255, 0); }), 0);
    EXPECT_EQ(ScreenMismatches(bar, RECT{30, 4, 40, 14}, [](int, int) { return RGB(0, 255, 0); }), 0);
}

// The window system sends palette messages to top-level windows only; the form passes them
// down to the tool windows on its docks, except when the change came from within the form.
TEST_F(RepaintTest, PaletteMessagesReachTheToolWindows)
{
    auto* bar = MakeBar<TPaletteToolWindow>(Dock, 60, 22);
    PumpMessages(30);
    const struct { UINT Msg; HWND From; std::vector<bool> Calls; } cases[] = {
        {WM_QUERYNEWPALETTE, nullptr, {true}}, {WM_PALETTECHANGED, GetDesktopWindow(), {false}},
        {WM_PALETTECHANGED, Form->Handle(), {}}, {WM_PALETTECHANGED, Dock->Handle(), {}}};
    for (const auto& c : cases) {
        bar->Calls.clear();
        SendMessageW(Form->Handle(), c.Msg, reinterpret_cast<WPARAM>(c.From), 0);
        EXPECT_EQ(bar->Calls, c.Calls) << std::hex << c.Msg << " from " << c.From;
    }
}
