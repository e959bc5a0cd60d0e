// The main window's viewing options under Wine, read back from the real screen: methods, swapped
// eyes and the half-width pair, frame rates switched while running, the shift moved by the
// wheel, and the right-click menu with its shortcuts (always on top, the shift before a start).
#include <gtest/gtest.h>

#include <windows.h>

#include "InputScript.h"
#include "MainFormFixture.h"
#include "ScopeExit.h"

namespace {

class OptionsTest : public TMainFormFixture {
protected:
    // The form left of the target, the whole picture in view; the next frame shown.
    static void RevealNextFrame()
    {
        MainForm->SetBounds(0, 250, 720, 420);
        MainForm->LoopTimerTimer(MainForm->LoopTimer);
    }
};

TEST_F(OptionsTest, ScreenShowsTheChosenCompositionAtOnceAndAStartSizesTheWindowToTheHalfWidthPair)
{
    struct { int Width; TAnaglyphMethod Method; bool Swap, Half; } rows[] = {
        {400, amDubois, false, false}, {401, amGrey, true, true}, {400, amHalfColour, false, true}, {3, amColour, true, true}};
    for (const auto& c : rows) {
        MainForm->SetMethod(c.Method);
        MainForm->SetSwapEyes(c.Swap);
        MainForm->SetHalfWidthPair(c.Half);
        TPatternWindow target(760, 30, c.Width, 240, 4);
        const RECT r = StartOn(target);
        const int half = c.Width / 2;
        EXPECT_EQ(MainForm->Width(), std::max(half * (c.Half ? 2 : 1) + 40, GetSystemMetrics(SM_CXMINTRACK)));
        RevealNextFrame();
        ExpectScreenShows(ExpectedPixels(r, 30, c.Method, c.Swap), half, 240, c.Half ? 2 : 1);
        // Changed while running: the next frame follows; the window keeps its size.
        MainForm->LoopTimer->SetEnabled(true);
        MainForm->SetHalfWidthPair(!c.Half);
        MainForm->SetSwapEyes(!c.Swap);
        RevealNextFrame();
        ExpectScreenShows(ExpectedPixels(r, 30, c.Method, !c.Swap), half, 240, c.Half ? 1 : 2);
        EXPECT_EQ(MainForm->Width(), 720);
    }
}

TEST_F(OptionsTest, WheelOverThePictureMovesTheShiftOfTheRunningCaptureWhereverTheFocusIs)
{
    TPatternWindow target(760, 30, 400, 240, 3);
    const RECT r = StartOn(target);
    RevealNextFrame();
    const POINT picture = MainForm->image->ClientToScreen(POINT{150, 100});
    const POINT toolbar = MainForm->Edit1->ClientToScreen(POINT{10, 10});
    // Box: a text typed before the row; the wheel counts from what the box shows, from the
    // capture's N when that is no integer.
    struct { POINT At; bool Floating, Shift; int Deltas[2], Offset /* after the row */; const wchar_t* Box; } rows[] = {
        {picture, false, false, {WHEEL_DELTA, 0}, 31, nullptr}, {picture, false, true, {-WHEEL_DELTA, 0}, 21, nullptr},
        {picture, true, false, {60, 60}, 22, nullptr},          {picture, true, true, {WHEEL_DELTA, -60}, 32, nullptr},
        {toolbar, false, false, {WHEEL_DELTA, 0}, 32, nullptr}, {picture, false, false, {-60, 0}, 31, nullptr},
        {picture, false, false, {WHEEL_DELTA, 0}, 51, L"50"},   {picture, true, true, {-WHEEL_DELTA, 0}, 41, L"4x"},
    };
    for (const auto& c : rows) {
        if (c.Box)
            MainForm->Edit1->SetText(c.Box);
        MainForm->ToolWindow971->SetDockedTo(c.Floating ? nullptr : MainForm->Dock971);
        PumpMessages(50);
        MainForm->Edit1->SetFocus();
        MoveMouseTo(c.At);
        SendKey(VK_SHIFT, c.Shift);
        for (int delta : c.Deltas) {
            INPUT input{};
            input.type = INPUT_MOUSE;
            input.mi.dwFlags = MOUSEEVENTF_WHEEL;
            input.mi.mouseData = static_cast<DWORD>(delta);
            SendInput(delta ? 1 : 0, &input, sizeof(input));
        }
        SendKey(VK_SHIFT, false);
        PumpMessages(50);
        EXPECT_EQ(MainForm->Offset, c.Offset) << c.Deltas[0] << " " << c.Deltas[1];
        EXPECT_EQ(MainForm->Edit1->Text(), std::to_wstring(c.Offset));
    }
    MainForm->ToolWindow971->SetDockedTo(MainForm->Dock971);
    RevealNextFrame();
    ExpectScreenShows(ExpectedPixels(r, 41), 200, 240, 1);  // the next frame uses the new shift
}

TEST_F(OptionsTest, FrameRateRestartsTheRunningTimerAtOnceWithoutANewStart)
{
    std::vector<UINT> intervals;  // of the timers set
    TTimer::SetTimerFunction([&](HWND w, UINT_PTR id, UINT ms) {
        intervals.push_back(ms);
        return SetTimer(w, id, ms, nullptr);
    });
    TScopeExit restore([] { TTimer::SetTimerFunction(nullptr); });
    TPatternWindow target(760, 30, 160, 90);
    StartOn(target);
    const TBitmap* frame = MainForm->Frame.get();
    struct { TFrameRate Rate; bool Running; std::vector<UINT> Set; } rows[] = {
        {fr60, true, {16}}, {fr30, true, {33}}, {fr30, true, {}}, {fr60, false, {}}};
    for (const auto& c : rows) {
        MainForm->LoopTimer->SetEnabled(c.Running);
        intervals.clear();
        MainForm->SetFrameRate(c.Rate);
        EXPECT_EQ(intervals, c.Set) << c.Rate;
        EXPECT_EQ(MainForm->LoopTimer->Enabled(), c.Running);
    }
    EXPECT_EQ(MainForm->Frame.get(), frame);
    intervals.clear();
    MainForm->StartTimerTimer(MainForm->StartTimer);
    EXPECT_EQ(intervals, std::vector<UINT>{16}) << "a later start runs at the rate chosen while stopped";
}

// The menu as the window system holds it: "(*)" or "( )" before radio items, "[x]" or "[ ]"
// before the others, "-" for a separator, each ended by "|".
std::wstring MenuText(HMENU menu)
{
    std::wstring out;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[64] = {};
        MENUITEMINFOW mi{};
        mi.cbSize = sizeof(mi);
        mi.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
        mi.dwTypeData = text;
        mi.cch = 63;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &mi);
        const bool checked = (mi.fState & MFS_CHECKED) != 0, radio = (mi.fType & MFT_RADIOCHECK) != 0;
        out += (mi.fType & MFT_SEPARATOR) ? L"-" : (radio ? (checked ? L"(*)" : L"( )") : (checked ? L"[x]" : L"[ ]")) + std::wstring(text);
        out += L"|";
    }
    return out;
}

