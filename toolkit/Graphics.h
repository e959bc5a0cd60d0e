// Colours, pens, brushes, fonts, canvases and bitmaps over GDI.
//
// Ownership rules that keep GDI tidy:
// - a pen, brush or font makes its handle on demand and drops it after any change; a canvas
//   that has it selected puts its DC's original object back first, so no GDI object is ever
//   deleted while selected;
// - a canvas selects its pen, brush and font lazily, before the drawing call that needs them,
//   and deselects them when its handle changes or it dies; it never deletes a DC it did not
//   make;
// - every handle is made and released through the counted wrappers of GdiCount.h.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "BmpFormat.h"
#include "Classes.h"
#include "Colors.h"

// ---- colours ---------------------------------------------------------------------------------

// System colours resolved through GetSysColor; any other value is returned as it is (the
// palette-relative flag 0x02000000 included).
COLORREF ColorToRGB(TColor color);

// A copy of a logical palette (null for null). The copy is counted; delete it with
// CountedDeleteObject.
HPALETTE CopyPalette(HPALETTE palette);

class TCanvas;
class TBitmap;

// ---- graphics objects -----------------------------------------------------------------------

class TGraphicsObject : public TPersistent {
    TK_CLASSINFO(TGraphicsObject, TPersistent)
public:
    TGraphicsObject() = default;
    TGraphicsObject(const TGraphicsObject&) = delete;
    TGraphicsObject& operator=(const TGraphicsObject&) = delete;
    ~TGraphicsObject() override;

    TNotifyEvent OnChange;

protected:
    // After a value changed: the canvas that selects this object lets go of it, the stale
    // handle is dropped, then OnChange runs.
    void Changed();
    // Deletes the GDI handle made from the old values, if any.
    virtual void DropHandle() {}
    // For destructors of subclasses: deselected first, then deleted.
    void ReleaseHandle();

private:
    friend class TCanvas;
    TCanvas* FSelector = nullptr;  // the canvas that owns this object and selects it
};

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;

// Defaults are those of the classic toolkit: "MS Sans Serif", height -11 (8 points),
// DEFAULT_CHARSET, clWindowText, no style. Published properties equal to them are not stored.
class TFont : public TGraphicsObject {
    TK_CLASSINFO(TFont, TGraphicsObject)
public:
    static constexpr const wchar_t* DefaultName = L"MS Sans Serif";
    static constexpr int DefaultHeight = -11;

    TFont() = default;
    ~TFont() override;

    std::wstring Name() const { return FName; }
    void SetName(const std::wstring& value);
    // Negative: character height in pixels; positive: cell height.
    int Height() const { return FHeight; }
    void SetHeight(int value);
    // Points, through PixelsPerInch.
    int Size() const;
    void SetSize(int value);
    int PixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int value);
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    uint8_t Charset() const { return FCharset; }
    void SetCharset(uint8_t value);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles value);

    // Made from the current values on first use and kept until the next change.
    HFONT Handle();
    bool HandleAllocated() const { return FHandle != nullptr; }

    void Assign(const TPersistent& source) override;

protected:
    void DropHandle() override;

private:
    std::wstring FName = DefaultName;
    int FHeight = DefaultHeight;
    int FPixelsPerInch = 96;
    TColor FColor = clWindowText;
    uint8_t FCharset = DEFAULT_CHARSET;
    TFontStyles FStyle;
    HFONT FHandle = nullptr;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
// Raster operations, in the order of the ROP2 codes R2_BLACK .. R2_WHITE are mapped below.
enum TPenMode {
    pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot, pmMergeNotPen,
    pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};

// Defaults: clBlack, width 1, psSolid, pmCopy.
class TPen : public TGraphicsObject {
    TK_CLASSINFO(TPen, TGraphicsObject)
public:
    TPen() = default;
    ~TPen() override;

    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    int Width() const { return FWidth; }
    void SetWidth(int value);
    TPenStyle Style() const { return FStyle; }
    void SetStyle(TPenStyle value);
    TPenMode Mode() const { return FMode; }
    void SetMode(TPenMode value);
    int Rop2() const;  // the R2_xxx code of Mode

    HPEN Handle();
    bool HandleAllocated() const { return FHandle != nullptr; }

