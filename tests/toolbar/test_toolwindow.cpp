#include "test_dock_support.h"

#include <any>
#include <memory>

#include "StdCtrls.h"

namespace {

bool IsFloatingParentName(const std::wstring& name)
{
    const std::wstring prefix = L"TB97FloatingWindowParent_";
    if (name.size() != prefix.size() + 8 || name.compare(0, prefix.size(), prefix) != 0)
        return false;
    for (size_t i = prefix.size(); i < name.size(); ++i)
        if (!((name[i] >= L'0' && name[i] <= L'9') || (name[i] >= L'A' && name[i] <= L'F')))
            return false;
    return true;
}

int FloatingParentsAlive()
{
    int n = 0;
    for (int i = 0; i < Screen->FormCount(); ++i)
        n += dynamic_cast<TFloatingWindowParent*>(Screen->Forms(i)) != nullptr;
    return n;
}


void Record(TToolWindow97* bar, std::vector<std::wstring>& log)
{
    bar->OnDockChanging = [&log](TObject*) { log.push_back(L"DockChanging"); };
    bar->OnDockChangingEx = [&log](TObject*, TDock97* d) { log.push_back(d ? L"DockChangingEx:dock" : L"DockChangingEx:none"); };
    bar->OnRecreating = [&log](TObject*) { log.push_back(L"Recreating"); };
    bar->OnDockChangingHidden = [&log](TObject*, TDock97* d) { log.push_back(d ? L"Hidden:dock" : L"Hidden:none"); };
    bar->OnMove = [&log](TObject*) { log.push_back(L"Move"); };
    bar->OnRecreated = [&log](TObject*) { log.push_back(L"Recreated"); };
    bar->OnDockChanged = [&log](TObject*) { log.push_back(L"DockChanged"); };
}

const std::vector<std::wstring> ToFloat{L"DockChanging", L"DockChangingEx:none", L"Recreating", L"Hidden:none",
                                        L"Move", L"Recreated", L"DockChanged"};
const std::vector<std::wstring> ToDock{L"DockChanging", L"DockChangingEx:dock", L"Recreating", L"Hidden:dock",
                                       L"Move", L"Recreated", L"DockChanged"};

}  // namespace

using ToolWindowTest = TDockFixture;

TEST_F(ToolWindowTest, Defaults)
{
    auto* bar = new TToolWindow97(Form);
    EXPECT_EQ(bar->DockPos(), -1);
    EXPECT_EQ(bar->DockRow(), 0);
    EXPECT_EQ(bar->DockableTo(), (TDockableTo{dpTop, dpBottom, dpLeft, dpRight}));
    EXPECT_TRUE(bar->CloseButton() && bar->Resizable() && bar->ShowCaption() && bar->HideWhenInactive() &&
                bar->UseLastDock() && bar->ActivateParent());
    EXPECT_FALSE(bar->CloseButtonWhenDocked() || bar->FullSize() || bar->IsDocked());
    EXPECT_EQ(bar->BorderStyle(), bsSingle);
    EXPECT_EQ(bar->DockMode(), dmCanFloat);
    EXPECT_EQ(bar->DragHandleStyle(), dhDouble);
    EXPECT_EQ(bar->FloatingMode(), fmOnTopOfParentForm);
    EXPECT_EQ(bar->Color(), clBtnFace);
    EXPECT_EQ(bar->ClientAreaWidth(), 32);
    EXPECT_EQ(bar->ClientAreaHeight(), 32);
    EXPECT_EQ(bar->BarWidth(), 32) << "the remembered client size, not only the outer one";
    EXPECT_EQ(bar->BarHeight(), 32);
    EXPECT_EQ(bar->MinClientWidth(), 32);
    EXPECT_EQ(bar->Version(), L"Ruzevov97 version 1.78a");
    bar->SetVersion(L"x");
    EXPECT_EQ(bar->Version(), L"Ruzevov97 version 1.78a");
    EXPECT_EQ(Dock->Version(), L"Ruzevov97 version 1.78a");
    EXPECT_TRUE(bar->WindowParams().InheritedAlign && bar->WindowParams().CornerSizing &&
                bar->WindowParams().ClipCursorOnSize);
    int32_t size = 0;
    bar->GetBarSize(size, dtNotDocked);
    EXPECT_EQ(size, 32);
    ASSERT_NE(GetToolbarDockPosProc, nullptr);
    EXPECT_EQ(GetToolbarDockPosProc(bar), gtpNone);
    bar->SetParent(Dock);
    EXPECT_EQ(GetToolbarDockPosProc(bar), gtpTop);
}

