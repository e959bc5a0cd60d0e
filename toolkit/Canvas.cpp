#include "Graphics.h"

#include "GdiCount.h"
#include "GraphicsGuards.h"

// ---- TCanvas --------------------------------------------------------------------------------

const TClassInfo& TCanvas::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TCanvas>(L"TCanvas", &TPersistent::StaticClassInfo()).Build();
    return info;
}

TCanvas::TCanvas() : FPen(std::make_unique<TPen>()), FBrush(std::make_unique<TBrush>()), FFont(std::make_unique<TFont>())
{
    FPen->FSelector = this;
    FBrush->FSelector = this;
    FFont->FSelector = this;
}

TCanvas::~TCanvas()
{
    SetHandle(nullptr);
    FPen->FSelector = nullptr;
    FBrush->FSelector = nullptr;
    FFont->FSelector = nullptr;
}

HDC TCanvas::Handle()
{
    if (!FHandle)
        CreateHandle();
    if (!FHandle)
        throw EInvalidOperation(L"Canvas does not allow drawing");
    return FHandle;
}

void TCanvas::SetHandle(HDC value)
{
    if (value == FHandle)
        return;
    if (FHandle)
        Deselect(selPen | selBrush | selFont);
    FHandle = value;
}

void TCanvas::Refresh()
{
    if (FHandle)
        Deselect(selPen | selBrush | selFont);
}

void TCanvas::Changing()
{
    if (OnChanging)
        OnChanging(this);
}

void TCanvas::Changed()
{
    if (OnChange)
        OnChange(this);
}

HDC TCanvas::Required(int what)
{
    HDC dc = Handle();
    Select(what & ~FSelected);
    return dc;
}

void TCanvas::Select(int what)
{
    if (what & selPen) {
        HGDIOBJ old = SelectObject(FHandle, FPen->Handle());
        if (!FOldPen)
            FOldPen = old;
        SetROP2(FHandle, FPen->Rop2());
        FSelected |= selPen;
    }
    if (what & selBrush) {
        HGDIOBJ old = SelectObject(FHandle, FBrush->Handle());
        if (!FOldBrush)
            FOldBrush = old;
        // Hatches vanish when the background equals the brush colour, and a transparent
        // background never shows it anyway.
        const COLORREF rgb = ColorToRGB(FBrush->Color());
        if (FBrush->Style() == bsSolid) {
            SetBkColor(FHandle, rgb);
            SetBkMode(FHandle, OPAQUE);
        } else {
            SetBkColor(FHandle, ~rgb & 0xFFFFFF);
            SetBkMode(FHandle, TRANSPARENT);
        }
        FSelected |= selBrush;
    }
    if (what & selFont) {
        HGDIOBJ old = SelectObject(FHandle, FFont->Handle());
        if (!FOldFont)
            FOldFont = old;
        SetTextColor(FHandle, ColorToRGB(FFont->Color()));
        FSelected |= selFont;
    }
}

void TCanvas::Deselect(int what)
{
    what &= FSelected;
    if (what & selPen) {
        SelectObject(FHandle, FOldPen);
        FOldPen = nullptr;
    }
    if (what & selBrush) {
        SelectObject(FHandle, FOldBrush);
        FOldBrush = nullptr;
    }
    if (what & selFont) {
        SelectObject(FHandle, FOldFont);
        FOldFont = nullptr;
    }
    FSelected &= ~what;
}

void TCanvas::ObjectChanging(TGraphicsObject* object)
{
    if (!FHandle)
        return;
    if (object == FPen.get())
        Deselect(selPen);
    else if (object == FBrush.get())
        Deselect(selBrush);
    else if (object == FFont.get())
        Deselect(selFont);
}

void TCanvas::FillRect(const RECT& rect)
{
    Changing();
    ::FillRect(Required(selBrush), &rect, FBrush->Handle());
    Changed();
}

void TCanvas::FrameRect(const RECT& rect)
{
    Changing();
    ::FrameRect(Required(selBrush), &rect, FBrush->Handle());
    Changed();
}

void TCanvas::Rectangle(int left, int top, int right, int bottom)
{
    Changing();
    ::Rectangle(Required(selPen | selBrush), left, top, right, bottom);
    Changed();
}

void TCanvas::Ellipse(int left, int top, int right, int bottom)
{
    Changing();
    ::Ellipse(Required(selPen | selBrush), left, top, right, bottom);
    Changed();
}

void TCanvas::MoveTo(int x, int y)
{
    MoveToEx(Handle(), x, y, nullptr);
}

void TCanvas::LineTo(int x, int y)
{
    Changing();
    ::LineTo(Required(selPen), x, y);
    Changed();
}

POINT TCanvas::PenPos()
{
    POINT p{};
    GetCurrentPositionEx(Handle(), &p);
    return p;
}

void TCanvas::Polyline(const std::vector<POINT>& points)
{
    if (points.empty())
        return;
    Changing();
    ::Polyline(Required(selPen | selBrush), points.data(), static_cast<int>(points.size()));
    Changed();
}

