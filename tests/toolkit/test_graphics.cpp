// Bitmaps, canvases, graphics objects and the GDI counters, against real GDI.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <memory>

#include "GdiCount.h"
#include "Graphics.h"
#include "LayoutText.h"

namespace {

constexpr COLORREF Magenta = RGB(255, 0, 255);

uint32_t& Pixel32(TBitmap& b, int x, int y)
{
    return static_cast<uint32_t*>(b.ScanLine(y))[x];
}

// 0x00RRGGBB as it lies in a pf32bit row, for an RGB colour.
uint32_t Bgra(COLORREF c)
{
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

std::unique_ptr<TBitmap> MakeBitmap(int w, int h, TPixelFormat format = pf32bit)
{
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(format);
    b->SetWidth(w);
    b->SetHeight(h);
    return b;
}

// The canvas subclassing hook, as a control canvas uses it: a DC made on demand and released
// by the subclass itself.
class TScreenCanvas : public TCanvas {
public:
    ~TScreenCanvas() override { Free(); }
    void Free()
    {
        if (!HandleAllocated())
            return;
        HDC dc = Handle();
        SetHandle(nullptr);
        CountedDeleteDC(dc);
    }
    int Created = 0;

protected:
    void CreateHandle() override
    {
        ++Created;
        SetHandle(CountedCreateCompatibleDC(nullptr));
    }
};

}  // namespace

TEST(Colors, SystemColoursResolveAndNamesRoundTrip)
{
    EXPECT_EQ(ColorToRGB(clBtnFace), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(ColorToRGB(clWindowText), GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_EQ(ColorToRGB(clRed), RGB(255, 0, 0));
    EXPECT_EQ(ColorToRGB(clBlue), RGB(0, 0, 255));
    EXPECT_EQ(ColorToRGB(0x02000000 | Magenta), 0x02000000u | Magenta);  // palette-relative kept

    for (TColor c : {clBtnFace, clWindowText, clBlack, clWhite, clNone, clDefault, cl3DDkShadow,
                     clGradientInactiveCaption, clInfoBk}) {
        std::wstring name;
        ASSERT_TRUE(ColorToIdent(c, name)) << c;
        TColor back = 0;
        ASSERT_TRUE(IdentToColor(name, back)) << name.size();
        EXPECT_EQ(back, c);
    }
    std::wstring name;
    ASSERT_TRUE(ColorToIdent(clSilver, name));
    EXPECT_EQ(name, L"clSilver");
    ASSERT_TRUE(ColorToIdent(clBtnFace, name));
    EXPECT_EQ(name, L"clBtnFace");
    EXPECT_FALSE(ColorToIdent(0x123456, name));
    TColor c = 0;
    EXPECT_TRUE(IdentToColor(L"CLBTNFACE", c));
    EXPECT_EQ(c, clBtnFace);
    EXPECT_FALSE(IdentToColor(L"clNoSuchColour", c));

    int32_t cs = 0;
    ASSERT_TRUE(IdentToCharset(L"SHIFTJIS_CHARSET", cs));
    EXPECT_EQ(cs, SHIFTJIS_CHARSET);
    std::wstring csName;
    ASSERT_TRUE(CharsetToIdent(DEFAULT_CHARSET, csName));
    EXPECT_EQ(csName, L"DEFAULT_CHARSET");
    EXPECT_FALSE(CharsetToIdent(42, csName));
}

TEST(Bitmap, RowsAreTopDownThirtyTwoBitDib)
{
    auto b = MakeBitmap(5, 3);
    ASSERT_FALSE(b->Empty());
    DIBSECTION ds{};
    ASSERT_EQ(GetObjectW(b->Handle(), sizeof(ds), &ds), static_cast<int>(sizeof(ds)));
    EXPECT_EQ(ds.dsBmih.biBitCount, 32);
    EXPECT_EQ(ds.dsBmih.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(b->ScanLineStride(), 20);

    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            Pixel32(*b, x, y) = static_cast<uint32_t>((y * 40 + 10) << 16 | (x * 30) << 8 | 7);
    for (int y = 0; y < 3; ++y)
        EXPECT_EQ(static_cast<uint8_t*>(b->ScanLine(y)) - static_cast<uint8_t*>(b->ScanLine(0)), y * 20);

    // Row 0 of ScanLine is the top row the DC shows.
    HDC dc = b->Canvas()->Handle();
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(10, 0, 7));
    EXPECT_EQ(GetPixel(dc, 4, 2), RGB(90, 120, 7));
    EXPECT_EQ(b->Canvas()->Pixels(3, 1), static_cast<TColor>(RGB(50, 90, 7)));

    // And GetDIBits asked for a top-down copy agrees row by row.
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 5, -3, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    uint32_t copy[15] = {};
    HDC screen = GetDC(nullptr);
    ASSERT_EQ(GetDIBits(screen, b->Handle(), 0, 3, copy, &bi, DIB_RGB_COLORS), 3);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(std::memcmp(copy, b->ScanLine(0), sizeof(copy)), 0);

    EXPECT_THROW(b->ScanLine(3), EInvalidOperation);
    EXPECT_THROW(b->ScanLine(-1), EInvalidOperation);
    TBitmap empty;
    EXPECT_TRUE(empty.Empty());
    EXPECT_THROW(empty.ScanLine(0), EInvalidOperation);
    empty.SetWidth(10);  // still no height: no image
    EXPECT_TRUE(empty.Empty());
    EXPECT_EQ(empty.Width(), 10);
}

TEST(Bitmap, ResizeKeepsPictureTopLeftAndFillsWhite)
{
    auto b = MakeBitmap(2, 2);
    Pixel32(*b, 0, 0) = 0x112233;
    Pixel32(*b, 1, 1) = 0x445566;
    b->SetSize(3, 4);
    EXPECT_EQ(b->Width(), 3);
    EXPECT_EQ(b->Height(), 4);
    EXPECT_EQ(Pixel32(*b, 0, 0) & 0xFFFFFF, 0x112233u);
    EXPECT_EQ(Pixel32(*b, 1, 1) & 0xFFFFFF, 0x445566u);
    EXPECT_EQ(Pixel32(*b, 2, 0) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(Pixel32(*b, 0, 3) & 0xFFFFFF, 0xFFFFFFu);
    // The canvas's DC follows the new image.
    EXPECT_EQ(b->Canvas()->Pixels(2, 3), clWhite);
    b->SetHeight(0);
    EXPECT_TRUE(b->Empty());
    EXPECT_THROW(b->SetWidth(-1), EInvalidOperation);
    EXPECT_EQ(b->Width(), 3);
}

TEST(Bitmap, FailedAllocationLeavesOldBitmapUsable)
{
    auto b = MakeBitmap(4, 4);
    Pixel32(*b, 3, 3) = 0xABCDEF;
    HBITMAP before = b->Handle();
    const TGdiCounts start = GdiLiveCounts();
    try {
        b->SetSize(100000, 100000);
        FAIL() << "no error";
    } catch (const EOutOfResources& e) {
        EXPECT_EQ(e.Message(), L"Not enough memory for a 100000 \u00D7 100000 bitmap");
    }
    EXPECT_EQ(b->Width(), 4);
    EXPECT_EQ(b->Height(), 4);
    EXPECT_EQ(b->Handle(), before);
    EXPECT_EQ(Pixel32(*b, 3, 3) & 0xFFFFFF, 0xABCDEFu);
    EXPECT_EQ(GdiLiveCounts().Objects, start.Objects);

    auto c = MakeBitmap(4, 4);
    Pixel32(*c, 3, 3) = 0x0000FF;
    EXPECT_THROW(c->SetHeight(200000000), EOutOfResources);  // 4 x 2e8 x 4 bytes > 2 GB
    EXPECT_EQ(c->Width(), 4);
    EXPECT_EQ(c->Height(), 4);
    EXPECT_EQ(Pixel32(*c, 3, 3) & 0xFFFFFF, 0x0000FFu);
    c->Canvas()->Brush()->SetColor(clLime);
    c->Canvas()->FillRect(RECT{0, 0, 1, 1});
    EXPECT_EQ(c->Canvas()->Pixels(0, 0), clLime);
}

TEST(Bitmap, AssignCopiesSizeFormatAndPixels)
{
    auto a = MakeBitmap(3, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            Pixel32(*a, x, y) = static_cast<uint32_t>(x * 0x10 + y * 0x1000);
    TBitmap b;
    int changes = 0;
    b.OnChange = [&](TObject*) { ++changes; };
    b.Assign(*a);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(b.Width(), 3);
    EXPECT_EQ(b.Height(), 2);
    EXPECT_EQ(b.PixelFormat(), pf32bit);
    EXPECT_NE(b.Handle(), a->Handle());
    for (int y = 0; y < 2; ++y)
        EXPECT_EQ(std::memcmp(b.ScanLine(y), a->ScanLine(y), 12), 0);
    Pixel32(b, 0, 0) = 0xFFFFFF;
    EXPECT_EQ(Pixel32(*a, 0, 0), 0u);
    // Through the canvas DC as well (the copy is selected into b's own DC).
    EXPECT_EQ(b.Canvas()->Pixels(2, 1), static_cast<TColor>(RGB(0, 0x10, 0x20)));

    // A device-dependent source goes through its DC.
    auto d = MakeBitmap(2, 2, pfDevice);
    d->Canvas()->Brush()->SetColor(clRed);
    d->Canvas()->FillRect(RECT{0, 0, 2, 2});
    b.Assign(*d);
    EXPECT_EQ(b.PixelFormat(), pfDevice);
    EXPECT_EQ(b.Canvas()->Pixels(1, 1), clRed);
    EXPECT_THROW(b.ScanLine(0), EInvalidOperation);

    TBitmap empty;
    b.Assign(empty);
    EXPECT_TRUE(b.Empty());
    TFont font;
    EXPECT_THROW(b.Assign(font), Exception);
}

TEST(Bitmap, OnChangeFiresForApiChangesOnly)
{
    TBitmap b;
    int changes = 0;
    b.OnChange = [&](TObject* sender) {
        EXPECT_EQ(sender, &b);
        ++changes;
    };
    b.SetPixelFormat(pf32bit);
    b.SetWidth(4);
    b.SetHeight(4);
    EXPECT_EQ(changes, 3);
    b.SetWidth(4);
    b.SetPixelFormat(pf32bit);
    EXPECT_EQ(changes, 3);
    Pixel32(b, 0, 0) = 0x123456;
    EXPECT_EQ(changes, 3);
    b.Canvas()->FillRect(RECT{0, 0, 2, 2});
    EXPECT_EQ(changes, 4);
    HDC dc = CreateCompatibleDC(nullptr);
    HPALETTE pal = CountedCreateHalftonePalette(dc);
    DeleteDC(dc);
    b.SetPalette(pal);
    EXPECT_EQ(changes, 5);
    EXPECT_EQ(b.Palette(), pal);
}

TEST(Bitmap, OtherFormatsConvertThroughTheDc)
{
    auto b = MakeBitmap(4, 2);
    b->Canvas()->Brush()->SetColor(clRed);
    b->Canvas()->FillRect(RECT{0, 0, 2, 2});
    b->SetPixelFormat(pf24bit);
    EXPECT_EQ(b->ScanLineStride(), 12);
    const auto* row = static_cast<uint8_t*>(b->ScanLine(1));
    EXPECT_EQ(row[0], 0);  // blue
    EXPECT_EQ(row[2], 255);  // red
    EXPECT_EQ(row[9], 255);  // the white fill at x 3
    b->SetPixelFormat(pf1bit);
    EXPECT_EQ(b->ScanLineStride(), 4);
    EXPECT_EQ(b->Canvas()->Pixels(3, 0), clWhite);
    b->SetPixelFormat(pf8bit);
    EXPECT_EQ(b->Canvas()->Pixels(3, 0), clWhite);
    b->SetPixelFormat(pf16bit);
    EXPECT_EQ(b->ScanLineStride(), 8);
}

TEST(Canvas, DrawsIntoBitmapWithItsPenBrushAndFont)
{
    auto b = MakeBitmap(40, 30);
    TCanvas& c = *b->Canvas();
    c.Brush()->SetColor(clBlue);
    c.FillRect(RECT{0, 0, 40, 30});
    EXPECT_EQ(Pixel32(*b, 39, 29) & 0xFFFFFF, Bgra(RGB(0, 0, 255)));

    c.Pen()->SetColor(clRed);
    c.Brush()->SetColor(clLime);
    c.Rectangle(2, 2, 10, 10);
    EXPECT_EQ(c.Pixels(2, 5), clRed);
    EXPECT_EQ(c.Pixels(5, 5), clLime);
    EXPECT_EQ(c.Pixels(10, 5), clBlue);  // right edge excluded

    c.Brush()->SetColor(clYellow);
    c.FrameRect(RECT{20, 20, 30, 28});
    EXPECT_EQ(c.Pixels(20, 24), clYellow);
    EXPECT_EQ(c.Pixels(25, 24), clBlue);

    c.Pen()->SetColor(clWhite);
    c.MoveTo(0, 15);
    c.LineTo(40, 15);
    EXPECT_EQ(c.Pixels(33, 15), clWhite);
    EXPECT_EQ(c.PenPos().x, 40);

    // Pen modes reach the DC: xor with white inverts.
    c.Pen()->SetMode(pmXor);
    c.MoveTo(0, 15);
    c.LineTo(40, 15);
    EXPECT_EQ(c.Pixels(33, 15), clBlack);
    c.Pen()->SetMode(pmCopy);

    // Text in the font colour on the brush colour; a clear brush leaves the background.
    c.Brush()->SetColor(clBlack);
    c.FillRect(RECT{0, 0, 40, 30});
    c.Font()->SetColor(clWhite);
    c.Font()->SetHeight(-16);
    c.Brush()->SetStyle(bsClear);
    const SIZE ext = c.TextExtent(L"W");
    EXPECT_GT(ext.cx, 0);
    EXPECT_GT(ext.cy, 0);
    EXPECT_EQ(c.TextWidth(L"WW"), c.TextExtent(L"WW").cx);
    c.TextOut(2, 2, L"W");
    int white = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            white += (Pixel32(*b, x, y) & 0xFFFFFF) == 0xFFFFFF;
    EXPECT_GT(white, 5);

    // TextRect clips and, with a solid brush, fills the rectangle.
    c.Brush()->SetColor(clRed);
    c.TextRect(RECT{30, 20, 40, 30}, 30, 20, L" ");  // no glyph may cover the probed pixel
    EXPECT_EQ(c.Pixels(39, 29), clRed);
    EXPECT_EQ(c.Pixels(29, 29), clBlack);
}

TEST(Canvas, DrawStretchDrawAndCopyRect)
{
    auto src = MakeBitmap(2, 2);
    Pixel32(*src, 0, 0) = Bgra(RGB(255, 0, 0));
    Pixel32(*src, 1, 0) = Bgra(RGB(0, 255, 0));
    Pixel32(*src, 0, 1) = Bgra(RGB(0, 0, 255));
    Pixel32(*src, 1, 1) = Bgra(RGB(255, 255, 255));
    auto dst = MakeBitmap(8, 8);
    TCanvas& c = *dst->Canvas();
    c.Draw(3, 4, *src);
    EXPECT_EQ(c.Pixels(3, 4), clRed);
    EXPECT_EQ(c.Pixels(4, 5), clWhite);
    c.StretchDraw(RECT{0, 0, 4, 4}, *src);
    EXPECT_EQ(c.Pixels(1, 1), clRed);
    EXPECT_EQ(c.Pixels(3, 0), clLime);
    EXPECT_EQ(c.Pixels(0, 3), clBlue);
    c.CopyRect(RECT{6, 6, 8, 8}, *src->Canvas(), RECT{0, 0, 2, 2});
    EXPECT_EQ(c.Pixels(7, 6), clLime);
}

TEST(Canvas, BrushCopyShowsBrushWhereBitmapHasTransparentColour)
{
    auto pic = MakeBitmap(4, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            Pixel32(*pic, x, y) = (x + y) % 2 ? Bgra(RGB(10, 20, 30)) : Bgra(Magenta);
    auto out = MakeBitmap(4, 3);
    TCanvas& c = *out->Canvas();
    c.Brush()->SetColor(clLime);
    // As the dock takes it: the bottom-left pixel, with the palette-relative flag.
    const TColor ref = pic->Canvas()->Pixels(0, 2) | 0x02000000;
    ASSERT_EQ(ref & 0xFFFFFF, static_cast<TColor>(Magenta));
    c.BrushCopy(RECT{0, 0, 4, 3}, *pic, RECT{0, 0, 4, 3}, ref);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(c.Pixels(x, y), (x + y) % 2 ? static_cast<TColor>(RGB(10, 20, 30)) : clLime) << x << "," << y;

    // A sub-rectangle to an offset, and the brush's colour change taking effect.
    c.Brush()->SetColor(clNavy);
    c.BrushCopy(RECT{2, 1, 4, 3}, *pic, RECT{0, 0, 2, 2}, static_cast<TColor>(Magenta));
    EXPECT_EQ(c.Pixels(2, 1), clNavy);
    EXPECT_EQ(c.Pixels(3, 1), static_cast<TColor>(RGB(10, 20, 30)));
    EXPECT_EQ(c.Pixels(2, 2), static_cast<TColor>(RGB(10, 20, 30)));
    EXPECT_EQ(c.Pixels(3, 2), clNavy);
    EXPECT_EQ(c.Pixels(0, 0), clLime);  // outside dest untouched
}

TEST(Canvas, HandleComesFromSubclassOrRaises)
{
    TCanvas plain;
    EXPECT_FALSE(plain.HandleAllocated());
    try {
        plain.FillRect(RECT{0, 0, 1, 1});
        FAIL() << "no error";
    } catch (const EInvalidOperation& e) {
        EXPECT_EQ(e.Message(), L"Canvas does not allow drawing");
    }

    const TGdiCounts start = GdiLiveCounts();
    {
        TScreenCanvas sc;
        sc.Brush()->SetColor(clRed);
        sc.FillRect(RECT{0, 0, 1, 1});
        sc.TextOut(0, 0, L"x");
        EXPECT_EQ(sc.Created, 1);
        EXPECT_EQ(GdiLiveCounts().DCs, start.DCs + 1);
        sc.Free();
        EXPECT_EQ(GdiLiveCounts().DCs, start.DCs);
        sc.FillRect(RECT{0, 0, 1, 1});  // made again on demand
        EXPECT_EQ(sc.Created, 2);
    }
    EXPECT_EQ(GdiLiveCounts().DCs, start.DCs);
    EXPECT_EQ(GdiLiveCounts().Objects, start.Objects);
}

TEST(Canvas, ChangedObjectIsDeselectedBeforeItsHandleGoes)
{
    HDC dc = CountedCreateCompatibleDC(nullptr);
    HGDIOBJ stockFont = GetCurrentObject(dc, OBJ_FONT);
    HGDIOBJ stockBrush = GetCurrentObject(dc, OBJ_BRUSH);
    const TGdiCounts start = GdiLiveCounts();
    {
        TCanvas c;
        c.SetHandle(dc);
        c.TextOut(0, 0, L"a");
        c.FillRect(RECT{0, 0, 1, 1});
        HFONT first = c.Font()->Handle();
        EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), first);
        c.Font()->SetStyle({fsBold});
        EXPECT_FALSE(c.Font()->HandleAllocated());
        EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), stockFont);
        c.TextOut(0, 0, L"a");
        EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), c.Font()->Handle());
        c.Brush()->SetColor(clRed);
        EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), stockBrush);
        c.FillRect(RECT{0, 0, 1, 1});
        // Giving up the DC restores what it had; the DC itself stays ours.
        c.SetHandle(nullptr);
        EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), stockFont);
        EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), stockBrush);
        c.SetHandle(dc);
        c.FillRect(RECT{0, 0, 1, 1});
    }
    // The canvas died with its brush selected: the DC has its own back, our objects are gone.
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), stockBrush);
    EXPECT_EQ(GdiLiveCounts().Objects, start.Objects);
    EXPECT_TRUE(CountedDeleteDC(dc));
}

