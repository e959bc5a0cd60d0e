// Glasses, pair layouts and what is shown, under Wine: chosen in the submenus with real keys, and
// the picture read back from the real screen against the composition's scalar kernel.
#include <gtest/gtest.h>

#include <windows.h>

#include "InputScript.h"
#include "MainFormFixture.h"

namespace {

class StereoTest : public TMainFormFixture {
protected:
    // What the form's options make of the screen's rectangle r with the picture's top-left at At
    // on the screen: 4 bytes a pixel, ShownWidth x ShownHeight.
    static std::vector<uint8_t> Expected(const RECT& r, POINT At, SIZE& shown)
    {
        TComposeOptions o;
        o.FrameWidth = r.right - r.left;
        o.FrameHeight = r.bottom - r.top;
        o.Offset = 30;
        o.Glasses = MainForm->Glasses();
        o.Method = MainForm->Method();
        o.Pair = MainForm->Pair();
        o.Swap = MainForm->SwapEyes();
        o.Show = MainForm->ShowMode();
        o.HalfPair = MainForm->HalfWidthPair();
        const TComposePlan plan = MakeComposePlan(o);
        std::vector<uint8_t> frame = GrabScreen(r), out(size_t(plan.ShownWidth) * size_t(plan.ShownHeight) * 4);
        std::vector<uint8_t*> rows, outRows;
        for (int y = 0; y < o.FrameHeight; ++y)
            rows.push_back(frame.data() + size_t(y) * size_t(o.FrameWidth) * 4);
        for (int y = 0; y < plan.ShownHeight; ++y)
            outRows.push_back(out.data() + size_t(y) * size_t(plan.ShownWidth) * 4);
        EXPECT_TRUE(ComposeFrameWith(ciScalar, plan, rows.data(), outRows.data(), At.x, At.y));
        shown = SIZE{plan.ShownWidth, plan.ShownHeight};
        return out;
    }

