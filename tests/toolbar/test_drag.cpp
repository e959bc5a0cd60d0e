// Dragging tool windows with real input under Wine: along a dock, onto another dock, off
// into floating and back, Ctrl and Escape during a drag, the dock modes, new rows from gap
// bands and full-size drops, double-clicks, and the quit message during the loop.
#include <algorithm>
#include <string>
#include <vector>

#include "DibSurface.h"
#include "ExtCtrls.h"
#include "GdiCount.h"
#include "StdCtrls.h"
#include "InputScript.h"
#include "test_dock_support.h"

namespace {

// Counts the placements the dock makes (bounds set while BoundsUpdateCount is held).
class TCountingToolWindow : public TRecordingToolWindow {
public:
    using TRecordingToolWindow::TRecordingToolWindow;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override
    {
        if (BoundsUpdateCount() > 0 && IsDocked())
            ++Placements;
        TRecordingToolWindow::SetBounds(ALeft, ATop, AWidth, AHeight);
    }
    int Placements = 0;
};

// The middle of a docked tool window's drag handle.
POINT HandleOf(TWinControl* bar)
{
    const RECT r = WindowRectOf(bar);
    return POINT{r.left + 6, (r.top + r.bottom) / 2};
}

// A point on a floating tool window's caption, left of its close button.
POINT CaptionOf(TWinControl* bar)
{
    const RECT r = WindowRectOf(bar);
    return POINT{r.left + 20, r.top + 4 + 7};
}

class DragTest : public TDockFixture {
protected:
    void SetUp() override
    {
        TDockFixture::SetUp();
        Bottom = new TDock97(Form);
        Bottom->SetName(L"Bottom");
        Bottom->SetParent(Form);
        Bottom->SetPosition(dpBottom);
        A = MakeBar<TCountingToolWindow>(Dock, 100, 22, L"A");
        B = MakeBar<TCountingToolWindow>(Dock, 100, 22, L"B");
        B->SetDockPos(150);
        PumpMessages(50);
        PosB = B->DockPos();
        for (TCustomToolWindow97* bar : {static_cast<TCustomToolWindow97*>(A), static_cast<TCustomToolWindow97*>(B)})
            Watch(bar);
    }
    void Watch(TCustomToolWindow97* bar)
    {
        const std::wstring n = bar->Name();
        bar->OnDockChanging = [this, n](TObject*) { Events.push_back(n + L".DockChanging"); };
        bar->OnDockChangingEx = [this, n](TObject*, TDock97* to) {
            Events.push_back(n + L".DockChangingEx " + (to ? to->Name() : L"-"));
        };
        bar->OnRecreating = [this, n](TObject*) { Events.push_back(n + L".Recreating"); };
        bar->OnDockChangingHidden = [this, n](TObject*, TDock97*) { Events.push_back(n + L".DockChangingHidden"); };
        bar->OnRecreated = [this, n](TObject*) { Events.push_back(n + L".Recreated"); };
        bar->OnDockChanged = [this, n](TObject*) { Events.push_back(n + L".DockChanged"); };
        bar->OnMouseUp = [this, n](TObject*, TMouseButton button, TShiftState shift, int x, int y) {
            Events.push_back(n + L".MouseUp " + std::to_wstring(int(button)) + L" " +
                             std::to_wstring(shift.Bits()) + L" " + std::to_wstring(x) + L"," + std::to_wstring(y));
        };
    }
    // A point of the form's client area well away from both docks.
    POINT AwayFromDocks() { return Form->ClientToScreen(POINT{300, 130}); }

    TDock97* Bottom = nullptr;
    TCountingToolWindow* A = nullptr;
    TCountingToolWindow* B = nullptr;
    int PosB = 0;
    std::vector<std::wstring> Events;
};

std::vector<std::wstring> Strings(std::initializer_list<const wchar_t*> list)
{
    return std::vector<std::wstring>(list.begin(), list.end());
}

}  // namespace

TEST_F(DragTest, AlongTheDockMovesWithoutDockEventsAndArrangesOnce)
{
    A->Placements = 0;
    const long dcs = GdiLiveCounts().DCs, objects = GdiLiveCounts().Objects;
    const POINT from = HandleOf(B);
    TInputScript script;
    script.Drag(from, POINT{from.x + 100, from.y + 3});
    ASSERT_TRUE(script.Run());
    EXPECT_EQ(B->DockedTo(), Dock);
    EXPECT_EQ(B->DockRow(), 0);
    EXPECT_EQ(B->DockPos(), PosB + 100);
    EXPECT_EQ(A->Placements, 1) << "one arrangement of the dock";
    EXPECT_EQ(Events, Strings({L"B.MouseUp 0 0 -1,-1"})) << "no dock-changing events, one mouse-up at (-1, -1)";
    EXPECT_EQ(GdiLiveCounts().DCs, dcs) << "the screen context is released";
    EXPECT_EQ(GdiLiveCounts().Objects, objects) << "brush, bitmap and regions deleted";
}

