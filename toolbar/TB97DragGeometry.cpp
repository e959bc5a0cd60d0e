#include "TB97DragGeometry.h"

int32_t DragMulDiv(int32_t a, int32_t b, int32_t c)
{
    if (c == 0)
        return -1;
    const int64_t product = int64_t{a} * b;
    const bool negative = (product < 0) != (c < 0);
    const uint64_t p = product < 0 ? 0 - static_cast<uint64_t>(product) : static_cast<uint64_t>(product);
    const uint64_t d = c < 0 ? 0 - static_cast<uint64_t>(int64_t{c}) : static_cast<uint64_t>(c);
    const uint64_t q = (p + d / 2) / d;
    if (q > (negative ? uint64_t{1} << 31 : uint64_t{INT32_MAX}))
        return -1;
    return negative ? static_cast<int32_t>(-static_cast<int64_t>(q)) : static_cast<int32_t>(q);
}

bool PointInRect(TGeomPoint p, TGeomRect r)
{
    return p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom;
}

bool RectIsEmpty(TGeomRect r)
{
    return r.Right <= r.Left || r.Bottom <= r.Top;
}

namespace {

TGeomRect Shifted(TGeomRect r, int64_t dx, int64_t dy)
{
    return {ClampToInt32(r.Left + dx), ClampToInt32(r.Top + dy), ClampToInt32(r.Right + dx),
            ClampToInt32(r.Bottom + dy)};
}

}  // namespace

// ---- Drag ------------------------------------------------------------------------------

TGeomRect DragOutlineRect(TGeomPoint cursor, TGeomSize size, const TDragGrab& grab)
{
    const int64_t left = int64_t{cursor.X} - DragMulDiv(size.Width - 1, grab.Offset.X, grab.Extent.X);
    const int64_t top = int64_t{cursor.Y} - DragMulDiv(size.Height - 1, grab.Offset.Y, grab.Extent.Y);
    return {ClampToInt32(left), ClampToInt32(top), ClampToInt32(left + size.Width), ClampToInt32(top + size.Height)};
}

bool DockAcceptsDrop(const TDragDock& dock, TGeomRect outline, TGeomPoint p, const TDragGrab& grab,
                     const TFrameMetrics& m)
{
    TGeomRect r = dock.Rect;
    const TDockType type = DockTypeOfPosition(dock.Position);
    // An empty dock still takes a drop: it counts as two lines thick across its rows.
    if (r.Width() == 0 || r.Height() == 0) {
        TGeomPoint topLeft{r.Left, r.Top}, bottomRight{r.Right, r.Bottom};
        RPerp(type, topLeft) = ClampToInt32(int64_t{Perp(type, topLeft)} - m.Line);
        RPerp(type, bottomRight) = ClampToInt32(int64_t{Perp(type, bottomRight)} + m.Line);
        r = {topLeft.X, topLeft.Y, bottomRight.X, bottomRight.Y};
    }
    // The extra sensitivity is shared between the two sides as the tool window was grabbed.
    const int32_t senseX = m.DragSensitivity.X, senseY = m.DragSensitivity.Y;
    const int64_t sx = DragMulDiv(senseX, grab.Offset.X, grab.Extent.X);
    if (p.X < int64_t{r.Left} - (senseX - sx) || p.X > int64_t{r.Right} - 1 + sx)
        return false;
    if (IsVerticalDockType(type) && (p.Y < r.Top || p.Y >= r.Bottom))
        return false;
    const int64_t sy = DragMulDiv(senseY, grab.Offset.Y, grab.Extent.Y);
    if (p.Y < int64_t{r.Top} - (senseY - sy) || p.Y > int64_t{r.Bottom} - 1 + sy)
        return false;
    return RectsIntersect(outline, r);
}

TGeomPoint ClampPointToRect(TGeomPoint p, TGeomRect r)
{
    if (p.X < r.Left)
        p.X = r.Left;
    else if (p.X > r.Right)
        p.X = r.Right;
    if (p.Y < r.Top)
        p.Y = r.Top;
    else if (p.Y > r.Bottom)
        p.Y = r.Bottom;
    return p;
}

