#include "Graphics.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "GdiCount.h"
#include "LayoutText.h"

// ---- colours --------------------------------------------------------------------------------

COLORREF ColorToRGB(TColor color)
{
    if (color < 0)
        return GetSysColor(color & 0xFF);
    return static_cast<COLORREF>(color);
}

namespace {

struct TIdentEntry {
    int32_t Value;
    const wchar_t* Name;
};

// Aliases come after the name a value is written with.
constexpr TIdentEntry ColorIdents[] = {
    {clBlack, L"clBlack"}, {clMaroon, L"clMaroon"}, {clGreen, L"clGreen"}, {clOlive, L"clOlive"},
    {clNavy, L"clNavy"}, {clPurple, L"clPurple"}, {clTeal, L"clTeal"}, {clGray, L"clGray"},
    {clSilver, L"clSilver"}, {clRed, L"clRed"}, {clLime, L"clLime"}, {clYellow, L"clYellow"},
    {clBlue, L"clBlue"}, {clFuchsia, L"clFuchsia"}, {clAqua, L"clAqua"}, {clWhite, L"clWhite"},
    {clMoneyGreen, L"clMoneyGreen"}, {clSkyBlue, L"clSkyBlue"}, {clCream, L"clCream"},
    {clMedGray, L"clMedGray"},
    {clScrollBar, L"clScrollBar"}, {clBackground, L"clBackground"}, {clActiveCaption, L"clActiveCaption"},
    {clInactiveCaption, L"clInactiveCaption"}, {clMenu, L"clMenu"}, {clWindow, L"clWindow"},
    {clWindowFrame, L"clWindowFrame"}, {clMenuText, L"clMenuText"}, {clWindowText, L"clWindowText"},
    {clCaptionText, L"clCaptionText"}, {clActiveBorder, L"clActiveBorder"},
    {clInactiveBorder, L"clInactiveBorder"}, {clAppWorkSpace, L"clAppWorkSpace"},
    {clHighlight, L"clHighlight"}, {clHighlightText, L"clHighlightText"}, {clBtnFace, L"clBtnFace"},
    {clBtnShadow, L"clBtnShadow"}, {clGrayText, L"clGrayText"}, {clBtnText, L"clBtnText"},
    {clInactiveCaptionText, L"clInactiveCaptionText"}, {clBtnHighlight, L"clBtnHighlight"},
    {cl3DDkShadow, L"cl3DDkShadow"}, {cl3DLight, L"cl3DLight"}, {clInfoText, L"clInfoText"},
    {clInfoBk, L"clInfoBk"}, {clHotLight, L"clHotLight"},
    {clGradientActiveCaption, L"clGradientActiveCaption"},
    {clGradientInactiveCaption, L"clGradientInactiveCaption"}, {clMenuHighlight, L"clMenuHighlight"},
    {clMenuBar, L"clMenuBar"}, {clNone, L"clNone"}, {clDefault, L"clDefault"},
    {clSilver, L"clLtGray"}, {clGray, L"clDkGray"},
};

constexpr TIdentEntry CharsetIdents[] = {
    {ANSI_CHARSET, L"ANSI_CHARSET"}, {DEFAULT_CHARSET, L"DEFAULT_CHARSET"},
    {SYMBOL_CHARSET, L"SYMBOL_CHARSET"}, {MAC_CHARSET, L"MAC_CHARSET"},
    {SHIFTJIS_CHARSET, L"SHIFTJIS_CHARSET"}, {HANGEUL_CHARSET, L"HANGEUL_CHARSET"},
    {JOHAB_CHARSET, L"JOHAB_CHARSET"}, {GB2312_CHARSET, L"GB2312_CHARSET"},
    {CHINESEBIG5_CHARSET, L"CHINESEBIG5_CHARSET"}, {GREEK_CHARSET, L"GREEK_CHARSET"},
    {TURKISH_CHARSET, L"TURKISH_CHARSET"}, {VIETNAMESE_CHARSET, L"VIETNAMESE_CHARSET"},
    {HEBREW_CHARSET, L"HEBREW_CHARSET"}, {ARABIC_CHARSET, L"ARABIC_CHARSET"},
    {BALTIC_CHARSET, L"BALTIC_CHARSET"}, {RUSSIAN_CHARSET, L"RUSSIAN_CHARSET"},
    {THAI_CHARSET, L"THAI_CHARSET"}, {EASTEUROPE_CHARSET, L"EASTEUROPE_CHARSET"},
    {OEM_CHARSET, L"OEM_CHARSET"},
};

template <size_t N>
bool IdentToValue(const TIdentEntry (&table)[N], const std::wstring& ident, int32_t& value)
{
    for (const TIdentEntry& e : table)
        if (SameText(ident, e.Name)) {
            value = e.Value;
            return true;
        }
    return false;
}

template <size_t N>
bool ValueToIdent(const TIdentEntry (&table)[N], int32_t value, std::wstring& ident)
{
    for (const TIdentEntry& e : table)
        if (e.Value == value) {
            ident = e.Name;
            return true;
        }
    return false;
}

// Deletes a counted GDI object or DC at scope exit.
class TGdiObjectGuard {
public:
    explicit TGdiObjectGuard(HGDIOBJ object) : FObject(object) {}
    ~TGdiObjectGuard()
    {
        if (FObject)
            CountedDeleteObject(FObject);
    }
    TGdiObjectGuard(const TGdiObjectGuard&) = delete;
    TGdiObjectGuard& operator=(const TGdiObjectGuard&) = delete;
    HGDIOBJ Release()
    {
        HGDIOBJ o = FObject;
        FObject = nullptr;
        return o;
    }

private:
    HGDIOBJ FObject;
};

// A memory DC with one object selected for the guard's lifetime.
class TMemoryDC {
public:
    TMemoryDC(HDC compatible, HGDIOBJ selected) : FDC(CountedCreateCompatibleDC(compatible))
    {
        if (!FDC)
            throw EOutOfResources(L"Cannot create a memory device context");
        FOld = selected ? SelectObject(FDC, selected) : nullptr;
    }
    ~TMemoryDC()
    {
        if (FOld)
            SelectObject(FDC, FOld);
        CountedDeleteDC(FDC);
    }
    TMemoryDC(const TMemoryDC&) = delete;
    TMemoryDC& operator=(const TMemoryDC&) = delete;
    HDC DC() const { return FDC; }

private:
    HDC FDC;
    HGDIOBJ FOld;
};

// Restores a DC's palette at scope exit; does nothing without a palette.
class TPaletteSelection {
public:
    TPaletteSelection(HDC dc, HPALETTE palette) : FDC(dc)
    {
        if (palette) {
            FOld = SelectPalette(dc, palette, TRUE);
            RealizePalette(dc);
        }
    }
    ~TPaletteSelection()
    {
        if (FOld)
            SelectPalette(FDC, FOld, TRUE);
    }
    TPaletteSelection(const TPaletteSelection&) = delete;
    TPaletteSelection& operator=(const TPaletteSelection&) = delete;

private:
    HDC FDC;
    HPALETTE FOld = nullptr;
};

}  // namespace

