// The main window away from 96 DPI: the shipped layout scaled on load, a capture shown 1:1 in a
// window of the picture and the scaled margin, and WM_DPICHANGED around a running capture. The
// app_tests_144dpi test entry runs these on a display really at 144 DPI (the runner's
// TINTEYE_DPI); on a 96-DPI display the toolkit is told 144.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cmath>

#include "Dpi.h"
#include "MainFormFixture.h"

namespace {

// A length designed at 96 DPI at another DPI: halves away from zero, written apart from the toolkit.
int At(int dpi, int length)
{
    return static_cast<int>(std::lround(length * dpi / 96.0));
}

int RealDpi()
{
    SetAssumedDisplayDpi(0);
    return ScreenDpi();
}

class DpiTest : public TMainFormFixture {
protected:
    // The DPI of the display the form is made on.
    virtual int LoadDpi() const { return RealDpi() != 96 ? RealDpi() : 144; }
    void SetUp() override
    {
        Dpi = LoadDpi();
        SetAssumedDisplayDpi(Dpi == RealDpi() ? 0 : Dpi);
        TMainFormFixture::SetUp();
        PumpMessages(100);
    }
    void TearDown() override
    {
        TMainFormFixture::TearDown();
        SetAssumedDisplayDpi(0);
    }
    int Dpi = 96;
};

class DpiChangeTest : public DpiTest {
protected:
    int LoadDpi() const override { return 96; }
};

RECT InParent(TWinControl* c)
{
    RECT r{};
    GetWindowRect(c->Handle(), &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(c->Handle()), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

RECT ClientOf(TWinControl* c)
{
    RECT r{};
    GetClientRect(c->Handle(), &r);
    return r;
}

// Every component of the shipped layout where the window system has it, against its designed
// edges at 96 DPI scaled (-1: the edge of the form's client area, which the bars span).
void ExpectLayoutAt(int dpi)
{
    TMainForm* f = MainForm;
    const struct {
        TControl* Control;
        RECT At96, Now;
    } rows[] = {
        {f->StartStopButton, {0, 0, 89, 32}, InParent(f->StartStopButton)},
        {f->StopBtn, {88, 0, 177, 33}, InParent(f->StopBtn)},
        {f->QuitBtn, {176, 0, 265, 33}, InParent(f->QuitBtn)},
        {f->Edit1, {272, 3, 321, 28}, InParent(f->Edit1)},
        {f->ToolWindow971, {0, 0, 572, 32}, ClientOf(f->ToolWindow971)},
        {f->Dock971, {0, 0, -1, 36}, InParent(f->Dock971)},
        {f->ScrollBox1, {0, 36, -1, -1}, InParent(f->ScrollBox1)},
        {f->image, {0, 0, 428, 247}, f->image->BoundsRect()},
    };
    const RECT client = ClientOf(f);
    for (const auto& row : rows) {
        if (row.Control == f->image && f->Frame)
            continue;  // the picture's size at every DPI (ExpectPictureOneToOne)
        const std::string name = Narrow(row.Control->Name());
        const RECT& d = row.At96;
        const RECT want{At(dpi, d.left), At(dpi, d.top), d.right < 0 ? client.right : At(dpi, d.right),
                        d.bottom < 0 ? client.bottom : At(dpi, d.bottom)};
        EXPECT_TRUE(EqualRect(&row.Now, &want)) << name << " at " << row.Now.left << ", " << row.Now.top << ", "
                                                << row.Now.right << ", " << row.Now.bottom;
        EXPECT_EQ(row.Control->Font()->Height(), At(dpi, -12)) << name;
    }
    EXPECT_EQ(f->PixelsPerInch(), dpi);
    EXPECT_EQ(f->TextHeight(), At(dpi, 12));
    EXPECT_EQ(f->Font()->Size(), 9) << "points stay points";
}

// Starts capturing the target; the loop is left as Running says.
RECT StartOn(TPatternWindow& target, bool Running)
{
    BringToFront(target.Handle());
    MainForm->StartTimerTimer(MainForm->StartTimer);
    MainForm->LoopTimerTimer(MainForm->LoopTimer);
    MainForm->LoopTimer->SetEnabled(Running);
    RECT r{};
    GetWindowRect(target.Handle(), &r);
    return r;
}

// The picture is the image's size, and so is its surface; the screen shows it 1:1 from the image's
// top-left corner, its whole width in view: `expected` (half pixels a row), each pixel repeat times.
void ExpectPictureOneToOne(const std::vector<uint8_t>& expected, int half, int height, int repeat)
{
    BringToFront(MainForm->Handle());
    PumpMessages(250);
    TImage* image = MainForm->image;
    const int width = half * repeat;
    EXPECT_EQ(std::make_pair(image->Width(), image->Height()), std::make_pair(width, height));
    ASSERT_NE(image->Bitmap(), nullptr);
    EXPECT_EQ(std::make_pair(image->Bitmap()->Width(), image->Bitmap()->Height()), std::make_pair(width, height));
    const RECT box = MainForm->ScrollBox1->ClientRect();
    const int inViewWidth = std::min<int>(box.right - image->Left(), width);
    const int inViewHeight = std::min<int>(box.bottom - image->Top(), height);
    EXPECT_EQ(inViewWidth, width);
    ASSERT_GT(inViewHeight, 0);
    const POINT o = image->ClientToScreen(POINT{0, 0});
    const std::vector<uint8_t> screen = GrabScreen(RECT{o.x, o.y, o.x + inViewWidth, o.y + inViewHeight});
    int wrong = 0;
    for (int y = 0; y < inViewHeight; ++y)
        for (int x = 0; x < inViewWidth; ++x)
            for (int c = 0; c < 3; ++c)
                wrong += screen[static_cast<size_t>((y * inViewWidth + x) * 4 + c)] !=
                         expected[static_cast<size_t>((y * half + x / repeat) * 3 + c)];
    EXPECT_EQ(wrong, 0) << "of " << inViewWidth << " x " << inViewHeight << " pixels";
}

TEST_F(DpiTest, ShippedLayoutIsScaledOnLoadAndTheFirstShowToo)
{
    ExpectLayoutAt(Dpi);
    RECT r{};
    GetWindowRect(MainForm->Handle(), &r);
    EXPECT_EQ(std::make_pair(int(r.right - r.left), int(r.bottom - r.top)), std::make_pair(At(Dpi, 330), At(Dpi, 90)));
    EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - At(Dpi, 330)) / 2);
    EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - At(Dpi, 90)) / 2);
}

