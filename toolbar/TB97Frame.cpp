// TCustomToolWindow97: frame geometry (non-client sizes for both placements), the deferred
// frame repaints that coalesce into one posted message, and the drawing of both frames and
// of the client background taken from the dock.
#include "TB97.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "GdiCount.h"
#include "TB97Caption.h"
#include "TB97WinSupport.h"

namespace {

int MetricsCacheUsers = 0;
std::vector<std::pair<int, TFrameMetrics>> CachedMetrics;  // by the DPI asked for

}  // namespace

TFrameMetricsCache::TFrameMetricsCache()
{
    ++MetricsCacheUsers;
}

TFrameMetricsCache::~TFrameMetricsCache()
{
    if (--MetricsCacheUsers == 0)
        CachedMetrics.clear();
}

TFrameMetrics SystemFrameMetrics(int dpi)
{
    if (MetricsCacheUsers > 0)
        for (const auto& [cachedDpi, cached] : CachedMetrics)
            if (cachedDpi == dpi)
                return cached;
    TSystemFrameMetrics m;
    m.CXSizeFrame = SystemMetricsForDpi(SM_CXSIZEFRAME, dpi);
    m.CYSizeFrame = SystemMetricsForDpi(SM_CYSIZEFRAME, dpi);
    m.CXFixedFrame = SystemMetricsForDpi(SM_CXFIXEDFRAME, dpi);
    m.CYFixedFrame = SystemMetricsForDpi(SM_CYFIXEDFRAME, dpi);
    m.CYSmCaption = SystemMetricsForDpi(SM_CYSMCAPTION, dpi);
    m.CYCaption = SystemMetricsForDpi(SM_CYCAPTION, dpi);
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)
#endif
    m.NewStyleWindows = !GetVersionExW(&version) || version.dwMajorVersion >= 4;
    const TFrameMetrics metrics = FrameMetricsForDpi(dpi, m);
    if (MetricsCacheUsers > 0)
        CachedMetrics.emplace_back(dpi, metrics);
    return metrics;
}

TFrameMetrics TCustomToolWindow97::FrameMetrics() const
{
    return SystemFrameMetrics(CurrentDpi());
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
    s.Metrics = FrameMetrics();
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
    const TNCArea a = ::GetDockedNCArea(FCloseButtonWhenDocked, FDragHandleStyle, LeftRight, FrameMetrics());
    TopLeft = ToPoint(a.TopLeft);
    BottomRight = ToPoint(a.BottomRight);
}

void TCustomToolWindow97::AddDockedNCAreaToSize(POINT& Size, bool LeftRight) const
{
    Size = ToPoint(::AddDockedNCAreaToSize(TGeomPoint{Size.x, Size.y}, FCloseButtonWhenDocked, FDragHandleStyle,
                                           LeftRight, FrameMetrics()));
}

POINT TCustomToolWindow97::GetFloatingBorderSize() const
{
    return ToPoint(::GetFloatingBorderSize(FrameMetrics(), FResizable));
}

void TCustomToolWindow97::GetFloatingNCArea(POINT& TopLeft, POINT& BottomRight) const
{
    const TNCArea a = ::GetFloatingNCArea(FrameMetrics(), FResizable, FShowCaption);
    TopLeft = ToPoint(a.TopLeft);
    BottomRight = ToPoint(a.BottomRight);
}

void TCustomToolWindow97::AddFloatingNCAreaToSize(POINT& Size) const
{
    Size = ToPoint(::AddFloatingNCAreaToSize(TGeomPoint{Size.x, Size.y}, FrameMetrics(), FResizable, FShowCaption));
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

// Edges `line` pixels thick: the system's one-pixel edge drawn that many times, inwards.
void DrawRaisedEdge(HDC dc, RECT r, int32_t line, bool fillMiddle)
{
    for (int32_t i = 0; i < line; ++i, InflateRect(&r, -1, -1))
        DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT | (fillMiddle && i == line - 1 ? BF_MIDDLE : 0));
}

// The raised window edge: its outer and its inner edge, each `line` pixels thick.
void DrawWindowEdge(HDC dc, RECT r, int32_t line)
{
    for (const UINT edge : {BDR_RAISEDOUTER, BDR_RAISEDINNER})
        for (int32_t i = 0; i < line; ++i, InflateRect(&r, -1, -1))
            DrawEdge(dc, &r, edge, BF_RECT);
}

