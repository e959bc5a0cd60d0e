// Helpers for tests that drive real windows under Wine: message pumping, real input, and a
// recorder in place of the error message box.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Runs the message loop for about ms milliseconds.
void PumpMessages(int ms);
// Runs the message loop until done() or the timeout; returns done().
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000);

// Raw input through SendInput, in screen coordinates; no message pumping.
void SendMouseMove(POINT screen);
void SendMouseButton(bool down, bool right = false);
void SendKey(WORD virtualKey, bool down);

// Real input that then lets the application handle it.
void MoveMouseTo(POINT screen);
void MouseButton(bool down, bool right = false);
void ClickAt(POINT screen);
void DoubleClickAt(POINT screen);
void PressKey(WORD virtualKey);

// Brings a top-level window to the foreground, as far as the window system lets a test.
bool BringToFront(HWND window);

struct TReportedError {
    HWND Owner;
    std::wstring Text;
    std::wstring Caption;
    UINT Style;
};

// Records what the application would show in its error box, for the lifetime of the object.
class TErrorRecorder {
public:
    TErrorRecorder();
    ~TErrorRecorder();
    TErrorRecorder(const TErrorRecorder&) = delete;
    TErrorRecorder& operator=(const TErrorRecorder&) = delete;
    std::vector<TReportedError> Errors;
};

// Makes every unexpected error report fail the running test.
void InstallFailingReporter();
// The main of a test program: one application object for all tests.
int RunTestProgram(int argc, char** argv);

// Narrow text for assertion messages.
std::string Narrow(const std::wstring& text);
