// Tinteye's own toolbar handled as a user would: dragged off its dock, a capture started
// from the floating toolbar and kept running while it is dragged, closed with its close
// button (it stays hidden), and the program still quits cleanly.
#include <gtest/gtest.h>

#include <windows.h>

#include "InputScript.h"
#include "MainFormFixture.h"
#include "MainFormSource.h"
#include "TestSupport.h"

namespace {

class ToolbarDragTest : public TMainFormFixture {
protected:
    void SetUp() override
    {
        TMainFormFixture::SetUp();
        BringToFront(MainForm->Handle());
        PumpMessages(100);
    }
    static RECT WindowRectOf(TWinControl* c)
    {
        RECT r{};
        GetWindowRect(c->Handle(), &r);
        return r;
    }
};

}  // namespace

TEST_F(ToolbarDragTest, TearOffCaptureWhileDraggingCloseAndQuit)
{
    TToolWindow97* bar = MainForm->ToolWindow971;
    ASSERT_TRUE(bar->IsDocked());
    const RECT docked = WindowRectOf(bar);
    const POINT handle{docked.left + 6, (docked.top + docked.bottom) / 2};

    TInputScript off;
    off.Drag(handle, POINT{handle.x + 20, handle.y + 160});
    ASSERT_TRUE(off.Run());
    ASSERT_FALSE(bar->IsDocked()) << "torn off into a floating window";
    EXPECT_EQ(MainForm->Dock971->Height(), 0);
    EXPECT_TRUE(IsWindowVisible(bar->Handle()));

    // Start from the floating toolbar; the capture begins three seconds later.
    ClickAt(MainForm->StartStopButton->ClientToScreen(POINT{40, 15}));
    ASSERT_TRUE(MainForm->StartTimer->Enabled());
    ASSERT_TRUE(PumpUntil([] { return MainForm->LoopTimer->Enabled(); }, 6000));

    // The frame timer keeps ticking while the toolbar is dragged about.
    int ticks = 0;
    auto original = MainForm->LoopTimer->OnTimer;
    MainForm->LoopTimer->OnTimer = [&](TObject* sender) {
        ++ticks;
        original(sender);
    };
    const RECT floating = WindowRectOf(bar);
    const POINT caption{floating.left + 30, floating.top + 10};
    int ticksAtPress = -1, ticksBeforeRelease = -1;
    TInputScript drag;
    drag.Move(caption).Down().Then([&] { ticksAtPress = ticks; }).Move(POINT{caption.x + 40, caption.y + 30}).Wait(8)
        .Then([&] { ticksBeforeRelease = ticks; }).Up();
    ASSERT_TRUE(drag.Run());
    EXPECT_GE(ticksBeforeRelease - ticksAtPress, 2) << "frames were captured during the drag";
    EXPECT_EQ(WindowRectOf(bar).left, floating.left + 40);
    EXPECT_FALSE(bar->IsDocked());

    // Its close button hides it, for good.
    const TGeomRect b = GetCloseButtonRect(SystemFrameMetrics(), bar->Resizable(), bar->ClientWidth(), true);
    const RECT now = WindowRectOf(bar);
    TInputScript close;
    close.Move(POINT{now.left + (b.Left + b.Right) / 2, now.top + (b.Top + b.Bottom) / 2}).Down().Wait().Up();
    ASSERT_TRUE(close.Run());
    EXPECT_FALSE(bar->Visible());
    EXPECT_FALSE(IsWindowVisible(bar->Handle()));
    EXPECT_TRUE(MainForm->LoopTimer->Enabled()) << "closing the toolbar does not stop the capture";

    // The window's own close box ends the program.
    SendMessageW(MainForm->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    PumpMessages(100);
    EXPECT_TRUE(Application->Terminated()) << "the message loop was told to end";
    EXPECT_FALSE(MainForm->LoopTimer->Enabled());
    EXPECT_FALSE(bar->Visible());
}
