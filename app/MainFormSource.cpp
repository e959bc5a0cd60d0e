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
    FView = TPictureView(this, ScrollBox1, image, Dock971);
    // At the DPI loading scaled the layout to: that of the monitor the form is centred on.
    SetWidth(ScaleValue(330, PixelsPerInch(), DefaultPixelsPerInch));
    SetHeight(ScaleValue(90, PixelsPerInch(), DefaultPixelsPerInch));
    BuildOptionsMenu();
    ScrollBox1->OnResize = [this](TObject*) { FView.BoxResized(); };
    image->OnDblClick = ScrollBox1->OnDblClick = [this](TObject*) { SetFullScreen(!FullScreen()); };
    LoadSettings();
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
    FView.Forget();
    FPicture.reset();
    FPictureRows.clear();
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
    SetUpCapture(FSource.AtStart(), offset);
}

void TMainForm::SetUpCapture(const TCaptureTarget& Target, int32_t Shift)
{
    // Everything new is built first: a setup that fails leaves a running capture as it was.
    HWND desktop = GetDesktopWindow();
    HDC dc = CountedGetDC(desktop);
    TScopeExit releaseUnlessKept([&] {
        if (dc)
            CountedReleaseDC(desktop, dc);
    });
    const int32_t width = Target.Area.Width, height = Target.Area.Height;

    auto frame = std::make_unique<TBitmap>();
    frame->SetPixelFormat(pf32bit);
    frame->SetWidth(width);
    frame->SetHeight(height);
    const int32_t frameHeight = frame->Height();
    std::vector<uint8_t*> rows(static_cast<size_t>(frameHeight));
    for (int32_t i = 0; i < frameHeight; ++i)
        rows[static_cast<size_t>(i)] = static_cast<uint8_t*>(frame->ScanLine(i));
    frame->Canvas()->Handle();  // the frame's DC is made here, not on the first tick

    ReleaseCapture();
    Offset = Shift;
    DesktopWnd = desktop;
    DesktopDC = std::exchange(dc, nullptr);
    FSource.Use(Target);
    TargetWnd = Target.Window;
    CaptureLeft = Target.Area.Left;
    CaptureTop = Target.Area.Top;
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
    ShowCaptureOptions();

    // The picture is in physical pixels, never scaled; the margin around it follows the DPI.
    image->SetScaleWithDpi(false);
    Replan(true);
    if (!FView.FullScreen() && FView.ZoomInUse() != zmFit) {
        const SIZE window = SizeAroundImage();
        SetBounds(Left(), Top(), window.cx, window.cy);
    }
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
    FView.BoxResized();  // a fitted picture fits the scaled box afresh
    if (!Frame || FView.FullScreen() || FView.ZoomInUse() == zmFit)
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
    TScreenArea area;
    switch (FSource.AtFrame(area)) {
    case fsGone:
        LoopTimer->SetEnabled(false);  // the last picture stays, as after Stop
        done = true;
        return;
    case fsResized:
        SetUpCapture(TCaptureTarget{FSource.Target(), area}, Offset);
        break;
    case fsMoved:
        CaptureLeft = area.Left;
        CaptureTop = area.Top;
        break;
    case fsSame:
        break;
    }
    HDC frameDC = Frame->Canvas()->Handle();
    BitBlt(frameDC, 0, 0, FrameWidth, FrameHeight, DesktopDC, area.Left, area.Top, SRCCOPY);
    GdiFlush();  // the pixels are read directly next
    if (FPictureInFrame || FPicture) {
        // The interleavings give each screen row or column to one eye: where the picture is now.
        const POINT at = image->ClientToScreen(POINT{0, 0});
        ComposeFrame(FPlan, Rows.data(), FPicture ? FPictureRows.data() : nullptr, at.x, at.y);
        FView.Show(FPicture ? FPicture->Canvas()->Handle() : frameDC, FPicture ? FPictureRows.data() : Rows.data(),
                   FPlan.ShownWidth, FPlan.ShownHeight);
    }
    image->Invalidate();
    done = true;
}

void TMainForm::FormClose(TObject*, TCloseAction&)
{
    // A wait still running would start a capture after the close if messages are still handled.
    StartTimer->SetEnabled(false);
    LoopTimer->SetEnabled(false);
    SaveSettings();
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
    // The number the user sees; the capture's own N when the box holds none.
    int32_t shown = 0;
    const int64_t from = TryStrToInt(Edit1->Text(), shown) ? shown : Frame ? Offset : StrToInt(Edit1->Text());
    const auto to = static_cast<int32_t>(std::clamp<int64_t>(from + Delta, std::numeric_limits<int32_t>::min(),
                                                             std::numeric_limits<int32_t>::max()));
    if (Frame) {
        Offset = to;
        RedShift = ComputeGeometry(FrameWidth, Offset).RedShift;
        // The shift alone: the plan's other options stay those the frame was set up with.
        TComposeOptions options = FPlan.Options;
        options.Offset = Offset;
        FPlan = MakeComposePlan(options);
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
    // Escape leaves full screen. A toolbar drag runs a loop of its own, which takes Escape to
    // cancel the drag: the key never reaches here then.
    if (Msg.message == WM_KEYDOWN && Msg.wParam == VK_ESCAPE && FView.FullScreen()) {
        Handled = true;
        SetFullScreen(false);
        return;
    }
    if (Msg.message != WM_MOUSEWHEEL || !OverPicture(POINT{GET_X_LPARAM(Msg.lParam), GET_Y_LPARAM(Msg.lParam)}))
        return;
    Handled = true;
    FWheelRest += GET_WHEEL_DELTA_WPARAM(Msg.wParam);
    const int notches = FWheelRest / WHEEL_DELTA;
    FWheelRest -= notches * WHEEL_DELTA;
    if (notches)
        ChangeShift(notches * ((GET_KEYSTATE_WPARAM(Msg.wParam) & MK_SHIFT) ? 10 : 1));
}
