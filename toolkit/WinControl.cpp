// Windowed controls: the window's lifecycle, the window procedure and the messages that keep
// the control and its window in step.
#include "Controls.h"

#include <windowsx.h>

#include <algorithm>
#include <map>

#include "ControlsInternal.h"
#include "ErrorReport.h"
#include "GdiCount.h"
#include "Menus.h"
#include "ScopeExit.h"

using ControlsInternal::CaptureControl;
using ControlsInternal::ParentForm;

namespace {

// The window property that leads from a window to its control.
const wchar_t* const ControlProp = L"ToolkitControl";

// The control whose window is being created; its first message attaches it to the window.
thread_local TWinControl* CreationControl = nullptr;

std::function<bool(const TWinControl*)>& WindowCreationFailure()
{
    static std::function<bool(const TWinControl*)> fails;
    return fails;
}

std::map<std::wstring, WNDPROC>& DefaultProcs()
{
    static std::map<std::wstring, WNDPROC> procs;
    return procs;
}

}  // namespace

LRESULT CALLBACK ToolkitWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* control = static_cast<TWinControl*>(GetPropW(hwnd, ControlProp));
    if (!control) {
        control = CreationControl;
        if (!control)
            return DefWindowProcW(hwnd, msg, wParam, lParam);
        CreationControl = nullptr;
        control->FHandle = hwnd;
        SetPropW(hwnd, ControlProp, control);
    }
    TMessage message{msg, wParam, lParam, 0};
    try {
        control->WndProc(message);
    } catch (...) {
        HandleCurrentException();
    }
    return message.Result;
}

HWND CreateUtilityWindow(const wchar_t* className, WNDPROC proc, const std::wstring& title, DWORD exStyle,
                         DWORD style, HWND parent)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW existing{};
    if (!GetClassInfoW(instance, className, &existing)) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = proc;
        wc.hInstance = instance;
        wc.lpszClassName = className;
        RegisterClassW(&wc);
    }
    return CreateWindowExW(exStyle, className, title.c_str(), style, 0, 0, 0, 0, parent, nullptr, instance, nullptr);
}

// ---- TWinControl ----------------------------------------------------------------------------
const TClassInfo& TWinControl::StaticClassInfo()
{
    static const TClassInfo info = TClassBuilder<TWinControl>(L"TWinControl", &TControl::StaticClassInfo())
        .Integer(L"TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder, -1)
        .Build();
    return info;
}

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner), FBrush(std::make_unique<TBrush>())
{
    FBrush->SetColor(FColor);
}

TWinControl::~TWinControl()
{
    Destroying();
    DestroyChildControls();
    DestroyHandle();
}

void TWinControl::DestroyChildControls()
{
    while (!FControls.empty())
        delete FControls.back();  // each child's destructor removes it from this list
}

TWinControl* TWinControl::FindControl(HWND handle)
{
    return handle ? static_cast<TWinControl*>(GetPropW(handle, ControlProp)) : nullptr;
}

HWND TWinControl::Handle()
{
    HandleNeeded();
    return FHandle;
}

void TWinControl::HandleNeeded()
{
    if (FHandle)
        return;
    if (FParent)
        FParent->HandleNeeded();
    CreateHandle();
}

void TWinControl::SetParentWindow(HWND value)
{
    if (FParent || FParentWindow == value)
        return;
    if (FHandle && FParentWindow && value)
        ::SetParent(FHandle, value);
    else
        DestroyHandle();
    FParentWindow = value;
    UpdateControlState();
}

void TWinControl::CreateParams(TCreateParams& Params)
{
    Params = TCreateParams{};
    Params.Caption = FText;
    Params.Style = WS_CHILD | WS_CLIPSIBLINGS;
    if (FControlStyle.Contains(csAcceptsControls))
        Params.Style |= WS_CLIPCHILDREN;
    if (!FEnabled)
        Params.Style |= WS_DISABLED;
    Params.X = FLeft;
    Params.Y = FTop;
    Params.Width = FWidth;
    Params.Height = FHeight;
    Params.WndParent = FParent ? FParent->Handle() : FParentWindow;
    Params.WindowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    Params.WindowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    Params.WinClassName = ClassName();
}

