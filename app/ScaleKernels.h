// The bilinear scale's pass across, one unit per instruction set (the AVX2 one is compiled for
// AVX2 alone and runs after the run-time check of Anaglyph.cpp).
#pragma once

#include <cstdint>

// Width shown pixels of one row: Pairs holds each source pixel beside its right neighbour, channel
// by channel (8 levels in 1/64 with the rounding half added), Columns the first source pixel of
// each shown pixel, Weights 8 weights in 1/16384 a shown pixel.
using TScaleAcross = void (*)(const int16_t* Pairs, const int32_t* Columns, const int16_t* Weights,
                              uint8_t* Dst, int32_t Width);

// A source row pair blended down, Weight in 1/32768 toward Below, Levels bytes; and each of Width
// blended pixels put beside its right neighbour (Blended holds Width + 1 pixels).
using TScaleBlend = void (*)(const uint8_t* Above, const uint8_t* Below, int16_t Weight, int16_t* Out, int32_t Levels);
using TScalePair = void (*)(const int16_t* Blended, int16_t* Pairs, int32_t Width);

void ScaleAcrossScalar(const int16_t* Pairs, const int32_t* Columns, const int16_t* Weights, uint8_t* Dst,
                       int32_t Width);
// Null where the unit was built without AVX2. The blend and pair ones leave a tail of fewer than
// 16 levels or 4 pixels to the caller: they return how much they did.
TScaleAcross ScaleAcrossAvx2Kernel();
int32_t ScaleBlendAvx2(const uint8_t* Above, const uint8_t* Below, int16_t Weight, int16_t* Out, int32_t Levels);
int32_t ScalePairAvx2(const int16_t* Blended, int16_t* Pairs, int32_t Width);
