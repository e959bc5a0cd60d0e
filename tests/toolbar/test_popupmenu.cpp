// Pop-up menus of docks and tool windows, docked and floating: right-clicks on the dock, the
// drag handle, the floating caption, the client area and a control; shortcuts across the
// floating tool window and its form.
#include <functional>

#include "InputScript.h"
#include "ScopeExit.h"
#include "StdCtrls.h"
#include "test_dock_support.h"

class PopupMenuTest : public TDockFixture {
protected:
    TPopupMenu* Menu(const std::wstring& caption, TShortCut shortCut)
    {
        auto* menu = new TPopupMenu(Form);
        auto* item = new TMenuItem(Form);
        item->SetCaption(caption);
        item->SetShortCut(shortCut);
        item->OnClick = [this, caption](TObject*) { Clicks += caption; };
        menu->Items()->Add(item);
        return menu;
    }
    std::wstring Clicks;
};

TEST_F(PopupMenuTest, DocksAndToolWindowsShowTheirMenusDockedAndFloating)
{
    Dock->SetPopupMenu(Menu(L"dock", ShortCut('K', {ssCtrl})));
    TToolWindow97* bar = MakeBar(Dock, 190, 24);
    bar->SetHideWhenInactive(false);
    bar->SetPopupMenu(Menu(L"bar", ShortCut('B', {ssCtrl})));
    auto put = [](auto* c, TWinControl* parent, RECT r) { return c->SetBoundsRect(r), c->SetParent(parent), c; };
    TButton* button = put(new TButton(Form), bar, {70, 0, 120, 24});
    TEdit* barEdit = put(new TEdit(Form), bar, {130, 0, 185, 24});
    TEdit* edit = put(new TEdit(Form), Form, {10, 150, 110, 174});

    struct TRow {
        const char* Where;
        bool Floating;
        std::function<POINT()> At;  // right-clicked; or Ctrl+Key with the focus in Focus
        TEdit* Focus;
        WORD Key;
        const wchar_t* Click;
    };
    const auto handle = [&] { return POINT{WindowRectOf(bar).left + 4, WindowRectOf(bar).top + 12}; };
    const auto onButton = [&] { return button->ClientToScreen({25, 12}); };
    const std::vector<TRow> rows{
        {"dock beside the tool window", false, [&] { return Dock->ClientToScreen({Dock->ClientWidth() - 10, 10}); },
         nullptr, 0, L"dock"},
        {"drag handle", false, handle, nullptr, 0, L"bar"},
        {"button on the docked tool window", false, onButton, nullptr, 0, L"bar"},
        {"docked tool window's key in the form", false, nullptr, edit, 'B', L"bar"},
        {"floating caption", true, [&] { return bar->ClientToScreen({30, -4}); }, nullptr, 0, L"bar"},
        {"floating client area", true, [&] { return bar->ClientToScreen({30, 12}); }, nullptr, 0, L"bar"},
        {"button on the floating tool window", true, onButton, nullptr, 0, L"bar"},
        {"floating tool window's key in the form", true, nullptr, edit, 'B', L"bar"},
        {"the dock's key in the floating tool window", true, nullptr, barEdit, 'K', L"dock"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Where);
        if (row.Floating != !bar->IsDocked()) {
            bar->SetFloatingPosition(POINT{260, 260});
            bar->SetDockedTo(row.Floating ? nullptr : Dock);
            PumpMessages(30);
        }
        Clicks.clear();
        const UINT_PTR watchdog = SetTimer(nullptr, 0, 5000, [](HWND, UINT, UINT_PTR, DWORD) { EndMenu(); });
        TScopeExit endMenu([watchdog] { KillTimer(nullptr, watchdog), EndMenu(); });
        const POINT at = row.Focus ? POINT{-1, -1} : row.At();  // no menu for a key
        RECT shown{-1, -1, -1, -1};
        TInputScript script;
        if (row.Focus) {
            BringToFront(Form->Handle());
            SetFocus(row.Focus->Handle());
            PumpMessages(20);
            ASSERT_EQ(GetFocus(), row.Focus->Handle());
            SendKey(VK_CONTROL, true), SendKey(row.Key, true), SendKey(row.Key, false), SendKey(VK_CONTROL, false);
            PumpMessages(60);
        } else {
            script.Move(at).Then([] { SendMouseButton(true, true), SendMouseButton(false, true); });
        }
        script.Wait(2).Then([&] { GetWindowRect(FindWindowW(L"#32768", nullptr), &shown); });
        if (!row.Focus)
            script.Key(VK_DOWN, true).Key(VK_DOWN, false).Key(VK_RETURN, true).Key(VK_RETURN, false);
        ASSERT_TRUE(script.Run());
        EXPECT_EQ(shown.left, at.x) << "no menu, or not at the point";
        EXPECT_EQ(shown.top, at.y);
        EXPECT_EQ(Clicks, row.Click);
    }
}
