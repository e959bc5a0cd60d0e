// TCustomToolWindow97: dragging along the dock, onto another dock or off into a floating
// window, with a dotted outline on the locked screen; the double-click toggle between
// docked and floating. The arithmetic is in TB97DragGeometry; this file feeds it the window
// system's state and runs the modal loop.
#include "TB97.h"

#include <algorithm>

#include "GdiCount.h"
#include "TB97WinSupport.h"

namespace {

// The one-pixel checkerboard; each row of the monochrome bitmap is padded to 16 bits.
HBRUSH CreateHalftoneBrush()
{
    static const WORD pattern[8] = {0x5555, 0xAAAA, 0x5555, 0xAAAA, 0x5555, 0xAAAA, 0x5555, 0xAAAA};
    HBITMAP bitmap = CountedCreateBitmap(8, 8, 1, 1, pattern);
    HBRUSH brush = CountedCreatePatternBrush(bitmap);
    CountedDeleteObject(bitmap);
    return brush;
}

// The frame of r, `thickness` pixels wide, as a region; an empty region when r is null.
HRGN CreateFrameRegion(const RECT* r, int32_t thickness)
{
    HRGN frame = CountedCreateRectRgn(0, 0, 0, 0);
    if (!r)
        return frame;
    HRGN outer = CountedCreateRectRgnIndirect(r);
    const RECT inner = ToRect(OutlineInnerRect(ToGeom(*r), thickness));
    if (RectIsEmpty(ToGeom(inner))) {
        CombineRgn(frame, outer, nullptr, RGN_COPY);
    } else {
        HRGN hole = CountedCreateRectRgnIndirect(&inner);
        CombineRgn(frame, outer, hole, RGN_DIFF);
        CountedDeleteObject(hole);
    }
    CountedDeleteObject(outer);
    return frame;
}

}  // namespace

// ---- unit functions -------------------------------------------------------------------------

RECT WorkAreaAtPoint(POINT p)
{
    // The monitor nearest to a one-pixel rectangle is the monitor nearest to its point.
    const RECT r{p.x, p.y, p.x == INT32_MAX ? p.x : p.x + 1, p.y == INT32_MAX ? p.y : p.y + 1};
    return WorkAreaOfRect(r);
}

void FlushPaintMessages()
{
    MSG msg;
    // Bounded: a window that never validates itself would keep its paint message queued.
    for (int i = 0; i < 4096 && PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE); ++i) {
        const BOOL got = GetMessageW(&msg, nullptr, WM_PAINT, WM_PAINT);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (got == -1)
            return;
        DispatchMessageW(&msg);
    }
}

// ---- the outline ------------------------------------------------------------------------------

void ToggleOutline(HDC dc, const RECT* newRect, int32_t newThickness, const RECT* oldRect, int32_t oldThickness)
{
    HRGN paint = CreateFrameRegion(newRect, newThickness);
    TScopeExit freePaint([paint] { CountedDeleteObject(paint); });
    if (oldRect) {
        // Pixels in both frames stay as they are: only the difference is toggled.
        HRGN old = CreateFrameRegion(oldRect, oldThickness);
        CombineRgn(paint, paint, old, RGN_XOR);
        CountedDeleteObject(old);
    }
    TDCStateGuard restore(dc);
    SelectClipRgn(dc, paint);
    RECT box{};
    GetClipBox(dc, &box);
    HBRUSH brush = CreateHalftoneBrush();
    TScopeExit freeBrush([brush] { CountedDeleteObject(brush); });
    HGDIOBJ previous = SelectObject(dc, brush);
    PatBlt(dc, box.left, box.top, box.right - box.left, box.bottom - box.top, PATINVERT);
    SelectObject(dc, previous);
}

void TCustomToolWindow97::DrawDraggingOutline(HDC DC, const RECT* NewRect, const RECT* OldRect, bool NewDocked,
                                              bool OldDocked) const
{
    const TFrameMetrics m = FrameMetrics();
    const int32_t border = ::GetFloatingBorderSize(m, FResizable).X;
    ToggleOutline(DC, NewRect, NewDocked ? m.Line : border, OldRect, OldDocked ? m.Line : border);
}

// ---- pressing -----------------------------------------------------------------------------------

bool TCustomToolWindow97::ChildControlTransparent(TControl*)
{
    return false;
}

