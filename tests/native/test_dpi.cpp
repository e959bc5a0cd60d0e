#include "Scaling.h"

#include <gtest/gtest.h>

#include <climits>

#ifdef _WIN32
#include <windows.h>
#endif

TEST(ScaleValue, RoundsToNearestWithHalvesAwayFromZero)
{
    struct TCase {
        int Value, Num, Den, Expected;
    };
    const TCase cases[] = {
        {0, 144, 96, 0}, {1, 144, 96, 2}, {-1, 144, 96, -2}, {3, 144, 96, 5}, {-3, 144, 96, -5},  // halves
        {2, 144, 96, 3}, {-12, 144, 96, -18}, {5, 120, 96, 6}, {6, 120, 96, 8}, {-6, 120, 96, -8},  // 6.25, 7.5
        {-11, 120, 96, -14}, {-13, 120, 96, -16}, {-11, 192, 96, -22}, {89, 192, 96, 178},     // -13.75, -16.25
        {134, 96, 144, 89}, {133, 96, 144, 89}, {-134, 96, 144, -89}, {1, 96, 144, 1}, {-1, 96, 144, -1},
        {1, 1, 3, 0}, {2, 1, 3, 1}, {-2, 1, 3, -1}, {3, 1, -2, -2}, {-3, -1, 2, 2},  // signs of the ratio count
        // Products past 32 bits; results past the int range are clamped.
        {INT_MAX, 144, 144, INT_MAX}, {INT_MIN, 96, 96, INT_MIN}, {INT_MAX, 2, 3, 1431655765},
        {INT_MIN, 2, 3, -1431655765}, {INT_MAX, 144, 96, INT_MAX}, {INT_MIN, 144, 96, INT_MIN},
        {INT_MIN, -1, 1, INT_MAX}, {7, 3, 0, 7},  // no ratio: unchanged
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(ScaleValue(c.Value, c.Num, c.Den), c.Expected) << c.Value << " * " << c.Num << " / " << c.Den;
#ifdef _WIN32
        // The window system's own rule, wherever it has an answer (-1 means overflow or no ratio).
        const int byMulDiv = MulDiv(c.Value, c.Num, c.Den);
        if (byMulDiv != -1 || c.Expected == -1) {
            EXPECT_EQ(byMulDiv, c.Expected) << "MulDiv " << c.Value << " * " << c.Num << " / " << c.Den;
        }
#endif
    }
}

TEST(ScaleValue, SameDpiChangesNothingAndAThereAndBackTripReturns)
{
    for (int v = -100000; v <= 100000; ++v) {
        ASSERT_EQ(ScaleValue(v, 96, 96), v);
        // Scaling up is off by at most 1/2, which scaling back shrinks below 1/2.
        ASSERT_EQ(ScaleValue(ScaleValue(v, 144, 96), 96, 144), v) << v;
        ASSERT_EQ(ScaleValue(ScaleValue(v, 120, 96), 96, 120), v) << v;
    }
}
