// Dock painting read back through WM_PRINT: the tile grid anchored at the parent's client
// origin, transparency following the dock colour, bound lines, and no GDI leak.
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

}  // namespace

using DockPaintTest = TDockFixture;

// Row 0 of every tile red, column 0 blue: the red rows and blue columns must sit on the grid
// that starts at the parent's client origin, wherever the dock is.
TEST_F(DockPaintTest, TilesAreAnchoredAtTheParentClientOrigin)
{
    TBitmap pic;
    FillPicture(pic, 16, 16, [](int x, int y) { return y == 0 ? Red : x == 0 ? Blue : Green; });
    Dock->SetBackground(&pic);
    struct {
        int Left, Top;
    } cases[] = {{0, 5}, {3, 5}, {7, 0}, {0, 21}};
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
                const COLORREF want = (y + c.Top) % 16 == 0 ? Red : (x + c.Left) % 16 == 0 ? Blue : Green;
                if (img.Pixel(x, y) != want && ++wrong < 4)
                    ADD_FAILURE() << "pixel " << x << "," << y;
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
