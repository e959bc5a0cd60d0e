#include "BmpFormat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <memory>
#include <random>
#include <vector>

namespace {

void Set16(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Set32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    Set16(b, at, v & 0xFFFF);
    Set16(b, at + 2, v >> 16);
}

// Header offsets of the file layout, as other programs write it.
constexpr size_t OffBitsAt = 10, InfoSizeAt = 14, WidthAt = 18, HeightAt = 22, PlanesAt = 26, BitsAt = 28,
                 CompressionAt = 30, ColorsUsedAt = 46;

std::vector<uint8_t> File(int width, int height, TPixelFormat format, size_t stride)
{
    const int bpp = BitsPerPixel(format);
    std::vector<uint8_t> table(bpp > 0 && bpp <= 8 ? (size_t{4} << bpp) : 0, 0x33);
    std::vector<uint8_t> out;
    WriteBmpHeaders(out, width, height, format, table);
    out.resize(out.size() + stride * static_cast<size_t>(height), 0x5A);
    return out;
}

TBmpLayout Read(const std::vector<uint8_t>& b)
{
    return ReadBmpLayout(b.data(), b.size());
}

}  // namespace

TEST(BmpFormat, WrittenHeadersReadBackWithTheirLayout)
{
    struct TCase {
        TPixelFormat Format;
        int Width, Height;
        size_t Stride;       // by hand: width × bits, padded to 4 bytes
        size_t PixelsAt;     // 54 + masks + colour table
        size_t ColorCount;
    };
    const TCase cases[] = {
        {pf1bit, 1, 1, 4, 62, 2},          {pf1bit, 33, 2, 8, 62, 2},       {pf4bit, 8, 1, 4, 118, 16},
        {pf4bit, 9, 3, 8, 118, 16},        {pf8bit, 3, 2, 4, 1078, 256},    {pf8bit, 5, 1, 8, 1078, 256},
        {pf15bit, 2, 2, 4, 54, 0},         {pf15bit, 3, 1, 8, 54, 0},       {pf16bit, 3, 4, 8, 66, 0},
        {pf24bit, 1, 1, 4, 54, 0},         {pf24bit, 3, 2, 12, 54, 0},      {pf24bit, 5, 1, 16, 54, 0},
        {pf32bit, 7, 3, 28, 54, 0},        {pfDevice, 2, 2, 8, 54, 0},
    };
    for (const TCase& c : cases) {
        const std::vector<uint8_t> file = File(c.Width, c.Height, c.Format, c.Stride);
        const TBmpLayout l = Read(file);
        const TPixelFormat expected = c.Format == pfDevice ? pf32bit : c.Format;  // saved as 32 bits
        EXPECT_EQ(l.Format, expected) << c.Format;
        EXPECT_EQ(l.Width, c.Width) << c.Format;
        EXPECT_EQ(l.Height, c.Height) << c.Format;
        EXPECT_TRUE(l.BottomUp) << c.Format;
        EXPECT_EQ(l.Stride, c.Stride) << c.Format << " " << c.Width;
        EXPECT_EQ(l.PixelsAt, c.PixelsAt) << c.Format;
        EXPECT_EQ(l.ColorCount, c.ColorCount) << c.Format;
        if (c.ColorCount) {
            EXPECT_EQ(l.ColorTableAt, 54u) << c.Format;
        }
        EXPECT_EQ(l.PixelsAt + l.Stride * static_cast<size_t>(l.Height), file.size()) << c.Format;
        // The file size in the header counts every byte; the colours used count entries, not bytes.
        EXPECT_EQ(file[2] | file[3] << 8 | file[4] << 16, static_cast<int>(file.size())) << c.Format;
        EXPECT_EQ(file[ColorsUsedAt] | file[ColorsUsedAt + 1] << 8 | file[ColorsUsedAt + 2] << 16,
                  static_cast<int>(c.ColorCount))
            << c.Format;
    }
}

