#include "Controls.h"

#include <windowsx.h>

#include <algorithm>
#include <map>

#include "ErrorReport.h"
#include "GdiCount.h"

namespace {

const wchar_t* const ControlProp = L"TinteyeControl";

// The control whose window is being created; its first message attaches it to the window.
thread_local TWinControl* CreationControl = nullptr;
// A non-windowed control holding the mouse through its parent's capture.
TControl* CaptureControl = nullptr;

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

// Saves and restores a DC's state around painting into it.
class TSaveDC {
public:
    explicit TSaveDC(HDC dc) : FDC(dc), FIndex(SaveDC(dc)) {}
    ~TSaveDC() { RestoreDC(FDC, FIndex); }
    TSaveDC(const TSaveDC&) = delete;
    TSaveDC& operator=(const TSaveDC&) = delete;

private:
    HDC FDC;
    int FIndex;
};

// Lends a DC to a canvas for the duration of a paint.
class TCanvasHandleLoan {
public:
    TCanvasHandleLoan(TCanvas& canvas, HDC dc) : FCanvas(canvas) { FCanvas.SetHandle(dc); }
    ~TCanvasHandleLoan() { FCanvas.SetHandle(nullptr); }
    TCanvasHandleLoan(const TCanvasHandleLoan&) = delete;
    TCanvasHandleLoan& operator=(const TCanvasHandleLoan&) = delete;

private:
    TCanvas& FCanvas;
};

void MoveWindowOrg(HDC dc, int dx, int dy)
{
    POINT p{};
    GetWindowOrgEx(dc, &p);
    SetWindowOrgEx(dc, p.x - dx, p.y - dy, nullptr);
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

TShiftState KeysToShiftState(WPARAM keys)
{
    TShiftState s;
    if (keys & MK_SHIFT)
        s.Include(ssShift);
    if (keys & MK_CONTROL)
        s.Include(ssCtrl);
    if (keys & MK_LBUTTON)
        s.Include(ssLeft);
    if (keys & MK_RBUTTON)
        s.Include(ssRight);
    if (keys & MK_MBUTTON)
        s.Include(ssMiddle);
    if (GetKeyState(VK_MENU) < 0)
        s.Include(ssAlt);
    return s;
}

namespace {

// The form a windowed control sits on: the top of its parent chain, when that is a form.
TWinControl* ParentForm(const TWinControl* control)
{
    auto* top = const_cast<TWinControl*>(control);
    while (top->Parent())
        top = top->Parent();
    return top->IsForm() ? top : nullptr;
}

}  // namespace

// ---- TControl -------------------------------------------------------------------------------

const TClassInfo& TControl::StaticClassInfo()
{
    static const TClassInfo info = TClassBuilder<TControl>(L"TControl", &TComponent::StaticClassInfo())
        .Integer(L"Left", &TControl::Left, &TControl::SetLeft)
        .Integer(L"Top", &TControl::Top, &TControl::SetTop)
        .Integer(L"Width", &TControl::Width, &TControl::SetWidth)
        .Integer(L"Height", &TControl::Height, &TControl::SetHeight)
        .Enum(L"Align", &TControl::Align, &TControl::SetAlign,
              {L"alNone", L"alTop", L"alBottom", L"alLeft", L"alRight", L"alClient"}, alNone)
        .Boolean(L"Enabled", &TControl::Enabled, &TControl::SetEnabled, true)
        .Boolean(L"Visible", &TControl::Visible, &TControl::SetVisible, true)
        .Nested(L"Font", &TControl::Font)
        .StoredIf([](const TControl& c) { return !c.ParentFont(); })
        .Boolean(L"ParentFont", &TControl::ParentFont, &TControl::SetParentFont, true)
        .Event(L"OnClick", &TControl::OnClick)
        .Event(L"OnDblClick", &TControl::OnDblClick)
        .Event(L"OnMouseDown", &TControl::OnMouseDown)
        .Event(L"OnMouseMove", &TControl::OnMouseMove)
        .Event(L"OnMouseUp", &TControl::OnMouseUp)
        .Event(L"OnResize", &TControl::OnResize)
        .Build();
    return info;
}

TControl::TControl(TComponent* AOwner) : TComponent(AOwner), FFont(std::make_unique<TFont>())
{
    FFont->OnChange = [this](TObject*) { FontChanged(); };
}

TControl::~TControl()
{
    Destroying();
    if (CaptureControl == this)
        CaptureControl = nullptr;
    if (FParent)
        SetParent(nullptr);
}

TComponent* TControl::GetParentComponent() const
{
    return FParent;
}

void TControl::SetParentComponent(TComponent* parent)
{
    if (auto* p = dynamic_cast<TWinControl*>(parent))
        SetParent(p);
}

void TControl::Loaded()
{
    TComponent::Loaded();
    RequestAlign();
}

void TControl::SetParent(TWinControl* AParent)
{
    if (FParent == AParent)
        return;
    if (AParent == this)
        throw EInvalidOperation(L"A control cannot have itself as its parent");
    if (FParent)
        FParent->RemoveControl(this);
    if (AParent)
        AParent->InsertControl(this);
}

void TControl::UpdateBoundsFields(int ALeft, int ATop, int AWidth, int AHeight)
{
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight)
        return;
    const bool resized = AWidth != FWidth || AHeight != FHeight;
    InvalidateControl(FVisible, false);
    UpdateBoundsFields(ALeft, ATop, AWidth, AHeight);
    Invalidate();
    RequestAlign();
    if (resized && !IsLoading())
        Resize();
}

RECT TControl::ClientRect() const
{
    return RECT{0, 0, FWidth, FHeight};
}

int TControl::ClientWidth() const
{
    const RECT r = ClientRect();
    return r.right - r.left;
}

int TControl::ClientHeight() const
{
    const RECT r = ClientRect();
    return r.bottom - r.top;
}

void TControl::SetClientWidth(int value)
{
    SetClientSize(value, ClientHeight());
}

void TControl::SetClientHeight(int value)
{
    SetClientSize(ClientWidth(), value);
}

void TControl::SetClientSize(int width, int height)
{
    const RECT r = ClientRect();
    SetBounds(FLeft, FTop, FWidth - (r.right - r.left) + width, FHeight - (r.bottom - r.top) + height);
}

POINT TControl::ClientOrigin() const
{
    if (!FParent)
        return POINT{FLeft, FTop};
    const POINT p = FParent->ClientOrigin();
    return POINT{p.x + FLeft, p.y + FTop};
}

POINT TControl::ClientToScreen(POINT p) const
{
    const POINT o = ClientOrigin();
    return POINT{p.x + o.x, p.y + o.y};
}

POINT TControl::ScreenToClient(POINT p) const
{
    const POINT o = ClientOrigin();
    return POINT{p.x - o.x, p.y - o.y};
}

void TControl::SetVisible(bool value)
{
    if (FVisible == value)
        return;
    FVisible = value;
    Perform(CM_VISIBLECHANGED, value ? 1 : 0, 0);
    RequestAlign();
}

bool TControl::Showing() const
{
    return FVisible && FParent && FParent->Showing();
}

void TControl::SetEnabled(bool value)
{
    if (FEnabled == value)
        return;
    FEnabled = value;
    Perform(CM_ENABLEDCHANGED, 0, 0);
}

void TControl::SetAlign(TAlign value)
{
    if (FAlign == value)
        return;
    FAlign = value;
    RequestAlign();
}

void TControl::SetColor(TColor value)
{
    if (FColor == value && !FParentColor)
        return;
    FColor = value;
    FParentColor = false;
    Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::SetParentColor(bool value)
{
    if (FParentColor == value)
        return;
    FParentColor = value;
    if (value && FParent) {
        Perform(CM_PARENTCOLORCHANGED, 0, 0);
    }
}

void TControl::SetParentFont(bool value)
{
    if (FParentFont == value)
        return;
    FParentFont = value;
    if (value && FParent)
        Perform(CM_PARENTFONTCHANGED, 0, 0);
}

void TControl::FontChanged()
{
    FParentFont = false;
    Perform(CM_FONTCHANGED, 0, 0);
}

void TControl::SetText(const std::wstring& value)
{
    if (GetText() == value)
        return;
    SetTextValue(value);
    Perform(CM_TEXTCHANGED, 0, 0);
}

void TControl::InvalidateControl(bool isVisible, bool isOpaque)
{
    (void)isOpaque;
    if (!isVisible || !FParent || !FParent->HandleAllocated())
        return;
    const RECT r = BoundsRect();
    InvalidateRect(FParent->Handle(), &r, TRUE);
}

void TControl::Invalidate()
{
    InvalidateControl(FVisible, FControlStyle.Contains(csOpaque));
}

void TControl::Repaint()
{
    Invalidate();
    Update();
}

void TControl::Update()
{
    if (FParent)
        FParent->Update();
}

void TControl::BringToFront()
{
    if (!FParent)
        return;
    auto& list = FParent->FControls;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    list.push_back(this);
    if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated())
        SetWindowPos(w->FHandle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Invalidate();
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam)
{
    TMessage message{msg, wParam, lParam, 0};
    WndProc(message);
    return message.Result;
}

void TControl::WndProc(TMessage& Message)
{
    if (Message.Msg == WM_LBUTTONDBLCLK && !FControlStyle.Contains(csDoubleClicks))
        Message.Msg = WM_LBUTTONDOWN;
    Dispatch(Message);
}

void TControl::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_LBUTTONDOWN: DoMouseDown(Message, mbLeft, {}); return;
    case WM_RBUTTONDOWN: DoMouseDown(Message, mbRight, {}); return;
    case WM_MBUTTONDOWN: DoMouseDown(Message, mbMiddle, {}); return;
    case WM_LBUTTONDBLCLK: WMLButtonDblClk(Message); return;
    case WM_RBUTTONDBLCLK: DoMouseDown(Message, mbRight, {ssDouble}); return;
    case WM_LBUTTONUP: WMLButtonUp(Message); return;
    case WM_RBUTTONUP: DoMouseUp(Message, mbRight); return;
    case WM_MBUTTONUP: DoMouseUp(Message, mbMiddle); return;
    case WM_MOUSEMOVE: WMMouseMove(Message); return;
    case CM_VISIBLECHANGED: CMVisibleChanged(Message); return;
    case CM_COLORCHANGED: CMColorChanged(Message); return;
    case CM_FONTCHANGED: CMFontChanged(Message); return;
    case CM_PARENTFONTCHANGED: CMParentFontChanged(Message); return;
    case CM_PARENTCOLORCHANGED: CMParentColorChanged(Message); return;
    case CM_TEXTCHANGED: CMTextChanged(Message); return;
    default: DefaultHandler(Message);
    }
}

