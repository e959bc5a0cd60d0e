#include "MainFormSource.h"

#include <windowsx.h>

#include <algorithm>
#include <limits>
#include <string>
#include <utility>

#include "Anaglyph.h"
#include "Dpi.h"
#include "GdiCount.h"
#include "ScopeExit.h"
#include "StrConv.h"

TMainForm* MainForm = nullptr;

const TClassInfo& TMainForm::StaticClassInfo()
{
    static const TClassInfo info = TClassBuilder<TMainForm>(L"TMainForm", &TForm::StaticClassInfo())
        .Field(L"LoopTimer", &TMainForm::LoopTimer)
        .Field(L"StartTimer", &TMainForm::StartTimer)
        .Field(L"Dock971", &TMainForm::Dock971)
        .Field(L"ToolWindow971", &TMainForm::ToolWindow971)
        .Field(L"StartStopButton", &TMainForm::StartStopButton)
        .Field(L"ScrollBox1", &TMainForm::ScrollBox1)
        .Field(L"image", &TMainForm::image)
        .Field(L"StopBtn", &TMainForm::StopBtn)
        .Field(L"QuitBtn", &TMainForm::QuitBtn)
        .Field(L"Edit1", &TMainForm::Edit1)
        .Method(L"StartStopButtonClick", &TMainForm::StartStopButtonClick)
        .Method(L"StartTimerTimer", &TMainForm::StartTimerTimer)
        .Method(L"LoopTimerTimer", &TMainForm::LoopTimerTimer)
        .Method(L"FormClose", &TMainForm::FormClose)
        .Method(L"StopBtnClick", &TMainForm::StopBtnClick)
        .Method(L"QuitBtnClick", &TMainForm::QuitBtnClick)
        .Build();
    return info;
}

TMainForm::TMainForm(TComponent* AOwner) : TForm(AOwner)
{
    LoadLayout();
    // At the DPI loading scaled the layout to: that of the monitor the form is centred on.
    SetWidth(ScaleValue(330, PixelsPerInch(), DefaultPixelsPerInch));
    SetHeight(ScaleValue(90, PixelsPerInch(), DefaultPixelsPerInch));
    BuildOptionsMenu();
    // The wheel goes to the focus window, wherever that is: it is seen here before any window.
    if (Application)
        Application->OnMessage = [this](MSG& Msg, bool& Handled) { AppMessage(Msg, Handled); };
}

TMainForm::~TMainForm()
{
    if (Application)
        Application->OnMessage = nullptr;
    ReleaseCapture();
}

void TMainForm::ReleaseCapture()
{
    Frame.reset();
    Rows.clear();
    FrameHeight = 0;
    if (DesktopDC) {
        CountedReleaseDC(DesktopWnd, DesktopDC);
        DesktopDC = nullptr;
    }
}

void TMainForm::StartStopButtonClick(TObject*)
{
    StartTimer->SetEnabled(true);
}

void TMainForm::StartTimerTimer(TObject*)
{
    StartTimer->SetEnabled(false);
    const int32_t offset = StrToInt(Edit1->Text());

    // Everything new is built first: a start that fails leaves a running capture as it was.
    HWND desktop = GetDesktopWindow();
    HDC dc = CountedGetDC(desktop);
    TScopeExit releaseUnlessKept([&] {
        if (dc)
            CountedReleaseDC(desktop, dc);
    });
    HWND target = GetForegroundWindow();
    RECT r{};
    GetWindowRect(target, &r);
    const int32_t width = r.right - r.left, height = r.bottom - r.top;

    auto frame = std::make_unique<TBitmap>();
    frame->SetPixelFormat(pf32bit);
    frame->SetWidth(width);
    frame->SetHeight(height);
    const int32_t frameHeight = frame->Height();
    std::vector<uint8_t*> rows(static_cast<size_t>(frameHeight));
    std::vector<uint8_t*> shownRows(static_cast<size_t>(frameHeight));
    for (int32_t i = 0; i < frameHeight; ++i)
        rows[static_cast<size_t>(i)] = static_cast<uint8_t*>(frame->ScanLine(i));
    frame->Canvas()->Handle();  // the frame's DC is made here, not on the first tick

    ReleaseCapture();
    Offset = offset;
    DesktopWnd = desktop;
    DesktopDC = std::exchange(dc, nullptr);
    TargetWnd = target;
    CaptureLeft = r.left;
    CaptureTop = r.top;
    CaptureWidth = width;
    CaptureHeight = height;
    Frame = std::move(frame);
    FrameWidth = Frame->Width();
    FrameHeight = frameHeight;
    const TAnaglyphGeometry g = ComputeGeometry(FrameWidth, Offset);
    HalfWidth = g.HalfWidth;
    RightStart = g.RightStart;
    RedShift = g.RedShift;
    Rows = std::move(rows);
    ShownRows = std::move(shownRows);

    // The picture is in physical pixels, never scaled; the margin around it follows the DPI.
    image->SetScaleWithDpi(false);
    image->SetBounds(image->Left(), image->Top(), ShownWidth(), FrameHeight);
    const SIZE window = SizeAroundImage();
    SetBounds(Left(), Top(), window.cx, window.cy);
    LoopTimer->SetEnabled(true);
}