TEST_F(ToolWindowTest, DockFloatDockFiresSevenNotificationsInOrder)
{
    TToolWindow97* bar = MakeBar(Dock, 80, 22);
    std::vector<std::wstring> log;
    Record(bar, log);
    bar->SetFloatingPosition(POINT{150, 160});

    bar->SetDockedTo(nullptr);
    EXPECT_EQ(log, ToFloat);
    EXPECT_FALSE(bar->IsDocked());
    EXPECT_EQ(bar->DockedTo(), nullptr);
    TFloatingWindowParent* parent = bar->FloatingParent();
    ASSERT_NE(parent, nullptr);
    EXPECT_EQ(bar->Parent(), parent);
    EXPECT_EQ(parent->OwnerForm(), Form);
    EXPECT_TRUE(IsFloatingParentName(parent->Name())) << Narrow(parent->Name());
    ASSERT_NE(FloatingWindowList, nullptr);
    EXPECT_EQ(FloatingWindowList->IndexOf(bar), 0);
    EXPECT_EQ(bar->Left(), 150);
    EXPECT_EQ(bar->Top(), 160);
    EXPECT_EQ(bar->ClientAreaWidth(), 80);
    EXPECT_EQ(bar->ClientAreaHeight(), 22);
    EXPECT_EQ(bar->HiddenCount(), 0);
    EXPECT_EQ(bar->MoveEventLock(), 0);
    EXPECT_EQ(bar->BoundsUpdateCount(), 0);
    EXPECT_EQ(Dock->GetToolbarCount(), 0);
    EXPECT_EQ(Dock->MemberList().IndexOf(bar), 0);  // UseLastDock: still a member
    EXPECT_EQ(bar->LastDock(), Dock);

    // Same parent: nothing fires.
    log.clear();
    bar->SetParent(Form);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(bar->FloatingParent(), parent);

    bar->SetDockedTo(Dock);
    EXPECT_EQ(log, ToDock);
    EXPECT_EQ(FloatingWindowList, nullptr);
    EXPECT_EQ(bar->FloatingParent(), nullptr);
    EXPECT_EQ(FloatingParentsAlive(), 0);
    EXPECT_EQ(bar->DockRow(), 0);
    EXPECT_EQ(bar->DockPos(), 0);
    EXPECT_EQ(bar->ClientAreaWidth(), 80);
    EXPECT_EQ(Dock->GetToolbarCount(), 1);
    EXPECT_EQ(bar->PreviousDockType(), dtTopBottom);

    log.clear();
    HWND wnd = bar->Handle();
    ASSERT_TRUE(IsWindowVisible(wnd));
    int hides = 0;
    bar->OnDockChangingHidden = [&](TObject*, TDock97*) { ++hides; };
    bar->SetParent(Dock);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(hides, 0);
    EXPECT_TRUE(bar->HandleAllocated() && bar->Handle() == wnd) << "the same window, never hidden or made again";
    EXPECT_TRUE(IsWindowVisible(wnd));
}

TEST_F(ToolWindowTest, FloatingParentsPerFormAndDistinctNames)
{
    auto* formB = new TForm(nullptr);
    TScopeExit freeB([&] { delete formB; });
    TToolWindow97* bar = MakeBar(Form, 60, 22, L"Bar", formB);
    TToolWindow97* other = MakeBar(Form, 60, 22, L"Other");
    TFloatingWindowParent* onA = bar->FloatingParent();
    ASSERT_NE(onA, nullptr);
    EXPECT_NE(onA->Name(), other->FloatingParent()->Name());
    EXPECT_EQ(FloatingWindowList->Count(), 2);

    bar->SetParent(formB);
    TFloatingWindowParent* onB = bar->FloatingParent();
    EXPECT_NE(onB, onA);
    EXPECT_EQ(onB->OwnerForm(), formB);
    EXPECT_EQ(FloatingParentsAlive(), 2);  // A's went after the move
    EXPECT_EQ(GetToolWindowParentForm(bar), formB);

    delete other;
    EXPECT_EQ(FloatingWindowList->Count(), 1);
}

