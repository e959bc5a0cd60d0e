// Pop-up menus on real windows: which menu a right-click or the menu key opens and where, what
// the window-system menu shows, keyboard shortcuts, and stored menus.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "ExtCtrls.h"
#include "Forms.h"
#include "InputScript.h"
#include "LayoutText.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "Streaming.h"

namespace {

// Freed, it keeps its pages reserved and unreadable: any later use faults at once.
int FreedCount = 0;
template <class T>
struct TNoAccessAfterFree : T {
    using T::T;
    static void* operator new(size_t size) { return VirtualAlloc(nullptr, size, MEM_COMMIT, PAGE_READWRITE); }
    static void operator delete(void* p, size_t size) { DWORD old = 0; FreedCount += VirtualProtect(p, size, PAGE_NOACCESS, &old); }
};

void Focus(TWinControl* c) { SetFocus(c->Handle()), PumpMessages(20); }

TInputScript& Tap(TInputScript& script, WORD key, int times = 1)
{
    while (times-- > 0)
        script.Key(key, true).Key(key, false);
    return script;
}

// Pressed and released at once: a press on a caption waits for the release in a loop that runs nothing else.
TInputScript& RightClick(TInputScript& script, POINT at)
{
    return script.Move(at).Then([] { SendMouseButton(true, true), SendMouseButton(false, true); });
}

// The middle of an item of the menu, looked up once it is open.
TInputScript& ClickItem(TInputScript& script, std::function<HMENU()> menu, int at)
{
    return script.Then([menu, at] {
        RECT r{};
        GetMenuItemRect(nullptr, menu(), static_cast<UINT>(at), &r);
        SendMouseMove({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    }).Then([] { SendMouseButton(true), SendMouseButton(false); });
}

void ShowInFront(TForm* form) { form->Show(), BringToFront(form->Handle()), PumpMessages(30); }

// Ends any menu still open after ms, so that a failing step cannot leave the test in a menu's loop.
struct TMenuWatchdog {
    explicit TMenuWatchdog(UINT ms = 5000) : Timer(SetTimer(nullptr, 0, ms, [](HWND, UINT, UINT_PTR, DWORD) { EndMenu(); })) {}
    ~TMenuWatchdog() { KillTimer(nullptr, Timer), EndMenu(); }
    UINT_PTR Timer;
};

struct TMenuForm {
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
    std::wstring Clicks;  // "Menu:Item" of every click
    TPopupMenu* Menu(const std::wstring& name, std::initializer_list<const wchar_t*> captions)
    {
        auto* menu = new TPopupMenu(Form.get());
        for (const wchar_t* caption : captions) {
            auto* item = new TMenuItem(Form.get());
            item->SetCaption(caption);
            item->OnClick = [this, name, caption](TObject*) { Clicks += name + L":" + caption; };
            menu->Items()->Add(item);
        }
        return menu;
    }
    template <class T>
    T* Put(TWinControl* parent, RECT bounds, TPopupMenu* menu = nullptr)
    {
        auto* c = new T(Form.get());
        c->SetBoundsRect(bounds);
        c->SetParent(parent);
        c->SetPopupMenu(menu);
        return c;
    }
    TPopupMenu *FormMenu = Menu(L"Form", {L"f1"}), *BoxMenu = Menu(L"Box", {L"b1", L"b2", L"b3"});
    TPopupMenu *ImageMenu = Menu(L"Image", {L"i1", L"i2"}), *OuterMenu = Menu(L"Outer", {L"o1", L"o2"});
    TScrollBox* Box = Put<TScrollBox>(Form.get(), {10, 10, 190, 110}, BoxMenu);
    TImage* Plain = Put<TImage>(Box, {10, 10, 70, 50});
    TImage* Own = Put<TImage>(Box, {100, 10, 160, 50}, ImageMenu);
    TScrollBox* Outer = Put<TScrollBox>(Form.get(), {210, 10, 400, 130}, OuterMenu);
    TScrollBox* Inner = Put<TScrollBox>(Outer, {30, 20, 150, 90});
    TButton* Button = Put<TButton>(Form.get(), {10, 150, 110, 180});
    TEdit* Edit = Put<TEdit>(Form.get(), {130, 150, 250, 174});

    TMenuForm()
    {
        Form->SetBounds(120, 100, 420, 260);
        Form->SetPopupMenu(FormMenu);
        ShowInFront(Form.get());
    }
};

}  // namespace

TEST(Menus, RightClickOrKeysOpenTheNearestMenuWhereAskedOrRunAnyMenusShortcut)
{
    TMenuForm f;
    int popups = 0;
    for (TPopupMenu* m : {f.FormMenu, f.BoxMenu, f.ImageMenu, f.OuterMenu})
        m->OnPopup = [&](TObject*) { ++popups; };
    auto item = [](TPopupMenu* m, int i) { return m->Items()->Items(i); };
    item(f.BoxMenu, 0)->SetShortCut(ShortCut('D', {ssCtrl}));
    item(f.BoxMenu, 1)->SetShortCut(ShortCut('X', {}));
    item(f.BoxMenu, 2)->SetShortCut(ShortCut(VK_OEM_MINUS, {}));
    item(f.OuterMenu, 0)->SetShortCut(ShortCut('K', {ssAlt}));
    item(f.ImageMenu, 0)->SetShortCut(ShortCut('E', {ssCtrl}));
    item(f.ImageMenu, 0)->SetEnabled(false);
    struct TRow {
        const char* Where;
        POINT At;  // right-clicked unless there are keys; where the menu opens, {-1, -1}: none opens
        TWinControl* Focus;
        std::vector<WORD> Keys;  // pressed with the focus above, held down in order, released in reverse
        TPopupMenu* Menu;        // none: the window system's own, or none at all
        TControl* For;
        int Choose;  // with the arrow keys; -1: the second item, clicked
        const wchar_t* Did;  // the items clicked, then the text typed into the edit box
    };
    const POINT none{-1, -1};
    const TRow rows[]{
        {"box with a menu", f.Box->ClientToScreen({170, 90}), nullptr, {}, f.BoxMenu, f.Box, 3, L"Box:b3"},
        {"image without one: its parent's", f.Plain->ClientToScreen({7, 5}), nullptr, {}, f.BoxMenu, f.Box, 1,
         L"Box:b1"},
        {"image with its own", f.Own->ClientToScreen({50, 33}), nullptr, {}, f.ImageMenu, f.Own, -1, L"Image:i2"},
        {"box without in one with", f.Inner->ClientToScreen({11, 3}), nullptr, {}, f.OuterMenu, f.Outer, 2,
         L"Outer:o2"},
        {"button: the form's", f.Button->ClientToScreen({20, 10}), nullptr, {}, f.FormMenu, f.Form.get(), 1,
         L"Form:f1"},
        {"menu key", f.Inner->ClientToScreen({0, 0}), f.Inner, {VK_APPS}, f.OuterMenu, f.Outer, 1, L"Outer:o1"},
        {"caption", {f.Form->Left() + 60, f.Form->Top() + GetSystemMetrics(SM_CYFRAME) + 6}, nullptr, {}, nullptr,
         nullptr, 0, L""},
        {"Ctrl+D in the edit box", none, f.Edit, {VK_CONTROL, 'D'}, nullptr, nullptr, 0, L"Box:b1"},
        {"Ctrl+Shift+D is another key", none, f.Edit, {VK_CONTROL, VK_SHIFT, 'D'}, nullptr, nullptr, 0, L""},
        {"a plain letter is typed", none, f.Edit, {'X'}, nullptr, nullptr, 0, L"x"},
        {"so is the minus key", none, f.Edit, {VK_OEM_MINUS}, nullptr, nullptr, 0, L"-"},
        {"Alt+K of another control's menu", none, f.Edit, {VK_MENU, 'K'}, nullptr, nullptr, 0, L"Outer:o1"},
        {"a disabled item's key", none, f.Edit, {VK_CONTROL, 'E'}, nullptr, nullptr, 0, L""},
        {"a plain letter where no text is typed", none, f.Button, {'X'}, nullptr, nullptr, 0, L"Box:b2"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Where);
        TMenuWatchdog watchdog;
        f.Clicks.clear();
        f.Edit->SetText(L"");
        popups = 0;
        if (row.Menu)
            row.Menu->SetPopupComponent(nullptr);
        RECT shown{-1, -1, -1, -1};
        TInputScript script;
        if (row.Focus) {
            Focus(row.Focus);
            for (WORD k : row.Keys)
                SendKey(k, true);
            for (auto k = row.Keys.rbegin(); k != row.Keys.rend(); ++k)
                SendKey(*k, false);
            if (!row.Menu)
                PumpMessages(60);  // shortcuts are looked up by the application's loop, not the script's
        } else {
            RightClick(script, row.At);
        }
        script.Wait(2).Then([&] { GetWindowRect(FindWindowW(L"#32768", nullptr), &shown); });
        if (row.Choose > 0)
            Tap(Tap(script, VK_DOWN, row.Choose), VK_RETURN);
        if (row.Choose < 0)
            ClickItem(script, [&] { return row.Menu->Handle(); }, 1);
        ASSERT_TRUE(Tap(script.Wait(2), VK_ESCAPE).Run());

        EXPECT_EQ(popups, row.Menu ? 1 : 0);
        EXPECT_EQ(shown.left, row.At.x) << "no menu, or not at the point";
        EXPECT_EQ(shown.top, row.At.y);
        EXPECT_EQ(f.Clicks + f.Edit->Text(), row.Did);
        EXPECT_EQ(row.Menu ? row.Menu->PopupComponent() : nullptr, row.For);
    }
}

TEST(Menus, ARightClickMenuOpensAfterTheReleaseAndItsCommandMayFreeTheControlOrTheForm)
{
    enum TMishap { CommandFreesControl, CommandFreesForm, CommandReleasesForm, MouseUpFreesForm };
    struct TRow {
        bool Graphic, Keys;  // a control without a window (its form's asks for the menu); Shift+F10 in it
        TMishap Mishap;
        const char* Log;
        int Freed;
    } const rows[]{
        {false, false, CommandFreesControl, " up popup cmd", 1}, {true, false, CommandFreesControl, " up popup cmd", 1},
        {false, false, CommandFreesForm, " up popup cmd", 2},    {true, false, CommandFreesForm, " up popup cmd", 2},
        {false, false, CommandReleasesForm, " up popup cmd", 2}, {true, false, MouseUpFreesForm, " up", 2},
        {false, false, MouseUpFreesForm, " up", 2},              {false, true, CommandFreesControl, " popup cmd", 1},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(testing::Message() << "graphic " << row.Graphic << ", keys " << row.Keys << ", mishap " << row.Mishap);
        TErrorRecorder errors;
        TMenuWatchdog watchdog;
        FreedCount = 0;
        TForm* form = new TNoAccessAfterFree<TForm>(nullptr);
        form->SetBounds(140, 120, 360, 220);
        std::string log;
        auto* menu = new TPopupMenu(form);
        auto* item = new TMenuItem(form);
        item->SetCaption(L"Close"), menu->Items()->Add(item);
        TControl* control = row.Graphic ? static_cast<TControl*>(new TNoAccessAfterFree<TImage>(form))
                                         : new TNoAccessAfterFree<TScrollBox>(form);
        control->SetBoundsRect({30, 20, 230, 130}), control->SetParent(form), control->SetPopupMenu(menu);
        menu->OnPopup = [&](TObject*) { log += " popup"; };
        item->OnClick = [&](TObject*) {
            log += " cmd";
            if (row.Mishap == CommandReleasesForm)
                return form->Release();
            delete (row.Mishap == CommandFreesControl ? control : form);
        };
        control->OnMouseUp = [&](TObject*, TMouseButton button, TShiftState, int, int) {
            log += button == mbRight ? " up" : " other up";
            if (row.Mishap == MouseUpFreesForm)
                delete form;
        };
        ShowInFront(form);
        TInputScript script;
        if (row.Keys)
            Focus(static_cast<TWinControl*>(control)), Tap(script.Key(VK_SHIFT, true), VK_F10).Key(VK_SHIFT, false);
        else
            RightClick(script, control->ClientToScreen({150, 90}));
        if (row.Mishap != MouseUpFreesForm)
            Tap(Tap(script.Wait(2), VK_DOWN), VK_RETURN);
        ASSERT_TRUE(script.Wait(2).Run());
        EXPECT_EQ(log, row.Log) << "the release's handler before the menu, the command last";
        EXPECT_EQ(FreedCount, row.Freed);
        EXPECT_TRUE(errors.Errors.empty());
        if (row.Freed == 1)
            delete form;
    }
}

TEST(Menus, SubmenusAreChosenWithRealInputAndTheirRadioGroupsAndShortcutsStayTheirOwn)
{
    TMenuForm f;
    TPopupMenu* menu = f.Menu(L"M", {L"T1", L"Glasses", L"Pair"});
    f.Box->SetPopupMenu(menu);
    std::vector<TMenuItem*> radios{menu->Items()->Items(0)};  // one group number in all three lists
    radios[0]->SetRadioItem(true), radios[0]->SetGroupIndex(1);
    for (auto [at, caption] : {std::pair(1, L"Red/cyan"), {1, L"Green/magenta"}, {1, L"Amber/blue"},
                               {2, L"Side by side"}, {2, L"Top and bottom"}}) {
        TMenuItem* item = radios.emplace_back(new TMenuItem(f.Form.get()));
        item->SetCaption(caption), item->SetRadioItem(true), item->SetGroupIndex(1), menu->Items()->Items(at)->Add(item);
        item->OnClick = [&f, item](TObject*) { f.Clicks += item->Caption(), item->SetChecked(true); };
    }
    radios[2]->SetShortCut(ShortCut('G', {ssCtrl}));
    radios[3]->SetShortCut(ShortCut('B', {ssCtrl})), radios[3]->SetEnabled(false);
    struct TRow {
        const char* What;
        WORD Key;               // Ctrl+Key in the edit box; 0: the menu opened by a right-click on the box
        bool Keys;              // the path below with the arrow keys, else clicked
        std::vector<int> Path;  // the submenu's place, then the items' in it
        const wchar_t *Did, *Checked;  // the items clicked and the text typed; every checked item after it
    } const rows[]{
        {"clicked in a submenu", 0, false, {1, 1}, L"Green/magenta", L"T1 Green/magenta Side by side"},
        {"keys into the last submenu", 0, true, {2, 1}, L"Top and bottom", L"T1 Red/cyan Top and bottom"},
        {"keys to the first item of a submenu", 0, true, {1, 0}, L"Red/cyan", L"T1 Red/cyan Side by side"},
        {"a disabled item clicked keeps the submenu open", 0, false, {1, 2, 0}, L"Red/cyan", L"T1 Red/cyan Side by side"},
        {"the shortcut of a submenu's item", 'G', false, {}, L"Green/magenta", L"T1 Green/magenta Side by side"},
        {"a disabled one's", 'B', false, {}, L"", L"T1 Red/cyan Side by side"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.What);
        TMenuWatchdog watchdog;
        for (int i : {0, 1, 4})
            radios[i]->SetChecked(true);
        f.Clicks.clear();
        TInputScript script;
        if (row.Key) {
            Focus(f.Edit);
            SendKey(VK_CONTROL, true), SendKey(row.Key, true), SendKey(row.Key, false), SendKey(VK_CONTROL, false);
            PumpMessages(60);
        } else {
            RightClick(script, f.Box->ClientToScreen({170, 90})).Wait(2);
        }
        for (size_t i = 0; i < row.Path.size(); ++i)
            if (row.Keys)  // nothing is selected in the menu yet, the first item in a submenu
                Tap(Tap(script, VK_DOWN, i ? row.Path[i] : row.Path[i] + 1), i ? VK_RETURN : VK_RIGHT).Wait();
            else
                ClickItem(script, [&, i] { return i ? GetSubMenu(menu->Handle(), row.Path[0]) : menu->Handle(); }, row.Path[i])
                    .Wait(2);
        ASSERT_TRUE(Tap(script.Wait(2), VK_ESCAPE, 2).Run());
        std::wstring checked;
        for (TMenuItem* item : radios)
            checked += item->Checked() ? (checked.empty() ? L"" : L" ") + item->Caption() : L"";
        EXPECT_EQ(f.Clicks + f.Edit->Text(), row.Did);
        EXPECT_EQ(checked, row.Checked) << "radio items of one group number uncheck each other in their own list only";
    }
}

TEST(Menus, TheBuiltMenuShowsCaptionsShortcutsChecksAndRadioBullets)
{
    TMenuForm f;
    TPopupMenu* menu = f.Menu(L"M", {L"&Dock", L"-", L"Checked", L"R1", L"R2", L"Other", L"Hidden", L"Off", L"Sub"});
    auto item = [&](int i) { return menu->Items()->Items(i); };
    item(0)->SetShortCut(ShortCut('D', {ssCtrl}));
    for (int i : {3, 4, 5})
        item(i)->SetRadioItem(true);
    item(5)->SetGroupIndex(1);
    for (int i : {5, 3, 4})
        item(i)->SetChecked(true);  // R2 unchecks R1, not the item of the other group
    item(6)->SetVisible(false);
    item(7)->SetEnabled(false);
    item(7)->SetShortCut(ShortCut(VK_F5, {ssShift, ssAlt}));
    item(8)->Add(new TMenuItem(f.Form.get()));
    item(8)->Items(0)->SetCaption(L"Inner");
    item(8)->Items(0)->SetShortCut(ShortCut(VK_DELETE, {}));
    auto* radio = new TMenuItem(f.Form.get());
    radio->SetCaption(L"InnerRadio"), radio->SetRadioItem(true), radio->SetChecked(true), radio->SetEnabled(false);
    item(8)->Add(radio);
    menu->OnPopup = [&](TObject*) { item(2)->SetChecked(true); };  // runs before the menu is built
    {
        TMenuWatchdog closeSoon(300);
        menu->Popup(160, 160);
    }
    const std::tuple<std::wstring, UINT, UINT> expected[]{  // text, type, state; the last two inside Sub
        {L"&Dock\tCtrl+D", MFT_STRING, 0},  {L"", MFT_SEPARATOR, 0},
        {L"Checked", MFT_STRING, MFS_CHECKED}, {L"R1", MFT_RADIOCHECK, 0},
        {L"R2", MFT_RADIOCHECK, MFS_CHECKED},  {L"Other", MFT_RADIOCHECK, MFS_CHECKED},
        {L"Off\tShift+Alt+F5", MFT_STRING, MFS_DISABLED}, {L"Sub", MFT_STRING, 0},
        {L"Inner\tDel", MFT_STRING, 0}, {L"InnerRadio", MFT_RADIOCHECK, MFS_CHECKED | MFS_DISABLED},
    };
    HMENU h = menu->Handle(), sub = GetSubMenu(h, 7);
    ASSERT_EQ(std::pair(GetMenuItemCount(h), GetMenuItemCount(sub)), std::pair(8, 2));
    for (UINT i = 0; i < std::size(expected); ++i) {
        wchar_t text[32] = {};
        MENUITEMINFOW mi{};
        mi.cbSize = sizeof(mi), mi.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_STRING, mi.dwTypeData = text, mi.cch = 32;
        GetMenuItemInfoW(i < 8 ? h : sub, i % 8, TRUE, &mi);
        EXPECT_EQ(std::tuple(std::wstring(text), mi.fType, mi.fState & (MFS_CHECKED | MFS_DISABLED)), expected[i]) << i;
    }
}

TEST(Menus, StoredMenusKeepTheirItemTreeAndNonDefaultValues)
{
    RegisterMenuClasses();
    const std::wstring menuText = L"object Menu1: TPopupMenu\n  object Dock: TMenuItem\n    Caption = 'Dock'\n"
                                  L"    ShortCut = 16452\n  end\n  object Sub: TMenuItem\n    Caption = 'Sub'\n"
                                  L"    object Radio: TMenuItem\n      Checked = True\n      GroupIndex = 2\n"
                                  L"      RadioItem = True\n    end\n  end\nend\n";
    auto form = std::make_unique<TForm>(nullptr);
    auto* box = new TScrollBox(form.get());
    box->SetName(L"Box");
    ReadComponentFromText(form.get(), ReadLayoutText(L"object F: TForm\n" + menuText + L"end\n"));
    auto* menu = dynamic_cast<TPopupMenu*>(form->FindComponent(L"Menu1"));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->Items()->Items(0)->ShortCut(), ShortCut('D', {ssCtrl}));
    EXPECT_EQ(menu->Items()->Items(1)->Items(0)->Menu(), menu);
    EXPECT_EQ(WriteLayoutText(WriteComponentToTree(menu, form.get())), menuText);

    box->SetPopupMenu(menu);
    delete menu;  // its items go with it, and no reference is left behind
    EXPECT_EQ(box->PopupMenu(), nullptr);
    EXPECT_EQ(form->FindComponent(L"Radio"), nullptr);
}
