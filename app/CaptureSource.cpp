#include "CaptureSource.h"

TCaptureTarget TCaptureSource::AtStart() const
{
    TCaptureTarget t;
    t.Window = GetForegroundWindow();
    RECT r{};
    GetWindowRect(t.Window, &r);
    t.Area = TScreenArea{r.left, r.top, r.right - r.left, r.bottom - r.top};
    return t;
}

bool TCaptureSource::AtFrame(TScreenArea& Area) const
{
    // The rectangle taken at the start stays: whatever the screen shows there is captured.
    Area = FTarget.Area;
    return true;
}