TEST_F(ToolWindowTest, UseLastDockMembershipBothWays)
{
    auto* second = new TDock97(Form);
    second->SetPosition(dpBottom);
    second->SetParent(Form);
    TToolWindow97* bar = MakeBar(Dock, 60, 22);
    EXPECT_EQ(bar->LastDock(), Dock);

    bar->SetDockedTo(second);
    EXPECT_EQ(bar->LastDock(), second);
    EXPECT_EQ(Dock->MemberList().IndexOf(bar), -1);
    EXPECT_EQ(second->MemberList().IndexOf(bar), 0);

    bar->SetLastDock(Dock);  // docked with UseLastDock: the current dock wins
    EXPECT_EQ(bar->LastDock(), second);

    bar->SetUseLastDock(false);
    EXPECT_EQ(bar->LastDock(), nullptr);
    EXPECT_EQ(second->MemberList().IndexOf(bar), 0);  // docked there: still a member
    bar->SetDockedTo(nullptr);
    EXPECT_EQ(second->MemberList().IndexOf(bar), -1);
    EXPECT_EQ(Dock->MemberList().IndexOf(bar), -1);

    bar->SetLastDock(Dock);  // assigning while floating switches UseLastDock on
    EXPECT_TRUE(bar->UseLastDock());
    EXPECT_EQ(Dock->MemberList().IndexOf(bar), 0);
    EXPECT_EQ(Dock->GetToolbarCount(), 0);
}

TEST_F(ToolWindowTest, OwnerFormDestroyedInBothFloatingModes)
{
    for (TToolWindowFloatingMode mode : {fmOnTopOfParentForm, fmOnTopOfAllForms}) {
        auto* form = new TForm(nullptr);
        form->Show();
        auto bar = std::make_unique<TToolWindow97>(nullptr);
        bar->SetName(L"Loose");
        bar->SetFloatingMode(mode);
        bar->SetParent(form);
        HWND wnd = bar->Handle();
        ASSERT_NE(bar->FloatingParent(), nullptr);
        PumpMessages(10);
        delete form;
        PumpMessages(10);
        if (mode == fmOnTopOfParentForm) {
            EXPECT_EQ(bar->Parent(), nullptr);
            EXPECT_EQ(bar->FloatingParent(), nullptr);
            EXPECT_EQ(FloatingWindowList, nullptr);
        } else {
            ASSERT_NE(bar->FloatingParent(), nullptr);
            EXPECT_EQ(bar->Parent(), bar->FloatingParent());
            EXPECT_EQ(bar->FloatingParent()->OwnerForm(), nullptr);
            // The very window made before the form went, still owned by the application window.
            EXPECT_TRUE(IsWindow(wnd));
            EXPECT_TRUE(bar->HandleAllocated() && bar->Handle() == wnd);
            EXPECT_EQ(GetWindow(wnd, GW_OWNER), Application->Handle());
        }
        bar.reset();
        EXPECT_EQ(FloatingParentsAlive(), 0);
        EXPECT_EQ(FloatingWindowList, nullptr);
    }
}

TEST_F(ToolWindowTest, DestroyingDefaultAndLastDockClearsBoth)
{
    auto* second = new TDock97(Form);
    second->SetParent(Form);
    TToolWindow97* bar = MakeBar(second, 60, 22);
    bar->SetDefaultDock(second);
    bar->SetDockedTo(nullptr);
    ASSERT_EQ(bar->LastDock(), second);
    delete second;
    EXPECT_EQ(bar->DefaultDock(), nullptr);
    EXPECT_EQ(bar->LastDock(), nullptr);
    bar->SetDockedTo(Dock);
    EXPECT_EQ(bar->LastDock(), Dock);
}

TEST_F(ToolWindowTest, ValidToolWindowParentFormText)
{
    auto bar = std::make_unique<TToolWindow97>(nullptr);
    bar->SetName(L"Orphan");
    EXPECT_EQ(ErrorOf([&] { ValidToolWindowParentForm(bar.get()); }),
              L"コントロール 'Orphan' は親ウィンドウを持っていません");
    EXPECT_THROW(bar->SetDockedTo(nullptr), EInvalidOperation);
    EXPECT_EQ(bar->Parent(), nullptr);
    EXPECT_EQ(GetToolWindowParentForm(bar.get()), nullptr);
}

