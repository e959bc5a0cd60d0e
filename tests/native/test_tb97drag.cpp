// The interaction arithmetic: proportional placement, the docking test, the mouse-move
// step, the reachable floating outline, the hit zones and the resize step.
#include <gtest/gtest.h>

#include <climits>
#include <ostream>

#include "TB97DragGeometry.h"

inline void PrintTo(const TGeomRect& r, std::ostream* os)
{
    *os << "(" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << ")";
}

namespace {

// The worked example: a 100 x 30 tool window grabbed at (25, 10).
const TDragGrab Grab{{25, 10}, {99, 29}};
const TDragDock TopDock{{0, 50, 800, 80}, dpTop};

}  // namespace

TEST(TB97Drag, MulDivRoundsToNearestAndGivesMinusOneWithoutADivisor)
{
    struct Case {
        int32_t a, b, c, expected;
    } cases[] = {
        {32, 25, 99, 8},    {20, 10, 29, 7},     {99, 25, 99, 25},   {29, 25, 99, 7},  {99, 10, 29, 34},
        {3, 1, 2, 2},       {-3, 1, 2, -2},      {3, -1, 2, -2},     {3, 1, -2, -2},   {-3, -1, -2, -2},
        {1, 1, 3, 0},       {2, 1, 3, 1},        {5, 7, 0, -1},      {0, 0, 0, -1},    {0, 5, 7, 0},
        // 64-bit intermediate: the product is far past 32 bits, the quotient is not.
        {INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX},
        {INT32_MIN, 1, 1, INT32_MIN},
        {INT32_MIN, -1, 1, -1},  // 2^31 does not fit: the window system's answer is -1
        {INT32_MAX, 2, 1, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DragMulDiv(c.a, c.b, c.c), c.expected) << c.a << " * " << c.b << " / " << c.c;
}

TEST(TB97Drag, OutlineKeepsTheGrabPointUnderTheCursorForEveryShape)
{
    struct Case {
        TGeomSize size;
        TGeomRect expected;
    } cases[] = {
        {{100, 30}, {375, 30, 475, 60}},
        {{30, 100}, {393, 6, 423, 106}},
        {{1, 1}, {400, 40, 401, 41}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DragOutlineRect({400, 40}, c.size, Grab), c.expected);
    // A tool window one pixel wide: every proportional placement across it is -1.
    const TDragGrab thin{{0, 5}, {0, 9}};
    EXPECT_EQ(DragOutlineRect({10, 10}, {1, 10}, thin), (TGeomRect{11, 5, 12, 15}));
    EXPECT_EQ(DragOutlineRect({10, 10}, {50, 10}, thin), (TGeomRect{11, 5, 61, 15}));
}

TEST(TB97Drag, DockingTestBandsOnEverySide)
{
    const TGeomRect onDock{375, 30, 475, 60};
    struct Case {
        TGeomPoint p;
        bool accepted;
    } cases[] = {
        {{400, 40}, true},  {{-24, 60}, true},  {{-25, 60}, false}, {{807, 60}, true},
        {{808, 60}, false}, {{400, 37}, true},  {{400, 36}, false}, {{400, 86}, true},
        {{400, 87}, false},
    };
    for (const Case& c : cases) {
        const TGeomRect outline = DragOutlineRect(c.p, {100, 30}, Grab);
        EXPECT_EQ(DockAcceptsDrop(TopDock, outline, c.p, Grab), c.accepted) << c.p.X << ", " << c.p.Y;
    }
    // Inside the bands but the outline misses the dock: refused.
    EXPECT_FALSE(DockAcceptsDrop(TopDock, TGeomRect{375, 0, 475, 50}, {400, 40}, Grab));
    EXPECT_TRUE(DockAcceptsDrop(TopDock, onDock, {400, 40}, Grab));

    // Grabbed at the right edge: all 32 pixels lie right of the dock; at the left edge, left.
    const TDragGrab right{{99, 10}, {99, 29}}, left{{0, 10}, {99, 29}};
    const TGeomRect wide{-1000, 40, 2000, 70};
    EXPECT_TRUE(DockAcceptsDrop(TopDock, wide, {831, 60}, right));
    EXPECT_FALSE(DockAcceptsDrop(TopDock, wide, {832, 60}, right));
    EXPECT_FALSE(DockAcceptsDrop(TopDock, wide, {-1, 60}, right));
    EXPECT_TRUE(DockAcceptsDrop(TopDock, wide, {-32, 60}, left));
    EXPECT_FALSE(DockAcceptsDrop(TopDock, wide, {-33, 60}, left));
    EXPECT_FALSE(DockAcceptsDrop(TopDock, wide, {800, 60}, left));

    // A left dock has no extra sensitivity above or below it.
    const TDragDock leftDock{{0, 100, 40, 300}, dpLeft};
    const TGeomRect tall{0, 0, 40, 400};
    EXPECT_TRUE(DockAcceptsDrop(leftDock, tall, {20, 100}, Grab));
    EXPECT_FALSE(DockAcceptsDrop(leftDock, tall, {20, 99}, Grab));
    EXPECT_TRUE(DockAcceptsDrop(leftDock, tall, {20, 299}, Grab));
    EXPECT_FALSE(DockAcceptsDrop(leftDock, tall, {20, 300}, Grab));
}

TEST(TB97Drag, EmptyDocksCountAsTwoPixelsThick)
{
    // A top dock of height 0 at y 50: one pixel above and below, plus the vertical band.
    const TDragDock emptyTop{{0, 50, 800, 50}, dpTop};
    EXPECT_TRUE(DockAcceptsDrop(emptyTop, TGeomRect{0, 49, 100, 50}, {10, 50}, Grab));
    EXPECT_TRUE(DockAcceptsDrop(emptyTop, TGeomRect{0, 50, 100, 51}, {10, 50}, Grab));
    EXPECT_FALSE(DockAcceptsDrop(emptyTop, TGeomRect{0, 51, 100, 80}, {10, 60}, Grab));
    // sy = 7: the band runs from 49 - 13 to 50 + 7.
    EXPECT_TRUE(DockAcceptsDrop(emptyTop, TGeomRect{0, 30, 100, 60}, {10, 36}, Grab));
    EXPECT_FALSE(DockAcceptsDrop(emptyTop, TGeomRect{0, 30, 100, 60}, {10, 35}, Grab));
    EXPECT_TRUE(DockAcceptsDrop(emptyTop, TGeomRect{0, 30, 100, 60}, {10, 57}, Grab));
    EXPECT_FALSE(DockAcceptsDrop(emptyTop, TGeomRect{0, 30, 100, 60}, {10, 58}, Grab));
    // An empty left dock widens sideways.
    const TDragDock emptyLeft{{0, 0, 0, 300}, dpLeft};
    EXPECT_TRUE(DockAcceptsDrop(emptyLeft, TGeomRect{-1, 0, 0, 100}, {0, 100}, Grab));
    EXPECT_TRUE(DockAcceptsDrop(emptyLeft, TGeomRect{0, 0, 1, 100}, {0, 100}, Grab));
}

TEST(TB97Drag, FloatingOutlineStaysReachable)
{
    const TGeomRect work{0, 0, 1000, 700};
    const TGeomPoint border{4, 4};
    const int32_t top = 4 + 16;  // border and caption
    struct Case {
        TGeomRect in, expected;
    } cases[] = {
        {{100, 100, 200, 150}, {100, 100, 200, 150}},   // inside: unchanged
        {{-300, 100, -200, 150}, {-92, 100, 8, 150}},   // right edge pulled to B's left (8)
        {{-300, 100, 8, 150}, {-300, 100, 8, 150}},     // exactly at B's left: stays
        {{995, 100, 1095, 150}, {992, 100, 1092, 150}}, // left edge pulled to B's right (992)
        {{100, 800, 200, 850}, {100, 692, 200, 742}},   // top pulled to B's bottom (692)
        // Bottom above B's top would go to 8; the caption rule then wants top >= -16.
        {{100, -200, 200, -150}, {100, -16, 200, 34}},
        {{100, -17, 200, 33}, {100, -16, 200, 34}},
        {{100, -16, 200, 34}, {100, -16, 200, 34}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(KeepOutlineReachable(c.in, work, border, top), c.expected);
    // A border wider than high: B lies 10 in from the left and right, 7 from the top and bottom.
    const Case wide[] = {
        {{-300, 100, 9, 150}, {-299, 100, 10, 150}},   {{-300, 100, 10, 150}, {-300, 100, 10, 150}},
        {{991, 100, 1091, 150}, {990, 100, 1090, 150}}, {{990, 100, 1090, 150}, {990, 100, 1090, 150}},
        {{100, 694, 200, 744}, {100, 693, 200, 743}},   {{100, 693, 200, 743}, {100, 693, 200, 743}},
        {{100, -20, 200, 0}, {100, -13, 200, 7}},       {{100, -13, 200, 7}, {100, -13, 200, 7}},
    };
    for (const Case& c : wide)
        EXPECT_EQ(KeepOutlineReachable(c.in, work, {6, 3}, 3 + 16), c.expected);
    EXPECT_EQ(ClampPointToRect({-5, 701}, work), (TGeomPoint{0, 700}));
    EXPECT_EQ(ClampPointToRect({1000, 0}, work), (TGeomPoint{1000, 0}));
}

TEST(TB97Drag, MouseMoveStepPicksTheFirstAcceptingDockOrFloats)
{
    TDragStepInput in;
    in.Grab = Grab;
    in.Docks = {TopDock, {{0, 400, 800, 430}, dpBottom}};
    in.DockSizes = {{100, 30}, {100, 30}};
    in.FloatingSize = {120, 60};
    in.FloatingBorder = {4, 4};
    in.FloatingTopThickness = 20;
    const auto work = [](TGeomPoint) { return TGeomRect{0, 0, 1000, 700}; };

    in.Cursor = {400, 60};
    std::vector<size_t> asked;
    auto result = DragStep(in, [&](size_t i) { asked.push_back(i); return true; }, work);
    EXPECT_EQ(result.Target, 0);
    EXPECT_EQ(result.Outline, (TGeomRect{375, 50, 475, 80}));
    EXPECT_EQ(asked, (std::vector<size_t>{0}));

    // Refused by the first dock's handler; the second does not qualify: floating.
    asked.clear();
    result = DragStep(in, [&](size_t i) { asked.push_back(i); return i != 0; }, work);
    EXPECT_EQ(result.Target, -1);
    EXPECT_EQ(asked, (std::vector<size_t>{0}));
    EXPECT_EQ(result.Outline, (TGeomRect{400 - 30, 60 - 20, 400 - 30 + 120, 60 - 20 + 60}));
    EXPECT_FALSE(result.NoEntryCursor);

    // Two docks both under the cursor: the first refuses, the second takes it; when both
    // accept, the first wins; with no handler at all the docks still accept.
    in.Docks[1] = {{0, 50, 800, 80}, dpTop};
    result = DragStep(in, [&](size_t i) { return i != 0; }, work);
    EXPECT_EQ(result.Target, 1);
    asked.clear();
    result = DragStep(in, [&](size_t i) { asked.push_back(i); return true; }, work);
    EXPECT_EQ(result.Target, 0);
    EXPECT_EQ(asked, (std::vector<size_t>{0}));
    result = DragStep(in, {}, work);
    EXPECT_EQ(result.Target, 0);
    EXPECT_EQ(result.Outline, (TGeomRect{375, 50, 475, 80}));

    // Ctrl down: no dock is asked.
    in.DockingSuppressed = true;
    asked.clear();
    result = DragStep(in, [&](size_t i) { asked.push_back(i); return true; }, work);
    EXPECT_EQ(result.Target, -1);
    EXPECT_TRUE(asked.empty());

    // Floating forbidden and no dock: nowhere to land.
    in.FloatingForbidden = true;
    result = DragStep(in, {}, work);
    EXPECT_TRUE(RectIsEmpty(result.Outline));
    EXPECT_TRUE(result.NoEntryCursor);

    // The cursor off the work area is clamped before the floating outline is placed.
    in.DockingSuppressed = false;
    in.FloatingForbidden = false;
    in.Cursor = {1500, 300};
    result = DragStep(in, {}, work);
    EXPECT_EQ(result.Outline.Left, 1000 - 30);
}

TEST(TB97Drag, DropPlaceAndOutlineFrame)
{
    EXPECT_EQ(DropPlaceOnDock({10, 3, 110, 30}, dpTop).RowCoordinate, 16);
    EXPECT_EQ(DropPlaceOnDock({10, 3, 110, 30}, dpTop).DockPos, 10);
    EXPECT_EQ(DropPlaceOnDock({-7, 3, 0, 30}, dpLeft).RowCoordinate, -3) << "halved toward zero";
    EXPECT_EQ(DropPlaceOnDock({-7, 3, 0, 30}, dpRight).DockPos, 3);
    EXPECT_EQ(OutlineInnerRect({0, 0, 100, 50}, 4), (TGeomRect{4, 4, 96, 46}));
    EXPECT_TRUE(RectIsEmpty(OutlineInnerRect({0, 0, 7, 50}, 4))) << "thinner than twice the thickness: solid";
    EXPECT_EQ(OutlineInnerRect({0, 0, 9, 9}, 4), (TGeomRect{4, 4, 5, 5}));
}

TEST(TB97HitTest, FloatingWorkedExampleWithCornersAndCaption)
{
    THitTestInput in;
    in.Border = {4, 4};
    in.Width = 120;
    in.Height = 60;
    in.SmallCaptionHeight = 16;
    in.Caption = {4, 4, 116, 19};
    in.CloseButtonRect = {101, 4, 116, 19};
    in.DefaultResult = htNowhere;
    struct Case {
        TGeomPoint p;
        int32_t expected;
    } cases[] = {
        {{2, 10}, htTopLeft},     {{2, 30}, htLeft},       {{2, 45}, htBottomLeft}, {{2, 40}, htLeft},
        {{60, 2}, htTop},         {{110, 58}, htBottomRight}, {{100, 58}, htBottom}, {{101, 58}, htBottomRight},
        {{115, 10}, htClose},     {{101, 4}, htClose},     {{100, 10}, htClient},   {{50, 10}, htClient},
        {{116, 10}, htTopRight},  {{115, 30}, htRight},    {{114, 30}, htNowhere},  {{60, 55}, htBottom},
        {{60, 54}, htNowhere},    {{3, 2}, htTopLeft},     {{19, 2}, htTop},        {{18, 2}, htTopLeft},
    };
    for (const Case& c : cases) {
        in.P = c.p;
        EXPECT_EQ(ToolWindowHitTest(in), c.expected) << c.p.X << ", " << c.p.Y;
    }
    // A border wider than high (5 x 3), no caption: the strips follow their own sizes, the
    // corner reach K = 16 - 1 + 5 = 20 the horizontal one in both directions.
    THitTestInput wide = in;
    wide.Border = {5, 3};
    wide.ShowCaption = false;
    const Case wideCases[] = {
        {{4, 30}, htLeft},         {{5, 30}, htNowhere},        {{114, 30}, htRight},      {{113, 30}, htNowhere},
        {{60, 2}, htTop},          {{60, 3}, htNowhere},        {{60, 56}, htBottom},      {{60, 55}, htNowhere},
        {{2, 19}, htTopLeft},      {{2, 20}, htLeft},           {{2, 40}, htBottomLeft},   {{2, 39}, htLeft},
        {{116, 40}, htBottomRight}, {{116, 39}, htRight},       {{19, 1}, htTopLeft},      {{20, 1}, htTop},
        {{100, 58}, htBottomRight}, {{99, 58}, htBottom},
    };
    for (const Case& c : wideCases) {
        wide.P = c.p;
        EXPECT_EQ(ToolWindowHitTest(wide), c.expected) << "5 x 3 border at " << c.p.X << ", " << c.p.Y;
    }
    // The window's own sizing codes are replaced; the client area stands.
    in.P = {60, 30};
    in.DefaultResult = htBottomRight;
    EXPECT_EQ(ToolWindowHitTest(in), htNowhere);
    in.DefaultResult = htClient;
    in.P = {2, 10};
    EXPECT_EQ(ToolWindowHitTest(in), htClient);
}

TEST(TB97HitTest, FourZonesNoResizeNoCaptionAndDocked)
{
    THitTestInput in;
    in.Border = {4, 4};
    in.Width = 120;
    in.Height = 60;
    in.SmallCaptionHeight = 16;
    in.Caption = {4, 4, 116, 19};
    in.CloseButtonRect = {101, 4, 116, 19};
    in.CornerSizing = false;
    struct Case {
        TGeomPoint p;
        int32_t expected;
    } cases[] = {{{0, 0}, htTop}, {{119, 59}, htBottom}, {{2, 30}, htLeft}, {{115, 30}, htRight}, {{0, 3}, htTop}};
    for (const Case& c : cases) {
        in.P = c.p;
        EXPECT_EQ(ToolWindowHitTest(in), c.expected) << c.p.X << ", " << c.p.Y;
    }
    in.Resizable = false;
    in.DefaultResult = htLeft;
    in.P = {2, 30};
    EXPECT_EQ(ToolWindowHitTest(in), htNowhere) << "a fixed border does nothing";
    in.Resizable = true;
    in.ShowCaption = false;
    in.DefaultResult = htNowhere;
    in.P = {115, 10};
    EXPECT_EQ(ToolWindowHitTest(in), htRight) << "no caption: no close button either";
    in.ShowCaption = true;
    in.CloseButton = false;
    EXPECT_EQ(ToolWindowHitTest(in), htClient);

    THitTestInput docked;
    docked.Docked = true;
    docked.DockedCloseButton = {3, 2, 14, 13};
    docked.P = {5, 5};
    EXPECT_EQ(ToolWindowHitTest(docked), htClient) << "no close button asked for";
    docked.CloseButtonWhenDocked = true;
    EXPECT_EQ(ToolWindowHitTest(docked), htClose);
    docked.DockAllowDrag = false;
    EXPECT_EQ(ToolWindowHitTest(docked), htClient);
    docked.DockAllowDrag = true;
    docked.P = {14, 5};
    EXPECT_EQ(ToolWindowHitTest(docked), htClient);
    docked.DefaultResult = htClient;
    docked.P = {5, 5};
    EXPECT_EQ(ToolWindowHitTest(docked), htClient);
}

TEST(TB97Resize, EveryHandleMovesItsEdgesAndTheMinimumHoldsTheOppositeOne)
{
    const TGeomRect start{100, 100, 300, 200};
    const TGeomSize minimum{50, 40};
    struct Case {
        TToolWindowSizeHandle handle;
        TGeomPoint to;  // cursor, having started at (0, 0)
        TGeomRect expected;
    } cases[] = {
        {twshLeft, {-10, 7}, {90, 100, 300, 200}},
        {twshRight, {10, 7}, {100, 100, 310, 200}},
        {twshTop, {7, -10}, {100, 90, 300, 200}},
        {twshBottom, {7, 10}, {100, 100, 300, 210}},
        {twshTopLeft, {5, 6}, {105, 106, 300, 200}},
        {twshTopRight, {5, 6}, {100, 106, 305, 200}},
        {twshBottomLeft, {5, 6}, {105, 100, 300, 206}},
        {twshBottomRight, {5, 6}, {100, 100, 305, 206}},
        // Below the minimum: the dragged edge stops, the opposite one stays.
        {twshLeft, {500, 0}, {250, 100, 300, 200}},
        {twshRight, {-500, 0}, {100, 100, 150, 200}},
        {twshTop, {0, 500}, {100, 160, 300, 200}},
        {twshBottom, {0, -500}, {100, 100, 300, 140}},
        {twshTopLeft, {151, 61}, {250, 160, 300, 200}},
        {twshBottomRight, {-151, -61}, {100, 100, 150, 140}},
        // Exactly at the minimum is kept.
        {twshLeft, {150, 0}, {250, 100, 300, 200}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResizeStepRect(start, SizeHandleFlagsOf(c.handle), {0, 0}, c.to, minimum), c.expected)
            << "handle " << int(c.handle);
    EXPECT_EQ(SizeHandleFlagsOf(twshTopRight), (TSizeHandleFlags{true, false, true, true}));
    EXPECT_EQ(SizeHandleFlagsOf(twshBottomLeft), (TSizeHandleFlags{true, true, true, false}));
    // Travel far past the 32-bit range stays defined.
    const TGeomRect huge = ResizeStepRect({INT32_MAX - 10, 0, INT32_MAX, 10}, SizeHandleFlagsOf(twshRight),
                                          {INT32_MIN, 0}, {INT32_MAX, 0}, {1, 1});
    EXPECT_EQ(huge.Right, INT32_MAX);
}
