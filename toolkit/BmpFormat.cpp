#include "BmpFormat.h"

#include <algorithm>
#include <climits>

namespace {

constexpr uint32_t biRGB = 0;
constexpr uint32_t biBitfields = 3;

uint32_t U16(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8;
}

uint32_t U32(const uint8_t* p)
{
    return U16(p) | U16(p + 2) << 16;
}

int32_t I32(const uint8_t* p)
{
    return static_cast<int32_t>(U32(p));
}

void PutU16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v)
{
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}

TPixelFormat FormatOfBits(uint32_t bits, uint32_t compression, const uint32_t* masks)
{
    switch (bits) {
    case 1: return pf1bit;
    case 4: return pf4bit;
    case 8: return pf8bit;
    case 24: return pf24bit;
    case 16:
        if (compression == biRGB || (masks[0] == 0x7C00 && masks[1] == 0x03E0 && masks[2] == 0x001F))
            return pf15bit;
        if (masks[0] == 0xF800 && masks[1] == 0x07E0 && masks[2] == 0x001F)
            return pf16bit;
        break;
    case 32:
        if (compression == biRGB || (masks[0] == 0xFF0000 && masks[1] == 0x00FF00 && masks[2] == 0x0000FF))
            return pf32bit;
        break;
    }
    throw EInvalidGraphic(L"Unsupported bitmap format (" + std::to_wstring(bits) + L" bits per pixel)");
}

}  // namespace

int BitsPerPixel(TPixelFormat format)
{
    static constexpr int bits[] = {0, 1, 4, 8, 16, 16, 24, 32};
    return bits[format];
}

int64_t BmpStride(int64_t width, int bitsPerPixel)
{
    return (width * bitsPerPixel + 31) / 32 * 4;
}

TBmpLayout ReadBmpLayout(const uint8_t* bytes, size_t size)
{
    const std::wstring bad = L"The bitmap data is not a valid BMP picture";
    if (size < BmpFileHeaderSize + BmpInfoHeaderSize)
        throw EInvalidGraphic(bad);
    const uint8_t* info = bytes + BmpFileHeaderSize;
    const uint32_t type = U16(bytes);
    const uint64_t offBits = U32(bytes + 10);
    const uint64_t infoSize = U32(info);
    const int32_t width = I32(info + 4);
    const int32_t height = I32(info + 8);
    const uint32_t planes = U16(info + 12);
    const uint32_t bits = U16(info + 14);
    const uint32_t compression = U32(info + 16);
    const uint32_t colorsUsed = U32(info + 32);
    if (type != 0x4D42 || infoSize < BmpInfoHeaderSize || width <= 0 || height == 0 || height == INT32_MIN ||
        planes != 1)
        throw EInvalidGraphic(bad);
    if (compression != biRGB && compression != biBitfields)
        throw EInvalidGraphic(L"Compressed bitmaps are not supported");

    // 64-bit sums: a header size near 4 GiB must not wrap around to a small offset.
    const uint64_t headerEnd = BmpFileHeaderSize + infoSize;
    uint32_t masks[3] = {0, 0, 0};
    uint64_t tableAt = headerEnd;
    if (compression == biBitfields) {
        // Masks follow a plain info header; larger headers carry them inside.
        const uint64_t at = infoSize == BmpInfoHeaderSize ? headerEnd : BmpFileHeaderSize + BmpInfoHeaderSize;
        if (size < at + 12)
            throw EInvalidGraphic(bad);
        for (int i = 0; i < 3; ++i)
            masks[i] = U32(bytes + at + 4 * i);
        if (infoSize == BmpInfoHeaderSize)
            tableAt += 12;
    }
    TBmpLayout layout;
    layout.Format = FormatOfBits(bits, compression, masks);
    layout.BitsPerPixel = static_cast<int>(bits);
    layout.Width = width;
    layout.Height = height < 0 ? -height : height;
    layout.BottomUp = height > 0;
    const uint64_t stride = static_cast<uint64_t>(BmpStride(width, layout.BitsPerPixel));
    // Divided, not multiplied: stride × rows can pass even the 64-bit range.
    if (offBits > size || stride > (size - offBits) / static_cast<uint64_t>(layout.Height))
        throw EInvalidGraphic(bad);
    layout.Stride = static_cast<size_t>(stride);
    layout.PixelsAt = static_cast<size_t>(offBits);

    if (bits <= 8) {
        const uint64_t full = uint64_t{1} << bits;
        const uint64_t count = colorsUsed ? (std::min<uint64_t>)(colorsUsed, full) : full;
        if (tableAt + count * 4 > size)
            throw EInvalidGraphic(bad);
        layout.ColorTableAt = static_cast<size_t>(tableAt);
        layout.ColorCount = static_cast<size_t>(count);
    }
    return layout;
}

void WriteBmpHeaders(std::vector<uint8_t>& out, int width, int height, TPixelFormat format,
                     const std::vector<uint8_t>& colorTable)
{
    const int bpp = format == pfDevice ? 32 : BitsPerPixel(format);
    const bool bitfields = format == pf16bit;
    const uint32_t extra = bitfields ? 12 : static_cast<uint32_t>(colorTable.size());
    const uint32_t offset = static_cast<uint32_t>(BmpFileHeaderSize + BmpInfoHeaderSize) + extra;
    const uint32_t imageSize = static_cast<uint32_t>(BmpStride(width, bpp)) * static_cast<uint32_t>(height);

    PutU16(out, 0x4D42);  // "BM"
    PutU32(out, offset + imageSize);
    PutU32(out, 0);
    PutU32(out, offset);

    PutU32(out, static_cast<uint32_t>(BmpInfoHeaderSize));
    PutU32(out, static_cast<uint32_t>(width));
    PutU32(out, static_cast<uint32_t>(height));  // positive: bottom-up
    PutU16(out, 1);
    PutU16(out, static_cast<uint32_t>(bpp));
    PutU32(out, bitfields ? biBitfields : biRGB);
    PutU32(out, imageSize);
    PutU32(out, 0);
    PutU32(out, 0);
    PutU32(out, static_cast<uint32_t>(colorTable.size() / 4));
    PutU32(out, 0);
    if (bitfields)
        for (uint32_t m : {0xF800u, 0x07E0u, 0x001Fu})
            PutU32(out, m);
    out.insert(out.end(), colorTable.begin(), colorTable.end());
}
