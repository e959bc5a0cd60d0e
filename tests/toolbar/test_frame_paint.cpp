// Tool-window frames read back through WM_PRINT (grip bars, docked close button, floating
// caption and close button, the caption fallback), and the coalescing of frame repaints.
#include "test_dock_support.h"
#include "test_paint_support.h"

namespace {

constexpr COLORREF BarColour = RGB(0, 128, 128);

COLORREF Sys(int index)
{
    return GetSysColor(index);
}

// Queued repaint messages of one number for the window, removed; their low bytes united.
int TakeQueued(HWND wnd, UINT msg, uint32_t& bits)
{
    int n = 0;
    bits = 0;
    MSG m;
    while (PeekMessageW(&m, wnd, msg, msg, PM_REMOVE)) {
        if (m.message != msg)
            continue;
        ++n;
        bits |= static_cast<uint32_t>(m.lParam & 0xFF);
    }
    return n;
}

}  // namespace

using FramePaintTest = TDockFixture;

// Grip bars: raised 3-pixel bars (highlight left/top, shadow right/bottom, face inside), the
// far-end corner pixel in highlight, gaps in the tool window's colour.
TEST_F(FramePaintTest, GripBarsSitWhereTheTablesPutThem)
{
    struct {
        TDockPosition Position;
        bool CloseButton;
        TDragHandleStyle Style;
        int FirstBar, Bars, Start;  // first bar's offset, count, where bars start along the handle
    } cases[] = {
        {dpTop, false, dhDouble, 4, 2, 2},  {dpTop, true, dhDouble, 5, 2, 14},
        {dpTop, false, dhSingle, 3, 1, 2},  {dpTop, true, dhSingle, 7, 1, 14},
        {dpLeft, false, dhDouble, 4, 2, 2}, {dpLeft, true, dhDouble, 5, 2, 2},
    };
    const COLORREF light = Sys(COLOR_BTNHIGHLIGHT), shadow = Sys(COLOR_BTNSHADOW), face = Sys(COLOR_BTNFACE);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "position " << int(c.Position) << " close " << c.CloseButton << " style "
                                        << int(c.Style));
        delete Dock;
        Dock = new TDock97(Form);
        Dock->SetPosition(c.Position);
        Dock->SetParent(Form);
        TToolWindow97* bar = MakeBar(Dock, 60, 40);
        bar->SetColor(clTeal);
        bar->SetCloseButtonWhenDocked(c.CloseButton);
        bar->SetDragHandleStyle(c.Style);
        PumpMessages(0);
        const bool vertical = c.Position == dpLeft;
        const RECT client = bar->ClientRect();
        const int extent = (vertical ? client.right : client.bottom) + 2;
        const int end = vertical && c.CloseButton ? extent - 12 : extent;
        TPrintedImage img(bar->Handle());
        // (along, across) -> image pixel: along runs with the bar, across through its thickness.
        auto at = [&](int across, int along) { return vertical ? img.Pixel(along, across) : img.Pixel(across, along); };
        const int mid = (c.Start + end) / 2;
        for (int i = 0; i < c.Bars; ++i) {
            const int pos = c.FirstBar + 3 * i;
            SCOPED_TRACE(testing::Message() << "bar at " << pos);
            EXPECT_EQ(at(pos, mid), light);
            EXPECT_EQ(at(pos + 1, mid), face);
            EXPECT_EQ(at(pos + 2, mid), shadow);
            EXPECT_EQ(at(pos + 1, c.Start), light);
            EXPECT_EQ(at(pos, end - 1), light);  // the corner pixel
            EXPECT_EQ(at(pos + 2, end - 1), shadow);
            EXPECT_NE(at(pos + 1, c.Start - 1), face);  // nothing before the bar's start
        }
        EXPECT_EQ(at(c.FirstBar - 1, mid), BarColour);
        EXPECT_EQ(at(c.FirstBar + 3 * c.Bars, mid), BarColour);
        EXPECT_EQ(at(1, mid), BarColour);  // inner ring
        if (c.CloseButton) {
            const RECT b = vertical ? RECT{client.right + 2 - 11, 3, client.right + 2, 14} : RECT{3, 2, 14, 13};
            int glyph = 0, barColour = 0;
            for (int y = b.top; y < b.bottom; ++y)
                for (int x = b.left; x < b.right; ++x) {
                    glyph += img.Pixel(x, y) == Sys(COLOR_BTNTEXT);
                    barColour += img.Pixel(x, y) == BarColour;
                }
            EXPECT_GT(glyph, 4);  // the cross
            EXPECT_EQ(barColour, 0);
        }
    }
}