TEST_F(DragTest, OntoAnEmptyDockOfTheSameFormWithTheEventsInOrder)
{
    ASSERT_EQ(Bottom->Height(), 0);
    const POINT from = HandleOf(A);
    const RECT bottom = WindowRectOf(Bottom);
    TInputScript script;
    script.Drag(from, POINT{from.x + 40, bottom.top});
    ASSERT_TRUE(script.Run());
    EXPECT_EQ(A->DockedTo(), Bottom);
    EXPECT_EQ(Bottom->Height(), 26);
    EXPECT_EQ(Events, Strings({L"A.DockChanging", L"A.DockChangingEx Bottom", L"A.Recreating",
                               L"A.DockChangingHidden", L"A.Recreated", L"A.DockChanged", L"A.MouseUp 0 0 -1,-1"}));
}

TEST_F(DragTest, OffIntoFloatingAtTheOutlineAndBackByTheCaption)
{
    const POINT from = HandleOf(A);
    const RECT before = WindowRectOf(A);
    const POINT to = AwayFromDocks();
    TInputScript off;
    off.Drag(from, to);
    ASSERT_TRUE(off.Run());
    ASSERT_FALSE(A->IsDocked());
    ASSERT_NE(A->FloatingParent(), nullptr);
    // The grab point keeps its relative place in the new shape.
    const RECT r = WindowRectOf(A);
    const int gx = from.x - before.left, gy = from.y - before.top;
    EXPECT_EQ(r.left, to.x - MulDiv(r.right - r.left - 1, gx, before.right - before.left - 1));
    EXPECT_EQ(r.top, to.y - MulDiv(r.bottom - r.top - 1, gy, before.bottom - before.top - 1));
    EXPECT_EQ(A->FloatingPosition().x, r.left);
    EXPECT_EQ(Events.front(), L"A.DockChanging");
    Events.clear();

    // Floating to another floating place: no dock events.
    const POINT caption = CaptionOf(A);
    TInputScript along;
    along.Drag(caption, POINT{caption.x + 30, caption.y + 20});
    ASSERT_TRUE(along.Run());
    EXPECT_EQ(WindowRectOf(A).left, r.left + 30);
    EXPECT_EQ(WindowRectOf(A).top, r.top + 20);
    EXPECT_EQ(Events, Strings({L"A.MouseUp 0 0 -1,-1"}));

    TInputScript back;
    const RECT dock = WindowRectOf(Dock);
    back.Drag(CaptionOf(A), POINT{dock.left + 300, dock.top + 10});
    ASSERT_TRUE(back.Run());
    EXPECT_EQ(A->DockedTo(), Dock);
    EXPECT_EQ(A->FloatingParent(), nullptr);
}

TEST_F(DragTest, CtrlFloatsOverADockAndReleasingItBringsTheDockBack)
{
    struct Case {
        bool releaseCtrlBeforeDrop;
        bool docked;
    } cases[] = {{false, false}, {true, true}};
    for (const Case& c : cases) {
        if (!A->IsDocked())
            A->SetDockedTo(Dock);
        PumpMessages(30);
        const POINT from = HandleOf(A);
        TInputScript script;
        script.Move(from).Down().Move(POINT{from.x + 20, from.y}).Key(VK_CONTROL, true).Wait();
        if (c.releaseCtrlBeforeDrop)
            script.Key(VK_CONTROL, false).Wait().Up();
        else
            script.Up().Key(VK_CONTROL, false);
        ASSERT_TRUE(script.Run());
        EXPECT_EQ(A->IsDocked(), c.docked) << "Ctrl released before the drop: " << c.releaseCtrlBeforeDrop;
    }
}

