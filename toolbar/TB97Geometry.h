// Platform-free geometry of the toolbar framework: plain rectangles and points, the
// orientation helpers, the frame-size tables, the tool window's size rules, keeping a
// floating window on its work area and the dock's own resizing. No Windows header here:
// the window classes convert to and from the window system's types at their edge.
#pragma once

#include <cstdint>
#include <optional>

#include "Sets.h"

// The framework's enumerations the arithmetic needs. TB97.h takes them from here, so that
// the window classes and the platform-free code share one declaration.
enum TDockPosition : uint8_t { dpTop, dpBottom, dpLeft, dpRight };
enum TDockType : uint8_t { dtNotDocked, dtTopBottom, dtLeftRight };
enum TDockBoundLinesValues : uint8_t { blTop, blBottom, blLeft, blRight };
using TDockBoundLines = TSet<TDockBoundLinesValues>;
enum TDragHandleStyle : uint8_t { dhDouble, dhNone, dhSingle };

struct TGeomPoint {
    int32_t X = 0;
    int32_t Y = 0;
    constexpr bool operator==(const TGeomPoint&) const = default;
};

struct TGeomSize {
    int32_t Width = 0;
    int32_t Height = 0;
    constexpr bool operator==(const TGeomSize&) const = default;
};

// Edges as the window system keeps them: right and bottom are one past the last pixel.
struct TGeomRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
    constexpr int64_t Width() const { return int64_t{Right} - Left; }
    constexpr int64_t Height() const { return int64_t{Bottom} - Top; }
    constexpr bool operator==(const TGeomRect&) const = default;
};

// The four arguments of a control's SetBounds.
struct TGeomBounds {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    constexpr bool operator==(const TGeomBounds&) const = default;
};

// Conversions between the two ways of giving a rectangle (clamped, see below).
TGeomBounds BoundsOfRect(TGeomRect r);
TGeomRect RectOfBounds(TGeomBounds b);

// Sums and differences of 32-bit coordinates are taken in 64 bits and clamped back, so
// that absurd stored values give an extreme but defined result instead of wrapping.
constexpr int32_t ClampToInt32(int64_t v)
{
    return v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : static_cast<int32_t>(v);
}

// ---- Orientation -------------------------------------------------------------------
// A dock's rows run along its edge. Everything about rows is written once in terms of
// the extent along the row (Pick) and across it (Perp); on a vertical dock (dtLeftRight)
// along is the height, on a horizontal one (and floating) the width.

TDockType DockTypeOfPosition(TDockPosition position);
constexpr bool IsVerticalDockType(TDockType type) { return type == dtLeftRight; }

constexpr int32_t Pick(TDockType type, TGeomSize s) { return IsVerticalDockType(type) ? s.Height : s.Width; }
constexpr int32_t Perp(TDockType type, TGeomSize s) { return IsVerticalDockType(type) ? s.Width : s.Height; }
constexpr int32_t Pick(TDockType type, TGeomPoint p) { return IsVerticalDockType(type) ? p.Y : p.X; }
constexpr int32_t Perp(TDockType type, TGeomPoint p) { return IsVerticalDockType(type) ? p.X : p.Y; }
constexpr int32_t& RPick(TDockType type, TGeomPoint& p) { return IsVerticalDockType(type) ? p.Y : p.X; }
constexpr int32_t& RPerp(TDockType type, TGeomPoint& p) { return IsVerticalDockType(type) ? p.X : p.Y; }

// The frame's operations that take a Boolean "on a left/right dock" read it through this.
constexpr TDockType DockTypeOfLeftRight(bool leftRight) { return leftRight ? dtLeftRight : dtTopBottom; }

// Points, sizes and bounds from extents along and across the row.
constexpr TGeomPoint OrientedPoint(TDockType type, int32_t along, int32_t across)
{
    return IsVerticalDockType(type) ? TGeomPoint{across, along} : TGeomPoint{along, across};
}
constexpr TGeomSize OrientedSize(TDockType type, int32_t along, int32_t across)
{
    return IsVerticalDockType(type) ? TGeomSize{across, along} : TGeomSize{along, across};
}
TGeomBounds OrientedBounds(TDockType type, int32_t alongPos, int32_t acrossPos, int32_t alongLen, int32_t acrossLen);

