#include "Graphics.h"

#include <algorithm>
#include <cstring>

#include "GdiCount.h"
#include "GraphicsGuards.h"
#include "LayoutText.h"
#include "ScopeExit.h"

// ---- TBitmap --------------------------------------------------------------------------------

// The bitmap's own memory DC. It stays for the bitmap's lifetime; a new image is swapped in.
class TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(TBitmap& bitmap) : FBitmap(bitmap) {}
    ~TBitmapCanvas() override
    {
        if (!HandleAllocated())
            return;
        HDC dc = Handle();
        Detach();
        SetHandle(nullptr);
        CountedDeleteDC(dc);
    }

    // Takes the image and palette out of the DC, so that they can be deleted.
    void Detach()
    {
        if (!HandleAllocated())
            return;
        HDC dc = Handle();
        if (FOldBitmap) {
            SelectObject(dc, FOldBitmap);
            FOldBitmap = nullptr;
        }
        if (FOldPalette) {
            SelectPalette(dc, FOldPalette, TRUE);
            FOldPalette = nullptr;
        }
    }
    // Puts the bitmap's current image and palette into the DC.
    void Attach()
    {
        if (!HandleAllocated())
            return;
        HDC dc = Handle();
        if (FBitmap.FHandle)
            FOldBitmap = SelectObject(dc, FBitmap.FHandle);
        if (FBitmap.FPalette) {
            FOldPalette = SelectPalette(dc, FBitmap.FPalette, TRUE);
            RealizePalette(dc);
        }
    }

protected:
    void CreateHandle() override
    {
        HDC dc = CountedCreateCompatibleDC(nullptr);
        if (!dc)
            throw EOutOfResources(L"Cannot create a memory device context for the bitmap");
        SetHandle(dc);
        Attach();
    }
    void Changed() override
    {
        TCanvas::Changed();
        FBitmap.CanvasChanged();
    }

private:
    TBitmap& FBitmap;
    HGDIOBJ FOldBitmap = nullptr;
    HPALETTE FOldPalette = nullptr;
};

const TClassInfo& TBitmap::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TBitmap>(L"TBitmap", &TGraphicsObject::StaticClassInfo()).Build();
    return info;
}

TBitmap::TBitmap() = default;

TBitmap::~TBitmap()
{
    FCanvas.reset();  // lets go of image and palette first
    if (FHandle)
        CountedDeleteObject(FHandle);
    if (FPalette)
        CountedDeleteObject(FPalette);
}

void TBitmap::SetWidth(int value)
{
    if (value != FWidth)
        ChangeImage(value, FHeight, FPixelFormat);
}

void TBitmap::SetHeight(int value)
{
    if (value != FHeight)
        ChangeImage(FWidth, value, FPixelFormat);
}

void TBitmap::SetSize(int width, int height)
{
    if (width != FWidth || height != FHeight)
        ChangeImage(width, height, FPixelFormat);
}

void TBitmap::SetPixelFormat(TPixelFormat value)
{
    if (value != FPixelFormat)
        ChangeImage(FWidth, FHeight, value);
}

