// The non-client side of a tool window under Wine: the hit test of the real window, the
// close button with real input, and resizing from every edge and corner.
#include <string>
#include <vector>

#include "InputScript.h"
#include "test_dock_support.h"

namespace {

// Records the resize hooks.
class THookedToolWindow : public TRecordingToolWindow {
public:
    using TRecordingToolWindow::TRecordingToolWindow;
    std::vector<std::wstring> Calls;
    bool TrackWidens = false;

protected:
    void ResizeBegin(TToolWindowSizeHandle handle) override { Calls.push_back(L"Begin " + std::to_wstring(int(handle))); }
    void ResizeTrack(RECT& rect, const RECT&) override
    {
        if (TrackWidens)
            rect.right += 7;
    }
    void ResizeEnd(bool accept) override { Calls.push_back(accept ? L"End 1" : L"End 0"); }
};

class SizingTest : public TDockFixture {
protected:
    void SetUp() override
    {
        TDockFixture::SetUp();
        Bar = MakeBar<THookedToolWindow>(Dock, 200, 60);
        Bar->SetDockedTo(nullptr);
        PumpMessages(50);
        Bar->SetBounds(300, 250, Bar->Width(), Bar->Height());
        PumpMessages(50);
        ASSERT_FALSE(Bar->IsDocked());
        Bar->OnClose = [this](TObject*) { Events.push_back(L"Close"); };
    }
    // Window point -> screen point of the tool window.
    POINT At(int x, int y)
    {
        const RECT r = WindowRectOf(Bar);
        return POINT{r.left + x, r.top + y};
    }
    POINT CloseButton()
    {
        const TGeomRect b = GetCloseButtonRect(SystemFrameMetrics(), true, Bar->ClientWidth(), true);
        return At((b.Left + b.Right) / 2, (b.Top + b.Bottom) / 2);
    }
    LRESULT HitTest(POINT screen)
    {
        return SendMessageW(Bar->Handle(), WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y));
    }
    THookedToolWindow* Bar = nullptr;
    std::vector<std::wstring> Events;
};

}  // namespace

TEST_F(SizingTest, HitTestOfTheRealWindow)
{
    const int w = Bar->Width(), h = Bar->Height();
    const int border = GetSystemMetrics(SM_CXSIZEFRAME);
    struct Case {
        POINT p;
        LRESULT expected;
    } cases[] = {
        {{1, 1}, HTTOPLEFT},       {{1, h / 2}, HTLEFT},          {{w - 1, h - 1}, HTBOTTOMRIGHT},
        {{w / 2, 0}, HTTOP},       {{w / 2, h - border}, HTBOTTOM}, {{w / 2, h / 2}, HTCLIENT},
        {{30, border + 3}, HTCLIENT},  // the caption
    };
    for (const Case& c : cases)
        EXPECT_EQ(HitTest(At(c.p.x, c.p.y)), c.expected) << c.p.x << ", " << c.p.y;
    EXPECT_EQ(HitTest(CloseButton()), HTCLOSE);

    Bar->SetResizable(false);
    PumpMessages(50);
    for (const POINT p : {POINT{0, Bar->Height() / 2}, POINT{Bar->Width() - 1, Bar->Height() - 1}, POINT{2, 2}})
        EXPECT_FALSE(IsSizingHitCode(static_cast<int32_t>(HitTest(At(p.x, p.y))))) << "a fixed border does nothing";

    // Docked: the drag handle is client area; a close button only when asked for.
    Bar->SetDockedTo(Dock);
    PumpMessages(50);
    EXPECT_EQ(HitTest(At(5, 5)), HTCLIENT);
    Bar->SetCloseButtonWhenDocked(true);
    PumpMessages(50);
    EXPECT_EQ(HitTest(At(8, 7)), HTCLOSE);
}

