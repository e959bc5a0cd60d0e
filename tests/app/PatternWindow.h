// A plain top-level window without a frame that shows a known side-by-side picture, as a
// capture target: its outer rectangle is exactly its picture.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

class TPatternWindow {
public:
    // A frameless popup unless style says otherwise; the picture fills the client area.
    TPatternWindow(int x, int y, int width, int height, int seed = 0, DWORD style = WS_POPUP);
    ~TPatternWindow();
    TPatternWindow(const TPatternWindow&) = delete;
    TPatternWindow& operator=(const TPatternWindow&) = delete;

    HWND Handle() const { return FHandle; }
    // Draws another picture and waits until it is on the screen.
    void SetSeed(int seed);
    // Lets the window answer WM_GETMINMAXINFO with a huge maximum, so tests can size it past the screen.
    static void AllowHugeSizes(bool allow);

private:
    static LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);
    void Paint(HDC dc);

    HWND FHandle = nullptr;
    int FSeed = 0;
};

// The screen's pixels in a rectangle, top row first, 4 bytes a pixel (blue, green, red, fourth).
std::vector<uint8_t> GrabScreen(const RECT& r);