void TControl::DefaultHandler(TMessage& Message)
{
    Message.Result = 0;
}

bool TControl::PaletteChanged(bool foreground)
{
    HPALETTE palette = GetPalette();
    if (!palette || !FParent || !FParent->HandleAllocated())
        return false;
    HWND window = FParent->Handle();
    HDC dc = CountedGetDC(window);
    HPALETTE old = SelectPalette(dc, palette, foreground ? FALSE : TRUE);
    const bool changed = RealizePalette(dc) != 0;
    SelectPalette(dc, old, TRUE);
    CountedReleaseDC(window, dc);
    if (changed)
        Invalidate();
    return changed;
}

void TControl::Click()
{
    if (OnClick)
        OnClick(this);
}

void TControl::DblClick()
{
    if (OnDblClick)
        OnDblClick(this);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (OnMouseDown)
        OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y)
{
    if (OnMouseMove)
        OnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (OnMouseUp)
        OnMouseUp(this, Button, Shift, X, Y);
}

void TControl::Resize()
{
    if (OnResize)
        OnResize(this);
}

void TControl::RequestAlign()
{
    if (FParent)
        FParent->AlignControl(this);
}

namespace {

void CaptureMouse(TControl* control)
{
    if (auto* w = dynamic_cast<TWinControl*>(control)) {
        SetCapture(w->Handle());
    } else if (control->Parent() && control->Parent()->HandleAllocated()) {
        CaptureControl = control;
        SetCapture(control->Parent()->Handle());
    }
}

void ReleaseMouse(TControl* control)
{
    if (CaptureControl == control)
        CaptureControl = nullptr;
    ReleaseCapture();
}

}  // namespace

