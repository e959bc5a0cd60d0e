// TCustomToolWindow97: frame geometry (non-client sizes for both placements), the deferred
// frame repaints that coalesce into one posted message, and the drawing of both frames and
// of the client background taken from the dock.
#include "TB97.h"

#include <algorithm>
#include <optional>

#include "GdiCount.h"
#include "TB97Caption.h"
#include "TB97WinSupport.h"

TFrameMetrics SystemFrameMetrics()
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

TFrameState TCustomToolWindow97::FrameState() const
{
    TFrameState s;
    s.IsDocked = FIsDocked;
    if (FIsDocked) {
        s.DockAllowDrag = FDockedTo->AllowDrag();
        s.LeftRight = IsVerticalDockType(GetDockTypeOf(FDockedTo));
    }
    s.CloseButtonWhenDocked = FCloseButtonWhenDocked;
    s.DragHandleStyle = FDragHandleStyle;
    s.Metrics = SystemFrameMetrics();
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
    return ToPoint(::GetFloatingBorderSize(SystemFrameMetrics(), FResizable));
}

void TCustomToolWindow97::GetFloatingNCArea(POINT& TopLeft, POINT& BottomRight) const
{
    const TNCArea a = ::GetFloatingNCArea(SystemFrameMetrics(), FResizable, FShowCaption);
    TopLeft = ToPoint(a.TopLeft);
    BottomRight = ToPoint(a.BottomRight);
}

void TCustomToolWindow97::AddFloatingNCAreaToSize(POINT& Size) const
{
    Size = ToPoint(::AddFloatingNCAreaToSize(TGeomPoint{Size.x, Size.y}, SystemFrameMetrics(), FResizable, FShowCaption));
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
    DrawDockedNCArea(false, nullptr, nullptr);
}

void TCustomToolWindow97::WMTB97PaintFloatingNCArea(TMessage& Message)
{
    DrawFloatingNCArea(false, nullptr, nullptr,
                       TToolWindowNCRedrawWhat::FromBits(static_cast<uint32_t>(Message.LParam & 0xFF)));
}

void TCustomToolWindow97::WMNCPaint(TMessage& Message)
{
    HRGN clip = reinterpret_cast<HRGN>(Message.WParam);
    if (FIsDocked)
        DrawDockedNCArea(false, nullptr, clip);
    else
        DrawFloatingNCArea(false, nullptr, clip, TToolWindowNCRedrawWhat{twrdBorder, twrdCaption, twrdCloseButton});
}

namespace {

void DrawToolWindowNCAreaProc(HWND, HDC DC, LPARAM AppData)
{
    auto* bar = reinterpret_cast<TCustomToolWindow97*>(AppData);
    if (bar->IsDocked())
        bar->DrawDockedNCArea(true, DC, nullptr);
    else
        bar->DrawFloatingNCArea(true, DC, nullptr, TToolWindowNCRedrawWhat{twrdBorder, twrdCaption, twrdCloseButton});
}

}  // namespace

void TCustomToolWindow97::WMPrint(TMessage& Message)
{
    HandleWMPrint(Handle(), Message, DrawToolWindowNCAreaProc, reinterpret_cast<LPARAM>(this));
}

void TCustomToolWindow97::WMPrintClient(TMessage& Message)
{
    HandleWMPrintClient(this, Message);
}

void TCustomToolWindow97::CMTextChanged(TMessage& Message)
{
    inherited::Dispatch(Message);
    InvalidateFloatingNCArea(TToolWindowNCRedrawWhat{twrdCaption});
}

void TCustomToolWindow97::CMColorChanged(TMessage& Message)
{
    InvalidateDockedNCArea();
    inherited::Dispatch(Message);
}

HPALETTE TCustomToolWindow97::GetPalette()
{
    if (FIsDocked && FDockedTo && FDockedTo->UsingBackground())
        return FDockedTo->Background()->Palette();
    return nullptr;
}

bool TCustomToolWindow97::PaletteChanged(bool foreground)
{
    const bool changed = TCustomControl::PaletteChanged(foreground);
    if (changed && !foreground) {
        InvalidateDockedNCArea();
        Invalidate();
    }
    return changed;
}

