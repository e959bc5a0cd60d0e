// Composition of a stereo frame: today's red/cyan anaglyph of a side-by-side frame, in place
// (first part), and the composition plan for every pair of glasses, pair layout and display
// (last part). No Windows header here: the same code is built for Windows and natively
// (sanitizers, unit tests, benchmark).
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

// ---- The composition plan: every pair of glasses, pair layout and display ------------------
//
// Built once per start or option change (MakeComposePlan), read by one call per frame
// (ComposeFrame). A frame tick then reads: capture the source rectangle into the frame, compose
// the frame by the plan into the shown picture, show it.
//
// The pairing. Picture pixel (j, y) is composed from a left-eye pixel L and a right-eye pixel R:
//   side by side     picture W / 2 x H; L = pixel j + N of row y, R = pixel W / 2 - 1 + j of
//                    row y; swapped, L = W / 2 - 1 + j + N and R = j;
//   top and bottom   picture W x H / 2 (the last row of an odd height unused); L = pixel j + N
//                    of row y of the upper half, R = pixel j of row y of the lower half (row
//                    H / 2 + y); swapped, the halves exchange roles.
// A source outside its row is black. Every output pixel is computed from the frame as
// captured, never from a pixel already rewritten.
//
// The shown picture. "Half pair" doubles the squeezed axis: side by side each picture pixel
// twice across, top and bottom each picture row twice down (pixel-exact); shown pixel (u, v)
// shows picture pixel (u >> DoubleX, v >> DoubleY). Then, per shown pixel:
//   smAnaglyph             each channel clamp((c1 Lr + c2 Lg + c3 Lb + c4 Rr + c5 Rg + c6 Rb)
//                          >> 16, 0, 255) with the glasses' table; the fourth byte is that of
//                          the frame's pixel (j, y), as the in-place composition keeps it;
//   smLeftView/RightView   the L or R pixel, all four bytes (black: all four 0);
//   smInterleavedRows      L where the shown pixel's screen row is even, else R;
//   smInterleavedColumns   L where its screen column is even, else R;
//   smCheckerboard         L where screen column + screen row is even, else R.
// Swap acts once, through the pairing: L and R exchange, and so do the rows, columns or squares
// each eye gets. The screen position is that of each shown pixel, so with a doubled picture the
// two shown rows (or columns) of one picture row go to different eyes.
enum TGlasses { glRedCyan, glGreenMagenta, glAmberBlue, glRedBlue, glRedGreen };
enum TPairLayout { plSideBySide, plTopAndBottom };
enum TShowMode {
    smAnaglyph, smLeftView, smRightView, smInterleavedRows, smInterleavedColumns, smCheckerboard
};

// Defaults: today's program (red/cyan colour, side by side, anaglyph, nothing swapped or doubled).
struct TComposeOptions {
    int32_t FrameWidth = 0, FrameHeight = 0;  // the captured frame, W x H
    int32_t Offset = 0;                       // N
    TGlasses Glasses = glRedCyan;
    TAnaglyphMethod Method = amColour;  // red/blue and red/green glasses use grey whatever it says
    TPairLayout Pair = plSideBySide;
    bool Swap = false;
    TShowMode Show = smAnaglyph;
    bool HalfPair = false;  // "Half-width pair" side by side, "Half-height pair" top and bottom
};

// One eye's view as plain data: picture pixel (j, y) is pixel j + Shift of frame row
// FirstRow + y * RowStep, for First <= j < End; every other j is outside the row (black).
struct TComposeView {
    int32_t FirstRow, RowStep;
    int32_t Shift;       // clamped to [-W, W]: beyond that no pixel of the row is reached anyway
    int32_t First, End;  // 0 <= First <= End <= PictureWidth
};

struct TComposePlan {
    TComposeOptions Options;               // as given
    int32_t PictureWidth, PictureHeight;   // composed, before doubling; nothing to do if either <= 0
    int32_t ShownWidth, ShownHeight;       // the output picture the caller provides
    int32_t DoubleX, DoubleY;              // 1 along the doubled axis, else 0
    TComposeView Left, Right;
    TShowMode Show;
    TAnaglyphMethod Method;                // the method in effect
    int32_t Table;                         // the kernels' table of that glasses x method
    int32_t Weights[3][6];                 // its weights: red, green, blue x Lr Lg Lb Rr Rg Rb
    bool ByteCopy;                         // red/cyan colour: today's byte copy
    // smAnaglyph: the picture is composed in place in the frame (its top-left PictureWidth x
    // PictureHeight pixels), then copied or doubled into the output. The views and interleavings
    // are written straight into the output: one pass, and with a doubled picture one picture
    // pixel shows both eyes, so there is no single composed picture to keep in the frame.
    bool InFrame;
};

// Any input is accepted: sizes <= 0 or too small for the layout give a picture with nothing in
// it (PictureWidth or PictureHeight 0), values outside the enumerations are taken as the default.
TComposePlan MakeComposePlan(const TComposeOptions& Options);

// The per-frame call; no allocation. The caller provides:
//   Frame    Options.FrameHeight row pointers of the captured frame (FrameWidth pixels each);
//            with InFrame its pixels are rewritten, otherwise only read.
//   Out      ShownHeight row pointers of the shown picture, ShownWidth pixels each, not
//            overlapping the frame's rows; a row may be the frame's own row of the same index
//            when InFrame and nothing is doubled (then nothing is copied for it). Out may be
//            null when InFrame and nothing is doubled: the picture is left in the frame.
//   ScreenX, ScreenY  the screen position of the shown picture's top-left pixel, read once a
//            frame; only its parity is used (the interleavings), negative values included.
void ComposeFrame(const TComposePlan& Plan, uint8_t* const* Frame, uint8_t* const* Out,
                  int32_t ScreenX, int32_t ScreenY);
// The same through one implementation; false (and nothing done) when it is unavailable.
bool ComposeFrameWith(TComposeImpl Impl, const TComposePlan& Plan, uint8_t* const* Frame,
                      uint8_t* const* Out, int32_t ScreenX, int32_t ScreenY);
