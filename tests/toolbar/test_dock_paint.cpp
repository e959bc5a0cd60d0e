// Dock painting read back through WM_PRINT: the tile grid anchored at the parent's client
// origin, transparency following the dock colour, bound lines, and no GDI leak.
#include <algorithm>
#include <cstring>

#include "test_dock_support.h"
#include "test_paint_support.h"

namespace {

constexpr COLORREF Red = RGB(255, 0, 0), Blue = RGB(0, 0, 255), Green = RGB(0, 128, 0), Magenta = RGB(255, 0, 255);

// A 32-bit picture; colour(x, y) gives each pixel.
template <class F>
void FillPicture(TBitmap& bmp, int w, int h, F colour)
{
    bmp.SetPixelFormat(pf32bit);
    bmp.SetSize(w, h);
    for (int y = 0; y < h; ++y) {
        auto* row = static_cast<uint32_t*>(bmp.ScanLine(y));
        for (int x = 0; x < w; ++x) {
            const COLORREF c = colour(x, y);
            row[x] = (uint32_t{GetRValue(c)} << 16) | (uint32_t{GetGValue(c)} << 8) | GetBValue(c);
        }
    }
}

COLORREF Sys(int index)
{
    return GetSysColor(index);
}

// A top-down 32-bit DIB selected in a memory DC, filled with a colour no picture uses.
struct TDibTarget {
    static constexpr uint32_t Unpainted = 0x010203;
    TDibTarget(int w, int h) : Width(w), Height(h)
    {
        BITMAPINFO bi{};
        bi.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        DC = CountedCreateCompatibleDC(nullptr);
        Bitmap = CountedCreateDIBSection(DC, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&Bits), nullptr, 0);
        Old = SelectObject(DC, Bitmap);
        std::fill(Bits, Bits + static_cast<size_t>(w) * h, Unpainted);
    }
    ~TDibTarget()
    {
        SelectObject(DC, Old);
        CountedDeleteObject(Bitmap);
        CountedDeleteDC(DC);
    }
    uint32_t Pixel(int x, int y) const { return Bits[static_cast<size_t>(y) * Width + x] & 0xFFFFFF; }
    int Width, Height;
    HDC DC;
    HBITMAP Bitmap;
    HGDIOBJ Old;
    uint32_t* Bits = nullptr;
};

uint32_t Rgb32(COLORREF c)
{
    return (uint32_t{GetRValue(c)} << 16) | (uint32_t{GetGValue(c)} << 8) | GetBValue(c);
}

}  // namespace

using DockPaintTest = TDockFixture;

// Row 0 of every tile red, column 0 blue: the red rows and blue columns must sit on the grid
// that starts at the parent's client origin, wherever the dock is. A dock partly above or left
// of that origin has no tiles there, only its erased Color.
TEST_F(DockPaintTest, TilesAreAnchoredAtTheParentClientOrigin)
{
    TBitmap pic;
    FillPicture(pic, 16, 16, [](int x, int y) { return y == 0 ? Red : x == 0 ? Blue : Green; });
    Dock->SetBackground(&pic);
    struct {
        int Left, Top;
    } cases[] = {{0, 5}, {3, 5}, {7, 0}, {0, 21}, {-3, -2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "dock at " << c.Left << "," << c.Top);
        Dock->SetAlign(alNone);
        Dock->SetBounds(c.Left, c.Top, 100, 40);
        PumpMessages(0);
        TPrintedImage img(Dock->Handle());
        ASSERT_EQ(img.Height, 40);
        int wrong = 0;
        for (int y = 0; y < img.Height; ++y)
            for (int x = 0; x < img.Width; ++x) {
                const int gx = x + c.Left, gy = y + c.Top;
                const COLORREF want = gx < 0 || gy < 0 ? Sys(COLOR_BTNFACE) : gy % 16 == 0 ? Red : gx % 16 == 0 ? Blue : Green;
                if (img.Pixel(x, y) != want && ++wrong < 4)
                    ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << img.Pixel(x, y) << " not " << want;
            }
        EXPECT_EQ(wrong, 0);
    }
}