// Floating: the caption strip from the border on, one pixel less high than the small-caption
// height, a button-face separator below it, the close button square at its right end in a ring
// of caption colour. Without the system routine the fallback fills the whole caption.
TEST_F(FramePaintTest, FloatingCaptionAndCloseButton)
{
    TToolWindow97* bar = MakeBar(Dock, 120, 40, L"FloatingBar");
    bar->SetDockedTo(nullptr);
    PumpMessages(20);
    ASSERT_FALSE(bar->IsDocked());
    const int bx = GetSystemMetrics(SM_CXSIZEFRAME), by = GetSystemMetrics(SM_CYSIZEFRAME);
    const int h = GetSystemMetrics(SM_CYSMCAPTION) - 1;
    const int cw = bar->ClientRect().right;
    BOOL gradientSetting = FALSE;
    SystemParametersInfoW(SPI_GETGRADIENTCAPTIONS, 0, &gradientSetting, 0);
    const bool gradient = gradientSetting != FALSE;
    struct {
        bool Fallback;
        bool Inactive;
    } cases[] = {{false, false}, {false, true}, {true, false}, {true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "fallback " << c.Fallback << " inactive " << c.Inactive);
        TDrawCaptionLookup previous;
        if (c.Fallback)
            previous = SetDrawCaptionLookup([] { return TDrawCaptionFunc{}; });
        bar->SetInactiveCaption(c.Inactive);
        TPrintedImage img(bar->Handle());
        if (c.Fallback)
            SetDrawCaptionLookup(previous);
        const COLORREF caption = Sys(c.Inactive ? COLOR_INACTIVECAPTION : COLOR_ACTIVECAPTION);
        const COLORREF ring = gradient ? Sys(c.Inactive ? COLOR_GRADIENTINACTIVECAPTION : COLOR_GRADIENTACTIVECAPTION)
                                       : caption;
        EXPECT_EQ(img.Pixel(bx, by), caption);  // caption's first pixel
        EXPECT_NE(img.Pixel(bx - 1, by), caption);
        EXPECT_EQ(img.Pixel(bx + 1, by + h), Sys(COLOR_BTNFACE));  // separator
        EXPECT_EQ(img.Pixel(bx + 1, by + h - 1), caption);
        const int closeLeft = bx + cw - h;
        for (int i = 0; i < h; ++i) {
            ASSERT_EQ(img.Pixel(closeLeft, by + i), ring) << i;
            ASSERT_EQ(img.Pixel(bx + cw - 1, by + i), ring) << i;
        }
        if (c.Fallback)
            EXPECT_EQ(img.Pixel(closeLeft - 1, by + 1), caption);  // no gradient without the system routine
        int glyph = 0;
        for (int y = by + 2; y < by + h - 2; ++y)
            for (int x = closeLeft + 2; x < closeLeft + h - 2; ++x)
                glyph += img.Pixel(x, y) == Sys(COLOR_BTNTEXT);
        EXPECT_GT(glyph, 4);
    }
}

