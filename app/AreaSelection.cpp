#include "AreaSelection.h"

#include <windows.h>

#include <cstdint>

#include "GdiCount.h"
#include "Graphics.h"
#include "ScopeExit.h"

namespace {

const wchar_t SelectionClass[] = L"TinteyeAreaSelection";

// What covered the screen has just closed: the windows beneath repaint before the copy. Our
// own repaint here; other programs are given a moment.
void LetScreenSettle()
{
    const ULONGLONG end = GetTickCount64() + 60;
    for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
        MSG msg;
        if (PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE))
            DispatchMessageW(&msg);
        else
            MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_PAINT);
    }
}

class TAreaSelection {
public:
    TAreaSelection();
    ~TAreaSelection();
    TAreaSelection(const TAreaSelection&) = delete;
    TAreaSelection& operator=(const TAreaSelection&) = delete;

    bool Run(TScreenArea& Area);

private:
    enum TState { ssOpen, ssChosen, ssCancelled };

    static LRESULT CALLBACK WndProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);
    LRESULT Handle(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);
    void Paint();
    // The rectangle the drag covers so far, in the window's coordinates; empty without a drag.
    RECT Dragged() const;
    void InvalidateDragged();
    void Cancel();

    TScreenArea FScreen;  // the virtual screen: every monitor
    TBitmap FBright, FDim;
    HDC FBrightDC = nullptr, FDimDC = nullptr;
    HWND FWindow = nullptr;
    bool FDragging = false, FActivated = false;
    POINT FFrom{}, FTo{};  // window coordinates
    TState FState = ssOpen;
    TScreenArea FChosen;
};

TAreaSelection::TAreaSelection()
    : FScreen{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
              GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)}
{
    LetScreenSettle();
    for (TBitmap* b : {&FBright, &FDim}) {
        b->SetPixelFormat(pf32bit);
        b->SetSize(FScreen.Width, FScreen.Height);
    }
    FBrightDC = FBright.Canvas()->Handle();
    FDimDC = FDim.Canvas()->Handle();
    HDC screen = CountedGetDC(nullptr);
    BitBlt(FBrightDC, 0, 0, FScreen.Width, FScreen.Height, screen, FScreen.Left, FScreen.Top, SRCCOPY);
    CountedReleaseDC(nullptr, screen);
    GdiFlush();
    for (int y = 0; y < FScreen.Height; ++y) {
        const auto* from = static_cast<const uint32_t*>(FBright.ScanLine(y));
        auto* to = static_cast<uint32_t*>(FDim.ScanLine(y));
        for (int x = 0; x < FScreen.Width; ++x)
            to[x] = (from[x] >> 1) & 0x7F7F7F;  // half brightness
    }

    WNDCLASSW wc{};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_CROSS);
    wc.lpszClassName = SelectionClass;
    WNDCLASSW existing{};
    if (!GetClassInfoW(wc.hInstance, SelectionClass, &existing))
        RegisterClassW(&wc);
    FWindow = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, SelectionClass, L"", WS_POPUP, FScreen.Left,
                              FScreen.Top, FScreen.Width, FScreen.Height, nullptr, nullptr, wc.hInstance, this);
}

TAreaSelection::~TAreaSelection()
{
    if (FWindow) {
        SetWindowLongPtrW(FWindow, GWLP_USERDATA, 0);  // nothing of this object is reached from here on
        DestroyWindow(FWindow);
    }
}

bool TAreaSelection::Run(TScreenArea& Area)
{
    if (!FWindow)
        return false;
    ShowWindow(FWindow, SW_SHOW);
    SetForegroundWindow(FWindow);
    SetFocus(FWindow);
    UpdateWindow(FWindow);
    while (FState == ssOpen) {
        MSG msg;
        if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            Cancel();
            break;
        }
        // The selection is modal: keys reach it alone, whichever window has the focus.
        if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) {
            if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE)
                Cancel();
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (FState != ssChosen)
        return false;
    Area = FChosen;
    return true;
}

