// The main window away from 96 DPI. CTest's app_tests_144dpi runs these on a display really at
// 144 DPI (the runner's TINTEYE_DPI); on a 96-DPI display the toolkit is told 144.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <tuple>

#include "Dpi.h"
#include "MainFormFixture.h"

namespace {

// A length designed at 96 DPI at another DPI, halves away from zero: apart from the toolkit's rule.
int At(int dpi, int length)
{
    return static_cast<int>(std::lround(length * dpi / 96.0));
}

template <int LoadDpi>  // 0: the display's, or 144 on a 96-DPI one
class DpiFixture : public TMainFormFixture {
protected:
    void SetUp() override
    {
        SetAssumedDisplayDpi(0);
        const int real = ScreenDpi();
        Dpi = LoadDpi ? LoadDpi : real != 96 ? real : 144;
        SetAssumedDisplayDpi(Dpi == real ? 0 : Dpi);
        TMainFormFixture::SetUp();
    }
    void TearDown() override
    {
        TMainFormFixture::TearDown();
        SetAssumedDisplayDpi(0);
    }
    int Dpi = 0;
};
using DpiTest = DpiFixture<0>;
using DpiChangeTest = DpiFixture<96>;

// Left, top, width and height.
std::tuple<int, int, int, int> Box(const RECT& r)
{
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

// Every component where the window system has it, against its edges designed at 96 DPI scaled
// (-1: the form's client edge, which the bars span); the image holds a picture's size once started.
void ExpectLayoutAt(int dpi)
{
    TMainForm* f = MainForm;
    auto in = [](TWinControl* c) {
        RECT r{};
        GetWindowRect(c->Handle(), &r);
        MapWindowPoints(HWND_DESKTOP, GetParent(c->Handle()), reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    auto client = [](TWinControl* c) { RECT r{}; GetClientRect(c->Handle(), &r); return r; };
    const struct { TControl* Control; RECT At96, Now; } rows[] = {
        {f->StartStopButton, {0, 0, 89, 32}, in(f->StartStopButton)}, {f->StopBtn, {88, 0, 177, 33}, in(f->StopBtn)},
        {f->QuitBtn, {176, 0, 265, 33}, in(f->QuitBtn)},              {f->Edit1, {272, 3, 321, 28}, in(f->Edit1)},
        {f->ToolWindow971, {0, 0, 572, 32}, client(f->ToolWindow971)}, {f->Dock971, {0, 0, -1, 36}, in(f->Dock971)},
        {f->ScrollBox1, {0, 36, -1, -1}, in(f->ScrollBox1)},         {f->image, {0, 0, 428, 247}, f->image->BoundsRect()},
    };
    const RECT form = client(f);
    for (const auto& row : rows) {
        const RECT& d = row.At96;
        const RECT want{At(dpi, d.left), At(dpi, d.top), d.right < 0 ? form.right : At(dpi, d.right),
                        d.bottom < 0 ? form.bottom : At(dpi, d.bottom)};
        if (row.Control != f->image || !f->Frame) {
            EXPECT_EQ(Box(row.Now), Box(want)) << Narrow(row.Control->Name());
        }
        EXPECT_EQ(row.Control->Font()->Height(), At(dpi, -12)) << Narrow(row.Control->Name());
    }
    EXPECT_EQ(std::make_pair(f->PixelsPerInch(), f->TextHeight()), std::make_pair(dpi, At(dpi, 12)));
    EXPECT_EQ(f->Font()->Size(), 9) << "points stay points";
}

TEST_F(DpiTest, LayoutAndFirstShowAreScaledOnLoadAndACaptureIsShownOneToOneInsideTheScaledMargin)
{
    ExpectLayoutAt(Dpi);
    RECT r{};
    GetWindowRect(MainForm->Handle(), &r);
    const int width = At(Dpi, 330), height = At(Dpi, 90);
    EXPECT_EQ(Box(r), std::make_tuple((GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                                      (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height));
    for (const bool half : {false, true}) {
        MainForm->SetHalfWidthPair(half);
        TPatternWindow target(700, 40, 401 - half, 243, 5);
        const std::vector<uint8_t> expected = ExpectedPixels(StartOn(target), 30);
        EXPECT_EQ(std::make_pair(MainForm->Width(), MainForm->Height()),
                  std::make_pair(200 * (half ? 2 : 1) + At(Dpi, 40), 243 + At(Dpi, 40)));
        MainForm->SetBounds(0, 300, MainForm->Width(), MainForm->Height());
        ExpectScreenShows(expected, 200, 243, half ? 2 : 1);
    }
}

TEST_F(DpiChangeTest, WmDpiChangedScalesTheControlsAroundAPictureThatStaysOneToOne)
{
    TPatternWindow target(700, 40, 401, 243, 6);
    const std::vector<uint8_t> expected = ExpectedPixels(StartOn(target), 30);
    ASSERT_EQ(std::make_pair(MainForm->Width(), MainForm->Height()), std::make_pair(240, 283));
    const struct { int Dpi; bool Running; RECT Suggested, Window; } rows[] = {
        {144, true, {10, 320, 370, 745}, {10, 320, 370, 745}},  // 1.5 times the window: taken
        {96, false, {20, 330, 260, 530}, {20, 330, 260, 613}},  // too low for the frozen picture + 40
        {144, false, {0, 300, 240, 583}, {0, 300, 260, 603}},   // the 96-DPI size: short of picture + 60
    };
    for (const auto& c : rows) {
        MainForm->LoopTimer->SetEnabled(c.Running);
        SendMessageW(MainForm->Handle(), WM_DPICHANGED, MAKEWPARAM(c.Dpi, c.Dpi), reinterpret_cast<LPARAM>(&c.Suggested));
        RECT now{};
        GetWindowRect(MainForm->Handle(), &now);
        EXPECT_EQ(Box(now), Box(c.Window)) << c.Dpi;
        ExpectLayoutAt(c.Dpi);
        ExpectScreenShows(expected, 200, 243, 1);
    }
    StartOn(target);
    EXPECT_EQ(std::make_pair(MainForm->Width(), MainForm->Height()), std::make_pair(260, 303)) << "a start at 144";
}

}  // namespace
