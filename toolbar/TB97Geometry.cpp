#include "TB97Geometry.h"

TGeomBounds BoundsOfRect(TGeomRect r)
{
    return {r.Left, r.Top, ClampToInt32(r.Width()), ClampToInt32(r.Height())};
}

TGeomRect RectOfBounds(TGeomBounds b)
{
    return {b.Left, b.Top, ClampToInt32(int64_t{b.Left} + b.Width), ClampToInt32(int64_t{b.Top} + b.Height)};
}

TDockType DockTypeOfPosition(TDockPosition position)
{
    return position == dpLeft || position == dpRight ? dtLeftRight : dtTopBottom;
}

TGeomBounds OrientedBounds(TDockType type, int32_t alongPos, int32_t acrossPos, int32_t alongLen, int32_t acrossLen)
{
    if (IsVerticalDockType(type))
        return {acrossPos, alongPos, acrossLen, alongLen};
    return {alongPos, acrossPos, alongLen, acrossLen};
}

// ---- Dock frame ----------------------------------------------------------------------

int32_t BoundLinesWidthOf(TDockBoundLines lines)
{
    return int32_t{lines.Contains(blLeft)} + int32_t{lines.Contains(blRight)};
}

int32_t BoundLinesHeightOf(TDockBoundLines lines)
{
    return int32_t{lines.Contains(blTop)} + int32_t{lines.Contains(blBottom)};
}

TGeomRect DockClientRectOf(TGeomRect r, TDockBoundLines lines)
{
    if (lines.Contains(blTop))
        r.Top = ClampToInt32(int64_t{r.Top} + 1);
    if (lines.Contains(blBottom))
        r.Bottom = ClampToInt32(int64_t{r.Bottom} - 1);
    if (lines.Contains(blLeft))
        r.Left = ClampToInt32(int64_t{r.Left} + 1);
    if (lines.Contains(blRight))
        r.Right = ClampToInt32(int64_t{r.Right} - 1);
    return r;
}

std::optional<TGeomBounds> DockResizeBounds(TGeomBounds cur, std::optional<TDockPosition> alignedEdge,
                                            int32_t newWidth, int32_t newHeight)
{
    if (!alignedEdge)
        return std::nullopt;
    TGeomBounds b{cur.Left, cur.Top, newWidth, newHeight};
    // A bottom or right dock grows and shrinks away from the form's edge.
    if (*alignedEdge == dpBottom)
        b.Top = ClampToInt32(int64_t{cur.Top} + cur.Height - newHeight);
    else if (*alignedEdge == dpRight)
        b.Left = ClampToInt32(int64_t{cur.Left} + cur.Width - newWidth);
    return b;
}

// ---- Tool window frame -----------------------------------------------------------------

namespace {
// Indexed [closeButtonWhenDocked][style]; styles in declaration order dhDouble, dhNone, dhSingle.
constexpr int32_t kDockedHandleSize[2][3] = {{9, 0, 6}, {14, 14, 14}};
constexpr int32_t kHandleBarStart[2][3] = {{2, 0, 1}, {3, 0, 5}};
constexpr TNCArea kDockedBorder{{2, 2}, {2, 2}};

int StyleIndex(TDragHandleStyle style)
{
    // Out-of-range values (a corrupt stored layout) read as the default style.
    return style <= dhSingle ? static_cast<int>(style) : static_cast<int>(dhDouble);
}
}  // namespace

int32_t DockedHandleSize(bool closeButtonWhenDocked, TDragHandleStyle style)
{
    return kDockedHandleSize[closeButtonWhenDocked ? 1 : 0][StyleIndex(style)];
}

int32_t HandleBarStart(bool closeButtonWhenDocked, TDragHandleStyle style)
{
    return kHandleBarStart[closeButtonWhenDocked ? 1 : 0][StyleIndex(style)];
}

TGeomPoint GetFloatingBorderSize(const TFrameMetrics& m, bool resizable)
{
    return resizable ? TGeomPoint{m.CXSizeFrame, m.CYSizeFrame} : TGeomPoint{m.CXFixedFrame, m.CYFixedFrame};
}

