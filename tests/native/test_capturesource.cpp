// What is captured, without a window: the area a drag chooses, the client area's fallback and
// what a followed window's new rectangle asks of the capture.
#include "CaptureArea.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>

namespace {

std::tuple<int32_t, int32_t, int32_t, int32_t> Tie(const TScreenArea& a)
{
    return {a.Left, a.Top, a.Width, a.Height};
}

TEST(CaptureArea, DragTakesBothEndPixelsWhicheverWayAndRefusesLessThanTwoEachWay)
{
    const TScreenArea none{-1, -1, -1, -1};
    struct { int32_t X1, Y1, X2, Y2; bool Chosen; TScreenArea Area; } rows[] = {
        {10, 20, 10, 20, false, none},                         // a click
        {10, 20, 11, 20, false, none},                         // 2 across, 1 down
        {10, 20, 10, 21, false, none},                         // 1 across, 2 down
        {11, 21, 10, 20, true, {10, 20, 2, 2}},                // the least, dragged up and left
        {300, 40, 100, 250, true, {100, 40, 201, 211}},        // right to left, top to bottom
        {-50, -10, -200, 30, true, {-200, -10, 151, 41}},      // a monitor left of and above the first
        {0, 5, INT32_MAX - 1, 7, true, {0, 5, INT32_MAX, 3}},  // the widest that fits
        {-1, 5, INT32_MAX - 1, 7, false, none},                // one more: past the 32-bit range
        {3, INT32_MIN, 4, INT32_MAX, false, none},
    };
    for (const auto& r : rows) {
        TScreenArea area = none;
        EXPECT_EQ(AreaFromDrag(r.X1, r.Y1, r.X2, r.Y2, area), r.Chosen) << r.X1 << "," << r.Y1 << " " << r.X2 << "," << r.Y2;
        EXPECT_EQ(Tie(area), Tie(r.Area)) << r.X1 << "," << r.Y1 << " " << r.X2 << "," << r.Y2;
    }
}

TEST(CaptureArea, EmptyClientAreaFallsBackToTheOuterRectangle)
{
    const TScreenArea outer{-32000, -32000, 160, 28};
    struct { TScreenArea Client; bool Taken; } rows[] = {
        {{0, 0, 0, 0}, false}, {{8, 30, 0, 20}, false}, {{8, 30, 20, 0}, false},
        {{8, 30, -4, 20}, false}, {{8, 30, 1, 1}, true}, {{8, 30, 640, 2}, true},
    };
    for (const auto& r : rows)
        EXPECT_EQ(Tie(ClientOrOuter(outer, r.Client)), Tie(r.Taken ? r.Client : outer))
            << r.Client.Width << " x " << r.Client.Height;
}

TEST(CaptureArea, FollowStepMovesWithoutSetupAndSetsUpOnlyForANewSize)
{
    const TScreenArea old{100, 50, 640, 400};
    struct { TScreenArea New; bool Gone; TFollowStep Step; } rows[] = {
        {{100, 50, 640, 400}, false, fsSame},     {{101, 50, 640, 400}, false, fsMoved},
        {{100, 49, 640, 400}, false, fsMoved},    {{-7, -3, 640, 400}, false, fsMoved},
        {{100, 50, 641, 400}, false, fsResized},  {{100, 50, 640, 399}, false, fsResized},
        {{90, 60, 400, 640}, false, fsResized},   {{100, 50, 640, 400}, true, fsGone},
        {{0, 0, 0, 0}, true, fsGone},
    };
    for (const auto& r : rows)
        EXPECT_EQ(FollowStep(old, r.New, r.Gone), r.Step)
            << r.New.Left << "," << r.New.Top << " " << r.New.Width << " x " << r.New.Height << " gone " << r.Gone;
}

}  // namespace