void TWinControl::CreateWnd()
{
    TCreateParams params;
    CreateParams(params);
    if (!params.WndParent && (params.Style & WS_CHILD))
        throw EInvalidOperation(L"Control '" + Name() + L"' has no parent window");

    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW existing{};
    if (!GetClassInfoW(instance, params.WinClassName.c_str(), &existing)) {
        WNDCLASSW wc = params.WindowClass;
        WNDPROC defProc = DefWindowProcW;
        if (!params.BaseClassName.empty()) {
            WNDCLASSW base{};
            if (!GetClassInfoW(nullptr, params.BaseClassName.c_str(), &base))
                throw EOutOfResources(L"Window class " + params.BaseClassName + L" is not available");
            defProc = base.lpfnWndProc;
            wc.style = base.style;
            wc.hCursor = base.hCursor;
            wc.hbrBackground = base.hbrBackground;
            wc.cbClsExtra = base.cbClsExtra;
            wc.cbWndExtra = base.cbWndExtra;
        }
        wc.lpfnWndProc = ToolkitWndProc;
        wc.hInstance = instance;
        wc.lpszClassName = params.WinClassName.c_str();
        if (!RegisterClassW(&wc))
            throw EOutOfResources(L"Cannot register window class " + params.WinClassName);
        DefaultProcs()[params.WinClassName] = defProc;
    }
    const auto it = DefaultProcs().find(params.WinClassName);
    FDefWndProc = it != DefaultProcs().end() ? it->second : DefWindowProcW;
    CreateWindowHandle(params);
    if (!FHandle)
        throw EOutOfResources(L"Cannot create a window for '" + Name() + L"'");
}

void SetWindowCreationFailure(std::function<bool(const TWinControl*)> fails)
{
    WindowCreationFailure() = std::move(fails);
}

void TWinControl::CreateWindowHandle(const TCreateParams& Params)
{
    if (WindowCreationFailure() && WindowCreationFailure()(this))
        return;
    CreationControl = this;
    HWND created = CreateWindowExW(Params.ExStyle, Params.WinClassName.c_str(), Params.Caption.c_str(), Params.Style,
                                   Params.X, Params.Y, Params.Width, Params.Height, Params.WndParent, nullptr,
                                   GetModuleHandleW(nullptr), Params.Param);
    CreationControl = nullptr;
    if (created)
        FHandle = created;
}

void TWinControl::CreateHandle()
{
    if (FHandle)
        return;
    CreateWnd();
    SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FFont->Handle()), FALSE);
    SetZOrderPosition();
    UpdateBounds();
}