// ---- Metrics ------------------------------------------------------------------------

// The window system's metrics the floating frame is made of, as it gives them for one DPI.
struct TSystemFrameMetrics {
    int32_t CXSizeFrame = 0;   // SM_CXSIZEFRAME
    int32_t CYSizeFrame = 0;   // SM_CYSIZEFRAME
    int32_t CXFixedFrame = 0;  // SM_CXFIXEDFRAME
    int32_t CYFixedFrame = 0;  // SM_CYFIXEDFRAME
    int32_t CYSmCaption = 0;   // SM_CYSMCAPTION
    int32_t CYCaption = 0;     // SM_CYCAPTION
    bool NewStyleWindows = true;  // operating system major version 4 or later
};

// Every size of the frames, the docks and the mouse interactions at one DPI: the system's
// metrics for that DPI, and the framework's own sizes, given here at 96 DPI and scaled with
// the toolkit's one rounding rule by FrameMetricsForDpi. Painting, the non-client sizes, the
// hit zones, the minimum sizes, the dock rows and the outlines all read them from here.
struct TFrameMetrics : TSystemFrameMetrics {
    int32_t Dpi = 96;
    int32_t Line = 1;          // one line: frame edges, the caption separator, bound lines, a docked outline
    int32_t DockedBorder = 2;  // the docked frame on every side
    // DockedHandleSize and HandleBarStart, by [CloseButtonWhenDocked][DragHandleStyle].
    int32_t DockedHandle[2][3] = {{9, 0, 6}, {14, 14, 14}};
    int32_t HandleBarStart[2][3] = {{2, 0, 1}, {3, 0, 5}};
    int32_t GripBar = 3;            // one grip bar, across
    int32_t CloseButtonInset = 3;   // the docked close button: this far into the strip, the handle less this wide
    int32_t MinRowSize = 8;         // bar size of a dock row with a shown tool window
    int32_t RowGap = 5;             // GetRowOf's band that asks for a new row
    int32_t DesignedEmptyDock = 9;  // an empty dock in the form designer
    TGeomPoint DragSensitivity{32, 20};  // how far beyond a dock a drag still docks
    int32_t ReachableMargin = 4;    // of a floating outline kept inside the work area

    // A dock row is as thick as its thickest tool window's outer size.
    constexpr int32_t RowAllowance() const { return 2 * DockedBorder; }
};

TFrameMetrics FrameMetricsForDpi(int32_t dpi, const TSystemFrameMetrics& system);

// The functions below that take the metrics last default to the 96-DPI sizes.
// ---- Dock frame --------------------------------------------------------------------

// Non-client width (left and right lines) and height (top and bottom lines) of a dock.
int32_t BoundLinesWidthOf(TDockBoundLines lines, const TFrameMetrics& m = {});
int32_t BoundLinesHeightOf(TDockBoundLines lines, const TFrameMetrics& m = {});
// The dock's WM_NCCALCSIZE: one line off each edge that has one.
TGeomRect DockClientRectOf(TGeomRect windowRect, TDockBoundLines lines, const TFrameMetrics& m = {});

// ChangeWidthHeight: the bounds that resize a dock keeping the edge it is aligned to.
// alignedEdge is the dock's Align as a position (alTop -> dpTop ...); any other
// alignment is std::nullopt and gives std::nullopt: such a dock is not resized.
std::optional<TGeomBounds> DockResizeBounds(TGeomBounds current, std::optional<TDockPosition> alignedEdge,
                                            int32_t newWidth, int32_t newHeight);

// ---- Tool window frame -------------------------------------------------------------

int32_t DockedHandleSize(bool closeButtonWhenDocked, TDragHandleStyle style, const TFrameMetrics& m = {});
int32_t HandleBarStart(bool closeButtonWhenDocked, TDragHandleStyle style, const TFrameMetrics& m = {});

TGeomPoint GetFloatingBorderSize(const TFrameMetrics& m, bool resizable);
int32_t GetSmallCaptionHeight(const TFrameMetrics& m);

// Frame thickness at the top-left and at the bottom-right corner.
struct TNCArea {
    TGeomPoint TopLeft;
    TGeomPoint BottomRight;
    constexpr bool operator==(const TNCArea&) const = default;
};