TEST_F(DpiTest, CaptureIsShownOneToOneInAWindowOfThePictureAndTheScaledMargin)
{
    const struct {
        int Width, Height;
        bool Half;
    } rows[] = {{401, 243, false}, {400, 241, true}};
    for (const auto& c : rows) {
        MainForm->SetHalfWidthPair(c.Half);
        TPatternWindow target(700, 40, c.Width, c.Height, 5);
        const RECT r = StartOn(target, false);
        const int shown = c.Width / 2 * (c.Half ? 2 : 1);
        EXPECT_EQ(std::make_pair(MainForm->Width(), MainForm->Height()),
                  std::make_pair(shown + At(Dpi, 40), c.Height + At(Dpi, 40)));
        MainForm->SetBounds(0, 300, MainForm->Width(), MainForm->Height());
        ExpectPictureOneToOne(ExpectedPixels(r, 30), c.Width / 2, c.Height, c.Half ? 2 : 1);
    }
}

TEST_F(DpiChangeTest, WmDpiChangedScalesTheControlsAroundAPictureThatStaysOneToOne)
{
    TPatternWindow target(700, 40, 401, 243, 6);
    const RECT r = StartOn(target, true);
    ASSERT_EQ(std::make_pair(MainForm->Width(), MainForm->Height()), std::make_pair(240, 283));
    const std::vector<uint8_t> expected = ExpectedPixels(r, 30);
    const struct {
        int Dpi;
        bool Running;
        RECT Suggested, Window;
    } rows[] = {
        // The window system's rectangle, 1.5 times the window: taken as it is.
        {144, true, {10, 320, 370, 745}, {10, 320, 370, 745}},
        // Back at 96 the suggestion is too low for the frozen picture and its 40 pixels.
        {96, false, {20, 330, 260, 530}, {20, 330, 260, 613}},
        // The 96-DPI size at 144: both ways short of the picture and its 60 pixels.
        {144, false, {0, 300, 240, 583}, {0, 300, 260, 603}},
    };
    for (const auto& c : rows) {
        MainForm->LoopTimer->SetEnabled(c.Running);
        SendMessageW(MainForm->Handle(), WM_DPICHANGED, MAKEWPARAM(c.Dpi, c.Dpi), reinterpret_cast<LPARAM>(&c.Suggested));
        RECT now{};
        GetWindowRect(MainForm->Handle(), &now);
        EXPECT_TRUE(EqualRect(&now, &c.Window)) << c.Dpi << ": " << now.left << ", " << now.top << ", " << now.right
                                                << ", " << now.bottom;
        ExpectLayoutAt(c.Dpi);
        ExpectPictureOneToOne(expected, 200, 243, 1);
        EXPECT_EQ(MainForm->LoopTimer->Enabled(), c.Running);
    }
    StartOn(target, false);
    EXPECT_EQ(std::make_pair(MainForm->Width(), MainForm->Height()), std::make_pair(260, 303)) << "a start at 144";
}

}  // namespace