void TCustomToolWindow97::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    // OnMouseDown, the drag and the dock-changing events may each free the tool window.
    const TLoopWatch self(this);
    TCustomControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || !self.Alive())
        return;
    const RECT client = ClientRect();
    const POINT p{X, Y};
    if (PtInRect(&client, p))
        for (int i = 0; i < ControlCount(); ++i) {
            TControl* child = Controls(i);
            const RECT bounds = child->BoundsRect();
            if (child->Visible() && PtInRect(&bounds, p) && !ChildControlTransparent(child))
                return;
        }
    if (FIsDocked && !FDockedTo->AllowDrag())
        return;
    if (!Shift.Contains(ssDouble)) {
        BeginMoving(X, Y);
        // The drag loop consumed the real release.
        if (self.Alive())
            MouseUp(mbLeft, TShiftState{}, -1, -1);
        return;
    }
    if (FIsDocked) {
        // Without a form above it the tool window would only leave the screen.
        TCustomForm* form = GetToolWindowParentForm(this);
        if (FDockMode != dmCanFloat || !form)
            return;
        SetParent(form);
        if (self.Alive())
            MoveOnScreen(true);
    } else if (FLastDock) {
        SetParent(FLastDock);
    } else if (FDefaultDock) {
        ApplyDockPlacement(0, -8);
        SetParent(FDefaultDock);
    }
}

// ---- the drag ------------------------------------------------------------------------------------

namespace {

void CollectDocks(const TCustomToolWindow97* self, TControl* control, TDockableTo dockableTo,
                  std::vector<TDock97*>& out)
{
    if (self->ContainsControl(control) || !control->Showing())
        return;
    if (auto* w = dynamic_cast<TWinControl*>(control)) {
        for (TDockPosition position : {dpTop, dpBottom, dpLeft, dpRight})
            for (int i = 0; i < w->ControlCount(); ++i)
                if (TDock97* dock = dynamic_cast<TDock97*>(w->Controls(i)); dock && dock->Position() == position)
                    CollectDocks(self, dock, dockableTo, out);
        for (int i = 0; i < w->ControlCount(); ++i) {
            TControl* child = w->Controls(i);
            if (dynamic_cast<TWinControl*>(child) && !dynamic_cast<TDock97*>(child))
                CollectDocks(self, child, dockableTo, out);
        }
    }
    if (TDock97* dock = dynamic_cast<TDock97*>(control); dock && dock->AllowDrag() && dockableTo.Contains(dock->Position()))
        out.push_back(dock);
}

}  // namespace

std::vector<TDock97*> TCustomToolWindow97::CandidateDocks()
{
    std::vector<TDock97*> docks;
    if (FDockMode == dmCannotFloatOrChangeDocks) {
        if (FIsDocked)
            docks.push_back(FDockedTo);
        return docks;
    }
    std::vector<TCustomForm*> forms;
    TCustomForm* parentForm = GetToolWindowParentForm(this);
    if (parentForm)
        forms.push_back(parentForm);
    if (FDockFormList && Screen)
        for (int i = 0; i < Screen->FormCount(); ++i) {
            TCustomForm* form = Screen->Forms(i);
            if (form != parentForm && FDockFormList->IndexOf(form) >= 0)
                forms.push_back(form);
        }
    for (TCustomForm* form : forms)
        CollectDocks(this, form, FDockableTo, docks);
    return docks;
}

