// WM_PRINT output of a window as pixels, for the painting tests.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "GdiCount.h"

// The window's whole rectangle as WM_PRINT draws it (frame, client, children), read back
// from a top-down 32-bit DIB. Pixel() answers a COLORREF; outside the image CLR_INVALID.
class TPrintedImage {
public:
    explicit TPrintedImage(HWND wnd, LPARAM flags = PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN)
    {
        RECT r{};
        GetWindowRect(wnd, &r);
        Width = r.right - r.left;
        Height = r.bottom - r.top;
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = Width;
        bi.bmiHeader.biHeight = -Height;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        HDC screen = CountedGetDC(nullptr);
        HDC dc = CountedCreateCompatibleDC(screen);
        void* bits = nullptr;
        HBITMAP bmp = CountedCreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(dc, bmp);
        // A colour no paint uses, so that unpainted pixels show.
        HBRUSH fill = CountedCreateSolidBrush(RGB(1, 2, 3));
        RECT all{0, 0, Width, Height};
        FillRect(dc, &all, fill);
        CountedDeleteObject(fill);
        SendMessageW(wnd, WM_PRINT, reinterpret_cast<WPARAM>(dc), flags);
        GdiFlush();
        const auto* p = static_cast<const uint32_t*>(bits);
        Pixels.assign(p, p + static_cast<size_t>(Width) * Height);
        SelectObject(dc, old);
        CountedDeleteObject(bmp);
        CountedDeleteDC(dc);
        CountedReleaseDC(nullptr, screen);
    }
    COLORREF Pixel(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= Width || y >= Height)
            return CLR_INVALID;
        const uint32_t v = Pixels[static_cast<size_t>(y) * Width + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    int Width = 0;
    int Height = 0;
    std::vector<uint32_t> Pixels;  // 0x00RRGGBB
};