TEST_F(ToolWindowTest, ThrowingHandlerLeavesEveryCounterAndList)
{
    TToolWindow97* bar = MakeBar(Dock, 60, 22);
    const int parentsBefore = FloatingParentsAlive();
    for (int stage = 0; stage < 2; ++stage) {
        if (stage == 0)
            bar->OnDockChanging = [](TObject*) { throw Exception(L"no"); };
        else
            bar->OnDockChangingHidden = [](TObject*, TDock97*) { throw Exception(L"no"); };
        EXPECT_EQ(ErrorOf([&] { bar->SetDockedTo(nullptr); }), L"no");
        bar->OnDockChanging = nullptr;
        bar->OnDockChangingHidden = nullptr;
        EXPECT_EQ(bar->Parent(), Dock);
        EXPECT_TRUE(bar->IsDocked());
        EXPECT_EQ(bar->HiddenCount(), 0);
        EXPECT_EQ(bar->MoveEventLock(), 0);
        EXPECT_EQ(bar->BoundsUpdateCount(), 0);
        EXPECT_EQ(bar->ArrangeControlsLock(), 0);
        EXPECT_EQ(Dock->ArrangeLockCount(), 0);
        EXPECT_EQ(Dock->GetToolbarCount(), 1);
        EXPECT_EQ(Dock->MemberList().Count(), 1);
        EXPECT_EQ(FloatingWindowList, nullptr);
        EXPECT_EQ(bar->FloatingParent(), nullptr);
        EXPECT_EQ(FloatingParentsAlive(), parentsBefore);
        EXPECT_TRUE(IsWindowVisible(bar->Handle()));
    }
    EXPECT_EQ(ErrorOf([&] { bar->SetDockedTo(nullptr); }), L"");
}

TEST_F(ToolWindowTest, WindowCreationFailingHalfWayKeepsTheParentItGot)
{
    // The toolkit sets the parent before it makes the window: a failure there leaves the tool
    // window inside its new parent, which must then stay, in every list that follows from it.
    TToolWindow97* bar = MakeBar(Dock, 60, 22);
    Form->Handle();
    struct {
        TWinControl* Target;
        bool Docked;
    } cases[] = {{Form, false}, {Dock, true}};
    for (const auto& c : cases) {
        SetWindowCreationFailure([bar](const TWinControl* w) { return w == bar; });
        TScopeExit restore([] { SetWindowCreationFailure(nullptr); });
        EXPECT_THROW(bar->SetParent(c.Target), EOutOfResources);
        SetWindowCreationFailure(nullptr);
        ASSERT_NE(bar->Parent(), nullptr);
        EXPECT_EQ(bar->IsDocked(), c.Docked);
        EXPECT_EQ(bar->DockedTo(), c.Docked ? Dock : nullptr);
        EXPECT_EQ(bar->Parent(), c.Docked ? static_cast<TWinControl*>(Dock) : bar->FloatingParent());
        EXPECT_EQ(FloatingParentsAlive(), c.Docked ? 0 : 1);
        EXPECT_EQ(FloatingWindowList != nullptr && FloatingWindowList->IndexOf(bar) >= 0, !c.Docked);
        EXPECT_EQ(Dock->GetToolbarCount(), c.Docked ? 1 : 0);
        EXPECT_EQ(bar->HiddenCount() + bar->MoveEventLock() + bar->BoundsUpdateCount() + Dock->ArrangeLockCount(), 0);
        EXPECT_TRUE(IsWindow(bar->Handle())) << "a window is made once creation works again";
    }
}

namespace {

// Asks for other window parameters than the base, and counts the asking.
class TParamsToolWindow : public TToolWindow97 {
public:
    using TToolWindow97::TToolWindow97;
    int Asked = 0;

protected:
    void GetParams(TToolWindowParams& Params) override
    {
        ++Asked;
        Params.InheritedAlign = false;
        Params.CornerSizing = false;
        Params.ClipCursorOnSize = true;
    }
};

}  // namespace

