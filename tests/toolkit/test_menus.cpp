// Pop-up menus on real windows: which menu a right-click or the menu key opens and where, what
// the window-system menu shows, shortcuts from the keyboard, and stored menus.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ExtCtrls.h"
#include "Forms.h"
#include "InputScript.h"
#include "LayoutText.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "Streaming.h"
#include "TestSupport.h"

namespace {

// Closes any menu still open after a while, so that a failing step cannot leave the test in
// a menu's loop.
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

// The open menu's window, if a menu is open.
RECT OpenMenuRect()
{
    RECT r{-1, -1, -1, -1};
    if (HWND w = FindWindowW(L"#32768", nullptr); w && IsWindowVisible(w))
        GetWindowRect(w, &r);
    return r;
}

// A menu whose items record their clicks as "Menu:Item".
TPopupMenu* RecordingMenu(TComponent* owner, const std::wstring& name, std::vector<std::wstring>& clicks,
                          std::initializer_list<const wchar_t*> captions)
{
    auto* menu = new TPopupMenu(owner);
    menu->SetName(name);
    for (const wchar_t* caption : captions) {
        auto* item = new TMenuItem(owner);
        item->SetCaption(caption);
        item->OnClick = [&clicks, name, caption](TObject*) { clicks.push_back(name + L":" + caption); };
        menu->Items()->Add(item);
    }
    return menu;
}

template <class T>
T* Put(TWinControl* parent, int left, int top, int width, int height)
{
    auto* c = new T(parent->Owner() ? parent->Owner() : parent);
    c->SetBounds(left, top, width, height);
    c->SetParent(parent);
    return c;
}

TScrollBox* Box(TWinControl* parent, int left, int top, int width, int height)
{
    auto* box = Put<TScrollBox>(parent, left, top, width, height);
    box->SetBorderStyle(bsNone);
    return box;
}

struct TMenuForm {
    std::unique_ptr<TForm> Form;
    std::vector<std::wstring> Clicks;
    TPopupMenu *FormMenu, *BoxMenu, *ImageMenu, *OuterMenu;
    TScrollBox *WithMenu, *Outer, *Inner;
    TImage *PlainImage, *ImageWithMenu;
    TButton* Button;

    TMenuForm() : Form(std::make_unique<TForm>(nullptr))
    {
        Form->SetBounds(120, 100, 420, 260);
        FormMenu = RecordingMenu(Form.get(), L"Form", Clicks, {L"f1", L"f2"});
        BoxMenu = RecordingMenu(Form.get(), L"Box", Clicks, {L"b1", L"b2", L"b3"});
        ImageMenu = RecordingMenu(Form.get(), L"Image", Clicks, {L"i1", L"i2"});
        OuterMenu = RecordingMenu(Form.get(), L"Outer", Clicks, {L"o1", L"o2"});
        Form->SetPopupMenu(FormMenu);
        WithMenu = Box(Form.get(), 10, 10, 180, 100);
        WithMenu->SetPopupMenu(BoxMenu);
        PlainImage = Put<TImage>(WithMenu, 10, 10, 60, 40);
        ImageWithMenu = Put<TImage>(WithMenu, 100, 10, 60, 40);
        ImageWithMenu->SetPopupMenu(ImageMenu);
        Outer = Box(Form.get(), 210, 10, 190, 120);
        Outer->SetPopupMenu(OuterMenu);
        Inner = Box(Outer, 30, 20, 120, 70);
        Button = Put<TButton>(Form.get(), 10, 150, 100, 30);
        Form->Show();
        BringToFront(Form->Handle());
        PumpMessages(30);
    }
};

POINT ScreenPoint(TControl* c, int x, int y)
{
    return c->ClientToScreen(POINT{x, y});
}

}  // namespace

