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
// frame allocates nothing: for each shown column and row the first source pixel and the weights,
// and the work rows.
//
// Pixel centres map to pixel centres: shown x samples source u = (x + 0.5) * source / shown - 0.5,
// clamped to [0, source - 1] (the edge pixels repeat). Fixed point: the weight down in 1/32768, the
// rows between in 1/64 of a level, the weight across in 1/16384; the result rounds to the nearest
// level and stays within 1 of the exact value.
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
    std::vector<int32_t> FColumns;        // first source pixel of each shown column
    std::vector<int16_t> FColumnWeights;  // 8 a column: (left, right) weight for each channel
    std::vector<int32_t> FRows;           // first source row of each shown row
    std::vector<int16_t> FRowWeights;     // weight of the row below, in 1/32768
    // Work rows: a source row pair blended down (4 levels a pixel, one pixel more than the source
    // for the repeated edge), then each pixel beside its right neighbour, channel by channel.
    std::vector<int16_t> FBlended;
    std::vector<int16_t> FPairs;
};

// Src: the plan's source rows; Dst: its Height rows of Width pixels (the fourth byte too).
void ScaleBilinear(TScalePlan& Plan, const uint8_t* const* Src, uint8_t* const* Dst);
bool ScaleBilinearWith(TComposeImpl Impl, TScalePlan& Plan, const uint8_t* const* Src, uint8_t* const* Dst);

// The plain per-pixel definition in doubles, rounded to the nearest level: what the fixed-point
// kernels are measured against.
void ScaleBilinearReference(const uint8_t* const* Src, int32_t SourceWidth, int32_t SourceHeight,
                            uint8_t* const* Dst, int32_t Width, int32_t Height);
