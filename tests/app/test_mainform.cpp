// The main window under Wine: its first show, the geometry and road of a capture, the buttons
// and timers driven by real clicks, error reports, and a soak for leaks.
#include <gtest/gtest.h>

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstring>

#include "Anaglyph.h"
#include "GdiCount.h"
#include "MainFormFixture.h"
#include "MainFormSource.h"
#include "PatternWindow.h"
#include "TestSupport.h"
#include "TB97.h"

namespace {

class MainFormTest : public TMainFormFixture {
protected:
    void SetUp() override
    {
        TMainFormFixture::SetUp();
        ASSERT_EQ(Application->MainForm(), MainForm);
        PumpMessages(100);
    }

    POINT CentreOf(TControl* control)
    {
        return control->ClientToScreen(POINT{control->Width() / 2, control->Height() / 2});
    }

    // The picture the image shows, 3 colour bytes a pixel.
    std::vector<uint8_t> ShownPixels()
    {
        TBitmap* b = MainForm->image->Bitmap();
        std::vector<uint8_t> out;
        if (!b)
            return out;
        for (int y = 0; y < b->Height(); ++y) {
            const auto* row = static_cast<const uint8_t*>(b->ScanLine(y));
            for (int x = 0; x < b->Width(); ++x)
                out.insert(out.end(), row + 4 * x, row + 4 * x + 3);
        }
        return out;
    }

};

TEST_F(MainFormTest, FirstShowIsSmallCentredAndReady)
{
    EXPECT_EQ(MainForm->Width(), 330);
    EXPECT_EQ(MainForm->Height(), 90);
    RECT r{};
    GetWindowRect(MainForm->Handle(), &r);
    EXPECT_EQ(r.right - r.left, 330);
    EXPECT_EQ(r.bottom - r.top, 90);
    EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 330) / 2);
    EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - 90) / 2);
    EXPECT_EQ(MainForm->Edit1->Text(), L"30");
    const std::wstring caption = MainForm->Caption();
    ASSERT_GT(caption.size(), 9u);
    EXPECT_EQ(caption.substr(caption.size() - 9), L"::Tinteye");
    EXPECT_NE(caption.find(L"::"), 0u) << "a site name comes first";
    EXPECT_FALSE(MainForm->LoopTimer->Enabled());
    EXPECT_FALSE(MainForm->StartTimer->Enabled());
    EXPECT_EQ(MainForm->LoopTimer->Interval(), 100u);
    EXPECT_EQ(MainForm->StartTimer->Interval(), 3000u);
    EXPECT_EQ(MainForm->Font()->Name(), L"ＭＳ Ｐゴシック");
    EXPECT_EQ(MainForm->Font()->Height(), -12);
    EXPECT_EQ(MainForm->StartStopButton->Font()->Name(), L"ＭＳ Ｐゴシック") << "controls inherit the form's font";
    // The toolbar: a tool window docked at row 0, position 0 on a 36-pixel top dock.
    EXPECT_EQ(MainForm->ToolWindow971->DockedTo(), MainForm->Dock971);
    EXPECT_EQ(MainForm->ToolWindow971->DockRow(), 0);
    EXPECT_EQ(MainForm->ToolWindow971->DockPos(), 0);
    EXPECT_EQ(MainForm->ToolWindow971->ClientAreaWidth(), 572);
    EXPECT_EQ(MainForm->ToolWindow971->ClientAreaHeight(), 32);
    EXPECT_EQ(MainForm->Dock971->Top(), 0);
    EXPECT_EQ(MainForm->Dock971->Height(), 36);
    EXPECT_EQ(MainForm->Dock971->Width(), MainForm->ClientWidth());
    EXPECT_EQ(MainForm->StartStopButton->Parent(), MainForm->ToolWindow971);
    EXPECT_EQ(MainForm->ScrollBox1->Top(), 36) << "the scroll box takes what the dock leaves";
}