TEST(Menus, RightClickOrMenuKeyOpensTheNearestMenuWhereAsked)
{
    TMenuForm f;
    const POINT caption{f.Form->Left() + 60, f.Form->Top() + GetSystemMetrics(SM_CYFRAME) + 6};
    struct TRow {
        const char* Where;
        POINT At;            // right-click here; the menu key when x is -1
        TWinControl* Focus;  // for the menu key
        TPopupMenu* Menu;    // expected, or none
        TControl* For;
        POINT MenuAt;
        int Choose;  // item chosen with the keyboard; -1: by clicking the second item
        std::wstring Click;
    };
    const POINT inImage = ScreenPoint(f.PlainImage, 7, 5), inOwnImage = ScreenPoint(f.ImageWithMenu, 50, 33);
    const POINT inInner = ScreenPoint(f.Inner, 11, 3), onBox = ScreenPoint(f.WithMenu, 170, 90);
    const POINT onButton = ScreenPoint(f.Button, 20, 10), menuKey{-1, -1};
    const std::vector<TRow> rows{
        {"box with a menu", onBox, nullptr, f.BoxMenu, f.WithMenu, onBox, 3, L"Box:b3"},
        {"image without a menu: its parent's", inImage, nullptr, f.BoxMenu, f.WithMenu, inImage, 1, L"Box:b1"},
        {"image with its own menu", inOwnImage, nullptr, f.ImageMenu, f.ImageWithMenu, inOwnImage, -1, L"Image:i2"},
        {"box without a menu in one with", inInner, nullptr, f.OuterMenu, f.Outer, inInner, 2, L"Outer:o2"},
        {"button: the form's", onButton, nullptr, f.FormMenu, f.Form.get(), onButton, 1, L"Form:f1"},
        {"menu key on an inner box", menuKey, f.Inner, f.OuterMenu, f.Outer, ScreenPoint(f.Inner, 0, 0), 1,
         L"Outer:o1"},
        {"caption: the system's, not ours", caption, nullptr, nullptr, nullptr, caption, 0, L""},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Where);
        TMenuWatchdog watchdog;
        f.Clicks.clear();
        int popups = 0;
        for (TPopupMenu* m : {f.FormMenu, f.BoxMenu, f.ImageMenu, f.OuterMenu}) {
            m->SetPopupComponent(nullptr);
            m->OnPopup = [&](TObject*) { ++popups; };
        }
        if (row.Focus)
            SetFocus(row.Focus->Handle());
        RECT shown{-1, -1, -1, -1};
        TInputScript script;
        if (row.At.x == -1)
            script.Key(VK_APPS, true).Key(VK_APPS, false);
        else
            script.Move(row.At).Then([] {
                // Both at once: a press on a caption runs a loop that waits for the release and
                // dispatches nothing else.
                SendMouseButton(true, true);
                SendMouseButton(false, true);
            });
        script.Wait(2).Then([&] { shown = OpenMenuRect(); });
        if (row.Choose > 0) {
            for (int i = 0; i < row.Choose; ++i)
                script.Key(VK_DOWN, true).Key(VK_DOWN, false);
            script.Key(VK_RETURN, true).Key(VK_RETURN, false);
        } else if (row.Choose < 0) {
            RECT item{};
            script.Then([&] { GetMenuItemRect(nullptr, row.Menu->Handle(), 1, &item); })
                .Then([&] { SendMouseMove(POINT{(item.left + item.right) / 2, (item.top + item.bottom) / 2}); })
                .Then([] { SendMouseButton(true); })
                .Then([] { SendMouseButton(false); });
        }
        script.Wait(2).Key(VK_ESCAPE, true).Key(VK_ESCAPE, false).Then([] { EndMenu(); });
        ASSERT_TRUE(script.Run());

        EXPECT_EQ(popups, row.Menu ? 1 : 0);
        if (!row.Menu) {
            EXPECT_NE(shown.left, -1) << "the window system's menu did not open";
            EXPECT_TRUE(f.Clicks.empty());
            continue;
        }
        EXPECT_EQ(row.Menu->PopupComponent(), row.For);
        EXPECT_EQ(shown.left, row.MenuAt.x);
        EXPECT_EQ(shown.top, row.MenuAt.y);
        EXPECT_EQ(f.Clicks, std::vector<std::wstring>{row.Click});
    }
}

