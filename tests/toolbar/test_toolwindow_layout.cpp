#include "test_dock_support.h"

using ToolWindowLayoutTest = TDockFixture;

TEST_F(ToolWindowLayoutTest, FloatingSizeIsContentsPlusFrame)
{
    TToolWindow97* bar = MakeBar(Form, 100, 24);
    const int frameX = GetSystemMetrics(SM_CXSIZEFRAME), frameY = GetSystemMetrics(SM_CYSIZEFRAME);
    EXPECT_EQ(bar->NCAreaWidth(), 2 * frameX);
    EXPECT_EQ(bar->NCAreaHeight(), 2 * frameY + GetSystemMetrics(SM_CYSMCAPTION));
    EXPECT_EQ(bar->Width(), 100 + bar->NCAreaWidth());
    EXPECT_EQ(bar->Height(), 24 + bar->NCAreaHeight());
    // The real window, not only the fields, has that size whatever the metrics are.
    RECT outer{};
    GetWindowRect(bar->Handle(), &outer);
    EXPECT_EQ(outer.right - outer.left, 100 + 2 * frameX);
    EXPECT_EQ(outer.bottom - outer.top, 24 + 2 * frameY + GetSystemMetrics(SM_CYSMCAPTION));
    RECT client{};
    GetClientRect(bar->Handle(), &client);
    EXPECT_EQ(client.right, 100);
    EXPECT_EQ(client.bottom, 24);
    const LONG_PTR style = GetWindowLongPtrW(bar->Handle(), GWL_STYLE);
    // The window system adds clipping of siblings and the window edge to such pop-ups itself.
    EXPECT_EQ(style & ~(WS_VISIBLE | WS_DISABLED | WS_CLIPSIBLINGS), WS_POPUP | WS_BORDER | WS_THICKFRAME);
    EXPECT_EQ(GetWindowLongPtrW(bar->Handle(), GWL_EXSTYLE) & ~(WS_EX_TOPMOST | WS_EX_WINDOWEDGE), WS_EX_TOOLWINDOW);

    bar->SetShowCaption(false);
    bar->ArrangeControls();
    EXPECT_EQ(bar->Height(), 24 + 2 * frameY);
    bar->SetResizable(false);
    bar->ArrangeControls();
    EXPECT_EQ(bar->Width(), 100 + 2 * GetSystemMetrics(SM_CXFIXEDFRAME));
    EXPECT_EQ(GetWindowLongPtrW(bar->Handle(), GWL_STYLE) & WS_THICKFRAME, 0);
}

TEST_F(ToolWindowLayoutTest, DockedFrameSizesFollowHandleStyleAndAllowDrag)
{
    TToolWindow97* bar = MakeBar(Dock, 60, 22);
    EXPECT_EQ(bar->NCAreaWidth(), 13);
    EXPECT_EQ(bar->NCAreaHeight(), 4);
    bar->SetDragHandleStyle(dhSingle);
    EXPECT_EQ(bar->NCAreaWidth(), 10);
    bar->SetCloseButtonWhenDocked(true);
    EXPECT_EQ(bar->NCAreaWidth(), 18);
    Dock->SetAllowDrag(false);
    EXPECT_EQ(bar->NCAreaWidth(), 4);
    RECT client{};
    GetClientRect(bar->Handle(), &client);
    EXPECT_EQ(bar->Width() - client.right, 4);
}

TEST_F(ToolWindowLayoutTest, RowStretchAndFullSize)
{
    TToolWindow97* small = MakeBar(Dock, 40, 22, L"Small");
    TToolWindow97* tall = MakeBar(Dock, 40, 30, L"Tall");
    small->SetDockRow(0);
    tall->SetDockRow(0);
    small->ArrangeControls();
    EXPECT_EQ(small->ClientAreaHeight(), 30);
    EXPECT_EQ(small->Height(), 30 + small->NCAreaHeight());
    EXPECT_EQ(small->ClientAreaWidth(), 40);
    EXPECT_EQ(Dock->Height(), 34);
    EXPECT_EQ(small->BarHeight(), 22);  // the remembered size stays

    delete tall;
    Form->SetClientSize(500, 200);
    PumpMessages(10);
    ASSERT_EQ(Dock->Width(), 500);
    small->SetFullSize(true);
    EXPECT_EQ(small->Width(), 500);
    EXPECT_EQ(small->ClientAreaWidth(), 487);
    EXPECT_EQ(small->ClientAreaHeight(), 22);
}