TEST_F(MainFormTest, ToolbarFloatsInACaptionedToolWindowOfTheMainWindowAndDocksBack)
{
    TToolWindow97* bar = MainForm->ToolWindow971;
    bar->SetDockedTo(nullptr);
    PumpMessages(100);
    ASSERT_FALSE(bar->IsDocked());
    HWND floating = bar->Handle();
    const LONG_PTR style = GetWindowLongPtrW(floating, GWL_STYLE);
    const LONG_PTR exStyle = GetWindowLongPtrW(floating, GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
    EXPECT_TRUE(IsWindowVisible(floating));
    EXPECT_EQ(reinterpret_cast<HWND>(GetWindowLongPtrW(floating, GWLP_HWNDPARENT)), MainForm->Handle());
    EXPECT_EQ(bar->Caption(), L"ToolWindow971");
    EXPECT_EQ(MainForm->Dock971->Height(), 0) << "an empty top dock takes no room";

    bar->SetDockedTo(MainForm->Dock971);
    PumpMessages(100);
    EXPECT_TRUE(bar->IsDocked());
    EXPECT_EQ(bar->DockRow(), 0);
    EXPECT_EQ(bar->DockPos(), 0);
    EXPECT_EQ(MainForm->Dock971->Height(), 36);
    EXPECT_EQ(MainForm->StartStopButton->Parent(), bar);
}

TEST_F(MainFormTest, StartSizesFrameImageAndWindowFromTheTarget)
{
    struct {
        int Width, Height, Half;
    } cases[] = {{640, 400, 320}, {641, 400, 320}, {1, 30, 0}, {0, 0, 0}};
    for (const auto& c : cases) {
        TPatternWindow target(700, 20, c.Width, c.Height);
        BringToFront(target.Handle());
        MainForm->StartTimerTimer(MainForm->StartTimer);
        EXPECT_EQ(MainForm->TargetWnd, target.Handle());
        EXPECT_EQ(MainForm->FrameWidth, c.Width);
        EXPECT_EQ(MainForm->FrameHeight, c.Height);
        EXPECT_EQ(MainForm->CaptureLeft, 700);
        EXPECT_EQ(MainForm->CaptureTop, 20);
        EXPECT_EQ(MainForm->HalfWidth, c.Half);
        EXPECT_EQ(MainForm->image->Width(), c.Half);
        EXPECT_EQ(MainForm->image->Height(), c.Height);
        // The window system keeps a captioned window at least at its minimum tracking size.
        EXPECT_EQ(MainForm->Width(), std::max(c.Half + 40, GetSystemMetrics(SM_CXMINTRACK)));
        EXPECT_EQ(MainForm->Height(), std::max(c.Height + 40, GetSystemMetrics(SM_CYMINTRACK)));
        EXPECT_TRUE(MainForm->LoopTimer->Enabled());
        EXPECT_EQ(MainForm->Rows.size(), static_cast<size_t>(c.Height));
        // A frame tick over any of these must be harmless: it does not stop the loop.
        MainForm->LoopTimerTimer(MainForm->LoopTimer);
        EXPECT_TRUE(MainForm->LoopTimer->Enabled());
    }
}

TEST_F(MainFormTest, OwnWindowInFrontIsCapturedAtItsSizeBeforeTheResize)
{
    BringToFront(MainForm->Handle());
    MainForm->StartTimerTimer(MainForm->StartTimer);
    EXPECT_EQ(MainForm->TargetWnd, MainForm->Handle());
    EXPECT_EQ(MainForm->FrameWidth, 330);
    EXPECT_EQ(MainForm->FrameHeight, 90);
    EXPECT_EQ(MainForm->Width(), 165 + 40);
    EXPECT_EQ(MainForm->Height(), 90 + 40);
}

TEST_F(MainFormTest, TallCapturesGetARowForEveryLine)
{
    TPatternWindow::AllowHugeSizes(true);
    TPatternWindow target(0, 0, 64, 64);
    SetWindowPos(target.Handle(), nullptr, 0, 0, 64, 3000, SWP_NOZORDER | SWP_NOACTIVATE);
    TPatternWindow::AllowHugeSizes(false);
    BringToFront(target.Handle());
    RECT r{};
    GetWindowRect(target.Handle(), &r);
    ASSERT_EQ(r.bottom - r.top, 3000) << "the window system refused the tall window";
    MainForm->StartTimerTimer(MainForm->StartTimer);
    ASSERT_EQ(MainForm->FrameHeight, 3000);
    ASSERT_EQ(MainForm->Rows.size(), 3000u);
    EXPECT_EQ(MainForm->Rows[2999], MainForm->Frame->ScanLine(2999));
    MainForm->LoopTimerTimer(MainForm->LoopTimer);
    // Every one of the 3000 rows was composed and shown, the last one too.
    EXPECT_TRUE(ShownPixels() == ExpectedPixels(r, 30)) << "the tall frame was not shown whole";
}

TEST_F(MainFormTest, ImageShowsExactlyTheAnaglyphOfTheTargetAndStopFreezesIt)
{
    TPatternWindow target(760, 30, 400, 240, 1);
    // A real click on Start, then the target in front within the three seconds.
    ClickAt(CentreOf(MainForm->StartStopButton));
    ASSERT_TRUE(MainForm->StartTimer->Enabled());
    BringToFront(target.Handle());
    ASSERT_TRUE(PumpUntil([] { return MainForm->Frame != nullptr; }, 5000));
    EXPECT_EQ(MainForm->TargetWnd, target.Handle());
    EXPECT_EQ(MainForm->Offset, 30);
    ASSERT_TRUE(PumpUntil([] { return MainForm->image->Bitmap() != nullptr; }, 1000));
    PumpMessages(250);

    RECT r{};
    GetWindowRect(target.Handle(), &r);
    const std::vector<uint8_t> expected = ExpectedPixels(r, 30);
    ASSERT_EQ(expected.size(), static_cast<size_t>(200 * 240 * 3));
    EXPECT_TRUE(ShownPixels() == expected) << "the image is not the anaglyph of the target";

    // Stop: the last picture stays although the target changes.
    ClickAt(CentreOf(MainForm->StopBtn));
    EXPECT_FALSE(MainForm->LoopTimer->Enabled());
    const std::vector<uint8_t> frozen = ShownPixels();
    target.SetSeed(2);
    BringToFront(target.Handle());
    PumpMessages(350);
    EXPECT_TRUE(ShownPixels() == frozen);
    EXPECT_FALSE(ExpectedPixels(r, 30) == frozen) << "the target did change";
}

TEST_F(MainFormTest, StartTwiceWithinTheWaitGivesOneSetupThreeSecondsAfterTheFirst)
{
    TPatternWindow target(760, 30, 120, 80);
    const ULONGLONG first = GetTickCount64();
    ClickAt(CentreOf(MainForm->StartStopButton));
    PumpMessages(1000);
    ClickAt(CentreOf(MainForm->StartStopButton));
    BringToFront(target.Handle());
    ASSERT_TRUE(PumpUntil([] { return MainForm->Frame != nullptr; }, 6000));
    const ULONGLONG setupAt = GetTickCount64() - first;
    EXPECT_GE(setupAt, 2900u);
    EXPECT_LT(setupAt, 3900u) << "the second press must not restart the wait";
    const TBitmap* frame = MainForm->Frame.get();
    PumpMessages(1500);
    EXPECT_EQ(MainForm->Frame.get(), frame) << "a second setup replaced the frame";
    EXPECT_FALSE(MainForm->StartTimer->Enabled());
}

TEST_F(MainFormTest, StopDuringTheWaitDoesNotCancelIt)
{
    TPatternWindow target(760, 30, 120, 80);
    ClickAt(CentreOf(MainForm->StartStopButton));
    PumpMessages(500);
    ClickAt(CentreOf(MainForm->StopBtn));
    BringToFront(target.Handle());
    ASSERT_TRUE(PumpUntil([] { return MainForm->Frame != nullptr; }, 5000));
    EXPECT_TRUE(MainForm->LoopTimer->Enabled());
}

TEST_F(MainFormTest, NonIntegerOffsetIsReportedAndChangesNothing)
{
    TErrorRecorder recorder;
    MainForm->Edit1->SetText(L"abc");
    MainForm->StartTimer->SetEnabled(true);
    {
        // Another program's window is in front when the error comes: the box still belongs to
        // the main window (modal to it) and is brought to the front.
        TPatternWindow front(400, 300, 200, 120);
        BringToFront(front.Handle());
        ASSERT_TRUE(PumpUntil([&] { return !recorder.Errors.empty(); }, 5000));
        ASSERT_NE(GetActiveWindow(), MainForm->Handle());
    }
    ASSERT_EQ(recorder.Errors.size(), 1u);
    EXPECT_EQ(recorder.Errors[0].Text, L"'abc' は整数ではありません.");
    EXPECT_EQ(recorder.Errors[0].Caption, Application->Title());
    EXPECT_EQ(recorder.Errors[0].Owner, MainForm->Handle());
    EXPECT_EQ(recorder.Errors[0].Style, static_cast<UINT>(MB_OK | MB_ICONERROR | MB_SETFOREGROUND));
    EXPECT_EQ(MainForm->Frame, nullptr);
    EXPECT_FALSE(MainForm->LoopTimer->Enabled());
    EXPECT_FALSE(MainForm->StartTimer->Enabled());

    // With a capture running, a bad offset leaves it running with the old offset.
    TPatternWindow target(760, 30, 120, 80);
    MainForm->Edit1->SetText(L"$10");
    MainForm->StartTimerTimer(MainForm->StartTimer);
    ASSERT_EQ(MainForm->Offset, 16);
    const TBitmap* frame = MainForm->Frame.get();
    MainForm->Edit1->SetText(L"12 ");
    MainForm->StartTimer->SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return recorder.Errors.size() == 2; }, 5000));
    EXPECT_EQ(recorder.Errors[1].Text, L"'12 ' は整数ではありません.");
    EXPECT_EQ(MainForm->Offset, 16);
    EXPECT_EQ(MainForm->Frame.get(), frame);
    EXPECT_TRUE(MainForm->LoopTimer->Enabled());
}

