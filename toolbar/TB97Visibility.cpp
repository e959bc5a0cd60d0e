// Floating tool windows as palettes of their form: visibility, owner window, topmost band,
// activation, close requests, and the application-wide events from the hook registry.
#include "TB97.h"

namespace {

constexpr UINT ShowFlags = SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE;
constexpr UINT HideFlags = SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE;

HWND OwnerWindow(HWND wnd)
{
    return reinterpret_cast<HWND>(GetWindowLongPtrW(wnd, GWLP_HWNDPARENT));
}

void SetOwnerWindow(HWND wnd, HWND owner)
{
    SetWindowLongPtrW(wnd, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
}

bool IsTopmost(HWND wnd)
{
    return (GetWindowLongPtrW(wnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

}  // namespace

// ---- unit functions -------------------------------------------------------------------------

TCustomForm* MDIFrameFormOf(TCustomForm* form)
{
    if (form && form->FormStyle() == fsMDIChild && Screen && form->HandleAllocated()) {
        HWND client = GetParent(form->Handle());
        for (int i = 0; i < Screen->FormCount(); ++i) {
            TCustomForm* f = Screen->Forms(i);
            if (f->FormStyle() == fsMDIForm && f->ClientHandle() && f->ClientHandle() == client)
                return f;
        }
    }
    return form;
}

namespace {

struct TFindWindowData {
    HWND LeaveOut = nullptr;
    HWND FirstNormal = nullptr;
    HWND FirstTopmost = nullptr;
};

BOOL CALLBACK FindWindowProc(HWND wnd, LPARAM data)
{
    auto* d = reinterpret_cast<TFindWindowData*>(data);
    if (wnd == d->LeaveOut || (Application && wnd == Application->Handle()) || !IsWindowVisible(wnd) ||
        !IsWindowEnabled(wnd))
        return TRUE;
    if (IsTopmost(wnd)) {
        if (!d->FirstTopmost)
            d->FirstTopmost = wnd;
    } else if (!d->FirstNormal) {
        d->FirstNormal = wnd;
    }
    return TRUE;
}

}  // namespace

HWND FindVisibleTopLevelWindow(HWND leaveOut)
{
    TFindWindowData data;
    data.LeaveOut = leaveOut;
    EnumThreadWindows(GetCurrentThreadId(), FindWindowProc, reinterpret_cast<LPARAM>(&data));
    return data.FirstNormal ? data.FirstNormal : data.FirstTopmost;
}

HWND WindowAboveOwnedGroup(HWND window)
{
    HWND r = window;
    for (;;) {
        r = GetWindow(r, GW_HWNDPREV);
        if (!r)
            return nullptr;
        bool owned = false;
        for (HWND o = OwnerWindow(r); o && !owned; o = OwnerWindow(o))
            owned = o == window;
        if (!owned)
            return r;
    }
}

// ---- showing state ----------------------------------------------------------------------------

bool TCustomToolWindow97::GetShowingState() const
{
    const bool result = Showing() && FHiddenCount == 0;
    if (FIsDocked || IsDesigning())
        return result;
    bool parentHidden = FFloatingMode == fmOnTopOfParentForm;
    if (parentHidden) {
        TCustomForm* p = GetToolWindowParentForm(this);
        TCustomForm* f = MDIFrameFormOf(p);
        if (p && f) {
            parentHidden = !(p->HandleAllocated() && f->HandleAllocated());
            if (!parentHidden) {
                HWND ph = p->Handle();
                HWND fh = f->Handle();
                parentHidden = (Application && IsIconic(Application->Handle())) || !IsWindowVisible(ph) || IsIconic(ph);
                if (p != f)
                    parentHidden = parentHidden || !IsWindowVisible(fh) || IsIconic(fh);
            }
        }
    }
    return result && !parentHidden && (!FHideWhenInactive || ApplicationIsActive());
}

void TCustomToolWindow97::UpdateVisibility()
{
    SetInactiveCaption(!FIsDocked && !FHideWhenInactive && !ApplicationIsActive());
    if (HandleAllocated() && (IsWindowVisible(Handle()) != FALSE) != GetShowingState())
        Perform(CM_SHOWINGCHANGED, 0, 0);
}

void TCustomToolWindow97::SetInactiveCaption(bool value)
{
    if (IsDesigning())
        value = false;
    if (FInactiveCaption == value)
        return;
    FInactiveCaption = value;
    InvalidateFloatingNCArea(TToolWindowNCRedrawWhat{twrdCaption});
}

void TCustomToolWindow97::UpdateTopmostFlag()
{
    if (!HandleAllocated())
        return;
    HWND wnd = Handle();
    const bool wanted = FFloatingMode == fmOnTopOfAllForms ? IsWindowEnabled(wnd) != FALSE : IsTopmost(OwnerWindow(wnd));
    if (IsTopmost(wnd) != wanted)
        SetWindowPos(wnd, wanted ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
}

void TCustomToolWindow97::CMShowingChanged(TMessage&)
{
    if (!HandleAllocated())
        return;
    HWND wnd = Handle();
    const bool show = GetShowingState();
    if (auto* floating = dynamic_cast<TFloatingWindowParent*>(Parent())) {
        if (show) {
            if (FFloatingMode == fmOnTopOfAllForms) {
                if (Application)
                    SetOwnerWindow(wnd, Application->Handle());
            } else {
                TCustomForm* frame = MDIFrameFormOf(GetToolWindowParentForm(this));
                if (frame && frame->HandleAllocated() && OwnerWindow(wnd) != frame->Handle()) {
                    SetOwnerWindow(wnd, frame->Handle());
                    HWND after = WindowAboveOwnedGroup(frame->Handle());
                    SetWindowPos(wnd, after ? after : HWND_TOP, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
                } else if (frame && frame->HandleAllocated()) {
                    // Shown again (the form restored or shown, the application back): the form
                    // has come to the front meanwhile, or is about to.
                    RaiseAboveFormLater();
                }
            }
        }
        UpdateTopmostFlag();
        floating->SetChildShowing(show);
        floating->Perform(CM_SHOWINGCHANGED, 0, 0);
    }
    SetWindowPos(wnd, nullptr, 0, 0, 0, 0, show ? ShowFlags : HideFlags);
    if (!show && GetActiveWindow() == wnd)
        SetActiveWindow(FindVisibleTopLevelWindow(wnd));
}

// A form that comes to the front does not take along an owned window that was hidden meanwhile,
// and under Wine without a window manager a form that takes the focus is raised over the
// windows it owns, the Z order following the screen later. Neither has happened yet when the
// tool window is shown again or the application activated, so the tool window follows later,
// from a posted message, and only while its form is the active window: that form is then at
// the front of its band, and the tool window belongs directly above it.
void TCustomToolWindow97::RaiseAboveFormLater()
{
    if (!HandleAllocated() || FRaiseAboveFormPostedTo == Handle())
        return;
    FRaiseAboveFormPostedTo = Handle();
    if (!PostMessageW(Handle(), WM_TB97RaiseAboveForm, 0, 0))
        FRaiseAboveFormPostedTo = nullptr;
}

void TCustomToolWindow97::WMTB97RaiseAboveForm(TMessage&)
{
    FRaiseAboveFormPostedTo = nullptr;
    if (FFloatingMode != fmOnTopOfParentForm || !dynamic_cast<TFloatingWindowParent*>(Parent()) ||
        !IsWindowVisible(Handle()))
        return;
    TCustomForm* frame = MDIFrameFormOf(GetToolWindowParentForm(this));
    HWND wnd = Handle();
    if (!frame || !frame->HandleAllocated() || GetActiveWindow() != frame->Handle() ||
        OwnerWindow(wnd) != frame->Handle())
        return;
    constexpr UINT flags = SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE;
    // First in the Z order already, HWND_TOP would be taken as no change at all, and Wine would
    // leave the screen's stacking as it is: one step down first.
    if (!GetWindow(wnd, GW_HWNDPREV))
        if (HWND next = GetWindow(wnd, GW_HWNDNEXT))
            SetWindowPos(wnd, next, 0, 0, 0, 0, flags | SWP_NOREDRAW);
    SetWindowPos(wnd, HWND_TOP, 0, 0, 0, 0, flags);
}

void TCustomToolWindow97::CMVisibleChanged(TMessage& Message)
{
    if (!IsDesigning() && FIsDocked)
        FDockedTo->ToolbarVisibilityChanged(this, false);
    inherited::Dispatch(Message);
    if (OnVisibleChanged)
        OnVisibleChanged(this);
}

void TCustomToolWindow97::WMEnable(TMessage& Message)
{
    DefaultHandler(Message);
    if (FFloatingMode == fmOnTopOfAllForms)
        UpdateTopmostFlag();
}

// ---- activation -----------------------------------------------------------------------------

void TCustomToolWindow97::WMActivate(TMessage& Message)
{
    if (FIsDocked || IsDesigning()) {
        DefaultHandler(Message);
        return;
    }
    const bool activating = LOWORD(Message.WParam) != WA_INACTIVE;
    TCustomForm* frame = MDIFrameFormOf(GetToolWindowParentForm(this));
    if (frame && frame->HandleAllocated())
        SendMessageW(frame->Handle(), WM_NCACTIVATE, activating ? 1 : 0, 0);
    if (activating) {
        HWND wnd = Handle();
        if (!IsWindowVisible(wnd))
            SetActiveWindow(FindVisibleTopLevelWindow(wnd));
        else if (frame && frame->HandleAllocated() && frame->Handle() != reinterpret_cast<HWND>(Message.LParam))
            SetActiveWindow(frame->Handle());
    }
}

void TCustomToolWindow97::WMMouseActivate(TMessage& Message)
{
    if (FIsDocked || IsDesigning()) {
        DefaultHandler(Message);
        return;
    }
    Message.Result = MA_NOACTIVATE;
    HWND wnd = Handle();
    SetWindowPos(wnd, HWND_TOP, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
    TCustomForm* p = GetToolWindowParentForm(this);
    TCustomForm* f = MDIFrameFormOf(p);
    if (FFloatingMode == fmOnTopOfParentForm && FActivateParent && f && GetActiveWindow() != wnd) {
        if (f->HandleAllocated())
            SetActiveWindow(f->Handle());
        if (p != f && p->HandleAllocated())
            BringWindowToTop(p->Handle());
    }
}

void TCustomToolWindow97::WMClose(TMessage&)
{
    TCustomForm* frame = MDIFrameFormOf(GetToolWindowParentForm(this));
    if (frame && frame->HandleAllocated())
        SendMessageW(frame->Handle(), WM_CLOSE, 0, 0);
}

// ---- floating parent --------------------------------------------------------------------------

void TFloatingWindowParent::CMShowingChanged(TMessage&)
{
    if (HandleAllocated())
        SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, Showing() && FChildShowing ? ShowFlags : HideFlags);
}

void TFloatingWindowParent::CMDialogKey(TMessage& Message)
{
    const bool noShift = GetKeyState(VK_SHIFT) >= 0 && GetKeyState(VK_CONTROL) >= 0 && (Message.LParam & 0x20000000) == 0;
    if (Message.WParam == VK_ESCAPE && noShift && FOwnerForm) {
        FOwnerForm->SetFocus();
        Message.Result = 1;
        return;
    }
    inherited::Dispatch(Message);
}

bool TFloatingWindowParent::IsShortCut(WORD key, TShiftState shift)
{
    return inherited::IsShortCut(key, shift) || (FOwnerForm && FOwnerForm->IsShortCut(key, shift));
}

// ---- application-wide events --------------------------------------------------------------------

void ToolWindowHookProc(THookProcCode Code, HWND Wnd, WPARAM WParam, LPARAM LParam)
{
    if (!FloatingWindowList)
        return;
    // A snapshot: showing and hiding may make tool windows leave or join the list.
    std::vector<TCustomToolWindow97*> bars;
    for (int i = 0; i < FloatingWindowList->Count(); ++i)
        bars.push_back(static_cast<TCustomToolWindow97*>(FloatingWindowList->Get(i)));
    auto stillListed = [](TCustomToolWindow97* bar) {
        return FloatingWindowList && FloatingWindowList->IndexOf(bar) >= 0;
    };
    switch (Code) {
    case hpSendActivateApp:
        for (TCustomToolWindow97* bar : bars) {
            if (!stillListed(bar))
                continue;
            bar->UpdateVisibility();
            if (WParam)  // activated: a tool window that stayed shown must follow its form too
                bar->RaiseAboveFormLater();
        }
        break;
    case hpSendWindowPosChanged: {
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(LParam);
        if (!pos || !(pos->flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW | SWP_FRAMECHANGED)))
            break;
        for (TCustomToolWindow97* bar : bars) {
            if (!stillListed(bar) || bar->FloatingMode() != fmOnTopOfParentForm || !bar->HandleAllocated())
                continue;
            TCustomForm* p = GetToolWindowParentForm(bar);
            if (p && p->HandleAllocated() && (p->Handle() == Wnd || IsChild(Wnd, p->Handle())))
                bar->UpdateVisibility();
        }
        break;
    }
    case hpPreDestroy:
        for (TCustomToolWindow97* bar : bars) {
            if (!stillListed(bar) || !bar->HandleAllocated() || !bar->Parent())
                continue;
            HWND wnd = bar->Handle();
            if (OwnerWindow(wnd) == Wnd && bar->Parent()->HandleAllocated())
                SetOwnerWindow(wnd, bar->Parent()->Handle());
        }
        break;
    default:
        break;
    }
}