// ---- drawing ------------------------------------------------------------------------------------

namespace {

// The window's DC for a frame paint: the given one, or the window's own clipped to the update
// region and released with the object.
class TFrameDC {
public:
    TFrameDC(HWND wnd, bool drawToDC, HDC dc, HRGN clip) : FWnd(wnd), FOwn(!drawToDC), FDC(dc)
    {
        if (FOwn) {
            FDC = CountedGetWindowDC(wnd);
            if (FDC)
                SelectNCUpdateRgn(wnd, FDC, clip);
        }
    }
    ~TFrameDC()
    {
        if (FOwn && FDC)
            CountedReleaseDC(FWnd, FDC);
    }
    TFrameDC(const TFrameDC&) = delete;
    TFrameDC& operator=(const TFrameDC&) = delete;
    HDC DC() const { return FDC; }

private:
    HWND FWnd;
    bool FOwn;
    HDC FDC;
};

class TSolidBrush {
public:
    explicit TSolidBrush(COLORREF color) : FBrush(CountedCreateSolidBrush(color)) {}
    ~TSolidBrush() { CountedDeleteObject(FBrush); }
    TSolidBrush(const TSolidBrush&) = delete;
    TSolidBrush& operator=(const TSolidBrush&) = delete;
    HBRUSH Handle() const { return FBrush; }

private:
    HBRUSH FBrush;
};

void DrawRaisedEdge(HDC dc, RECT r, bool fillMiddle)
{
    DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT | (fillMiddle ? BF_MIDDLE : 0));
}

void ExcludeRect(HDC dc, const RECT& r)
{
    ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
}

int CaptionColorIndex(bool gradient, bool inactive)
{
    if (gradient)
        return inactive ? COLOR_GRADIENTINACTIVECAPTION : COLOR_GRADIENTACTIVECAPTION;
    return inactive ? COLOR_INACTIVECAPTION : COLOR_ACTIVECAPTION;
}

TDrawCaptionLookup& DrawCaptionLookupSlot()
{
    static TDrawCaptionLookup lookup;
    return lookup;
}

}  // namespace

TDrawCaptionFunc LookUpDrawCaption()
{
    if (const TDrawCaptionLookup& lookup = DrawCaptionLookupSlot())
        return lookup();
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    if (!user32)
        return nullptr;
    return reinterpret_cast<TDrawCaptionFunc>(reinterpret_cast<void*>(GetProcAddress(user32, "DrawCaption")));
}

TDrawCaptionLookup SetDrawCaptionLookup(TDrawCaptionLookup lookup)
{
    TDrawCaptionLookup previous = std::move(DrawCaptionLookupSlot());
    DrawCaptionLookupSlot() = std::move(lookup);
    return previous;
}

bool UsingGradientCaptions()
{
    BOOL gradient = FALSE;
    return SystemFrameMetrics().NewStyleWindows && SystemParametersInfoW(SPI_GETGRADIENTCAPTIONS, 0, &gradient, 0) &&
           gradient;
}