bool IdentToColor(const std::wstring& ident, TColor& color)
{
    return IdentToValue(ColorIdents, ident, color);
}

bool ColorToIdent(TColor color, std::wstring& ident)
{
    return ValueToIdent(ColorIdents, color, ident);
}

bool IdentToCharset(const std::wstring& ident, int32_t& charset)
{
    return IdentToValue(CharsetIdents, ident, charset);
}

bool CharsetToIdent(int32_t charset, std::wstring& ident)
{
    return ValueToIdent(CharsetIdents, charset, ident);
}

HPALETTE CopyPalette(HPALETTE palette)
{
    if (!palette)
        return nullptr;
    WORD count = 0;
    if (GetObjectW(palette, sizeof(count), &count) == 0 || count == 0)
        return nullptr;
    std::vector<uint8_t> buffer(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
    auto* log = reinterpret_cast<LOGPALETTE*>(buffer.data());
    log->palVersion = 0x300;
    log->palNumEntries = count;
    GetPaletteEntries(palette, 0, count, log->palPalEntry);
    return CountedCreatePalette(log);
}

// ---- TGraphicsObject ------------------------------------------------------------------------

const TClassInfo& TGraphicsObject::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TGraphicsObject>(L"TGraphicsObject", &TPersistent::StaticClassInfo()).Build();
    return info;
}

TGraphicsObject::~TGraphicsObject()
{
    if (FSelector)
        FSelector->ObjectChanging(this);
}

void TGraphicsObject::ReleaseHandle()
{
    if (FSelector)
        FSelector->ObjectChanging(this);
    DropHandle();
}

void TGraphicsObject::Changed()
{
    if (FSelector)
        FSelector->ObjectChanging(this);
    DropHandle();
    if (OnChange)
        OnChange(this);
}

// ---- TFont ----------------------------------------------------------------------------------

const TClassInfo& TFont::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TFont>(L"TFont", &TGraphicsObject::StaticClassInfo())
            .Integer(L"Charset", &TFont::Charset, &TFont::SetCharset, int32_t{DEFAULT_CHARSET})
            .Idents(IdentToCharset, CharsetToIdent)
            .Integer(L"Color", &TFont::Color, &TFont::SetColor, clWindowText)
            .Idents(IdentToColor, ColorToIdent)
            .Integer(L"Height", &TFont::Height, &TFont::SetHeight, DefaultHeight)
            .String(L"Name", &TFont::Name, &TFont::SetName)
            .StoredIf([](const TFont& f) { return f.FName != DefaultName; })
            .Set(L"Style", &TFont::Style, &TFont::SetStyle, {L"fsBold", L"fsItalic", L"fsUnderline", L"fsStrikeOut"},
                 TFontStyles{})
            .Build();
    return info;
}

