#include "Graphics.h"

#include <cstdint>
#include <vector>

#include "GdiCount.h"

// ---- colours --------------------------------------------------------------------------------

COLORREF ColorToRGB(TColor color)
{
    if (color < 0)
        return GetSysColor(color & 0xFF);
    return static_cast<COLORREF>(color);
}

// The portable colour values are the window system's.
static_assert(clScrollBar == (clSystemColor | COLOR_SCROLLBAR) && clWindowText == (clSystemColor | COLOR_WINDOWTEXT) &&
              clBtnFace == (clSystemColor | COLOR_BTNFACE) && clInfoBk == (clSystemColor | COLOR_INFOBK));

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