// The fallback's text: a long caption comes out as a prefix and "...", a caption that cannot
// fit keeps one character; measured against the real font by the pixels the text covers.
TEST_F(FramePaintTest, OldStyleCaptionShortensWithDots)
{
    TToolWindow97* bar = MakeBar(Dock, 60, 40, L"Bar");
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 200, 20);
    HGDIOBJ old = SelectObject(dc, bmp);
    const COLORREF text = Sys(COLOR_CAPTIONTEXT);
    // Rightmost text pixel in the strip r.
    auto rightmostText = [&](int width) {
        const RECT all{0, 0, 200, 20};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
        const RECT r{0, 0, width, 14};
        bar->DrawOldStyleCaption(dc, r);
        int last = -1;
        for (int x = 0; x < 200; ++x)
            for (int y = 0; y < 14; ++y)
                if (GetPixel(dc, x, y) == text)
                    last = x;
        return last;
    };
    bar->SetCaption(L"A caption far too long for the strip");
    const int shortened = rightmostText(80);
    EXPECT_GT(shortened, 10);
    EXPECT_LT(shortened, 80);
    bar->SetCaption(L"W");
    const int fits = rightmostText(80);
    bar->SetCaption(L"WWWW");
    const int tiny = rightmostText(6);  // even one W does not fit: drawn clipped, not dropped
    EXPECT_GT(fits, 0);
    EXPECT_GE(tiny, 0);
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}

// Repaint requests coalesce into one posted message carrying the union; hidden windows post
// none; a quit request met while cancelling is put back.
TEST_F(FramePaintTest, FrameRepaintsCoalesce)
{
    TToolWindow97* bar = MakeBar(Dock, 80, 30, L"Floating");
    bar->SetDockedTo(nullptr);
    PumpMessages(20);
    HWND wnd = bar->Handle();
    uint32_t bits = 0;
    TakeQueued(wnd, WM_TB97PaintFloatingNCArea, bits);
    const TToolWindowNCRedrawWhat sets[] = {{twrdBorder}, {twrdCaption}, {}, {twrdCaption}, {twrdCloseButton}};
    for (int i = 0; i < 10; ++i)
        bar->InvalidateFloatingNCArea(sets[i % 5]);
    EXPECT_EQ(TakeQueued(wnd, WM_TB97PaintFloatingNCArea, bits), 1);
    EXPECT_EQ(bits, (TToolWindowNCRedrawWhat{twrdBorder, twrdCaption, twrdCloseButton}.Bits()));
    for (int i = 0; i < 10; ++i)
        bar->InvalidateFloatingNCArea(TToolWindowNCRedrawWhat{twrdCaption});
    EXPECT_EQ(TakeQueued(wnd, WM_TB97PaintFloatingNCArea, bits), 1);
    EXPECT_EQ(bits, TToolWindowNCRedrawWhat{twrdCaption}.Bits());

    bar->InvalidateFloatingNCArea(TToolWindowNCRedrawWhat{twrdCloseButton});
    EXPECT_EQ(bar->ValidateFloatingNCArea(), TToolWindowNCRedrawWhat{twrdCloseButton});
    EXPECT_EQ(TakeQueued(wnd, WM_TB97PaintFloatingNCArea, bits), 0);

    bar->Hide();
    PumpMessages(10);
    for (int i = 0; i < 10; ++i)
        bar->InvalidateFloatingNCArea(TToolWindowNCRedrawWhat{twrdCaption});
    EXPECT_EQ(TakeQueued(wnd, WM_TB97PaintFloatingNCArea, bits), 0);
    bar->Show();
    PumpMessages(10);

    bar->InvalidateFloatingNCArea(TToolWindowNCRedrawWhat{twrdBorder});
    PostQuitMessage(7);
    bar->InvalidateFloatingNCArea(TToolWindowNCRedrawWhat{twrdCaption});
    MSG m;
    ASSERT_TRUE(PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(m.wParam, 7u);
    TakeQueued(wnd, WM_TB97PaintFloatingNCArea, bits);

    // Docked: the same for the docked frame's message.
    bar->SetDockedTo(Dock);
    PumpMessages(20);
    for (int i = 0; i < 10; ++i)
        bar->InvalidateDockedNCArea();
    EXPECT_EQ(TakeQueued(bar->Handle(), WM_TB97PaintDockedNCArea, bits), 1);
}
