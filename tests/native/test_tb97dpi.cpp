// The framework's sizes at 96, 120 and 144 DPI, read through what uses them.
#include <gtest/gtest.h>

#include "TB97DragGeometry.h"
#include "TB97Rows.h"

// By hand: every 96-DPI size times 1.25 or 1.5, halves away from zero; the system's metrics
// (different across and down) pass through.
TEST(TB97Dpi, SizesFollowTheDpi)
{
    struct TRow {
        int32_t Dpi, Line, Border, TopWidth;  // dhDouble on a top dock: the frame along the row
        TGeomRect CloseOnLeft;                // dhSingle with a docked close button, client width 50
        int32_t Row, Dock;                    // a bar of size 3; the dock with top and bottom lines
        int32_t Gap;                          // the band at a row's far edge that asks for a new row
        TGeomPoint Sense;                     // how far beyond a dock a drag still docks
    } const rows[] = {{96, 1, 2, 13, {41, 3, 52, 14}, 12, 14, 5, {32, 20}},
                      {120, 1, 3, 17, {39, 4, 53, 18}, 16, 18, 6, {40, 25}},
                      {144, 2, 3, 20, {37, 5, 53, 21}, 18, 22, 8, {48, 30}}};
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Dpi);
        TFrameState docked;
        docked.IsDocked = true;
        docked.Metrics = FrameMetricsForDpi(row.Dpi, {4, 5, 3, 2, 15, 19});
        const TFrameMetrics& m = docked.Metrics;
        const int32_t b = row.Border;
        EXPECT_EQ(CalculateNonClientSizes(docked, {0, 0, 100, 40}).ClientRect,
                  (TGeomRect{row.TopWidth - b, b, 100 - b, 40 - b}));
        EXPECT_EQ(GetDockedCloseButtonRect(true, dhSingle, true, 50, m), row.CloseOnLeft);
        // The caption strip's end, one line less high than the caption.
        EXPECT_EQ(GetCloseButtonRect(m, true, 100, true), (TGeomRect{104 - (15 - row.Line), 5, 104, 20 - row.Line}));
        const TDockArrangement arranged =
            ArrangeDock({.Width = 300, .BoundLinesHeight = BoundLinesHeightOf({blTop, blBottom}, m),
                         .Members = {{.Shown = true, .GetBarSize = [](TDockType) { return 3; }}}, .Metrics = m});
        ASSERT_EQ(arranged.Placements.size(), 1u);
        EXPECT_EQ(arranged.Placements[0].Bounds.Height, row.Row);
        EXPECT_EQ(arranged.DockSize.Height, row.Dock);
        EXPECT_EQ(GetDockRowOf(arranged.RowInfo, 0, row.Gap - 1, m), (TDockRowHit{0, true}));
        EXPECT_EQ(GetDockRowOf(arranged.RowInfo, 0, row.Gap, m), (TDockRowHit{0, false}));
        EXPECT_EQ(GetDockRowOf(arranged.RowInfo, 0, row.Row - row.Gap - 1, m), (TDockRowHit{0, false}));
        EXPECT_EQ(GetDockRowOf(arranged.RowInfo, 0, row.Row - row.Gap, m), (TDockRowHit{1, true}));
        // Grabbed at its top-left corner: all the sensitivity lies left of and above the dock.
        const auto docks = [&m](int32_t x, int32_t y) {
            return DockAcceptsDrop({{100, 200, 500, 230}, dpTop}, {0, 0, 999, 999}, {x, y}, {{0, 0}, {99, 29}}, m);
        };
        EXPECT_TRUE(docks(100 - row.Sense.X, 200 - row.Sense.Y));
        EXPECT_FALSE(docks(99 - row.Sense.X, 200));
        EXPECT_FALSE(docks(100, 199 - row.Sense.Y));
    }
}
