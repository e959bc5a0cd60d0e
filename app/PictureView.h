// How the composed picture is shown: on the image control's surface, from its top-left corner,
// 1:1 or doubled across for a half-width pair. It draws from the composed frame, never from what
// the screen shows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "ExtCtrls.h"

class TPictureView {
public:
    explicit TPictureView(TImage* Image) : FImage(Image) {}

    // Each composed pixel drawn twice across: the views of a half-width pair at their own width.
    bool DoubleWidth() const { return FDoubleWidth; }
    void SetDoubleWidth(bool value) { FDoubleWidth = value; }

    // The size a composed picture of Width x Height takes on the screen.
    SIZE ShownSize(int32_t Width, int32_t Height) const;
    // Sizes the image to a composed picture of Width x Height: at a start, and when an option
    // changes the shown size of a running capture.
    void Fit(int32_t Width, int32_t Height);
    // One frame: the composed picture, reached through Source (its device context) and Rows (top
    // first), Width x Height pixels, drawn on the image's surface. The image is not invalidated.
    void Show(HDC Source, uint8_t* const* Rows, int32_t Width, int32_t Height);

private:
    void ShowDoubled(uint8_t* const* Rows, int32_t Width, int32_t Height);

    TImage* FImage;
    bool FDoubleWidth = false;
    // Rows of the image's surface, pointed at it on every doubled frame (the surface is remade
    // when the image resizes); sized by Fit so that a frame allocates nothing.
    std::vector<uint8_t*> FShownRows;
};