TEST_F(MainFormTest, AFrameThatCannotBeAllocatedIsReportedAndTheRunningCaptureGoesOn)
{
    TErrorRecorder recorder;
    TPatternWindow small(760, 30, 120, 80);
    MainForm->StartTimerTimer(MainForm->StartTimer);
    const TBitmap* frame = MainForm->Frame.get();
    ASSERT_NE(frame, nullptr);

    TPatternWindow other(300, 40, 200, 100);
    BringToFront(other.Handle());
    SetBitmapCreationFailure(true);
    TScopeExit restore([] { SetBitmapCreationFailure(false); });
    MainForm->StartTimer->SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return !recorder.Errors.empty(); }, 5000));
    SetBitmapCreationFailure(false);
    EXPECT_EQ(recorder.Errors[0].Text, L"Not enough memory for a 200 \u00D7 100 bitmap.");
    EXPECT_EQ(MainForm->Frame.get(), frame);
    EXPECT_EQ(MainForm->FrameWidth, 120);
    EXPECT_TRUE(MainForm->LoopTimer->Enabled());
    // The old capture goes on: the next tick shows the old rectangle.
    MainForm->LoopTimerTimer(MainForm->LoopTimer);
    RECT r{};
    GetWindowRect(small.Handle(), &r);
    EXPECT_TRUE(ShownPixels() == ExpectedPixels(r, 30));
}

