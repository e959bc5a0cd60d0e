// BMP files without the window system: the header checks that decide whether bytes are a
// picture this toolkit loads, and the headers it writes. Both are little-endian byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "SysUtils.h"

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit };

// A picture that cannot be read.
class EInvalidGraphic : public Exception {
public:
    explicit EInvalidGraphic(std::wstring message) : Exception(std::move(message)) {}
};

// 0 for pfDevice, which has no fixed layout.
int BitsPerPixel(TPixelFormat format);

// Bytes from one row to the next: rows are padded to 4 bytes. 64-bit, as width × bits can pass
// the 32-bit range.
int64_t BmpStride(int64_t width, int bitsPerPixel);

constexpr size_t BmpFileHeaderSize = 14;
constexpr size_t BmpInfoHeaderSize = 40;

// Where a checked file keeps what a loader needs. Every offset plus its length lies inside the
// bytes that were checked.
struct TBmpLayout {
    TPixelFormat Format = pfDevice;
    int BitsPerPixel = 0;
    int Width = 0;
    int Height = 0;         // rows, always positive
    bool BottomUp = false;  // the last row comes first in the file
    size_t Stride = 0;
    size_t PixelsAt = 0;
    size_t ColorTableAt = 0;  // entries of 4 bytes: blue, green, red, unused
    size_t ColorCount = 0;    // 0 for more than 8 bits per pixel
};

// Checks the headers of an uncompressed 1, 4, 8, 16, 24 or 32-bit file (BI_RGB, or BI_BITFIELDS
// with the standard masks) and that its colour table and rows lie inside the bytes; raises
// EInvalidGraphic for anything else.
TBmpLayout ReadBmpLayout(const uint8_t* bytes, size_t size);

// The file header, info header, 16-bit masks (pf16bit) and colour table of a bottom-up file,
// given the table's entries (blue, green, red, unused, 4 bytes each). Appended to out.
void WriteBmpHeaders(std::vector<uint8_t>& out, int width, int height, TPixelFormat format,
                     const std::vector<uint8_t>& colorTable);
