// Scope guards over GDI shared by the canvas and the bitmap; not part of the toolkit's interface.
#pragma once

#include <windows.h>

#include "GdiCount.h"
#include "SysUtils.h"

// Deletes a counted GDI object or DC at scope exit.
class TGdiObjectGuard {
public:
    explicit TGdiObjectGuard(HGDIOBJ object) : FObject(object) {}
    ~TGdiObjectGuard()
    {
        if (FObject)
            CountedDeleteObject(FObject);
    }
    TGdiObjectGuard(const TGdiObjectGuard&) = delete;
    TGdiObjectGuard& operator=(const TGdiObjectGuard&) = delete;
    HGDIOBJ Release()
    {
        HGDIOBJ o = FObject;
        FObject = nullptr;
        return o;
    }

private:
    HGDIOBJ FObject;
};

// A memory DC with one object selected for the guard's lifetime.
class TMemoryDC {
public:
    TMemoryDC(HDC compatible, HGDIOBJ selected) : FDC(CountedCreateCompatibleDC(compatible))
    {
        if (!FDC)
            throw EOutOfResources(L"Cannot create a memory device context");
        FOld = selected ? SelectObject(FDC, selected) : nullptr;
    }
    ~TMemoryDC()
    {
        if (FOld)
            SelectObject(FDC, FOld);
        CountedDeleteDC(FDC);
    }
    TMemoryDC(const TMemoryDC&) = delete;
    TMemoryDC& operator=(const TMemoryDC&) = delete;
    HDC DC() const { return FDC; }

private:
    HDC FDC;
    HGDIOBJ FOld;
};

// Restores a DC's palette at scope exit; does nothing without a palette.
class TPaletteSelection {
public:
    TPaletteSelection(HDC dc, HPALETTE palette) : FDC(dc)
    {
        if (palette) {
            FOld = SelectPalette(dc, palette, TRUE);
            RealizePalette(dc);
        }
    }
    ~TPaletteSelection()
    {
        if (FOld)
            SelectPalette(FDC, FOld, TRUE);
    }
    TPaletteSelection(const TPaletteSelection&) = delete;
    TPaletteSelection& operator=(const TPaletteSelection&) = delete;

private:
    HDC FDC;
    HPALETTE FOld = nullptr;
};