void FrameRing(HDC dc, RECT r, int32_t thickness, HBRUSH brush)
{
    for (int32_t i = 0; i < thickness; ++i, InflateRect(&r, -1, -1))
        FrameRect(dc, &r, brush);
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
    const TFrameMetrics m = FrameMetrics();
    const int32_t line = m.Line, border = m.DockedBorder;
    TSolidBrush brush(ColorToRGB(Color()));
    const bool background = FDockedTo->UsingBackground() && FDockedTo->BackgroundOnToolbars();

    // The outer ring is one line, the inner ring the rest of the border.
    if (FBorderStyle == bsSingle)
        DrawRaisedEdge(dc, r, line, false);
    else
        FrameRing(dc, r, line, brush.Handle());
    RECT inner = r;
    InflateRect(&inner, -line, -line);
    if (!background)
        FrameRing(dc, inner, border - line, brush.Handle());
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
    const int32_t extent = Perp(type, TGeomSize{client.right - client.left, client.bottom - client.top}) + border;
    int32_t end = extent;
    const int32_t size = ::DockedHandleSize(FCloseButtonWhenDocked, FDragHandleStyle, m);
    if (FDragHandleStyle != dhNone) {
        int32_t pos = ::HandleBarStart(FCloseButtonWhenDocked, FDragHandleStyle, m) + border;
        int32_t start = border;
        if (FCloseButtonWhenDocked) {
            // The bars leave room for the close button: at the far end across the row on a
            // left/right dock, at the near end on a top/bottom one.
            if (IsVerticalDockType(type))
                end = extent - (size - border);
            else
                start = border + (size - border);
        }
        const COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
        const int bars = FDragHandleStyle == dhDouble ? 2 : 1;
        for (int i = 0; i < bars; ++i, pos += m.GripBar) {
            const RECT bar = ToRect(RectOfBounds(OrientedBounds(type, pos, start, m.GripBar, end - start)));
            DrawRaisedEdge(dc, bar, line, true);
            // The corner at the bar's far end turns highlight, diagonally through a thick edge.
            for (int32_t k = 0; k < line; ++k) {
                const TGeomPoint corner = OrientedPoint(type, pos + k, end - 1 - k);
                SetPixelV(dc, corner.X, corner.Y, highlight);
            }
            ExcludeRect(dc, bar);
        }
    }
    if (FCloseButtonWhenDocked) {
        RECT button = ToRect(::GetDockedCloseButtonRect(FCloseButtonWhenDocked, FDragHandleStyle,
                                                        IsVerticalDockType(type), client.right - client.left, m));
        DrawFrameControl(dc, &button, DFC_CAPTION, DFCS_CAPTIONCLOSE | (FCloseButtonPressed ? DFCS_PUSHED : 0));
        ExcludeRect(dc, button);
    }
    if (!background) {
        const RECT strip = ToRect(RectOfBounds(OrientedBounds(type, border, border, size, extent - border)));
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
    const TFrameMetrics m = FrameMetrics();
    const int32_t line = m.Line;
    RECT r{}, client{};
    GetFrameAndClientRects(wnd, r, client);
    const int32_t clientWidth = client.right - client.left;

    if (RedrawWhat.Contains(twrdBorder)) {
        DrawWindowEdge(dc, r, line);
        TDCStateGuard saved(dc);
        const TNCArea a = ::GetFloatingNCArea(m, FResizable, FShowCaption);
        ExcludeClipRect(dc, r.left + a.TopLeft.X, r.top + a.TopLeft.Y, r.right - a.BottomRight.X,
                        r.bottom - a.BottomRight.Y);
        RECT inside = r;
        InflateRect(&inside, -2 * line, -2 * line);
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
            // The separator between caption and client area: one line in button face.
            const RECT separator{strip.left, strip.bottom, strip.right, strip.bottom + line};
            FillRect(dc, &separator, GetSysColorBrush(COLOR_BTNFACE));
        }
    }
    if (!FCloseButton)
        return;
    if (RedrawWhat.Contains(twrdCloseButton)) {
        RECT button = closeRect;
        InflateRect(&button, -line, -line);
        DrawFrameControl(dc, &button, DFC_CAPTION, DFCS_CAPTIONCLOSE | (FCloseButtonPressed ? DFCS_PUSHED : 0));
    }
    if (RedrawWhat.Contains(twrdCaption)) {
        TSolidBrush ring(GetSysColor(CaptionColorIndex(gradient, FInactiveCaption)));
        FrameRing(dc, closeRect, line, ring.Handle());
    }
}

void TCustomToolWindow97::DrawOldStyleCaption(HDC DC, const RECT& R)
{
    const TFrameMetrics m = FrameMetrics();
    RECT r = R;
    TSolidBrush fill(GetSysColor(CaptionColorIndex(false, FInactiveCaption)));
    FillRect(DC, &r, fill.Handle());
    r.left += m.Line;
    r.right -= m.Line;
    LOGFONTW lf{};
    lf.lfHeight = ScaleValue(-11, m.Dpi, DefaultPixelsPerInch);
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