void TCustomToolWindow97::BeginMoving(const int32_t InitX, const int32_t InitY)
{
    HWND wnd = Handle();
    RECT windowRect{};
    GetWindowRect(wnd, &windowRect);
    POINT origin{0, 0};
    ::ClientToScreen(wnd, &origin);

    TDragStepInput in;
    in.Grab.Offset = TGeomPoint{ClampToInt32(int64_t{InitX} + origin.x - windowRect.left),
                                ClampToInt32(int64_t{InitY} + origin.y - windowRect.top)};
    in.Grab.Extent = TGeomPoint{Width() - 1, Height() - 1};
    in.DockingSuppressed = GetKeyState(VK_CONTROL) < 0;
    in.FloatingForbidden = FDockMode != dmCanFloat;
    // A dock freed meanwhile reads null here and drops out of the drag.
    const TLoopWatch docks(CandidateDocks());

    // The sizes on every candidate are asked once: a mouse move does only arithmetic.
    const TDockType currentType = GetDockTypeOf(FDockedTo);
    POINT floating = OrderControls(false, currentType, nullptr);
    AddFloatingNCAreaToSize(floating);
    in.FloatingSize = ToSize(floating);
    std::vector<TGeomSize> sizes;
    for (size_t i = 0; i < docks.Count(); ++i) {
        TDock97* dock = docks[i];
        POINT size;
        if (dock == FDockedTo) {
            const RECT client = ClientRect();
            size = POINT{client.right - client.left, client.bottom - client.top};
        } else {
            size = OrderControls(false, currentType, dock);
        }
        AddDockedNCAreaToSize(size, IsVerticalDockType(GetDockTypeOf(dock)));
        sizes.push_back(ToSize(size));
    }
    const POINT border = GetFloatingBorderSize();
    in.FloatingBorder = TGeomPoint{border.x, border.y};
    POINT ncTopLeft{}, ncBottomRight{};
    GetFloatingNCArea(ncTopLeft, ncBottomRight);
    in.FloatingTopThickness = ncTopLeft.y;
    in.Metrics = FrameMetrics();

    const TLoopWatch self(this);
    int target = -1;
    TScreenOutline drawn;
    bool released = false;
    {
        FlushPaintMessages();
        if (!self.Alive())
            return;
        const HCURSOR savedCursor = GetCursor();
        HWND desktop = GetDesktopWindow();
        LockWindowUpdate(desktop);
        TScopeExit unlock([] { LockWindowUpdate(nullptr); });
        HDC dc = CountedGetDCEx(desktop, nullptr, ScreenDCFlags);
        TScopeExit cleanUp([&] {
            if (GetCapture() == wnd)
                ReleaseCapture();
            CountedReleaseDC(desktop, dc);
            dc = CountedGetDCEx(desktop, nullptr, ScreenDCFlags);
            drawn.Erase(dc);
            CountedReleaseDC(desktop, dc);
        });
        SetCapture(wnd);

        // The candidates still there at this step, as indices into docks.
        std::vector<size_t> live;
        const auto requestDock = [&](size_t i) {
            // A handler before this one may have freed the tool window or this dock.
            TDock97* dock = docks[live[i]];
            if (!self.Alive() || !dock)
                return false;
            bool accept = true;
            if (dock->OnRequestDock)
                dock->OnRequestDock(dock, this, accept);
            return accept;
        };
        const auto workAreaAt = [](TGeomPoint p) { return ToGeom(WorkAreaAtPoint(POINT{p.X, p.Y})); };
        const auto step = [&] {
            POINT cursor{};
            GetCursorPos(&cursor);
            in.Cursor = TGeomPoint{cursor.x, cursor.y};
            TDragStepResult result;
            do {
                live.clear();
                in.Docks.clear();
                in.DockSizes.clear();
                for (size_t i = 0; i < docks.Count(); ++i)
                    if (TDock97* dock = docks[i]) {
                        RECT r{};
                        GetWindowRect(dock->Handle(), &r);
                        live.push_back(i);
                        in.Docks.push_back(TDragDock{ToGeom(r), dock->Position()});
                        in.DockSizes.push_back(sizes[i]);
                    }
                result = DragStep(in, requestDock, workAreaAt);
                // The accepting handler freed its own dock: ask again without it.
            } while (result.Target >= 0 && !docks[live[size_t(result.Target)]]);
            SetCursor(result.NoEntryCursor ? LoadCursorW(nullptr, IDC_NO) : savedCursor);
            drawn.MoveTo(dc, ToRect(result.Outline), result.Target >= 0 ? in.Metrics.Line : in.FloatingBorder.X);
            target = result.Target >= 0 ? int(live[size_t(result.Target)]) : -1;
        };

        // Control held down keeps the window from docking; Escape cancels.
        const auto key = [&](const MSG& msg) {
            if (msg.wParam == VK_CONTROL) {
                const bool down = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
                if (down != in.DockingSuppressed) {
                    in.DockingSuppressed = down;
                    step();
                }
                return false;
            }
            return msg.wParam == VK_ESCAPE;
        };
        step();
        released = RunCaptureLoop(wnd, key, step);
    }
    // A target dock freed since the last step leaves the tool window where it is: the outline
    // the user let go of pointed at it.
    TDock97* targetDock = target >= 0 ? docks[size_t(target)] : nullptr;
    if (self.Alive() && released && !RectIsEmpty(ToGeom(drawn.Rect())) && (target < 0 || targetDock))
        ApplyDrag(targetDock, drawn.Rect());
}

void TCustomToolWindow97::ApplyDrag(TDock97* target, const RECT& outline)
{
    // The dock-changing and move events may free the tool window.
    const TLoopWatch self(this);
    if (target) {
        RECT r = outline;
        MapWindowPoints(HWND_DESKTOP, target->Handle(), reinterpret_cast<POINT*>(&r), 2);
        const TDropPlace place = DropPlaceOnDock(ToGeom(r), target->Position());
        bool before = false;
        int32_t row = target->GetRowOf(place.RowCoordinate, before);
        if (before) {
            row = target->InsertRowBefore(row);
        } else if (FFullSize && target->GetNumberOfToolbarsOnRow(row, this) != 0) {
            // A full-size tool window never shares a row: it opens one after the row it was
            // dropped on. The last possible row has none after it until the gaps are closed.
            if (row == INT32_MAX) {
                target->RemoveBlankRows();
                row = target->GetHighestRow();
            }
            row = target->InsertRowBefore(row + 1);
        }
        // Stored without an arrangement: the dock arranges once, below.
        ApplyDockPlacement(row, place.DockPos);
        SetParent(target);
        if (self.Alive() && FDockedTo)
            FDockedTo->ArrangeToolbars(true);
    } else {
        FFloatingPosition = POINT{outline.left, outline.top};
        if (FIsDocked)
            SetParent(ValidToolWindowParentForm(this));
        else
            SetBounds(FFloatingPosition.x, FFloatingPosition.y, Width(), Height());
    }
    if (self.Alive())
        MoveOnScreen(true);
}