TGeomRect KeepOutlineReachable(TGeomRect o, TGeomRect a, TGeomPoint border, int32_t topThickness,
                               const TFrameMetrics& m)
{
    const int64_t margin = m.ReachableMargin;
    const int64_t bl = int64_t{a.Left} + border.X + margin, br = int64_t{a.Right} - border.X - margin;
    const int64_t bt = int64_t{a.Top} + border.Y + margin, bb = int64_t{a.Bottom} - border.Y - margin;
    if (o.Bottom < bt)
        o = Shifted(o, 0, bt - o.Bottom);
    if (o.Top > bb)
        o = Shifted(o, 0, bb - o.Top);
    if (o.Right < bl)
        o = Shifted(o, bl - o.Right, 0);
    if (o.Left > br)
        o = Shifted(o, br - o.Left, 0);
    // The caption stays below the work area's top edge, so it can always be grabbed.
    const int64_t minTop = int64_t{a.Top} + margin - topThickness;
    if (o.Top < minTop)
        o = Shifted(o, 0, minTop - o.Top);
    return o;
}

TDragStepResult DragStep(const TDragStepInput& in, const std::function<bool(size_t)>& RequestDock,
                         const std::function<TGeomRect(TGeomPoint)>& WorkAreaAt)
{
    TDragStepResult out;
    if (!in.DockingSuppressed) {
        for (size_t i = 0; i < in.Docks.size() && i < in.DockSizes.size(); ++i) {
            const TGeomRect outline = DragOutlineRect(in.Cursor, in.DockSizes[i], in.Grab);
            if (!DockAcceptsDrop(in.Docks[i], outline, in.Cursor, in.Grab, in.Metrics))
                continue;
            if (!RequestDock || RequestDock(i)) {
                out.Target = static_cast<int>(i);
                break;
            }
        }
    }
    if (out.Target >= 0) {
        out.Outline = DragOutlineRect(in.Cursor, in.DockSizes[static_cast<size_t>(out.Target)], in.Grab);
        return out;
    }
    const TGeomPoint p = ClampPointToRect(in.Cursor, WorkAreaAt(in.Cursor));
    out.Outline = KeepOutlineReachable(DragOutlineRect(p, in.FloatingSize, in.Grab), WorkAreaAt(p), in.FloatingBorder,
                                       in.FloatingTopThickness, in.Metrics);
    if (in.FloatingForbidden) {
        out.Outline = TGeomRect{};
        out.NoEntryCursor = true;
    }
    return out;
}

TDropPlace DropPlaceOnDock(TGeomRect r, TDockPosition position)
{
    // The middle across the rows, halved toward zero as integer division does; the start along.
    const TDockType type = DockTypeOfPosition(position);
    const TGeomPoint topLeft{r.Left, r.Top}, bottomRight{r.Right, r.Bottom};
    return {static_cast<int32_t>((int64_t{Perp(type, topLeft)} + Perp(type, bottomRight)) / 2), Pick(type, topLeft)};
}

TGeomRect OutlineInnerRect(TGeomRect r, int32_t thickness)
{
    const TGeomRect inner{ClampToInt32(int64_t{r.Left} + thickness), ClampToInt32(int64_t{r.Top} + thickness),
                          ClampToInt32(int64_t{r.Right} - thickness), ClampToInt32(int64_t{r.Bottom} - thickness)};
    if (!RectsIntersect(inner, r) || RectIsEmpty(inner))
        return TGeomRect{};
    return {inner.Left > r.Left ? inner.Left : r.Left, inner.Top > r.Top ? inner.Top : r.Top,
            inner.Right < r.Right ? inner.Right : r.Right, inner.Bottom < r.Bottom ? inner.Bottom : r.Bottom};
}

// ---- Hit test ----------------------------------------------------------------------------

