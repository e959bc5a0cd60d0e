// Pop-up menus of docks and tool windows: right-clicks on a dock, on a docked tool window's
// drag handle and controls, on a floating one's caption and client area; a tool window's
// shortcut while the focus is in its form, docked or floating.
#include <functional>

#include "InputScript.h"
#include "StdCtrls.h"
#include "test_dock_support.h"

namespace {

class TMenuWatchdog {
public:
    TMenuWatchdog() : FTimer(SetTimer(nullptr, 0, 5000, [](HWND, UINT, UINT_PTR, DWORD) { EndMenu(); })) {}
    ~TMenuWatchdog()
    {
        KillTimer(nullptr, FTimer);
        EndMenu();
    }

private:
    UINT_PTR FTimer;
};

}  // namespace

class PopupMenuTest : public TDockFixture {
protected:
    TPopupMenu* Menu(const std::wstring& caption)
    {
        auto* menu = new TPopupMenu(Form);
        auto* item = new TMenuItem(Form);
        item->SetCaption(caption);
        item->OnClick = [this, caption](TObject*) { Clicks.push_back(caption); };
        menu->Items()->Add(item);
        return menu;
    }
    void SetFloating(TToolWindow97* bar, bool floating)
    {
        if (floating == !bar->IsDocked())
            return;
        if (floating) {
            bar->SetFloatingPosition(POINT{260, 260});
            bar->SetDockedTo(nullptr);
        } else {
            bar->SetDockedTo(Dock);
        }
        PumpMessages(30);
    }
    std::vector<std::wstring> Clicks;
};

TEST_F(PopupMenuTest, DocksAndToolWindowsShowTheirMenusDockedAndFloating)
{
    TPopupMenu* dockMenu = Menu(L"dock");
    TPopupMenu* barMenu = Menu(L"bar");
    dockMenu->Items()->Items(0)->SetShortCut(ShortCut('K', {ssCtrl}));
    barMenu->Items()->Items(0)->SetShortCut(ShortCut('B', {ssCtrl}));
    Dock->SetPopupMenu(dockMenu);
    TToolWindow97* bar = MakeBar(Dock, 190, 24);
    bar->SetHideWhenInactive(false);
    bar->SetPopupMenu(barMenu);
    auto* button = new TButton(Form);
    button->SetBounds(70, 0, 50, 24);
    button->SetParent(bar);
    auto* barEdit = new TEdit(Form);
    barEdit->SetBounds(130, 0, 55, 24);
    barEdit->SetParent(bar);
    auto* edit = new TEdit(Form);
    edit->SetBounds(10, 150, 100, 24);
    edit->SetParent(Form);
    PumpMessages(30);

    struct TRow {
        const char* Where;
        bool Floating;
        std::function<POINT()> At;
        std::wstring Click;
    };
    const std::vector<TRow> rows{
        {"dock beside the tool window", false,
         [&] { return Dock->ClientToScreen(POINT{Dock->ClientWidth() - 10, Dock->ClientHeight() / 2}); }, L"dock"},
        {"drag handle", false,
         [&] {
             const RECT r = WindowRectOf(bar);
             return POINT{r.left + 4, (r.top + r.bottom) / 2};
         },
         L"bar"},
        {"button on the docked tool window", false, [&] { return button->ClientToScreen(POINT{25, 12}); }, L"bar"},
        {"floating caption", true, [&] { return bar->ClientToScreen(POINT{30, -4}); }, L"bar"},
        {"floating client area", true, [&] { return bar->ClientToScreen(POINT{30, 12}); }, L"bar"},
        {"button on the floating tool window", true, [&] { return button->ClientToScreen(POINT{25, 12}); }, L"bar"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Where);
        TMenuWatchdog watchdog;
        SetFloating(bar, row.Floating);
        Clicks.clear();
        RECT shown{-1, -1, -1, -1};
        const POINT at = row.At();
        TInputScript script;
        script.Move(at)
            .Then([] {
                SendMouseButton(true, true);
                SendMouseButton(false, true);
            })
            .Wait(2)
            .Then([&] {
                if (HWND w = FindWindowW(L"#32768", nullptr); w && IsWindowVisible(w))
                    GetWindowRect(w, &shown);
            })
            .Key(VK_DOWN, true)
            .Key(VK_DOWN, false)
            .Key(VK_RETURN, true)
            .Key(VK_RETURN, false)
            .Wait(2)
            .Then([] { EndMenu(); });
        ASSERT_TRUE(script.Run());
        EXPECT_EQ(shown.left, at.x);
        EXPECT_EQ(shown.top, at.y);
        EXPECT_EQ(Clicks, std::vector<std::wstring>{row.Click});
    }

    // The form's shortcuts reach a floating tool window's menu, and the floating tool window's
    // controls reach the form's menus.
    struct TKeyRow {
        const char* What;
        bool Floating;
        TEdit* Focus;
        WORD Key;
        std::wstring Click;
    };
    const std::vector<TKeyRow> keyRows{
        {"docked tool window's", false, edit, 'B', L"bar"},
        {"floating tool window's", true, edit, 'B', L"bar"},
        {"the dock's from a floating tool window", true, barEdit, 'K', L"dock"},
    };
    for (const TKeyRow& row : keyRows) {
        SCOPED_TRACE(row.What);
        SetFloating(bar, row.Floating);
        BringToFront(Form->Handle());
        SetFocus(row.Focus->Handle());
        PumpMessages(20);
        ASSERT_EQ(GetFocus(), row.Focus->Handle());
        Clicks.clear();
        SendKey(VK_CONTROL, true);
        SendKey(row.Key, true);
        SendKey(row.Key, false);
        SendKey(VK_CONTROL, false);
        PumpMessages(60);
        EXPECT_EQ(Clicks, std::vector<std::wstring>{row.Click});
    }
}
