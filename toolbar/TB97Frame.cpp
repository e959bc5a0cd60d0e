// TCustomToolWindow97: frame geometry (non-client sizes for both placements), the deferred
// frame repaints, and a plain frame drawing until the real one lands.
#include "TB97.h"

#include <algorithm>

#include "GdiCount.h"

namespace {

TFrameMetrics CurrentFrameMetrics()
{
    TFrameMetrics m;
    m.CXSizeFrame = GetSystemMetrics(SM_CXSIZEFRAME);
    m.CYSizeFrame = GetSystemMetrics(SM_CYSIZEFRAME);
    m.CXFixedFrame = GetSystemMetrics(SM_CXFIXEDFRAME);
    m.CYFixedFrame = GetSystemMetrics(SM_CYFIXEDFRAME);
    m.CYSmCaption = GetSystemMetrics(SM_CYSMCAPTION);
    m.CYCaption = GetSystemMetrics(SM_CYCAPTION);
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)
#endif
    m.NewStyleWindows = !GetVersionExW(&version) || version.dwMajorVersion >= 4;
    return m;
}

POINT ToPoint(TGeomPoint p)
{
    return POINT{p.X, p.Y};
}

}  // namespace

TFrameState TCustomToolWindow97::FrameState() const
{
    TFrameState s;
    s.IsDocked = FIsDocked;
    if (FIsDocked) {
        s.DockAllowDrag = FDockedTo->AllowDrag();
        s.LeftRight = GetDockTypeOf(FDockedTo) == dtLeftRight;
    }
    s.CloseButtonWhenDocked = FCloseButtonWhenDocked;
    s.DragHandleStyle = FDragHandleStyle;
    s.Metrics = CurrentFrameMetrics();
    s.Resizable = FResizable;
    s.ShowCaption = FShowCaption;
    return s;
}

void TCustomToolWindow97::CalculateNonClientSizes(RECT* R)
{
    const TGeomRect window = R ? TGeomRect{R->left, R->top, R->right, R->bottom} : TGeomRect{};
    const TNonClientSizes sizes = ::CalculateNonClientSizes(FrameState(), window);
    FNCAreaWidth = sizes.NCAreaWidth;
    FNCAreaHeight = sizes.NCAreaHeight;
    if (R)
        *R = RECT{sizes.ClientRect.Left, sizes.ClientRect.Top, sizes.ClientRect.Right, sizes.ClientRect.Bottom};
}

RECT TCustomToolWindow97::ClientRect() const
{
    if (HandleAllocated())
        return TCustomControl::ClientRect();
    return RECT{0, 0, std::max(0, Width() - FNCAreaWidth), std::max(0, Height() - FNCAreaHeight)};
}

void TCustomToolWindow97::WMNCCalcSize(TMessage& Message)
{
    Message.Result = 0;
    CalculateNonClientSizes(&reinterpret_cast<NCCALCSIZE_PARAMS*>(Message.LParam)->rgrc[0]);
}

void TCustomToolWindow97::GetDockedNCArea(POINT& TopLeft, POINT& BottomRight, bool LeftRight) const
{
    const TNCArea a = ::GetDockedNCArea(FCloseButtonWhenDocked, FDragHandleStyle, LeftRight);
    TopLeft = ToPoint(a.TopLeft);
    BottomRight = ToPoint(a.BottomRight);
}

void TCustomToolWindow97::AddDockedNCAreaToSize(POINT& Size, bool LeftRight) const
{
    Size = ToPoint(::AddDockedNCAreaToSize(TGeomPoint{Size.x, Size.y}, FCloseButtonWhenDocked, FDragHandleStyle, LeftRight));
}

POINT TCustomToolWindow97::GetFloatingBorderSize() const
{
    return ToPoint(::GetFloatingBorderSize(CurrentFrameMetrics(), FResizable));
}

void TCustomToolWindow97::GetFloatingNCArea(POINT& TopLeft, POINT& BottomRight) const
{
    const TNCArea a = ::GetFloatingNCArea(CurrentFrameMetrics(), FResizable, FShowCaption);
    TopLeft = ToPoint(a.TopLeft);
    BottomRight = ToPoint(a.BottomRight);
}

void TCustomToolWindow97::AddFloatingNCAreaToSize(POINT& Size) const
{
    Size = ToPoint(::AddFloatingNCAreaToSize(TGeomPoint{Size.x, Size.y}, CurrentFrameMetrics(), FResizable, FShowCaption));
}

// ---- deferred repaints ------------------------------------------------------------------------