// DrawBackground draws a transparent picture from a block of whole tiles: whatever the block's
// size, the anchor, the clip and the grid's end, the result must be the plain tile-by-tile
// picture, computed here pixel by pixel. One dock for all cases, so that each new picture must
// replace the last.
TEST_F(DockPaintTest, PreTiledDrawingMatchesTileByTile)
{
    const COLORREF dockColour = RGB(0, 255, 0);
    Dock->SetColor(clLime);
    struct {
        int W, H;
        bool Palette, Transparent;
        RECT Draw, Clip;
        bool Exclude;
    } cases[] = {
        {16, 16, false, true, {-5, -5, 1040, 530}, {0, 0, 1040, 530}, false},      // block edges at 507
        {7, 5, false, true, {3, -2, 1001, 300}, {2, 1, 1040, 530}, false},         // grid ends past Draw
        {13, 11, true, false, {-1000, -37, 1040, 530}, {100, 50, 900, 520}, true}, // palette, excluded
        {3, 700, false, true, {0, 0, 1040, 530}, {0, 0, 1040, 530}, false},        // block capped across
        {600, 3, false, true, {-1, 1, 1040, 530}, {0, 0, 1040, 530}, false},       // block capped down
        {530, 515, false, false, {-20, -3, 1040, 530}, {0, 0, 1040, 530}, false},  // no block
        {16, 16, false, false, {50, 10, 50, 530}, {0, 0, 1040, 530}, false},       // empty grid
        {16, 16, false, true, {50, 10, 51, 11}, {0, 0, 1040, 530}, false},         // one tile
    };
    const RECT excluded{400, 200, 700, 300};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.W << " x " << c.H << " from " << c.Draw.left << "," << c.Draw.top);
        // Colours that differ from pixel to pixel within a tile, the bottom-left one repeated.
        std::vector<COLORREF> colours(static_cast<size_t>(c.W) * c.H);
        TBitmap pic;
        if (c.Palette) {
            HDC screen = CountedGetDC(nullptr);
            pic.SetPalette(CountedCreateHalftonePalette(screen));
            CountedReleaseDC(nullptr, screen);
            PALETTEENTRY entries[256]{};
            ASSERT_EQ(GetPaletteEntries(pic.Palette(), 0, 256, entries), 256u);
            pic.SetPixelFormat(pf8bit);
            pic.SetSize(c.W, c.H);
            for (int y = 0; y < c.H; ++y)
                for (int x = 0; x < c.W; ++x) {
                    const int index = (x * 7 + y * 31) % 256;
                    static_cast<uint8_t*>(pic.ScanLine(y))[x] = static_cast<uint8_t>(index);
                    colours[static_cast<size_t>(y) * c.W + x] = RGB(entries[index].peRed, entries[index].peGreen, entries[index].peBlue);
                }
        } else {
            const auto colour = [&](int x, int y) {
                return (x * 3 + y * 5) % 4 == 0 || (x == 0 && y == c.H - 1) ? Magenta : RGB(x * 37, y * 53, (x + y) * 11);
            };
            FillPicture(pic, c.W, c.H, colour);
            for (int y = 0; y < c.H; ++y)
                for (int x = 0; x < c.W; ++x)
                    colours[static_cast<size_t>(y) * c.W + x] = colour(x, y);
        }
        if (c.Transparent)
            for (COLORREF& k : colours)
                k = k == Magenta ? dockColour : k;
        Dock->SetBackground(&pic);
        Dock->SetBackgroundTransparent(c.Transparent);
        TDibTarget target(1040, 530);
        Dock->DrawBackground(target.DC, c.Clip, c.Exclude ? &excluded : nullptr, c.Draw);
        GdiFlush();
        const auto gridEnd = [](LONG origin, LONG end, int tile) {
            return end <= origin ? origin : origin + (end - origin + tile - 1) / tile * tile;
        };
        const LONG right = gridEnd(c.Draw.left, c.Draw.right, c.W), bottom = gridEnd(c.Draw.top, c.Draw.bottom, c.H);
        int wrong = 0;
        for (int y = 0; y < target.Height; ++y)
            for (int x = 0; x < target.Width; ++x) {
                const POINT p{x, y};
                const bool drawn = PtInRect(&c.Clip, p) && !(c.Exclude && PtInRect(&excluded, p)) && x >= c.Draw.left &&
                                   x < right && y >= c.Draw.top && y < bottom;
                const uint32_t want = drawn ? Rgb32(colours[static_cast<size_t>((y - c.Draw.top) % c.H) * c.W +
                                                            (x - c.Draw.left) % c.W])
                                            : TDibTarget::Unpainted;
                if (target.Pixel(x, y) != want && ++wrong <= 3)
                    ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << target.Pixel(x, y) << " not " << want;
            }
        EXPECT_EQ(wrong, 0);
    }
}

