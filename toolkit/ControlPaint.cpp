// Painting: windowed controls with their non-windowed children, control canvases, and the
// custom and graphic controls that paint themselves on one.
#include "Controls.h"

#include <algorithm>

#include "GdiCount.h"
#include "ScopeExit.h"

namespace {

void MoveWindowOrg(HDC dc, int dx, int dy)
{
    POINT p{};
    GetWindowOrgEx(dc, &p);
    SetWindowOrgEx(dc, p.x - dx, p.y - dy, nullptr);
}

}  // namespace

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
        TDCStateGuard save(dc);
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
    TScopeExit endPaint([window = FHandle, &ps, own = Message.WParam == 0] {
        if (own)
            EndPaint(window, &ps);
    });
    {
        TDCStateGuard save(dc);
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
    FCanvas->SetHandle(dc);
    TScopeExit giveBack([this] { FCanvas->SetHandle(nullptr); });
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
    FCanvas->SetHandle(reinterpret_cast<HDC>(Message.WParam));
    TScopeExit giveBack([this] { FCanvas->SetHandle(nullptr); });
    Paint();
}
