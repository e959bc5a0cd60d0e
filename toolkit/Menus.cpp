#include "Menus.h"

#include <algorithm>

#include "Forms.h"
#include "ScopeExit.h"

// ---- shortcuts --------------------------------------------------------------------------------

TShortCut ShortCut(WORD key, TShiftState shift)
{
    TShortCut result = key & 0xFF;
    if (shift.Contains(ssShift))
        result |= scShift;
    if (shift.Contains(ssCtrl))
        result |= scCtrl;
    if (shift.Contains(ssAlt))
        result |= scAlt;
    return result;
}

TShiftState KeyboardShiftState()
{
    TShiftState shift;
    if (GetKeyState(VK_SHIFT) < 0)
        shift.Include(ssShift);
    if (GetKeyState(VK_CONTROL) < 0)
        shift.Include(ssCtrl);
    if (GetKeyState(VK_MENU) < 0)
        shift.Include(ssAlt);
    return shift;
}

namespace {

std::wstring KeyName(WORD key)
{
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9'))
        return std::wstring(1, static_cast<wchar_t>(key));
    if (key >= VK_F1 && key <= VK_F24)
        return L"F" + std::to_wstring(key - VK_F1 + 1);
    if (key >= VK_NUMPAD0 && key <= VK_NUMPAD9)
        return L"Num " + std::to_wstring(key - VK_NUMPAD0);
    static const struct {
        WORD Key;
        const wchar_t* Name;
    } names[] = {{VK_BACK, L"BkSp"}, {VK_TAB, L"Tab"},     {VK_ESCAPE, L"Esc"},  {VK_RETURN, L"Enter"},
                 {VK_SPACE, L"Space"}, {VK_PRIOR, L"PgUp"}, {VK_NEXT, L"PgDn"},   {VK_END, L"End"},
                 {VK_HOME, L"Home"},   {VK_LEFT, L"Left"},  {VK_UP, L"Up"},       {VK_RIGHT, L"Right"},
                 {VK_DOWN, L"Down"},   {VK_INSERT, L"Ins"}, {VK_DELETE, L"Del"}};
    for (const auto& n : names)
        if (n.Key == key)
            return n.Name;
    // Punctuation keys: the character of the keyboard layout.
    const UINT ch = MapVirtualKeyW(key, MAPVK_VK_TO_CHAR) & 0x7FFF;
    return ch ? std::wstring(1, static_cast<wchar_t>(ch)) : std::wstring();
}

// Command numbers of menu items: unique among the items alive, never 0 (which TrackPopupMenuEx
// returns when nothing was chosen).
UINT NextCommand()
{
    static UINT next = 0;
    next = next % 0x7FFF + 1;
    return next;
}

}  // namespace

std::wstring ShortCutToText(TShortCut shortCut)
{
    const std::wstring key = KeyName(shortCut & 0xFF);
    if (key.empty())
        return L"";
    std::wstring text;
    if (shortCut & scShift)
        text += L"Shift+";
    if (shortCut & scCtrl)
        text += L"Ctrl+";
    if (shortCut & scAlt)
        text += L"Alt+";
    return text + key;
}

// ---- TMenuItem --------------------------------------------------------------------------------

const TClassInfo& TMenuItem::StaticClassInfo()
{
    static const TClassInfo info = TClassBuilder<TMenuItem>(L"TMenuItem", &TComponent::StaticClassInfo())
        .Creatable()
        .String(L"Caption", &TMenuItem::Caption, &TMenuItem::SetCaption)
        .Boolean(L"Checked", &TMenuItem::Checked, &TMenuItem::SetChecked, false)
        .Boolean(L"Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled, true)
        .Integer(L"GroupIndex", &TMenuItem::GroupIndex, &TMenuItem::SetGroupIndex, 0)
        .Boolean(L"RadioItem", &TMenuItem::RadioItem, &TMenuItem::SetRadioItem, false)
        .Integer(L"ShortCut", &TMenuItem::ShortCut, &TMenuItem::SetShortCut, scNone)
        .Boolean(L"Visible", &TMenuItem::Visible, &TMenuItem::SetVisible, true)
        .Event(L"OnClick", &TMenuItem::OnClick)
        .Build();
    return info;
}

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner), FCommand(NextCommand())
{
}

