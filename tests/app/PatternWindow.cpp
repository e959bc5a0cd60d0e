#include "PatternWindow.h"

#include <cstring>

#include "DibSurface.h"
#include "TestSupport.h"

namespace {

bool HugeSizes = false;

}  // namespace

void TPatternWindow::AllowHugeSizes(bool allow)
{
    HugeSizes = allow;
}

TPatternWindow::TPatternWindow(int x, int y, int width, int height, int seed, DWORD style) : FSeed(seed)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TinteyeTestPattern";
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    WNDCLASSW existing{};
    if (!GetClassInfoW(wc.hInstance, wc.lpszClassName, &existing))
        RegisterClassW(&wc);
    FHandle = CreateWindowExW(0, wc.lpszClassName, L"pattern", style, x, y, width, height, nullptr, nullptr,
                              wc.hInstance, this);
    ShowWindow(FHandle, SW_SHOW);
    UpdateWindow(FHandle);
    BringToFront(FHandle);
    PumpMessages(100);
}

TPatternWindow::~TPatternWindow()
{
    DestroyWindow(FHandle);
    PumpMessages(50);
}

void TPatternWindow::SetSeed(int seed)
{
    FSeed = seed;
    InvalidateRect(FHandle, nullptr, FALSE);
    UpdateWindow(FHandle);
    PumpMessages(100);
}

LRESULT CALLBACK TPatternWindow::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<TPatternWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        if (self)
            self->Paint(dc);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_GETMINMAXINFO:
        if (HugeSizes) {
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            info->ptMaxTrackSize = POINT{32000, 32000};
            info->ptMaxSize = POINT{32000, 32000};
            return 0;
        }
        break;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void TPatternWindow::Paint(HDC dc)
{
    RECT r{};
    GetClientRect(FHandle, &r);
    const int w = r.right, h = r.bottom;
    if (w <= 0 || h <= 0 || w > 4096 || h > 4096)
        return;
    // Every pixel different in each channel along a row, so a shift by one shows.
    std::vector<uint32_t> pixels(static_cast<size_t>(w) * static_cast<size_t>(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t red = static_cast<uint32_t>(x * 5 + y + FSeed * 40) & 0xFF;
            const uint32_t green = static_cast<uint32_t>(x * 3 + y * 2 + FSeed * 17) & 0xFF;
            const uint32_t blue = static_cast<uint32_t>(x * 7 + y * 3 + FSeed * 29) & 0xFF;
            pixels[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] =
                (red << 16) | (green << 8) | blue;
        }
    BITMAPINFO bi = TopDown32(w, h);
    SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(w), static_cast<DWORD>(h), 0, 0, 0, static_cast<UINT>(h),
                      pixels.data(), &bi, DIB_RGB_COLORS);
}

std::vector<uint8_t> GrabScreen(const RECT& r)
{
    const std::vector<uint32_t> words = ScreenPixels(r);
    std::vector<uint8_t> pixels(words.size() * 4);
    memcpy(pixels.data(), words.data(), pixels.size());
    return pixels;
}