TFont::~TFont()
{
    ReleaseHandle();
}

void TFont::SetName(const std::wstring& value)
{
    if (value.empty() || value == FName)
        return;
    FName = value;
    Changed();
}

void TFont::SetHeight(int value)
{
    if (value == FHeight)
        return;
    FHeight = value;
    Changed();
}

int TFont::Size() const
{
    return -MulDiv(FHeight, 72, FPixelsPerInch);
}

void TFont::SetSize(int value)
{
    SetHeight(-MulDiv(value, FPixelsPerInch, 72));
}

void TFont::SetPixelsPerInch(int value)
{
    if (value > 0)
        FPixelsPerInch = value;
}

void TFont::SetColor(TColor value)
{
    if (value == FColor)
        return;
    FColor = value;
    Changed();
}

void TFont::SetCharset(uint8_t value)
{
    if (value == FCharset)
        return;
    FCharset = value;
    Changed();
}

void TFont::SetStyle(TFontStyles value)
{
    if (value == FStyle)
        return;
    FStyle = value;
    Changed();
}

HFONT TFont::Handle()
{
    if (!FHandle) {
        LOGFONTW lf{};
        lf.lfHeight = FHeight;
        lf.lfWeight = FStyle.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = FStyle.Contains(fsItalic);
        lf.lfUnderline = FStyle.Contains(fsUnderline);
        lf.lfStrikeOut = FStyle.Contains(fsStrikeOut);
        lf.lfCharSet = FCharset;
        lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
        lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
        lf.lfQuality = DEFAULT_QUALITY;
        lf.lfPitchAndFamily = DEFAULT_PITCH;
        FName.copy(lf.lfFaceName, LF_FACESIZE - 1);
        FHandle = CountedCreateFontIndirect(&lf);
        if (!FHandle)
            throw EOutOfResources(L"Cannot create the font \"" + FName + L"\"");
    }
    return FHandle;
}

void TFont::DropHandle()
{
    if (FHandle) {
        CountedDeleteObject(FHandle);
        FHandle = nullptr;
    }
}

void TFont::Assign(const TPersistent& source)
{
    const auto* f = dynamic_cast<const TFont*>(&source);
    if (!f) {
        inherited::Assign(source);
        return;
    }
    if (f->FName == FName && f->FHeight == FHeight && f->FColor == FColor && f->FCharset == FCharset &&
        f->FStyle == FStyle && f->FPixelsPerInch == FPixelsPerInch)
        return;
    FName = f->FName;
    FHeight = f->FHeight;
    FPixelsPerInch = f->FPixelsPerInch;
    FColor = f->FColor;
    FCharset = f->FCharset;
    FStyle = f->FStyle;
    Changed();
}

// ---- TPen -----------------------------------------------------------------------------------

const TClassInfo& TPen::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TPen>(L"TPen", &TGraphicsObject::StaticClassInfo())
            .Integer(L"Color", &TPen::Color, &TPen::SetColor, clBlack)
            .Idents(IdentToColor, ColorToIdent)
            .Enum(L"Mode", &TPen::Mode, &TPen::SetMode,
                  {L"pmBlack", L"pmWhite", L"pmNop", L"pmNot", L"pmCopy", L"pmNotCopy", L"pmMergePenNot",
                   L"pmMaskPenNot", L"pmMergeNotPen", L"pmMaskNotPen", L"pmMerge", L"pmNotMerge", L"pmMask",
                   L"pmNotMask", L"pmXor", L"pmNotXor"},
                  pmCopy)
            .Enum(L"Style", &TPen::Style, &TPen::SetStyle,
                  {L"psSolid", L"psDash", L"psDot", L"psDashDot", L"psDashDotDot", L"psClear", L"psInsideFrame"},
                  psSolid)
            .Integer(L"Width", &TPen::Width, &TPen::SetWidth, 1)
            .Build();
    return info;
}

TPen::~TPen()
{
    ReleaseHandle();
}

void TPen::SetColor(TColor value)
{
    if (value == FColor)
        return;
    FColor = value;
    Changed();
}

void TPen::SetWidth(int value)
{
    if (value < 0 || value == FWidth)
        return;
    FWidth = value;
    Changed();
}

void TPen::SetStyle(TPenStyle value)
{
    if (value == FStyle)
        return;
    FStyle = value;
    Changed();
}

void TPen::SetMode(TPenMode value)
{
    if (value == FMode)
        return;
    FMode = value;
    Changed();
}

int TPen::Rop2() const
{
    static constexpr int codes[] = {R2_BLACK,       R2_WHITE,       R2_NOP,        R2_NOT,
                                    R2_COPYPEN,     R2_NOTCOPYPEN,  R2_MERGEPENNOT, R2_MASKPENNOT,
                                    R2_MERGENOTPEN, R2_MASKNOTPEN,  R2_MERGEPEN,   R2_NOTMERGEPEN,
                                    R2_MASKPEN,     R2_NOTMASKPEN,  R2_XORPEN,     R2_NOTXORPEN};
    return codes[FMode];
}

