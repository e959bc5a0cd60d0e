// How a composed picture of 32-bit pixels (blue, green, red, fourth byte) is drawn larger or
// smaller: the place a fitted picture takes, whole-pixel zoom and bilinear scaling. Rows are
// reached through row tables, top first, as the composition reaches them.
#pragma once

#include <cstdint>
#include <vector>

#include "Anaglyph.h"

// A picture's place in an area, relative to the area's top-left corner.
struct TFitPlace {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Width = 0;
    int32_t Height = 0;
};

// The largest size of a PictureWidth x PictureHeight picture that keeps its aspect ratio and fits
// an AreaWidth x AreaHeight area (larger or smaller than the picture), centred in it. The side that
// does not fill the area is rounded to the nearest pixel and is at least 1; an empty picture or
// area gives an empty place.
TFitPlace FitPlace(int32_t PictureWidth, int32_t PictureHeight, int32_t AreaWidth, int32_t AreaHeight);

// Each of the first Width pixels of the Height source rows written ScaleX times across into
// ScaleX * Width pixels, and each such row ScaleY times down: Dst holds Height * ScaleY rows.
// Pixel-exact, fourth byte included. ScaleX is 1, 2 or 4; ScaleY at least 1.
void ZoomRows(const uint8_t* const* Src, uint8_t* const* Dst, int32_t Height, int32_t Width,
              int ScaleX, int ScaleY);
// The same through the given implementation (AVX2 runs the SSE2 kernel: the copy is bound by
// memory); false and nothing done when it is unavailable.
bool ZoomRowsWith(TComposeImpl Impl, const uint8_t* const* Src, uint8_t* const* Dst, int32_t Height,
                  int32_t Width, int ScaleX, int ScaleY);

// Everything bilinear scaling from one size to another needs, worked out once per size so that a
// frame allocates nothing: for each shown column and row the first source pixel and the weight, and
// the work rows.
//
// Pixel centres map to pixel centres: shown x samples source u = (x + 0.5) * source / shown - 0.5,
// clamped to [0, source - 1] (the edge pixels repeat). Each source row is scaled across once; a
// shown row on a source row (all of them at 1:1 down) is scaled across straight into place, in
// 16-bit levels with the weight in 1/32768. Other rows blend two rows scaled across into levels in
// 1/256, the weights in 1/65536 down and 1/32768 across. The result rounds to the nearest level
// and stays within 1 of the exact value.
class TScalePlan {
public:
    // Empty sizes make a plan that draws nothing.
    void Build(int32_t SourceWidth, int32_t SourceHeight, int32_t Width, int32_t Height);

    int32_t SourceWidth() const { return FSourceWidth; }
    int32_t SourceHeight() const { return FSourceHeight; }
    int32_t Width() const { return FWidth; }
    int32_t Height() const { return FHeight; }

private:
    friend struct TScaleKernels;

    int32_t FSourceWidth = 0;
    int32_t FSourceHeight = 0;
    int32_t FWidth = 0;
    int32_t FHeight = 0;
    int32_t FSafeWidth = 0;               // the columns before the first whose right neighbour is clamped
    std::vector<int32_t> FColumns;        // first source pixel of each shown column
    std::vector<uint16_t> FColumnWeights;      // 4 a column: the weight toward the right neighbour
    std::vector<uint16_t> FColumnLeftWeights;  // and 65535 less twice it: toward the pixel itself
    std::vector<uint16_t> FRowWeights;    // weight of the row below
    std::vector<int32_t> FRows;           // first source row of each shown row
    // Groups of 8 columns for AVX2: the first pixel of one 32-byte load that holds all the group
    // needs (-1: gathered), the 8 left then 8 right pixels (from it, or from the row's start) and
    // the weights in the order the unpacks leave the pixels.
    std::vector<int32_t> FGroupBases;
    std::vector<int32_t> FGroupIndices;
    std::vector<uint16_t> FGroupWeights;
    // Two source rows scaled across, in 16-bit levels.
    std::vector<uint16_t> FAcross;
};

// Src: the plan's source rows; Dst: its Height rows of Width pixels (the fourth byte too).
void ScaleBilinear(TScalePlan& Plan, const uint8_t* const* Src, uint8_t* const* Dst);
bool ScaleBilinearWith(TComposeImpl Impl, TScalePlan& Plan, const uint8_t* const* Src, uint8_t* const* Dst);

// The plain per-pixel definition in doubles, rounded to the nearest level: what the fixed-point
// kernels are measured against.
void ScaleBilinearReference(const uint8_t* const* Src, int32_t SourceWidth, int32_t SourceHeight,
                            uint8_t* const* Dst, int32_t Width, int32_t Height);