void TCustomToolWindow97::DrawDockedNCArea(bool DrawToDC, HDC DC, HRGN Clip)
{
    if (!DrawToDC)
        ValidateDockedNCArea();
    if (!FIsDocked || !FDockedTo || !HandleAllocated())
        return;
    HWND wnd = Handle();
    TFrameDC frameDC(wnd, DrawToDC, DC, Clip);
    HDC dc = frameDC.DC();
    if (!dc)
        return;
    RECT r{}, client{};
    GetFrameAndClientRects(wnd, r, client);
    const TDockType type = GetDockTypeOf(FDockedTo);
    TSolidBrush brush(ColorToRGB(Color()));
    const bool background = FDockedTo->UsingBackground() && FDockedTo->BackgroundOnToolbars();

    if (FBorderStyle == bsSingle)
        DrawRaisedEdge(dc, r, false);
    else
        FrameRect(dc, &r, brush.Handle());
    RECT inner = r;
    InflateRect(&inner, -1, -1);
    if (!background)
        FrameRect(dc, &inner, brush.Handle());
    else {
        HWND dockParent = FDockedTo->Parent() && FDockedTo->Parent()->HandleAllocated() ? FDockedTo->Parent()->Handle() : nullptr;
        RECT w{};
        GetWindowRect(wnd, &w);
        POINT anchor{0, 0};
        if (dockParent)
            ::ClientToScreen(dockParent, &anchor);
        const RECT draw{anchor.x - w.left, anchor.y - w.top, r.right, r.bottom};
        FDockedTo->DrawBackground(dc, inner, &client, draw);
    }

    if (!FDockedTo->AllowDrag())
        return;
    TDCStateGuard saved(dc);
    const int32_t extent = Perp(type, TGeomSize{client.right - client.left, client.bottom - client.top}) + 2;
    int32_t end = extent;
    const int32_t size = ::DockedHandleSize(FCloseButtonWhenDocked, FDragHandleStyle);
    if (FDragHandleStyle != dhNone) {
        int32_t pos = ::HandleBarStart(FCloseButtonWhenDocked, FDragHandleStyle) + 2;
        int32_t start = 2;
        if (FCloseButtonWhenDocked) {
            // The bars leave room for the close button: at the far end across the row on a
            // left/right dock, at the near end on a top/bottom one.
            if (IsVerticalDockType(type))
                end = extent - (size - 2);
            else
                start = 2 + (size - 2);
        }
        const COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
        const int bars = FDragHandleStyle == dhDouble ? 2 : 1;
        for (int i = 0; i < bars; ++i, pos += 3) {
            const RECT bar = ToRect(RectOfBounds(OrientedBounds(type, pos, start, 3, end - start)));
            DrawRaisedEdge(dc, bar, true);
            const TGeomPoint corner = OrientedPoint(type, pos, end - 1);
            SetPixelV(dc, corner.X, corner.Y, highlight);
            ExcludeRect(dc, bar);
        }
    }
    if (FCloseButtonWhenDocked) {
        RECT button = ToRect(::GetDockedCloseButtonRect(FCloseButtonWhenDocked, FDragHandleStyle,
                                                        IsVerticalDockType(type), client.right - client.left));
        DrawFrameControl(dc, &button, DFC_CAPTION, DFCS_CAPTIONCLOSE | (FCloseButtonPressed ? DFCS_PUSHED : 0));
        ExcludeRect(dc, button);
    }
    if (!background) {
        const RECT strip = ToRect(RectOfBounds(OrientedBounds(type, 2, 2, size, extent - 2)));
        FillRect(dc, &strip, brush.Handle());
    }
}