namespace {

// Removes every queued message of that number for the window; gives the union of their
// low parameter bytes. A quit request found on the way is put back.
uint32_t RemoveQueued(HWND wnd, UINT msg)
{
    uint32_t bits = 0;
    MSG m;
    while (PeekMessageW(&m, wnd, msg, msg, PM_REMOVE | PM_NOYIELD)) {
        if (m.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(m.wParam));
            break;
        }
        bits |= static_cast<uint32_t>(m.lParam & 0xFF);
    }
    return bits;
}

}  // namespace

void TCustomToolWindow97::ValidateDockedNCArea()
{
    if (HandleAllocated())
        RemoveQueued(Handle(), WM_TB97PaintDockedNCArea);
}

TToolWindowNCRedrawWhat TCustomToolWindow97::ValidateFloatingNCArea()
{
    if (!HandleAllocated())
        return {};
    return TToolWindowNCRedrawWhat::FromBits(RemoveQueued(Handle(), WM_TB97PaintFloatingNCArea));
}

void TCustomToolWindow97::InvalidateDockedNCArea()
{
    ValidateDockedNCArea();
    if (HandleAllocated() && IsWindowVisible(Handle()))
        PostMessageW(Handle(), WM_TB97PaintDockedNCArea, 0, 0);
}

void TCustomToolWindow97::InvalidateFloatingNCArea(TToolWindowNCRedrawWhat RedrawWhat)
{
    const TToolWindowNCRedrawWhat pending = ValidateFloatingNCArea();
    if (HandleAllocated() && IsWindowVisible(Handle()))
        PostMessageW(Handle(), WM_TB97PaintFloatingNCArea, 0, static_cast<LPARAM>((RedrawWhat + pending).Bits()));
}

void TCustomToolWindow97::WMTB97PaintDockedNCArea(TMessage&)
{
    ValidateDockedNCArea();
    if (FIsDocked)
        DrawPlainNCArea(nullptr);
}

void TCustomToolWindow97::WMTB97PaintFloatingNCArea(TMessage&)
{
    ValidateFloatingNCArea();
    if (!FIsDocked)
        DrawPlainNCArea(nullptr);
}

void TCustomToolWindow97::WMNCPaint(TMessage& Message)
{
    if (FIsDocked)
        ValidateDockedNCArea();
    else
        ValidateFloatingNCArea();
    DrawPlainNCArea(reinterpret_cast<HRGN>(Message.WParam));
}

void TCustomToolWindow97::CMTextChanged(TMessage& Message)
{
    inherited::Dispatch(Message);
    InvalidateFloatingNCArea(TToolWindowNCRedrawWhat{twrdCaption});
}

// Plain frame: a raised edge, the rest in the tool window's colour (docked) or button face
// (floating), and a caption strip with the caption text.
void TCustomToolWindow97::DrawPlainNCArea(HRGN clip)
{
    if (!HandleAllocated())
        return;
    HWND wnd = Handle();
    HDC dc = CountedGetWindowDC(wnd);
    if (!dc)
        return;
    TScopeExit release([wnd, dc] { CountedReleaseDC(wnd, dc); });
    SelectNCUpdateRgn(wnd, dc, clip);
    RECT r{}, client{};
    GetFrameAndClientRects(wnd, r, client);
    ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
    if (FIsDocked) {
        if (FBorderStyle == bsSingle)
            DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT | BF_ADJUST);
        HBRUSH brush = CountedCreateSolidBrush(ColorToRGB(Color()));
        FillRect(dc, &r, brush);
        CountedDeleteObject(brush);
        return;
    }
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    if (!FShowCaption)
        return;
    const TFrameMetrics m = CurrentFrameMetrics();
    const TGeomRect c = ::GetCaptionRect(m, FResizable, client.right - client.left, true, false);
    RECT caption{c.Left, c.Top, c.Right, c.Bottom};
    FillRect(dc, &caption, GetSysColorBrush(FInactiveCaption ? COLOR_INACTIVECAPTION : COLOR_ACTIVECAPTION));
    const std::wstring text = Caption();
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(FInactiveCaption ? COLOR_INACTIVECAPTIONTEXT : COLOR_CAPTIONTEXT));
    HGDIOBJ font = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    caption.left += 2;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &caption, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    SelectObject(dc, font);
    if (FCloseButton) {
        const TGeomRect b = ::GetCloseButtonRect(m, FResizable, client.right - client.left, true);
        RECT button{b.Left + 1, b.Top + 1, b.Right - 1, b.Bottom - 1};
        DrawFrameControl(dc, &button, DFC_CAPTION, DFCS_CAPTIONCLOSE | (FCloseButtonPressed ? DFCS_PUSHED : 0));
    }
}

void TCustomToolWindow97::Paint()
{
    // The dock's background on docked tool windows comes with the painting of frames.
}