SIZE TMainForm::SizeAroundImage() const
{
    const int margin = ScaleValue(40, CurrentDpi(), DefaultPixelsPerInch);
    return SIZE{image->Width() + margin, image->Height() + margin};
}

void TMainForm::DpiChanged(int OldDpi, int NewDpi)
{
    TForm::DpiChanged(OldDpi, NewDpi);
    if (!Frame)
        return;
    // The suggested rectangle scales the whole window, picture included; the picture did not
    // scale, so a smaller DPI would cut off what a start showed.
    const SIZE least = SizeAroundImage();
    if (Width() < least.cx || Height() < least.cy)
        SetBounds(Left(), Top(), std::max<int>(Width(), least.cx), std::max<int>(Height(), least.cy));
}

void TMainForm::LoopTimerTimer(TObject*)
{
    if (!Frame)
        return;
    // A tick that fails would fail again every 100 ms, each report opening its box inside the
    // last one's message loop: the loop stops first, the error is reported once, and a later
    // Start begins afresh.
    bool done = false;
    TScopeExit stopOnFailure([&] {
        if (!done)
            LoopTimer->SetEnabled(false);
    });
    HDC frameDC = Frame->Canvas()->Handle();
    BitBlt(frameDC, 0, 0, FrameWidth, FrameHeight, DesktopDC, CaptureLeft, CaptureTop, SRCCOPY);
    GdiFlush();  // the pixels are read directly next
    if (FMethod == amColour && !FSwapEyes)
        ComposeAnaglyph(Rows.data(), FrameHeight, HalfWidth, RightStart, RedShift, FrameWidth, Offset);
    else
        ComposeAnaglyphMethod(Rows.data(), FrameHeight, FrameWidth, Offset, FMethod, FSwapEyes);
    if (FHalfWidthPair)
        ShowStretched();
    else
        BitBlt(image->Canvas()->Handle(), 0, 0, image->Width(), image->Height(), frameDC, 0, 0, SRCCOPY);
    image->Invalidate();
    done = true;
}

void TMainForm::FormClose(TObject*, TCloseAction&)
{
    // A wait still running would start a capture after the close if messages are still handled.
    StartTimer->SetEnabled(false);
    LoopTimer->SetEnabled(false);
    ReleaseCapture();
}

void TMainForm::StopBtnClick(TObject*)
{
    LoopTimer->SetEnabled(false);
}

void TMainForm::QuitBtnClick(TObject*)
{
    Close();
}

// ---- viewing options ------------------------------------------------------------------------

namespace {

TMenuItem* AddItem(TPopupMenu* Menu, const wchar_t* Caption, TShortCut Key = scNone, int RadioGroup = 0)
{
    auto* item = new TMenuItem(nullptr);  // the menu's root item deletes its items
    Menu->Items()->Add(item);
    item->SetCaption(Caption);
    item->SetShortCut(Key);
    item->SetRadioItem(RadioGroup != 0);
    item->SetGroupIndex(RadioGroup);
    return item;
}

}  // namespace

