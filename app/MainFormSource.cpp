#include "MainFormSource.h"

#include <utility>

#include "Anaglyph.h"
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
    SetWidth(330);
    SetHeight(90);
}

TMainForm::~TMainForm()
{
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

    image->SetBounds(image->Left(), image->Top(), HalfWidth, FrameHeight);
    SetBounds(Left(), Top(), image->Width() + 40, image->Height() + 40);
    LoopTimer->SetEnabled(true);
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
    ComposeAnaglyph(Rows.data(), FrameHeight, HalfWidth, RightStart, RedShift, FrameWidth, Offset);
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