TEST_F(SizingTest, CloseButtonPopsUpOffItAndHidesOnReleaseOverIt)
{
    const POINT button = CloseButton();
    std::vector<bool> pressed;
    const auto probe = [&] { pressed.push_back(Bar->CloseButtonPressed()); };
    TInputScript script;
    script.Move(button).Down().Wait().Then(probe).Move(POINT{button.x - 60, button.y + 30}).Wait().Then(probe);
    script.Key(VK_ESCAPE, true).Key(VK_ESCAPE, false).Move(button).Wait().Then(probe).Up();
    ASSERT_TRUE(script.Run());
    EXPECT_EQ(pressed, (std::vector<bool>{true, false, true})) << "Escape does not cancel a press";
    EXPECT_FALSE(Bar->CloseButtonPressed());
    EXPECT_FALSE(Bar->Visible());
    EXPECT_FALSE(IsWindowVisible(Bar->Handle()));
    EXPECT_EQ(Events, std::vector<std::wstring>{L"Close"});
}

TEST_F(SizingTest, CloseButtonReleasedOffItOrRefusedKeepsTheToolWindow)
{
    const POINT button = CloseButton();
    TInputScript off;
    off.Move(button).Down().Move(POINT{button.x, button.y + 80}).Wait().Up();
    ASSERT_TRUE(off.Run());
    EXPECT_TRUE(Bar->Visible());

    int asked = 0;
    Bar->OnCloseQuery = [&](TObject* sender, bool& canClose) {
        EXPECT_EQ(sender, Bar);
        EXPECT_TRUE(canClose);
        ++asked;
        canClose = false;
    };
    TInputScript refused;
    refused.Move(button).Down().Wait().Up();
    ASSERT_TRUE(refused.Run());
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(Bar->Visible());
    EXPECT_TRUE(Events.empty()) << "OnClose is not called";

    TInputScript quit;
    quit.Move(button).Down().Then([] { PostQuitMessage(3); }).Wait().Up();
    ASSERT_TRUE(quit.Run());
    EXPECT_EQ(quit.QuitCodes, std::vector<WPARAM>{3});
    EXPECT_FALSE(Bar->CloseButtonPressed());
    EXPECT_EQ(asked, 1) << "the quit message ends the press without effect";
}

TEST_F(SizingTest, ResizesFromEveryEdgeAndCorner)
{
    const int d = 20;
    struct Case {
        int x, y;  // press point as a fraction: 0 left/top, 1 middle, 2 right/bottom
        int dl, dt, dr, db;
    } cases[] = {
        {0, 1, -d, 0, 0, 0},  {2, 1, 0, 0, d, 0},  {1, 0, 0, -d, 0, 0},  {1, 2, 0, 0, 0, d},
        {0, 0, -d, -d, 0, 0}, {2, 0, 0, -d, d, 0}, {0, 2, -d, 0, 0, d},  {2, 2, 0, 0, d, d},
    };
    for (const Case& c : cases) {
        const RECT before = WindowRectOf(Bar);
        const int w = before.right - before.left, h = before.bottom - before.top;
        const int px = c.x == 0 ? 1 : c.x == 1 ? w / 2 : w - 1;
        const int py = c.y == 0 ? 1 : c.y == 1 ? h / 2 : h - 1;
        const POINT from = At(px, py);
        const POINT to{from.x + (c.x == 1 ? 0 : c.x == 0 ? -d : d), from.y + (c.y == 1 ? 0 : c.y == 0 ? -d : d)};
        Bar->Calls.clear();
        TInputScript script;
        script.Drag(from, to);
        ASSERT_TRUE(script.Run());
        const RECT after = WindowRectOf(Bar);
        EXPECT_EQ(after.left - before.left, c.dl) << c.x << ", " << c.y;
        EXPECT_EQ(after.top - before.top, c.dt) << c.x << ", " << c.y;
        EXPECT_EQ(after.right - before.right, c.dr) << c.x << ", " << c.y;
        EXPECT_EQ(after.bottom - before.bottom, c.db) << c.x << ", " << c.y;
        EXPECT_EQ(Bar->Calls.size(), 2u);
        EXPECT_EQ(Bar->Calls.back(), L"End 1");
    }
    EXPECT_EQ(Bar->ClientAreaWidth(), 200 + 6 * d) << "the new client size is recorded";
}

