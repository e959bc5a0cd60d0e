// The bilinear scale's pass across, one unit per instruction set (the AVX2 one is compiled for
// AVX2 alone and runs after the run-time check of Anaglyph.cpp).
#pragma once

#include <cstdint>

// Width shown pixels of one row: Pairs holds each source pixel beside its right neighbour, channel
// by channel (8 levels in 1/64 with the rounding half added), Columns the first source pixel of
// each shown pixel, Weights 8 weights in 1/16384 a shown pixel.
using TScaleAcross = void (*)(const int16_t* Pairs, const int32_t* Columns, const int16_t* Weights,
                              uint8_t* Dst, int32_t Width);

void ScaleAcrossScalar(const int16_t* Pairs, const int32_t* Columns, const int16_t* Weights, uint8_t* Dst,
                       int32_t Width);
// Null where the unit was built without AVX2.
TScaleAcross ScaleAcrossAvx2Kernel();
