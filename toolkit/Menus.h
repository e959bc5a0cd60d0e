// Pop-up menus over real Win32 menus: a tree of menu items (captions, check marks, radio
// bullets, keyboard shortcuts) and the pop-up menu that shows it at a point of the screen.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "Classes.h"
#include "Controls.h"

// A key with its modifiers, as a menu item shows and matches it: the virtual key in the low
// byte, one flag per modifier above it (the values layouts store).
using TShortCut = uint16_t;
constexpr TShortCut scNone = 0;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;

TShortCut ShortCut(WORD key, TShiftState shift);
// "Ctrl+D", "Shift+F5", "Alt+Del"; empty for scNone.
std::wstring ShortCutToText(TShortCut shortCut);
// The modifiers held now, as a key message sees them.
TShiftState KeyboardShiftState();

class TPopupMenu;

class TMenuItem : public TComponent {
    TK_CLASSINFO(TMenuItem, TComponent)
public:
    explicit TMenuItem(TComponent* AOwner);
    // Takes its sub-items with it, as a windowed control takes its children.
    ~TMenuItem() override;

    // "-" makes the item a separator line.
    const std::wstring& Caption() const { return FCaption; }
    void SetCaption(const std::wstring& value) { FCaption = value; }
    bool IsLine() const { return FCaption == L"-"; }
    // Checking a radio item unchecks the other radio items of its GroupIndex under the same parent.
    bool Checked() const { return FChecked; }
    void SetChecked(bool value);
    // Shown with a radio bullet instead of a check mark.
    bool RadioItem() const { return FRadioItem; }
    void SetRadioItem(bool value) { FRadioItem = value; }
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int value) { FGroupIndex = value; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value) { FEnabled = value; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool value) { FVisible = value; }
    TShortCut ShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut value) { FShortCut = value; }

    int Count() const { return static_cast<int>(FItems.size()); }
    TMenuItem* Items(int index) const;
    void Add(TMenuItem* item);
    void Insert(int index, TMenuItem* item);
    void Remove(TMenuItem* item);
    int IndexOf(const TMenuItem* item) const;
    TMenuItem* Parent() const { return FParent; }
    // The menu whose tree holds this item, if any.
    TPopupMenu* Menu() const;

    // Fires OnClick.
    virtual void Click();
    TNotifyEvent OnClick;

    // The command number the window system reports when this item is chosen.
    UINT Command() const { return FCommand; }
    // This item or one below it by command number, or by shortcut among the enabled and visible ones.
    TMenuItem* FindItem(UINT command);
    TMenuItem* FindShortCut(TShortCut shortCut);
    // Fills menu with the visible sub-items (caption, shortcut text, state), sub-menus included.
    void AppendItemsTo(HMENU menu) const;

    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* parent) override;
    void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) override;

private:
    friend class TPopupMenu;

    std::wstring FCaption;
    bool FChecked = false;
    bool FRadioItem = false;
    int FGroupIndex = 0;
    bool FEnabled = true;
    bool FVisible = true;
    TShortCut FShortCut = scNone;
    UINT FCommand = 0;
    TMenuItem* FParent = nullptr;
    TPopupMenu* FMenu = nullptr;  // set on the root item only
    std::vector<TMenuItem*> FItems;
};

class TPopupMenu : public TComponent {
    TK_CLASSINFO(TPopupMenu, TComponent)
public:
    explicit TPopupMenu(TComponent* AOwner);
    ~TPopupMenu() override;

    // The root item; the menu shows its sub-items.
    TMenuItem* Items() const { return FItems; }
    // The control the menu was last opened for (null when opened otherwise).
    TControl* PopupComponent() const { return FPopupComponent; }
    void SetPopupComponent(TControl* value);
    // Builds the menu anew and shows it with its top-left at the screen point; returns when it
    // closes, after the chosen item's OnClick.
    void Popup(int X, int Y);
    // The window-system menu as the last Popup built it; null before the first.
    HMENU Handle() const { return FHandle; }
    // Fires OnClick of the enabled, visible item with this shortcut; true when there was one.
    bool IsShortCut(WORD key, TShiftState shift);

    void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) override;
    void Notification(TComponent* component, TOperation operation) override;

    // Fires before the menu is built, so the handler can set check marks and states.
    TNotifyEvent OnPopup;

private:
    void RebuildHandle();
    HWND OwnerWindow() const;

    TMenuItem* FItems = nullptr;
    TControl* FPopupComponent = nullptr;
    HMENU FHandle = nullptr;
    // Set while Popup runs; the destructor marks it, so Popup knows to touch nothing after the loop.
    bool* FDestroyedFlag = nullptr;
};

// Makes the menu classes known to the layout reader (items nested in a menu need no form field).
void RegisterMenuClasses();
