#include "PictureView.h"

#include <algorithm>

#include "ScopeExit.h"

TPictureView::TPictureView(TCustomForm* Form, TScrollBox* Box, TImage* Image, TControl* Dock)
    : FForm(Form), FBox(Box), FImage(Image), FDock(Dock)
{
}

SIZE TPictureView::ShownSize(int32_t Width, int32_t Height) const
{
    return ZoomInUse() == zm200 ? SIZE{2 * Width, 2 * Height} : SIZE{Width, Height};
}

void TPictureView::SetZoom(TZoom value)
{
    if (FZoom == value)
        return;
    FZoom = value;
    Layout();
}

void TPictureView::SetOneToOneOnly(bool value)
{
    if (FOneToOneOnly == value)
        return;
    FOneToOneOnly = value;
    Layout();
}

TPictureView::TLayout TPictureView::LayoutInUse() const
{
    if (FFullScreen)
        return FOneToOneOnly ? lyCentred : lyFitted;
    switch (ZoomInUse()) {
    case zm200: return lyDoubled;
    case zmFit: return lyFitted;
    case zm100: break;
    }
    return lyTopLeft;
}

void TPictureView::Fit(int32_t Width, int32_t Height)
{
    Forget();
    FWidth = std::max<int32_t>(Width, 0);
    FHeight = std::max<int32_t>(Height, 0);
    FSized = true;
    Layout();
}

void TPictureView::Forget()
{
    FSource = nullptr;
    FRows = nullptr;
}

void TPictureView::BoxResized()
{
    const TLayout layout = LayoutInUse();
    if (layout == lyFitted || layout == lyCentred)
        Layout();
}

void TPictureView::Layout()
{
    // Hiding the scroll bars resizes the box, which asks for a layout again.
    if (FLayingOut || !FImage || !FBox || !FSized)
        return;
    FLayingOut = true;
    TScopeExit done([this] { FLayingOut = false; });

    const TLayout layout = LayoutInUse();
    const bool placed = layout == lyFitted || layout == lyCentred;
    FBox->SetAutoScroll(!placed);  // no scroll bars around a placed picture; the box scrolls home
    const SIZE shown = ShownSize(FWidth, FHeight);
    const int32_t areaWidth = FBox->ClientWidth(), areaHeight = FBox->ClientHeight();
    TFitPlace place{0, 0, shown.cx, shown.cy};
    if (layout == lyFitted)
        place = FitPlace(shown.cx, shown.cy, areaWidth, areaHeight);
    else if (layout == lyCentred)
        place = TFitPlace{(areaWidth - shown.cx) / 2, (areaHeight - shown.cy) / 2, shown.cx, shown.cy};
    else if (FLaidOut == layout)
        place = TFitPlace{FImage->Left(), FImage->Top(), shown.cx, shown.cy};  // scrolled as it was
    FLaidOut = layout;
    // The picture is in physical pixels, never scaled with the DPI.
    FImage->SetBounds(place.Left, place.Top, place.Width, place.Height);
    if (layout == lyFitted && (FPlan.SourceWidth() != FWidth || FPlan.SourceHeight() != FHeight ||
                               FPlan.Width() != place.Width || FPlan.Height() != place.Height))
        FPlan.Build(FWidth, FHeight, place.Width, place.Height);
    FShownRows.resize(static_cast<size_t>(std::max<int32_t>(place.Height, FHeight)));
    if (FRows) {
        Draw(FSource, FRows, FWidth, FHeight);
        FImage->Invalidate();
    }
}

void TPictureView::Show(HDC Source, uint8_t* const* Rows, int32_t Width, int32_t Height)
{
    FSource = Source;
    FRows = Rows;
    Draw(Source, Rows, Width, Height);
}

bool TPictureView::ShownRows(int32_t Width, int32_t Height)
{
    FImage->Canvas();  // the surface is made on the first frame, at the image's size
    TBitmap* shown = FImage->Bitmap();
    if (Width <= 0 || Height <= 0 || shown->Width() < Width || shown->Height() < Height ||
        static_cast<int32_t>(FShownRows.size()) < Height)
        return false;
    auto* top = static_cast<uint8_t*>(shown->ScanLine(0));
    const ptrdiff_t stride = shown->ScanLineStride();
    for (int32_t i = 0; i < Height; ++i)
        FShownRows[static_cast<size_t>(i)] = top + i * stride;
    return true;
}

