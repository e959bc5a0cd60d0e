// Repaints read back from the real screen: changes that must repaint (before each, the windows
// are overdrawn on the screen with a colour no paint uses, which invalidates nothing, so only
// what the change itself invalidates is painted again), a picture rewritten in place, and the
// palette messages passed down to the tool windows.
#include <functional>

#include "InputScript.h"
#include "test_dock_support.h"
#include "test_paint_support.h"

namespace {

constexpr COLORREF Stale = RGB(1, 2, 3);

void Overdraw(HWND wnd)
{
    RECT r{};
    GetWindowRect(wnd, &r);
    OffsetRect(&r, -r.left, -r.top);
    HDC dc = GetWindowDC(wnd);
    HBRUSH brush = CreateSolidBrush(Stale);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    ReleaseDC(wnd, dc);
}

// Pixels of `area` (window coordinates of wnd) on the screen that differ from expected(x, y).
int ScreenMismatches(HWND wnd, const RECT& area, const std::function<COLORREF(int, int)>& expected)
{
    RECT screen = area, w{};
    GetWindowRect(wnd, &w);
    OffsetRect(&screen, w.left, w.top);
    const std::vector<uint32_t> pixels = ScreenPixels(screen);
    const int width = area.right - area.left;
    int wrong = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) {
            const COLORREF got = AsColorRef(pixels[static_cast<size_t>(y - area.top) * width + (x - area.left)]);
            if (got != expected(x, y) && ++wrong <= 3)
                ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << got << " not " << expected(x, y);
        }
    return wrong;
}

// A 16 x 16 picture, magenta (transparent) in its bottom-left corner and along a diagonal.
void MakePicture(TBitmap& pic)
{
    pic.SetPixelFormat(pf32bit);
    pic.SetSize(16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            static_cast<uint32_t*>(pic.ScanLine(y))[x] = x == 15 - y ? 0xFF00FF : 0x204060 + 9 * x + y;
}

}  // namespace

using RepaintTest = TDockFixture;

