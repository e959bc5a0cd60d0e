// What the tool window's frame, hit-test, sizing and dragging files share on the window
// system's side: conversions to and from the platform-free geometry, the modal loop the
// mouse operations run while they hold the capture, the outline such a loop keeps on the
// screen and the watch that tells which of its tool window and docks outlived it. Not part
// of the framework's interface.
#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

#include "Classes.h"
#include "TB97Geometry.h"

inline TGeomRect ToGeom(const RECT& r)
{
    return TGeomRect{r.left, r.top, r.right, r.bottom};
}

inline RECT ToRect(const TGeomRect& r)
{
    return RECT{r.Left, r.Top, r.Right, r.Bottom};
}

inline POINT ToPoint(TGeomPoint p)
{
    return POINT{p.X, p.Y};
}

inline TGeomSize ToSize(POINT p)
{
    return TGeomSize{p.x, p.y};
}

// The cursor relative to the window's top-left corner.
inline TGeomPoint CursorInWindow(HWND wnd)
{
    RECT w{};
    GetWindowRect(wnd, &w);
    POINT p{};
    GetCursorPos(&p);
    return TGeomPoint{p.x - w.left, p.y - w.top};
}

inline bool IsKeyMessage(UINT msg)
{
    return msg == WM_KEYDOWN || msg == WM_KEYUP || msg == WM_SYSKEYDOWN || msg == WM_SYSKEYUP;
}

inline bool IsOtherButtonMessage(UINT msg)
{
    switch (msg) {
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
        return true;
    default:
        return false;
    }
}

// Runs while wnd holds the capture. True when the left button comes up; false when it goes
// down again, onKey(msg) asks to cancel, the capture is lost or the queue ends (a quit
// message is posted again for the outer loop). Other buttons are swallowed; the rest is
// dispatched as usual.
template <class OnKey, class OnMouseMove>
bool RunCaptureLoop(HWND wnd, OnKey&& onKey, OnMouseMove&& onMouseMove)
{
    MSG msg{};
    while (GetCapture() == wnd) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1)
            return false;
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        if (IsKeyMessage(msg.message)) {
            if (onKey(msg))
                return false;
            continue;
        }
        if (IsOtherButtonMessage(msg.message))
            continue;
        switch (msg.message) {
        case WM_MOUSEMOVE:
            onMouseMove();
            break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            return false;
        case WM_LBUTTONUP:
            return true;
        default:
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            break;
        }
    }
    return false;
}

// The desktop's DC for the dragging outline: drawn through the lock LockWindowUpdate holds.
inline constexpr DWORD ScreenDCFlags = DCX_WINDOW | DCX_CACHE | DCX_LOCKWINDOWUPDATE;

// Toggles the screen from the old frame to the new one (either may be null), each drawn as
// thick as given, touching only the pixels in which they differ.
void ToggleOutline(HDC dc, const RECT* newRect, int32_t newThickness, const RECT* oldRect, int32_t oldThickness);

// The outline a modal loop has on the screen, kept apart from what a step proposes: a step
// that raises half-way leaves exactly this to erase, and erasing asks nothing of the tool
// window, which may be gone by then.
class TScreenOutline {
public:
    void MoveTo(HDC dc, const RECT& r, int32_t thickness)
    {
        ToggleOutline(dc, &r, thickness, FDrawn ? &FRect : nullptr, FThickness);
        FRect = r;
        FThickness = thickness;
        FDrawn = true;
    }
    void Erase(HDC dc)
    {
        if (FDrawn)
            ToggleOutline(dc, nullptr, 0, &FRect, FThickness);
        FDrawn = false;
    }
    // The last rectangle drawn.
    const RECT& Rect() const { return FRect; }

private:
    RECT FRect{};
    int32_t FThickness = 0;
    bool FDrawn = false;
};

// Whether components outlived what a modal loop dispatched: any handler may free the tool
// window that runs it, its form, or a dock the drag may land on. A freed one's free
// notification clears its place in the watch.
template <class T>
class TLoopWatch : public TComponent {
public:
    explicit TLoopWatch(const std::vector<T*>& subjects) : TComponent(nullptr), FSubjects(subjects.begin(), subjects.end())
    {
        for (TComponent* s : FSubjects)
            s->FreeNotification(this);
    }
    explicit TLoopWatch(T* subject) : TLoopWatch(std::vector<T*>{subject}) {}
    ~TLoopWatch() override
    {
        for (TComponent* s : FSubjects)
            if (s)
                s->RemoveFreeNotification(this);
    }
    // The subject of a watch of one.
    bool Alive() const { return FSubjects.front() != nullptr; }
    // Subject i, or null once it has been freed.
    T* operator[](size_t i) const { return static_cast<T*>(FSubjects[i]); }
    size_t Count() const { return FSubjects.size(); }

protected:
    void Notification(TComponent* component, TOperation operation) override
    {
        TComponent::Notification(component, operation);
        if (operation == opRemove)
            std::replace(FSubjects.begin(), FSubjects.end(), component, static_cast<TComponent*>(nullptr));
    }

private:
    std::vector<TComponent*> FSubjects;
};