void TMainForm::BuildOptionsMenu()
{
    // Every shortcut holds Ctrl: the toolkit offers such keys to the menus before the focused
    // edit box, and the box needs none of them (a one-line box has no use for the page keys).
    OptionsMenu = new TPopupMenu(this);
    static const struct {
        const wchar_t* Caption;
        WORD Key;
    } methods[] = {{L"Colour anaglyph", '1'}, {L"Half-colour anaglyph", '2'}, {L"Grey anaglyph", '3'},
                   {L"Dubois anaglyph", '4'}};
    for (int m = amColour; m <= amDubois; ++m) {
        FMethodItems[m] = AddItem(OptionsMenu, methods[m].Caption, scCtrl | methods[m].Key, 1);
        FMethodItems[m]->OnClick = [this, m](TObject*) { SetMethod(static_cast<TAnaglyphMethod>(m)); };
    }
    AddItem(OptionsMenu, L"-");
    FSwapItem = AddItem(OptionsMenu, L"Swap eyes", scCtrl | 'E');
    FSwapItem->OnClick = [this](TObject*) { SetSwapEyes(!FSwapEyes); };
    FHalfWidthItem = AddItem(OptionsMenu, L"Half-width pair", scCtrl | 'D');
    FHalfWidthItem->OnClick = [this](TObject*) { SetHalfWidthPair(!FHalfWidthPair); };
    AddItem(OptionsMenu, L"-");
    static const wchar_t* const rates[] = {L"10 frames/s", L"30 frames/s", L"60 frames/s"};
    for (int r = fr10; r <= fr60; ++r) {
        FRateItems[r] = AddItem(OptionsMenu, rates[r], scNone, 2);
        FRateItems[r]->OnClick = [this, r](TObject*) { SetFrameRate(static_cast<TFrameRate>(r)); };
    }
    AddItem(OptionsMenu, L"-");
    AddItem(OptionsMenu, L"Increase shift", scCtrl | VK_PRIOR)->OnClick = [this](TObject*) { ChangeShift(1); };
    AddItem(OptionsMenu, L"Decrease shift", scCtrl | VK_NEXT)->OnClick = [this](TObject*) { ChangeShift(-1); };
    AddItem(OptionsMenu, L"-");
    FTopItem = AddItem(OptionsMenu, L"Always on top", scCtrl | 'T');
    FTopItem->OnClick = [this](TObject*) { SetAlwaysOnTop(!FAlwaysOnTop); };

    OptionsMenu->OnPopup = [this](TObject* Sender) { OptionsMenuPopup(Sender); };
    OptionsMenuPopup(OptionsMenu);
    for (TControl* c : {static_cast<TControl*>(image), static_cast<TControl*>(ScrollBox1),
                        static_cast<TControl*>(Dock971), static_cast<TControl*>(ToolWindow971)})
        c->SetPopupMenu(OptionsMenu);
}

void TMainForm::OptionsMenuPopup(TObject*)
{
    FMethodItems[FMethod]->SetChecked(true);
    FSwapItem->SetChecked(FSwapEyes);
    FHalfWidthItem->SetChecked(FHalfWidthPair);
    FRateItems[FFrameRate]->SetChecked(true);
    FTopItem->SetChecked(FAlwaysOnTop);
}

int32_t TMainForm::ShownWidth() const
{
    return FHalfWidthPair ? 2 * HalfWidth : HalfWidth;
}

void TMainForm::ShowStretched()
{
    image->Canvas();  // the surface is made on the first frame, at the image's size
    TBitmap* shown = image->Bitmap();
    const int32_t height = std::min(FrameHeight, static_cast<int32_t>(shown->Height()));
    if (HalfWidth <= 0 || height <= 0 || shown->Width() < 2 * HalfWidth)
        return;
    auto* top = static_cast<uint8_t*>(shown->ScanLine(0));
    const ptrdiff_t stride = shown->ScanLineStride();
    for (int32_t i = 0; i < height; ++i)
        ShownRows[static_cast<size_t>(i)] = top + i * stride;
    StretchRowsDouble(Rows.data(), ShownRows.data(), height, HalfWidth);
}