void TCanvas::Polygon(const std::vector<POINT>& points)
{
    if (points.empty())
        return;
    Changing();
    ::Polygon(Required(selPen | selBrush), points.data(), static_cast<int>(points.size()));
    Changed();
}

TColor TCanvas::Pixels(int x, int y)
{
    const COLORREF c = GetPixel(Handle(), x, y);
    return c == CLR_INVALID ? clNone : static_cast<TColor>(c);
}

void TCanvas::SetPixels(int x, int y, TColor color)
{
    Changing();
    SetPixelV(Handle(), x, y, ColorToRGB(color));
    Changed();
}

void TCanvas::TextOut(int x, int y, const std::wstring& text)
{
    Changing();
    HDC dc = Required(selFont | selBrush);
    ExtTextOutW(dc, x, y, 0, nullptr, text.c_str(), static_cast<UINT>(text.size()), nullptr);
    MoveToEx(dc, x + TextWidth(text), y, nullptr);
    Changed();
}

void TCanvas::TextRect(const RECT& rect, int x, int y, const std::wstring& text)
{
    Changing();
    HDC dc = Required(selFont | selBrush);
    UINT options = ETO_CLIPPED;
    if (FBrush->Style() != bsClear)
        options |= ETO_OPAQUE;
    ExtTextOutW(dc, x, y, options, &rect, text.c_str(), static_cast<UINT>(text.size()), nullptr);
    Changed();
}

SIZE TCanvas::TextExtent(const std::wstring& text)
{
    SIZE size{};
    GetTextExtentPoint32W(Required(selFont), text.c_str(), static_cast<int>(text.size()), &size);
    return size;
}

int TCanvas::TextWidth(const std::wstring& text)
{
    return TextExtent(text).cx;
}

int TCanvas::TextHeight(const std::wstring& text)
{
    return TextExtent(text).cy;
}

void TCanvas::Draw(int x, int y, TBitmap& bitmap)
{
    if (bitmap.Empty())
        return;
    Changing();
    HDC dc = Handle();
    TPaletteSelection palette(dc, bitmap.Palette());
    BitBlt(dc, x, y, bitmap.Width(), bitmap.Height(), bitmap.Canvas()->Handle(), 0, 0, FCopyMode);
    Changed();
}

void TCanvas::StretchDraw(const RECT& rect, TBitmap& bitmap)
{
    if (bitmap.Empty())
        return;
    Changing();
    HDC dc = Handle();
    TPaletteSelection palette(dc, bitmap.Palette());
    const int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, bitmap.Canvas()->Handle(), 0,
               0, bitmap.Width(), bitmap.Height(), FCopyMode);
    SetStretchBltMode(dc, oldMode);
    Changed();
}

void TCanvas::CopyRect(const RECT& dest, TCanvas& source, const RECT& sourceRect)
{
    Changing();
    HDC dc = Handle();
    const int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, source.Handle(),
               sourceRect.left, sourceRect.top, sourceRect.right - sourceRect.left,
               sourceRect.bottom - sourceRect.top, FCopyMode);
    SetStretchBltMode(dc, oldMode);
    Changed();
}

void TCanvas::BrushCopy(const RECT& dest, TBitmap& bitmap, const RECT& source, TColor transparentColor)
{
    const int sw = source.right - source.left, sh = source.bottom - source.top;
    const int dw = dest.right - dest.left, dh = dest.bottom - dest.top;
    if (bitmap.Empty() || sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0)
        return;
    Changing();
    HDC dc = Required(selBrush);
    HDC src = bitmap.Canvas()->Handle();

    // Monochrome mask, white where the bitmap shows the transparent colour: a colour-to-mono
    // blit turns pixels equal to the source's background colour white.
    HBITMAP maskBitmap = CountedCreateBitmap(sw, sh, 1, 1, nullptr);
    if (!maskBitmap)
        throw EOutOfResources(L"Cannot create a mask for the bitmap");
    TGdiObjectGuard maskGuard(maskBitmap);
    TMemoryDC mask(dc, maskBitmap);
    const COLORREF oldSrcBk = SetBkColor(src, ColorToRGB(transparentColor));
    BitBlt(mask.DC(), 0, 0, sw, sh, src, source.left, source.top, SRCCOPY);
    SetBkColor(src, oldSrcBk);

    const int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
    {
        TPaletteSelection palette(dc, bitmap.Palette());
        StretchBlt(dc, dest.left, dest.top, dw, dh, src, source.left, source.top, sw, sh, SRCCOPY);
    }
    // D xor (S and (P xor D)): the brush where the mask is white, the picture elsewhere. A mono
    // source expands to the text colour for 0 and the background colour for 1.
    constexpr DWORD ropDSPDxax = 0x00E20746;
    const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
    const COLORREF oldBk = SetBkColor(dc, RGB(255, 255, 255));
    StretchBlt(dc, dest.left, dest.top, dw, dh, mask.DC(), 0, 0, sw, sh, ropDSPDxax);
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBk);
    SetStretchBltMode(dc, oldMode);
    Changed();
}