TEST_F(ToolWindowTest, OverriddenGetParamsIsAskedOnceAndHeeded)
{
    auto* bar = new TParamsToolWindow(Form);
    bar->SetName(L"Params");
    bar->SetParent(Dock);
    bar->SetClientAreaSize(80, 22);
    auto* child = new TButton(Form);
    child->SetBounds(5, 3, 20, 10);
    child->SetParent(bar);
    child->SetAlign(alClient);  // the toolkit's alignment is off for this tool window
    bar->SetDockedTo(nullptr);
    bar->SetDockedTo(Dock);
    EXPECT_EQ(bar->Asked, 1);
    EXPECT_FALSE(bar->WindowParams().InheritedAlign);
    EXPECT_FALSE(bar->WindowParams().CornerSizing);
    EXPECT_TRUE(bar->WindowParams().ClipCursorOnSize);
    EXPECT_EQ(child->Left(), 5);
    EXPECT_EQ(child->Width(), 20);
}

TEST_F(ToolWindowTest, StoredClientSizesNearTheLimitAreClamped)
{
    auto* hidden = new TForm(nullptr);
    TScopeExit freeHidden([&] { delete hidden; });
    auto* dock = new TDock97(hidden);
    dock->SetParent(hidden);
    auto* bar = new TToolWindow97(hidden);
    bar->SetParent(dock);
    bar->SetClientAreaSize(60, 22);
    const int ncWidth = bar->Width() - bar->ClientAreaWidth(), ncHeight = bar->Height() - bar->ClientAreaHeight();
    ASSERT_GT(ncWidth, 0);
    ASSERT_GT(ncHeight, 0);
    // The largest client size that fits exactly, the first one past it, and the maximum.
    for (int32_t past : {0, 1, ncWidth}) {
        bar->SetClientAreaSize(60, 22);
        bar->SetClientAreaWidth(INT32_MAX - ncWidth + past);
        EXPECT_EQ(bar->Width(), INT32_MAX) << past;
    }
    for (int32_t past : {0, 1, ncHeight}) {
        bar->SetClientAreaSize(60, 22);
        bar->SetClientAreaHeight(INT32_MAX - ncHeight + past);
        EXPECT_EQ(bar->Height(), INT32_MAX) << past;
    }
    bar->SetClientAreaSize(60, 22);
    EXPECT_EQ(bar->Width(), 60 + ncWidth);
}

TEST_F(ToolWindowTest, StoredPopupMenuAndDragEventsLoad)
{
    TToolWindow97* bar = MakeBar(Dock, 60, 22);
    const TClassInfo& barClass = TToolWindow97::StaticClassInfo();
    for (const wchar_t* name : {L"OnDragDrop", L"OnDragOver"}) {
        const TPropInfo* p = barClass.FindProperty(name);
        ASSERT_NE(p, nullptr) << Narrow(name);
        EXPECT_EQ(p->Type, TPropType::Event);
    }
    int drops = 0;
    barClass.FindProperty(L"OnDragDrop")->SetEvent(*bar, std::any(TDragDropEvent([&](TObject*, TObject*, int, int) { ++drops; })));
    bar->OnDragDrop(bar, nullptr, 1, 2);
    EXPECT_EQ(drops, 1);
    bool accept = false;
    barClass.FindProperty(L"OnDragOver")
        ->SetEvent(*bar, std::any(TDragOverEvent([](TObject*, TObject*, int, int, TDragState, bool& a) { a = true; })));
    bar->OnDragOver(bar, nullptr, 1, 2, dsDragMove, accept);
    EXPECT_TRUE(accept);

    // A component reference on both classes, dropped when the component goes.
    auto* menu = new TPopupMenu(Form);
    menu->SetName(L"PopupMenu1");
    for (const TClassInfo* info : {&barClass, &TDock97::StaticClassInfo()}) {
        const TPropInfo* p = info->FindProperty(L"PopupMenu");
        ASSERT_NE(p, nullptr) << Narrow(info->ClassName);
        EXPECT_EQ(p->Type, TPropType::Component);
    }
    barClass.FindProperty(L"PopupMenu")->SetObj(*bar, menu);
    TDock97::StaticClassInfo().FindProperty(L"PopupMenu")->SetObj(*Dock, menu);
    EXPECT_EQ(bar->PopupMenu(), menu);
    EXPECT_EQ(Dock->PopupMenu(), menu);
    delete menu;
    EXPECT_EQ(bar->PopupMenu(), nullptr);
    EXPECT_EQ(Dock->PopupMenu(), nullptr);
}