namespace {

std::wstring SizeText(int width, int height)
{
    return std::to_wstring(width) + L" \u00D7 " + std::to_wstring(height);
}

// Colour table of a palettised DIB: the palette's entries when there is one, else black and
// white, the 16 VGA colours, or a 6 x 6 x 6 colour cube followed by a grey ramp.
std::vector<RGBQUAD> ColorTable(int bitsPerPixel, HPALETTE palette)
{
    const size_t count = size_t{1} << bitsPerPixel;
    std::vector<RGBQUAD> table(count, RGBQUAD{0, 0, 0, 0});
    if (palette) {
        std::vector<PALETTEENTRY> entries(count);
        const UINT got = GetPaletteEntries(palette, 0, static_cast<UINT>(count), entries.data());
        for (UINT i = 0; i < got; ++i)
            table[i] = RGBQUAD{entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
        return table;
    }
    auto rgb = [](int r, int g, int b) {
        return RGBQUAD{static_cast<BYTE>(b), static_cast<BYTE>(g), static_cast<BYTE>(r), 0};
    };
    if (bitsPerPixel == 1) {
        table[1] = rgb(255, 255, 255);
    } else if (bitsPerPixel == 4) {
        static constexpr COLORREF vga[16] = {
            0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0x808080,
            0xC0C0C0, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
        for (int i = 0; i < 16; ++i)
            table[i] = rgb(GetRValue(vga[i]), GetGValue(vga[i]), GetBValue(vga[i]));
    } else {
        size_t i = 0;
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    table[i++] = rgb(r * 51, g * 51, b * 51);
        for (int k = 0; i < count; ++i, ++k) {
            const int v = (k + 1) * 255 / 40;  // ends at white, the last entry
            table[i] = rgb(v, v, v);
        }
    }
    return table;
}

}  // namespace

TBitmap::TImage TBitmap::MakeImage(int width, int height, TPixelFormat format) const
{
    TImage image;
    if (width == 0 || height == 0)
        return image;
    const std::wstring failure = L"Not enough memory for a " + SizeText(width, height) + L" bitmap";
    if (format == pfDevice) {
        HDC screen = GetDC(nullptr);
        image.Handle = CountedCreateCompatibleBitmap(screen, width, height);
        ReleaseDC(nullptr, screen);
        if (!image.Handle)
            throw EOutOfResources(failure);
        return image;
    }
    const int bpp = BitsPerPixel(format);
    const int64_t stride = BmpStride(width, bpp);
    if (stride * height > 0x7FFFFFFF)
        throw EOutOfResources(failure);

    std::vector<uint8_t> buffer(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    auto* info = reinterpret_cast<BITMAPINFO*>(buffer.data());
    BITMAPINFOHEADER& h = info->bmiHeader;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = width;
    h.biHeight = -height;  // top-down: row 0 first in memory
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(bpp);
    h.biCompression = BI_RGB;
    if (bpp <= 8) {
        const std::vector<RGBQUAD> table = ColorTable(bpp, FPalette);
        std::memcpy(info->bmiColors, table.data(), table.size() * sizeof(RGBQUAD));
        h.biClrUsed = static_cast<DWORD>(table.size());
    } else if (format == pf16bit) {
        h.biCompression = BI_BITFIELDS;
        auto* masks = reinterpret_cast<DWORD*>(info->bmiColors);
        masks[0] = 0xF800, masks[1] = 0x07E0, masks[2] = 0x001F;
    }
    image.Handle = CountedCreateDIBSection(nullptr, info, DIB_RGB_COLORS, &image.Bits, nullptr, 0);
    if (!image.Handle || !image.Bits) {
        if (image.Handle)
            CountedDeleteObject(image.Handle);
        throw EOutOfResources(failure);
    }
    image.Stride = static_cast<int>(stride);
    return image;
}

// Fills target white and draws the current picture into its top-left corner. The current
// image must not be selected into any DC.
void TBitmap::CopyPicture(HBITMAP target, int width, int height) const
{
    TMemoryDC dst(nullptr, target);
    // A brush, not WHITENESS: with a colour table, "all bits set" need not be white.
    const RECT all{0, 0, width, height};
    ::FillRect(dst.DC(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    if (!FHandle)
        return;
    TMemoryDC src(nullptr, FHandle);
    TPaletteSelection srcPalette(src.DC(), FPalette);
    TPaletteSelection dstPalette(dst.DC(), FPalette);
    BitBlt(dst.DC(), 0, 0, (std::min)(width, FWidth), (std::min)(height, FHeight), src.DC(), 0, 0, SRCCOPY);
}

void TBitmap::ChangeImage(int width, int height, TPixelFormat format)
{
    if (width < 0 || height < 0)
        throw EInvalidOperation(L"Invalid bitmap size " + SizeText(width, height));
    TImage image = MakeImage(width, height, format);
    TGdiObjectGuard guard(image.Handle);
    if (FCanvas)
        FCanvas->Detach();
    {
        // The canvas takes back the new image, or the old one when copying failed.
        TScopeExit reattach([this] {
            if (FCanvas)
                FCanvas->Attach();
        });
        if (image.Handle)
            CopyPicture(image.Handle, width, height);
        guard.Release();
        if (FHandle)
            CountedDeleteObject(FHandle);
        FHandle = image.Handle;
        FBits = image.Bits;
        FStride = image.Stride;
        FWidth = width;
        FHeight = height;
        FPixelFormat = format;
    }
    Changed();
}

void* TBitmap::ScanLine(int row)
{
    if (!FBits) {
        if (FPixelFormat == pfDevice && FHandle)
            throw EInvalidOperation(L"ScanLine: a device-dependent bitmap (pfDevice) has no row access");
        throw EInvalidOperation(L"ScanLine: the bitmap is empty");
    }
    if (row < 0 || row >= FHeight)
        throw EInvalidOperation(L"ScanLine: row " + std::to_wstring(row) + L" is outside the bitmap's rows 0.." +
                                std::to_wstring(FHeight - 1));
    return static_cast<uint8_t*>(FBits) + static_cast<ptrdiff_t>(row) * FStride;
}

void TBitmap::SetPalette(HPALETTE value)
{
    if (value == FPalette)
        return;
    if (FCanvas)
        FCanvas->Detach();
    if (FPalette)
        CountedDeleteObject(FPalette);
    FPalette = value;
    // A palettised DIB takes the palette's colours as its colour table.
    const int bpp = BitsPerPixel(FPixelFormat);
    if (FPalette && FHandle && bpp > 0 && bpp <= 8) {
        const std::vector<RGBQUAD> table = ColorTable(bpp, FPalette);
        TMemoryDC dc(nullptr, FHandle);
        SetDIBColorTable(dc.DC(), 0, static_cast<UINT>(table.size()), table.data());
    }
    if (FCanvas)
        FCanvas->Attach();
    Changed();
}

TCanvas* TBitmap::Canvas()
{
    if (!FCanvas)
        FCanvas = std::make_unique<TBitmapCanvas>(*this);
    return FCanvas.get();
}

void TBitmap::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TBitmap*>(&source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    if (other == this)
        return;
    // The palette comes first: a palettised image takes its colour table from it.
    HPALETTE palette = CopyPalette(other->FPalette);
    TGdiObjectGuard paletteGuard(palette);
    HPALETTE oldPalette = FPalette;
    FPalette = palette;
    TImage image;
    {
        TScopeExit restore([this, oldPalette] { FPalette = oldPalette; });
        image = MakeImage(other->FWidth, other->FHeight, other->FPixelFormat);
    }
    TGdiObjectGuard imageGuard(image.Handle);
    if (image.Bits && other->FBits) {
        std::memcpy(image.Bits, other->FBits, static_cast<size_t>(image.Stride) * other->FHeight);
    } else if (image.Handle) {
        // A device-dependent picture: blit it from the other bitmap's DC.
        auto& from = const_cast<TBitmap&>(*other);
        TMemoryDC dst(nullptr, image.Handle);
        BitBlt(dst.DC(), 0, 0, other->FWidth, other->FHeight, from.Canvas()->Handle(), 0, 0, SRCCOPY);
    }
    if (FCanvas)
        FCanvas->Detach();
    if (FHandle)
        CountedDeleteObject(FHandle);
    if (FPalette)
        CountedDeleteObject(FPalette);
    FHandle = static_cast<HBITMAP>(imageGuard.Release());
    FPalette = static_cast<HPALETTE>(paletteGuard.Release());
    FBits = image.Bits;
    FStride = image.Stride;
    FWidth = other->FWidth;
    FHeight = other->FHeight;
    FPixelFormat = other->FPixelFormat;
    if (FCanvas)
        FCanvas->Attach();
    Changed();
}

// ---- BMP files ------------------------------------------------------------------------------

std::vector<uint8_t> TBitmap::SaveToBytes()
{
    std::vector<uint8_t> out;
    if (Empty())
        return out;
    const bool device = FPixelFormat == pfDevice;
    const int bpp = device ? 32 : BitsPerPixel(FPixelFormat);
    const int stride = device ? FWidth * 4 : FStride;
    std::vector<RGBQUAD> table;
    if (bpp <= 8) {
        table.resize(size_t{1} << bpp);
        // The image can be selected into one DC only: its canvas's, when that exists.
        if (FCanvas && FCanvas->HandleAllocated()) {
            GetDIBColorTable(FCanvas->Handle(), 0, static_cast<UINT>(table.size()), table.data());
        } else {
            TMemoryDC dc(nullptr, FHandle);
            GetDIBColorTable(dc.DC(), 0, static_cast<UINT>(table.size()), table.data());
        }
    }
    std::vector<uint8_t> tableBytes(table.size() * sizeof(RGBQUAD));
    if (!table.empty())
        std::memcpy(tableBytes.data(), table.data(), tableBytes.size());
    const size_t imageSize = static_cast<size_t>(stride) * static_cast<size_t>(FHeight);
    out.reserve(BmpFileHeaderSize + BmpInfoHeaderSize + 12 + tableBytes.size() + imageSize);
    WriteBmpHeaders(out, FWidth, FHeight, FPixelFormat, tableBytes);
    if (device) {
        BITMAPINFO bi{};
        BITMAPINFOHEADER& ih = bi.bmiHeader;
        ih.biSize = sizeof(ih);
        ih.biWidth = FWidth;
        ih.biHeight = FHeight;  // files are bottom-up
        ih.biPlanes = 1;
        ih.biBitCount = 32;
        ih.biCompression = BI_RGB;
        ih.biSizeImage = static_cast<DWORD>(imageSize);
        const size_t at = out.size();
        out.resize(at + imageSize);
        TMemoryDC dc(nullptr, nullptr);
        if (FCanvas)
            FCanvas->Detach();
        GetDIBits(dc.DC(), FHandle, 0, static_cast<UINT>(FHeight), out.data() + at, &bi, DIB_RGB_COLORS);
        if (FCanvas)
            FCanvas->Attach();
    } else {
        for (int y = FHeight - 1; y >= 0; --y) {
            const auto* row = static_cast<const uint8_t*>(FBits) + static_cast<ptrdiff_t>(y) * FStride;
            out.insert(out.end(), row, row + FStride);
        }
    }
    return out;
}

void TBitmap::LoadFromBytes(const std::vector<uint8_t>& bytes)
{
    const TBmpLayout layout = ReadBmpLayout(bytes.data(), bytes.size());
    HPALETTE palette = nullptr;
    if (layout.ColorCount > 0) {
        std::vector<uint8_t> buffer(sizeof(LOGPALETTE) + layout.ColorCount * sizeof(PALETTEENTRY));
        auto* log = reinterpret_cast<LOGPALETTE*>(buffer.data());
        log->palVersion = 0x300;
        log->palNumEntries = static_cast<WORD>(layout.ColorCount);
        for (size_t i = 0; i < layout.ColorCount; ++i) {
            const uint8_t* q = bytes.data() + layout.ColorTableAt + i * 4;  // blue, green, red, unused
            log->palPalEntry[i] = PALETTEENTRY{q[2], q[1], q[0], 0};
        }
        palette = CountedCreatePalette(log);
    }
    TBitmap loaded;
    loaded.FPalette = palette;
    loaded.SetPixelFormat(layout.Format);
    loaded.SetSize(layout.Width, layout.Height);
    for (int y = 0; y < layout.Height; ++y) {
        const size_t fileRow = static_cast<size_t>(layout.BottomUp ? layout.Height - 1 - y : y);
        std::memcpy(loaded.ScanLine(y), bytes.data() + layout.PixelsAt + fileRow * layout.Stride, layout.Stride);
    }
    Assign(loaded);
}

void TBitmap::DefineProperties(TFiler& filer)
{
    filer.DefineProperty(
        L"Data",
        [this](const TLayoutValue& value) {
            if (value.Kind != lvBinary || value.Binary.size() < 4)
                throw EInvalidGraphic(L"Bitmap data is missing");
            uint32_t size = 0;
            std::memcpy(&size, value.Binary.data(), 4);
            if (size != value.Binary.size() - 4)
                throw EInvalidGraphic(L"Bitmap data has the wrong length");
            LoadFromBytes(std::vector<uint8_t>(value.Binary.begin() + 4, value.Binary.end()));
        },
        [this]() {
            const std::vector<uint8_t> file = SaveToBytes();
            const auto size = static_cast<uint32_t>(file.size());
            std::vector<uint8_t> data = {static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8),
                                         static_cast<uint8_t>(size >> 16), static_cast<uint8_t>(size >> 24)};
            data.insert(data.end(), file.begin(), file.end());
            return TLayoutValue::FromBinary(std::move(data));
        },
        !Empty());
}
