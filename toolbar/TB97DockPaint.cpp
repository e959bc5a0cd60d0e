// TDock97: painting. The tiled background (anchored at the dock parent's client origin, so
// that several docks and the tool windows on them show one picture), its transparency cache,
// the bound lines of the non-client frame, and the messages that repaint or print them.
#include "TB97.h"

#include <algorithm>

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

// Transparency-resolved pictures smaller than this on a side are drawn from a block of whole
// tiles at least this big, so that a long dock takes a few blits instead of one per tile; the
// block is kept within MaxTileBlockPixels.
constexpr int MinTileBlockSide = 512;
constexpr int64_t MaxTileBlockPixels = 512 * 512;

// Tiles across and down in the block for a w x h picture; 1 x 1 means no block.
SIZE TileBlockSize(int w, int h)
{
    const int64_t area = static_cast<int64_t>(w) * h;
    int64_t across = (std::max)(int64_t{1}, (MinTileBlockSide + int64_t{w} - 1) / w);
    int64_t down = (std::max)(int64_t{1}, (MinTileBlockSide + int64_t{h} - 1) / h);
    if (area * across * down > MaxTileBlockPixels)
        across = (std::max)(int64_t{1}, MaxTileBlockPixels / (area * down));
    if (area * across * down > MaxTileBlockPixels)
        down = (std::max)(int64_t{1}, MaxTileBlockPixels / (area * across));
    return SIZE{static_cast<LONG>(across), static_cast<LONG>(down)};
}

// Along one axis: whole tiles of size `tile` laid from `origin` while they start before `end`,
// drawn from blocks of size `block` (a multiple of it) and trimmed to [clipFrom, clipTo).
// Blocks start at First, First + block, ... while below End; each is drawn on [From, To) only.
struct TTileSpan {
    int64_t First, End, From, To;
};