TMenuItem::~TMenuItem()
{
    Destroying();
    while (!FItems.empty())
        delete FItems.back();  // each sub-item's destructor removes it from this list
    if (FParent)
        FParent->Remove(this);
}

void TMenuItem::SetChecked(bool value)
{
    if (FChecked == value)
        return;
    FChecked = value;
    if (!value || !FRadioItem || !FParent)
        return;
    for (TMenuItem* sibling : FParent->FItems)
        if (sibling != this && sibling->FRadioItem && sibling->FGroupIndex == FGroupIndex)
            sibling->FChecked = false;
}

TMenuItem* TMenuItem::Items(int index) const
{
    if (index < 0 || index >= Count())
        throw EListError(L"List index out of bounds (" + std::to_wstring(index) + L")");
    return FItems[static_cast<size_t>(index)];
}

void TMenuItem::Add(TMenuItem* item)
{
    Insert(Count(), item);
}

void TMenuItem::Insert(int index, TMenuItem* item)
{
    if (!item)
        return;
    if (index < 0 || index > Count())
        throw EListError(L"List index out of bounds (" + std::to_wstring(index) + L")");
    for (const TMenuItem* p = this; p; p = p->FParent)
        if (p == item)
            throw EInvalidOperation(L"A menu item cannot be inserted under itself");
    if (item->FParent)
        item->FParent->Remove(item);
    FItems.insert(FItems.begin() + index, item);
    item->FParent = this;
}

void TMenuItem::Remove(TMenuItem* item)
{
    const auto it = std::find(FItems.begin(), FItems.end(), item);
    if (it == FItems.end())
        return;
    FItems.erase(it);
    item->FParent = nullptr;
}

int TMenuItem::IndexOf(const TMenuItem* item) const
{
    const auto it = std::find(FItems.begin(), FItems.end(), item);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

TPopupMenu* TMenuItem::Menu() const
{
    const TMenuItem* root = this;
    while (root->FParent)
        root = root->FParent;
    return root->FMenu;
}

void TMenuItem::Click()
{
    if (OnClick)
        OnClick(this);
}

TMenuItem* TMenuItem::FindItem(UINT command)
{
    if (FCommand == command)
        return this;
    for (TMenuItem* item : FItems)
        if (TMenuItem* found = item->FindItem(command))
            return found;
    return nullptr;
}

TMenuItem* TMenuItem::FindShortCut(TShortCut shortCut)
{
    for (TMenuItem* item : FItems) {
        if (!item->FVisible || !item->FEnabled || item->IsLine())
            continue;
        if (item->FShortCut == shortCut)
            return item;
        if (TMenuItem* found = item->FindShortCut(shortCut))
            return found;
    }
    return nullptr;
}

void TMenuItem::AppendItemsTo(HMENU menu) const
{
    for (const TMenuItem* item : FItems) {
        if (!item->FVisible)
            continue;
        MENUITEMINFOW mi{};
        mi.cbSize = sizeof(mi);
        std::wstring text = item->FCaption;
        if (item->IsLine()) {
            mi.fMask = MIIM_FTYPE;
            mi.fType = MFT_SEPARATOR;
        } else {
            // The system menu draws what follows a tab right-aligned, as the shortcut column.
            if (item->FShortCut != scNone)
                text += L"\t" + ShortCutToText(item->FShortCut);
            mi.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_STATE | MIIM_ID;
            mi.fType = item->FRadioItem ? MFT_RADIOCHECK : MFT_STRING;
            mi.fState = (item->FChecked ? MFS_CHECKED : MFS_UNCHECKED) | (item->FEnabled ? MFS_ENABLED : MFS_DISABLED);
            mi.wID = item->FCommand;
            mi.dwTypeData = text.data();
            if (!item->FItems.empty()) {
                mi.fMask |= MIIM_SUBMENU;
                mi.hSubMenu = CreatePopupMenu();
                item->AppendItemsTo(mi.hSubMenu);
            }
        }
        InsertMenuItemW(menu, static_cast<UINT>(GetMenuItemCount(menu)), TRUE, &mi);
    }
}

TComponent* TMenuItem::GetParentComponent() const
{
    if (!FParent)
        return nullptr;
    if (FParent->FMenu)
        return FParent->FMenu;
    return FParent;
}

void TMenuItem::SetParentComponent(TComponent* parent)
{
    if (auto* item = dynamic_cast<TMenuItem*>(parent))
        item->Add(this);
    else if (auto* menu = dynamic_cast<TPopupMenu*>(parent))
        menu->Items()->Add(this);
}

void TMenuItem::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root)
{
    (void)root;
    for (TMenuItem* item : std::vector<TMenuItem*>(FItems))
        proc(item);
}

