#include "TB97Geometry.h"

#include <algorithm>

#include "Scaling.h"

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

int32_t BoundLinesWidthOf(TDockBoundLines lines, const TFrameMetrics& m)
{
    return (int32_t{lines.Contains(blLeft)} + int32_t{lines.Contains(blRight)}) * m.Line;
}

int32_t BoundLinesHeightOf(TDockBoundLines lines, const TFrameMetrics& m)
{
    return (int32_t{lines.Contains(blTop)} + int32_t{lines.Contains(blBottom)}) * m.Line;
}

TGeomRect DockClientRectOf(TGeomRect r, TDockBoundLines lines, const TFrameMetrics& m)
{
    if (lines.Contains(blTop))
        r.Top = ClampToInt32(int64_t{r.Top} + m.Line);
    if (lines.Contains(blBottom))
        r.Bottom = ClampToInt32(int64_t{r.Bottom} - m.Line);
    if (lines.Contains(blLeft))
        r.Left = ClampToInt32(int64_t{r.Left} + m.Line);
    if (lines.Contains(blRight))
        r.Right = ClampToInt32(int64_t{r.Right} - m.Line);
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

TFrameMetrics FrameMetricsForDpi(int32_t dpi, const TSystemFrameMetrics& system)
{
    const TFrameMetrics at96;
    TFrameMetrics m;
    static_cast<TSystemFrameMetrics&>(m) = system;
    m.Dpi = dpi > 0 ? dpi : at96.Dpi;
    const auto scaled = [&m, &at96](int32_t v) { return ScaleValue(v, m.Dpi, at96.Dpi); };
    // A line never thins away, however low the DPI.
    m.Line = std::max(1, scaled(at96.Line));
    m.DockedBorder = scaled(at96.DockedBorder);
    for (int c = 0; c < 2; ++c)
        for (int style = 0; style < 3; ++style) {
            m.DockedHandle[c][style] = scaled(at96.DockedHandle[c][style]);
            m.HandleBarStart[c][style] = scaled(at96.HandleBarStart[c][style]);
        }
    m.GripBar = scaled(at96.GripBar);
    m.CloseButtonInset = scaled(at96.CloseButtonInset);
    m.MinRowSize = scaled(at96.MinRowSize);
    m.RowGap = scaled(at96.RowGap);
    m.DesignedEmptyDock = scaled(at96.DesignedEmptyDock);
    m.DragSensitivity = {scaled(at96.DragSensitivity.X), scaled(at96.DragSensitivity.Y)};
    m.ReachableMargin = scaled(at96.ReachableMargin);
    return m;
}

namespace {

int StyleIndex(TDragHandleStyle style)
{
    // Out-of-range values (a corrupt stored layout) read as the default style.
    return style <= dhSingle ? static_cast<int>(style) : static_cast<int>(dhDouble);
}

TNCArea DockedBorderArea(const TFrameMetrics& m)
{
    const int32_t b = m.DockedBorder;
    return {{b, b}, {b, b}};
}

}  // namespace

int32_t DockedHandleSize(bool closeButtonWhenDocked, TDragHandleStyle style, const TFrameMetrics& m)
{
    return m.DockedHandle[closeButtonWhenDocked ? 1 : 0][StyleIndex(style)];
}

int32_t HandleBarStart(bool closeButtonWhenDocked, TDragHandleStyle style, const TFrameMetrics& m)
{
    return m.HandleBarStart[closeButtonWhenDocked ? 1 : 0][StyleIndex(style)];
}

TGeomPoint GetFloatingBorderSize(const TFrameMetrics& m, bool resizable)
{
    return resizable ? TGeomPoint{m.CXSizeFrame, m.CYSizeFrame} : TGeomPoint{m.CXFixedFrame, m.CYFixedFrame};
}

int32_t GetSmallCaptionHeight(const TFrameMetrics& m)
{
    return m.NewStyleWindows ? m.CYSmCaption : m.CYCaption - 1;
}

TNCArea GetDockedNCArea(bool closeButtonWhenDocked, TDragHandleStyle style, bool leftRight, const TFrameMetrics& m)
{
    // The handle sits at the start of the row.
    TNCArea a = DockedBorderArea(m);
    RPick(DockTypeOfLeftRight(leftRight), a.TopLeft) += DockedHandleSize(closeButtonWhenDocked, style, m);
    return a;
}

namespace {
TGeomPoint AddArea(TGeomPoint size, const TNCArea& a)
{
    return {ClampToInt32(int64_t{size.X} + a.TopLeft.X + a.BottomRight.X),
            ClampToInt32(int64_t{size.Y} + a.TopLeft.Y + a.BottomRight.Y)};
}
}  // namespace

TGeomPoint AddDockedNCAreaToSize(TGeomPoint size, bool closeButtonWhenDocked, TDragHandleStyle style, bool leftRight,
                                 const TFrameMetrics& m)
{
    return AddArea(size, GetDockedNCArea(closeButtonWhenDocked, style, leftRight, m));
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
        a = s.DockAllowDrag ? GetDockedNCArea(s.CloseButtonWhenDocked, s.DragHandleStyle, s.LeftRight, s.Metrics)
                            : DockedBorderArea(s.Metrics);
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
    // The strip's last line is the separator from the client area.
    TGeomRect r{0, 0, clientWidth, GetSmallCaptionHeight(m) - m.Line};
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
    r.Left = ClampToInt32(int64_t{r.Right} - (GetSmallCaptionHeight(m) - m.Line));
    return r;
}

TGeomRect GetDockedCloseButtonRect(bool closeButtonWhenDocked, TDragHandleStyle style, bool leftRight,
                                   int32_t clientWidth, const TFrameMetrics& m)
{
    const TDockType type = DockTypeOfLeftRight(leftRight);
    const int32_t s = DockedHandleSize(closeButtonWhenDocked, style, m) - m.CloseButtonInset;
    // Inset into the handle strip along the row; across it, flush with the client area's far
    // edge on a left/right dock and with its near edge on a top/bottom one.
    const int32_t b = m.DockedBorder;
    const int32_t across = IsVerticalDockType(type) ? ClampToInt32(int64_t{clientWidth} + b - s) : b;
    const TGeomPoint p = OrientedPoint(type, m.CloseButtonInset, across);
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
