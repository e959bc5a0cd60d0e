// The main window's stereo options and the composition plan the frame tick reads.
#include "MainFormSource.h"

#include <memory>
#include <utility>
#include <vector>

void TMainForm::SetGlasses(TGlasses value)
{
    if (FCompose.Glasses == value)
        return;
    FCompose.Glasses = value;
    StereoOptionChanged();
}

void TMainForm::SetMethod(TAnaglyphMethod value)
{
    if (FCompose.Method == value)
        return;
    FCompose.Method = value;
    StereoOptionChanged();
}

void TMainForm::SetPair(TPairLayout value)
{
    if (FCompose.Pair == value)
        return;
    FCompose.Pair = value;
    StereoOptionChanged();
}

void TMainForm::SetSwapEyes(bool value)
{
    if (FCompose.Swap == value)
        return;
    FCompose.Swap = value;
    StereoOptionChanged();
}

void TMainForm::SetHalfWidthPair(bool value)
{
    if (FCompose.HalfPair == value)
        return;
    FCompose.HalfPair = value;
    StereoOptionChanged();
}

void TMainForm::SetShowMode(TShowMode value)
{
    if (FCompose.Show == value)
        return;
    FCompose.Show = value;
    StereoOptionChanged();
}

void TMainForm::StereoOptionChanged()
{
    ShowStereoOptions();
    // The interleavings mean something only pixel for pixel: the zoom follows the choice at once.
    FView.SetOneToOneOnly(FCompose.Show == smInterleavedRows || FCompose.Show == smInterleavedColumns ||
                          FCompose.Show == smCheckerboard);
    // A frozen picture stays as it is; the next start plans with the options of then.
    if (Frame && LoopTimer->Enabled())
        Replan();
}

void TMainForm::Replan(bool Anew)
{
    TComposeOptions options = FCompose;
    options.FrameWidth = FrameWidth;
    options.FrameHeight = FrameHeight;
    options.Offset = Offset;
    const TComposePlan plan = MakeComposePlan(options);
    const bool inFrame = plan.InFrame && plan.DoubleX == 0 && plan.DoubleY == 0;
    if (Anew || plan.ShownWidth != FPlan.ShownWidth || plan.ShownHeight != FPlan.ShownHeight || inFrame != FPictureInFrame ||
        (!inFrame && !FPicture)) {
        // Made before anything is replaced: a picture that cannot be made leaves the old one.
        std::unique_ptr<TBitmap> picture;
        std::vector<uint8_t*> rows;
        if (!inFrame && plan.ShownWidth > 0 && plan.ShownHeight > 0) {
            picture = std::make_unique<TBitmap>();
            picture->SetPixelFormat(pf32bit);
            picture->SetWidth(plan.ShownWidth);
            picture->SetHeight(plan.ShownHeight);
            rows.resize(static_cast<size_t>(plan.ShownHeight));
            for (int32_t i = 0; i < plan.ShownHeight; ++i)
                rows[static_cast<size_t>(i)] = static_cast<uint8_t*>(picture->ScanLine(i));
            picture->Canvas()->Handle();
        }
        FView.Forget();
        FPicture = std::move(picture);
        FPictureRows = std::move(rows);
        FPictureInFrame = inFrame;
        FPlan = plan;
        FView.Fit(plan.ShownWidth, plan.ShownHeight);
        return;
    }
    FPlan = plan;
}
