// Minimal PNG files for the reference screenshots: 8-bit RGB, written with uncompressed
// deflate blocks; the reader takes exactly that form (anything else is reported, not guessed).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TRgbImage {
    int Width = 0;
    int Height = 0;
    std::vector<uint32_t> Pixels;  // 0x00RRGGBB, rows top-down
};

bool WritePng(const std::wstring& path, const TRgbImage& image);
// Empty message on success, otherwise what was wrong with the file.
std::string ReadPng(const std::wstring& path, TRgbImage& image);