// Magenta in the bottom-left corner makes magenta the transparent colour: it shows the dock's
// Color, and a new Color drops the cache and shows at the next paint. Off again, magenta is back.
TEST_F(DockPaintTest, TransparentColourFollowsTheDockColour)
{
    TBitmap pic;
    FillPicture(pic, 8, 8, [](int x, int y) { return (x + y) % 2 == 1 ? Magenta : Blue; });  // (0, 7) magenta
    Dock->SetAlign(alNone);
    Dock->SetBounds(0, 0, 40, 16);
    Dock->SetBackground(&pic);
    Dock->SetBackgroundTransparent(true);
    struct {
        TColor Color;
        bool Transparent;
        COLORREF Shown;
    } cases[] = {{clRed, true, Red}, {clLime, true, RGB(0, 255, 0)}, {clYellow, true, RGB(255, 255, 0)},
                 {clYellow, false, Magenta}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "colour " << std::hex << c.Color << " transparent " << c.Transparent);
        Dock->SetColor(c.Color);
        Dock->SetBackgroundTransparent(c.Transparent);
        EXPECT_EQ(Dock->BackgroundCache(), nullptr);
        TPrintedImage img(Dock->Handle());
        const TBitmap* cache = Dock->BackgroundCache();
        EXPECT_EQ(cache != nullptr, c.Transparent);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 40; ++x)
                ASSERT_EQ(img.Pixel(x, y), (x + y) % 2 == 1 ? c.Shown : Blue) << x << "," << y;
        TPrintedImage again(Dock->Handle());
        EXPECT_EQ(Dock->BackgroundCache(), cache);  // built once, reused
    }
}

// Bound lines: top and left in shadow, bottom and right in highlight (which wins the top-right
// and bottom-left corners); not drawn while no tool window shows, the pixels then in Color.
TEST_F(DockPaintTest, BoundLinesAndFrameFill)
{
    Dock->SetColor(clTeal);
    TToolWindow97* bar = MakeBar(Dock, 60, 22);
    const COLORREF shadow = Sys(COLOR_BTNSHADOW), light = Sys(COLOR_BTNHIGHLIGHT), teal = RGB(0, 128, 128);
    struct {
        TDockBoundLines Lines;
        bool FixAlignHidden;
        int Height, ClientHeight;
        COLORREF Top, Bottom, TopLeft, TopRight, BottomLeft;  // row 0, last row (middle), corners
    } cases[] = {
        {{blTop, blBottom}, false, 28, 26, shadow, light, shadow, shadow, light},
        {{blTop, blBottom, blLeft, blRight}, false, 28, 26, shadow, light, shadow, light, light},
        {{blTop, blBottom}, true, 1, 0, teal, teal, teal, teal, teal},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "lines " << c.Lines.Bits() << " hidden " << c.FixAlignHidden);
        Dock->SetBoundLines(c.Lines);
        Dock->SetFixAlign(c.FixAlignHidden);
        bar->SetVisible(!c.FixAlignHidden);
        PumpMessages(0);
        ASSERT_EQ(Dock->Height(), c.Height);
        if (c.ClientHeight > 0)
            EXPECT_EQ(Dock->ClientRect().bottom, c.ClientHeight);
        TPrintedImage img(Dock->Handle());
        const int w = img.Width, h = img.Height;
        EXPECT_EQ(img.Pixel(w / 2, 0), c.Top);
        EXPECT_EQ(img.Pixel(w / 2, h - 1), c.Bottom);
        EXPECT_EQ(img.Pixel(0, 0), c.TopLeft);
        EXPECT_EQ(img.Pixel(w - 1, 0), c.TopRight);
        EXPECT_EQ(img.Pixel(0, h - 1), c.BottomLeft);
    }
}

// Every DC and GDI object a frame or dock paint takes is given back.
TEST_F(DockPaintTest, TenThousandRepaintsLeaveNoGdiObjectBehind)
{
    TBitmap pic;
    FillPicture(pic, 16, 16, [](int x, int y) { return y == 15 && x == 0 ? Magenta : x == y ? Magenta : Blue; });
    Dock->SetBackground(&pic);
    Dock->SetBackgroundTransparent(true);
    Dock->SetBoundLines(TDockBoundLines{blTop, blBottom});
    TToolWindow97* docked = MakeBar(Dock, 60, 22, L"Docked");
    docked->SetCloseButtonWhenDocked(true);
    TToolWindow97* floating = MakeBar(Dock, 60, 22, L"Floating");
    floating->SetDockedTo(nullptr);
    PumpMessages(20);
    const TGdiCounts before = GdiLiveCounts();
    for (int i = 0; i < 10000; ++i) {
        switch (i % 4) {
        case 0: SendMessageW(Dock->Handle(), WM_NCPAINT, 1, 0); break;
        case 1: SendMessageW(docked->Handle(), WM_NCPAINT, 1, 0); break;
        case 2: SendMessageW(floating->Handle(), WM_NCPAINT, 1, 0); break;
        default: RedrawWindow(Dock->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        }
        if (i % 100 == 0)
            Dock->SetColor(i % 200 == 0 ? clRed : clLime);  // drops and rebuilds the cache
    }
    PumpMessages(20);
    const TGdiCounts after = GdiLiveCounts();
    EXPECT_EQ(after.Objects, before.Objects);
    EXPECT_EQ(after.DCs, before.DCs);
}
