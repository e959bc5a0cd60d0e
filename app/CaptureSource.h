// What is captured: the rectangle of the screen a start sets up and each frame copies.
#pragma once

#include <windows.h>

#include "CaptureArea.h"

// The target a start would capture: the window and its area, or an area chosen on the screen.
struct TCaptureTarget {
    HWND Window = nullptr;
    TScreenArea Area;
    bool Chosen = false;
};

class TCaptureSource {
public:
    // Options for the next start (and, while following, the next frame). Off, a start takes the
    // window in front and its outer rectangle, fixed.
    bool ClientArea() const { return FClientArea; }
    void SetClientArea(bool value) { FClientArea = value; }
    bool Follow() const { return FFollow; }
    void SetFollow(bool value) { FFollow = value; }

    // What a start would capture now: the window in front and its outer or client rectangle.
    // Nothing is recorded, so a start that fails afterwards leaves the running capture as it was.
    TCaptureTarget AtStart() const;
    // An area chosen on the screen: captured where it is, whatever the options say.
    static TCaptureTarget OfArea(const TScreenArea& Area) { return TCaptureTarget{nullptr, Area, true}; }
    // Records the target once the start has set up everything else.
    void Use(const TCaptureTarget& Target) { FTarget = Target; }
    // The area to copy at this frame and how it changed. A followed window's new place is taken
    // at once; a new size is taken by Use once the capture is set up at that size; gone, the
    // area stays the last one.
    TFollowStep AtFrame(TScreenArea& Area);

    HWND Target() const { return FTarget.Window; }
    bool AreaChosen() const { return FTarget.Chosen; }

private:
    TScreenArea AreaOf(HWND Window) const;

    TCaptureTarget FTarget;
    bool FClientArea = false;
    bool FFollow = false;
};
