// Platform-free arithmetic of the toolbar interactions: proportional placement of the drag
// outline, the docking test, the mouse-move step of a drag, keeping a floating outline
// reachable, the non-client hit zones of a tool window and the resize step. The window
// classes read the window system, call these, and apply what they answer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "TB97Geometry.h"
#include "TB97Types.h"

// The window system's MulDiv: a * b / c with a 64-bit product, rounded to the nearest
// integer (halves away from zero). A zero divisor or a result outside 32 bits gives -1.
int32_t DragMulDiv(int32_t a, int32_t b, int32_t c);

bool PointInRect(TGeomPoint p, TGeomRect r);
bool RectIsEmpty(TGeomRect r);

// ---- Drag --------------------------------------------------------------------------

// Where the tool window was grabbed: the cursor relative to its outer top-left corner, and
// its outer size minus one in each direction when the drag began.
struct TDragGrab {
    TGeomPoint Offset;
    TGeomPoint Extent;
};

// The outline of a tool window of outer size `size` whose grab point sits under the cursor,
// the cursor keeping the same relative place inside it.
TGeomRect DragOutlineRect(TGeomPoint cursor, TGeomSize size, const TDragGrab& grab);

// One dock the tool window may be dropped on: its window rectangle on the screen.
struct TDragDock {
    TGeomRect Rect;
    TDockPosition Position = dpTop;
};

// The docking test of one dock with the cursor at p; outline is where the tool window would
// lie on that dock (DragOutlineRect with the dock's size). The sensitivity beyond the dock's
// edges comes from the metrics (32 and 20 pixels at 96 DPI, the default).
bool DockAcceptsDrop(const TDragDock& dock, TGeomRect outline, TGeomPoint p, const TDragGrab& grab,
                     const TFrameMetrics& m = {});

// Keeps a floating outline grabbable: at least the border plus a margin (4 pixels at 96 DPI,
// the default) of it inside the work area on every side, and its client area at least the
// margin below the work area's top. topThickness is the floating frame at the top (border,
// plus the caption when shown).
TGeomRect KeepOutlineReachable(TGeomRect outline, TGeomRect workArea, TGeomPoint border, int32_t topThickness,
                               const TFrameMetrics& m = {});

TGeomPoint ClampPointToRect(TGeomPoint p, TGeomRect r);  // bounds included

// Everything one mouse-move step reads. Sizes are the size table: Floating first, then
// one entry per candidate dock in the same order.
struct TDragStepInput {
    TGeomPoint Cursor;
    bool DockingSuppressed = false;
    bool FloatingForbidden = false;
    std::vector<TDragDock> Docks;
    TGeomSize FloatingSize;
    std::vector<TGeomSize> DockSizes;
    TDragGrab Grab;
    TGeomPoint FloatingBorder;
    int32_t FloatingTopThickness = 0;
    TFrameMetrics Metrics;  // the dragged tool window's
};

struct TDragStepResult {
    // Index into TDragStepInput::Docks, or -1: floating.
    int Target = -1;
    // Empty: nowhere to land (floating forbidden and no dock accepts).
    TGeomRect Outline;
    bool NoEntryCursor = false;
};

// Algorithm of one mouse move: the first dock that passes the docking test and whose
// RequestDock (may be empty) accepts wins; otherwise the outline floats, kept reachable in
// the work area that WorkAreaAt gives for a point.
TDragStepResult DragStep(const TDragStepInput& in, const std::function<bool(size_t)>& RequestDock,
                         const std::function<TGeomRect(TGeomPoint)>& WorkAreaAt);

// Where a drop lands on a dock, from the outline in the dock's client coordinates: the
// coordinate across the rows of its middle (for GetRowOf) and the DockPos along the row.
struct TDropPlace {
    int32_t RowCoordinate = 0;
    int32_t DockPos = 0;
};
TDropPlace DropPlaceOnDock(TGeomRect outlineInDockClient, TDockPosition position);

// The frame of an outline rectangle drawn `thickness` pixels thick: its inner rectangle
// (the rectangle shrunk on each side, intersected with it; empty when the rectangle is
// thinner than twice the thickness, so the frame becomes a solid block).
TGeomRect OutlineInnerRect(TGeomRect r, int32_t thickness);

// ---- Hit test ----------------------------------------------------------------------

// The window system's hit-test codes.
enum THitCode : int32_t {
    htNowhere = 0,
    htClient = 1,
    htLeft = 10,
    htRight = 11,
    htTop = 12,
    htTopLeft = 13,
    htTopRight = 14,
    htBottom = 15,
    htBottomLeft = 16,
    htBottomRight = 17,
    htClose = 20
};

constexpr bool IsSizingHitCode(int32_t code) { return code >= htLeft && code <= htBottomRight; }

struct THitTestInput {
    int32_t DefaultResult = htNowhere;  // what the window system's default handling said
    TGeomPoint P;                       // window coordinates
    bool Docked = false;
    // docked
    bool CloseButtonWhenDocked = false;
    bool DockAllowDrag = true;
    TGeomRect DockedCloseButton;
    // floating
    bool ShowCaption = true;
    bool CloseButton = true;
    bool Resizable = true;
    bool CornerSizing = true;
    TGeomRect Caption;
    TGeomRect CloseButtonRect;
    TGeomPoint Border;
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t SmallCaptionHeight = 0;
    int32_t Line = 1;  // the right and bottom strips are this much wider than the left and top ones
};

int32_t ToolWindowHitTest(const THitTestInput& in);

// ---- Resize ------------------------------------------------------------------------

struct TSizeHandleFlags {
    bool SizesHorizontally = false;
    bool MovesLeftEdge = false;
    bool SizesVertically = false;
    bool MovesTopEdge = false;
    constexpr bool operator==(const TSizeHandleFlags&) const = default;
};

TSizeHandleFlags SizeHandleFlagsOf(TToolWindowSizeHandle handle);

// The outline for the cursor at p: the starting bounds with the dragged edges moved by the
// cursor's travel from start, held at the minimum outer size with the opposite edge fixed.
TGeomRect ResizeStepRect(TGeomRect startBounds, const TSizeHandleFlags& flags, TGeomPoint start, TGeomPoint p,
                         TGeomSize minimum);
