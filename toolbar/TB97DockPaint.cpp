// TDock97: painting. The tiled background (anchored at the dock parent's client origin, so
// that several docks and the tool windows on them show one picture), its transparency cache,
// the bound lines of the non-client frame, and the messages that repaint or print them.
#include "TB97.h"

#include "GdiCount.h"

namespace {

// The bottom-left pixel is matched as a palette-relative colour, so that a palette picture
// finds its own entry.
constexpr TColor PaletteRelative = 0x02000000;

// Offset of a window's client origin (or window origin) from its parent's client origin.
POINT OffsetInParentClient(HWND wnd, HWND parent, bool windowOrigin)
{
    POINT p{0, 0};
    if (windowOrigin) {
        RECT r{};
        GetWindowRect(wnd, &r);
        p = POINT{r.left, r.top};
    } else {
        ::ClientToScreen(wnd, &p);
    }
    POINT q{0, 0};
    if (parent)
        ::ClientToScreen(parent, &q);
    return POINT{p.x - q.x, p.y - q.y};
}

void DrawDockNCAreaProc(HWND, HDC DC, LPARAM AppData)
{
    reinterpret_cast<TDock97*>(AppData)->DrawNCArea(true, DC, nullptr);
}

}  // namespace

void DrawLine(HDC DC, int x1, int y1, int x2, int y2)
{
    MoveToEx(DC, x1, y1, nullptr);
    LineTo(DC, x2, y2);
}

HPALETTE TDock97::GetPalette()
{
    return FBackground ? FBackground->Palette() : nullptr;
}

void TDock97::DrawBackground(HDC DC, const RECT& IntersectClip, const RECT* ExcludeClip, const RECT& DrawRect)
{
    TBitmap* picture = FBackground.get();
    if (FBackgroundTransparent) {
        if (!FBackgroundCache) {
            auto cache = std::make_unique<TBitmap>();
            cache->SetPalette(CopyPalette(FBackground->Palette()));
            cache->SetPixelFormat(FBackground->PixelFormat());
            cache->SetSize(FBackground->Width(), FBackground->Height());
            cache->Canvas()->Brush()->SetColor(Color());
            const TColor reference = FBackground->Canvas()->Pixels(0, FBackground->Height() - 1) | PaletteRelative;
            const RECT whole{0, 0, FBackground->Width(), FBackground->Height()};
            cache->Canvas()->BrushCopy(whole, *FBackground, whole, reference);
            FBackgroundCache = std::move(cache);
        }
        picture = FBackgroundCache.get();
    }
    const int saved = SaveDC(DC);
    TScopeExit restore([DC, saved] { RestoreDC(DC, saved); });
    IntersectClipRect(DC, IntersectClip.left, IntersectClip.top, IntersectClip.right, IntersectClip.bottom);
    if (ExcludeClip)
        ExcludeClipRect(DC, ExcludeClip->left, ExcludeClip->top, ExcludeClip->right, ExcludeClip->bottom);
    if (HPALETTE palette = picture->Palette()) {
        SelectPalette(DC, palette, TRUE);
        RealizePalette(DC);
    }
    // The bitmap lives selected in its own memory DC (a bitmap can be in one DC only), so
    // that DC is the source of every tile.
    HDC source = picture->Canvas()->Handle();
    const int w = picture->Width(), h = picture->Height();
    for (int64_t x = DrawRect.left; x < DrawRect.right; x += w)
        for (int64_t y = DrawRect.top; y < DrawRect.bottom; y += h)
            BitBlt(DC, static_cast<int>(x), static_cast<int>(y), w, h, source, 0, 0, SRCCOPY);
}

void TDock97::Paint()
{
    TCustomControl::Paint();
    RECT r = ClientRect();
    TCanvas* canvas = Canvas();
    if (IsDesigning()) {
        canvas->Pen()->SetStyle(psDot);
        canvas->Pen()->SetColor(clBtnShadow);
        canvas->Brush()->SetStyle(bsClear);
        canvas->Rectangle(r);
        canvas->Pen()->SetStyle(psSolid);
        InflateRect(&r, -1, -1);
    }
    if (!UsingBackground())
        return;
    const RECT client = ClientRect();
    const POINT offset = OffsetInParentClient(Handle(), Parent() && Parent()->HandleAllocated() ? Parent()->Handle() : nullptr, false);
    const RECT draw{client.left - offset.x, client.top - offset.y, client.right, client.bottom};
    DrawBackground(canvas->Handle(), r, nullptr, draw);
}

void TDock97::DrawNCArea(bool DrawToDC, HDC DC, HRGN Clip)
{
    HWND wnd = Handle();
    RECT f{}, c{};
    GetFrameAndClientRects(wnd, f, c);
    const RECT e = f;
    HDC dc = DC;
    if (!DrawToDC) {
        dc = CountedGetWindowDC(wnd);
        if (!dc)
            return;
    }
    TScopeExit release([DrawToDC, wnd, dc] {
        if (!DrawToDC)
            CountedReleaseDC(wnd, dc);
    });
    if (!DrawToDC)
        SelectNCUpdateRgn(wnd, dc, Clip);

    if (!FBoundLines.Empty() && (IsDesigning() || HasVisibleToolbars())) {
        HPEN highlight = CountedCreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
        TScopeExit deleteHighlight([highlight] { CountedDeleteObject(highlight); });
        HPEN shadow = CountedCreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
        TScopeExit deleteShadow([shadow] { CountedDeleteObject(shadow); });
        HGDIOBJ oldPen = SelectObject(dc, shadow);
        TScopeExit reselect([dc, oldPen] { SelectObject(dc, oldPen); });
        if (FBoundLines.Contains(blTop)) {
            DrawLine(dc, e.left, e.top, e.right, e.top);
            ++f.top;
        }
        if (FBoundLines.Contains(blLeft)) {
            DrawLine(dc, e.left, e.top, e.left, e.bottom);
            ++f.left;
        }
        SelectObject(dc, highlight);
        if (FBoundLines.Contains(blBottom)) {
            DrawLine(dc, e.left, e.bottom - 1, e.right, e.bottom - 1);
            --f.bottom;
        }
        if (FBoundLines.Contains(blRight)) {
            DrawLine(dc, e.right - 1, e.top, e.right - 1, e.bottom);
            --f.right;
        }
    }
    if (!IsRectEmpty(&c)) {
        if (EqualRect(&c, &f))
            return;
        ExcludeClipRect(dc, c.left, c.top, c.right, c.bottom);
    }
    HBRUSH brush = CountedCreateSolidBrush(ColorToRGB(Color()));
    TScopeExit deleteBrush([brush] { CountedDeleteObject(brush); });
    FillRect(dc, &f, brush);
}

void TDock97::WMMove(TMessage& Message)
{
    inherited::Dispatch(Message);
    if (UsingBackground())
        InvalidateBackgrounds();
}

void TDock97::WMNCPaint(TMessage& Message)
{
    DrawNCArea(false, nullptr, reinterpret_cast<HRGN>(Message.WParam));
}

void TDock97::WMPrint(TMessage& Message)
{
    HandleWMPrint(Handle(), Message, DrawDockNCAreaProc, reinterpret_cast<LPARAM>(this));
}

void TDock97::WMPrintClient(TMessage& Message)
{
    HandleWMPrintClient(this, Message);
}

void TDock97::CMColorChanged(TMessage& Message)
{
    if (UsingBackground())
        BackgroundChanged(this);
    inherited::Dispatch(Message);
}

void TDock97::CMSysColorChange(TMessage& Message)
{
    inherited::Dispatch(Message);
    if (UsingBackground())
        BackgroundChanged(this);
}