int32_t GetSmallCaptionHeight(const TFrameMetrics& m)
{
    return m.NewStyleWindows ? m.CYSmCaption : m.CYCaption - 1;
}

TNCArea GetDockedNCArea(bool closeButtonWhenDocked, TDragHandleStyle style, bool leftRight)
{
    // The handle sits at the start of the row.
    TNCArea a = kDockedBorder;
    RPick(DockTypeOfLeftRight(leftRight), a.TopLeft) += DockedHandleSize(closeButtonWhenDocked, style);
    return a;
}

namespace {
TGeomPoint AddArea(TGeomPoint size, const TNCArea& a)
{
    return {ClampToInt32(int64_t{size.X} + a.TopLeft.X + a.BottomRight.X),
            ClampToInt32(int64_t{size.Y} + a.TopLeft.Y + a.BottomRight.Y)};
}
}  // namespace

TGeomPoint AddDockedNCAreaToSize(TGeomPoint size, bool closeButtonWhenDocked, TDragHandleStyle style, bool leftRight)
{
    return AddArea(size, GetDockedNCArea(closeButtonWhenDocked, style, leftRight));
}

TNCArea GetFloatingNCArea(const TFrameMetrics& m, bool resizable, bool showCaption)
{
    const TGeomPoint border = GetFloatingBorderSize(m, resizable);
    TNCArea a{border, border};
    if (showCaption)
        a.TopLeft.Y += GetSmallCaptionHeight(m);
    return a;
}

TGeomPoint AddFloatingNCAreaToSize(TGeomPoint size, const TFrameMetrics& m, bool resizable, bool showCaption)
{
    return AddArea(size, GetFloatingNCArea(m, resizable, showCaption));
}

TNonClientSizes CalculateNonClientSizes(const TFrameState& s, TGeomRect r)
{
    TNCArea a;
    if (s.IsDocked) {
        // A dock that does not allow dragging shows no handle.
        a = s.DockAllowDrag ? GetDockedNCArea(s.CloseButtonWhenDocked, s.DragHandleStyle, s.LeftRight)
                            : kDockedBorder;
    } else {
        a = GetFloatingNCArea(s.Metrics, s.Resizable, s.ShowCaption);
    }
    TNonClientSizes out;
    out.NCAreaWidth = a.TopLeft.X + a.BottomRight.X;
    out.NCAreaHeight = a.TopLeft.Y + a.BottomRight.Y;
    out.ClientRect = {ClampToInt32(int64_t{r.Left} + a.TopLeft.X), ClampToInt32(int64_t{r.Top} + a.TopLeft.Y),
                      ClampToInt32(int64_t{r.Right} - a.BottomRight.X),
                      ClampToInt32(int64_t{r.Bottom} - a.BottomRight.Y)};
    return out;
}

TGeomRect GetCaptionRect(const TFrameMetrics& m, bool resizable, int32_t clientWidth, bool adjustForBorder,
                         bool minusCloseButton)
{
    TGeomRect r{0, 0, clientWidth, GetSmallCaptionHeight(m) - 1};
    if (minusCloseButton)
        r.Right = ClampToInt32(int64_t{r.Right} - r.Bottom);
    if (adjustForBorder) {
        const TGeomPoint b = GetFloatingBorderSize(m, resizable);
        r = {r.Left + b.X, r.Top + b.Y, ClampToInt32(int64_t{r.Right} + b.X), ClampToInt32(int64_t{r.Bottom} + b.Y)};
    }
    return r;
}

TGeomRect GetCloseButtonRect(const TFrameMetrics& m, bool resizable, int32_t clientWidth, bool adjustForBorder)
{
    TGeomRect r = GetCaptionRect(m, resizable, clientWidth, adjustForBorder, false);
    r.Left = ClampToInt32(int64_t{r.Right} - (GetSmallCaptionHeight(m) - 1));
    return r;
}