TEST_F(MainFormTest, AFailingFrameTickStopsTheLoopReportsOnceAndALaterStartWorks)
{
    TErrorRecorder recorder;
    TPatternWindow target(760, 30, 120, 80);
    BringToFront(target.Handle());
    MainForm->StartTimerTimer(MainForm->StartTimer);
    // The image's surface is made on the first tick; that allocation fails.
    SetBitmapCreationFailure(true);
    TScopeExit restore([] { SetBitmapCreationFailure(false); });
    ASSERT_TRUE(PumpUntil([&] { return !recorder.Errors.empty(); }, 2000));
    PumpMessages(600);
    SetBitmapCreationFailure(false);
    EXPECT_EQ(recorder.Errors.size(), 1u) << "one report, not one every tick";
    EXPECT_FALSE(MainForm->LoopTimer->Enabled());
    EXPECT_EQ(MainForm->image->Bitmap(), nullptr);

    MainForm->StartTimerTimer(MainForm->StartTimer);
    ASSERT_TRUE(PumpUntil([] { return MainForm->image->Bitmap() != nullptr; }, 2000));
    PumpMessages(250);
    EXPECT_EQ(recorder.Errors.size(), 1u);
    EXPECT_TRUE(MainForm->LoopTimer->Enabled());
    RECT r{};
    GetWindowRect(target.Handle(), &r);
    EXPECT_TRUE(ShownPixels() == ExpectedPixels(r, 30));
}

