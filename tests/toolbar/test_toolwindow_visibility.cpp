#include "test_dock_support.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>

#include "InputScript.h"
#include "test_paint_support.h"

namespace {

bool Visible(TWinControl* c)
{
    return c->HandleAllocated() && IsWindowVisible(c->Handle());
}

bool IsAbove(HWND upper, HWND lower)
{
    for (HWND w = GetWindow(lower, GW_HWNDPREV); w; w = GetWindow(w, GW_HWNDPREV))
        if (w == upper)
            return true;
    return false;
}

// The caption routine leaves an alpha byte that the screen does not keep.
bool SameColours(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](uint32_t x, uint32_t y) { return !((x ^ y) << 8); });
}

// Another program: a window of another thread, which takes the foreground from this one.
struct TOtherProgram {
    std::atomic<HWND> Window{nullptr};
    std::atomic<bool> Quit{false};
    std::thread Thread{[this] {
        Window = CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 700, 500, 200, 100,
                                 nullptr, nullptr, nullptr, nullptr);
        for (MSG m; !Quit; Sleep(5))
            while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&m);
        DestroyWindow(Window);
    }};
    ~TOtherProgram()
    {
        Quit = true;
        Thread.join();
    }
};

}  // namespace

class ToolWindowVisibilityTest : public TDockFixture {
protected:
    TToolWindow97* Float(bool hideWhenInactive)
    {
        TToolWindow97* bar = MakeBar(Dock, 80, 22);
        bar->SetHideWhenInactive(hideWhenInactive);
        bar->SetFloatingPosition(POINT{300, 300});
        bar->SetDockedTo(nullptr);
        PumpMessages(20);
        return bar;
    }
};

TEST_F(ToolWindowVisibilityTest, FollowsItsFormThroughHideMinimiseAndRestore)
{
    TToolWindow97* bar = Float(false);
    ASSERT_TRUE(Visible(bar));
    EXPECT_EQ(reinterpret_cast<HWND>(GetWindowLongPtrW(bar->Handle(), GWLP_HWNDPARENT)), Form->Handle());
    EXPECT_TRUE(Visible(bar->FloatingParent()));  // shown with its child, 0 x 0 and unseen
    EXPECT_FALSE(bar->InactiveCaption());

    Form->Hide();
    EXPECT_TRUE(PumpUntil([&] { return !Visible(bar); }, 2000));
    EXPECT_FALSE(Visible(bar->FloatingParent()));
    Form->Show();
    EXPECT_TRUE(PumpUntil([&] { return Visible(bar); }, 2000));

    ShowWindow(Form->Handle(), SW_MINIMIZE);
    EXPECT_TRUE(PumpUntil([&] { return !Visible(bar); }, 2000));
    ShowWindow(Form->Handle(), SW_RESTORE);
    EXPECT_TRUE(PumpUntil([&] { return Visible(bar); }, 2000));

    // In fmOnTopOfAllForms mode the form's state does not matter.
    bar->SetFloatingMode(fmOnTopOfAllForms);
    EXPECT_EQ(reinterpret_cast<HWND>(GetWindowLongPtrW(bar->Handle(), GWLP_HWNDPARENT)), Application->Handle());
    Form->Hide();
    PumpMessages(50);
    EXPECT_TRUE(Visible(bar));
}

TEST_F(ToolWindowVisibilityTest, HidesWhileTheApplicationIsInactive)
{
    TToolWindow97* bar = Float(true);
    ASSERT_TRUE(Visible(bar));
    // Another thread's window takes the foreground: this thread has no active window then.
    TOtherProgram other;
    ASSERT_TRUE(PumpUntil([&] { return other.Window != nullptr; }, 2000));
    BringToFront(other.Window);
    const bool hid = PumpUntil([&] { return !ApplicationIsActive() && !Visible(bar); }, 3000);
    BringToFront(Form->Handle());
    const bool back = PumpUntil([&] { return Visible(bar); }, 3000);
    EXPECT_TRUE(hid);
    EXPECT_TRUE(back);
    EXPECT_FALSE(bar->InactiveCaption());
}

