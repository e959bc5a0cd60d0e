// Frame sizes, tool window sizing, dock resizing and keeping a window on its work area.
#include <gtest/gtest.h>

#include <ostream>

#include "TB97Geometry.h"

// Readable failure messages.
inline void PrintTo(const TGeomRect& r, std::ostream* os)
{
    *os << "(" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << ")";
}
inline void PrintTo(const TGeomBounds& b, std::ostream* os)
{
    *os << "bounds(" << b.Left << ", " << b.Top << ", " << b.Width << " x " << b.Height << ")";
}
inline void PrintTo(const TGeomSize& s, std::ostream* os) { *os << s.Width << " x " << s.Height; }
inline void PrintTo(const TGeomPoint& p, std::ostream* os) { *os << "(" << p.X << ", " << p.Y << ")"; }

namespace {

TFrameMetrics WineMetrics(int32_t smallCaption)
{
    TFrameMetrics m;
    m.CXSizeFrame = m.CYSizeFrame = 4;
    m.CXFixedFrame = m.CYFixedFrame = 3;
    m.CYSmCaption = smallCaption;
    m.CYCaption = 19;
    return m;
}

TFrameState Docked(bool leftRight, TDragHandleStyle style, bool closeButton, bool allowDrag = true)
{
    TFrameState s;
    s.IsDocked = true;
    s.LeftRight = leftRight;
    s.DragHandleStyle = style;
    s.CloseButtonWhenDocked = closeButton;
    s.DockAllowDrag = allowDrag;
    return s;
}

}  // namespace

TEST(TB97Frame, DockedNonClientSizesByHandleStyleAndDock)
{
    struct Case {
        TDragHandleStyle style;
        bool closeButton;
        int32_t along;  // frame along the row: 4 plus the handle
    } cases[] = {{dhDouble, false, 13}, {dhSingle, false, 10}, {dhNone, false, 4},
                 {dhDouble, true, 18},  {dhSingle, true, 18},  {dhNone, true, 18}};
    for (const Case& c : cases) {
        TNonClientSizes top = CalculateNonClientSizes(Docked(false, c.style, c.closeButton), {0, 0, 100, 30});
        EXPECT_EQ(top.NCAreaWidth, c.along);
        EXPECT_EQ(top.NCAreaHeight, 4);
        EXPECT_EQ(top.ClientRect, (TGeomRect{c.along - 2, 2, 98, 28}));
        TNonClientSizes left = CalculateNonClientSizes(Docked(true, c.style, c.closeButton), {10, 20, 40, 120});
        EXPECT_EQ(left.NCAreaWidth, 4);
        EXPECT_EQ(left.NCAreaHeight, c.along);
        EXPECT_EQ(left.ClientRect, (TGeomRect{12, 20 + c.along - 2, 38, 118}));

        // The size helpers give the same frame (their callers only ask about draggable docks).
        EXPECT_EQ(AddDockedNCAreaToSize({50, 22}, c.closeButton, c.style, false), (TGeomPoint{50 + c.along, 26}));
        EXPECT_EQ(AddDockedNCAreaToSize({22, 50}, c.closeButton, c.style, true), (TGeomPoint{26, 50 + c.along}));
    }
    // A dock that does not allow dragging: the plain 2-pixel border, whatever the style.
    TNonClientSizes plain = CalculateNonClientSizes(Docked(false, dhDouble, true, false), {0, 0, 100, 30});
    EXPECT_EQ(plain.NCAreaWidth, 4);
    EXPECT_EQ(plain.NCAreaHeight, 4);
    EXPECT_EQ(plain.ClientRect, (TGeomRect{2, 2, 98, 28}));
    EXPECT_EQ(GetDockedNCArea(false, dhDouble, false), (TNCArea{{11, 2}, {2, 2}}));

    EXPECT_EQ(HandleBarStart(false, dhDouble), 2);
    EXPECT_EQ(HandleBarStart(false, dhSingle), 1);
    EXPECT_EQ(HandleBarStart(true, dhDouble), 3);
    EXPECT_EQ(HandleBarStart(true, dhSingle), 5);
    EXPECT_EQ(HandleBarStart(true, dhNone), 0);
    // A style value outside the enumeration reads as the default instead of past the table.
    EXPECT_EQ(DockedHandleSize(false, static_cast<TDragHandleStyle>(7)), 9);

    // The docked close button is 11 x 11: top of the left strip, or right end of the top strip.
    EXPECT_EQ(GetDockedCloseButtonRect(true, dhSingle, false, 80), (TGeomRect{3, 2, 14, 13}));
    EXPECT_EQ(GetDockedCloseButtonRect(true, dhDouble, true, 50), (TGeomRect{41, 3, 52, 14}));
}

