// Tool-window frames at 120 and 144 DPI on the real windows: the display's DPI assumed from
// the start, or brought by WM_DPICHANGED to a form and to a floating tool window at 96 DPI.
// Frame sizes, hit zones from both sides of each edge, and the grip bars and the docked close
// button as the screen shows them.
#include <windowsx.h>

#include "DibSurface.h"
#include "Dpi.h"
#include "StdCtrls.h"
#include "test_dock_support.h"

namespace {

// By hand from the 96-DPI sizes, times 1.25 or 1.5 with halves away from zero.
struct TDpiRow {
    int Dpi;
    bool ByMessage;
    int Border, Handle;  // docked frame, and the handle with a docked close button
    RECT Close;          // docked close button on a top dock, window coordinates
    int FirstBar, Grip, Line;
    int FontHeight;  // of the default font, floating: points stay points
};
const TDpiRow Rows[] = {
    {120, false, 3, 18, {4, 3, 18, 17}, 7, 4, 1, -14},
    {144, false, 3, 21, {5, 3, 21, 19}, 8, 5, 2, -17},
    {144, true, 3, 21, {5, 3, 21, 19}, 8, 5, 2, -17},
};

LRESULT HitAt(HWND wnd, POINT p)
{
    RECT w{};
    GetWindowRect(wnd, &w);
    return SendMessageW(wnd, WM_NCHITTEST, 0, MAKELPARAM(w.left + p.x, w.top + p.y));
}

POINT ClientOffset(HWND wnd)
{
    RECT w{};
    GetWindowRect(wnd, &w);
    POINT origin{0, 0};
    ClientToScreen(wnd, &origin);
    return POINT{origin.x - w.left, origin.y - w.top};
}

}  // namespace

