// Windowed controls as parents: the child list, tab order, focus and alignment.
#include "Controls.h"

#include <algorithm>

#include "Alignment.h"
#include "ControlsInternal.h"
#include "ScopeExit.h"

using ControlsInternal::ParentForm;

TWinControl* ControlsInternal::ParentForm(const TWinControl* control)
{
    auto* top = const_cast<TWinControl*>(control);
    while (top->Parent())
        top = top->Parent();
    return top->IsForm() ? top : nullptr;
}

TControl* TWinControl::Controls(int index) const
{
    if (index < 0 || index >= ControlCount())
        throw EListError(L"Control index out of bounds (" + std::to_wstring(index) + L")");
    return FControls[static_cast<size_t>(index)];
}

void TWinControl::InsertControl(TControl* control)
{
    control->FParent = this;
    FControls.push_back(control);
    if (auto* w = dynamic_cast<TWinControl*>(control); w && w->FTabOrder < 0)
        w->FTabOrder = static_cast<int>(TabList().size()) - 1;
    control->Perform(CM_PARENTCOLORCHANGED, 0, 0);
    control->Perform(CM_PARENTFONTCHANGED, 0, 0);
    if (auto* w = dynamic_cast<TWinControl*>(control))
        w->UpdateControlState();
    else
        control->Invalidate();
    AlignControl(control);
}

void TWinControl::RemoveControl(TControl* control)
{
    control->Invalidate();
    FControls.erase(std::remove(FControls.begin(), FControls.end(), control), FControls.end());
    control->FParent = nullptr;
    if (!IsDestroying())
        Realign();
}

bool TWinControl::ContainsControl(const TControl* control) const
{
    for (const TControl* c = control; c; c = c->Parent())
        if (c == this)
            return true;
    return false;
}

TControl* TWinControl::ControlAtPos(POINT p, bool allowDisabled) const
{
    for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
        TControl* c = *it;
        const RECT r = c->BoundsRect();
        if (c->Visible() && (allowDisabled || c->Enabled()) && PtInRect(&r, p))
            return c;
    }
    return nullptr;
}

std::vector<TWinControl*> TWinControl::TabList() const
{
    std::vector<TWinControl*> list;
    for (TControl* c : FControls)
        if (auto* w = dynamic_cast<TWinControl*>(c))
            list.push_back(w);
    std::stable_sort(list.begin(), list.end(), [](const TWinControl* a, const TWinControl* b) {
        return a->FTabOrder < b->FTabOrder;
    });
    return list;
}

int TWinControl::TabOrder() const
{
    if (!FParent)
        return FTabOrder;
    const auto list = FParent->TabList();
    const auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int value)
{
    if (!FParent || IsLoading()) {
        FTabOrder = value;
        return;
    }
    auto list = FParent->TabList();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    value = std::clamp(value, 0, static_cast<int>(list.size()));
    list.insert(list.begin() + value, this);
    for (size_t i = 0; i < list.size(); ++i)
        list[i]->FTabOrder = static_cast<int>(i);
}

void TWinControl::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root)
{
    for (TControl* c : FControls)
        if (c->Owner() == root)
            proc(c);
}

void TWinControl::Loaded()
{
    TControl::Loaded();
    Realign();
}

void TWinControl::EnableAlign()
{
    if (--FAlignLevel == 0 && FAlignPending)
        Realign();
}

void TWinControl::Realign()
{
    AlignControl(nullptr);
}

void TWinControl::AlignControl(TControl* AControl)
{
    if (IsDestroying())
        return;
    if (FAlignLevel > 0 || IsLoading()) {
        FAlignPending = true;
        return;
    }
    FAlignPending = false;
    DisableAlign();
    TScopeExit enable([this] { --FAlignLevel; });
    RECT rect = ClientRect();
    AdjustClientRect(rect);
    AlignControls(AControl, rect);
    if (FAlignPending) {
        // A child changed size while being aligned: one more pass settles it.
        FAlignPending = false;
        rect = ClientRect();
        AdjustClientRect(rect);
        AlignControls(nullptr, rect);
        FAlignPending = false;
    }
}

void TWinControl::AlignControls(TControl* AControl, RECT& Rect)
{
    TAlignRoom room{Rect.left, Rect.top, Rect.right, Rect.bottom};
    for (TAlign align : AlignPasses) {
        // The control being aligned comes first among equals.
        std::vector<TControl*> members;
        if (AControl && AControl->FParent == this && AControl->Align() == align && AControl->Visible())
            members.push_back(AControl);
        for (TControl* c : FControls)
            if (c != AControl && c->Align() == align && c->Visible())
                members.push_back(c);
        std::vector<TAlignBounds> bounds;
        for (const TControl* c : members)
            bounds.push_back({c->Left(), c->Top(), c->Width(), c->Height()});
        for (size_t i : AlignOrder(align, bounds)) {
            TControl* c = members[i];
            const TAlignBounds b = AlignedBounds(align, room, c->Width(), c->Height());
            c->SetBounds(b.Left, b.Top, b.Width, b.Height);
            // The control may refuse the size (a dock sizes itself): take what it kept.
            room = RoomAfter(align, room, c->Width(), c->Height());
        }
    }
    Rect = RECT{room.Left, room.Top, room.Right, room.Bottom};
}

bool TWinControl::CanFocus() const
{
    for (const TControl* c = this; c; c = c->Parent())
        if (!c->Visible() || !c->Enabled())
            return false;
    return ParentForm(this) != nullptr;
}

bool TWinControl::Focused() const
{
    return FHandle && GetFocus() == FHandle;
}

void TWinControl::SetFocus()
{
    if (TWinControl* form = ParentForm(this); form && form != this)
        form->SetActiveControl(this);
    ::SetFocus(Handle());
}

void TWinControl::WMSetFocus(TMessage& Message)
{
    DefaultHandler(Message);
    if (TWinControl* form = ParentForm(this); form && form != this)
        form->FocusControlChanged(this);
}

void TWinControl::CNKeyDown(TMessage& Message)
{
    UINT mask = 0;
    switch (Message.WParam) {
    case VK_TAB: mask = DLGC_WANTTAB; break;
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: mask = DLGC_WANTARROWS; break;
    case VK_RETURN: case VK_EXECUTE: case VK_ESCAPE: case VK_CANCEL: mask = DLGC_WANTALLKEYS; break;
    default: Message.Result = 0; return;
    }
    if (FHandle && (SendMessageW(FHandle, WM_GETDLGCODE, 0, 0) & mask)) {
        Message.Result = 0;
        return;
    }
    TWinControl* form = ParentForm(this);
    Message.Result = form ? form->Perform(CM_DIALOGKEY, Message.WParam, Message.LParam) : 0;
}