void TMainForm::SetHalfWidthPair(bool value)
{
    if (FHalfWidthPair == value)
        return;
    FHalfWidthPair = value;
    // A running capture shows its next frame at the new width; the window keeps its size, as it
    // does between starts.
    if (Frame && LoopTimer->Enabled())
        image->SetBounds(image->Left(), image->Top(), ShownWidth(), FrameHeight);
}

UINT TMainForm::FrameInterval(TFrameRate Rate)
{
    static constexpr UINT Intervals[] = {100, 33, 16};
    return Intervals[Rate];
}

void TMainForm::SetFrameRate(TFrameRate value)
{
    if (FFrameRate == value)
        return;
    FFrameRate = value;
    LoopTimer->SetInterval(FrameInterval(value));  // a running timer starts over at once
}

void TMainForm::ChangeShift(int32_t Delta)
{
    // A capture's own N, not the box: the box may hold a text no start has taken yet.
    const int64_t from = Frame ? Offset : StrToInt(Edit1->Text());
    const auto to = static_cast<int32_t>(std::clamp<int64_t>(from + Delta, std::numeric_limits<int32_t>::min(),
                                                             std::numeric_limits<int32_t>::max()));
    if (Frame) {
        Offset = to;
        RedShift = ComputeGeometry(FrameWidth, Offset).RedShift;
    }
    Edit1->SetText(std::to_wstring(to));
}

void TMainForm::SetAlwaysOnTop(bool value)
{
    if (FAlwaysOnTop == value)
        return;
    FAlwaysOnTop = value;
    ApplyTopmost();
}

void TMainForm::CreateParams(TCreateParams& Params)
{
    TForm::CreateParams(Params);
    if (FAlwaysOnTop)
        Params.ExStyle |= WS_EX_TOPMOST;
}

namespace {

BOOL CALLBACK CollectOwnedWindow(HWND Window, LPARAM Data)
{
    auto* owned = reinterpret_cast<std::vector<HWND>*>(Data);
    if (GetWindow(Window, GW_OWNER) == owned->front())
        owned->push_back(Window);
    return TRUE;
}

}  // namespace

void TMainForm::ApplyTopmost()
{
    if (!HandleAllocated())
        return;
    // The windows the form owns (a floating toolbar) share its band. Wine moves neither an owner
    // nor an owned window between the bands while they are paired, so they part meanwhile.
    std::vector<HWND> owned{Handle()};
    EnumThreadWindows(GetCurrentThreadId(), CollectOwnedWindow, reinterpret_cast<LPARAM>(&owned));
    for (size_t i = 1; i < owned.size(); ++i)
        SetWindowLongPtrW(owned[i], GWLP_HWNDPARENT, 0);
    TScopeExit pairAgain([&] {
        for (size_t i = 1; i < owned.size(); ++i)
            SetWindowLongPtrW(owned[i], GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owned[0]));
    });
    for (HWND window : owned)
        SetWindowPos(window, FAlwaysOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

bool TMainForm::OverPicture(POINT Screen)
{
    if (!ScrollBox1->HandleAllocated() || !image->Visible() || WindowFromPoint(Screen) != ScrollBox1->Handle())
        return false;
    const RECT box = ScrollBox1->ClientRect();
    const POINT inBox = ScrollBox1->ScreenToClient(Screen);
    const POINT inImage = image->ScreenToClient(Screen);
    return PtInRect(&box, inBox) && inImage.x >= 0 && inImage.y >= 0 && inImage.x < image->Width() &&
           inImage.y < image->Height();
}

void TMainForm::AppMessage(MSG& Msg, bool& Handled)
{
    if (Msg.message != WM_MOUSEWHEEL || !OverPicture(POINT{GET_X_LPARAM(Msg.lParam), GET_Y_LPARAM(Msg.lParam)}))
        return;
    Handled = true;
    FWheelRest += GET_WHEEL_DELTA_WPARAM(Msg.wParam);
    const int notches = FWheelRest / WHEEL_DELTA;
    FWheelRest -= notches * WHEEL_DELTA;
    if (notches)
        ChangeShift(notches * ((GET_KEYSTATE_WPARAM(Msg.wParam) & MK_SHIFT) ? 10 : 1));
}