void TCustomToolWindow97::DrawFloatingNCArea(bool DrawToDC, HDC DC, HRGN Clip, TToolWindowNCRedrawWhat RedrawWhat)
{
    if (!DrawToDC)
        RedrawWhat = RedrawWhat + ValidateFloatingNCArea();
    if (FIsDocked || !HandleAllocated())
        return;
    HWND wnd = Handle();
    TFrameDC frameDC(wnd, DrawToDC, DC, Clip);
    HDC dc = frameDC.DC();
    if (!dc)
        return;
    const bool gradient = UsingGradientCaptions();
    const TFrameMetrics m = SystemFrameMetrics();
    RECT r{}, client{};
    GetFrameAndClientRects(wnd, r, client);
    const int32_t clientWidth = client.right - client.left;

    if (RedrawWhat.Contains(twrdBorder)) {
        DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
        TDCStateGuard saved(dc);
        POINT tl{}, br{};
        GetFloatingNCArea(tl, br);
        ExcludeClipRect(dc, r.left + tl.x, r.top + tl.y, r.right - br.x, r.bottom - br.y);
        RECT inside = r;
        InflateRect(&inside, -2, -2);
        FillRect(dc, &inside, GetSysColorBrush(COLOR_BTNFACE));
    }
    if (!FShowCaption)
        return;
    const RECT closeRect = ToRect(::GetCloseButtonRect(m, FResizable, clientWidth, true));
    {
        std::optional<TDCStateGuard> buttonClip;
        if (RedrawWhat.Contains(twrdCaption) && RedrawWhat.Contains(twrdCloseButton) && FCloseButton) {
            buttonClip.emplace(dc);
            ExcludeRect(dc, closeRect);
        }
        if (RedrawWhat.Contains(twrdCaption)) {
            RECT caption = ToRect(::GetCaptionRect(m, FResizable, clientWidth, true, FCloseButton));
            TDrawCaptionFunc drawCaption = m.NewStyleWindows ? LookUpDrawCaption() : nullptr;
            if (drawCaption)
                drawCaption(wnd, dc, &caption,
                            DC_TEXT | DC_SMALLCAP | (FInactiveCaption ? 0 : DC_ACTIVE) | (gradient ? DC_GRADIENT : 0));
            else
                DrawOldStyleCaption(dc, caption);
            const RECT strip = ToRect(::GetCaptionRect(m, FResizable, clientWidth, true, false));
            // The separator between caption and client area: one row in button face.
            const RECT separator{strip.left, strip.bottom, strip.right, strip.bottom + 1};
            FillRect(dc, &separator, GetSysColorBrush(COLOR_BTNFACE));
        }
    }
    if (!FCloseButton)
        return;
    if (RedrawWhat.Contains(twrdCloseButton)) {
        RECT button = closeRect;
        InflateRect(&button, -1, -1);
        DrawFrameControl(dc, &button, DFC_CAPTION, DFCS_CAPTIONCLOSE | (FCloseButtonPressed ? DFCS_PUSHED : 0));
    }
    if (RedrawWhat.Contains(twrdCaption)) {
        TSolidBrush ring(GetSysColor(CaptionColorIndex(gradient, FInactiveCaption)));
        FrameRect(dc, &closeRect, ring.Handle());
    }
}

void TCustomToolWindow97::DrawOldStyleCaption(HDC DC, const RECT& R)
{
    RECT r = R;
    TSolidBrush fill(GetSysColor(CaptionColorIndex(false, FInactiveCaption)));
    FillRect(DC, &r, fill.Handle());
    r.left += 1;
    r.right -= 1;
    LOGFONTW lf{};
    lf.lfHeight = -11;
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = ANSI_CHARSET;
    wcscpy_s(lf.lfFaceName, L"MS Sans Serif");
    HFONT font = CountedCreateFontIndirect(&lf);
    TScopeExit deleteFont([font] { CountedDeleteObject(font); });
    HGDIOBJ oldFont = SelectObject(DC, font);
    TScopeExit reselect([DC, oldFont] { SelectObject(DC, oldFont); });
    const std::wstring text = ShortenCaption(Caption(), r.right - r.left, [DC](const std::wstring& s) {
        SIZE size{};
        GetTextExtentPoint32W(DC, s.c_str(), static_cast<int>(s.size()), &size);
        return static_cast<int32_t>(size.cx);
    });
    const COLORREF oldBk = SetBkColor(DC, GetSysColor(CaptionColorIndex(false, FInactiveCaption)));
    const COLORREF oldText = SetTextColor(DC, GetSysColor(FInactiveCaption ? COLOR_INACTIVECAPTIONTEXT : COLOR_CAPTIONTEXT));
    TScopeExit colours([DC, oldBk, oldText] {
        SetBkColor(DC, oldBk);
        SetTextColor(DC, oldText);
    });
    DrawTextW(DC, text.c_str(), static_cast<int>(text.size()), &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

void TCustomToolWindow97::Paint()
{
    TCustomControl::Paint();
    if (!FIsDocked || !FDockedTo || !FDockedTo->UsingBackground() || !FDockedTo->BackgroundOnToolbars())
        return;
    const RECT client = ClientRect();
    POINT origin{0, 0};
    ::ClientToScreen(Handle(), &origin);
    POINT anchor{0, 0};
    if (FDockedTo->Parent() && FDockedTo->Parent()->HandleAllocated())
        ::ClientToScreen(FDockedTo->Parent()->Handle(), &anchor);
    const RECT draw{anchor.x - origin.x, anchor.y - origin.y, client.right, client.bottom};
    FDockedTo->DrawBackground(Canvas()->Handle(), client, nullptr, draw);
}
