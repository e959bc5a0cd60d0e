// "Choose area...": the user drags a rectangle over a still copy of every monitor.
#pragma once

#include "CaptureArea.h"

// Shows the selection over the whole virtual screen, drawn from a copy of the screen taken once
// what covered it (the menu that asked) has been repainted, dimmed outside the rectangle being
// dragged, with the cross cursor. Returns true with the area on a left-button drag of at least
// MinChosenSize each way; false on Escape, a right-click, a lost capture or activation, or a
// quit (which is posted again). A click without a drag is ignored and the selection stays.
//
// Runs a message loop of its own that dispatches timers and other messages: whatever called it
// may have been freed by the time it returns. Keyboard input goes to the selection alone.
bool SelectScreenArea(TScreenArea& Area);