TEST(Font, HandleFollowsValuesAndPublishedDefaults)
{
    TFont f;
    EXPECT_EQ(f.Name(), L"MS Sans Serif");
    EXPECT_EQ(f.Height(), -11);
    EXPECT_EQ(f.Size(), 8);
    EXPECT_EQ(f.Color(), clWindowText);
    EXPECT_EQ(f.Charset(), DEFAULT_CHARSET);
    int changes = 0;
    f.OnChange = [&](TObject*) { ++changes; };

    LOGFONTW lf{};
    ASSERT_EQ(GetObjectW(f.Handle(), sizeof(lf), &lf), static_cast<int>(sizeof(lf)));
    EXPECT_EQ(lf.lfHeight, -11);
    EXPECT_EQ(lf.lfWeight, FW_NORMAL);

    f.SetName(L"\uFF2D\uFF33 \uFF30\u30B4\u30B7\u30C3\u30AF");
    f.SetHeight(-12);
    f.SetCharset(SHIFTJIS_CHARSET);
    f.SetStyle({fsBold, fsUnderline});
    EXPECT_EQ(changes, 4);
    f.SetHeight(-12);
    EXPECT_EQ(changes, 4);
    ASSERT_EQ(GetObjectW(f.Handle(), sizeof(lf), &lf), static_cast<int>(sizeof(lf)));
    EXPECT_EQ(lf.lfHeight, -12);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_TRUE(lf.lfUnderline);
    EXPECT_FALSE(lf.lfItalic);
    EXPECT_EQ(lf.lfCharSet, SHIFTJIS_CHARSET);
    EXPECT_EQ(std::wstring(lf.lfFaceName), f.Name());
    f.SetSize(12);
    EXPECT_EQ(f.Height(), -16);

    TFont g;
    g.Assign(f);
    EXPECT_EQ(g.Name(), f.Name());
    EXPECT_EQ(g.Height(), -16);
    EXPECT_EQ(g.Style(), f.Style());

    // Published in layout order, with the construction values as defaults.
    const TClassInfo& info = TFont::StaticClassInfo();
    ASSERT_EQ(info.Properties.size(), 5u);
    const wchar_t* order[] = {L"Charset", L"Color", L"Height", L"Name", L"Style"};
    for (size_t i = 0; i < 5; ++i)
        EXPECT_EQ(info.Properties[i].Name, order[i]);
    TFont fresh;
    for (const TPropInfo& p : info.Properties) {
        if (p.Stored) {
            EXPECT_FALSE(p.Stored(fresh)) << p.Name.size();
        } else if (p.HasDefault) {
            EXPECT_EQ(p.GetOrd(fresh), p.Default) << p.Name.size();
        }
    }
    EXPECT_TRUE(info.FindProperty(L"Name")->Stored(f));
    // Charset and Color are written as names where they have one.
    std::wstring ident;
    ASSERT_TRUE(info.FindProperty(L"Charset")->IntToIdent);
    EXPECT_TRUE(info.FindProperty(L"Charset")->IntToIdent(SHIFTJIS_CHARSET, ident));
    EXPECT_EQ(ident, L"SHIFTJIS_CHARSET");
    int32_t colour = 0;
    ASSERT_TRUE(info.FindProperty(L"Color")->IdentToInt);
    EXPECT_TRUE(info.FindProperty(L"Color")->IdentToInt(L"clWindowText", colour));
    EXPECT_EQ(colour, clWindowText);
    info.FindProperty(L"Charset")->SetOrd(fresh, SHIFTJIS_CHARSET);
    EXPECT_EQ(fresh.Charset(), SHIFTJIS_CHARSET);
    info.FindProperty(L"Style")->SetOrd(fresh, 1 << fsItalic);
    EXPECT_TRUE(fresh.Style().Contains(fsItalic));
}