// Each change, then what the screen must show where it was overdrawn: the window as a fresh
// WM_PRINT draws it (so a missing invalidation leaves the stale colour), or, for a held close
// button, the system's own pushed button. Rows run in order on one form.
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
    ASSERT_FALSE(floating->IsDocked());

    const int bx = GetSystemMetrics(SM_CXSIZEFRAME), by = GetSystemMetrics(SM_CYSIZEFRAME);
    const int h = GetSystemMetrics(SM_CYSMCAPTION) - 1, cw = floating->ClientWidth();
    const RECT whole{0, 0, 0, 0};
    const RECT caption{bx, by, bx + cw - h, by + h};                              // without the close button
    const RECT floatingButton{bx + cw - h + 1, by + 1, bx + cw - 1, by + h - 1};  // drawn 1 smaller
    const RECT dockedButton{3, 2, 14, 13};
    using TVerify = std::function<void()>;
    const auto after = [](std::function<void()> change) {
        return [change](const TVerify& verify) {
            change();
            PumpMessages(60);
            verify();
        };
    };
    const auto holdButton = [](TWinControl* bar, const RECT& b) {
        return [bar, b](const TVerify& verify) {
            const RECT w = WindowRectOf(bar);
            const POINT at{w.left + (b.left + b.right) / 2, w.top + (b.top + b.bottom) / 2};
            TInputScript script;
            script.Move(at).Down().Wait(2).Then(verify).Move(POINT{at.x, at.y + 100}).Up();
            ASSERT_TRUE(script.Run());
        };
    };
    struct {
        const char* Name;
        std::function<void(const TVerify&)> Change;
        TWinControl* Window;  // the dock's screen area includes the tool window on it
        RECT Area;            // window coordinates; empty: the whole window
        bool Pressed;         // expected: the pushed close button, else a fresh WM_PRINT
    } cases[] = {
        {"dock moved by less than a tile", after([&] { Dock->SetBounds(0, 10, 400, 40); }), Dock, whole, false},
        {"dock colour", after([&] { Dock->SetColor(clRed); }), Dock, whole, false},
        {"system colours", after([&] { SendMessageW(Form->Handle(), WM_SYSCOLORCHANGE, 0, 0); }), Dock, whole, false},
        {"background off the toolbars", after([&] { Dock->SetBackgroundOnToolbars(false); }), docked, whole, false},
        {"caption text", after([&] { floating->SetCaption(L"Renamed"); }), floating, caption, false},
        {"floating close button held", holdButton(floating, floatingButton), floating, floatingButton, true},
        {"docked close button held", holdButton(docked, dockedButton), docked, dockedButton, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        PumpMessages(30);
        for (HWND w : {Dock->Handle(), docked->Handle(), floating->Handle()})
            Overdraw(w);
        c.Change([&] {
            HWND wnd = c.Window->Handle();
            RECT area = c.Area;
            if (IsRectEmpty(&area)) {
                area = WindowRectOf(c.Window);
                OffsetRect(&area, -area.left, -area.top);
            }
            if (c.Pressed) {
                TDibSurface button(area.right - area.left, area.bottom - area.top);
                RECT r{0, 0, button.Width(), button.Height()};
                DrawFrameControl(button.DC(), &r, DFC_CAPTION, DFCS_CAPTIONCLOSE | DFCS_PUSHED);
                GdiFlush();
                const auto pushed = [&](int x, int y) { return button.Pixel(x - area.left, y - area.top); };
                EXPECT_EQ(ScreenMismatches(wnd, area, pushed), 0);
            } else {
                const TPrintedImage fresh(wnd);
                EXPECT_EQ(ScreenMismatches(wnd, area, [&](int x, int y) { return fresh.Pixel(x, y); }), 0);
            }
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
        for (int x = 0; x < 16; ++x)
            static_cast<uint32_t*>(Dock->Background()->ScanLine(y))[x] = 0x00FF00;
    Dock->InvalidateBackgrounds();
    PumpMessages(60);
    // The dock's client area right of the tool window, and the tool window's client area.
    const std::pair<TWinControl*, RECT> areas[] = {{Dock, RECT{200, 2, 210, 12}}, {bar, RECT{30, 4, 40, 14}}};
    for (const auto& [w, area] : areas) {
        SCOPED_TRACE(Narrow(w->Name()));
        EXPECT_EQ(ScreenMismatches(w->Handle(), area, [](int, int) { return RGB(0, 255, 0); }), 0);
    }
}

namespace {

// Records the foreground flag of every palette notification.
class TPaletteToolWindow : public TToolWindow97 {
public:
    using TToolWindow97::TToolWindow97;
    bool PaletteChanged(bool foreground) override
    {
        Calls.push_back(foreground);
        return TToolWindow97::PaletteChanged(foreground);
    }
    std::vector<bool> Calls;
};

}  // namespace

// The window system sends palette messages to top-level windows only; the form passes them
// down to the tool windows on its docks, except when the change came from within the form.
TEST_F(RepaintTest, PaletteMessagesReachTheToolWindows)
{
    auto* bar = MakeBar<TPaletteToolWindow>(Dock, 60, 22);
    PumpMessages(30);
    struct {
        UINT Msg;
        HWND From;
        std::vector<bool> Calls;
    } cases[] = {
        {WM_QUERYNEWPALETTE, nullptr, {true}},
        {WM_PALETTECHANGED, GetDesktopWindow(), {false}},
        {WM_PALETTECHANGED, Form->Handle(), {}},
        {WM_PALETTECHANGED, Dock->Handle(), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.Msg << " from " << c.From);
        bar->Calls.clear();
        SendMessageW(Form->Handle(), c.Msg, reinterpret_cast<WPARAM>(c.From), 0);
        EXPECT_EQ(bar->Calls, c.Calls);
    }
}