TEST(TB97Frame, FloatingFrameAndCaption)
{
    TFrameState s;
    s.Metrics = WineMetrics(15);
    TNonClientSizes f = CalculateNonClientSizes(s, {100, 100, 208, 151});
    EXPECT_EQ(f.NCAreaWidth, 8);
    EXPECT_EQ(f.NCAreaHeight, 23);
    EXPECT_EQ(f.ClientRect, (TGeomRect{104, 119, 204, 147}));

    s.Resizable = false;
    s.ShowCaption = false;
    f = CalculateNonClientSizes(s);
    EXPECT_EQ(f.NCAreaWidth, 6);
    EXPECT_EQ(f.NCAreaHeight, 6);
    EXPECT_EQ(AddFloatingNCAreaToSize({100, 24}, s.Metrics, false, true), (TGeomPoint{106, 45}));

    // Old-style windows take the caption metric less one.
    TFrameMetrics old = WineMetrics(15);
    old.NewStyleWindows = false;
    EXPECT_EQ(GetSmallCaptionHeight(old), 18);
    EXPECT_EQ(GetFloatingNCArea(old, true, true), (TNCArea{{4, 22}, {4, 4}}));

    // Caption strip of a client 100 wide: 14 high from (4, 4), close button the square at its end.
    const TFrameMetrics m = WineMetrics(15);
    EXPECT_EQ(GetCaptionRect(m, true, 100, true, false), (TGeomRect{4, 4, 104, 18}));
    EXPECT_EQ(GetCaptionRect(m, true, 100, true, true), (TGeomRect{4, 4, 90, 18}));
    EXPECT_EQ(GetCaptionRect(m, false, 100, false, true), (TGeomRect{0, 0, 86, 14}));
    EXPECT_EQ(GetCloseButtonRect(m, true, 100, true), (TGeomRect{90, 4, 104, 18}));
}

TEST(TB97Size, FloatingRowStretchAndFullSize)
{
    // Floating: contents plus frame.
    EXPECT_EQ(ToolWindowOuterSize({100, 24}, std::nullopt, 8, 27), (TGeomSize{108, 51}));
    TFrameState floating;
    floating.Metrics = WineMetrics(19);
    TNonClientSizes nc = CalculateNonClientSizes(floating);
    EXPECT_EQ(ToolWindowOuterSize({100, 24}, std::nullopt, nc.NCAreaWidth, nc.NCAreaHeight), (TGeomSize{108, 51}));

    // On a top dock: stretched to a thicker row, never squeezed below the contents.
    TDockedSizing top;
    top.Position = dpTop;
    top.RowSize = 30;
    top.DockWidth = 500;
    EXPECT_EQ(ToolWindowOuterSize({60, 22}, top, 13, 4), (TGeomSize{73, 34}));
    top.RowSize = 18;
    EXPECT_EQ(ToolWindowOuterSize({60, 22}, top, 13, 4), (TGeomSize{73, 26}));

    // Full-size: the dock's client length whatever the contents need.
    top.FullSize = true;
    EXPECT_EQ(ToolWindowOuterSize({60, 22}, top, 13, 4), (TGeomSize{500, 26}));
    EXPECT_EQ(ToolWindowOuterSize({900, 22}, top, 13, 4).Width, 500);
    top.BoundLinesWidth = 2;
    EXPECT_EQ(ToolWindowOuterSize({60, 22}, top, 13, 4).Width, 498);

    // A right dock swaps the roles.
    TDockedSizing right;
    right.Position = dpRight;
    right.RowSize = 30;
    right.DockWidth = 40;
    right.DockHeight = 400;
    right.BoundLinesHeight = 1;
    EXPECT_EQ(ToolWindowOuterSize({22, 60}, right, 4, 13), (TGeomSize{34, 73}));
    right.FullSize = true;
    EXPECT_EQ(ToolWindowOuterSize({22, 60}, right, 4, 13), (TGeomSize{34, 399}));
}

TEST(TB97Size, DesignerMoveTakesRowFromTheMiddle)
{
    EXPECT_EQ(DesignModeMoveTarget(dpTop, 70, 30, 200, 25).RowCoordinate, 42);
    EXPECT_EQ(DesignModeMoveTarget(dpTop, 70, 30, 200, 25).DockPos, 70);
    EXPECT_EQ(DesignModeMoveTarget(dpRight, 70, 30, 25, 200).RowCoordinate, 82);
    EXPECT_EQ(DesignModeMoveTarget(dpRight, 70, 30, 25, 200).DockPos, 30);
    EXPECT_EQ(DesignModeMoveTarget(dpBottom, 0, -9, 10, -5).RowCoordinate, -11);  // truncates toward zero
}

TEST(TB97Dock, ResizeKeepsTheAlignedEdge)
{
    const TGeomBounds topDock{0, 0, 300, 10};
    EXPECT_EQ(DockResizeBounds(topDock, dpTop, 300, 26), (TGeomBounds{0, 0, 300, 26}));
    EXPECT_EQ(DockResizeBounds({0, 200, 300, 10}, dpBottom, 300, 26), (TGeomBounds{0, 184, 300, 26}));
    EXPECT_EQ(DockResizeBounds({0, 200, 300, 40}, dpBottom, 300, 0), (TGeomBounds{0, 240, 300, 0}));
    EXPECT_EQ(DockResizeBounds({5, 0, 10, 400}, dpLeft, 30, 400), (TGeomBounds{5, 0, 30, 400}));
    EXPECT_EQ(DockResizeBounds({500, 0, 10, 400}, dpRight, 30, 400), (TGeomBounds{480, 0, 30, 400}));
    EXPECT_EQ(DockResizeBounds(topDock, std::nullopt, 300, 26), std::nullopt);
}