TEST(PenAndBrush, HandlesMatchTheirValues)
{
    TPen p;
    p.SetColor(clRed);
    p.SetWidth(3);
    p.SetStyle(psDash);
    LOGPEN lp{};
    ASSERT_NE(GetObjectW(p.Handle(), sizeof(lp), &lp), 0);
    EXPECT_EQ(lp.lopnColor, RGB(255, 0, 0));
    EXPECT_EQ(lp.lopnWidth.x, 3);
    EXPECT_EQ(lp.lopnStyle, static_cast<UINT>(PS_DASH));
    p.SetStyle(psClear);
    ASSERT_NE(GetObjectW(p.Handle(), sizeof(lp), &lp), 0);
    EXPECT_EQ(lp.lopnStyle, static_cast<UINT>(PS_NULL));

    TBrush b;
    b.SetStyle(bsDiagCross);
    b.SetColor(clBtnFace);
    LOGBRUSH lb{};
    ASSERT_NE(GetObjectW(b.Handle(), sizeof(lb), &lb), 0);
    EXPECT_EQ(lb.lbStyle, static_cast<UINT>(BS_HATCHED));
    EXPECT_EQ(lb.lbHatch, static_cast<ULONG_PTR>(HS_DIAGCROSS));
    EXPECT_EQ(lb.lbColor, GetSysColor(COLOR_BTNFACE));
    b.SetStyle(bsClear);
    ASSERT_NE(GetObjectW(b.Handle(), sizeof(lb), &lb), 0);
    EXPECT_EQ(lb.lbStyle, static_cast<UINT>(BS_NULL));
    b.SetColor(clRed);  // a colour makes a clear brush solid again
    EXPECT_EQ(b.Style(), bsSolid);

    // A pattern brush tiles its bitmap.
    auto pattern = MakeBitmap(8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            Pixel32(*pattern, x, y) = x < 4 ? Bgra(RGB(255, 0, 0)) : Bgra(RGB(0, 0, 255));
    auto out = MakeBitmap(16, 2);
    out->Canvas()->Brush()->SetBitmap(pattern.get());
    out->Canvas()->FillRect(RECT{0, 0, 16, 2});
    EXPECT_EQ(out->Canvas()->Pixels(1, 1), clRed);
    EXPECT_EQ(out->Canvas()->Pixels(5, 0), clBlue);
    EXPECT_EQ(out->Canvas()->Pixels(9, 0), clRed);
    out->Canvas()->Brush()->SetBitmap(nullptr);
}

TEST(GdiCount, LifecyclesLeaveNothingBehind)
{
    const TGdiCounts start = GdiLiveCounts();
    {
        TBitmap a, b;
        a.SetPixelFormat(pf32bit);
        a.SetSize(64, 48);
        a.Canvas()->Font()->SetName(L"Tahoma");
        a.Canvas()->TextOut(1, 1, L"text");
        a.Canvas()->Pen()->SetWidth(2);
        a.Canvas()->Ellipse(0, 0, 20, 20);
        b.Assign(a);
        b.SetSize(80, 10);
        b.SetPixelFormat(pf8bit);
        HDC dc = CreateCompatibleDC(nullptr);
        b.SetPalette(CountedCreateHalftonePalette(dc));
        DeleteDC(dc);
        b.Canvas()->Brush()->SetBitmap(&a);
        b.Canvas()->FillRect(RECT{0, 0, 10, 10});
        b.Canvas()->BrushCopy(RECT{0, 0, 8, 8}, a, RECT{0, 0, 8, 8}, clWhite);
        b.Canvas()->Brush()->SetBitmap(nullptr);
        TBitmap c;
        c.Assign(b);  // with the palette copied
        TFont f;
        f.Handle();
        f.SetHeight(-20);
        f.Handle();
        TPen p;
        p.Handle();
        TBrush br;
        br.Handle();
        const TGdiCounts alive = GdiLiveCounts();
        EXPECT_GE(alive.Objects, start.Objects + 8);  // 3 bitmaps, 2 palettes, font, pen, brush, ...
        EXPECT_GE(alive.DCs, start.DCs + 2);
    }
    const TGdiCounts end = GdiLiveCounts();
    EXPECT_EQ(end.Objects, start.Objects);
    EXPECT_EQ(end.DCs, start.DCs);
}

TEST(GdiCount, DoubleReleaseDoesNotHideALeak)
{
    const TGdiCounts start = GdiLiveCounts();
    HBRUSH kept = CountedCreateSolidBrush(RGB(1, 2, 3));
    HBRUSH freed = CountedCreateSolidBrush(RGB(4, 5, 6));
    EXPECT_EQ(GdiLiveCounts().Objects, start.Objects + 2);
    EXPECT_TRUE(CountedDeleteObject(freed));
    CountedDeleteObject(freed);
    CountedDeleteObject(GetStockObject(WHITE_BRUSH));  // never counted
    EXPECT_EQ(GdiLiveCounts().Objects, start.Objects + 1);

    HDC screen = CountedGetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(GdiLiveCounts().DCs, start.DCs + 1);
    EXPECT_EQ(CountedReleaseDC(nullptr, screen), 1);
    CountedReleaseDC(nullptr, screen);
    EXPECT_EQ(GdiLiveCounts().DCs, start.DCs);

    EXPECT_TRUE(CountedDeleteObject(kept));
    EXPECT_EQ(GdiLiveCounts().Objects, start.Objects);
}

namespace {

class TDataFiler : public TFiler {
public:
    void DefineProperty(const std::wstring& name, TReadProc read, TWriteProc write, bool hasData) override
    {
        Name = name, Read = std::move(read), Write = std::move(write), HasData = hasData;
    }
    std::wstring Name;
    TReadProc Read;
    TWriteProc Write;
    bool HasData = false;
};

}  // namespace

TEST(BitmapFile, BmpBytesRoundTripAndStoredData)
{
    // A 2 x 2 24-bit file as other programs write it: bottom row first.
    std::vector<uint8_t> file = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,
                                 40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0,
                                 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                 255, 0, 0, 0, 255, 0, 0, 0,     // bottom: blue, green
                                 0, 0, 255, 255, 255, 255, 0, 0};  // top: red, white
    TBitmap b;
    b.LoadFromBytes(file);
    EXPECT_EQ(b.PixelFormat(), pf24bit);
    EXPECT_EQ(b.Canvas()->Pixels(0, 0), clRed);
    EXPECT_EQ(b.Canvas()->Pixels(1, 0), clWhite);
    EXPECT_EQ(b.Canvas()->Pixels(0, 1), clBlue);
    EXPECT_EQ(static_cast<uint8_t*>(b.ScanLine(0))[2], 255);  // row 0 is the top: red
    EXPECT_EQ(b.SaveToBytes(), file);

    // Palettised pictures keep their colours through a save and load.
    auto p = MakeBitmap(3, 2, pf8bit);
    p->Canvas()->Brush()->SetColor(static_cast<TColor>(RGB(51, 102, 153)));
    p->Canvas()->FillRect(RECT{0, 0, 3, 1});
    TBitmap q;
    q.LoadFromBytes(p->SaveToBytes());
    EXPECT_EQ(q.PixelFormat(), pf8bit);
    EXPECT_NE(q.Palette(), nullptr);
    EXPECT_EQ(q.Canvas()->Pixels(2, 0), static_cast<TColor>(RGB(51, 102, 153)));
    EXPECT_EQ(q.Canvas()->Pixels(2, 1), clWhite);

    // The layout's Data value: length-prefixed file; an empty bitmap stores nothing.
    TDataFiler filer;
    b.DefineProperties(filer);
    ASSERT_EQ(filer.Name, L"Data");
    EXPECT_TRUE(filer.HasData);
    const TLayoutValue data = filer.Write();
    ASSERT_EQ(data.Binary.size(), file.size() + 4);
    EXPECT_EQ(data.Binary[0], file.size());
    TBitmap c;
    c.DefineProperties(filer);
    EXPECT_FALSE(filer.HasData);
    filer.Read(data);
    EXPECT_EQ(c.Width(), 2);
    EXPECT_EQ(c.Canvas()->Pixels(1, 0), clWhite);

    // Broken data raises and leaves the picture alone.
    std::vector<uint8_t> truncated(file.begin(), file.end() - 4);
    EXPECT_THROW(c.LoadFromBytes(truncated), EInvalidGraphic);
    std::vector<uint8_t> rle = file;
    rle[30] = BI_RLE8;
    EXPECT_THROW(c.LoadFromBytes(rle), EInvalidGraphic);
    EXPECT_EQ(c.Width(), 2);
    EXPECT_EQ(c.Canvas()->Pixels(0, 1), clBlue);
}