TEST(BmpFormat, HeaderChecksAcceptTheEdgesAndRefuseOnePast)
{
    const std::vector<uint8_t> base = File(3, 2, pf24bit, 12);
    struct TCase {
        const char* What;
        void (*Change)(std::vector<uint8_t>&);
        bool Accepted;
    };
    const TCase cases[] = {
        {"unchanged", [](std::vector<uint8_t>&) {}, true},
        {"not BM", [](std::vector<uint8_t>& b) { b[1] = 'N'; }, false},
        {"info header 39 bytes", [](std::vector<uint8_t>& b) { Set32(b, InfoSizeAt, 39); }, false},
        {"width 1", [](std::vector<uint8_t>& b) { Set32(b, WidthAt, 1); }, true},
        {"width 0", [](std::vector<uint8_t>& b) { Set32(b, WidthAt, 0); }, false},
        {"width -1", [](std::vector<uint8_t>& b) { Set32(b, WidthAt, 0xFFFFFFFF); }, false},
        {"height 0", [](std::vector<uint8_t>& b) { Set32(b, HeightAt, 0); }, false},
        {"height -2, top-down", [](std::vector<uint8_t>& b) { Set32(b, HeightAt, 0xFFFFFFFE); }, true},
        {"height INT32_MIN", [](std::vector<uint8_t>& b) { Set32(b, HeightAt, 0x80000000); }, false},
        {"two planes", [](std::vector<uint8_t>& b) { Set16(b, PlanesAt, 2); }, false},
        {"0 planes", [](std::vector<uint8_t>& b) { Set16(b, PlanesAt, 0); }, false},
        {"run-length coded", [](std::vector<uint8_t>& b) { Set32(b, CompressionAt, 1); }, false},
        {"PNG inside", [](std::vector<uint8_t>& b) { Set32(b, CompressionAt, 5); }, false},
        {"2 bits per pixel", [](std::vector<uint8_t>& b) { Set16(b, BitsAt, 2); }, false},
        {"last pixel byte missing", [](std::vector<uint8_t>& b) { b.pop_back(); }, false},
        {"one byte to spare", [](std::vector<uint8_t>& b) { b.push_back(0); }, true},
        {"pixels start one later", [](std::vector<uint8_t>& b) { Set32(b, OffBitsAt, 55); }, false},
        {"pixels start past the end", [](std::vector<uint8_t>& b) { Set32(b, OffBitsAt, 0xFFFFFFF0); }, false},
        // Rows × stride past the 64-bit range must be refused, not wrapped into a small size.
        {"huge picture", [](std::vector<uint8_t>& b) {
             Set32(b, WidthAt, 0x7FFFFFFF);
             Set32(b, HeightAt, 0x7FFFFFFF);
             Set16(b, BitsAt, 32);
         }, false},
        {"header size near 4 GiB", [](std::vector<uint8_t>& b) { Set32(b, InfoSizeAt, 0xFFFFFFFF); }, true},
    };
    for (const TCase& c : cases) {
        std::vector<uint8_t> b = base;
        c.Change(b);
        if (c.Accepted)
            EXPECT_NO_THROW(Read(b)) << c.What;
        else
            EXPECT_THROW(Read(b), EInvalidGraphic) << c.What;
    }
    EXPECT_THROW(ReadBmpLayout(base.data(), 53), EInvalidGraphic);

    const TBmpLayout topDown = [&] {
        std::vector<uint8_t> b = base;
        Set32(b, HeightAt, 0xFFFFFFFE);
        return Read(b);
    }();
    EXPECT_FALSE(topDown.BottomUp);
    EXPECT_EQ(topDown.Height, 2);
}