void TControl::DoMouseDown(TMessage& Message, TMouseButton button, TShiftState extra)
{
    DefaultHandler(Message);
    if (button == mbLeft && FControlStyle.Contains(csCaptureMouse)) {
        CaptureMouse(this);
        FMouseCaptured = true;
    }
    MouseDown(button, KeysToShiftState(Message.WParam) + extra, GET_X_LPARAM(Message.LParam),
              GET_Y_LPARAM(Message.LParam));
}

void TControl::DoMouseUp(TMessage& Message, TMouseButton button)
{
    DefaultHandler(Message);
    MouseUp(button, KeysToShiftState(Message.WParam), GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
}

void TControl::WMLButtonDblClk(TMessage& Message)
{
    DoMouseDown(Message, mbLeft, {ssDouble});
    if (FControlStyle.Contains(csClickEvents))
        DblClick();
}

void TControl::WMLButtonUp(TMessage& Message)
{
    const bool clicked = FMouseCaptured;
    if (FMouseCaptured) {
        FMouseCaptured = false;
        ReleaseMouse(this);
    }
    const POINT p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
    const RECT r = ClientRect();
    DoMouseUp(Message, mbLeft);
    if (clicked && FControlStyle.Contains(csClickEvents) && PtInRect(&r, p))
        Click();
}

void TControl::WMMouseMove(TMessage& Message)
{
    DefaultHandler(Message);
    MouseMove(KeysToShiftState(Message.WParam), GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
}

void TControl::CMVisibleChanged(TMessage& Message)
{
    (void)Message;
    InvalidateControl(true, FControlStyle.Contains(csOpaque));
}

void TControl::CMColorChanged(TMessage& Message)
{
    (void)Message;
    Invalidate();
}

void TControl::CMFontChanged(TMessage& Message)
{
    (void)Message;
    Invalidate();
}

void TControl::CMParentFontChanged(TMessage& Message)
{
    (void)Message;
    if (!FParentFont || !FParent)
        return;
    FFont->Assign(*FParent->Font());
    FParentFont = true;  // the assignment above counts as a change of our own font
}

void TControl::CMParentColorChanged(TMessage& Message)
{
    (void)Message;
    if (!FParentColor || !FParent)
        return;
    SetColor(FParent->Color());
    FParentColor = true;
}

void TControl::CMTextChanged(TMessage& Message)
{
    (void)Message;
    Invalidate();
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
            Message.Result = target->Perform(Message.Msg, Message.WParam,
                                             MAKELPARAM(p.x - target->Left(), p.y - target->Top()));
            return;
        }
    }
    TControl::WndProc(Message);
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
    struct TEnable {
        TWinControl* Self;
        ~TEnable() { --Self->FAlignLevel; }
    } enable{this};
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

namespace {

bool InsertBefore(const TControl* c1, const TControl* c2, TAlign align)
{
    switch (align) {
    case alTop: return c1->Top() < c2->Top();
    case alBottom: return c1->Top() + c1->Height() >= c2->Top() + c2->Height();
    case alLeft: return c1->Left() < c2->Left();
    case alRight: return c1->Left() >= c2->Left();
    default: return false;
    }
}

}  // namespace

void TWinControl::AlignControls(TControl* AControl, RECT& Rect)
{
    for (TAlign align : {alTop, alBottom, alLeft, alRight, alClient}) {
        std::vector<TControl*> list;
        if (AControl && AControl->FParent == this && AControl->Align() == align && AControl->Visible())
            list.push_back(AControl);
        for (TControl* c : FControls) {
            if (c == AControl || c->Align() != align || !c->Visible())
                continue;
            size_t j = 0;
            while (j < list.size() && !InsertBefore(c, list[j], align))
                ++j;
            list.insert(list.begin() + static_cast<std::ptrdiff_t>(j), c);
        }
        for (TControl* c : list) {
            int left = Rect.left, top = Rect.top;
            int width = Rect.right - Rect.left, height = Rect.bottom - Rect.top;
            switch (align) {
            case alTop: height = c->Height(); break;
            case alBottom: height = c->Height(); top = Rect.bottom - height; break;
            case alLeft: width = c->Width(); break;
            case alRight: width = c->Width(); left = Rect.right - width; break;
            default: break;
            }
            c->SetBounds(left, top, width, height);
            // The control may refuse the size (a dock sizes itself): take what it kept.
            switch (align) {
            case alTop: Rect.top += c->Height(); break;
            case alBottom: Rect.bottom -= c->Height(); break;
            case alLeft: Rect.left += c->Width(); break;
            case alRight: Rect.right -= c->Width(); break;
            default: break;
            }
        }
    }
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
        try {
            Perform(CM_SHOWINGCHANGED, 0, 0);
        } catch (...) {
            FShowing = !show;
            throw;
        }
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

void TWinControl::PaintWindow(HDC dc)
{
    TMessage message{WM_PAINT, reinterpret_cast<WPARAM>(dc), 0, 0};
    DefaultHandler(message);
}

void TWinControl::PaintControls(HDC dc, TControl* first)
{
    bool started = first == nullptr;
    for (TControl* c : FControls) {
        if (c == first)
            started = true;
        if (!started || dynamic_cast<TWinControl*>(c) || !c->Visible())
            continue;
        const RECT r = c->BoundsRect();
        if (!RectVisible(dc, &r))
            continue;
        TSaveDC save(dc);
        MoveWindowOrg(dc, c->Left(), c->Top());
        IntersectClipRect(dc, 0, 0, c->Width(), c->Height());
        c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
    }
}

void TWinControl::PaintHandler(TMessage& Message)
{
    HDC dc = reinterpret_cast<HDC>(Message.WParam);
    PAINTSTRUCT ps{};
    if (!dc)
        dc = BeginPaint(FHandle, &ps);
    struct TEndPaint {
        HWND Window;
        PAINTSTRUCT* Ps;
        bool Own;
        ~TEndPaint()
        {
            if (Own)
                EndPaint(Window, Ps);
        }
    } end{FHandle, &ps, Message.WParam == 0};
    {
        TSaveDC save(dc);
        PaintWindow(dc);
    }
    PaintControls(dc, nullptr);
}

void TWinControl::WMPaint(TMessage& Message)
{
    const bool hasGraphicChildren = std::any_of(FControls.begin(), FControls.end(), [](TControl* c) {
        return dynamic_cast<TWinControl*>(c) == nullptr;
    });
    if (FCustomPaint || hasGraphicChildren)
        PaintHandler(Message);
    else
        DefaultHandler(Message);
}

void TWinControl::WMEraseBkgnd(TMessage& Message)
{
    const RECT r = ClientRect();
    FillRect(reinterpret_cast<HDC>(Message.WParam), &r, FBrush->Handle());
    Message.Result = 1;
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

void TWinControl::WMSetFocus(TMessage& Message)
{
    DefaultHandler(Message);
    if (TWinControl* form = ParentForm(this); form && form != this)
        form->FocusControlChanged(this);
}

void TWinControl::WMSysColorChange(TMessage& Message)
{
    DefaultHandler(Message);
    Perform(CM_SYSCOLORCHANGE, 0, 0);
    for (TControl* c : FControls)
        if (!dynamic_cast<TWinControl*>(c))
            c->Perform(CM_SYSCOLORCHANGE, 0, 0);
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

// ---- canvases and painted controls ----------------------------------------------------------

TControlCanvas::~TControlCanvas()
{
    FreeHandle();
}

void TControlCanvas::FreeHandle()
{
    if (!FDC)
        return;
    SetHandle(nullptr);
    CountedReleaseDC(FWindow, FDC);
    FDC = nullptr;
    FWindow = nullptr;
}

void TControlCanvas::CreateHandle()
{
    FreeHandle();
    POINT offset{0, 0};
    if (auto* w = dynamic_cast<TWinControl*>(FControl)) {
        FWindow = w->Handle();
    } else {
        if (!FControl->Parent())
            throw EInvalidOperation(L"Control '" + FControl->Name() + L"' has no parent window");
        FWindow = FControl->Parent()->Handle();
        offset = POINT{FControl->Left(), FControl->Top()};
    }
    FDC = CountedGetDCEx(FWindow, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS);
    if (!FDC)
        throw EOutOfResources(L"Cannot get a device context");
    SetWindowOrgEx(FDC, -offset.x, -offset.y, nullptr);
    if (offset.x || offset.y || !dynamic_cast<TWinControl*>(FControl))
        IntersectClipRect(FDC, 0, 0, FControl->Width(), FControl->Height());
    SetHandle(FDC);
}

const TClassInfo& TCustomControl::StaticClassInfo()
{
    static const TClassInfo info = TClassBuilder<TCustomControl>(L"TCustomControl", &TWinControl::StaticClassInfo()).Build();
    return info;
}

TCustomControl::TCustomControl(TComponent* AOwner)
    : TWinControl(AOwner), FCanvas(std::make_unique<TControlCanvas>(this))
{
    FCustomPaint = true;
}

TCustomControl::~TCustomControl()
{
    Destroying();
    FCanvas->FreeHandle();
    DestroyChildControls();
    DestroyHandle();
}

void TCustomControl::PaintWindow(HDC dc)
{
    FCanvas->FreeHandle();
    TCanvasHandleLoan loan(*FCanvas, dc);
    Paint();
}

const TClassInfo& TGraphicControl::StaticClassInfo()
{
    static const TClassInfo info = TClassBuilder<TGraphicControl>(L"TGraphicControl", &TControl::StaticClassInfo()).Build();
    return info;
}

TGraphicControl::TGraphicControl(TComponent* AOwner)
    : TControl(AOwner), FCanvas(std::make_unique<TControlCanvas>(this))
{
}

TGraphicControl::~TGraphicControl()
{
    FCanvas->FreeHandle();
}

void TGraphicControl::WMPaint(TMessage& Message)
{
    if (!Message.WParam)
        return;
    FCanvas->FreeHandle();
    TCanvasHandleLoan loan(*FCanvas, reinterpret_cast<HDC>(Message.WParam));
    Paint();
}
