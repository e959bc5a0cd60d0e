#include "PictureView.h"

#include <algorithm>

#include "Anaglyph.h"

SIZE TPictureView::ShownSize(int32_t Width, int32_t Height) const
{
    return SIZE{FDoubleWidth ? 2 * Width : Width, Height};
}

void TPictureView::Fit(int32_t Width, int32_t Height)
{
    // The picture is in physical pixels, never scaled with the DPI.
    const SIZE shown = ShownSize(Width, Height);
    FImage->SetBounds(FImage->Left(), FImage->Top(), shown.cx, shown.cy);
    FShownRows.resize(static_cast<size_t>(std::max<int32_t>(Height, 0)));
}

void TPictureView::Show(HDC Source, uint8_t* const* Rows, int32_t Width, int32_t Height)
{
    if (FDoubleWidth)
        ShowDoubled(Rows, Width, Height);
    else
        BitBlt(FImage->Canvas()->Handle(), 0, 0, FImage->Width(), FImage->Height(), Source, 0, 0, SRCCOPY);
}

void TPictureView::ShowDoubled(uint8_t* const* Rows, int32_t Width, int32_t Height)
{
    FImage->Canvas();  // the surface is made on the first frame, at the image's size
    TBitmap* shown = FImage->Bitmap();
    const int32_t height = std::min({Height, static_cast<int32_t>(shown->Height()),
                                     static_cast<int32_t>(FShownRows.size())});
    if (Width <= 0 || height <= 0 || shown->Width() < 2 * Width)
        return;
    auto* top = static_cast<uint8_t*>(shown->ScanLine(0));
    const ptrdiff_t stride = shown->ScanLineStride();
    for (int32_t i = 0; i < height; ++i)
        FShownRows[static_cast<size_t>(i)] = top + i * stride;
    StretchRowsDouble(Rows, FShownRows.data(), height, Width);
}
