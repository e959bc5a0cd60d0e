// How the picture is shown, read back from the real screen: 200 % pixel for pixel, Fit to window
// against the plain bilinear reference, refitted when a frozen window is resized; full screen
// entered and left with real keys and double-clicks; the menu's zoom items.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <tuple>
#include <utility>
#include <vector>

#include "InputScript.h"
#include "MainFormFixture.h"
#include "Scale.h"

namespace {

class ViewTest : public TMainFormFixture {
protected:
    // The composed picture of target rectangle r (shift 30), 4 bytes a pixel.
    static std::vector<uint8_t> Composed(const RECT& r)
    {
        const std::vector<uint8_t> rgb = ExpectedPixels(r, 30);
        std::vector<uint8_t> out;
        for (size_t i = 0; i < rgb.size(); i += 3)
            out.insert(out.end(), {rgb[i], rgb[i + 1], rgb[i + 2], 0});
        return out;
    }

    // The screen under the image against the picture (half x height) shown at the image's size:
    // each pixel Kx x Ky times, or (Kx 0) scaled by the reference; counts channels off by more than
    // Tolerance, in the rows the scroll box shows.
    static int WrongOnScreen(std::vector<uint8_t> picture, int half, int height, int kx, int ky, int tolerance)
    {
        BringToFront(MainForm->Handle());
        PumpMessages(250);
        TImage* image = MainForm->image;
        const int w = image->Width(), h = image->Height();
        std::vector<uint8_t> expected(size_t(w) * size_t(h) * 4);
        std::vector<uint8_t*> src, dst;
        for (int y = 0; y < height; ++y)
            src.push_back(picture.data() + size_t(y) * size_t(half) * 4);
        for (int y = 0; y < h; ++y)
            dst.push_back(expected.data() + size_t(y) * size_t(w) * 4);
        if (kx)
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w * 4; ++x)
                    dst[size_t(y)][x] = src[size_t(y / ky)][(x / 4 / kx) * 4 + x % 4];
        else
            ScaleBilinearReference(src.data(), half, height, dst.data(), w, h);
        const POINT o = image->ClientToScreen(POINT{0, 0});
        const RECT box = MainForm->ScrollBox1->ClientRect();
        const int inView = std::min<int>(h, box.bottom - image->Top());
        const std::vector<uint8_t> screen = GrabScreen(RECT{o.x, o.y, o.x + w, o.y + inView});
        int wrong = 0;
        for (size_t i = 0; i < screen.size(); ++i)
            wrong += i % 4 != 3 && std::abs(screen[i] - expected[i]) > tolerance;
        return wrong;
    }

    static std::tuple<int, int, int, int> Bounds(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }
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
        EXPECT_EQ(std::make_pair(MainForm->image->Width(), MainForm->image->Height()), std::make_pair(half * kx, 2 * c.Height));
        EXPECT_EQ(MainForm->Width(), std::max(half * kx + 40, GetSystemMetrics(SM_CXMINTRACK)));
        EXPECT_EQ(MainForm->Height(), std::max(2 * c.Height + 40, GetSystemMetrics(SM_CYMINTRACK)));
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
        const std::vector<uint8_t> composed = Composed(r);
        std::vector<uint8_t> picture;
        for (size_t i = 0; i < composed.size(); i += 4)
            for (int k = 0; k < (c.Half ? 2 : 1); ++k)
                picture.insert(picture.end(), composed.begin() + long(i), composed.begin() + long(i) + 4);
        const int half = c.Width / 2, across = half * (c.Half ? 2 : 1);
        for (SIZE size : {c.Before, c.After}) {
            MainForm->SetBounds(0, 200, size.cx, size.cy);
            PumpMessages(50);
            const bool byWidth = size.cx == c.Before.cx ? c.ByWidth : !c.ByWidth;
            const int boxW = MainForm->ScrollBox1->ClientWidth(), boxH = MainForm->ScrollBox1->ClientHeight();
            const TFitPlace p = FitPlace(half * (c.Half ? 2 : 1), c.Height, boxW, boxH);
            TImage* image = MainForm->image;
            EXPECT_EQ((std::vector<int>{image->Left(), image->Top(), image->Width(), image->Height()}),
                      (std::vector<int>{p.Left, p.Top, p.Width, p.Height}));
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
    for (const auto& c : rows) {
        MainForm->ToolWindow971->SetDockedTo(c.Floating ? nullptr : MainForm->Dock971);
        PumpMessages(100);
        BringToFront(MainForm->Handle());
        const RECT before = MainForm->BoundsRect();
        auto act = [](WORD key) {
            if (key)
                PressKey(key);
            else
                DoubleClickAt(MainForm->image->ClientToScreen(POINT{20, MainForm->image->Height() / 2}));
            PumpMessages(150);
        };
        act(c.Enter);
        ASSERT_TRUE(MainForm->FullScreen()) << c.Enter;
        RECT now{};
        GetWindowRect(MainForm->Handle(), &now);
        EXPECT_EQ(Bounds(now), Bounds(monitor));
        EXPECT_FALSE(GetWindowLongPtrW(MainForm->Handle(), GWL_STYLE) & WS_CAPTION);
        EXPECT_FALSE(MainForm->Dock971->Visible());
        EXPECT_EQ(IsWindowVisible(MainForm->ToolWindow971->Handle()) != 0, c.Floating);
        // Fitted on black: 160 x 200 by height, centred (a floating toolbar stays at the top left).
        EXPECT_EQ(MainForm->image->Height(), monitor.bottom);
        const std::vector<uint8_t> corner = GrabScreen(RECT{0, monitor.bottom - 1, 1, monitor.bottom});
        EXPECT_EQ(corner[0] + corner[1] + corner[2], 0);
        if (!c.Floating)  // the floating toolbar covers a corner of the picture
            EXPECT_EQ(WrongOnScreen(picture, 160, 200, 0, 0, 1), 0);
        act(c.Leave);
        EXPECT_FALSE(MainForm->FullScreen());
        EXPECT_EQ(Bounds(MainForm->BoundsRect()), Bounds(before));
        EXPECT_TRUE(GetWindowLongPtrW(MainForm->Handle(), GWL_STYLE) & WS_CAPTION);
        EXPECT_TRUE(MainForm->Dock971->Visible());
        EXPECT_TRUE(IsWindowVisible(MainForm->ToolWindow971->Handle()));
        EXPECT_EQ(MainForm->ToolWindow971->IsDocked(), !c.Floating);
        EXPECT_EQ(MainForm->image->Width(), 160) << "100 % again";
    }
    // From a maximised window and back to it; Escape while the floating toolbar is dragged
    // cancels the drag alone.
    MainForm->SetWindowState(wsMaximized);
    PumpMessages(100);
    PressKey(VK_F11);
    RECT full{};
    GetWindowRect(MainForm->Handle(), &full);
    EXPECT_EQ(Bounds(full), Bounds(monitor));
    RECT bar{};
    GetWindowRect(MainForm->ToolWindow971->Handle(), &bar);
    TInputScript drag;
    drag.Move(POINT{bar.left + 30, bar.top + 10}).Down().Move(POINT{bar.left + 70, bar.top + 300}).Wait(2)
        .Key(VK_ESCAPE, true).Key(VK_ESCAPE, false).Wait(2).Up();
    ASSERT_TRUE(drag.Run());
    RECT after{};
    GetWindowRect(MainForm->ToolWindow971->Handle(), &after);
    EXPECT_EQ(Bounds(after), Bounds(bar));
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