void TPictureView::Draw(HDC Source, uint8_t* const* Rows, int32_t Width, int32_t Height)
{
    if (Width != FWidth || Height != FHeight || !Rows)
        return;
    const SIZE shown = ShownSize(Width, Height);
    switch (LayoutInUse()) {
    case lyFitted:
        if (ShownRows(FPlan.Width(), FPlan.Height()) && FPlan.SourceWidth() == Width && FPlan.SourceHeight() == Height)
            ScaleBilinear(FPlan, Rows, FShownRows.data());
        return;
    case lyDoubled:
        if (ShownRows(shown.cx, shown.cy))
            ZoomRows(Rows, FShownRows.data(), Height, Width, 2, 2);
        return;
    case lyTopLeft:
    case lyCentred:
        BitBlt(FImage->Canvas()->Handle(), 0, 0, FImage->Width(), FImage->Height(), Source, 0, 0, SRCCOPY);
        return;
    }
}

// ---- full screen ------------------------------------------------------------------------------

namespace {

// A full-screen window covers the window it captures whenever both are on one monitor, and would
// capture itself. Windows 10 2004 and later can leave a window out of screen captures; older
// systems lack the call or the flag and capture it as before.
void ExcludeFromCapture(HWND Window, bool Exclude)
{
    using TSetAffinity = BOOL(WINAPI*)(HWND, DWORD);
    static const auto set = reinterpret_cast<TSetAffinity>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetWindowDisplayAffinity")));
    const DWORD WdaNone = 0x00, WdaExcludeFromCapture = 0x11;
    if (set)
        set(Window, Exclude ? WdaExcludeFromCapture : WdaNone);
}

}  // namespace

WINDOWPLACEMENT TPictureView::NormalPlacement() const
{
    if (FFullScreen)
        return FSavedPlacement;
    WINDOWPLACEMENT placement{};  // length 0: no window, no placement
    if (FForm && FForm->HandleAllocated()) {
        placement.length = sizeof(placement);
        GetWindowPlacement(FForm->Handle(), &placement);
    }
    return placement;
}

void TPictureView::SetFullScreen(bool value)
{
    if (FFullScreen == value || !FForm || !FForm->HandleAllocated())
        return;
    HWND window = FForm->Handle();
    if (value) {
        FSavedPlacement.length = sizeof(FSavedPlacement);
        GetWindowPlacement(window, &FSavedPlacement);
        FSavedStyle = GetWindowLongPtrW(window, GWL_STYLE);
        FSavedExStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
        FSavedDockVisible = FDock && FDock->Visible();
        FSavedColor = FBox->Color();
        FSavedBoxExStyle = GetWindowLongPtrW(FBox->Handle(), GWL_EXSTYLE);
        MONITORINFO monitor{};
        monitor.cbSize = sizeof(monitor);
        GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
        const RECT m = monitor.rcMonitor;
        FFullScreen = true;
        if (IsZoomed(window))
            ShowWindow(window, SW_SHOWNORMAL);  // a maximised window keeps to the work area
        SetWindowLongPtrW(window, GWL_STYLE, FSavedStyle & ~LONG_PTR{WS_CAPTION | WS_THICKFRAME});
        SetWindowLongPtrW(window, GWL_EXSTYLE,
                          FSavedExStyle & ~LONG_PTR{WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME});
        if (FDock)
            FDock->SetVisible(false);  // a docked toolbar goes with it; a floating one stays
        FBox->SetColor(clBlack);
        // The box's own edge would frame the picture: the whole monitor is the picture's.
        SetWindowLongPtrW(FBox->Handle(), GWL_EXSTYLE, FSavedBoxExStyle & ~LONG_PTR{WS_EX_CLIENTEDGE});
        SetWindowPos(FBox->Handle(), nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        SetWindowPos(window, nullptr, m.left, m.top, m.right - m.left, m.bottom - m.top,
                     SWP_NOZORDER | SWP_FRAMECHANGED);
        ExcludeFromCapture(window, true);
    } else {
        FFullScreen = false;
        ExcludeFromCapture(window, false);
        SetWindowLongPtrW(window, GWL_STYLE, FSavedStyle);
        SetWindowLongPtrW(window, GWL_EXSTYLE, FSavedExStyle);
        SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
        FBox->SetColor(FSavedColor);
        SetWindowLongPtrW(FBox->Handle(), GWL_EXSTYLE, FSavedBoxExStyle);
        SetWindowPos(FBox->Handle(), nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        if (FDock)
            FDock->SetVisible(FSavedDockVisible);
        WINDOWPLACEMENT placement = FSavedPlacement;
        placement.showCmd = placement.showCmd == SW_SHOWMAXIMIZED ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
        SetWindowPlacement(window, &placement);
    }
    Layout();
}
