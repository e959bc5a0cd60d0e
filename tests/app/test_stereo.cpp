// Glasses, pair layouts and what is shown, under Wine: chosen in the submenus with real keys, and
// the picture read back from the real screen against the composition's scalar kernel.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <functional>
#include <tuple>
#include <vector>

#include "InputScript.h"
#include "MainFormFixture.h"

namespace {

class StereoTest : public TMainFormFixture {
protected:
    // The next frame of screen rectangle r with the form at (Left, Top), the whole picture in view,
    // against what the form's options make of r by the scalar kernel.
    static void ExpectNextFrameOnScreen(const RECT& r, int Left, int Top, const char* what)
    {
        MainForm->SetBounds(Left, Top, 720, 560);
        BringToFront(MainForm->Handle());
        PumpMessages(100);
        MainForm->LoopTimerTimer(MainForm->LoopTimer);
        PumpMessages(250);
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
        const POINT at = MainForm->image->ClientToScreen(POINT{0, 0});
        EXPECT_TRUE(ComposeFrameWith(ciScalar, plan, rows.data(), outRows.data(), at.x, at.y));
        ASSERT_EQ(std::make_tuple(MainForm->image->Width(), MainForm->image->Height(), MainForm->ScrollBox1->ClientHeight() >= plan.ShownHeight),
                  std::make_tuple(plan.ShownWidth, plan.ShownHeight, true)) << what;
        EXPECT_EQ(WrongOnScreen(out, plan.ShownWidth, plan.ShownHeight, 1, 1, 0), 0) << what;
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
        script.Move(MainForm->image->ClientToScreen(POINT{40, 40})).Then([] { SendMouseButton(true, true); })
            .Then([] { SendMouseButton(false, true); }).Wait(2);
        for (int i = 0; i <= c.Downs + c.SubDowns; ++i) {  // Right opens the submenu on its first item
            const WORD key = i == c.Downs ? VK_RIGHT : VK_DOWN;
            script.Key(key, true).Key(key, false);
        }
        ASSERT_TRUE(script.Key(VK_RETURN, true).Key(VK_RETURN, false).Run());
        PumpMessages(50);
        EXPECT_TRUE(c.Done()) << c.Downs << " " << c.SubDowns;
    }
}

TEST_F(StereoTest, EachGlassesPairAndViewIsShownAsComposedAndInterleavingsFollowTheScreenParity)
{
    // Dx, Dy: the window then moved by one pixel, the interleaving's parity changed.
    struct { TGlasses Glasses; TAnaglyphMethod Method; TPairLayout Pair; bool Swap, Half; TShowMode Show; int Width, Height, Dx, Dy; }
        rows[] = {
            {glGreenMagenta, amDubois, plSideBySide, false, false, smAnaglyph, 401, 240, 0, 0},
            {glAmberBlue, amHalfColour, plSideBySide, true, false, smAnaglyph, 400, 241, 0, 0},
            {glAmberBlue, amDubois, plTopAndBottom, false, false, smAnaglyph, 360, 241, 0, 0},
            {glRedCyan, amColour, plTopAndBottom, true, true, smAnaglyph, 301, 200, 0, 0},
            {glRedGreen, amDubois, plTopAndBottom, false, false, smLeftView, 250, 180, 0, 0},
            {glRedCyan, amGrey, plSideBySide, true, true, smRightView, 250, 180, 0, 0},
            {glRedCyan, amColour, plSideBySide, false, false, smInterleavedRows, 301, 243, 0, 1},
            {glRedCyan, amColour, plTopAndBottom, true, true, smInterleavedRows, 301, 243, 0, 1},
            {glRedCyan, amColour, plSideBySide, false, true, smInterleavedColumns, 301, 243, 1, 0},
            {glRedCyan, amColour, plSideBySide, true, false, smCheckerboard, 301, 243, 1, 0},
        };
    for (const auto& c : rows) {
        MainForm->SetGlasses(c.Glasses);
        MainForm->SetMethod(c.Method);
        MainForm->SetPair(c.Pair);
        MainForm->SetSwapEyes(c.Swap);
        MainForm->SetHalfWidthPair(c.Half);
        MainForm->SetShowMode(c.Show);
        TPatternWindow target(760, 30, c.Width, c.Height, c.Dx + c.Dy ? 3 : 4);
        const RECT r = StartOn(target);
        ExpectNextFrameOnScreen(r, 10, 200, "start");
        if (c.Dx + c.Dy)
            ExpectNextFrameOnScreen(r, 10 + c.Dx, 200 + c.Dy, "after the move");
    }
}

}  // namespace
