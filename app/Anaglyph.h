// Red/cyan anaglyph composition of a side-by-side stereo frame, in place. No Windows header here:
// the same code is built for Windows and natively (sanitizers, unit tests, benchmark).
//
// A frame is W x H pixels of 4 bytes (blue, green, red, fourth byte), reached through a table of
// row pointers, entry i being row i from the top; a row is W pixels, 4 * W bytes. The table is the
// caller's and holds at least FrameHeight entries; rows may lie anywhere relative to one another.
//
// For every row and every destination pixel j, 0 <= j < HalfWidth:
//   - blue and green of j become those of pixel HalfWidth - 1 + j (the right view);
//   - red of j becomes that of pixel j + N (the left view, N pixels to the left for N > 0), or 0
//     when j + N lies outside [0, W);
//   - the fourth byte keeps its value (the byte loop never touches it; the vector paths store
//     whole pixels and so write it back unchanged); pixels HalfWidth to W - 1 are not written.
// Every source byte is read as it was before the call, whatever the sign or size of N; nothing
// outside the rows is ever read or written.
#pragma once

#include <cstdint>

struct TAnaglyphGeometry {
    int32_t HalfWidth;   // W / 2 rounded toward zero: pixels rewritten per row, width shown
    int32_t RightStart;  // HalfWidth * 4 - 4: byte position of pixel HalfWidth - 1 in a row
    int32_t RedShift;    // N * 4: byte distance from a destination to its red source
};

// Computed once per capture. 32-bit two's-complement arithmetic: RightStart and RedShift wrap
// around for huge W or |N| >= 2^29, which is why ComposeAnaglyph also takes W and N themselves.
TAnaglyphGeometry ComputeGeometry(int32_t FrameWidth, int32_t Offset);

// The per-frame step, vectorised for the processor it runs on. HalfWidth, RightStart and RedShift
// must be what ComputeGeometry(FrameWidth, Offset) gave; for any other combination, and for
// FrameHeight <= 0 or a frame narrower than 2 pixels, nothing is read or written.
void ComposeAnaglyph(uint8_t* const* Rows, int32_t FrameHeight, int32_t HalfWidth,
                     int32_t RightStart, int32_t RedShift, int32_t FrameWidth, int32_t Offset);

// The plain byte loop that the vectorised step must match byte for byte.
void ComposeAnaglyphReference(uint8_t* const* Rows, int32_t FrameHeight, int32_t HalfWidth,
                              int32_t RightStart, int32_t RedShift, int32_t FrameWidth,
                              int32_t Offset);

// Colour methods. Destination pixel j of a row (0 <= j < HalfWidth) is composed from a left-eye
// pixel L = j + N and a right-eye pixel R = HalfWidth - 1 + j of the captured row; with the eyes
// swapped, L = HalfWidth - 1 + j + N and R = j. A source outside the row counts as black. Each
// output channel is clamp((c1 Lr + c2 Lg + c3 Lb + c4 Rr + c5 Rg + c6 Rb) >> 16, 0, 255), with
// 16.16 weights per method and an arithmetic shift:
//   amColour      red Lr; green Rg; blue Rb (the byte copy of ComposeAnaglyph)
//   amHalfColour  red the luma of L; green Rg; blue Rb
//   amGrey        red the luma of L; green and blue the luma of R
//   amDubois      Dubois' least-squares red/cyan projection
// The fourth byte keeps its value; every pixel is computed from the frame as captured.
enum TAnaglyphMethod { amColour, amHalfColour, amGrey, amDubois };

// In place over the rows, like ComposeAnaglyph; (amColour, false) is ComposeAnaglyph itself.
// Nothing is read or written for FrameHeight <= 0, a frame narrower than 2 pixels or a method
// outside the enumeration.
void ComposeAnaglyphMethod(uint8_t* const* Rows, int32_t FrameHeight, int32_t FrameWidth,
                           int32_t Offset, TAnaglyphMethod Method, bool Swap);

// Each of the first Width pixels of every source row written twice, side by side, into the
// destination row (2 * Width pixels), fourth byte included: a half-width picture shown at full
// width, pixel-exact. Source and destination rows must not overlap.
void StretchRowsDouble(const uint8_t* const* Src, uint8_t* const* Dst, int32_t Height,
                       int32_t Width);

// Implementations of ComposeAnaglyph, exposed so that tests and the benchmark can run each one.
enum TComposeImpl { ciScalar, ciSse2, ciAvx2 };

const char* ComposeImplName(TComposeImpl Impl);
// Built into this program and supported by this processor and operating system.
bool ComposeImplAvailable(TComposeImpl Impl);
// The one ComposeAnaglyph uses: the best available.
TComposeImpl ComposeImplInUse();
// ComposeAnaglyph through the given implementation; false (and nothing done) when unavailable.
bool ComposeAnaglyphWith(TComposeImpl Impl, uint8_t* const* Rows, int32_t FrameHeight,
                         int32_t HalfWidth, int32_t RightStart, int32_t RedShift,
                         int32_t FrameWidth, int32_t Offset);
// The same for ComposeAnaglyphMethod and StretchRowsDouble.
bool ComposeAnaglyphMethodWith(TComposeImpl Impl, uint8_t* const* Rows, int32_t FrameHeight,
                               int32_t FrameWidth, int32_t Offset, TAnaglyphMethod Method,
                               bool Swap);
bool StretchRowsDoubleWith(TComposeImpl Impl, const uint8_t* const* Src, uint8_t* const* Dst,
                           int32_t Height, int32_t Width);