TEST_F(SizingTest, MinimumSizeHoldsTheOppositeEdgeAndEscapeCancels)
{
    const RECT before = WindowRectOf(Bar);
    const int ncWidth = Bar->Width() - Bar->ClientWidth(), ncHeight = Bar->Height() - Bar->ClientHeight();
    // A clip of our own first, so that the confinement to the work area can be seen.
    RECT work = PrimaryWorkArea();
    RECT own = work;
    own.right -= 1;
    own.bottom -= 1;
    ClipCursor(&own);
    RECT clip{}, clipAfter{};
    TInputScript shrink;
    const POINT from = At(1, (before.bottom - before.top) / 2);
    shrink.Move(from).Down().Move(POINT{from.x + 500, from.y}).Wait().Then([&] { GetClipCursor(&clip); }).Up();
    ASSERT_TRUE(shrink.Run());
    GetClipCursor(&clipAfter);
    RECT after = WindowRectOf(Bar);
    EXPECT_EQ(after.right, before.right) << "the right edge stays";
    EXPECT_EQ(after.right - after.left, 32 + ncWidth) << "the minimum client width holds";
    ClipCursor(nullptr);
    RECT screen{};
    GetClipCursor(&screen);
    EXPECT_TRUE(EqualRect(&clip, &work)) << "the cursor is confined to the work area while sizing";
    EXPECT_TRUE(EqualRect(&clipAfter, &screen)) << "and free again afterwards";

    const RECT top = WindowRectOf(Bar);
    TInputScript up;
    const POINT topEdge = At((top.right - top.left) / 2, 0);
    up.Drag(topEdge, POINT{topEdge.x, topEdge.y + 400});
    ASSERT_TRUE(up.Run());
    after = WindowRectOf(Bar);
    EXPECT_EQ(after.bottom, top.bottom);
    EXPECT_EQ(after.bottom - after.top, 32 + ncHeight);

    const RECT kept = WindowRectOf(Bar);
    Bar->Calls.clear();
    TInputScript cancel;
    const POINT corner = At(kept.right - kept.left - 1, kept.bottom - kept.top - 1);
    cancel.Move(corner).Down().Move(POINT{corner.x + 50, corner.y + 50}).Wait().Key(VK_ESCAPE, true).Key(VK_ESCAPE, false)
        .Wait().Up();
    ASSERT_TRUE(cancel.Run());
    after = WindowRectOf(Bar);
    EXPECT_TRUE(EqualRect(&after, &kept));
    EXPECT_EQ(Bar->Calls, (std::vector<std::wstring>{L"Begin 7", L"End 0"}));

    TInputScript quit;
    quit.Move(corner).Down().Move(POINT{corner.x + 50, corner.y + 50}).Then([] { PostQuitMessage(4); }).Wait().Up();
    ASSERT_TRUE(quit.Run());
    EXPECT_EQ(quit.QuitCodes, std::vector<WPARAM>{4});
    after = WindowRectOf(Bar);
    EXPECT_TRUE(EqualRect(&after, &kept));
}

TEST_F(SizingTest, TrackHookAdjustsTheOutlineAndAClickWithoutMovingKeepsTheBounds)
{
    const RECT before = WindowRectOf(Bar);
    Bar->Calls.clear();
    TInputScript click;
    click.Move(At(before.right - before.left - 1, (before.bottom - before.top) / 2)).Down().Wait().Up();
    ASSERT_TRUE(click.Run());
    RECT after = WindowRectOf(Bar);
    EXPECT_TRUE(EqualRect(&after, &before));
    EXPECT_EQ(Bar->Calls, (std::vector<std::wstring>{L"Begin 1", L"End 1"}));

    Bar->TrackWidens = true;
    const POINT right = At(before.right - before.left - 1, (before.bottom - before.top) / 2);
    TInputScript widen;
    widen.Drag(right, POINT{right.x + 10, right.y});
    ASSERT_TRUE(widen.Run());
    after = WindowRectOf(Bar);
    EXPECT_EQ(after.right, before.right + 17);
}
