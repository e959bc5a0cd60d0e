// The arithmetic of what is captured, apart from the window system: the area a drag chooses,
// the client area's fallback, and what a followed window's new rectangle asks of the capture.
#pragma once

#include <cstdint>

// A rectangle of the screen, in screen pixels.
struct TScreenArea {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Width = 0;
    int32_t Height = 0;
};

inline bool operator==(const TScreenArea& a, const TScreenArea& b)
{
    return a.Left == b.Left && a.Top == b.Top && a.Width == b.Width && a.Height == b.Height;
}
inline bool operator!=(const TScreenArea& a, const TScreenArea& b)
{
    return !(a == b);
}

// The smallest area a drag may choose, across and down: a click, or a drag along a line, is
// taken for a slip rather than a picture of one pixel's width or height.
constexpr int32_t MinChosenSize = 2;

// The area a drag from (X1, Y1) to (X2, Y2) chooses, both end pixels included, whichever way it
// went; false when it is narrower or lower than MinChosenSize (or wider than any screen).
inline bool AreaFromDrag(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TScreenArea& Area)
{
    const int64_t width = (X1 < X2 ? int64_t{X2} - X1 : int64_t{X1} - X2) + 1;
    const int64_t height = (Y1 < Y2 ? int64_t{Y2} - Y1 : int64_t{Y1} - Y2) + 1;
    if (width < MinChosenSize || height < MinChosenSize || width > INT32_MAX || height > INT32_MAX)
        return false;
    Area = TScreenArea{X1 < X2 ? X1 : X2, Y1 < Y2 ? Y1 : Y2, static_cast<int32_t>(width), static_cast<int32_t>(height)};
    return true;
}

// The client area unless it is empty (a minimised window has none): then the outer rectangle.
inline TScreenArea ClientOrOuter(const TScreenArea& Outer, const TScreenArea& Client)
{
    return Client.Width > 0 && Client.Height > 0 ? Client : Outer;
}

// What one frame of a followed window asks: copy from the same place, from a new place of the
// same size (no setup, nothing allocated), set up anew at a new size, or stop.
enum TFollowStep { fsSame, fsMoved, fsResized, fsGone };

inline TFollowStep FollowStep(const TScreenArea& Old, const TScreenArea& New, bool Gone)
{
    if (Gone)
        return fsGone;
    if (New.Width != Old.Width || New.Height != Old.Height)
        return fsResized;
    return New.Left != Old.Left || New.Top != Old.Top ? fsMoved : fsSame;
}