TEST_F(OptionsTest, RightClickOnEachPartOpensTheOptionsMenuAndItsShortcutsWorkFromTheEditBox)
{
    MainForm->SetBounds(0, 250, 760, 420);  // room on the dock right of the toolbar
    BringToFront(MainForm->Handle());
    TControl* const bar = MainForm->ToolWindow971;
    auto topmost = [](TWinControl* c) { return (GetWindowLongPtrW(c->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
    // Right-clicked Under at its client point At, the menu of Holder opens showing Shows; Item is the
    // n-th item chosen, separators not counted.
    struct { TControl* Under; POINT At; bool Floating; TControl* Holder; const wchar_t* Shows; int Item;
             std::function<bool()> Done; } rows[] = {
        {MainForm->image, {40, 40}, false, MainForm->image,
         L"[ ]Choose area...\tCtrl+R|[ ]Client area only|[ ]Follow the window\tCtrl+F|-|[ ]Glasses|"
         L"(*)Colour anaglyph\tCtrl+1|( )Half-colour anaglyph\tCtrl+2|( )Grey anaglyph\tCtrl+3|( )Dubois anaglyph\t"
         L"Ctrl+4|-|[ ]Pair|[ ]Swap eyes\tCtrl+E|[ ]Half-width pair\tCtrl+D|[ ]Show|-|(*)10 frames/s|( )30 frames/s|"
         L"( )60 frames/s|-|[ ]Increase shift\tCtrl+PgUp|[ ]Decrease shift\tCtrl+PgDn|-|[ ]Always on top\tCtrl+T|"
         L"[ ]Zoom|[ ]Full screen\tF11|-|[ ]Reset settings|",
         8, [] { return MainForm->Method() == amDubois; }},
        {MainForm->ScrollBox1, {600, 150}, false, MainForm->ScrollBox1, L"( )Colour anaglyph\tCtrl+1|", 11,
         [] { return MainForm->HalfWidthPair(); }},
        {MainForm->Dock971, {720, 12}, false, MainForm->Dock971, L"[x]Half-width", 15,
         [] { return MainForm->FrameRate() == fr60; }},
        {MainForm->StopBtn, {40, 15}, false, bar, L"(*)60 frames/s", 16, [] { return MainForm->Edit1->Text() == L"31"; }},
        {MainForm->StopBtn, {40, 15}, true, bar, L"(*)Dubois", 18,
         [&] { return topmost(MainForm) && topmost(MainForm->ToolWindow971); }},
    };
    for (const auto& c : rows) {
        MainForm->ToolWindow971->SetDockedTo(c.Floating ? nullptr : MainForm->Dock971);
        PumpMessages(100);
        std::wstring shown;
        bool onScreen = false;
        TInputScript script;
        script.Move(c.Under->ClientToScreen(c.At)).Then([] { SendMouseButton(true, true); }).Then([] {
            SendMouseButton(false, true);
        }).Wait(2).Then([&] {
            shown = MenuText(MainForm->OptionsMenu->Handle());
            onScreen = IsWindowVisible(FindWindowW(L"#32768", nullptr));
        });
        for (int i = 0; i < c.Item; ++i)
            script.Key(VK_DOWN, true).Key(VK_DOWN, false);
        ASSERT_TRUE(script.Key(VK_RETURN, true).Key(VK_RETURN, false).Run());
        const std::string name = Narrow(c.Under->Name());
        EXPECT_TRUE(onScreen) << name;
        EXPECT_EQ(MainForm->OptionsMenu->PopupComponent(), c.Holder) << name;
        EXPECT_NE(shown.find(c.Shows), std::wstring::npos) << name << ": " << Narrow(shown);
        EXPECT_TRUE(c.Done()) << name;
    }
    // Ctrl shortcuts with the focus in the edit box; before any start the shift steps change the
    // box alone, saturate, and report a text that is not an integer.
    TErrorRecorder recorder;
    struct { bool Floating; WORD Key; const wchar_t *Before, *After; std::function<bool()> Done; } keys[] = {
        {true, '3', L"31", L"31", [] { return MainForm->Method() == amGrey; }},
        {true, 'T', L"31", L"31", [&] { return !topmost(MainForm) && !topmost(MainForm->ToolWindow971); }},
        {false, VK_NEXT, L"-2147483647", L"-2147483648", nullptr},
        {false, VK_NEXT, L"-2147483648", L"-2147483648", nullptr},
        {false, VK_PRIOR, L"$7FFFFFFE", L"2147483647", nullptr},
        {false, VK_PRIOR, L"abc", L"abc", nullptr}};
    for (const auto& k : keys) {
        MainForm->ToolWindow971->SetDockedTo(k.Floating ? nullptr : MainForm->Dock971);
        PumpMessages(100);
        MainForm->Edit1->SetText(k.Before);
        MainForm->Edit1->SetFocus();
        SendKey(VK_CONTROL, true);
        PressKey(k.Key);
        SendKey(VK_CONTROL, false);
        PumpMessages(50);
        EXPECT_TRUE(!k.Done || k.Done()) << k.Key;
        EXPECT_EQ(MainForm->Edit1->Text(), k.After) << k.Key;
    }
    ASSERT_EQ(recorder.Errors.size(), 1u);
    EXPECT_EQ(recorder.Errors[0].Text, L"'abc' は整数ではありません.");
    EXPECT_EQ(MainForm->Frame, nullptr);
}

}  // namespace
