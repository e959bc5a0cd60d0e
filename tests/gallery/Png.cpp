#include "Png.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

uint32_t Crc32(const uint8_t* p, size_t n, uint32_t crc = 0)
{
    static uint32_t table[256];
    static bool made = false;
    if (!made) {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
        made = true;
    }
    crc = ~crc;
    for (size_t i = 0; i < n; ++i)
        crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int s = 24; s >= 0; s -= 8)
        out.push_back(static_cast<uint8_t>(v >> s));
}

uint32_t Get32(const uint8_t* p)
{
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

void Chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data)
{
    Put32(out, static_cast<uint32_t>(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    Put32(out, Crc32(out.data() + start, out.size() - start));
}

const uint8_t Signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::vector<uint8_t> RawRows(const TRgbImage& image)
{
    std::vector<uint8_t> raw;
    raw.reserve(static_cast<size_t>(image.Height) * (1 + 3 * image.Width));
    for (int y = 0; y < image.Height; ++y) {
        raw.push_back(0);  // filter: none
        for (int x = 0; x < image.Width; ++x) {
            const uint32_t v = image.Pixels[static_cast<size_t>(y) * image.Width + x];
            raw.push_back(static_cast<uint8_t>(v >> 16));
            raw.push_back(static_cast<uint8_t>(v >> 8));
            raw.push_back(static_cast<uint8_t>(v));
        }
    }
    return raw;
}

}  // namespace

bool WritePng(const std::wstring& path, const TRgbImage& image)
{
    std::vector<uint8_t> out(Signature, Signature + 8);
    std::vector<uint8_t> ihdr;
    Put32(ihdr, static_cast<uint32_t>(image.Width));
    Put32(ihdr, static_cast<uint32_t>(image.Height));
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter set, no interlace
    Chunk(out, "IHDR", ihdr);
    const std::vector<uint8_t> raw = RawRows(image);
    std::vector<uint8_t> z{0x78, 0x01};
    size_t pos = 0;
    do {
        const size_t n = std::min<size_t>(65535, raw.size() - pos);
        z.push_back(pos + n == raw.size() ? 1 : 0);  // stored block, last one flagged
        z.push_back(static_cast<uint8_t>(n));
        z.push_back(static_cast<uint8_t>(n >> 8));
        z.push_back(static_cast<uint8_t>(~n));
        z.push_back(static_cast<uint8_t>(~n >> 8));
        z.insert(z.end(), raw.begin() + pos, raw.begin() + pos + n);
        pos += n;
    } while (pos < raw.size());
    uint32_t a = 1, b = 0;
    for (uint8_t c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    Put32(z, (b << 16) | a);
    Chunk(out, "IDAT", z);
    Chunk(out, "IEND", {});
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f)
        return false;
    const bool ok = fwrite(out.data(), 1, out.size(), f) == out.size();
    return fclose(f) == 0 && ok;
}

std::string ReadPng(const std::wstring& path, TRgbImage& image)
{
    FILE* f = _wfopen(path.c_str(), L"rb");
    if (!f)
        return "cannot open the file";
    std::vector<uint8_t> in;
    uint8_t buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        in.insert(in.end(), buf, buf + n);
    fclose(f);
    if (in.size() < 8 || std::memcmp(in.data(), Signature, 8) != 0)
        return "not a PNG file";
    std::vector<uint8_t> z;
    int w = 0, h = 0;
    for (size_t p = 8; p + 12 <= in.size();) {
        const uint32_t len = Get32(&in[p]);
        if (p + 12 + len > in.size())
            return "truncated chunk";
        const char* type = reinterpret_cast<const char*>(&in[p + 4]);
        const uint8_t* data = &in[p + 8];
        if (std::memcmp(type, "IHDR", 4) == 0) {
            w = static_cast<int>(Get32(data));
            h = static_cast<int>(Get32(data + 4));
            if (len < 13 || data[8] != 8 || data[9] != 2 || data[12] != 0)
                return "only 8-bit RGB without interlace is read";
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            z.insert(z.end(), data, data + len);
        }
        p += 12 + len;
    }
    if (w <= 0 || h <= 0 || z.size() < 6)
        return "no image data";
    std::vector<uint8_t> raw;
    size_t p = 2;
    for (bool last = false; !last;) {
        if (p + 5 > z.size())
            return "truncated deflate data";
        last = z[p] & 1;
        if ((z[p] >> 1) != 0)
            return "compressed deflate blocks are not read (write the file with this program)";
        const size_t len = z[p + 1] | (z[p + 2] << 8);
        p += 5;
        if (p + len > z.size())
            return "truncated deflate block";
        raw.insert(raw.end(), z.begin() + p, z.begin() + p + len);
        p += len;
    }
    const size_t stride = 1 + 3 * static_cast<size_t>(w);
    if (raw.size() != stride * h)
        return "image data of the wrong size";
    image.Width = w;
    image.Height = h;
    image.Pixels.assign(static_cast<size_t>(w) * h, 0);
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = &raw[y * stride];
        if (row[0] != 0)
            return "only unfiltered rows are read";
        for (int x = 0; x < w; ++x)
            image.Pixels[static_cast<size_t>(y) * w + x] =
                (uint32_t{row[1 + 3 * x]} << 16) | (uint32_t{row[2 + 3 * x]} << 8) | row[3 + 3 * x];
    }
    return "";
}
