#include "test_dock_support.h"

namespace {

RECT WindowRectIn(HWND wnd, HWND parent)
{
    RECT r{};
    GetWindowRect(wnd, &r);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace

using DockTest = TDockFixture;

TEST_F(DockTest, AlignsToTopEdgeSpansWidthAndTakesRowHeight)
{
    EXPECT_EQ(Dock->Height(), 0);  // empty at run time
    TToolWindow97* bar = MakeBar(Dock, 100, 22);
    PumpMessages(10);
    const RECT client = Form->ClientRect();
    const RECT r = WindowRectIn(Dock->Handle(), Form->Handle());
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, client.right);
    EXPECT_EQ(r.bottom - r.top, 26);  // bar size 22 + 4
    EXPECT_EQ(bar->Width(), 100 + 13);
    EXPECT_EQ(bar->Height(), 26);
    EXPECT_EQ(bar->ClientAreaWidth(), 100);
    EXPECT_EQ(bar->ClientAreaHeight(), 22);
    EXPECT_EQ(Dock->GetToolbarCount(), 1);
    EXPECT_EQ(Dock->GetToolbars(0), bar);

    // Hidden: the dock is empty again; with FixAlign it keeps one pixel.
    bar->Hide();
    EXPECT_EQ(Dock->GetToolbarCount(), 0);
    EXPECT_EQ(Dock->Height(), 0);
    Dock->SetFixAlign(true);
    EXPECT_EQ(Dock->Height(), 1);
    Dock->SetBoundLines(TDockBoundLines{blTop, blBottom});
    Dock->ArrangeToolbars(false);
    EXPECT_EQ(Dock->Height(), 1);  // bound lines add nothing to an empty dock
    bar->Show();
    EXPECT_EQ(Dock->Height(), 28);
    EXPECT_EQ(Dock->ClientHeight(), 26);
    EXPECT_THROW(Dock->GetToolbars(1), EListError);
}

TEST_F(DockTest, WorkedExampleFitsRowAndCommitsOnlyWhenAsked)
{
    Form->SetClientSize(200, 200);
    PumpMessages(10);
    ASSERT_EQ(Dock->Width(), 200);
    Dock->BeginUpdate();
    TToolWindow97* a = MakeBar(Dock, 67, 22, L"A");
    TToolWindow97* b = MakeBar(Dock, 67, 22, L"B");
    TToolWindow97* c = MakeBar(Dock, 37, 22, L"C");
    a->SetDockRow(0), a->SetDockPos(0);
    b->SetDockRow(0), b->SetDockPos(150);
    c->SetDockRow(1), c->SetDockPos(10);
    EXPECT_TRUE(Dock->ArrangePending());
    Dock->EndUpdate();
    EXPECT_FALSE(Dock->ArrangePending());

    auto bounds = [](TControl* t) { return std::vector<int>{t->Left(), t->Top(), t->Width(), t->Height()}; };
    EXPECT_EQ(bounds(a), (std::vector<int>{0, 0, 80, 26}));
    EXPECT_EQ(bounds(b), (std::vector<int>{120, 0, 80, 26}));
    EXPECT_EQ(bounds(c), (std::vector<int>{10, 26, 50, 26}));
    EXPECT_EQ(Dock->Height(), 52);
    EXPECT_EQ(b->DockPos(), 150);  // not committed: comes back when the dock widens

    // A commit asked for while deferred is kept for the arrangement at the outermost EndUpdate.
    Dock->BeginUpdate();
    Dock->BeginUpdate();
    Dock->ArrangeToolbars(true);
    EXPECT_TRUE(Dock->CommitPending());
    Dock->EndUpdate();
    EXPECT_EQ(b->DockPos(), 150);
    Dock->ArrangeToolbars(false);  // still deferred, still committing
    Dock->EndUpdate();
    EXPECT_EQ(b->DockPos(), 120);
    EXPECT_FALSE(Dock->CommitPending());
    EXPECT_EQ(Dock->ArrangeLockCount(), 0);
}

TEST_F(DockTest, BottomAndRightDocksKeepTheirFarEdge)
{
    auto* bottom = new TDock97(Form);
    bottom->SetPosition(dpBottom);
    bottom->SetParent(Form);
    auto* right = new TDock97(Form);
    right->SetPosition(dpRight);
    right->SetParent(Form);
    PumpMessages(10);
    MakeBar(bottom, 60, 22, L"B1");
    MakeBar(right, 22, 60, L"R1");
    const RECT client = Form->ClientRect();
    EXPECT_EQ(bottom->Height(), 26);
    EXPECT_EQ(bottom->Top() + bottom->Height(), client.bottom);
    EXPECT_EQ(right->Width(), 26);
    EXPECT_EQ(right->Left() + right->Width(), client.right);

    // Growing rows: the far edge stays where it was.
    const int bottomEdge = bottom->Top() + bottom->Height();
    auto* tall = static_cast<TToolWindow97*>(bottom->GetToolbars(0));
    tall->SetClientAreaSize(60, 40);
    EXPECT_EQ(bottom->Height(), 44);
    EXPECT_EQ(bottom->Top() + bottom->Height(), bottomEdge);
    const int rightEdge = right->Left() + right->Width();
    static_cast<TToolWindow97*>(right->GetToolbars(0))->SetClientAreaSize(50, 60);
    EXPECT_EQ(right->Width(), 54);
    EXPECT_EQ(right->Left() + right->Width(), rightEdge);

    auto* none = new TDock97(Form);
    none->SetParent(Form);
    none->SetAlign(alNone);
    none->SetBounds(5, 5, 30, 30);
    none->ChangeWidthHeight(70, 70);
    EXPECT_EQ(none->Width(), 30);  // not an edge alignment: never resized
}

TEST_F(DockTest, ErrorsCarryTheirExactTexts)
{
    TToolWindow97* bar = MakeBar(Dock, 50, 22);
    auto* other = new TDock97(Form);
    EXPECT_EQ(ErrorOf([&] { other->SetParent(bar); }),
              L"A TDock97 control cannot be placed inside a tool window or another TDock97");
    EXPECT_EQ(ErrorOf([&] { other->SetParent(Dock); }),
              L"A TDock97 control cannot be placed inside a tool window or another TDock97");
    EXPECT_EQ(other->Parent(), nullptr);
    EXPECT_THROW(other->SetParent(bar), EInvalidOperation);

    EXPECT_EQ(ErrorOf([&] { Dock->SetPosition(dpLeft); }),
              L"Cannot change Position of a TDock97 if it already contains controls");
    EXPECT_EQ(Dock->Position(), dpTop);
    EXPECT_EQ(Dock->Align(), alTop);
    EXPECT_EQ(ErrorOf([&] { Dock->SetPosition(dpTop); }), L"");  // same value: allowed

    EXPECT_EQ(ErrorOf([&] { bar->SetParent(other); }), L"");
    auto* panel = new TRecordingToolWindow(Form);
    EXPECT_EQ(ErrorOf([&] { panel->SetParent(static_cast<TWinControl*>(bar)); }),
              L"A tool window can only be placed on a TDock97 or directly on the form");
    EXPECT_EQ(panel->Parent(), nullptr);
}

TEST_F(DockTest, RowsRenumberAndFullSizeTakesItsOwnRow)
{
    TToolWindow97* a = MakeBar(Dock, 50, 22, L"A");
    TToolWindow97* b = MakeBar(Dock, 50, 22, L"B");
    a->SetDockRow(0);
    b->SetDockRow(5);
    EXPECT_EQ(b->DockRow(), 1);
    EXPECT_EQ(Dock->Height(), 52);
    bool before = false;
    EXPECT_EQ(Dock->GetRowOf(35, before), 1);
    EXPECT_FALSE(before);
    EXPECT_EQ(Dock->GetRowOf(27, before), 1);
    EXPECT_TRUE(before);

    b->SetDockRow(0);
    b->SetDockPos(100);
    a->SetFullSize(true);
    Dock->ArrangeToolbars(false);
    EXPECT_EQ(a->DockRow(), 0);
    EXPECT_EQ(b->DockRow(), 1);
    EXPECT_EQ(a->Width(), Dock->ClientWidth());
    EXPECT_EQ(a->DockPos(), 0);
}

TEST_F(DockTest, InsertRemoveEventsFollowTheShownList)
{
    std::vector<std::pair<bool, TCustomToolWindow97*>> events;
    Dock->OnInsertRemoveBar = [&](TObject* sender, bool inserting, TCustomToolWindow97* bar) {
        EXPECT_EQ(sender, Dock);
        events.emplace_back(inserting, bar);
    };
    TToolWindow97* bar = MakeBar(Dock, 50, 22);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_TRUE(events[0].first);
    EXPECT_EQ(events[0].second, bar);
    bar->SetDockPos(30);  // membership unchanged: no event
    EXPECT_EQ(events.size(), 1u);
    bar->Hide();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_FALSE(events[1].first);
    EXPECT_EQ(Dock->MemberList().Count(), 1);  // hidden members stay members
    EXPECT_FALSE(Dock->HasVisibleToolbars());
    bar->Show();
    EXPECT_EQ(events.size(), 3u);
    bar->SetDockedTo(nullptr);
    ASSERT_EQ(events.size(), 4u);
    EXPECT_FALSE(events[3].first);
    Dock->OnInsertRemoveBar = nullptr;
}
