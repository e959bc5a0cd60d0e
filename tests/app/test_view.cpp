// How the picture is shown, read back from the real screen: 200 % pixel for pixel, Fit to window
// against the plain bilinear reference, refitted when a frozen window is resized; full screen
// entered and left with real keys and double-clicks; the menu's zoom items.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <tuple>
#include <utility>
#include <vector>

#include "InputScript.h"
#include "MainFormFixture.h"

namespace {

class ViewTest : public TMainFormFixture {
protected:
    // The composed picture of target rectangle r (shift 30), 4 bytes a pixel, each pixel Repeat times across.
    static std::vector<uint8_t> Composed(const RECT& r, int repeat = 1)
    {
        const std::vector<uint8_t> rgb = ExpectedPixels(r, 30);
        std::vector<uint8_t> out;
        for (size_t i = 0; i < rgb.size(); i += 3)
            for (int k = 0; k < repeat; ++k)
                out.insert(out.end(), {rgb[i], rgb[i + 1], rgb[i + 2], 0});
        return out;
    }
    static std::tuple<int, int, int, int> Bounds(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }
    static std::tuple<int, int, int, int> WindowBounds(HWND window)
    {
        RECT r{};
        GetWindowRect(window, &r);
        return Bounds(r);
    }
};

TEST_F(ViewTest, TwoHundredPercentIsPixelExactAndAStartSizesTheWindowToIt)
{
    struct { bool Half; int Width, Height; } rows[] = {{false, 201, 120}, {true, 161, 100}};
    for (const auto& c : rows) {
        MainForm->SetHalfWidthPair(c.Half);
        MainForm->SetZoom(zm200);
        TPatternWindow target(760, 30, c.Width, c.Height, 5);
        const RECT r = StartOn(target);
        const int half = c.Width / 2, kx = c.Half ? 4 : 2;
        EXPECT_EQ(std::make_tuple(MainForm->image->Width(), MainForm->image->Height(), MainForm->Width(), MainForm->Height()),
                  std::make_tuple(half * kx, 2 * c.Height, std::max(half * kx + 40, GetSystemMetrics(SM_CXMINTRACK)),
                                  std::max(2 * c.Height + 40, GetSystemMetrics(SM_CYMINTRACK))));
        MainForm->SetBounds(0, 250, 720, 420);
        MainForm->LoopTimerTimer(MainForm->LoopTimer);
        EXPECT_EQ(WrongOnScreen(Composed(r), half, c.Height, kx, 2, 0), 0) << c.Width;
        // Back to 100 % while frozen: the kept picture, 1:1 from the box's corner.
        MainForm->SetZoom(zm100);
        EXPECT_EQ(MainForm->image->Left(), 0);
        EXPECT_EQ(WrongOnScreen(Composed(r), half, c.Height, c.Half ? 2 : 1, 1, 0), 0) << c.Width;
    }
}

TEST_F(ViewTest, FitIsWithinOneOfTheReferenceCentredWithoutScrollBarsAndFollowsAFrozenWindowsSize)
{
    // Window before the start, then the size it is given while frozen; whether the first fit
    // fills the box's width (the second fills the other side).
    struct { bool Half; int Width, Height; SIZE Before, After; bool ByWidth; } rows[] = {
        {false, 401, 241, {520, 360}, {300, 500}, false},
        {true, 300, 90, {420, 480}, {900, 300}, true},
    };
    for (const auto& c : rows) {
        MainForm->SetZoom(zm100);
        MainForm->SetHalfWidthPair(c.Half);
        MainForm->SetBounds(0, 200, c.Before.cx, c.Before.cy);
        MainForm->SetZoom(zmFit);
        TPatternWindow target(760, 30, c.Width, c.Height, 6);
        const RECT r = StartOn(target);
        EXPECT_EQ(std::make_pair(MainForm->Width(), MainForm->Height()), std::make_pair(int(c.Before.cx), int(c.Before.cy)))
            << "a start in Fit keeps the window's size";
        // The picture is scaled after the half-width doubling: each composed pixel twice across.
        const std::vector<uint8_t> picture = Composed(r, c.Half ? 2 : 1);
        const int across = c.Width / 2 * (c.Half ? 2 : 1);
        for (SIZE size : {c.Before, c.After}) {
            MainForm->SetBounds(0, 200, size.cx, size.cy);
            PumpMessages(50);
            const bool byWidth = size.cx == c.Before.cx ? c.ByWidth : !c.ByWidth;
            const int boxW = MainForm->ScrollBox1->ClientWidth(), boxH = MainForm->ScrollBox1->ClientHeight();
            const TFitPlace p = FitPlace(across, c.Height, boxW, boxH);
            EXPECT_EQ(Bounds(MainForm->image->BoundsRect()), Bounds(RECT{p.Left, p.Top, p.Left + p.Width, p.Top + p.Height}));
            EXPECT_EQ(byWidth ? p.Width : p.Height, byWidth ? boxW : boxH);
            EXPECT_FALSE(GetWindowLongPtrW(MainForm->ScrollBox1->Handle(), GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL));
            EXPECT_EQ(WrongOnScreen(picture, across, c.Height, 0, 0, 1), 0) << size.cx << "x" << size.cy;
            // The box's colour around the picture.
            const POINT beside = MainForm->ScrollBox1->ClientToScreen(byWidth ? POINT{boxW / 2, 0} : POINT{0, boxH / 2});
            EXPECT_EQ(GrabScreen(RECT{beside.x, beside.y, beside.x + 1, beside.y + 1})[1],
                      GetGValue(GetSysColor(COLOR_BTNFACE)));
        }
    }
    // The menu's last items; an interleaving shown 1:1 only: 100 % in use, the other two disabled.
    MainForm->View().SetOneToOneOnly(true);
    MainForm->OptionsMenu->OnPopup(MainForm->OptionsMenu);
    EXPECT_EQ(MainForm->image->Left(), 0);
    TMenuItem* root = MainForm->OptionsMenu->Items();
    TMenuItem* zoom = root->Items(root->Count() - 4);
    std::wstring items;
    for (TMenuItem* parent : {zoom, root})
        for (int i = parent == root ? root->Count() - 4 : 0; i < parent->Count(); ++i)
            items += parent->Items(i)->Caption() + ShortCutToText(parent->Items(i)->ShortCut()) + L"|";
    EXPECT_EQ(items, L"100 %|200 %|Fit to window|Zoom|Full screenF11|-|Reset settings|");
    EXPECT_EQ(std::make_tuple(zoom->Items(0)->Checked(), zoom->Items(1)->Enabled(), zoom->Items(2)->Enabled()),
              std::make_tuple(true, false, false));
    EXPECT_EQ(std::make_pair(MainForm->image->Width(), MainForm->image->Height()), std::make_pair(300, 90));
}

TEST_F(ViewTest, FullScreenWithF11LeftWithEscapeAndDoubleClickRestoresBoundsAndToolbar)
{
    TPatternWindow target(760, 30, 320, 200, 7);
    const std::vector<uint8_t> picture = Composed(StartOn(target));
    MainForm->SetBounds(40, 300, 400, 260);
    const RECT monitor{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    // Floating: the toolbar stays; Enter / Leave: a key or a double-click on the picture.
    struct { bool Floating; WORD Enter, Leave; } rows[] = {
        {false, VK_F11, VK_ESCAPE}, {true, VK_F11, 0}, {false, 0, VK_F11}, {true, 0, 0}};
    // The caption, the dock and the toolbar shown.
    auto decorations = [] {
        return std::make_tuple((GetWindowLongPtrW(MainForm->Handle(), GWL_STYLE) & WS_CAPTION) != 0, MainForm->Dock971->Visible(),
                               IsWindowVisible(MainForm->ToolWindow971->Handle()) != 0);
    };
    for (const auto& c : rows) {
        MainForm->ToolWindow971->SetDockedTo(c.Floating ? nullptr : MainForm->Dock971);
        PumpMessages(100);
        BringToFront(MainForm->Handle());
        const RECT before = MainForm->BoundsRect();
        const auto act = [](WORD key) {
            key ? PressKey(key) : DoubleClickAt(MainForm->image->ClientToScreen(POINT{20, MainForm->image->Height() / 2}));
            PumpMessages(150);
        };
        act(c.Enter);
        ASSERT_TRUE(MainForm->FullScreen()) << c.Enter;
        EXPECT_EQ(WindowBounds(MainForm->Handle()), Bounds(monitor));
        EXPECT_EQ(decorations(), std::make_tuple(false, false, c.Floating));
        // Fitted on black: 160 x 200 by height, centred (a floating toolbar stays at the top left).
        EXPECT_EQ(MainForm->image->Height(), monitor.bottom);
        const std::vector<uint8_t> corner = GrabScreen(RECT{0, monitor.bottom - 1, 1, monitor.bottom});
        EXPECT_EQ(corner[0] + corner[1] + corner[2], 0);
        EXPECT_EQ(c.Floating ? 0 : WrongOnScreen(picture, 160, 200, 0, 0, 1), 0);  // a floating toolbar covers a corner
        act(c.Leave);
        EXPECT_FALSE(MainForm->FullScreen());
        EXPECT_EQ(Bounds(MainForm->BoundsRect()), Bounds(before));
        EXPECT_EQ(decorations(), std::make_tuple(true, true, true));
        EXPECT_EQ(MainForm->ToolWindow971->IsDocked(), !c.Floating);
        EXPECT_EQ(MainForm->image->Width(), 160) << "100 % again";
    }
    // From a maximised window and back to it; Escape while the floating toolbar is dragged
    // cancels the drag alone.
    MainForm->SetWindowState(wsMaximized);
    PumpMessages(100);
    PressKey(VK_F11);
    EXPECT_EQ(WindowBounds(MainForm->Handle()), Bounds(monitor));
    RECT bar{};
    GetWindowRect(MainForm->ToolWindow971->Handle(), &bar);
    TInputScript drag;
    drag.Move(POINT{bar.left + 30, bar.top + 10}).Down().Move(POINT{bar.left + 70, bar.top + 300}).Wait(2)
        .Key(VK_ESCAPE, true).Key(VK_ESCAPE, false).Wait(2).Up();
    ASSERT_TRUE(drag.Run());
    EXPECT_EQ(WindowBounds(MainForm->ToolWindow971->Handle()), Bounds(bar));
    EXPECT_TRUE(MainForm->FullScreen());
    PressKey(VK_ESCAPE);
    EXPECT_FALSE(MainForm->FullScreen());
    EXPECT_TRUE(IsZoomed(MainForm->Handle()));
    WINDOWPLACEMENT p{};
    p.length = sizeof(p);
    GetWindowPlacement(MainForm->Handle(), &p);
    EXPECT_EQ(Bounds(p.rcNormalPosition), std::make_tuple(40, 300, 440, 560));
}

}  // namespace
