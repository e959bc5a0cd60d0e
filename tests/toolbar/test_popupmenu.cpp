// Pop-up menus of docks and tool windows, docked and floating: right-clicks on the dock, the
// drag handle, the floating caption, the client area and a control; shortcuts across the
// floating tool window and its form.
#include <functional>

#include "InputScript.h"
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
        item->OnClick = [this, caption](TObject*) { Clicks.push_back(caption); };
        menu->Items()->Add(item);
        return menu;
    }
    std::vector<std::wstring> Clicks;
};

TEST_F(PopupMenuTest, DocksAndToolWindowsShowTheirMenusDockedAndFloating)
{
    Dock->SetPopupMenu(Menu(L"dock", ShortCut('K', {ssCtrl})));
    TToolWindow97* bar = MakeBar(Dock, 190, 24);
    bar->SetHideWhenInactive(false);
    bar->SetPopupMenu(Menu(L"bar", ShortCut('B', {ssCtrl})));
    auto put = [&](auto* c, TWinControl* parent, RECT bounds) {
        c->SetBoundsRect(bounds);
        c->SetParent(parent);
        return c;
    };
    TButton* button = put(new TButton(Form), bar, {70, 0, 120, 24});
    TEdit* barEdit = put(new TEdit(Form), bar, {130, 0, 185, 24});
    TEdit* edit = put(new TEdit(Form), Form, {10, 150, 110, 174});

    struct TRow {
        const char* Where;
        bool Floating;
        std::function<POINT()> At;  // right-clicked; or Ctrl+Key with the focus in Focus
        TEdit* Focus;
        WORD Key;
        std::wstring Click;
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
        if (row.Focus) {
            BringToFront(Form->Handle());
            SetFocus(row.Focus->Handle());
            PumpMessages(20);
            ASSERT_EQ(GetFocus(), row.Focus->Handle());
            for (WORD k : {WORD{VK_CONTROL}, row.Key})
                SendKey(k, true);
            for (WORD k : {row.Key, WORD{VK_CONTROL}})
                SendKey(k, false);
            PumpMessages(60);
            EXPECT_EQ(Clicks, std::vector<std::wstring>{row.Click});
            continue;
        }
        const POINT at = row.At();
        RECT shown{-1, -1, -1, -1};
        const UINT_PTR watchdog = SetTimer(nullptr, 0, 5000, [](HWND, UINT, UINT_PTR, DWORD) { EndMenu(); });
        TInputScript script;
        script.Move(at)
            .Then([] { SendMouseButton(true, true), SendMouseButton(false, true); })
            .Wait(2)
            .Then([&] { GetWindowRect(FindWindowW(L"#32768", nullptr), &shown); })
            .Key(VK_DOWN, true)
            .Key(VK_DOWN, false)
            .Key(VK_RETURN, true)
            .Key(VK_RETURN, false);
        const bool ran = script.Run();
        KillTimer(nullptr, watchdog);
        EndMenu();
        ASSERT_TRUE(ran);
        EXPECT_EQ(shown.left, at.x) << "no menu, or not at the point";
        EXPECT_EQ(shown.top, at.y);
        EXPECT_EQ(Clicks, std::vector<std::wstring>{row.Click});
    }
}
