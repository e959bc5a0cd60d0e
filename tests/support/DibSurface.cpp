#include "DibSurface.h"

#include <algorithm>

BITMAPINFO TopDown32(int width, int height)
{
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return bi;
}

TDibSurface::TDibSurface(int width, int height, HDC compatible) : FWidth(width), FHeight(height)
{
    const BITMAPINFO bi = TopDown32(width, height);
    FDC = CreateCompatibleDC(compatible);
    void* bits = nullptr;
    FBitmap = CreateDIBSection(FDC, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    FBits = static_cast<uint32_t*>(bits);
    FOld = SelectObject(FDC, FBitmap);
    if (FBits)
        std::fill(FBits, FBits + static_cast<size_t>(width) * static_cast<size_t>(height), 0u);
}

TDibSurface::~TDibSurface()
{
    SelectObject(FDC, FOld);
    DeleteObject(FBitmap);
    DeleteDC(FDC);
}

void TDibSurface::CopyFrom(HDC source, int x, int y)
{
    BitBlt(FDC, 0, 0, FWidth, FHeight, source, x, y, SRCCOPY);
}

std::vector<uint32_t> TDibSurface::Pixels() const
{
    GdiFlush();
    if (!FBits)
        return {};
    return std::vector<uint32_t>(FBits, FBits + static_cast<size_t>(FWidth) * static_cast<size_t>(FHeight));
}

COLORREF TDibSurface::Pixel(int x, int y) const
{
    if (!FBits || x < 0 || y < 0 || x >= FWidth || y >= FHeight)
        return CLR_INVALID;
    GdiFlush();
    return AsColorRef(FBits[static_cast<size_t>(y) * static_cast<size_t>(FWidth) + static_cast<size_t>(x)]);
}

std::vector<uint32_t> ScreenPixels(const RECT& r)
{
    HDC screen = GetDC(nullptr);
    std::vector<uint32_t> pixels;
    {
        TDibSurface surface(r.right - r.left, r.bottom - r.top, screen);
        surface.CopyFrom(screen, r.left, r.top);
        pixels = surface.Pixels();
    }
    ReleaseDC(nullptr, screen);
    return pixels;
}
