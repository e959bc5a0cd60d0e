// The bilinear scale's kernels, one unit per instruction set (the AVX2 one is compiled for AVX2
// alone and runs after the run-time check of Anaglyph.cpp), and the one blend they all compute.
#pragma once

#include <cstdint>

// A shown row on a source row is scaled across straight to bytes: Left plus the step to Right by
// Weight in 1/32768, rounded to the nearest level; exactly what _mm_mulhrs_epi16 does.
inline uint8_t ScaleStep(int32_t Left, int32_t Right, int32_t Weight)
{
    return static_cast<uint8_t>(Left + (((Right - Left) * Weight + 16384) >> 15));
}

// Other rows go through unsigned 16-bit levels: the level in 1/256 with close to half a level
// already added for the final rounding, so that a result is its upper byte. The blend of two such
// values, Weight in 1/65536 toward B: exactly what two _mm_mulhi_epu16 and an add do.
inline uint16_t ScaleLerp(uint32_t A, uint32_t B, uint32_t Weight)
{
    return static_cast<uint16_t>(((A * (65535 - Weight)) >> 16) + ((B * Weight) >> 16));
}

// A source level as the blend takes it: in 1/256, with half a level added.
inline uint32_t ScaleLevel(uint8_t Level)
{
    return (uint32_t{Level} << 8) | 128;
}

// What the kernels across read of a plan: for each shown column the first source pixel and its
// weights toward it and toward the next (65535 minus the other; 4 times, once a channel), and for the AVX2 kernel the same in groups of
// 8 columns (see TScalePlan).
struct TScaleAcrossTables {
    const int32_t* Columns;
    const uint16_t* LeftWeights;
    const uint16_t* Weights;
    const int32_t* GroupBases;
    const int32_t* GroupIndices;
    const uint16_t* GroupWeights;
    int32_t Width;
    int32_t SourceWidth;
};

// Null-free on every build: where the unit was built without AVX2 they do nothing and return 0.
// Across: the source row scaled across into 8 shown pixels a group, either to bytes (Dst8) or to
// 16-bit levels (Dst16, in the group's own order: pixels 0, 1, 4, 5 then 2, 3, 6, 7); returns the
// pixels done, a multiple of 8. Down: Groups groups of such 16-bit levels blended, to bytes.
int32_t ScaleAcrossAvx2(const TScaleAcrossTables& Tables, const uint8_t* Src, uint8_t* Dst8, uint16_t* Dst16);
int32_t ScaleDownAvx2(const uint16_t* A, const uint16_t* B, uint16_t Weight, uint8_t* Dst, int32_t Groups);
