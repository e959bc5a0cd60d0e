#include "CaptureSource.h"

TScreenArea TCaptureSource::AreaOf(HWND Window) const
{
    RECT r{};
    GetWindowRect(Window, &r);
    const TScreenArea outer{r.left, r.top, r.right - r.left, r.bottom - r.top};
    if (!FClientArea)
        return outer;
    RECT client{};
    POINT origin{0, 0};
    if (!GetClientRect(Window, &client) || !ClientToScreen(Window, &origin))
        return outer;
    return ClientOrOuter(outer, TScreenArea{origin.x, origin.y, client.right, client.bottom});
}

TCaptureTarget TCaptureSource::AtStart() const
{
    TCaptureTarget t;
    t.Window = GetForegroundWindow();
    t.Area = AreaOf(t.Window);
    return t;
}

TFollowStep TCaptureSource::AtFrame(TScreenArea& Area)
{
    // Unfollowed, or an area of the screen: whatever the screen shows there is captured.
    if (!FFollow || FTarget.Chosen) {
        Area = FTarget.Area;
        return fsSame;
    }
    const HWND w = FTarget.Window;
    const bool gone = !IsWindow(w) || IsIconic(w);
    const TScreenArea now = gone ? FTarget.Area : AreaOf(w);
    const TFollowStep step = FollowStep(FTarget.Area, now, gone);
    if (step == fsMoved)
        FTarget.Area = now;
    Area = now;
    return step;
}