    void Assign(const TPersistent& source) override;

protected:
    void DropHandle() override;

private:
    TColor FColor = clBlack;
    int FWidth = 1;
    TPenStyle FStyle = psSolid;
    TPenMode FMode = pmCopy;
    HPEN FHandle = nullptr;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

// Defaults: clWhite, bsSolid, no bitmap.
class TBrush : public TGraphicsObject {
    TK_CLASSINFO(TBrush, TGraphicsObject)
public:
    TBrush() = default;
    ~TBrush() override;

    TColor Color() const { return FColor; }
    // Also turns a clear brush solid, as the classic toolkit does.
    void SetColor(TColor value);
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle value);
    // A pattern brush made from this bitmap; not owned. The pattern is taken when the handle
    // is made, so later changes to the bitmap need SetBitmap again to show.
    TBitmap* Bitmap() const { return FBitmap; }
    void SetBitmap(TBitmap* value);

    HBRUSH Handle();
    bool HandleAllocated() const { return FHandle != nullptr; }

    void Assign(const TPersistent& source) override;

protected:
    void DropHandle() override;

private:
    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
    TBitmap* FBitmap = nullptr;
    HBRUSH FHandle = nullptr;
};

// ---- canvas ---------------------------------------------------------------------------------

class TCanvas : public TPersistent {
    TK_CLASSINFO(TCanvas, TPersistent)
public:
    TCanvas();
    ~TCanvas() override;
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    // The DC; calls CreateHandle when there is none, and raises EInvalidOperation
    // "Canvas does not allow drawing" when there still is none.
    HDC Handle();
    // Lets go of the old DC first (our objects deselected); never deletes a DC.
    void SetHandle(HDC value);
    bool HandleAllocated() const { return FHandle != nullptr; }

    TPen* Pen() const { return FPen.get(); }
    void SetPen(const TPen& value) { FPen->Assign(value); }
    TBrush* Brush() const { return FBrush.get(); }
    void SetBrush(const TBrush& value) { FBrush->Assign(value); }
    TFont* Font() const { return FFont.get(); }
    void SetFont(const TFont& value) { FFont->Assign(value); }
    // Raster operation of Draw and CopyRect (SRCCOPY by default).
    DWORD CopyMode() const { return FCopyMode; }
    void SetCopyMode(DWORD value) { FCopyMode = value; }

    TNotifyEvent OnChanging;  // before a drawing operation
    TNotifyEvent OnChange;    // after it

    void FillRect(const RECT& rect);
    void FrameRect(const RECT& rect);
    void Rectangle(int left, int top, int right, int bottom);
    void Rectangle(const RECT& rect) { Rectangle(rect.left, rect.top, rect.right, rect.bottom); }
    void Ellipse(int left, int top, int right, int bottom);
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    POINT PenPos();
    void Polyline(const std::vector<POINT>& points);
    void Polygon(const std::vector<POINT>& points);
    TColor Pixels(int x, int y);
    void SetPixels(int x, int y, TColor color);

    // Text in the font's colour; the background is the brush (opaque) or nothing (bsClear).
    void TextOut(int x, int y, const std::wstring& text);
    // Clipped to rect; with a non-clear brush the rectangle is filled behind the text.
    void TextRect(const RECT& rect, int x, int y, const std::wstring& text);
    int TextWidth(const std::wstring& text);
    int TextHeight(const std::wstring& text);
    SIZE TextExtent(const std::wstring& text);

    void Draw(int x, int y, TBitmap& bitmap);
    void StretchDraw(const RECT& rect, TBitmap& bitmap);
    void CopyRect(const RECT& dest, TCanvas& source, const RECT& sourceRect);
    // Copies bitmap's source rectangle to dest, showing the brush wherever the bitmap has
    // transparentColor (a system colour is resolved first).
    void BrushCopy(const RECT& dest, TBitmap& bitmap, const RECT& source, TColor transparentColor);

    // Deselects pen, brush and font; the next drawing call selects them again.
    void Refresh();

protected:
    // Called by Handle() when there is no DC. The base makes none.
    virtual void CreateHandle() {}
    // Before and after every drawing operation.
    virtual void Changing();
    virtual void Changed();

private:
    friend class TGraphicsObject;
    enum TSelected { selPen = 1, selBrush = 2, selFont = 4 };

    // The DC with the objects a drawing call needs selected.
    HDC Required(int what);
    void Select(int what);
    void Deselect(int what);
    void ObjectChanging(TGraphicsObject* object);