void TWinControl::SetZOrderPosition()
{
    if (!FParent || !FHandle)
        return;
    // Keep windows in the order of the child list: after the nearest earlier sibling with a window.
    HWND after = HWND_TOP;
    for (TControl* c : FParent->FControls) {
        if (c == this)
            break;
        if (auto* w = dynamic_cast<TWinControl*>(c); w && w->FHandle)
            after = w->FHandle;
    }
    SetWindowPos(FHandle, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWinControl::DestroyWnd()
{
    const int length = GetWindowTextLengthW(FHandle);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(FHandle, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    FText = text;
    DestroyWindow(FHandle);
}

void TWinControl::DestroyHandle()
{
    if (!FHandle)
        return;
    // Children first, each through its own DestroyWnd so that it keeps its text (an edit box's
    // typed text lives only in its window); DestroyWindow would take them down unasked.
    for (TControl* c : std::vector<TControl*>(FControls))
        if (auto* w = dynamic_cast<TWinControl*>(c))
            w->DestroyHandle();
    DestroyWnd();
    FHandle = nullptr;  // WM_NCDESTROY cleared it already unless the window was not ours
    FShowing = false;
}

void TWinControl::RecreateWnd()
{
    if (!FHandle)
        return;
    DestroyHandle();
    UpdateControlState();
}

void TWinControl::WMNCDestroy(TMessage& Message)
{
    DefaultHandler(Message);
    RemovePropW(FHandle, ControlProp);
    FHandle = nullptr;
    FShowing = false;
}

void TWinControl::DefaultHandler(TMessage& Message)
{
    if (!FHandle) {
        Message.Result = 0;
        return;
    }
    Message.Result = CallWindowProcW(FDefWndProc ? FDefWndProc : DefWindowProcW, FHandle, Message.Msg,
                                     Message.WParam, Message.LParam);
}

void TWinControl::WndProc(TMessage& Message)
{
    if (Message.Msg >= WM_MOUSEFIRST && Message.Msg <= WM_MOUSELAST && Message.Msg != WM_MOUSEWHEEL) {
        // Mouse messages over a non-windowed child go to that child.
        TControl* target = nullptr;
        POINT p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
        if (CaptureControl && CaptureControl->Parent() == this && GetCapture() == FHandle)
            target = CaptureControl;
        else if (GetCapture() != FHandle)
            target = ControlAtPos(p, false);
        if (target && !dynamic_cast<TWinControl*>(target)) {
            // The window system asks for a context menu when the right button comes up; the
            // child has no window to ask through, so this window asks for it, once the child
            // has had the release (whose handler may free this window's control).
            const TFreeWatch self(Message.Msg == WM_RBUTTONUP ? this : nullptr);
            Message.Result = target->Perform(Message.Msg, Message.WParam,
                                             MAKELPARAM(p.x - target->Left(), p.y - target->Top()));
            if (self.Alive())
                DefaultHandler(Message);
            return;
        }
    }
    TControl::WndProc(Message);
}

void TWinControl::SetParent(TWinControl* AParent)
{
    if (FParent == AParent)
        return;
    // The window is made again under the new parent when it is needed.
    if (FHandle && !IsDestroying())
        DestroyHandle();
    TControl::SetParent(AParent);
}

void TWinControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight)
        return;
    if (FHandle && !IsIconic(FHandle)) {
        SetWindowPos(FHandle, nullptr, ALeft, ATop, AWidth, AHeight, SWP_NOZORDER | SWP_NOACTIVATE);
        UpdateBounds();
        RequestAlign();
        return;
    }
    const bool resized = AWidth != FWidth || AHeight != FHeight;
    UpdateBoundsFields(ALeft, ATop, AWidth, AHeight);
    RequestAlign();
    if (resized) {
        Realign();
        if (!IsLoading())
            Resize();
    }
}

void TWinControl::UpdateBounds()
{
    if (!FHandle)
        return;
    RECT r{};
    GetWindowRect(FHandle, &r);
    if (GetWindowLongPtrW(FHandle, GWL_STYLE) & WS_CHILD) {
        HWND parent = GetParent(FHandle);
        if (parent)
            MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    }
    UpdateBoundsFields(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

RECT TWinControl::ClientRect() const
{
    RECT r{0, 0, FWidth, FHeight};
    if (FHandle)
        GetClientRect(FHandle, &r);
    return r;
}

POINT TWinControl::ClientOrigin() const
{
    if (!FHandle)
        return TControl::ClientOrigin();
    POINT p{0, 0};
    ::ClientToScreen(FHandle, &p);
    return p;
}

void TWinControl::Invalidate()
{
    if (FHandle)
        InvalidateRect(FHandle, nullptr, !FControlStyle.Contains(csOpaque));
}

void TWinControl::Update()
{
    if (FHandle)
        UpdateWindow(FHandle);
}

void TWinControl::UpdateShowing()
{
    const bool show = FVisible && !IsLoading();
    if (show) {
        if (!FHandle)
            CreateHandle();
        for (TControl* c : std::vector<TControl*>(FControls))
            if (auto* w = dynamic_cast<TWinControl*>(c))
                w->UpdateShowing();
    }
    if (FHandle && FShowing != show) {
        FShowing = show;
        // A handler that fails leaves the state as the window still is.
        bool changed = false;
        TScopeExit undo([&] {
            if (!changed)
                FShowing = !show;
        });
        Perform(CM_SHOWINGCHANGED, 0, 0);
        changed = true;
    }
    if (!show)
        for (TControl* c : std::vector<TControl*>(FControls))
            if (auto* w = dynamic_cast<TWinControl*>(c))
                w->UpdateShowing();
}

void TWinControl::UpdateControlState()
{
    const TWinControl* top = this;
    while (top->FParent) {
        top = top->FParent;
        if (!top->Showing())
            return;
    }
    if (top->IsForm() || top->FParentWindow)
        UpdateShowing();
}

void TWinControl::WMSize(TMessage& Message)
{
    DefaultHandler(Message);
    UpdateBounds();
    Realign();
    if (!IsLoading())
        Resize();
}

void TWinControl::WMMove(TMessage& Message)
{
    DefaultHandler(Message);
    UpdateBounds();
}

void TWinControl::WMWindowPosChanged(TMessage& Message)
{
    DefaultHandler(Message);
    UpdateBounds();
}

void TWinControl::WMCommand(TMessage& Message)
{
    if (TWinControl* child = FindControl(reinterpret_cast<HWND>(Message.LParam)); child && child != this) {
        Message.Result = child->Perform(CN_COMMAND, Message.WParam, Message.LParam);
        return;
    }
    DefaultHandler(Message);
}

void TWinControl::WMCtlColor(TMessage& Message)
{
    if (TWinControl* child = FindControl(reinterpret_cast<HWND>(Message.LParam)); child && child != this) {
        Message.Result = child->Perform(CN_BASE + Message.Msg, Message.WParam, Message.LParam);
        return;
    }
    DefaultHandler(Message);
}

void TWinControl::CNCtlColor(TMessage& Message)
{
    HDC dc = reinterpret_cast<HDC>(Message.WParam);
    SetTextColor(dc, ColorToRGB(FFont->Color()));
    SetBkColor(dc, ColorToRGB(FBrush->Color()));
    Message.Result = reinterpret_cast<LRESULT>(FBrush->Handle());
}

void TWinControl::WMSysColorChange(TMessage& Message)
{
    DefaultHandler(Message);
    Perform(CM_SYSCOLORCHANGE, 0, 0);
    // The window system tells top-level windows only: windowed children hear it from their
    // parent, through their own window procedure first.
    for (TControl* c : std::vector<TControl*>(FControls))
        c->Perform(dynamic_cast<TWinControl*>(c) ? WM_SYSCOLORCHANGE : CM_SYSCOLORCHANGE, 0, 0);
}

bool TWinControl::PaletteChanged(bool foreground)
{
    if (!FVisible)
        return false;
    bool changed = false;
    for (auto it = FControls.rbegin(); it != FControls.rend() && !(foreground && changed); ++it)
        changed = (*it)->PaletteChanged(foreground) || changed;
    if (!(foreground && changed))
        changed = TControl::PaletteChanged(foreground) || changed;
    return changed;
}

void TWinControl::WMQueryNewPalette(TMessage& Message)
{
    Message.Result = PaletteChanged(true) ? TRUE : FALSE;
}

void TWinControl::WMPaletteChanged(TMessage& Message)
{
    // The window that realised the palette (ours or one inside) has remapped itself already.
    HWND changer = reinterpret_cast<HWND>(Message.WParam);
    if (changer != FHandle && !IsChild(FHandle, changer))
        PaletteChanged(false);
    Message.Result = 0;
}

void TWinControl::CMShowingChanged(TMessage& Message)
{
    (void)Message;
    SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | (FShowing ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

void TWinControl::CMVisibleChanged(TMessage& Message)
{
    (void)Message;
    UpdateControlState();
}

void TWinControl::CMEnabledChanged(TMessage& Message)
{
    (void)Message;
    if (FHandle)
        EnableWindow(FHandle, FEnabled);
}

void TWinControl::CMColorChanged(TMessage& Message)
{
    (void)Message;
    FBrush->SetColor(FColor);
    for (TControl* c : std::vector<TControl*>(FControls))
        c->Perform(CM_PARENTCOLORCHANGED, 0, 0);
    Invalidate();
}

void TWinControl::CMTextChanged(TMessage& Message)
{
    (void)Message;
    if (FHandle)
        SetWindowTextW(FHandle, FText.c_str());
}

void TWinControl::CMFontChanged(TMessage& Message)
{
    (void)Message;
    if (FHandle)
        SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FFont->Handle()), TRUE);
    for (TControl* c : std::vector<TControl*>(FControls))
        c->Perform(CM_PARENTFONTCHANGED, 0, 0);
    Invalidate();
}

namespace {

// Where the menu key opens a menu: below the caret when the window has it, else at the
// window's client top-left; on the screen.
POINT KeyboardMenuPoint(HWND window)
{
    POINT p{0, 0};
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (GetGUIThreadInfo(GetCurrentThreadId(), &info) && info.hwndCaret == window)
        p = POINT{info.rcCaret.left, info.rcCaret.bottom};
    ::ClientToScreen(window, &p);
    return p;
}

}  // namespace

void TWinControl::WMContextMenu(TMessage& Message)
{
    POINT p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
    TControl* target = this;
    if (p.x == -1 && p.y == -1) {
        // The menu key: the request comes from the focused window, this one or one inside it.
        HWND focus = GetFocus();
        p = KeyboardMenuPoint(focus && (focus == FHandle || IsChild(FHandle, focus)) ? focus : FHandle);
    } else {
        // The frame, the scroll bars and the caption keep the window system's own menus.
        if (SendMessageW(FHandle, WM_NCHITTEST, 0, Message.LParam) != HTCLIENT) {
            DefaultHandler(Message);
            return;
        }
        TControl* child = ControlAtPos(ScreenToClient(p), false);
        if (child && !dynamic_cast<TWinControl*>(child))
            target = child;
    }
    TControl* holder = target->PopupMenu() ? target : FPopupMenu ? this : nullptr;
    if (!holder) {
        DefaultHandler(Message);
        return;
    }
    TPopupMenu* menu = holder->PopupMenu();
    menu->SetPopupComponent(holder);
    Message.Result = 1;
    menu->Popup(p.x, p.y);
}
