// Following the display's DPI: controls scaled by a ratio with the one rounding rule, stored
// layouts of another DPI scaled once when loaded, and forms following WM_DPICHANGED.
#include <vector>

#include "ErrorReport.h"
#include "Forms.h"
#include "ScopeExit.h"

// ---- controls -------------------------------------------------------------------------------

void TControl::ScaleBy(int M, int D)
{
    if (M != D && M > 0 && D > 0 && FScaleWithDpi)
        ChangeScale(M, D);
}

// In a DPI change every step below runs although one fails (TDeferredErrors): a handler that
// raises leaves no control behind at the old scale.

void TControl::ChangeScale(int M, int D)
{
    // Edges are scaled, not extents: controls that touch or line up at 96 DPI still do. An
    // aligned control gets its place from the alignment, so its extent alone is scaled: equal
    // bars stay equal wherever they are stacked.
    const int left = ScaleValue(FLeft, M, D);
    const int top = ScaleValue(FTop, M, D);
    const int width = FAlign == alNone ? ScaleValue(FLeft + FWidth, M, D) - left : ScaleValue(FWidth, M, D);
    const int height = FAlign == alNone ? ScaleValue(FTop + FHeight, M, D) - top : ScaleValue(FHeight, M, D);
    TDeferredErrors::Run([&] { SetBounds(left, top, width, height); });
    ScaleFont(M, D);
}

void TControl::ScaleFont(int M, int D)
{
    if (FParentFont)
        return;  // follows the parent's font, which scales itself
    // Points stay points: the font's DPI moves with its height.
    const int pixelsPerInch = ScaleValue(FFont->PixelsPerInch(), M, D), height = ScaleValue(FFont->Height(), M, D);
    TDeferredErrors::Run([&] {
        FFont->SetPixelsPerInch(pixelsPerInch);
        FFont->SetHeight(height);
    });
}

int TControl::CurrentDpi() const
{
    return FParent ? FParent->CurrentDpi() : ScreenDpi();
}

int TWinControl::CurrentDpi() const
{
    return !FParent && FHandle ? WindowDpi(FHandle) : TControl::CurrentDpi();
}

void TWinControl::ChangeScale(int M, int D)
{
    // Children first, then the control itself, aligned once at the end.
    DisableAlign();
    TScopeExit enable([this] { TDeferredErrors::Run([this] { EnableAlign(); }); });
    ScaleControls(M, D);
    TControl::ChangeScale(M, D);
}

void TWinControl::ScaleControls(int M, int D)
{
    for (TControl* c : std::vector<TControl*>(FControls))
        if (c->FScaleWithDpi)
            TDeferredErrors::Run([&] { c->ChangeScale(M, D); });
}

void TScrollingWinControl::ScaleControls(int M, int D)
{
    // Children scale from the unscrolled origin; the view then goes back to the same place.
    const POINT position = FScrollPos;
    ScrollTo(SB_HORZ, 0);
    ScrollTo(SB_VERT, 0);
    TWinControl::ScaleControls(M, D);
    ScrollTo(SB_HORZ, ScaleValue(position.x, M, D));
    ScrollTo(SB_VERT, ScaleValue(position.y, M, D));
    FAlignPending = true;  // scrolling drops pending alignments; the scaled children need one
}

// ---- forms ----------------------------------------------------------------------------------

namespace {

void NotifyDpiChanged(TControl* control, int oldDpi, int newDpi)
{
    TDeferredErrors::Run([&] { control->DpiChanged(oldDpi, newDpi); });
    if (auto* parent = dynamic_cast<TWinControl*>(control))
        for (int i = 0; i < parent->ControlCount(); ++i)  // a handler may remove controls
            NotifyDpiChanged(parent->Controls(i), oldDpi, newDpi);
}

}  // namespace

void TCustomForm::Loaded()
{
    // Before the children's Loaded, so that they arrange themselves at the scaled sizes.
    if (FScaled && FPixelsPerInch > 0) {
        const bool placed = FPosition == poDesigned && FLeft != CW_USEDEFAULT && FTop != CW_USEDEFAULT;
        const int dpi = MonitorDpi(placed ? BoundsRect() : RECT{0, 0, 1, 1});
        if (dpi != FPixelsPerInch) {
            ScaleBy(dpi, FPixelsPerInch);
            SetLayoutDpi(dpi);
        }
    }
    TScrollingWinControl::Loaded();
}

void TCustomForm::SetLayoutDpi(int dpi)
{
    FTextHeight = ScaleValue(FTextHeight, dpi, FPixelsPerInch);
    FPixelsPerInch = dpi;
}

void TCustomForm::ChangeScale(int M, int D)
{
    if (FParent) {
        TScrollingWinControl::ChangeScale(M, D);
        return;
    }
    // The frame's size comes from the window system's metrics, not from the layout.
    DisableAlign();
    TScopeExit enable([this] { TDeferredErrors::Run([this] { EnableAlign(); }); });
    const int width = ClientWidth(), height = ClientHeight();
    ScaleControls(M, D);
    ScaleFont(M, D);
    TDeferredErrors::Run([&] { SetClientSize(ScaleValue(width, M, D), ScaleValue(height, M, D)); });
}

int TCustomForm::CurrentDpi() const
{
    return FWindowDpi ? FWindowDpi : TScrollingWinControl::CurrentDpi();
}

void TCustomForm::WMDpiChanged(TMessage& Message)
{
    Message.Result = 0;
    FPendingDpi = HIWORD(Message.WParam);  // the vertical DPI; both are the same
    FPendingHasRect = Message.LParam != 0;
    if (FPendingHasRect)
        FPendingRect = *reinterpret_cast<const RECT*>(Message.LParam);
    // Moving the window into the suggested rectangle may bring another change: the one under
    // way applies it when done, so the controls never scale from a half-changed form.
    if (FChangingDpi)
        return;
    FChangingDpi = true;
    TScopeExit done([this] { FChangingDpi = false; });
    // A handler that raises does not stop the change: the controls, the fonts, the bounds and
    // the recorded DPI stay one scale, and the first error is reported once, at the end.
    TDeferredErrors errors;
    while (FPendingDpi > 0) {
        const int dpi = FPendingDpi;
        const RECT rect = FPendingRect;
        const bool hasRect = FPendingHasRect;
        FPendingDpi = 0;
        ChangeDpi(dpi, hasRect ? &rect : nullptr);
    }
    errors.RethrowFirst();
}

void TCustomForm::ChangeDpi(int NewDpi, const RECT* suggested)
{
    const int oldDpi = CurrentDpi();
    FWindowDpi = NewDpi;
    if (FScaled && FPixelsPerInch > 0 && FPixelsPerInch != NewDpi) {
        if (!suggested || !FHandle) {
            ScaleBy(NewDpi, FPixelsPerInch);
        } else {
            DisableAlign();
            TScopeExit enable([this] { TDeferredErrors::Run([this] { EnableAlign(); }); });
            ScaleControls(NewDpi, FPixelsPerInch);
            ScaleFont(NewDpi, FPixelsPerInch);
            SetWindowPos(FHandle, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                         suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        }
        SetLayoutDpi(NewDpi);
    }
    NotifyDpiChanged(this, oldDpi, NewDpi);
}