    HDC FHandle = nullptr;
    int FSelected = 0;
    HGDIOBJ FOldPen = nullptr;
    HGDIOBJ FOldBrush = nullptr;
    HGDIOBJ FOldFont = nullptr;
    std::unique_ptr<TPen> FPen;
    std::unique_ptr<TBrush> FBrush;
    std::unique_ptr<TFont> FFont;
    DWORD FCopyMode = SRCCOPY;
};

// Saves a device context's state and restores it on every way out.
class TDCStateGuard {
public:
    explicit TDCStateGuard(HDC dc) : FDC(dc), FSaved(SaveDC(dc)) {}
    ~TDCStateGuard()
    {
        if (FSaved)
            RestoreDC(FDC, FSaved);
    }
    TDCStateGuard(const TDCStateGuard&) = delete;
    TDCStateGuard& operator=(const TDCStateGuard&) = delete;

private:
    HDC FDC;
    int FSaved;
};

// ---- bitmap ---------------------------------------------------------------------------------

class TBitmapCanvas;

// A device-independent bitmap (a DIB section, rows stored top-down) for every format but
// pfDevice, which is a bitmap compatible with the screen and has no row access. pf32bit pixels
// are 4 bytes blue, green, red, unused (BI_RGB). A new bitmap is empty (0 x 0, pfDevice).
// Resizing keeps the old picture in the top-left corner and fills the rest white. A size of 0
// in either direction gives an empty bitmap with no image; negative sizes raise
// EInvalidOperation; a size that cannot be allocated raises EOutOfResources and leaves the
// bitmap as it was.
class TBitmap : public TGraphicsObject {
    TK_CLASSINFO(TBitmap, TGraphicsObject)
public:
    TBitmap();
    ~TBitmap() override;

    int Width() const { return FWidth; }
    void SetWidth(int value);
    int Height() const { return FHeight; }
    void SetHeight(int value);
    void SetSize(int width, int height);
    TPixelFormat PixelFormat() const { return FPixelFormat; }
    void SetPixelFormat(TPixelFormat value);
    bool Empty() const { return FHandle == nullptr; }

    // Address of row `row` counted from the top. Raises EInvalidOperation for a row outside
    // 0..Height-1, an empty bitmap or pfDevice. Writing through it fires no OnChange.
    void* ScanLine(int row);
    // Bytes from one row to the next (rows are DWORD-aligned); 0 when there is no row access.
    int ScanLineStride() const { return FStride; }

    HBITMAP Handle() const { return FHandle; }
    // Owned: SetPalette takes the palette (counted) and deletes the previous one.
    HPALETTE Palette() const { return FPalette; }
    void SetPalette(HPALETTE value);

    // A memory DC with the bitmap selected, made on first use and kept with the bitmap.
    TCanvas* Canvas();

    // Copies size, pixel format, palette and pixels of another TBitmap.
    void Assign(const TPersistent& source) override;

    // The picture as a BMP file (BITMAPFILEHEADER onwards). pfDevice is saved as 32 bits per
    // pixel. Loading takes uncompressed 1, 4, 8, 16, 24 and 32-bit files (BI_RGB, or
    // BI_BITFIELDS with the standard masks) and raises EInvalidGraphic for anything else; a
    // failed load leaves the bitmap as it was.
    std::vector<uint8_t> SaveToBytes();
    void LoadFromBytes(const std::vector<uint8_t>& bytes);

    // Stored as Data: a 4-byte little-endian length, then the BMP file; not stored when empty.
    void DefineProperties(TFiler& filer) override;

private:
    friend class TBitmapCanvas;
    struct TImage {
        HBITMAP Handle = nullptr;
        void* Bits = nullptr;
        int Stride = 0;
    };

    void ChangeImage(int width, int height, TPixelFormat format);
    TImage MakeImage(int width, int height, TPixelFormat format) const;
    void CopyPicture(HBITMAP target, int width, int height) const;
    void CanvasChanged() { Changed(); }

    int FWidth = 0;
    int FHeight = 0;
    TPixelFormat FPixelFormat = pfDevice;
    HBITMAP FHandle = nullptr;
    void* FBits = nullptr;
    int FStride = 0;
    HPALETTE FPalette = nullptr;
    std::unique_ptr<TBitmapCanvas> FCanvas;
};