TEST(BmpFormat, ColourTablesAndMasksMustFitAndMatch)
{
    // 8 bits: a shorter table through the colours-used count; one entry too many is refused.
    std::vector<uint8_t> b = File(4, 1, pf8bit, 4);
    Set32(b, ColorsUsedAt, 300);  // more than 256 counts as 256
    EXPECT_EQ(Read(b).ColorCount, 256u);
    Set32(b, ColorsUsedAt, 2);
    EXPECT_EQ(Read(b).ColorCount, 2u);
    std::vector<uint8_t> shortTable(b.begin(), b.begin() + 54 + 8);
    Set32(shortTable, OffBitsAt, 54 + 8);
    shortTable.resize(shortTable.size() + 4);
    EXPECT_EQ(Read(shortTable).ColorCount, 2u);
    Set32(shortTable, ColorsUsedAt, 3);  // the table would run into the pixels and past the end
    shortTable.resize(54 + 8 + 3);
    EXPECT_THROW(Read(shortTable), EInvalidGraphic);

    // Bit fields: 5-6-5 and 5-5-5 at 16 bits, 8-8-8 at 32; other masks are refused.
    struct TMasks {
        int Bits;
        uint32_t R, G, B;
        bool Accepted;
        TPixelFormat Format;
    };
    const TMasks masks[] = {
        {16, 0xF800, 0x07E0, 0x001F, true, pf16bit},   {16, 0x7C00, 0x03E0, 0x001F, true, pf15bit},
        {16, 0x001F, 0x07E0, 0xF800, false, pfDevice}, {32, 0xFF0000, 0x00FF00, 0x0000FF, true, pf32bit},
        {32, 0x0000FF, 0x00FF00, 0xFF0000, false, pfDevice}, {24, 0xFF0000, 0x00FF00, 0x0000FF, true, pf24bit},
    };
    for (const TMasks& m : masks) {
        std::vector<uint8_t> f = File(2, 2, pf16bit, 8 * 2);  // 66-byte headers, room for 32-bit rows
        Set16(f, BitsAt, static_cast<uint32_t>(m.Bits));
        Set32(f, 54, m.R), Set32(f, 58, m.G), Set32(f, 62, m.B);
        if (m.Accepted)
            EXPECT_EQ(Read(f).Format, m.Format) << m.Bits << " " << m.R;
        else
            EXPECT_THROW(Read(f), EInvalidGraphic) << m.Bits << " " << m.R;
    }

    // A larger header carries its masks inside; they must be there.
    std::vector<uint8_t> v5(14 + 124 + 16, 0);
    v5[0] = 'B', v5[1] = 'M';
    Set32(v5, OffBitsAt, 14 + 124);
    Set32(v5, InfoSizeAt, 124);
    Set32(v5, WidthAt, 2);
    Set32(v5, HeightAt, 2);
    Set16(v5, PlanesAt, 1);
    Set16(v5, BitsAt, 32);
    Set32(v5, CompressionAt, 3);
    Set32(v5, 54, 0xFF0000), Set32(v5, 58, 0x00FF00), Set32(v5, 62, 0x0000FF);
    EXPECT_EQ(Read(v5).Format, pf32bit);
    EXPECT_EQ(Read(v5).PixelsAt, 138u);
    EXPECT_THROW(ReadBmpLayout(v5.data(), 65), EInvalidGraphic);  // masks cut short
}

// Random damage to valid files: every outcome is a layout whose table and rows lie inside the
// bytes, or EInvalidGraphic. Under the sanitizers a read past the bytes would stop the test.
TEST(BmpFormat, FuzzedHeadersNeverReachPastTheBytes)
{
    const std::vector<std::vector<uint8_t>> samples = {File(3, 2, pf24bit, 12), File(5, 3, pf8bit, 8),
                                                       File(9, 2, pf1bit, 4), File(3, 4, pf16bit, 8),
                                                       File(2, 2, pf32bit, 8)};
    const uint32_t interesting[] = {0, 1, 2, 3, 4, 8, 12, 16, 24, 32, 40, 54, 66, 124, 255, 256,
                                    0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFFE, 0x10000};
    std::mt19937 random(4242);
    auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); };
    int accepted = 0;
    int refused = 0;
    for (int iteration = 0; iteration < 20000; ++iteration) {
        std::vector<uint8_t> b = samples[pick(samples.size())];
        const size_t edits = 1 + pick(3);
        for (size_t e = 0; e < edits && !b.empty(); ++e) {
            const size_t at = pick((std::min<size_t>)(b.size(), 70));
            switch (pick(4)) {
            case 0: b[at] = static_cast<uint8_t>(pick(256)); break;
            case 1:
                if (at + 4 <= b.size())
                    Set32(b, at & ~size_t{1}, interesting[pick(std::size(interesting))]);
                break;
            case 2: b.resize(pick(b.size() + 1)); break;
            case 3: b.insert(b.begin() + static_cast<ptrdiff_t>(at), pick(8), 0); break;
            }
        }
        // A copy of exactly the checked length, so that the sanitizers see any read past it.
        const std::unique_ptr<uint8_t[]> exact(new uint8_t[b.size() + 1]);
        std::copy(b.begin(), b.end(), exact.get());
        try {
            const TBmpLayout l = ReadBmpLayout(exact.get(), b.size());
            ++accepted;
            ASSERT_GT(l.Width, 0);
            ASSERT_GT(l.Height, 0);
            ASSERT_GE(l.Stride, static_cast<size_t>(BmpStride(l.Width, l.BitsPerPixel)));
            ASSERT_LE(l.PixelsAt, b.size());
            ASSERT_LE(l.Stride * static_cast<uint64_t>(l.Height), b.size() - l.PixelsAt);
            ASSERT_LE(l.ColorTableAt + l.ColorCount * 4, b.size());
        } catch (const EInvalidGraphic& e) {
            ++refused;
            ASSERT_FALSE(e.Message().empty());
        }
    }
    EXPECT_GT(accepted, 1000);
    EXPECT_GT(refused, 1000);
}
