// WM_PRINT output of a window as pixels, for the painting tests.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "DibSurface.h"
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
        TDibSurface surface(Width, Height);
        // A colour no paint uses, so that unpainted pixels show.
        HBRUSH fill = CountedCreateSolidBrush(RGB(1, 2, 3));
        RECT all{0, 0, Width, Height};
        FillRect(surface.DC(), &all, fill);
        CountedDeleteObject(fill);
        SendMessageW(wnd, WM_PRINT, reinterpret_cast<WPARAM>(surface.DC()), flags);
        Pixels = surface.Pixels();
    }
    COLORREF Pixel(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= Width || y >= Height)
            return CLR_INVALID;
        return AsColorRef(Pixels[static_cast<size_t>(y) * Width + x]);
    }
    int Width = 0;
    int Height = 0;
    std::vector<uint32_t> Pixels;  // 0x00RRGGBB
};