HPEN TPen::Handle()
{
    if (!FHandle) {
        static constexpr UINT styles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
        LOGPEN lp{};
        lp.lopnStyle = styles[FStyle];
        lp.lopnWidth.x = FWidth;
        lp.lopnColor = ColorToRGB(FColor);
        FHandle = CountedCreatePenIndirect(&lp);
        if (!FHandle)
            throw EOutOfResources(L"Cannot create a pen");
    }
    return FHandle;
}

void TPen::DropHandle()
{
    if (FHandle) {
        CountedDeleteObject(FHandle);
        FHandle = nullptr;
    }
}

void TPen::Assign(const TPersistent& source)
{
    const auto* p = dynamic_cast<const TPen*>(&source);
    if (!p) {
        inherited::Assign(source);
        return;
    }
    if (p->FColor == FColor && p->FWidth == FWidth && p->FStyle == FStyle && p->FMode == FMode)
        return;
    FColor = p->FColor;
    FWidth = p->FWidth;
    FStyle = p->FStyle;
    FMode = p->FMode;
    Changed();
}

// ---- TBrush ---------------------------------------------------------------------------------

const TClassInfo& TBrush::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TBrush>(L"TBrush", &TGraphicsObject::StaticClassInfo())
            .Integer(L"Color", &TBrush::Color, &TBrush::SetColor, clWhite)
            .Idents(IdentToColor, ColorToIdent)
            .Enum(L"Style", &TBrush::Style, &TBrush::SetStyle,
                  {L"bsSolid", L"bsClear", L"bsHorizontal", L"bsVertical", L"bsFDiagonal", L"bsBDiagonal",
                   L"bsCross", L"bsDiagCross"},
                  bsSolid)
            .Build();
    return info;
}

TBrush::~TBrush()
{
    ReleaseHandle();
}

void TBrush::SetColor(TColor value)
{
    if (value == FColor && FStyle != bsClear)
        return;
    FColor = value;
    if (FStyle == bsClear)
        FStyle = bsSolid;
    Changed();
}

void TBrush::SetStyle(TBrushStyle value)
{
    if (value == FStyle)
        return;
    FStyle = value;
    Changed();
}

void TBrush::SetBitmap(TBitmap* value)
{
    if (value == FBitmap)
        return;
    FBitmap = value;
    Changed();
}

HBRUSH TBrush::Handle()
{
    if (!FHandle) {
        if (FBitmap && !FBitmap->Empty()) {
            FHandle = CountedCreatePatternBrush(FBitmap->Handle());
        } else {
            static constexpr LONG hatches[] = {0, 0, HS_HORIZONTAL, HS_VERTICAL, HS_FDIAGONAL, HS_BDIAGONAL,
                                               HS_CROSS, HS_DIAGCROSS};
            LOGBRUSH lb{};
            lb.lbStyle = FStyle == bsSolid ? BS_SOLID : FStyle == bsClear ? BS_NULL : BS_HATCHED;
            lb.lbColor = ColorToRGB(FColor);
            lb.lbHatch = static_cast<ULONG_PTR>(hatches[FStyle]);
            FHandle = CountedCreateBrushIndirect(&lb);
        }
        if (!FHandle)
            throw EOutOfResources(L"Cannot create a brush");
    }
    return FHandle;
}

void TBrush::DropHandle()
{
    if (FHandle) {
        CountedDeleteObject(FHandle);
        FHandle = nullptr;
    }
}

void TBrush::Assign(const TPersistent& source)
{
    const auto* b = dynamic_cast<const TBrush*>(&source);
    if (!b) {
        inherited::Assign(source);
        return;
    }
    if (b->FColor == FColor && b->FStyle == FStyle && b->FBitmap == FBitmap)
        return;
    FColor = b->FColor;
    FStyle = b->FStyle;
    FBitmap = b->FBitmap;
    Changed();
}

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

// ---- TBitmap --------------------------------------------------------------------------------

// The bitmap's own memory DC. It stays for the bitmap's lifetime; a new image is swapped in.
class TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(TBitmap& bitmap) : FBitmap(bitmap) {}
    ~TBitmapCanvas() override
    {
        if (!HandleAllocated())
            return;
        HDC dc = Handle();
        Detach();
        SetHandle(nullptr);
        CountedDeleteDC(dc);
    }

    // Takes the image and palette out of the DC, so that they can be deleted.
    void Detach()
    {
        if (!HandleAllocated())
            return;
        HDC dc = Handle();
        if (FOldBitmap) {
            SelectObject(dc, FOldBitmap);
            FOldBitmap = nullptr;
        }
        if (FOldPalette) {
            SelectPalette(dc, FOldPalette, TRUE);
            FOldPalette = nullptr;
        }
    }
    // Puts the bitmap's current image and palette into the DC.
    void Attach()
    {
        if (!HandleAllocated())
            return;
        HDC dc = Handle();
        if (FBitmap.FHandle)
            FOldBitmap = SelectObject(dc, FBitmap.FHandle);
        if (FBitmap.FPalette) {
            FOldPalette = SelectPalette(dc, FBitmap.FPalette, TRUE);
            RealizePalette(dc);
        }
    }

