// A 32-bit top-down DIB section in a memory DC, for reading back what was drawn or what the
// screen shows. Only plain GDI: the harness, which links no toolkit, uses it too.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

// The header of a top-down 32-bit DIB of width x height.
BITMAPINFO TopDown32(int width, int height);

// A 0x00RRGGBB pixel as a COLORREF.
inline COLORREF AsColorRef(uint32_t pixel)
{
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

// Black to start with. Pixels are 0x00RRGGBB words in memory order (blue, green, red, fourth
// byte), top row first; the fourth byte is whatever the drawing left there.
class TDibSurface {
public:
    TDibSurface(int width, int height, HDC compatible = nullptr);
    ~TDibSurface();
    TDibSurface(const TDibSurface&) = delete;
    TDibSurface& operator=(const TDibSurface&) = delete;

    HDC DC() const { return FDC; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    // Copies source's area at (x, y) to the whole surface.
    void CopyFrom(HDC source, int x, int y);
    // After a GdiFlush, so that every drawing call has reached the bits.
    std::vector<uint32_t> Pixels() const;
    // CLR_INVALID outside the surface.
    COLORREF Pixel(int x, int y) const;

private:
    int FWidth;
    int FHeight;
    HDC FDC = nullptr;
    HBITMAP FBitmap = nullptr;
    HGDIOBJ FOld = nullptr;
    uint32_t* FBits = nullptr;
};

// The screen's pixels in r, as TDibSurface::Pixels answers them.
std::vector<uint32_t> ScreenPixels(const RECT& r);