namespace {

int32_t SizingZone(const THitTestInput& in, int32_t result)
{
    const TGeomPoint p = in.P;
    const int32_t bx = in.Border.X, by = in.Border.Y, w = in.Width, h = in.Height;
    // The right and bottom strips are one line wider than the left and top ones.
    const bool left = p.X >= 0 && p.X < bx;
    const bool right = int64_t{p.X} >= int64_t{w} - bx - in.Line && p.X < w;
    const bool top = p.Y >= 0 && p.Y < by;
    const bool bottom = int64_t{p.Y} >= int64_t{h} - by - in.Line && p.Y < h;
    if (!in.CornerSizing) {
        if (top)
            return htTop;
        if (bottom)
            return htBottom;
        if (left)
            return htLeft;
        if (right)
            return htRight;
        return result;
    }
    const int64_t k = int64_t{in.SmallCaptionHeight} - in.Line + bx;
    const bool nearTop = p.Y < k, nearBottom = p.Y >= h - k;
    const bool nearLeft = p.X < k, nearRight = p.X >= w - k;
    if (left)
        return nearTop ? htTopLeft : nearBottom ? htBottomLeft : htLeft;
    if (right)
        return nearTop ? htTopRight : nearBottom ? htBottomRight : htRight;
    if (top)
        return nearLeft ? htTopLeft : nearRight ? htTopRight : htTop;
    if (bottom)
        return nearLeft ? htBottomLeft : nearRight ? htBottomRight : htBottom;
    return result;
}

}  // namespace

int32_t ToolWindowHitTest(const THitTestInput& in)
{
    if (in.Docked) {
        if (in.DefaultResult != htNowhere)
            return in.DefaultResult;
        if (in.CloseButtonWhenDocked && in.DockAllowDrag && PointInRect(in.P, in.DockedCloseButton))
            return htClose;
        // The drag handle and the border are pressed like the client area: they start a drag.
        return htClient;
    }
    if (in.DefaultResult == htClient)
        return htClient;
    if (in.ShowCaption && PointInRect(in.P, in.Caption))
        return in.CloseButton && PointInRect(in.P, in.CloseButtonRect) ? htClose : htClient;
    int32_t result = IsSizingHitCode(in.DefaultResult) ? htNowhere : in.DefaultResult;
    if (!in.Resizable)
        return result;
    return SizingZone(in, result);
}

// ---- Resize ------------------------------------------------------------------------------

TSizeHandleFlags SizeHandleFlagsOf(TToolWindowSizeHandle handle)
{
    switch (handle) {
    case twshLeft: return {true, true, false, false};
    case twshRight: return {true, false, false, false};
    case twshTop: return {false, false, true, true};
    case twshTopLeft: return {true, true, true, true};
    case twshTopRight: return {true, false, true, true};
    case twshBottom: return {false, false, true, false};
    case twshBottomLeft: return {true, true, true, false};
    case twshBottomRight: return {true, false, true, false};
    }
    return {};
}

TGeomRect ResizeStepRect(TGeomRect r, const TSizeHandleFlags& f, TGeomPoint start, TGeomPoint p, TGeomSize minimum)
{
    if (f.SizesHorizontally) {
        const int64_t dx = int64_t{p.X} - start.X;
        (f.MovesLeftEdge ? r.Left : r.Right) = ClampToInt32((f.MovesLeftEdge ? r.Left : r.Right) + dx);
    }
    if (f.SizesVertically) {
        const int64_t dy = int64_t{p.Y} - start.Y;
        (f.MovesTopEdge ? r.Top : r.Bottom) = ClampToInt32((f.MovesTopEdge ? r.Top : r.Bottom) + dy);
    }
    // The edge opposite the dragged one never moves.
    if (r.Width() < minimum.Width) {
        if (f.MovesLeftEdge)
            r.Left = ClampToInt32(int64_t{r.Right} - minimum.Width);
        else
            r.Right = ClampToInt32(int64_t{r.Left} + minimum.Width);
    }
    if (r.Height() < minimum.Height) {
        if (f.MovesTopEdge)
            r.Top = ClampToInt32(int64_t{r.Bottom} - minimum.Height);
        else
            r.Bottom = ClampToInt32(int64_t{r.Top} + minimum.Height);
    }
    return r;
}