protected:
    void CreateHandle() override
    {
        HDC dc = CountedCreateCompatibleDC(nullptr);
        if (!dc)
            throw EOutOfResources(L"Cannot create a memory device context for the bitmap");
        SetHandle(dc);
        Attach();
    }
    void Changed() override
    {
        TCanvas::Changed();
        FBitmap.CanvasChanged();
    }

private:
    TBitmap& FBitmap;
    HGDIOBJ FOldBitmap = nullptr;
    HPALETTE FOldPalette = nullptr;
};

const TClassInfo& TBitmap::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TBitmap>(L"TBitmap", &TGraphicsObject::StaticClassInfo()).Build();
    return info;
}

TBitmap::TBitmap() = default;

TBitmap::~TBitmap()
{
    FCanvas.reset();  // lets go of image and palette first
    if (FHandle)
        CountedDeleteObject(FHandle);
    if (FPalette)
        CountedDeleteObject(FPalette);
}

void TBitmap::SetWidth(int value)
{
    if (value != FWidth)
        ChangeImage(value, FHeight, FPixelFormat);
}

void TBitmap::SetHeight(int value)
{
    if (value != FHeight)
        ChangeImage(FWidth, value, FPixelFormat);
}

void TBitmap::SetSize(int width, int height)
{
    if (width != FWidth || height != FHeight)
        ChangeImage(width, height, FPixelFormat);
}

void TBitmap::SetPixelFormat(TPixelFormat value)
{
    if (value != FPixelFormat)
        ChangeImage(FWidth, FHeight, value);
}