TEST(Menus, TheBuiltMenuShowsCaptionsShortcutsChecksAndRadioBullets)
{
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(150, 150, 200, 120);
    form->Show();
    BringToFront(form->Handle());
    auto* menu = new TPopupMenu(form.get());
    auto item = [&](TMenuItem* parent, const wchar_t* caption) {
        auto* i = new TMenuItem(form.get());
        i->SetCaption(caption);
        parent->Add(i);
        return i;
    };
    TMenuItem* dock = item(menu->Items(), L"&Dock");
    dock->SetShortCut(ShortCut('D', {ssCtrl}));
    item(menu->Items(), L"-");
    TMenuItem* checked = item(menu->Items(), L"Checked");
    TMenuItem* r1 = item(menu->Items(), L"R1");
    TMenuItem* r2 = item(menu->Items(), L"R2");
    TMenuItem* other = item(menu->Items(), L"Other group");
    item(menu->Items(), L"Hidden")->SetVisible(false);
    TMenuItem* off = item(menu->Items(), L"Off");
    off->SetEnabled(false);
    off->SetShortCut(ShortCut(VK_F5, {ssShift, ssAlt}));
    TMenuItem* sub = item(menu->Items(), L"Sub");
    item(sub, L"Inner")->SetShortCut(ShortCut(VK_DELETE, {}));
    for (TMenuItem* r : {r1, r2, other})
        r->SetRadioItem(true);
    other->SetGroupIndex(1);
    other->SetChecked(true);
    r1->SetChecked(true);
    r2->SetChecked(true);  // unchecks R1, not the item of the other group
    // The handler runs before the menu is built: what it sets is shown.
    menu->OnPopup = [&](TObject*) { checked->SetChecked(true); };

    struct TShown {
        std::wstring Text;
        UINT Type, State;
    };
    std::vector<TShown> shown;
    HMENU subMenu = nullptr;
    TMenuWatchdog watchdog;
    TInputScript script;
    script.Then([&] { menu->Popup(160, 160); })
        .Then([&] {
            HMENU h = menu->Handle();
            for (int i = 0; i < GetMenuItemCount(h); ++i) {
                wchar_t text[64] = {};
                MENUITEMINFOW mi{};
                mi.cbSize = sizeof(mi);
                mi.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_STRING | MIIM_SUBMENU;
                mi.dwTypeData = text;
                mi.cch = 64;
                GetMenuItemInfoW(h, static_cast<UINT>(i), TRUE, &mi);
                shown.push_back({text, mi.fType, mi.fState & (MFS_CHECKED | MFS_DISABLED)});
                if (mi.hSubMenu)
                    subMenu = mi.hSubMenu;
            }
        })
        .Key(VK_ESCAPE, true)
        .Key(VK_ESCAPE, false);
    ASSERT_TRUE(script.Run());

    const std::vector<TShown> expected{
        {L"&Dock\tCtrl+D", MFT_STRING, 0},
        {L"", MFT_SEPARATOR, 0},
        {L"Checked", MFT_STRING, MFS_CHECKED},
        {L"R1", MFT_RADIOCHECK, 0},
        {L"R2", MFT_RADIOCHECK, MFS_CHECKED},
        {L"Other group", MFT_RADIOCHECK, MFS_CHECKED},
        {L"Off\tShift+Alt+F5", MFT_STRING, MFS_DISABLED},
        {L"Sub", MFT_STRING, 0},
    };
    ASSERT_EQ(shown.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(shown[i].Text, expected[i].Text);
        EXPECT_EQ(shown[i].Type, expected[i].Type);
        EXPECT_EQ(shown[i].State, expected[i].State);
    }
    ASSERT_NE(subMenu, nullptr);
    wchar_t inner[32] = {};
    GetMenuStringW(subMenu, 0, inner, 32, MF_BYPOSITION);
    EXPECT_STREQ(inner, L"Inner\tDel");
}

