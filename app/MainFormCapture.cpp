// The main window's capture options: the window's client area, a window followed, an area chosen.
#include "AreaSelection.h"
#include "MainFormSource.h"
#include "StrConv.h"

void TMainForm::SetClientAreaOnly(bool value)
{
    FSource.SetClientArea(value);
    ShowCaptureOptions();
}

void TMainForm::SetFollowWindow(bool value)
{
    FSource.SetFollow(value);
    ShowCaptureOptions();
}

void TMainForm::ShowCaptureOptions()
{
    FClientItem->SetChecked(FSource.ClientArea());
    FFollowItem->SetChecked(FSource.Follow());
    FClientItem->SetEnabled(!FSource.AreaChosen());
    FFollowItem->SetEnabled(!FSource.AreaChosen());
}


void TMainForm::ChooseArea()
{
    // A text that is no integer is reported before the user drags anything.
    const int32_t offset = StrToInt(Edit1->Text());
    const TFreeWatch self(this);
    TScreenArea area;
    if (!SelectScreenArea(area) || !self.Alive())
        return;
    SetUpCapture(TCaptureSource::OfArea(area), offset);
}