namespace {

int BitsPerPixel(TPixelFormat format)
{
    static constexpr int bits[] = {0, 1, 4, 8, 16, 16, 24, 32};
    return bits[format];
}

std::wstring SizeText(int width, int height)
{
    return std::to_wstring(width) + L" \u00D7 " + std::to_wstring(height);
}

// Colour table of a palettised DIB: the palette's entries when there is one, else black and
// white, the 16 VGA colours, or a 6 x 6 x 6 colour cube followed by a grey ramp.
std::vector<RGBQUAD> ColorTable(int bitsPerPixel, HPALETTE palette)
{
    const size_t count = size_t{1} << bitsPerPixel;
    std::vector<RGBQUAD> table(count, RGBQUAD{0, 0, 0, 0});
    if (palette) {
        std::vector<PALETTEENTRY> entries(count);
        const UINT got = GetPaletteEntries(palette, 0, static_cast<UINT>(count), entries.data());
        for (UINT i = 0; i < got; ++i)
            table[i] = RGBQUAD{entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
        return table;
    }
    auto rgb = [](int r, int g, int b) {
        return RGBQUAD{static_cast<BYTE>(b), static_cast<BYTE>(g), static_cast<BYTE>(r), 0};
    };
    if (bitsPerPixel == 1) {
        table[1] = rgb(255, 255, 255);
    } else if (bitsPerPixel == 4) {
        static constexpr COLORREF vga[16] = {
            0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0x808080,
            0xC0C0C0, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
        for (int i = 0; i < 16; ++i)
            table[i] = rgb(GetRValue(vga[i]), GetGValue(vga[i]), GetBValue(vga[i]));
    } else {
        size_t i = 0;
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    table[i++] = rgb(r * 51, g * 51, b * 51);
        for (int k = 0; i < count; ++i, ++k) {
            const int v = (k + 1) * 255 / 40;  // ends at white, the last entry
            table[i] = rgb(v, v, v);
        }
    }
    return table;
}

}  // namespace

TBitmap::TImage TBitmap::MakeImage(int width, int height, TPixelFormat format) const
{
    TImage image;
    if (width == 0 || height == 0)
        return image;
    const std::wstring failure = L"Not enough memory for a " + SizeText(width, height) + L" bitmap";
    if (format == pfDevice) {
        HDC screen = GetDC(nullptr);
        image.Handle = CountedCreateCompatibleBitmap(screen, width, height);
        ReleaseDC(nullptr, screen);
        if (!image.Handle)
            throw EOutOfResources(failure);
        return image;
    }
    const int bpp = BitsPerPixel(format);
    const int64_t stride = (static_cast<int64_t>(width) * bpp + 31) / 32 * 4;
    if (stride * height > 0x7FFFFFFF)
        throw EOutOfResources(failure);

    std::vector<uint8_t> buffer(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    auto* info = reinterpret_cast<BITMAPINFO*>(buffer.data());
    BITMAPINFOHEADER& h = info->bmiHeader;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = width;
    h.biHeight = -height;  // top-down: row 0 first in memory
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(bpp);
    h.biCompression = BI_RGB;
    if (bpp <= 8) {
        const std::vector<RGBQUAD> table = ColorTable(bpp, FPalette);
        std::memcpy(info->bmiColors, table.data(), table.size() * sizeof(RGBQUAD));
        h.biClrUsed = static_cast<DWORD>(table.size());
    } else if (format == pf16bit) {
        h.biCompression = BI_BITFIELDS;
        auto* masks = reinterpret_cast<DWORD*>(info->bmiColors);
        masks[0] = 0xF800, masks[1] = 0x07E0, masks[2] = 0x001F;
    }
    image.Handle = CountedCreateDIBSection(nullptr, info, DIB_RGB_COLORS, &image.Bits, nullptr, 0);
    if (!image.Handle || !image.Bits) {
        if (image.Handle)
            CountedDeleteObject(image.Handle);
        throw EOutOfResources(failure);
    }
    image.Stride = static_cast<int>(stride);
    return image;
}

// Fills target white and draws the current picture into its top-left corner. The current
// image must not be selected into any DC.
void TBitmap::CopyPicture(HBITMAP target, int width, int height) const
{
    TMemoryDC dst(nullptr, target);
    // A brush, not WHITENESS: with a colour table, "all bits set" need not be white.
    const RECT all{0, 0, width, height};
    ::FillRect(dst.DC(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    if (!FHandle)
        return;
    TMemoryDC src(nullptr, FHandle);
    TPaletteSelection srcPalette(src.DC(), FPalette);
    TPaletteSelection dstPalette(dst.DC(), FPalette);
    BitBlt(dst.DC(), 0, 0, (std::min)(width, FWidth), (std::min)(height, FHeight), src.DC(), 0, 0, SRCCOPY);
}

void TBitmap::ChangeImage(int width, int height, TPixelFormat format)
{
    if (width < 0 || height < 0)
        throw EInvalidOperation(L"Invalid bitmap size " + SizeText(width, height));
    TImage image = MakeImage(width, height, format);
    TGdiObjectGuard guard(image.Handle);
    if (FCanvas)
        FCanvas->Detach();
    if (image.Handle) {
        try {
            CopyPicture(image.Handle, width, height);
        } catch (...) {
            if (FCanvas)
                FCanvas->Attach();
            throw;
        }
    }
    guard.Release();
    if (FHandle)
        CountedDeleteObject(FHandle);
    FHandle = image.Handle;
    FBits = image.Bits;
    FStride = image.Stride;
    FWidth = width;
    FHeight = height;
    FPixelFormat = format;
    if (FCanvas)
        FCanvas->Attach();
    Changed();
}

void* TBitmap::ScanLine(int row)
{
    if (!FBits) {
        if (FPixelFormat == pfDevice && FHandle)
            throw EInvalidOperation(L"ScanLine: a device-dependent bitmap (pfDevice) has no row access");
        throw EInvalidOperation(L"ScanLine: the bitmap is empty");
    }
    if (row < 0 || row >= FHeight)
        throw EInvalidOperation(L"ScanLine: row " + std::to_wstring(row) + L" is outside the bitmap's rows 0.." +
                                std::to_wstring(FHeight - 1));
    return static_cast<uint8_t*>(FBits) + static_cast<ptrdiff_t>(row) * FStride;
}

void TBitmap::SetPalette(HPALETTE value)
{
    if (value == FPalette)
        return;
    if (FCanvas)
        FCanvas->Detach();
    if (FPalette)
        CountedDeleteObject(FPalette);
    FPalette = value;
    // A palettised DIB takes the palette's colours as its colour table.
    const int bpp = BitsPerPixel(FPixelFormat);
    if (FPalette && FHandle && bpp > 0 && bpp <= 8) {
        const std::vector<RGBQUAD> table = ColorTable(bpp, FPalette);
        TMemoryDC dc(nullptr, FHandle);
        SetDIBColorTable(dc.DC(), 0, static_cast<UINT>(table.size()), table.data());
    }
    if (FCanvas)
        FCanvas->Attach();
    Changed();
}

TCanvas* TBitmap::Canvas()
{
    if (!FCanvas)
        FCanvas = std::make_unique<TBitmapCanvas>(*this);
    return FCanvas.get();
}

void TBitmap::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TBitmap*>(&source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    if (other == this)
        return;
    // The palette comes first: a palettised image takes its colour table from it.
    HPALETTE palette = CopyPalette(other->FPalette);
    TGdiObjectGuard paletteGuard(palette);
    HPALETTE oldPalette = FPalette;
    FPalette = palette;
    TImage image;
    try {
        image = MakeImage(other->FWidth, other->FHeight, other->FPixelFormat);
    } catch (...) {
        FPalette = oldPalette;
        throw;
    }
    FPalette = oldPalette;
    TGdiObjectGuard imageGuard(image.Handle);
    if (image.Bits && other->FBits) {
        std::memcpy(image.Bits, other->FBits, static_cast<size_t>(image.Stride) * other->FHeight);
    } else if (image.Handle) {
        // A device-dependent picture: blit it from the other bitmap's DC.
        auto& from = const_cast<TBitmap&>(*other);
        TMemoryDC dst(nullptr, image.Handle);
        BitBlt(dst.DC(), 0, 0, other->FWidth, other->FHeight, from.Canvas()->Handle(), 0, 0, SRCCOPY);
    }
    if (FCanvas)
        FCanvas->Detach();
    if (FHandle)
        CountedDeleteObject(FHandle);
    if (FPalette)
        CountedDeleteObject(FPalette);
    FHandle = static_cast<HBITMAP>(imageGuard.Release());
    FPalette = static_cast<HPALETTE>(paletteGuard.Release());
    FBits = image.Bits;
    FStride = image.Stride;
    FWidth = other->FWidth;
    FHeight = other->FHeight;
    FPixelFormat = other->FPixelFormat;
    if (FCanvas)
        FCanvas->Attach();
    Changed();
}

// ---- BMP files ------------------------------------------------------------------------------

namespace {

template <class T>
void Put(std::vector<uint8_t>& out, const T& value)
{
    const auto* p = reinterpret_cast<const uint8_t*>(&value);
    out.insert(out.end(), p, p + sizeof(T));
}

TPixelFormat FormatOfBits(int bits, DWORD compression, const DWORD* masks)
{
    switch (bits) {
    case 1: return pf1bit;
    case 4: return pf4bit;
    case 8: return pf8bit;
    case 24: return pf24bit;
    case 16:
        if (compression == BI_RGB || (masks[0] == 0x7C00 && masks[1] == 0x03E0 && masks[2] == 0x001F))
            return pf15bit;
        if (masks[0] == 0xF800 && masks[1] == 0x07E0 && masks[2] == 0x001F)
            return pf16bit;
        break;
    case 32:
        if (compression == BI_RGB || (masks[0] == 0xFF0000 && masks[1] == 0x00FF00 && masks[2] == 0x0000FF))
            return pf32bit;
        break;
    }
    throw EInvalidGraphic(L"Unsupported bitmap format (" + std::to_wstring(bits) + L" bits per pixel)");
}

}  // namespace

std::vector<uint8_t> TBitmap::SaveToBytes()
{
    std::vector<uint8_t> out;
    if (Empty())
        return out;
    const bool device = FPixelFormat == pfDevice;
    const int bpp = device ? 32 : BitsPerPixel(FPixelFormat);
    const int stride = device ? FWidth * 4 : FStride;
    std::vector<RGBQUAD> table;
    if (bpp <= 8) {
        table.resize(size_t{1} << bpp);
        // The image can be selected into one DC only: its canvas's, when that exists.
        if (FCanvas && FCanvas->HandleAllocated()) {
            GetDIBColorTable(FCanvas->Handle(), 0, static_cast<UINT>(table.size()), table.data());
        } else {
            TMemoryDC dc(nullptr, FHandle);
            GetDIBColorTable(dc.DC(), 0, static_cast<UINT>(table.size()), table.data());
        }
    }
    const DWORD extra = FPixelFormat == pf16bit ? 12 : static_cast<DWORD>(table.size() * sizeof(RGBQUAD));
    const DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + extra;
    const DWORD imageSize = static_cast<DWORD>(stride) * static_cast<DWORD>(FHeight);

    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;  // "BM"
    fh.bfSize = offset + imageSize;
    fh.bfOffBits = offset;
    BITMAPINFOHEADER ih{};
    ih.biSize = sizeof(ih);
    ih.biWidth = FWidth;
    ih.biHeight = FHeight;  // files are bottom-up
    ih.biPlanes = 1;
    ih.biBitCount = static_cast<WORD>(bpp);
    ih.biCompression = FPixelFormat == pf16bit ? BI_BITFIELDS : BI_RGB;
    ih.biSizeImage = imageSize;
    ih.biClrUsed = static_cast<DWORD>(table.size());
    out.reserve(fh.bfSize);
    Put(out, fh);
    Put(out, ih);
    if (FPixelFormat == pf16bit) {
        for (DWORD m : {0xF800u, 0x07E0u, 0x001Fu})
            Put(out, m);
    }
    for (const RGBQUAD& q : table)
        Put(out, q);
    if (device) {
        BITMAPINFO bi{};
        bi.bmiHeader = ih;
        const size_t at = out.size();
        out.resize(at + imageSize);
        TMemoryDC dc(nullptr, nullptr);
        if (FCanvas)
            FCanvas->Detach();
        GetDIBits(dc.DC(), FHandle, 0, static_cast<UINT>(FHeight), out.data() + at, &bi, DIB_RGB_COLORS);
        if (FCanvas)
            FCanvas->Attach();
    } else {
        for (int y = FHeight - 1; y >= 0; --y) {
            const auto* row = static_cast<const uint8_t*>(FBits) + static_cast<ptrdiff_t>(y) * FStride;
            out.insert(out.end(), row, row + FStride);
        }
    }
    return out;
}

void TBitmap::LoadFromBytes(const std::vector<uint8_t>& bytes)
{
    const std::wstring bad = L"The bitmap data is not a valid BMP picture";
    if (bytes.size() < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER))
        throw EInvalidGraphic(bad);
    BITMAPFILEHEADER fh;
    BITMAPINFOHEADER ih;
    std::memcpy(&fh, bytes.data(), sizeof(fh));
    std::memcpy(&ih, bytes.data() + sizeof(fh), sizeof(ih));
    if (fh.bfType != 0x4D42 || ih.biSize < sizeof(BITMAPINFOHEADER) || ih.biWidth <= 0 || ih.biHeight == 0 ||
        ih.biHeight == INT32_MIN || ih.biPlanes != 1)
        throw EInvalidGraphic(bad);
    if (ih.biCompression != BI_RGB && ih.biCompression != BI_BITFIELDS)
        throw EInvalidGraphic(L"Compressed bitmaps are not supported");
    const size_t headerEnd = sizeof(fh) + ih.biSize;
    DWORD masks[3] = {0, 0, 0};
    size_t tableAt = headerEnd;
    if (ih.biCompression == BI_BITFIELDS) {
        // Masks follow a plain info header; larger headers carry them inside.
        const size_t at = ih.biSize == sizeof(BITMAPINFOHEADER) ? headerEnd : sizeof(fh) + sizeof(BITMAPINFOHEADER);
        if (bytes.size() < at + 12)
            throw EInvalidGraphic(bad);
        std::memcpy(masks, bytes.data() + at, 12);
        if (ih.biSize == sizeof(BITMAPINFOHEADER))
            tableAt += 12;
    }
    const TPixelFormat format = FormatOfBits(ih.biBitCount, ih.biCompression, masks);
    const int width = ih.biWidth;
    const int height = ih.biHeight < 0 ? -ih.biHeight : ih.biHeight;
    const int64_t stride = (static_cast<int64_t>(width) * ih.biBitCount + 31) / 32 * 4;
    if (fh.bfOffBits > bytes.size() || stride * height > static_cast<int64_t>(bytes.size() - fh.bfOffBits))
        throw EInvalidGraphic(bad);

    HPALETTE palette = nullptr;
    if (ih.biBitCount <= 8) {
        const size_t count = ih.biClrUsed ? (std::min<size_t>)(ih.biClrUsed, size_t{1} << ih.biBitCount)
                                          : size_t{1} << ih.biBitCount;
        if (tableAt + count * sizeof(RGBQUAD) > bytes.size())
            throw EInvalidGraphic(bad);
        std::vector<uint8_t> buffer(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
        auto* log = reinterpret_cast<LOGPALETTE*>(buffer.data());
        log->palVersion = 0x300;
        log->palNumEntries = static_cast<WORD>(count);
        for (size_t i = 0; i < count; ++i) {
            RGBQUAD q;
            std::memcpy(&q, bytes.data() + tableAt + i * sizeof(RGBQUAD), sizeof(q));
            log->palPalEntry[i] = PALETTEENTRY{q.rgbRed, q.rgbGreen, q.rgbBlue, 0};
        }
        palette = CountedCreatePalette(log);
    }
    TBitmap loaded;
    loaded.FPalette = palette;
    loaded.SetPixelFormat(format);
    loaded.SetSize(width, height);
    const bool bottomUp = ih.biHeight > 0;
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = bytes.data() + fh.bfOffBits + static_cast<size_t>(bottomUp ? height - 1 - y : y) * stride;
        std::memcpy(loaded.ScanLine(y), row, static_cast<size_t>(stride));
    }
    Assign(loaded);
}

void TBitmap::DefineProperties(TFiler& filer)
{
    filer.DefineProperty(
        L"Data",
        [this](const TLayoutValue& value) {
            if (value.Kind != lvBinary || value.Binary.size() < 4)
                throw EInvalidGraphic(L"Bitmap data is missing");
            uint32_t size = 0;
            std::memcpy(&size, value.Binary.data(), 4);
            if (size != value.Binary.size() - 4)
                throw EInvalidGraphic(L"Bitmap data has the wrong length");
            LoadFromBytes(std::vector<uint8_t>(value.Binary.begin() + 4, value.Binary.end()));
        },
        [this]() {
            const std::vector<uint8_t> file = SaveToBytes();
            std::vector<uint8_t> data;
            Put(data, static_cast<uint32_t>(file.size()));
            data.insert(data.end(), file.begin(), file.end());
            return TLayoutValue::FromBinary(std::move(data));
        },
        !Empty());
}