TGeomRect GetDockedCloseButtonRect(bool closeButtonWhenDocked, TDragHandleStyle style, bool leftRight,
                                   int32_t clientWidth)
{
    const TDockType type = DockTypeOfLeftRight(leftRight);
    const int32_t s = DockedHandleSize(closeButtonWhenDocked, style) - 3;
    // Three pixels into the handle strip; across the row at the far end of the strip on a
    // left/right dock, at its start on a top/bottom one.
    const int32_t across = IsVerticalDockType(type) ? ClampToInt32(int64_t{clientWidth} + 2 - s) : 2;
    const TGeomPoint p = OrientedPoint(type, 3, across);
    return {p.X, p.Y, ClampToInt32(int64_t{p.X} + s), ClampToInt32(int64_t{p.Y} + s)};
}

// ---- Tool window size ------------------------------------------------------------------

TGeomSize ToolWindowOuterSize(TGeomPoint size, const std::optional<TDockedSizing>& docked, int32_t ncAreaWidth,
                              int32_t ncAreaHeight)
{
    if (docked) {
        const TDockType type = DockTypeOfPosition(docked->Position);
        // Never thinner than the row, never thinner than the contents.
        int32_t& across = RPerp(type, size);
        if (docked->RowSize > across)
            across = docked->RowSize;
        if (docked->FullSize) {
            const int64_t dockLen = int64_t{Pick(type, TGeomSize{docked->DockWidth, docked->DockHeight})} -
                                    Pick(type, TGeomSize{docked->BoundLinesWidth, docked->BoundLinesHeight}) -
                                    Pick(type, TGeomSize{ncAreaWidth, ncAreaHeight});
            RPick(type, size) = ClampToInt32(dockLen);
        }
    }
    return {ClampToInt32(int64_t{size.X} + ncAreaWidth), ClampToInt32(int64_t{size.Y} + ncAreaHeight)};
}

TDesignMoveTarget DesignModeMoveTarget(TDockPosition position, int32_t newLeft, int32_t newTop,
                                       int32_t currentWidth, int32_t currentHeight)
{
    // The row under the window's middle across the rows; C++ division truncates toward
    // zero, as the rule asks.
    const TDockType type = DockTypeOfPosition(position);
    const TGeomPoint origin{newLeft, newTop};
    return {ClampToInt32(int64_t{Perp(type, origin)} + Perp(type, TGeomSize{currentWidth, currentHeight}) / 2),
            Pick(type, origin)};
}

// ---- Floating window on screen -----------------------------------------------------------

bool RectsIntersect(TGeomRect a, TGeomRect b)
{
    const int32_t left = a.Left > b.Left ? a.Left : b.Left;
    const int32_t right = a.Right < b.Right ? a.Right : b.Right;
    const int32_t top = a.Top > b.Top ? a.Top : b.Top;
    const int32_t bottom = a.Bottom < b.Bottom ? a.Bottom : b.Bottom;
    return left < right && top < bottom;
}

namespace {
void ShiftRect(TGeomRect& r, int64_t dx, int64_t dy)
{
    r = {ClampToInt32(r.Left + dx), ClampToInt32(r.Top + dy), ClampToInt32(r.Right + dx), ClampToInt32(r.Bottom + dy)};
}
}  // namespace

std::optional<TGeomRect> MoveOnScreenRect(TGeomRect r, TGeomRect w, bool onlyIfFullyOffScreen)
{
    // A window larger than the work area (a stored size, say) would keep its close button
    // or an edge out of reach wherever it stood: it is cut to the work area along that
    // extent. A window that fits keeps its size.
    bool cut = false;
    if (r.Width() > w.Width()) {
        r.Left = w.Left;
        r.Right = w.Right;
        cut = true;
    }
    if (r.Height() > w.Height()) {
        r.Top = w.Top;
        r.Bottom = w.Bottom;
        cut = true;
    }
    if (onlyIfFullyOffScreen && RectsIntersect(r, w))
        return cut ? std::optional<TGeomRect>(r) : std::nullopt;
    // Right and bottom first, left and top last.
    if (w.Right < r.Right)
        ShiftRect(r, -(int64_t{r.Right} - w.Right), 0);
    if (w.Bottom < r.Bottom)
        ShiftRect(r, 0, -(int64_t{r.Bottom} - w.Bottom));
    if (w.Left > r.Left)
        ShiftRect(r, int64_t{w.Left} - r.Left, 0);
    if (w.Top > r.Top)
        ShiftRect(r, 0, int64_t{w.Top} - r.Top);
    return r;
}
