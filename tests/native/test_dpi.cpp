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
    const TCase cases[] = {  // halves; 6.25, 7.5, -13.75, -16.25; 89.33, 88.67 on both sides of zero
        {0, 144, 96, 0}, {1, 144, 96, 2}, {-1, 144, 96, -2}, {3, 144, 96, 5}, {-3, 144, 96, -5}, {-12, 144, 96, -18},
        {5, 120, 96, 6}, {6, 120, 96, 8}, {-6, 120, 96, -8}, {-11, 120, 96, -14}, {-13, 120, 96, -16},
        {134, 96, 144, 89}, {133, 96, 144, 89}, {-134, 96, 144, -89}, {-1, 96, 144, -1},
        {3, 1, -2, -2}, {-3, -1, 2, 2},  // signs of the ratio count
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

// Scaling up is off by at most 1/2, which scaling back shrinks below 1/2.
TEST(ScaleValue, AThereAndBackTripReturns)
{
    for (int v = -100000; v <= 100000; ++v)
        for (int dpi : {120, 144})
            ASSERT_EQ(ScaleValue(ScaleValue(v, dpi, 96), 96, dpi), v) << v << " at " << dpi;
}
