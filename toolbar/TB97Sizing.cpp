// TCustomToolWindow97: the non-client hit test (drag handle and caption as client area, the
// close buttons, the sizing zones of a floating frame), close-button tracking and the modal
// resize of a floating tool window.
#include "TB97.h"

#include <windowsx.h>

#include "GdiCount.h"
#include "TB97WinSupport.h"

// ---- hit test ---------------------------------------------------------------------------------

void TCustomToolWindow97::WMNCHitTest(TMessage& Message)
{
    DefaultHandler(Message);
    HWND wnd = Handle();
    RECT w{};
    GetWindowRect(wnd, &w);
    THitTestInput in;
    in.DefaultResult = static_cast<int32_t>(Message.Result);
    in.P = TGeomPoint{GET_X_LPARAM(Message.LParam) - w.left, GET_Y_LPARAM(Message.LParam) - w.top};
    in.Docked = FIsDocked;
    const TFrameMetrics m = FrameMetrics();
    if (FIsDocked) {
        in.CloseButtonWhenDocked = FCloseButtonWhenDocked;
        in.DockAllowDrag = FDockedTo->AllowDrag();
        in.DockedCloseButton = ::GetDockedCloseButtonRect(FCloseButtonWhenDocked, FDragHandleStyle,
                                                          IsVerticalDockType(GetDockTypeOf(FDockedTo)), ClientWidth(), m);
    } else {
        in.ShowCaption = FShowCaption;
        in.CloseButton = FCloseButton;
        in.Resizable = FResizable;
        in.CornerSizing = FWindowParams.CornerSizing;
        in.Caption = ::GetCaptionRect(m, FResizable, ClientWidth(), true, false);
        in.CloseButtonRect = ::GetCloseButtonRect(m, FResizable, ClientWidth(), true);
        in.Border = ::GetFloatingBorderSize(m, FResizable);
        in.Width = Width();
        in.Height = Height();
        in.SmallCaptionHeight = ::GetSmallCaptionHeight(m);
        in.Line = m.Line;
    }
    Message.Result = ToolWindowHitTest(in);
}

void TCustomToolWindow97::WMNCLButtonDown(TMessage& Message)
{
    const auto code = static_cast<int32_t>(Message.WParam);
    if (IsSizingHitCode(code))
        BeginSizing(static_cast<TToolWindowSizeHandle>(code - htLeft));
    else if (code == htClose)
        TrackCloseButton();
    else
        DefaultHandler(Message);
}

// ---- close button ---------------------------------------------------------------------------------

bool TCustomToolWindow97::CursorOverCloseButton() const
{
    HWND wnd = FHandle;
    const TFrameMetrics m = FrameMetrics();
    const TGeomRect button =
        FIsDocked ? ::GetDockedCloseButtonRect(FCloseButtonWhenDocked, FDragHandleStyle,
                                               IsVerticalDockType(GetDockTypeOf(FDockedTo)), ClientWidth(), m)
                  : ::GetCloseButtonRect(m, FResizable, ClientWidth(), true);
    return PointInRect(CursorInWindow(wnd), button);
}

void TCustomToolWindow97::InvalidateCloseButton()
{
    if (FIsDocked)
        InvalidateDockedNCArea();
    else
        InvalidateFloatingNCArea(TToolWindowNCRedrawWhat{twrdCloseButton});
}

void TCustomToolWindow97::TrackCloseButton()
{
    HWND wnd = Handle();
    const TLoopWatch self(this);
    bool accepted = false;
    FCloseButtonPressed = true;
    InvalidateCloseButton();
    {
        TScopeExit cleanUp([this, wnd, &self] {
            if (GetCapture() == wnd)
                ReleaseCapture();
            if (self.Alive() && FCloseButtonPressed) {
                FCloseButtonPressed = false;
                InvalidateCloseButton();
            }
        });
        SetCapture(wnd);
        // Every key is swallowed: Escape does not cancel a press on the close button.
        const bool released = RunCaptureLoop(
            wnd, [](const MSG&) { return false; },
            [this] {
                if (const bool inside = CursorOverCloseButton(); inside != FCloseButtonPressed) {
                    FCloseButtonPressed = inside;
                    InvalidateCloseButton();
                }
            });
        accepted = released && self.Alive() && FCloseButtonPressed;
    }
    if (!accepted)
        return;
    // Each handler below may free the tool window.
    bool canClose = true;
    if (OnCloseQuery)
        OnCloseQuery(this, canClose);
    if (!canClose || !self.Alive())
        return;
    Hide();
    if (self.Alive() && OnClose)
        OnClose(this);
}

// ---- resizing ------------------------------------------------------------------------------------

void TCustomToolWindow97::BeginSizing(const TToolWindowSizeHandle HitTestValue)
{
    if (FIsDocked)
        return;
    HWND wnd = Handle();
    bool accepted = false;
    int32_t minWidth = 0, minHeight = 0;
    GetMinimumSize(minWidth, minHeight);
    const TGeomSize minimum{ClampToInt32(int64_t{minWidth} + Width() - ClientWidth()),
                            ClampToInt32(int64_t{minHeight} + Height() - ClientHeight())};
    const TSizeHandleFlags flags = SizeHandleFlagsOf(HitTestValue);
    const TLoopWatch self(this);
    ResizeBegin(HitTestValue);
    if (!self.Alive())
        return;
    TScreenOutline drawn;
    {
        TScopeExit ended([this, &accepted, &self] {
            if (self.Alive())
                ResizeEnd(accepted);
        });
        FlushPaintMessages();
        if (!self.Alive())
            return;
        HWND desktop = GetDesktopWindow();
        LockWindowUpdate(desktop);
        HDC dc = CountedGetDCEx(desktop, nullptr, ScreenDCFlags);
        TScopeExit cleanUp([&] {
            if (GetCapture() == wnd)
                ReleaseCapture();
            ClipCursor(nullptr);
            CountedReleaseDC(desktop, dc);
            dc = CountedGetDCEx(desktop, nullptr, ScreenDCFlags);
            drawn.Erase(dc);
            CountedReleaseDC(desktop, dc);
            LockWindowUpdate(nullptr);
        });
        SetCapture(wnd);
        if (FWindowParams.ClipCursorOnSize && !MultipleMonitors()) {
            const RECT work = PrimaryWorkArea();
            ClipCursor(&work);
        }
        const int32_t thickness = GetFloatingBorderSize().x;
        const RECT startBounds = BoundsRect();
        drawn.MoveTo(dc, startBounds, thickness);
        POINT start{};
        GetCursorPos(&start);
        POINT last = start;

        const auto step = [&] {
            POINT p{};
            GetCursorPos(&p);
            if (p.x == last.x && p.y == last.y)
                return;
            last = p;
            RECT proposed = ToRect(ResizeStepRect(ToGeom(startBounds), flags, TGeomPoint{start.x, start.y},
                                                  TGeomPoint{p.x, p.y}, minimum));
            ResizeTrack(proposed, startBounds);
            drawn.MoveTo(dc, proposed, thickness);
        };

        accepted = RunCaptureLoop(
            wnd, [](const MSG& msg) { return msg.wParam == VK_ESCAPE; }, step);
    }
    if (!accepted || !self.Alive())
        return;
    const RECT& outline = drawn.Rect();
    BeginUpdate();
    {
        // A move or resize event may free the tool window.
        TScopeExit endUpdate([this, &self] {
            if (self.Alive())
                EndUpdate();
        });
        SetBounds(outline.left, outline.top, outline.right - outline.left, outline.bottom - outline.top);
    }
    if (self.Alive())
        MoveOnScreen(true);
}