TEST_F(DragTest, EscapeRestoresTheScreenExactlyAndMovesNothing)
{
    const RECT area = WindowRectOf(Form);
    PumpMessages(200);
    const std::vector<uint32_t> before = ScreenPixels(area);
    const POINT from = HandleOf(B);
    std::vector<uint32_t> during;
    TInputScript script;
    script.Move(from).Down().Move(AwayFromDocks()).Wait().Then([&] { during = ScreenPixels(area); });
    script.Key(VK_ESCAPE, true).Key(VK_ESCAPE, false).Wait().Up();
    ASSERT_TRUE(script.Run());
    PumpMessages(200);
    EXPECT_NE(during, before) << "an outline was on the screen during the drag";
    EXPECT_TRUE(ScreenPixels(area) == before) << "the screen is restored exactly";
    EXPECT_EQ(B->DockedTo(), Dock);
    EXPECT_EQ(B->DockPos(), PosB);
    EXPECT_EQ(Events, Strings({L"B.MouseUp 0 0 -1,-1"}));
}

TEST_F(DragTest, DockModesLimitWhereTheToolWindowMayGo)
{
    // Cannot float: away from every dock the cursor says no and the drop changes nothing.
    A->SetDockMode(dmCannotFloat);
    HCURSOR during = nullptr;
    TInputScript away;
    away.Move(HandleOf(A)).Down().Move(AwayFromDocks()).Wait().Then([&] { during = GetCursor(); }).Up();
    ASSERT_TRUE(away.Run());
    EXPECT_EQ(during, LoadCursorW(nullptr, IDC_NO));
    EXPECT_EQ(A->DockedTo(), Dock);
    // ... but it may still change docks.
    TInputScript toBottom;
    toBottom.Drag(HandleOf(A), POINT{HandleOf(A).x, WindowRectOf(Bottom).top});
    ASSERT_TRUE(toBottom.Run());
    EXPECT_EQ(A->DockedTo(), Bottom);

    // Cannot float or change docks: only along its own dock.
    B->SetDockMode(dmCannotFloatOrChangeDocks);
    TInputScript other;
    other.Drag(HandleOf(B), POINT{HandleOf(B).x, WindowRectOf(Bottom).top - 5});
    ASSERT_TRUE(other.Run());
    EXPECT_EQ(B->DockedTo(), Dock);
    const int pos = B->DockPos();
    TInputScript along;
    along.Drag(HandleOf(B), POINT{HandleOf(B).x - 50, HandleOf(B).y});
    ASSERT_TRUE(along.Run());
    EXPECT_EQ(B->DockPos(), pos - 50);

    // Floating in that mode it cannot be dragged at all.
    B->SetDockedTo(nullptr);
    PumpMessages(50);
    const RECT floating = WindowRectOf(B);
    TInputScript stuck;
    stuck.Move(CaptionOf(B)).Down().Move(POINT{CaptionOf(B).x + 40, CaptionOf(B).y + 40}).Wait()
        .Then([&] { during = GetCursor(); }).Up();
    ASSERT_TRUE(stuck.Run());
    EXPECT_EQ(during, LoadCursorW(nullptr, IDC_NO));
    EXPECT_EQ(WindowRectOf(B).left, floating.left);
    EXPECT_EQ(WindowRectOf(B).top, floating.top);
}

TEST_F(DragTest, GapBandAndFullSizeDropsOpenNewRows)
{
    // The top 5 pixels of row 0 are the gap before it: B gets a row of its own above A.
    const POINT from = HandleOf(B);
    const POINT gap = Dock->ClientToScreen(POINT{300, 2});
    TInputScript script;
    script.Drag(from, POINT{gap.x, gap.y + (from.y - WindowRectOf(B).top) - 13});
    ASSERT_TRUE(script.Run());
    EXPECT_EQ(B->DockRow(), 0);
    EXPECT_EQ(A->DockRow(), 1);
    EXPECT_EQ(Dock->Height(), 52);

    // A full-size tool window dropped onto an occupied row opens a new row right after it.
    B->SetFullSize(true);
    PumpMessages(30);
    const POINT onA = HandleOf(A);
    TInputScript fullSize;
    fullSize.Drag(HandleOf(B), POINT{onA.x + 200, onA.y});
    ASSERT_TRUE(fullSize.Run());
    EXPECT_EQ(A->DockRow(), 0);
    EXPECT_EQ(B->DockRow(), 1);
    EXPECT_EQ(B->Width(), Dock->ClientWidth());
}