TEST(DpiFrame, FramesAndHitZonesFollowTheDpi)
{
    for (const TDpiRow& row : Rows) {
        SCOPED_TRACE(testing::Message() << row.Dpi << (row.ByMessage ? " by WM_DPICHANGED" : " from the start"));
        SetAssumedDisplayDpi(row.ByMessage ? 96 : row.Dpi);
        TScopeExit real([] { SetAssumedDisplayDpi(0); });
        auto* form = new TForm(nullptr);
        TScopeExit gone([form] {
            delete form;
            PumpMessages(10);
        });
        form->SetBounds(100, 100, 520, 300);
        auto* dock = new TDock97(form);
        dock->SetParent(form);
        auto* docked = new TToolWindow97(form);
        docked->SetName(L"Docked");
        docked->SetColor(clTeal);
        docked->SetCloseButtonWhenDocked(true);
        docked->SetParent(dock);
        docked->SetClientAreaSize(60, 24);
        auto* floating = new TToolWindow97(form);
        floating->SetName(L"Floating");
        auto* button = new TButton(form);
        button->SetParent(floating);
        button->SetBounds(10, 2, 30, 17);
        floating->SetParent(dock);
        floating->SetClientAreaSize(120, 60);
        floating->SetFloatingPosition(POINT{700, 300});
        floating->SetDockedTo(nullptr);
        form->Show();
        BringToFront(form->Handle());
        PumpMessages(50);
        if (row.ByMessage) {
            RECT formRect{}, suggested{650, 320, 850, 420};
            GetWindowRect(form->Handle(), &formRect);
            SendMessageW(form->Handle(), WM_DPICHANGED, MAKEWPARAM(row.Dpi, row.Dpi), reinterpret_cast<LPARAM>(&formRect));
            SendMessageW(floating->Handle(), WM_DPICHANGED, MAKEWPARAM(row.Dpi, row.Dpi),
                         reinterpret_cast<LPARAM>(&suggested));
            PumpMessages(50);
            // The contents scale; the place is the suggested one, the size the contents' own.
            EXPECT_EQ(floating->ClientWidth(), 180);
            EXPECT_EQ(floating->ClientHeight(), 90);
            EXPECT_EQ(floating->MinClientWidth(), 48);
            EXPECT_EQ(button->BoundsRect().left, 15);
            EXPECT_EQ(button->BoundsRect().bottom, 29);
            EXPECT_EQ(docked->ClientHeight(), 36);
            const RECT placed = WindowRectOf(floating);
            EXPECT_EQ(placed.left, 650);
            EXPECT_EQ(placed.top, 320);
        }

        // Docked: the frame around the client area, the handle before it.
        HWND bar = docked->Handle();
        EXPECT_EQ(docked->NCAreaWidth(), 2 * row.Border + row.Handle);
        EXPECT_EQ(docked->NCAreaHeight(), 2 * row.Border);
        EXPECT_EQ(ClientOffset(bar).x, row.Border + row.Handle);
        EXPECT_EQ(ClientOffset(bar).y, row.Border);
        EXPECT_EQ(dock->Height(), docked->Height()) << "the row is as thick as the tool window";
        const RECT& c = row.Close;
        const struct {
            POINT P;
            LRESULT Expected;
        } dockedHits[] = {{{c.left, c.top}, HTCLOSE},         {{c.left - 1, c.top}, HTCLIENT},
                          {{c.right - 1, c.bottom - 1}, HTCLOSE}, {{c.right, c.bottom - 1}, HTCLIENT},
                          {{c.left, c.bottom}, HTCLIENT}};
        for (const auto& h : dockedHits)
            EXPECT_EQ(HitAt(bar, h.P), h.Expected) << "docked " << h.P.x << ", " << h.P.y;

        // The screen: two grip bars below the close button, their edges a line thick, the
        // gaps in the tool window's colour; the close button's square edged by that colour.
        const RECT w = WindowRectOf(docked);
        const std::vector<uint32_t> screen = ScreenPixels(w);
        const auto pixel = [&](int x, int y) { return AsColorRef(screen[static_cast<size_t>(y) * (w.right - w.left) + x]); };
        const int y = (row.Handle + docked->ClientHeight() + row.Border) / 2;
        const COLORREF teal = ColorToRGB(clTeal), light = GetSysColor(COLOR_BTNHIGHLIGHT);
        const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
        const struct {
            int X;
            COLORREF Expected;
        } columns[] = {{row.FirstBar - 1, teal},
                       {row.FirstBar + row.Line - 1, light},
                       {row.FirstBar + row.Line, GetSysColor(COLOR_BTNFACE)},
                       {row.FirstBar + row.Grip - row.Line, shadow},
                       {row.FirstBar + row.Grip, light},
                       {row.FirstBar + 2 * row.Grip - 1, shadow},
                       {row.FirstBar + 2 * row.Grip, teal}};
        for (const auto& col : columns)
            EXPECT_EQ(pixel(col.X, y), col.Expected) << "column " << col.X;
        EXPECT_EQ(pixel(row.FirstBar, row.Handle - 1), teal) << "the bars start below the button";
        const POINT edges[][2] = {{{c.left, c.top + 2}, {c.left - 1, c.top + 2}},
                                  {{c.right - 1, c.top + 2}, {c.right, c.top + 2}},
                                  {{c.left + 2, c.top}, {c.left + 2, c.top - 1}},
                                  {{c.left + 2, c.bottom - 1}, {c.left + 2, c.bottom}}};
        for (const auto& e : edges) {
            EXPECT_NE(pixel(e[0].x, e[0].y), teal) << "button " << e[0].x << ", " << e[0].y;
            EXPECT_EQ(pixel(e[1].x, e[1].y), teal) << "beside it " << e[1].x << ", " << e[1].y;
        }

        // Floating: the system's frame and small caption at this DPI.
        HWND fw = floating->Handle();
        const int bx = SystemMetricsForDpi(SM_CXSIZEFRAME, row.Dpi), by = SystemMetricsForDpi(SM_CYSIZEFRAME, row.Dpi);
        const int caption = SystemMetricsForDpi(SM_CYSMCAPTION, row.Dpi);
        EXPECT_EQ(floating->NCAreaWidth(), 2 * bx);
        EXPECT_EQ(floating->NCAreaHeight(), 2 * by + caption);
        EXPECT_EQ(ClientOffset(fw).y, by + caption);
        EXPECT_EQ(button->Font()->Height(), row.FontHeight);
        const int width = floating->Width(), height = floating->Height();
        const int k = caption - row.Line + bx, closeLeft = width - bx - (caption - row.Line);
        const int ymid = by + caption + floating->ClientHeight() / 2, xmid = width / 2;
        const struct {
            POINT P;
            LRESULT Expected;
        } floatingHits[] = {
            {{bx - 1, ymid}, HTLEFT},        {{bx, ymid}, HTCLIENT},
            {{width - bx, ymid}, HTRIGHT},   {{width - bx - 1, ymid}, HTCLIENT},
            {{0, k - 1}, HTTOPLEFT},         {{0, k}, HTLEFT},
            {{xmid, by - 1}, HTTOP},         {{xmid, by}, HTCLIENT},  // the caption
            {{xmid, height - by}, HTBOTTOM}, {{xmid, height - by - 1}, HTCLIENT},
            {{closeLeft, by}, HTCLOSE},      {{closeLeft - 1, by}, HTCLIENT},
            {{closeLeft, by + caption - row.Line - 1}, HTCLOSE},
            {{width - bx - row.Line, by + caption - 1}, HTRIGHT},  // the separator: the wider right strip
        };
        for (const auto& h : floatingHits)
            EXPECT_EQ(HitAt(fw, h.P), h.Expected) << "floating " << h.P.x << ", " << h.P.y;
        EXPECT_NE(HitAt(fw, POINT{width - bx - row.Line - 1, by + caption - 1}), HTRIGHT);
    }
}