    // The next frame with the form at (Left, Top), the whole picture in view, checked on the screen.
    static void ExpectNextFrameOnScreen(const RECT& r, int Left, int Top, const char* what)
    {
        MainForm->SetBounds(Left, Top, 720, 560);
        BringToFront(MainForm->Handle());
        PumpMessages(100);
        MainForm->LoopTimerTimer(MainForm->LoopTimer);
        PumpMessages(250);
        const POINT at = MainForm->image->ClientToScreen(POINT{0, 0});
        SIZE shown{};
        const std::vector<uint8_t> expected = Expected(r, at, shown);
        ASSERT_EQ(std::make_pair(MainForm->image->Width(), MainForm->image->Height()), std::make_pair(int(shown.cx), int(shown.cy)))
            << what;
        const std::vector<uint8_t> screen = GrabScreen(RECT{at.x, at.y, at.x + shown.cx, at.y + shown.cy});
        int wrong = 0;
        for (size_t i = 0; i < expected.size(); ++i)
            wrong += i % 4 != 3 && screen[i] != expected[i];
        EXPECT_EQ(wrong, 0) << what << ": of " << shown.cx << " x " << shown.cy << " pixels";
    }
};

TEST_F(StereoTest, SubmenuItemsAreChosenWithRealKeysAndTheMenuFollowsTheChoice)
{
    MainForm->SetBounds(0, 250, 720, 420);
    BringToFront(MainForm->Handle());
    TMenuItem* const root = MainForm->OptionsMenu->Items();
    // Downs: to the submenu's item among the top-level items (separators not counted), then within it.
    struct { int Downs, SubDowns; std::function<bool()> Done; } rows[] = {
        {4, 1, [&] { return MainForm->Glasses() == glGreenMagenta && root->Items(5)->Enabled(); }},
        {9, 1, [&] { return MainForm->Pair() == plTopAndBottom && root->Items(12)->Caption() == L"Half-height pair"; }},
        {12, 3, [] { return MainForm->ShowMode() == smInterleavedRows && MainForm->View().OneToOneOnly(); }},
        // Grey only: the methods disabled with grey checked, the method chosen kept for the others.
        {4, 3, [&] {
             return MainForm->Glasses() == glRedBlue && !root->Items(5)->Enabled() && root->Items(7)->Checked() &&
                    MainForm->Method() == amColour;
         }},
        {12, 0, [] { return MainForm->ShowMode() == smAnaglyph && !MainForm->View().OneToOneOnly(); }},
    };
    for (const auto& c : rows) {
        TInputScript script;
        script.Move(MainForm->image->ClientToScreen(POINT{40, 40})).Then([] { SendMouseButton(true, true); }).Then([] {
            SendMouseButton(false, true);
        }).Wait(2);
        for (int i = 0; i < c.Downs; ++i)
            script.Key(VK_DOWN, true).Key(VK_DOWN, false);
        script.Key(VK_RIGHT, true).Key(VK_RIGHT, false);  // opens the submenu on its first item
        for (int i = 0; i < c.SubDowns; ++i)
            script.Key(VK_DOWN, true).Key(VK_DOWN, false);
        ASSERT_TRUE(script.Key(VK_RETURN, true).Key(VK_RETURN, false).Run());
        PumpMessages(50);
        EXPECT_TRUE(c.Done()) << c.Downs << " " << c.SubDowns;
    }
}

TEST_F(StereoTest, EachGlassesPairAndViewIsShownOnTheScreenAsComposed)
{
    struct { TGlasses Glasses; TAnaglyphMethod Method; TPairLayout Pair; bool Swap, Half; TShowMode Show; int Width, Height; }
        rows[] = {
            {glGreenMagenta, amDubois, plSideBySide, false, false, smAnaglyph, 401, 240},
            {glAmberBlue, amHalfColour, plSideBySide, true, false, smAnaglyph, 400, 241},
            {glAmberBlue, amDubois, plTopAndBottom, false, false, smAnaglyph, 360, 241},
            {glRedCyan, amColour, plTopAndBottom, true, true, smAnaglyph, 301, 200},
            {glRedGreen, amDubois, plTopAndBottom, false, false, smLeftView, 250, 180},
            {glRedCyan, amGrey, plSideBySide, true, true, smRightView, 250, 180},
        };
    for (const auto& c : rows) {
        MainForm->SetGlasses(c.Glasses);
        MainForm->SetMethod(c.Method);
        MainForm->SetPair(c.Pair);
        MainForm->SetSwapEyes(c.Swap);
        MainForm->SetHalfWidthPair(c.Half);
        MainForm->SetShowMode(c.Show);
        TPatternWindow target(760, 30, c.Width, c.Height, 4);
        const RECT r = StartOn(target);
        ExpectNextFrameOnScreen(r, 0, 200, "start");
    }
}

TEST_F(StereoTest, InterleavingsFollowTheScreenParityWhenTheWindowMovesByOnePixel)
{
    struct { TShowMode Show; TPairLayout Pair; bool Half, Swap; int Dx, Dy; } rows[] = {
        {smInterleavedRows, plSideBySide, false, false, 0, 1},
        {smInterleavedRows, plTopAndBottom, true, true, 0, 1},
        {smInterleavedColumns, plSideBySide, true, false, 1, 0},
        {smCheckerboard, plSideBySide, false, true, 1, 0},
    };
    for (const auto& c : rows) {
        MainForm->SetShowMode(c.Show);
        MainForm->SetPair(c.Pair);
        MainForm->SetHalfWidthPair(c.Half);
        MainForm->SetSwapEyes(c.Swap);
        TPatternWindow target(760, 30, 301, 243, 3);
        const RECT r = StartOn(target);
        ExpectNextFrameOnScreen(r, 10, 200, "before the move");
        ExpectNextFrameOnScreen(r, 10 + c.Dx, 200 + c.Dy, "after the move");
    }
}

}  // namespace
