// Real input that keeps flowing while the code under test runs a modal loop of its own:
// the steps run one by one from a thread timer, which every nested loop dispatches, and
// send raw SendInput events without pumping messages themselves.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "TestSupport.h"

class TInputScript {
public:
    TInputScript& Then(std::function<void()> step);
    TInputScript& Move(POINT screen);
    TInputScript& Down();
    TInputScript& Up();
    TInputScript& Key(WORD virtualKey, bool down);
    TInputScript& Wait(int steps = 1);
    // Press at from, move to `to` in a few steps, release there.
    TInputScript& Drag(POINT from, POINT to);

    // Runs the steps stepMs apart, then lets the queue settle. Quit messages met by this
    // pump are recorded in QuitCodes instead of reaching the application object.
    bool Run(int stepMs = 40, int timeoutMs = 15000);
    std::vector<WPARAM> QuitCodes;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void Pump(int ms);
    std::vector<std::function<void()>> FSteps;
    size_t FNext = 0;
};