// ---- work area ----------------------------------------------------------------------------

namespace {

RECT FakeWork[2];
bool FakeInfoFails = false;
int FakeRectCalls = 0;

HMONITOR WINAPI FakeMonitorFromRect(LPCRECT r, DWORD flags)
{
    ++FakeRectCalls;
    EXPECT_EQ(flags, static_cast<DWORD>(MONITOR_DEFAULTTONEAREST));
    return reinterpret_cast<HMONITOR>(static_cast<intptr_t>(r->left >= FakeWork[1].left ? 2 : 1));
}

HMONITOR WINAPI FakeMonitorFromPoint(POINT, DWORD)
{
    return reinterpret_cast<HMONITOR>(1);
}

BOOL WINAPI FakeGetMonitorInfoA(HMONITOR m, LPMONITORINFO info)
{
    EXPECT_EQ(info->cbSize, 40u);
    if (FakeInfoFails)
        return FALSE;
    info->rcWork = FakeWork[reinterpret_cast<intptr_t>(m) - 1];
    return TRUE;
}

}  // namespace

TEST_F(ToolWindowTest, MoveOnScreenOverWorkAreaAndTwoMonitors)
{
    TToolWindow97* bar = MakeBar(Form, 100, 30);
    const int w = bar->Width(), h = bar->Height();
    const RECT work = PrimaryWorkArea();

    bar->SetBounds(work.right + 50, work.bottom + 60, w, h);  // wholly off
    bar->MoveOnScreen(true);
    EXPECT_EQ(bar->Left(), work.right - w);
    EXPECT_EQ(bar->Top(), work.bottom - h);
    bar->SetBounds(work.left - 10, work.top + 10, w, h);  // partly visible
    bar->MoveOnScreen(true);
    EXPECT_EQ(bar->Left(), work.left - 10);
    bar->MoveOnScreen(false);
    EXPECT_EQ(bar->Left(), work.left);
    EXPECT_EQ(bar->FloatingPosition().x, work.left);

    FakeWork[0] = RECT{0, 0, 1000, 700};
    FakeWork[1] = RECT{1000, 50, 1600, 650};
    TMonitorFunctions fake{FakeMonitorFromRect, FakeMonitorFromPoint, FakeGetMonitorInfoA, 2};
    TMonitorLookup previous = SetMonitorLookup([&] { return fake; });
    TScopeExit restore([&] { SetMonitorLookup(previous); });

    EXPECT_EQ(WorkAreaOfRect(RECT{1100, 10, 1200, 40}).top, 50);
    bar->SetBounds(1550, 630, w, h);  // on the second monitor, over its far corner
    bar->MoveOnScreen(false);
    EXPECT_EQ(bar->Left(), 1600 - w);
    EXPECT_EQ(bar->Top(), 650 - h);
    bar->SetBounds(1100, 60, 800, h);  // wider than that work area: left edge wins
    bar->MoveOnScreen(false);
    EXPECT_EQ(bar->Left(), 1000);

    FakeRectCalls = 0;
    FakeInfoFails = true;
    EXPECT_EQ(WorkAreaOfRect(RECT{1100, 10, 1200, 40}).right, work.right);
    EXPECT_EQ(FakeRectCalls, 1);
    FakeInfoFails = false;
    fake.MonitorCount = 1;
    EXPECT_EQ(WorkAreaOfRect(RECT{1100, 10, 1200, 40}).right, work.right);
    EXPECT_EQ(FakeRectCalls, 1);  // one monitor: not asked
    fake.MonitorCount = 2;
    fake.MonitorFromPoint = nullptr;  // one function missing
    EXPECT_EQ(WorkAreaOfRect(RECT{1100, 10, 1200, 40}).right, work.right);
    EXPECT_EQ(FakeRectCalls, 1);
    EXPECT_FALSE(LookUpMonitorFunctions().MonitorFromRect == nullptr);
}