LRESULT CALLBACK TAreaSelection::WndProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    if (Msg == WM_NCCREATE)
        SetWindowLongPtrW(Window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(LParam)->lpCreateParams));
    auto* self = reinterpret_cast<TAreaSelection*>(GetWindowLongPtrW(Window, GWLP_USERDATA));
    return self ? self->Handle(Window, Msg, WParam, LParam) : DefWindowProcW(Window, Msg, WParam, LParam);
}

LRESULT TAreaSelection::Handle(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    const POINT at{static_cast<short>(LOWORD(LParam)), static_cast<short>(HIWORD(LParam))};
    switch (Msg) {
    case WM_PAINT:
        Paint();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_LBUTTONDOWN:
        FDragging = true;
        FFrom = FTo = at;
        SetCapture(FWindow);
        InvalidateDragged();
        return 0;
    case WM_MOUSEMOVE:
        if (FDragging && (at.x != FTo.x || at.y != FTo.y)) {
            InvalidateDragged();
            FTo = at;
            InvalidateDragged();
        }
        return 0;
    case WM_LBUTTONUP:
        if (!FDragging)
            return 0;
        InvalidateDragged();
        FDragging = false;  // before the release: losing the capture now is no cancel
        ReleaseCapture();
        FTo = at;
        if (AreaFromDrag(FFrom.x + FScreen.Left, FFrom.y + FScreen.Top, FTo.x + FScreen.Left, FTo.y + FScreen.Top,
                         FChosen))
            FState = ssChosen;
        return 0;
    case WM_RBUTTONDOWN:
        return 0;  // the release cancels, so that no window beneath sees it and opens a menu
    case WM_RBUTTONUP:
    case WM_CANCELMODE:
        Cancel();
        return 0;
    case WM_CAPTURECHANGED:
        if (FDragging) {
            FDragging = false;  // the capture is another window's now: not ours to release
            Cancel();
        }
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(WParam) != WA_INACTIVE)
            FActivated = true;
        else if (FActivated)
            Cancel();  // another window took over: the selection would block the screen
        return 0;
    case WM_DESTROY:
        FWindow = nullptr;
        Cancel();
        return 0;
    }
    return DefWindowProcW(Window, Msg, WParam, LParam);
}

RECT TAreaSelection::Dragged() const
{
    if (!FDragging)
        return RECT{};
    return RECT{FFrom.x < FTo.x ? FFrom.x : FTo.x, FFrom.y < FTo.y ? FFrom.y : FTo.y,
                (FFrom.x < FTo.x ? FTo.x : FFrom.x) + 1, (FFrom.y < FTo.y ? FTo.y : FFrom.y) + 1};
}

void TAreaSelection::InvalidateDragged()
{
    RECT r = Dragged();
    InflateRect(&r, 1, 1);  // the outline
    InvalidateRect(FWindow, &r, FALSE);
}

void TAreaSelection::Paint()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(FWindow, &ps);
    const RECT p = ps.rcPaint;
    const RECT dragged = Dragged();
    // Dimmed around the rectangle and as it is inside, each pixel drawn once: no flicker.
    const int saved = SaveDC(dc);
    ExcludeClipRect(dc, dragged.left, dragged.top, dragged.right, dragged.bottom);
    BitBlt(dc, p.left, p.top, p.right - p.left, p.bottom - p.top, FDimDC, p.left, p.top, SRCCOPY);
    RestoreDC(dc, saved);
    if (!IsRectEmpty(&dragged)) {
        BitBlt(dc, dragged.left, dragged.top, dragged.right - dragged.left, dragged.bottom - dragged.top, FBrightDC,
               dragged.left, dragged.top, SRCCOPY);
        RECT outline = dragged;
        InflateRect(&outline, 1, 1);
        FrameRect(dc, &outline, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    EndPaint(FWindow, &ps);
}

void TAreaSelection::Cancel()
{
    if (FState == ssOpen)
        FState = ssCancelled;
    if (FDragging) {
        FDragging = false;
        ReleaseCapture();
    }
}

bool Selecting = false;

}  // namespace

bool SelectScreenArea(TScreenArea& Area)
{
    if (Selecting)
        return false;  // one selection at a time: a shortcut met inside the loop opens no other
    Selecting = true;
    TScopeExit done([] { Selecting = false; });
    TAreaSelection selection;
    return selection.Run(Area);
}