TEST_F(MainFormTest, ClosingReleasesTheCaptureAndEndsTheProgram)
{
    // Before any start: nothing to release, nothing fails.
    const TGdiCounts before = GdiLiveCounts();
    TCloseAction action = caHide;
    MainForm->FormClose(MainForm, action);
    EXPECT_EQ(GdiLiveCounts().DCs, before.DCs);
    EXPECT_EQ(GdiLiveCounts().Objects, before.Objects);

    // Running: the close releases frame and DC, and no later tick touches them.
    TPatternWindow target(760, 30, 120, 80);
    MainForm->StartTimerTimer(MainForm->StartTimer);
    ASSERT_NE(MainForm->DesktopDC, nullptr);
    MainForm->FormClose(MainForm, action);
    EXPECT_EQ(MainForm->Frame, nullptr);
    EXPECT_EQ(MainForm->DesktopDC, nullptr);
    EXPECT_FALSE(MainForm->LoopTimer->Enabled());
    MainForm->LoopTimerTimer(MainForm->LoopTimer);
    EXPECT_EQ(MainForm->Frame, nullptr) << "a tick after the close touched the capture";

    // Quit during the wait: the main window closes, the loop is told to end, nothing is captured.
    MainForm->SetBounds(MainForm->Left(), MainForm->Top(), 330, 90);  // the buttons in view again
    BringToFront(MainForm->Handle());
    ClickAt(CentreOf(MainForm->StartStopButton));
    ASSERT_TRUE(MainForm->StartTimer->Enabled());
    ClickAt(CentreOf(MainForm->QuitBtn));
    EXPECT_TRUE(Application->Terminated()) << "the message loop was not told to end";
    PumpMessages(3500);  // past the end of the wait
    EXPECT_EQ(MainForm->Frame, nullptr) << "a capture started after Quit";
    EXPECT_FALSE(MainForm->StartTimer->Enabled());
}