TEST(Menus, ShortcutsFireFromAnyFocusButPlainKeysStayWithTheEditBox)
{
    TMenuForm f;
    auto* edit = Put<TEdit>(f.Form.get(), 130, 150, 120, 24);
    auto shortcut = [&](TPopupMenu* menu, int index, TShortCut key) {
        menu->Items()->Items(index)->SetShortCut(key);
    };
    shortcut(f.BoxMenu, 0, ShortCut('D', {ssCtrl}));
    shortcut(f.BoxMenu, 1, ShortCut('X', {}));
    shortcut(f.BoxMenu, 2, ShortCut(VK_OEM_MINUS, {}));
    shortcut(f.OuterMenu, 0, ShortCut('K', {ssAlt}));
    shortcut(f.OuterMenu, 1, ShortCut('E', {ssCtrl}));
    f.OuterMenu->Items()->Items(1)->SetEnabled(false);
    struct TRow {
        const char* What;
        TWinControl* Focus;
        std::vector<WORD> Keys;  // held down in order, released in reverse
        std::wstring Click, Typed;
    };
    const std::vector<TRow> rows{
        {"Ctrl+D in the edit box", edit, {VK_CONTROL, 'D'}, L"Box:b1", L""},
        {"Ctrl+Shift+D is another key", edit, {VK_CONTROL, VK_SHIFT, 'D'}, L"", L""},
        {"a plain letter is typed", edit, {'X'}, L"", L"x"},
        {"so is the minus key", edit, {VK_OEM_MINUS}, L"", L"-"},
        {"Alt+K from the menu of another control", edit, {VK_MENU, 'K'}, L"Outer:o1", L""},
        {"a disabled item's key", edit, {VK_CONTROL, 'E'}, L"", L""},
        {"a plain letter where no text is typed", f.Button, {'X'}, L"Box:b2", L""},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.What);
        f.Clicks.clear();
        edit->SetText(L"");
        SetFocus(row.Focus->Handle());
        PumpMessages(20);
        for (WORD k : row.Keys)
            SendKey(k, true);
        for (auto k = row.Keys.rbegin(); k != row.Keys.rend(); ++k)
            SendKey(*k, false);
        PumpMessages(60);
        EXPECT_EQ(f.Clicks, row.Click.empty() ? std::vector<std::wstring>{} : std::vector<std::wstring>{row.Click});
        EXPECT_EQ(edit->Text(), row.Typed);
    }
}

TEST(Menus, StoredMenusReadAndWriteTheirItemTree)
{
    RegisterMenuClasses();
    if (!FindClass(L"TScrollBox"))
        RegisterComponentClass(TScrollBox::StaticClassInfo());
    // Only values that differ from the defaults, in the order of the published properties.
    const std::wstring menuText = LR"(object Menu1: TPopupMenu
  object Dock: TMenuItem
    Caption = 'Dock'
    ShortCut = 16452
  end
  object Line: TMenuItem
    Caption = '-'
  end
  object Sub: TMenuItem
    Caption = 'Sub'
    object Radio: TMenuItem
      Caption = 'Radio'
      Checked = True
      GroupIndex = 2
      RadioItem = True
    end
  end
end
)";
    std::wstring layout = L"object MenuForm: TForm\n  object Box: TScrollBox\n    PopupMenu = Menu1\n  end\n";
    for (size_t from = 0, to; (to = menuText.find(L'\n', from)) != std::wstring::npos; from = to + 1)
        layout += L"  " + menuText.substr(from, to + 1 - from);
    layout += L"end\n";
    auto form = std::make_unique<TForm>(nullptr);
    ReadComponentFromText(form.get(), ReadLayoutText(layout));
    auto* menu = dynamic_cast<TPopupMenu*>(form->FindComponent(L"Menu1"));
    auto* box = dynamic_cast<TScrollBox*>(form->FindComponent(L"Box"));
    ASSERT_TRUE(menu && box);
    EXPECT_EQ(box->PopupMenu(), menu);
    ASSERT_EQ(menu->Items()->Count(), 3);
    TMenuItem* sub = menu->Items()->Items(2);
    EXPECT_EQ(menu->Items()->Items(0)->ShortCut(), ShortCut('D', {ssCtrl}));
    EXPECT_TRUE(menu->Items()->Items(1)->IsLine());
    ASSERT_EQ(sub->Count(), 1);
    EXPECT_TRUE(sub->Items(0)->Checked() && sub->Items(0)->RadioItem());
    EXPECT_EQ(sub->Items(0)->Menu(), menu);

    const TLayoutObject tree = WriteComponentToTree(form.get());
    const TLayoutObject* written = nullptr;
    for (const TLayoutObject& c : tree.Children)
        if (c.Name == L"Menu1")
            written = &c;
    ASSERT_NE(written, nullptr);
    EXPECT_EQ(WriteLayoutText(*written), menuText);

    // A menu that goes leaves no reference behind; its items go with it.
    delete menu;
    EXPECT_EQ(box->PopupMenu(), nullptr);
    EXPECT_EQ(form->FindComponent(L"Radio"), nullptr);
}
