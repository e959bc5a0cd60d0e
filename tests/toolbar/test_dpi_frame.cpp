// Tool-window frames at 120 and 144 DPI, assumed from the start or brought by WM_DPICHANGED:
// frame sizes, hit zones from both sides, grip bars and the docked close button on the screen.
#include "DibSurface.h"
#include "Dpi.h"
#include "StdCtrls.h"
#include "test_dock_support.h"

namespace {

// The hit test at (x, y) of the window, and the client area's offset in it.
LRESULT HitAt(TWinControl* c, int x, int y)
{
    const RECT w = WindowRectOf(c);
    return SendMessageW(c->Handle(), WM_NCHITTEST, 0, MAKELPARAM(w.left + x, w.top + y));
}

POINT ClientOffset(TWinControl* c)
{
    return POINT{c->ClientOrigin().x - WindowRectOf(c).left, c->ClientOrigin().y - WindowRectOf(c).top};
}

}  // namespace

TEST(DpiFrame, FramesAndHitZonesFollowTheDpi)
{
    // By hand from the 96-DPI sizes, times 1.25 or 1.5 with halves away from zero.
    // Border, Handle: the docked frame, the handle with a docked close button; Close: that button on a top dock.
    const struct { int Dpi; bool ByMessage; int Border, Handle; RECT Close; int FirstBar, Grip, Line, FontHeight; } rows[] = {
        {120, false, 3, 18, {4, 3, 18, 17}, 7, 4, 1, -14},
        {144, false, 3, 21, {5, 3, 21, 19}, 8, 5, 2, -17},
        {144, true, 3, 21, {5, 3, 21, 19}, 8, 5, 2, -17}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.Dpi << (row.ByMessage ? " by WM_DPICHANGED" : ""));
        SetAssumedDisplayDpi(row.ByMessage ? 96 : row.Dpi);
        TScopeExit real([] { SetAssumedDisplayDpi(0); });
        auto* form = new TForm(nullptr);
        TScopeExit gone([form] { delete form; });
        form->SetBounds(100, 100, 520, 300);
        auto* dock = new TDock97(form);
        dock->SetParent(form);
        auto* docked = new TToolWindow97(form);
        docked->SetColor(clTeal);
        docked->SetCloseButtonWhenDocked(true);
        docked->SetParent(dock);
        docked->SetClientAreaSize(60, 24);
        auto* floating = new TToolWindow97(form);
        auto* button = new TButton(form);
        button->SetParent(floating);
        button->SetBounds(10, 2, 30, 17);
        floating->SetParent(dock);
        floating->SetClientAreaSize(120, 60);
        floating->SetFloatingPosition(POINT{700, 300});
        floating->SetDockedTo(nullptr);
        form->Show();
        PumpMessages(50);
        if (row.ByMessage) {
            RECT formRect = WindowRectOf(form), suggested{650, 320, 850, 420};
            SendMessageW(form->Handle(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&formRect));
            SendMessageW(floating->Handle(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
            PumpMessages(50);
            // The contents scale; the place is the suggested one, the size the contents' own.
            const RECT placed = WindowRectOf(floating);
            EXPECT_EQ((std::vector<int>{docked->ClientHeight(), floating->ClientWidth(), floating->ClientHeight(),
                                        floating->MinClientWidth(), button->Left(), button->BoundsRect().bottom,
                                        placed.left, placed.top}),
                      (std::vector<int>{36, 180, 90, 48, 15, 29, 650, 320}));
        }
        // Docked: the frame, the row as thick as the tool window. Floating: the system's frame and
        // small caption at this DPI, its default font too.
        const int bx = SystemMetricsForDpi(SM_CXSIZEFRAME, row.Dpi), by = SystemMetricsForDpi(SM_CYSIZEFRAME, row.Dpi);
        const int cap = SystemMetricsForDpi(SM_CYSMCAPTION, row.Dpi), width = floating->Width();
        EXPECT_EQ((std::vector<int>{ClientOffset(docked).x, ClientOffset(docked).y, dock->Height(), floating->NCAreaWidth(),
                                    ClientOffset(floating).y, button->Font()->Height()}),
                  (std::vector<int>{row.Border + row.Handle, row.Border, docked->Height(), 2 * bx, by + cap, row.FontHeight}));
        const RECT& c = row.Close;
        const int k = cap - row.Line + bx, close = width - bx - (cap - row.Line);
        const int ymid = by + cap + floating->ClientHeight() / 2, bottom = floating->Height() - by;
        const struct { TWinControl* Window; int X, Y; LRESULT Expected; } hits[] = {
            {docked, c.left, c.top, HTCLOSE}, {docked, c.left - 1, c.top, HTCLIENT},
            {docked, c.right - 1, c.bottom - 1, HTCLOSE}, {docked, c.right, c.bottom - 1, HTCLIENT},
            {floating, bx - 1, ymid, HTLEFT}, {floating, bx, ymid, HTCLIENT}, {floating, width - bx, ymid, HTRIGHT},
            {floating, 0, k - 1, HTTOPLEFT}, {floating, 0, k, HTLEFT}, {floating, width / 2, by - 1, HTTOP},
            {floating, width / 2, by, HTCLIENT}, {floating, width / 2, bottom, HTBOTTOM},
            {floating, width / 2, bottom - 1, HTCLIENT}, {floating, close, by, HTCLOSE}, {floating, close - 1, by, HTCLIENT},
            {floating, close, by + cap - row.Line - 1, HTCLOSE},
            {floating, width - bx - row.Line, by + cap - 1, HTRIGHT}};  // the right strip a line wider than the left
        for (const auto& h : hits)
            EXPECT_EQ(HitAt(h.Window, h.X, h.Y), h.Expected) << (h.Window == docked ? "docked " : "") << h.X << ", " << h.Y;
        EXPECT_NE(HitAt(floating, width - bx - row.Line - 1, by + cap - 1), HTRIGHT);
        // The screen: two grip bars, their edges a line thick, the gaps in the tool window's colour,
        // which also borders the close button's square; the bars start below the button.
        const RECT w = WindowRectOf(docked);
        const std::vector<uint32_t> screen = ScreenPixels(w);
        const auto pixel = [&](int x, int y) { return AsColorRef(screen[size_t(y) * (w.right - w.left) + x]); };
        const int y = (row.Handle + docked->ClientHeight() + row.Border) / 2, first = row.FirstBar, line = row.Line;
        const COLORREF teal = ColorToRGB(clTeal), light = GetSysColor(COLOR_BTNHIGHLIGHT);
        const struct { int X, Y; COLORREF Colour; } pixels[] = {
            {first - 1, y, teal}, {first + line - 1, y, light}, {first + line, y, GetSysColor(COLOR_BTNFACE)},
            {first + row.Grip - line, y, GetSysColor(COLOR_BTNSHADOW)}, {first + row.Grip, y, light},
            {first + 2 * row.Grip, y, teal}, {first, row.Handle - 1, teal}, {c.right, c.bottom - 2, teal}};
        for (const auto& p : pixels)
            EXPECT_EQ(pixel(p.X, p.Y), p.Colour) << p.X << ", " << p.Y;
        EXPECT_NE(pixel(c.right - 1, c.bottom - 2), teal);
    }
}
