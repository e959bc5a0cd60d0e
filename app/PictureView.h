// How the composed picture is shown: on the image control's surface inside the scroll box, 1:1
// from its top-left corner, at 200 %, fitted to the scroll box, or full screen (a squeezed pair
// arrives already doubled by the composition). It draws from the composed frame, never from what the screen shows, and
// keeps the last picture it was given, so that a new size or zoom redraws a frozen one.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "ExtCtrls.h"
#include "Forms.h"
#include "Scale.h"

enum TZoom { zm100, zm200, zmFit };

class TPictureView {
public:
    TPictureView() = default;
    // Form: the window full screen covers the monitor with; Dock: hidden meanwhile.
    TPictureView(TCustomForm* Form, TScrollBox* Box, TImage* Image, TControl* Dock);

    // The chosen zoom; the picture follows at once (redrawn from the kept picture).
    TZoom Zoom() const { return FZoom; }
    void SetZoom(TZoom value);
    // Pictures that are only meaningful pixel for pixel (interleaved rows, columns, checkerboards):
    // 200 % and Fit are not used, the picture is shown at 100 %, full screen centres it 1:1.
    bool OneToOneOnly() const { return FOneToOneOnly; }
    void SetOneToOneOnly(bool value);
    TZoom ZoomInUse() const { return FOneToOneOnly ? zm100 : FZoom; }

    // The form covers its monitor without caption or frame, the dock hidden, the picture fitted
    // (or centred 1:1) on black; leaving puts the window's bounds, style and the dock back.
    bool FullScreen() const { return FFullScreen; }
    void SetFullScreen(bool value);
    // The window's placement as it was before full screen, or as it is; length 0 without a window.
    WINDOWPLACEMENT NormalPlacement() const;

    // The size a composed picture of Width x Height takes at 100 % and 200 % (Fit: at 100 %).
    SIZE ShownSize(int32_t Width, int32_t Height) const;
    // A new picture of Width x Height (at a start, or when an option changes its shown size): the
    // image is sized and placed for it, and the previous picture is no longer kept.
    void Fit(int32_t Width, int32_t Height);
    // One frame: the composed picture, reached through Source (its device context) and Rows (top
    // first), Width x Height pixels, drawn on the image's surface; not invalidated. Source and
    // Rows are kept, and must stay valid until the next Show, Fit or Forget.
    void Show(HDC Source, uint8_t* const* Rows, int32_t Width, int32_t Height);
    // The kept picture is about to be released.
    void Forget();
    // The scroll box's size changed: a fitted picture is fitted again and redrawn.
    void BoxResized();

private:
    enum TLayout { lyTopLeft, lyDoubled, lyFitted, lyCentred };
    TLayout LayoutInUse() const;
    // Sizes, places and plans for the layout in use; redraws and invalidates a kept picture.
    void Layout();
    void Draw(HDC Source, uint8_t* const* Rows, int32_t Width, int32_t Height);
    // Points FShownRows at the image's surface; false when it cannot hold Height rows of Width.
    bool ShownRows(int32_t Width, int32_t Height);

    TCustomForm* FForm = nullptr;
    TScrollBox* FBox = nullptr;
    TImage* FImage = nullptr;
    TControl* FDock = nullptr;
    TZoom FZoom = zm100;
    bool FOneToOneOnly = false;
    TLayout FLaidOut = lyTopLeft;
    bool FLayingOut = false;

    // The picture's size (none before the first start: the image stays as laid out) and the
    // kept picture.
    bool FSized = false;
    int32_t FWidth = 0;
    int32_t FHeight = 0;
    HDC FSource = nullptr;
    uint8_t* const* FRows = nullptr;

    bool FFullScreen = false;
    WINDOWPLACEMENT FSavedPlacement{};
    LONG_PTR FSavedStyle = 0;
    LONG_PTR FSavedExStyle = 0;
    LONG_PTR FSavedBoxExStyle = 0;
    bool FSavedDockVisible = true;
    TColor FSavedColor = clBtnFace;

    TScalePlan FPlan;
    // Rows of the image's surface, pointed at it on every frame (the surface is remade when the
    // image resizes); sized at Fit and Layout so that a frame allocates nothing.
    std::vector<uint8_t*> FShownRows;
};