// ---- TPopupMenu -------------------------------------------------------------------------------

const TClassInfo& TPopupMenu::StaticClassInfo()
{
    static const TClassInfo info = TClassBuilder<TPopupMenu>(L"TPopupMenu", &TComponent::StaticClassInfo())
        .Creatable()
        .Event(L"OnPopup", &TPopupMenu::OnPopup)
        .Build();
    return info;
}

TPopupMenu::TPopupMenu(TComponent* AOwner) : TComponent(AOwner), FItems(new TMenuItem(nullptr))
{
    FItems->FMenu = this;
}

TPopupMenu::~TPopupMenu()
{
    Destroying();
    delete FItems;
    if (FDestroyedFlag) {
        // Open: the running Popup destroys the window-system menu once its loop has ended.
        *FDestroyedFlag = true;
        EndMenu();
    } else if (FHandle) {
        DestroyMenu(FHandle);
    }
}

void TPopupMenu::SetPopupComponent(TControl* value)
{
    SetReference(FPopupComponent, value);
}

void TPopupMenu::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == FPopupComponent)
        FPopupComponent = nullptr;
}

void TPopupMenu::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root)
{
    FItems->GetChildren(proc, root);
}

void TPopupMenu::RebuildHandle()
{
    HMENU menu = CreatePopupMenu();
    if (!menu)
        throw EOutOfResources(L"Cannot create a menu");
    if (FHandle)
        DestroyMenu(FHandle);
    FHandle = menu;
    FItems->AppendItemsTo(FHandle);
}

HWND TPopupMenu::OwnerWindow() const
{
    for (TControl* c = FPopupComponent; c; c = c->Parent())
        if (auto* w = dynamic_cast<TWinControl*>(c); w && w->HandleAllocated())
            return w->Handle();
    if (HWND active = GetActiveWindow())
        return active;
    return Application ? Application->Handle() : nullptr;
}

void TPopupMenu::Popup(int X, int Y)
{
    // Handlers run in the menu's loop may destroy this menu: after the loop only locals are safe.
    bool destroyed = false;
    bool* outer = FDestroyedFlag;
    FDestroyedFlag = &destroyed;
    TScopeExit restore([&] {
        if (!destroyed)
            FDestroyedFlag = outer;
        else if (outer)
            *outer = true;
    });
    if (OnPopup)
        OnPopup(this);
    if (destroyed)
        return;
    RebuildHandle();
    HMENU menu = FHandle;
    if (GetMenuItemCount(menu) <= 0)
        return;
    const UINT command = static_cast<UINT>(TrackPopupMenuEx(
        menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN, X, Y, OwnerWindow(), nullptr));
    if (destroyed) {
        DestroyMenu(menu);
        return;
    }
    if (command == 0)
        return;
    if (TMenuItem* item = FItems->FindItem(command))
        item->Click();
}

bool TPopupMenu::IsShortCut(WORD key, TShiftState shift)
{
    const TShortCut wanted = ::ShortCut(key, shift);
    TMenuItem* item = (wanted & 0xFF) ? FItems->FindShortCut(wanted) : nullptr;
    if (!item)
        return false;
    item->Click();
    return true;
}

void RegisterMenuClasses()
{
    RegisterComponentClass(TMenuItem::StaticClassInfo());
    RegisterComponentClass(TPopupMenu::StaticClassInfo());
}
