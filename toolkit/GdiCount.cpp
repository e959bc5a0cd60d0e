#include "GdiCount.h"

#include <atomic>
#include <mutex>
#include <unordered_map>

namespace {

// Handle -> number of outstanding acquisitions. GDI objects are unique per creation, but a
// window with a class or private DC hands out the same HDC to every GetDC, so DCs need counts.
class THandleCounter {
public:
    void Acquired(void* handle)
    {
        if (!handle)
            return;
        std::lock_guard<std::mutex> lock(FLock);
        ++FLive[handle];
        ++FTotal;
    }
    // Forgets one acquisition; only for handles we saw acquired.
    void Released(void* handle)
    {
        std::lock_guard<std::mutex> lock(FLock);
        auto it = FLive.find(handle);
        if (it == FLive.end())
            return;
        if (--it->second == 0)
            FLive.erase(it);
        --FTotal;
    }
    long Total()
    {
        std::lock_guard<std::mutex> lock(FLock);
        return FTotal;
    }

private:
    std::mutex FLock;
    std::unordered_map<void*, long> FLive;
    long FTotal = 0;
};

THandleCounter& Objects()
{
    static THandleCounter counter;
    return counter;
}

THandleCounter& DCs()
{
    static THandleCounter counter;
    return counter;
}

template <class H>
H CountObject(H handle)
{
    Objects().Acquired(handle);
    return handle;
}

HDC CountDC(HDC dc)
{
    DCs().Acquired(dc);
    return dc;
}

std::atomic<bool> BitmapsFail{false};

}  // namespace

TGdiCounts GdiLiveCounts()
{
    return TGdiCounts{Objects().Total(), DCs().Total()};
}

HFONT CountedCreateFontIndirect(const LOGFONTW* font)
{
    return CountObject(CreateFontIndirectW(font));
}

HPEN CountedCreatePen(int style, int width, COLORREF color)
{
    return CountObject(CreatePen(style, width, color));
}

HPEN CountedCreatePenIndirect(const LOGPEN* pen)
{
    return CountObject(CreatePenIndirect(pen));
}

HBRUSH CountedCreateSolidBrush(COLORREF color)
{
    return CountObject(CreateSolidBrush(color));
}

HBRUSH CountedCreateHatchBrush(int hatch, COLORREF color)
{
    return CountObject(CreateHatchBrush(hatch, color));
}

HBRUSH CountedCreatePatternBrush(HBITMAP bitmap)
{
    return CountObject(CreatePatternBrush(bitmap));
}

HBRUSH CountedCreateBrushIndirect(const LOGBRUSH* brush)
{
    return CountObject(CreateBrushIndirect(brush));
}

HBITMAP CountedCreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                                DWORD offset)
{
    if (BitmapsFail) {
        if (bits)
            *bits = nullptr;
        return nullptr;
    }
    return CountObject(CreateDIBSection(dc, info, usage, bits, section, offset));
}

HBITMAP CountedCreateCompatibleBitmap(HDC dc, int width, int height)
{
    return BitmapsFail ? nullptr : CountObject(CreateCompatibleBitmap(dc, width, height));
}

HBITMAP CountedCreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits)
{
    return BitmapsFail ? nullptr : CountObject(CreateBitmap(width, height, planes, bitsPerPixel, bits));
}

void SetBitmapCreationFailure(bool fails)
{
    BitmapsFail = fails;
}

HRGN CountedCreateRectRgn(int left, int top, int right, int bottom)
{
    return CountObject(CreateRectRgn(left, top, right, bottom));
}

HRGN CountedCreateRectRgnIndirect(const RECT* rect)
{
    return CountObject(CreateRectRgnIndirect(rect));
}

HPALETTE CountedCreatePalette(const LOGPALETTE* palette)
{
    return CountObject(CreatePalette(palette));
}

HPALETTE CountedCreateHalftonePalette(HDC dc)
{
    return CountObject(CreateHalftonePalette(dc));
}

BOOL CountedDeleteObject(HGDIOBJ object)
{
    const BOOL ok = object ? DeleteObject(object) : FALSE;
    if (ok)
        Objects().Released(object);
    return ok;
}

HGDIOBJ GdiCountAdopt(HGDIOBJ object)
{
    return CountObject(object);
}

void GdiCountDisown(HGDIOBJ object)
{
    if (object)
        Objects().Released(object);
}

HDC CountedCreateCompatibleDC(HDC dc)
{
    return CountDC(CreateCompatibleDC(dc));
}

BOOL CountedDeleteDC(HDC dc)
{
    const BOOL ok = dc ? DeleteDC(dc) : FALSE;
    if (ok)
        DCs().Released(dc);
    return ok;
}

HDC CountedGetDC(HWND window)
{
    return CountDC(GetDC(window));
}

HDC CountedGetWindowDC(HWND window)
{
    return CountDC(GetWindowDC(window));
}

HDC CountedGetDCEx(HWND window, HRGN clip, DWORD flags)
{
    HDC dc = GetDCEx(window, clip, flags);
    // HRGN 1 is the "whole window" marker of WM_NCPAINT, never a real region.
    if (dc && (flags & (DCX_INTERSECTRGN | DCX_EXCLUDERGN)) && reinterpret_cast<ULONG_PTR>(clip) > 1)
        GdiCountDisown(clip);
    return CountDC(dc);
}

int CountedReleaseDC(HWND window, HDC dc)
{
    const int released = dc ? ReleaseDC(window, dc) : 0;
    if (released)
        DCs().Released(dc);
    return released;
}