TEST_F(MainFormTest, ShippedLayoutHoldsEveryComponentAsDesigned)
{
    // Bounds, texts and tab orders of the file the program loads, against the design table.
    struct {
        TControl* Control;
        TWinControl* Parent;
        int Left, Top, Width, Height;
        const wchar_t* Text;
        int TabOrder;
    } cases[] = {
        {MainForm->StartStopButton, MainForm->ToolWindow971, 0, 0, 89, 32, L"Start", 0},
        {MainForm->StopBtn, MainForm->ToolWindow971, 88, 0, 89, 33, L"Stop", 1},
        {MainForm->QuitBtn, MainForm->ToolWindow971, 176, 0, 89, 33, L"Quit", 2},
        {MainForm->Edit1, MainForm->ToolWindow971, 272, 3, 49, 25, L"30", 3},
        {MainForm->image, MainForm->ScrollBox1, 0, 0, 428, 247, nullptr, -1},
    };
    for (const auto& c : cases) {
        ASSERT_NE(c.Control, nullptr);
        const std::string name = Narrow(c.Control->Name());
        EXPECT_EQ(c.Control->Parent(), c.Parent) << name;
        EXPECT_EQ(c.Control->Left(), c.Left) << name;
        EXPECT_EQ(c.Control->Top(), c.Top) << name;
        EXPECT_EQ(c.Control->Width(), c.Width) << name;
        EXPECT_EQ(c.Control->Height(), c.Height) << name;
        if (c.Text)
            EXPECT_EQ(c.Control == MainForm->Edit1 ? MainForm->Edit1->Text() : c.Control->Caption(), c.Text) << name;
        if (c.TabOrder >= 0)
            EXPECT_EQ(static_cast<TWinControl*>(c.Control)->TabOrder(), c.TabOrder) << name;
    }
    EXPECT_EQ(MainForm->Caption(), L"tinteye.example.jp::Tinteye");
    EXPECT_EQ(MainForm->ToolWindow971->Caption(), L"ToolWindow971");
    EXPECT_EQ(MainForm->ToolWindow971->TabOrder(), 0);
    EXPECT_EQ(MainForm->ScrollBox1->Align(), alClient);
    EXPECT_EQ(MainForm->ScrollBox1->TabOrder(), 1);
    EXPECT_EQ(MainForm->ScrollBox1->Top(), 36);
    EXPECT_EQ(MainForm->ScrollBox1->Width(), MainForm->ClientWidth());
    EXPECT_EQ(MainForm->ScrollBox1->Height(), MainForm->ClientHeight() - 36);
    EXPECT_EQ(MainForm->Position(), poScreenCenter);
    EXPECT_EQ(MainForm->Color(), clBtnFace);
    EXPECT_EQ(MainForm->Font()->Charset(), SHIFTJIS_CHARSET);
    EXPECT_EQ(MainForm->Font()->Color(), clWindowText);
    EXPECT_FALSE(MainForm->image->Stretch() || MainForm->image->Center());
}

size_t PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                         sizeof(counters));
    return counters.PrivateUsage;
}

TEST_F(MainFormTest, ThousandStartsAndTenThousandFramesLeaveNothingBehind)
{
    TPatternWindow target(760, 30, 160, 90);
    BringToFront(target.Handle());
    MainForm->StartTimerTimer(MainForm->StartTimer);
    MainForm->LoopTimerTimer(MainForm->LoopTimer);  // the image's surface is made on the first frame
    const TGdiCounts before = GdiLiveCounts();
    const size_t memoryBefore = PrivateBytes();
    for (int i = 0; i < 1000; ++i)
        MainForm->StartTimerTimer(MainForm->StartTimer);
    for (int i = 0; i < 10000; ++i)
        MainForm->LoopTimerTimer(MainForm->LoopTimer);
    const TGdiCounts after = GdiLiveCounts();
    EXPECT_EQ(after.Objects, before.Objects);
    EXPECT_EQ(after.DCs, before.DCs);
    EXPECT_LT(PrivateBytes(), memoryBefore + 4 * 1024 * 1024) << "memory grew by "
                                                              << (PrivateBytes() - memoryBefore) / 1024 << " KiB";
    TCloseAction action = caHide;
    MainForm->FormClose(MainForm, action);
}

}  // namespace