// Docked: the docked border all round plus the drag handle at the start of the row (left on a
// top/bottom dock, top on a left/right one). Does not look at the dock's AllowDrag.
TNCArea GetDockedNCArea(bool closeButtonWhenDocked, TDragHandleStyle style, bool leftRight,
                        const TFrameMetrics& m = {});
TGeomPoint AddDockedNCAreaToSize(TGeomPoint size, bool closeButtonWhenDocked, TDragHandleStyle style, bool leftRight,
                                 const TFrameMetrics& m = {});
// Floating: the border all round plus the caption strip at the top when shown.
TNCArea GetFloatingNCArea(const TFrameMetrics& m, bool resizable, bool showCaption);
TGeomPoint AddFloatingNCAreaToSize(TGeomPoint size, const TFrameMetrics& m, bool resizable, bool showCaption);

// What CalculateNonClientSizes reads from the tool window and its dock.
struct TFrameState {
    bool IsDocked = false;
    // docked
    bool DockAllowDrag = true;
    bool LeftRight = false;  // the dock is dpLeft or dpRight
    bool CloseButtonWhenDocked = false;
    TDragHandleStyle DragHandleStyle = dhDouble;
    TFrameMetrics Metrics;  // at the window's DPI
    // floating (or on a form in design mode)
    bool Resizable = true;
    bool ShowCaption = true;
};

struct TNonClientSizes {
    int32_t NCAreaWidth = 0;
    int32_t NCAreaHeight = 0;
    TGeomRect ClientRect;  // the given window rectangle shrunk by the frame
};

TNonClientSizes CalculateNonClientSizes(const TFrameState& s, TGeomRect windowRect = {});

// Caption strip rectangles of a floating frame, in window coordinates.
TGeomRect GetCaptionRect(const TFrameMetrics& m, bool resizable, int32_t clientWidth, bool adjustForBorder,
                         bool minusCloseButton);
TGeomRect GetCloseButtonRect(const TFrameMetrics& m, bool resizable, int32_t clientWidth, bool adjustForBorder);
// The docked close button at the far end of the handle strip.
TGeomRect GetDockedCloseButtonRect(bool closeButtonWhenDocked, TDragHandleStyle style, bool leftRight,
                                   int32_t clientWidth, const TFrameMetrics& m = {});

// ---- Tool window size ----------------------------------------------------------------

// The dock as CustomArrangeControls sees it when the tool window is docked.
struct TDockedSizing {
    TDockPosition Position = dpTop;
    int32_t RowSize = 0;  // GetDockRowSize
    bool FullSize = false;
    int32_t DockWidth = 0;
    int32_t DockHeight = 0;
    int32_t BoundLinesWidth = 0;
    int32_t BoundLinesHeight = 0;
};

// Outer size from the client size the contents need (OrderControls): stretched to the
// row thickness and, when full-size, to the dock's client length; then the frame added.
TGeomSize ToolWindowOuterSize(TGeomPoint contentSize, const std::optional<TDockedSizing>& docked,
                              int32_t ncAreaWidth, int32_t ncAreaHeight);

// A docked tool window moved in the form designer: the coordinate across the rows under
// its middle (for GetDesignModeRowOf) and its new DockPos. The current size is halved.
struct TDesignMoveTarget {
    int32_t RowCoordinate = 0;
    int32_t DockPos = 0;
};
TDesignMoveTarget DesignModeMoveTarget(TDockPosition position, int32_t newLeft, int32_t newTop,
                                       int32_t currentWidth, int32_t currentHeight);

// ---- Floating window on screen ---------------------------------------------------------

// MoveOnScreen's correction of bounds r (screen) against the work area of its monitor.
// A width or height larger than the work area's is first cut to it, the window then lying
// on the work area along that extent. std::nullopt: leave the bounds alone (only asked to
// move a window that is wholly off the work area, and this one is not, nor was it cut).
// Otherwise the bounds to set, moved or not.
std::optional<TGeomRect> MoveOnScreenRect(TGeomRect r, TGeomRect workArea, bool onlyIfFullyOffScreen);
bool RectsIntersect(TGeomRect a, TGeomRect b);