TEST_F(DragTest, DoubleClickTogglesBothWays)
{
    const POINT handle = HandleOf(A);
    TInputScript off;
    off.Move(handle).Down().Up().Down().Up();
    ASSERT_TRUE(off.Run());
    ASSERT_FALSE(A->IsDocked());
    EXPECT_EQ(A->LastDock(), Dock);
    TInputScript back;
    back.Move(CaptionOf(A)).Down().Up().Down().Up();
    ASSERT_TRUE(back.Run());
    EXPECT_EQ(A->DockedTo(), Dock);

    // Floating without a last dock: the default dock, on row 0 before the others.
    B->SetUseLastDock(false);
    B->SetDockedTo(nullptr);
    B->SetDefaultDock(Bottom);
    PumpMessages(50);
    ASSERT_EQ(B->LastDock(), nullptr);
    TInputScript toDefault;
    toDefault.Move(CaptionOf(B)).Down().Up().Down().Up();
    ASSERT_TRUE(toDefault.Run());
    EXPECT_EQ(B->DockedTo(), Bottom);
    EXPECT_EQ(B->DockPos(), 0);

    // No dock to go to: nothing happens.
    B->SetDockedTo(nullptr);
    B->SetDefaultDock(nullptr);
    B->SetUseLastDock(false);
    PumpMessages(50);
    TInputScript nowhere;
    nowhere.Move(CaptionOf(B)).Down().Up().Down().Up();
    ASSERT_TRUE(nowhere.Run());
    EXPECT_FALSE(B->IsDocked());
}

TEST_F(DragTest, ChildControlsKeepTheirClicksAndAllowDragBlocksDrags)
{
    auto* button = new TButton(Form);
    button->SetParent(A);
    button->SetBounds(10, 0, 40, 20);
    PumpMessages(30);
    const POINT centre = button->ClientToScreen(POINT{20, 10});
    TInputScript press;
    press.Drag(centre, POINT{centre.x, centre.y + 100});
    ASSERT_TRUE(press.Run());
    EXPECT_EQ(A->DockedTo(), Dock);

    Dock->SetAllowDrag(false);
    PumpMessages(30);
    TInputScript blocked;
    blocked.Drag(POINT{WindowRectOf(A).left + 1, HandleOf(A).y}, AwayFromDocks());
    blocked.Wait().Move(POINT{WindowRectOf(A).left + 1, HandleOf(A).y}).Down().Up().Down().Up();
    ASSERT_TRUE(blocked.Run());
    EXPECT_EQ(A->DockedTo(), Dock);
    EXPECT_EQ(std::count(Events.begin(), Events.end(), L"A.MouseUp 0 0 -1,-1"), 0) << "no drag ran";
}

TEST_F(DragTest, RequestDockRefusalFloatsTheOutlineAndIsAskedAtEveryMove)
{
    int asked = 0;
    Bottom->OnRequestDock = [&](TObject* sender, TCustomToolWindow97* bar, bool& accept) {
        EXPECT_EQ(sender, Bottom);
        EXPECT_EQ(bar, A);
        ++asked;
        accept = false;
    };
    const POINT from = HandleOf(A);
    const int y = WindowRectOf(Bottom).top;
    TInputScript script;
    script.Move(from).Down().Move(POINT{from.x + 10, y}).Move(POINT{from.x + 20, y}).Wait().Up();
    ASSERT_TRUE(script.Run());
    EXPECT_GE(asked, 2);
    EXPECT_FALSE(A->IsDocked()) << "refused: the tool window floats where it was dropped";
}

TEST_F(DragTest, QuitDuringTheDragIsPostedAgainAndCancels)
{
    const POINT from = HandleOf(B);
    TInputScript script;
    script.Move(from).Down().Move(AwayFromDocks()).Then([] { PostQuitMessage(7); }).Wait(2).Up();
    ASSERT_TRUE(script.Run());
    EXPECT_EQ(script.QuitCodes, std::vector<WPARAM>{7});
    EXPECT_EQ(B->DockedTo(), Dock);
    EXPECT_EQ(B->DockPos(), PosB);
}

TEST_F(DragTest, TimersKeepRunningDuringADrag)
{
    int ticks = 0;
    TTimer timer(nullptr);
    timer.SetInterval(20);
    timer.OnTimer = [&](TObject*) { ++ticks; };
    timer.SetEnabled(true);
    int ticksAtPress = -1, ticksBeforeRelease = -1;
    TInputScript script;
    script.Move(HandleOf(B)).Down().Then([&] { ticksAtPress = ticks; }).Move(AwayFromDocks()).Wait(6)
        .Then([&] { ticksBeforeRelease = ticks; }).Key(VK_ESCAPE, true).Key(VK_ESCAPE, false).Up();
    ASSERT_TRUE(script.Run());
    EXPECT_GT(ticksBeforeRelease, ticksAtPress + 2);
}
