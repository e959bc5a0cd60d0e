// Counted creation and release of GDI objects and device contexts. GetGuiResources answers 0
// under Wine, so leak checks rely on these counters instead: every GDI object and DC that the
// toolkit (and the program) makes goes through one of these wrappers.
//
// A handle is counted from its successful creation to its successful release. Releasing a
// handle the counters never saw, or one already released, changes nothing, so a double
// release cannot hide a leak elsewhere.
#pragma once

#include <windows.h>

struct TGdiCounts {
    long Objects;  // pens, brushes, fonts, bitmaps, regions, palettes
    long DCs;      // memory DCs and DCs taken from windows
};

TGdiCounts GdiLiveCounts();

// ---- GDI objects ----
HFONT CountedCreateFontIndirect(const LOGFONTW* font);
HPEN CountedCreatePen(int style, int width, COLORREF color);
HPEN CountedCreatePenIndirect(const LOGPEN* pen);
HBRUSH CountedCreateSolidBrush(COLORREF color);
HBRUSH CountedCreateHatchBrush(int hatch, COLORREF color);
HBRUSH CountedCreatePatternBrush(HBITMAP bitmap);
HBRUSH CountedCreateBrushIndirect(const LOGBRUSH* brush);
HBITMAP CountedCreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                                DWORD offset);
HBITMAP CountedCreateCompatibleBitmap(HDC dc, int width, int height);
HBITMAP CountedCreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
HRGN CountedCreateRectRgn(int left, int top, int right, int bottom);
HRGN CountedCreateRectRgnIndirect(const RECT* rect);
HPALETTE CountedCreatePalette(const LOGPALETTE* palette);
HPALETTE CountedCreateHalftonePalette(HDC dc);
BOOL CountedDeleteObject(HGDIOBJ object);
// Test seam: while on, every bitmap creation above fails as if memory had run out.
void SetBitmapCreationFailure(bool fails);

// Takes a handle made by some other API into the count (for example one from LoadImage).
// Returns it unchanged; null is ignored.
HGDIOBJ GdiCountAdopt(HGDIOBJ object);
// Drops a counted handle whose ownership passed to the system (GetDCEx with a clip region does
// this itself).
void GdiCountDisown(HGDIOBJ object);

// ---- device contexts ----
HDC CountedCreateCompatibleDC(HDC dc);
BOOL CountedDeleteDC(HDC dc);
HDC CountedGetDC(HWND window);
HDC CountedGetWindowDC(HWND window);
// With DCX_INTERSECTRGN or DCX_EXCLUDERGN the system takes over the region: once the DC is
// obtained the region no longer counts as ours.
HDC CountedGetDCEx(HWND window, HRGN clip, DWORD flags);
int CountedReleaseDC(HWND window, HDC dc);