TEST(TB97Dock, BoundLinesCountAndShrinkTheClientArea)
{
    EXPECT_EQ(BoundLinesWidthOf({}), 0);
    EXPECT_EQ(BoundLinesHeightOf({}), 0);
    EXPECT_EQ(BoundLinesWidthOf({blTop, blBottom}), 0);
    EXPECT_EQ(BoundLinesHeightOf({blTop, blBottom}), 2);
    EXPECT_EQ(BoundLinesWidthOf({blLeft, blRight, blTop}), 2);
    EXPECT_EQ(BoundLinesHeightOf({blLeft, blRight, blTop}), 1);
    EXPECT_EQ(DockClientRectOf({0, 0, 300, 28}, {blTop, blBottom}), (TGeomRect{0, 1, 300, 27}));
    EXPECT_EQ(DockClientRectOf({0, 0, 300, 28}, {blLeft, blRight}), (TGeomRect{1, 0, 299, 28}));
}

TEST(TB97Screen, MoveOnScreenOverAWorkArea)
{
    const TGeomRect work{0, 0, 800, 600};
    // Wholly off: right and bottom edges brought in first.
    EXPECT_EQ(MoveOnScreenRect({900, 700, 1000, 750}, work, true), (TGeomRect{700, 550, 800, 600}));
    EXPECT_EQ(MoveOnScreenRect({-300, -200, -100, -100}, work, true), (TGeomRect{0, 0, 200, 100}));
    // Only touching the edge is not on screen.
    EXPECT_EQ(MoveOnScreenRect({800, 0, 900, 50}, work, true), (TGeomRect{700, 0, 800, 50}));
    // Partly visible: left alone by True, pulled fully inside by False.
    EXPECT_EQ(MoveOnScreenRect({750, 10, 850, 60}, work, true), std::nullopt);
    EXPECT_EQ(MoveOnScreenRect({750, 10, 850, 60}, work, false), (TGeomRect{700, 10, 800, 60}));
    EXPECT_EQ(MoveOnScreenRect({-20, 590, 80, 640}, work, false), (TGeomRect{0, 550, 100, 600}));
    // The SetBounds arguments for that, and back.
    EXPECT_EQ(BoundsOfRect({700, 10, 800, 60}), (TGeomBounds{700, 10, 100, 50}));
    EXPECT_EQ(RectOfBounds({700, 10, 100, 50}), (TGeomRect{700, 10, 800, 60}));
    EXPECT_EQ(BoundsOfRect({INT32_MIN, 0, INT32_MAX, 1}).Width, INT32_MAX);
    // Already inside: bounds set all the same, unchanged.
    EXPECT_EQ(MoveOnScreenRect({10, 10, 50, 50}, work, false), (TGeomRect{10, 10, 50, 50}));
    // Larger than the work area: cut to it along that extent only; exactly its size is kept.
    EXPECT_EQ(MoveOnScreenRect({-50, 20, 850, 700}, work, false), (TGeomRect{0, 0, 800, 600}));
    const TGeomRect inner{100, 50, 900, 650};  // smaller than the screen, away from the origin
    EXPECT_EQ(MoveOnScreenRect({150, 80, 950, 680}, inner, true), std::nullopt);
    EXPECT_EQ(MoveOnScreenRect({150, 80, 950, 680}, inner, false), inner);
    EXPECT_EQ(MoveOnScreenRect({150, 80, 951, 180}, inner, true), (TGeomRect{100, 80, 900, 180}));
    EXPECT_EQ(MoveOnScreenRect({300, 40, 400, 641}, inner, true), (TGeomRect{300, 50, 400, 650}));
    EXPECT_EQ(MoveOnScreenRect({2000, 0, 2100, 700}, inner, true), (TGeomRect{800, 50, 900, 650}));
    // A work area away from the origin (a second monitor).
    const TGeomRect second{800, 0, 1600, 570};
    EXPECT_EQ(MoveOnScreenRect({100, 100, 200, 150}, second, true), (TGeomRect{800, 100, 900, 150}));
    EXPECT_EQ(MoveOnScreenRect({1550, 560, 1650, 600}, second, false), (TGeomRect{1500, 530, 1600, 570}));
    // Extreme coordinates clamp instead of wrapping.
    const auto far = MoveOnScreenRect({INT32_MIN, INT32_MIN, INT32_MIN + 100, INT32_MIN + 50}, work, true);
    ASSERT_TRUE(far.has_value());
    EXPECT_EQ(*far, (TGeomRect{0, 0, 100, 50}));
}