TTileSpan TileSpan(int64_t origin, int64_t end, int tile, int block, int64_t clipFrom, int64_t clipTo)
{
    TTileSpan s{0, 0, 0, 0};
    if (end <= origin)
        return s;
    const int64_t covered = origin + (end - origin + tile - 1) / tile * tile;
    s.From = (std::max)(origin, clipFrom);
    s.To = (std::min)(covered, clipTo);
    if (s.From >= s.To)
        return s;
    s.First = origin + (s.From - origin) / block * block;
    s.End = s.To;
    return s;
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

TBitmap& TDock97::BackgroundPicture()
{
    if (!FBackgroundTransparent)
        return *FBackground;
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
    return *FBackgroundCache;
}

TBitmap& TDock97::BackgroundTiles(TBitmap& picture)
{
    if (FBackgroundTiles)
        return *FBackgroundTiles;
    const int w = picture.Width(), h = picture.Height();
    const SIZE across = TileBlockSize(w, h);
    if (across.cx == 1 && across.cy == 1)
        return picture;
    auto block = std::make_unique<TBitmap>();
    try {
        block->SetPalette(CopyPalette(picture.Palette()));
        block->SetPixelFormat(picture.PixelFormat());
        block->SetSize(across.cx * w, across.cy * h);
    } catch (const Exception&) {
        return picture;  // only a speed-up: without the memory, tile by tile
    }
    // One tile, then the filled part doubled: same format and colour table, so an exact copy.
    HDC dst = block->Canvas()->Handle();
    BitBlt(dst, 0, 0, w, h, picture.Canvas()->Handle(), 0, 0, SRCCOPY);
    for (int done = w; done < block->Width(); done *= 2)
        BitBlt(dst, done, 0, (std::min)(done, block->Width() - done), h, dst, 0, 0, SRCCOPY);
    for (int done = h; done < block->Height(); done *= 2)
        BitBlt(dst, 0, done, block->Width(), (std::min)(done, block->Height() - done), dst, 0, 0, SRCCOPY);
    FBackgroundTiles = std::move(block);
    return *FBackgroundTiles;
}

void TDock97::DrawBackground(HDC DC, const RECT& IntersectClip, const RECT* ExcludeClip, const RECT& DrawRect)
{
    TBitmap& picture = BackgroundPicture();
    // Only the cache is copied into a block: it is as stale as the block until the next change
    // notification anyway, whereas Background itself may be rewritten in place (through its rows,
    // which notify nothing) and must show as it is now.
    TBitmap& tiles = FBackgroundTransparent ? BackgroundTiles(picture) : picture;
    // Clipping to a plain rectangle is done by the blits themselves; only an excluded
    // rectangle or a palette changes the DC, and only then is its state saved.
    const int saved = ExcludeClip || picture.Palette() ? SaveDC(DC) : 0;
    TScopeExit restore([DC, saved] {
        if (saved)
            RestoreDC(DC, saved);
    });
    if (saved) {
        IntersectClipRect(DC, IntersectClip.left, IntersectClip.top, IntersectClip.right, IntersectClip.bottom);
        if (ExcludeClip)
            ExcludeClipRect(DC, ExcludeClip->left, ExcludeClip->top, ExcludeClip->right, ExcludeClip->bottom);
        if (HPALETTE palette = picture.Palette()) {
            SelectPalette(DC, palette, TRUE);
            RealizePalette(DC);
        }
    }
    RECT box{};
    if (GetClipBox(DC, &box) == ERROR)
        box = IntersectClip;
    const TTileSpan across = TileSpan(DrawRect.left, DrawRect.right, picture.Width(), tiles.Width(),
                                      (std::max)(box.left, (std::min)(IntersectClip.left, IntersectClip.right)),
                                      (std::min)(box.right, (std::max)(IntersectClip.left, IntersectClip.right)));
    const TTileSpan down = TileSpan(DrawRect.top, DrawRect.bottom, picture.Height(), tiles.Height(),
                                    (std::max)(box.top, (std::min)(IntersectClip.top, IntersectClip.bottom)),
                                    (std::min)(box.bottom, (std::max)(IntersectClip.top, IntersectClip.bottom)));
    // The bitmap lives selected in its own memory DC (a bitmap can be in one DC only), so
    // that DC is the source of every block.
    HDC source = tiles.Canvas()->Handle();
    for (int64_t x = across.First; x < across.End; x += tiles.Width())
        for (int64_t y = down.First; y < down.End; y += tiles.Height()) {
            const int64_t left = (std::max)(x, across.From), right = (std::min)(x + tiles.Width(), across.To);
            const int64_t top = (std::max)(y, down.From), bottom = (std::min)(y + tiles.Height(), down.To);
            BitBlt(DC, static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
                   static_cast<int>(bottom - top), source, static_cast<int>(left - x), static_cast<int>(top - y), SRCCOPY);
        }
}

RECT TDock97::BackgroundDrawRect(const RECT& client)
{
    const POINT offset = OffsetInParentClient(Handle(), Parent() && Parent()->HandleAllocated() ? Parent()->Handle() : nullptr, false);
    return RECT{client.left - offset.x, client.top - offset.y, client.right, client.bottom};
}

void TDock97::Paint()
{
    TCustomControl::Paint();
    const RECT client = ClientRect();
    RECT r = client;
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
    DrawBackground(canvas->Handle(), r, nullptr, BackgroundDrawRect(client));
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
        // Each line is as thick as the DPI asks: drawn that many times, inwards.
        const int32_t line = FrameMetrics().Line;
        for (int32_t i = 0; i < line; ++i) {
            if (FBoundLines.Contains(blTop)) {
                DrawLine(dc, e.left, e.top + i, e.right, e.top + i);
                ++f.top;
            }
            if (FBoundLines.Contains(blLeft)) {
                DrawLine(dc, e.left + i, e.top, e.left + i, e.bottom);
                ++f.left;
            }
        }
        SelectObject(dc, highlight);
        for (int32_t i = 1; i <= line; ++i) {
            if (FBoundLines.Contains(blBottom)) {
                DrawLine(dc, e.left, e.bottom - i, e.right, e.bottom - i);
                --f.bottom;
            }
            if (FBoundLines.Contains(blRight)) {
                DrawLine(dc, e.right - i, e.top, e.right - i, e.bottom);
                --f.right;
            }
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
