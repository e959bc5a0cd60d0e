// The control base: bounds, visibility, colour and font, text, mouse messages.
#include "Controls.h"

#include <windowsx.h>

#include <algorithm>

#include "ControlsInternal.h"
#include "GdiCount.h"
#include "Menus.h"

using ControlsInternal::CaptureControl;

TControl* ControlsInternal::CaptureControl = nullptr;

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
        .Boolean(L"ScaleWithDpi", &TControl::ScaleWithDpi, &TControl::SetScaleWithDpi, true)
        .Component(L"PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu)
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

void TControl::SetPopupMenu(TPopupMenu* value)
{
    SetReference(FPopupMenu, value);
}

void TControl::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == FPopupMenu)
        FPopupMenu = nullptr;
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
    case WM_LBUTTONDOWN: WMLButtonDown(Message); return;
    case WM_RBUTTONDOWN: WMRButtonDown(Message); return;
    case WM_MBUTTONDOWN: WMMButtonDown(Message); return;
    case WM_LBUTTONDBLCLK: WMLButtonDblClk(Message); return;
    case WM_RBUTTONDBLCLK: WMRButtonDblClk(Message); return;
    case WM_LBUTTONUP: WMLButtonUp(Message); return;
    case WM_RBUTTONUP: WMRButtonUp(Message); return;
    case WM_MBUTTONUP: WMMButtonUp(Message); return;
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
    const TShiftState shift = KeysToShiftState(Message.WParam);
    const int x = GET_X_LPARAM(Message.LParam), y = GET_Y_LPARAM(Message.LParam);
    if (button != mbRight) {
        DefaultHandler(Message);
        MouseUp(button, shift, x, y);
        return;
    }
    // The window system asks for the context menu as it handles the release: the release is
    // ours first, and the menu's command, which may free this control, comes last.
    const TFreeWatch self(this);
    MouseUp(button, shift, x, y);
    if (self.Alive())
        DefaultHandler(Message);
}

void TControl::WMLButtonDblClk(TMessage& Message)
{
    // MouseDown may run a drag or a dock change whose handlers free this control.
    const TFreeWatch self(this);
    DoMouseDown(Message, mbLeft, {ssDouble});
    if (self.Alive() && FControlStyle.Contains(csClickEvents))
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
    const TFreeWatch self(this);  // OnMouseUp may free the control
    DoMouseUp(Message, mbLeft);
    if (clicked && self.Alive() && FControlStyle.Contains(csClickEvents) && PtInRect(&r, p))
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
