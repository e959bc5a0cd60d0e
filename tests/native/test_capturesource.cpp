// What is captured, without a window: the area a drag chooses, the client area's fallback and
// what a followed window's new rectangle asks of the capture.
#include "CaptureArea.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(CaptureArea, DragTakesBothEndPixelsWhicheverWayRefusesLessThanTwoEachWayAndFallsBackToTheOuterRectangle)
{
    const TScreenArea none{-1, -1, -1, -1};
    struct { int32_t X1, Y1, X2, Y2; TScreenArea Area; } rows[] = {
        {10, 20, 10, 20, none}, {10, 20, 11, 20, none}, {10, 20, 10, 21, none},  // a click; 2 x 1; 1 x 2
        {11, 21, 10, 20, {10, 20, 2, 2}},                                       // the least, up and left
        {300, 40, 100, 250, {100, 40, 201, 211}},                               // right to left
        {-50, -10, -200, 30, {-200, -10, 151, 41}},                             // a monitor left of and above
        {0, 5, INT32_MAX - 1, 7, {0, 5, INT32_MAX, 3}},                         // the widest that fits
        {-1, 5, INT32_MAX - 1, 7, none}, {3, INT32_MIN, 4, INT32_MAX, none},    // past the 32-bit range
    };
    for (const auto& r : rows) {
        TScreenArea area = none;
        EXPECT_EQ(AreaFromDrag(r.X1, r.Y1, r.X2, r.Y2, area), r.Area != none) << "row " << &r - rows;
        EXPECT_TRUE(area == r.Area) << "row " << &r - rows;
    }
    // A minimised window's client area is empty: the outer rectangle then.
    const TScreenArea outer{-32000, -32000, 160, 28};
    for (const TScreenArea& client : {TScreenArea{0, 0, 0, 0}, TScreenArea{8, 30, 0, 20}, TScreenArea{8, 30, 20, 0},
                                      TScreenArea{8, 30, -4, 20}, TScreenArea{8, 30, 1, 1}, TScreenArea{8, 30, 640, 2}})
        EXPECT_TRUE(ClientOrOuter(outer, client) == (client.Width > 0 && client.Height > 0 ? client : outer))
            << client.Width << " x " << client.Height;
}

TEST(CaptureArea, FollowStepMovesWithoutSetupAndSetsUpOnlyForANewSize)
{
    const TScreenArea old{100, 50, 640, 400};
    struct { TScreenArea New; bool Gone; TFollowStep Step; } rows[] = {
        {{100, 50, 640, 400}, false, fsSame},    {{101, 50, 640, 400}, false, fsMoved},
        {{100, 49, 640, 400}, false, fsMoved},   {{-7, -3, 640, 400}, false, fsMoved},
        {{100, 50, 641, 400}, false, fsResized}, {{100, 50, 640, 399}, false, fsResized},
        {{90, 60, 400, 640}, false, fsResized},  {{100, 50, 640, 400}, true, fsGone}, {{0, 0, 0, 0}, true, fsGone}};
    for (const auto& r : rows)
        EXPECT_EQ(FollowStep(old, r.New, r.Gone), r.Step) << "row " << &r - rows;
}

}  // namespace
