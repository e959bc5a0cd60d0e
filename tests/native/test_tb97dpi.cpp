// The framework's sizes at 96, 120 and 144 DPI, read through what uses them: frames, the
// docked close button, the caption strip, dock rows and the docking test.
#include <gtest/gtest.h>

#include <ostream>

#include "TB97DragGeometry.h"
#include "TB97Rows.h"

inline void PrintTo(const TGeomRect& r, std::ostream* os)
{
    *os << "(" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << ")";
}

namespace {

TFrameState DockedAt(const TFrameMetrics& m, bool leftRight, TDragHandleStyle style, bool closeButton)
{
    TFrameState s;
    s.IsDocked = true;
    s.LeftRight = leftRight;
    s.DragHandleStyle = style;
    s.CloseButtonWhenDocked = closeButton;
    s.Metrics = m;
    return s;
}

}  // namespace

// Expected by hand: every 96-DPI size times 1.25 or 1.5, halves away from zero, a line at
// least 1; the system's metrics (different across and down) pass through as given.
TEST(TB97Dpi, SizesFollowTheDpi)
{
    struct TRow {
        int32_t Dpi;
        TSystemFrameMetrics System;
        int32_t TopDoubleWidth, Border;   // dhDouble on a top dock: frame across, and along
        int32_t LeftCloseHeight;          // dhSingle with a docked close button on a left dock
        TGeomRect CloseOnLeft, CloseOnTop;  // docked close button, client width 50
        int32_t Line, RowThickness, DockHeight;  // a bar of size 3, bound lines at top and bottom
        int32_t SenseX, SenseY;
    } const rows[] = {
        {96, {4, 5, 3, 2, 15, 19}, 13, 2, 18, {41, 3, 52, 14}, {3, 2, 14, 13}, 1, 12, 14, 32, 20},
        {120, {5, 6, 4, 3, 19, 24}, 17, 3, 24, {39, 4, 53, 18}, {4, 3, 18, 17}, 1, 16, 18, 40, 25},
        {144, {6, 8, 4, 3, 22, 29}, 20, 3, 27, {37, 5, 53, 21}, {5, 3, 21, 19}, 2, 18, 22, 48, 30},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Dpi);
        const TFrameMetrics m = FrameMetricsForDpi(row.Dpi, row.System);

        const TNonClientSizes top = CalculateNonClientSizes(DockedAt(m, false, dhDouble, false), {0, 0, 100, 40});
        EXPECT_EQ(top.NCAreaWidth, row.TopDoubleWidth);
        EXPECT_EQ(top.NCAreaHeight, 2 * row.Border);
        EXPECT_EQ(top.ClientRect, (TGeomRect{row.TopDoubleWidth - row.Border, row.Border, 100 - row.Border,
                                             40 - row.Border}));
        const TNonClientSizes left = CalculateNonClientSizes(DockedAt(m, true, dhSingle, true));
        EXPECT_EQ(left.NCAreaWidth, 2 * row.Border);
        EXPECT_EQ(left.NCAreaHeight, row.LeftCloseHeight);
        EXPECT_EQ(GetDockedCloseButtonRect(true, dhSingle, true, 50, m), row.CloseOnLeft);
        EXPECT_EQ(GetDockedCloseButtonRect(true, dhDouble, false, 50, m), row.CloseOnTop);

        // Floating: the system's frame, the caption strip less one line, its close button square.
        TFrameState floating;
        floating.Metrics = m;
        const TSystemFrameMetrics& s = row.System;
        const TNonClientSizes f = CalculateNonClientSizes(floating);
        EXPECT_EQ(f.NCAreaWidth, 2 * s.CXSizeFrame);
        EXPECT_EQ(f.NCAreaHeight, 2 * s.CYSizeFrame + s.CYSmCaption);
        const int32_t captionBottom = s.CYSizeFrame + s.CYSmCaption - row.Line;
        EXPECT_EQ(GetCaptionRect(m, true, 100, true, false),
                  (TGeomRect{s.CXSizeFrame, s.CYSizeFrame, s.CXSizeFrame + 100, captionBottom}));
        EXPECT_EQ(GetCloseButtonRect(m, false, 100, true),
                  (TGeomRect{s.CXFixedFrame + 100 - (s.CYSmCaption - row.Line), s.CYFixedFrame,
                             s.CXFixedFrame + 100, s.CYFixedFrame + s.CYSmCaption - row.Line}));

        // A dock row as thick as its tool window's outer size; the bound lines one line each.
        TDockArrangeInput dock;
        dock.Width = 300;
        dock.BoundLinesHeight = BoundLinesHeightOf({blTop, blBottom}, m);
        dock.Metrics = m;
        TDockMember bar;
        bar.Shown = true;
        bar.Width = 50;
        bar.GetBarSize = [](TDockType) { return 3; };
        dock.Members = {bar};
        const TDockArrangement arranged = ArrangeDock(dock);
        ASSERT_EQ(arranged.Placements.size(), 1u);
        EXPECT_EQ(arranged.Placements[0].Bounds.Height, row.RowThickness);
        EXPECT_EQ(arranged.DockSize.Height, row.DockHeight);
        // The new-row bands at both ends of the row, from both sides.
        const int32_t gap = m.RowGap, end = row.RowThickness;
        EXPECT_EQ(GetDockRowOf(arranged.RowInfo, 0, gap - 1, m), (TDockRowHit{0, true}));
        EXPECT_EQ(GetDockRowOf(arranged.RowInfo, 0, gap, m), (TDockRowHit{0, false}));
        EXPECT_EQ(GetDockRowOf(arranged.RowInfo, 0, end - gap - 1, m), (TDockRowHit{0, false}));
        EXPECT_EQ(GetDockRowOf(arranged.RowInfo, 0, end - gap, m), (TDockRowHit{1, true}));
        dock.Members[0].Shown = false;
        dock.FixAlign = true;
        EXPECT_EQ(ArrangeDock(dock).DockSize.Height, row.Line);

        // Grabbed at its top-left corner, all the sensitivity lies left of and above the dock.
        const TDragDock target{{100, 200, 500, 230}, dpTop};
        const TDragGrab grab{{0, 0}, {99, 29}};
        const TGeomRect outline{0, 0, 1000, 1000};
        EXPECT_TRUE(DockAcceptsDrop(target, outline, {100 - row.SenseX, 200 - row.SenseY}, grab, m));
        EXPECT_FALSE(DockAcceptsDrop(target, outline, {99 - row.SenseX, 200}, grab, m));
        EXPECT_FALSE(DockAcceptsDrop(target, outline, {100, 199 - row.SenseY}, grab, m));
    }
}
