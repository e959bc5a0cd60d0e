// What is captured: the rectangle of the screen a start sets up and each frame copies.
#pragma once

#include <windows.h>

#include <cstdint>

// A rectangle of the screen, in screen pixels.
struct TScreenArea {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Width = 0;
    int32_t Height = 0;
};

// The target a start would capture: the window and its area.
struct TCaptureTarget {
    HWND Window = nullptr;
    TScreenArea Area;
};

class TCaptureSource {
public:
    // What a start would capture now: the window in front and its outer rectangle. Nothing is
    // recorded, so a start that fails afterwards leaves the running capture as it was.
    TCaptureTarget AtStart() const;
    // Records the target once the start has set up everything else.
    void Use(const TCaptureTarget& Target) { FTarget = Target; }
    // The area to copy at this frame; false when the target is gone and the loop must stop.
    bool AtFrame(TScreenArea& Area) const;

    HWND Target() const { return FTarget.Window; }

private:
    TCaptureTarget FTarget;
};
