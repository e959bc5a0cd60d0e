#include "Alignment.h"

#include <gtest/gtest.h>

#include <iterator>
#include <vector>

TEST(Alignment, OrderIsByPositionAndEqualsFollowTheirEdgesRule)
{
    struct TCase {
        TAlign Align;
        std::vector<TAlignBounds> Controls;  // in child order
        std::vector<size_t> Order;
    };
    const TCase cases[] = {
        // Top: smaller Top first; equal Tops keep child order.
        {alTop, {{0, 30, 10, 5}, {0, 10, 10, 5}, {0, 20, 10, 5}}, {1, 2, 0}},
        {alTop, {{0, 10, 10, 5}, {0, 10, 10, 9}, {0, 9, 10, 5}}, {2, 0, 1}},
        // Bottom: larger bottom edge first; equal bottoms put the later child first.
        {alBottom, {{0, 10, 10, 5}, {0, 40, 10, 5}, {0, 20, 10, 5}}, {1, 2, 0}},
        {alBottom, {{0, 10, 10, 10}, {0, 15, 10, 5}, {0, 19, 10, 1}}, {2, 1, 0}},
        {alBottom, {{0, 10, 10, 10}, {0, 10, 10, 11}}, {1, 0}},
        // Left: smaller Left first, ties in child order; Right: larger Left first, ties reversed.
        {alLeft, {{5, 0, 1, 1}, {-5, 0, 1, 1}, {0, 0, 1, 1}, {0, 0, 2, 2}}, {1, 2, 3, 0}},
        {alRight, {{5, 0, 1, 1}, {-5, 0, 1, 1}, {0, 0, 1, 1}, {0, 0, 2, 2}}, {0, 3, 2, 1}},
        // Client and none have no order of their own: child order.
        {alClient, {{9, 9, 1, 1}, {0, 0, 1, 1}}, {0, 1}},
        {alTop, {}, {}},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(AlignOrder(c.Align, c.Controls), c.Order) << c.Align << " with " << c.Controls.size();
}

TEST(Alignment, EachControlTakesItsEdgeOfTheRoomLeft)
{
    const TAlignRoom room{10, 20, 110, 220};
    struct TCase {
        TAlign Align;
        int Width, Height;
        TAlignBounds Bounds;
        TAlignRoom After;
    };
    const TCase cases[] = {
        {alTop, 7, 30, {10, 20, 100, 30}, {10, 50, 110, 220}},
        {alBottom, 7, 30, {10, 190, 100, 30}, {10, 20, 110, 190}},
        {alLeft, 25, 9, {10, 20, 25, 200}, {35, 20, 110, 220}},
        {alRight, 25, 9, {85, 20, 25, 200}, {10, 20, 85, 220}},
        {alClient, 1, 1, {10, 20, 100, 200}, {10, 20, 110, 220}},
        {alNone, 1, 1, {10, 20, 100, 200}, {10, 20, 110, 220}},
        // Larger than the room: the room turns negative rather than being clamped.
        {alTop, 0, 250, {10, 20, 100, 250}, {10, 270, 110, 220}},
        {alRight, 150, 0, {-40, 20, 150, 200}, {10, 20, -40, 220}},
        {alLeft, 0, 0, {10, 20, 0, 200}, room},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(AlignedBounds(c.Align, room, c.Width, c.Height), c.Bounds) << c.Align << " " << c.Width;
        EXPECT_EQ(RoomAfter(c.Align, room, c.Width, c.Height), c.After) << c.Align << " " << c.Width;
    }
}

// A dock aligned to the top that keeps a height other than the one it was given: the next
// controls start below what it kept, as the window class applies it.
TEST(Alignment, PassesPlaceTopBottomLeftRightThenClient)
{
    TAlignRoom room{0, 0, 200, 100};
    const TAlignBounds top = AlignedBounds(alTop, room, 0, 30);
    room = RoomAfter(alTop, room, top.Width, 26);  // kept 26 of 30
    const TAlignBounds bottom = AlignedBounds(alBottom, room, 0, 10);
    room = RoomAfter(alBottom, room, bottom.Width, bottom.Height);
    const TAlignBounds left = AlignedBounds(alLeft, room, 40, 0);
    room = RoomAfter(alLeft, room, left.Width, left.Height);
    const TAlignBounds client = AlignedBounds(alClient, room, 0, 0);
    EXPECT_EQ(top, (TAlignBounds{0, 0, 200, 30}));
    EXPECT_EQ(bottom, (TAlignBounds{0, 90, 200, 10}));
    EXPECT_EQ(left, (TAlignBounds{0, 26, 40, 64}));
    EXPECT_EQ(client, (TAlignBounds{40, 26, 160, 64}));
    const TAlign passes[] = {alTop, alBottom, alLeft, alRight, alClient};
    ASSERT_EQ(std::size(AlignPasses), std::size(passes));
    for (size_t i = 0; i < std::size(passes); ++i)
        EXPECT_EQ(AlignPasses[i], passes[i]);
}