TEST_F(ToolWindowLayoutTest, ArrangementsBatchAndSizeChangingComesOnlyFromOutside)
{
    TRecordingToolWindow* bar = MakeBar(Dock, 60, 22);
    bar->OrderCalls = 0;
    bar->SizeChangingCalls.clear();
    bar->BeginUpdate();
    bar->ArrangeControls();
    bar->ArrangeControls();
    EXPECT_EQ(bar->OrderCalls, 0);
    EXPECT_TRUE(bar->ArrangeControlsPending());
    bar->EndUpdate();
    EXPECT_EQ(bar->OrderCalls, 1);

    Dock->ArrangeToolbars(false);
    bar->ArrangeControls();
    EXPECT_TRUE(bar->SizeChangingCalls.empty());

    bar->SetWidth(120);
    ASSERT_EQ(bar->SizeChangingCalls.size(), 1u);
    EXPECT_EQ(bar->SizeChangingCalls[0].cx, 120);
    EXPECT_EQ(bar->BarWidth(), 120 - 13);
    EXPECT_EQ(bar->Width(), 120);
}

TEST_F(ToolWindowLayoutTest, FloatingPositionFollowsOutsideMovesOnly)
{
    TToolWindow97* bar = MakeBar(Dock, 60, 22);
    bar->SetFloatingPosition(POINT{200, 210});
    bar->SetDockedTo(nullptr);
    EXPECT_EQ(bar->Left(), 200);
    bar->SetBounds(230, 240, bar->Width(), bar->Height());
    EXPECT_EQ(bar->FloatingPosition().x, 230);
    EXPECT_EQ(bar->FloatingPosition().y, 240);
    bar->SetDockedTo(Dock);
    EXPECT_EQ(bar->FloatingPosition().x, 230);
    bar->SetDockedTo(nullptr);
    EXPECT_EQ(bar->Left(), 230);
}

TEST_F(ToolWindowLayoutTest, MoveAndResizeEventsNotWhileLoading)
{
    TToolWindow97* bar = MakeBar(Form, 60, 22);
    int moves = 0, resizes = 0;
    bar->OnMove = [&](TObject*) { ++moves; };
    bar->OnResize = [&](TObject*) { ++resizes; };
    bar->BeginLoading();
    bar->SetBounds(bar->Left() + 5, bar->Top() + 5, bar->Width() + 5, bar->Height());
    EXPECT_EQ(moves, 0);
    EXPECT_EQ(resizes, 0);
    bar->EndLoadingState();
    bar->SetBounds(bar->Left() + 5, bar->Top() + 5, bar->Width() + 5, bar->Height());
    EXPECT_EQ(moves, 1);
    EXPECT_EQ(resizes, 1);
}

TEST_F(ToolWindowLayoutTest, TrackingSizesFromOneToMax)
{
    TToolWindow97* bar = MakeBar(Form, 60, 22);
    MINMAXINFO info{};
    SendMessageW(bar->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 1);
    EXPECT_EQ(info.ptMinTrackSize.y, 1);
    EXPECT_EQ(info.ptMaxTrackSize.x, 32767);
    EXPECT_EQ(info.ptMaxTrackSize.y, 32767);
    // A tiny client area stays tiny: nothing clamps the pop-up to a usual minimum.
    bar->SetClientAreaSize(1, 1);
    RECT r{};
    GetClientRect(bar->Handle(), &r);
    EXPECT_EQ(r.right, 1);
    EXPECT_EQ(r.bottom, 1);
    GetWindowRect(bar->Handle(), &r);
    EXPECT_EQ(r.right - r.left, 1 + bar->NCAreaWidth());
}

TEST_F(ToolWindowLayoutTest, ClientAreaKeptAcrossOrientations)
{
    auto* left = new TDock97(Form);
    left->SetPosition(dpLeft);
    left->SetParent(Form);
    TToolWindow97* bar = MakeBar(Dock, 572, 32);
    EXPECT_EQ(bar->ClientAreaWidth(), 572);
    EXPECT_EQ(bar->Width(), 572 + 13);
    int32_t size = 0;
    bar->GetBarSize(size, dtTopBottom);
    EXPECT_EQ(size, 32);
    bar->GetBarSize(size, dtLeftRight);
    EXPECT_EQ(size, 572);
    bar->SetDockedTo(left);
    EXPECT_EQ(bar->ClientAreaWidth(), 572);
    EXPECT_EQ(bar->ClientAreaHeight(), 32);
    EXPECT_EQ(left->Width(), 576);
}