TEST_F(ToolWindowVisibilityTest, StaysAboveItsFormBelowOthersAndIsNeverActivatedByShowing)
{
    auto* stranger = new TForm(nullptr);
    TScopeExit freeStranger([&] { delete stranger; });
    stranger->SetBounds(400, 100, 200, 150);
    stranger->Show();
    BringToFront(Form->Handle());
    PumpMessages(20);
    SetWindowPos(stranger->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_TRUE(IsAbove(stranger->Handle(), Form->Handle()));
    const HWND active = GetActiveWindow();

    TToolWindow97* bar = Float(false);
    EXPECT_TRUE(IsAbove(bar->Handle(), Form->Handle()));
    EXPECT_TRUE(IsAbove(stranger->Handle(), bar->Handle()));
    EXPECT_EQ(GetActiveWindow(), active);
    EXPECT_NE(GetActiveWindow(), bar->Handle());

    EXPECT_EQ(SendMessageW(bar->Handle(), WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(bar->Handle()),
                           MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)),
              MA_NOACTIVATE);
}

TEST_F(ToolWindowVisibilityTest, LeavesTheTopmostBandWhileDisabled)
{
    TToolWindow97* bar = Float(false);
    bar->SetFloatingMode(fmOnTopOfAllForms);
    auto topmost = [&] { return (GetWindowLongPtrW(bar->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
    EXPECT_TRUE(topmost());
    EnableWindow(bar->Handle(), FALSE);
    EXPECT_FALSE(topmost());
    EnableWindow(bar->Handle(), TRUE);
    EXPECT_TRUE(topmost());
    bar->SetFloatingMode(fmOnTopOfParentForm);
    EXPECT_FALSE(topmost());  // its form is not topmost
}

TEST_F(ToolWindowVisibilityTest, CloseGoesToTheFormAndEscapeFocusesIt)
{
    TToolWindow97* bar = Float(false);
    int closes = 0;
    Form->OnClose = [&](TObject*, TCloseAction& action) {
        ++closes;
        action = caNone;
    };
    HWND wnd = bar->Handle();
    SendMessageW(wnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(Visible(bar));
    EXPECT_TRUE(IsWindow(wnd));

    TFloatingWindowParent* parent = bar->FloatingParent();
    EXPECT_EQ(parent->Perform(CM_DIALOGKEY, VK_ESCAPE, 0x20000000), 0);  // Alt held: not ours
    EXPECT_EQ(parent->Perform(CM_DIALOGKEY, VK_ESCAPE, 0), 1);
    EXPECT_EQ(GetFocus(), Form->Handle());
}

TEST_F(ToolWindowVisibilityTest, WithoutAFormNeverShown)
{
    TToolWindow97* bar = Float(false);
    bar->FloatingParent()->SetOwnerForm(nullptr);
    EXPECT_FALSE(bar->GetShowingState());
    bar->UpdateVisibility();
    EXPECT_FALSE(Visible(bar));
    bar->SetFloatingMode(fmOnTopOfAllForms);
    EXPECT_TRUE(Visible(bar));
}

// However the form comes back to the front (the window system raising it as it takes the
// focus), the tool window is in front of it: in the Z order, on the screen and under the mouse.
TEST_F(ToolWindowVisibilityTest, InFrontOfItsFormAgainWhenTheFormComesBack)
{
    TOtherProgram other;
    ASSERT_TRUE(PumpUntil([&] { return other.Window != nullptr; }, 2000));
    HWND form = Form->Handle();
    const struct {
        bool hideWhenInactive;
        std::function<void()> away, back;
    } cases[] = {
        {true, [] { ClickAt(POINT{750, 550}); }, [] { ClickAt(POINT{150, 380}); }},
        {false, [&] { BringToFront(other.Window); }, [&] { BringToFront(form); }},
        {true, [&] { ShowWindow(form, SW_MINIMIZE); }, [&] { ShowWindow(form, SW_RESTORE); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        TToolWindow97* bar = Float(c.hideWhenInactive);  // over the form's lower half
        int closes = 0;
        bar->OnClose = [&](TObject*) { ++closes; };
        c.away();
        PumpMessages(150);
        c.back();
        ASSERT_TRUE(PumpUntil([&] { return Visible(bar) && GetForegroundWindow() == form; }, 3000));
        PumpMessages(150);  // the window system's own restacking comes late
        const RECT r = WindowRectOf(bar);
        EXPECT_TRUE(IsAbove(bar->Handle(), form));
        EXPECT_TRUE(SameColours(ScreenPixels(r), TPrintedImage(bar->Handle()).Pixels)) << "covered on the screen";
        const TGeomRect b = GetCloseButtonRect(SystemFrameMetrics(), true, bar->ClientWidth(), true);
        TInputScript click;
        click.Move(POINT{r.left + (b.Left + b.Right) / 2, r.top + (b.Top + b.Bottom) / 2}).Down().Wait().Up();
        ASSERT_TRUE(click.Run());
        EXPECT_EQ(closes, 1) << "the click went to the form";
        delete bar;
    }
}
