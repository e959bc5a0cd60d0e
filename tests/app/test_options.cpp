// The main window's viewing options under Wine, read back from the real screen: composition
// methods, the half-width pair, frame rates switched while running, the shift moved by the
// wheel, always on top, and the right-click menu that holds them.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "Anaglyph.h"
#include "InputScript.h"
#include "ScopeExit.h"
#include "MainFormFixture.h"
#include "PatternWindow.h"
#include "TestSupport.h"

namespace {

class OptionsTest : public TMainFormFixture {
protected:
    // Starts a capture of a pattern target; returns its rectangle.
    static RECT Start(TPatternWindow& target)
    {
        BringToFront(target.Handle());
        MainForm->StartTimerTimer(MainForm->StartTimer);
        RECT r{};
        GetWindowRect(target.Handle(), &r);
        return r;
    }
    // Left of the target and large enough to show the whole picture; its first frame shown.
    static void Reveal()
    {
        MainForm->SetBounds(0, 300, MainForm->Width() + 40, MainForm->Height() + 60);
        BringToFront(MainForm->Handle());
        ShowNextFrame();
    }
    static void ShowNextFrame()
    {
        MainForm->LoopTimerTimer(MainForm->LoopTimer);
        PumpMessages(100);
    }
    static RECT ImageOnScreen()
    {
        const POINT o = MainForm->image->ClientToScreen(POINT{0, 0});
        return RECT{o.x, o.y, o.x + MainForm->image->Width(), o.y + MainForm->image->Height()};
    }
    // What the image should show for target rectangle r: composed independently of the form,
    // each pixel `repeat` times across, 4 bytes a pixel with the fourth byte cleared.
    static std::vector<uint8_t> Expected(const RECT& r, int offset, TAnaglyphMethod method, bool swap, int repeat)
    {
        const int w = r.right - r.left, h = r.bottom - r.top, half = w / 2;
        std::vector<uint8_t> frame = GrabScreen(r), out;
        std::vector<uint8_t*> rows;
        for (int y = 0; y < h; ++y)
            rows.push_back(frame.data() + static_cast<size_t>(y) * static_cast<size_t>(w) * 4);
        ComposeAnaglyphMethodWith(ciScalar, rows.data(), h, w, offset, method, swap);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < half * repeat; ++x) {
                const uint8_t* p = rows[static_cast<size_t>(y)] + 4 * (x / repeat);
                out.insert(out.end(), {p[0], p[1], p[2], 0});
            }
        return out;
    }
    static std::vector<uint8_t> OnScreen()
    {
        std::vector<uint8_t> pixels = GrabScreen(ImageOnScreen());
        for (size_t i = 3; i < pixels.size(); i += 4)
            pixels[i] = 0;
        return pixels;
    }
};

// The menu as the window system holds it: "(*)" or "( )" for radio items, "[x]" or "[ ]" for the
// others, "-" for a separator, each item ended by "|".
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
        const bool checked = (mi.fState & MFS_CHECKED) != 0;
        if (mi.fType & MFT_SEPARATOR)
            out += L"-";
        else
            out += ((mi.fType & MFT_RADIOCHECK) ? (checked ? L"(*)" : L"( )") : (checked ? L"[x]" : L"[ ]")) + std::wstring(text);
        out += L"|";
    }
    return out;
}

void SendWheel(int delta)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_WHEEL;
    input.mi.mouseData = static_cast<DWORD>(delta);
    SendInput(1, &input, sizeof(input));
}

TEST_F(OptionsTest, ShiftStepsBeforeAnyStartChangeOnlyTheBoxAndSaturate)
{
    TErrorRecorder recorder;
    struct {
        const wchar_t* Text;
        int Delta;
        const wchar_t* After;  // nullptr: a conversion error, the box unchanged
    } cases[] = {
        {L"30", 1, L"31"}, {L"0", -1, L"-1"}, {L"$10", 10, L"26"}, {L"2147483646", 1, L"2147483647"},
        {L"2147483647", 1, L"2147483647"}, {L"-2147483648", -10, L"-2147483648"}, {L"abc", 1, nullptr},
        {L"", -1, nullptr},
    };
    for (const auto& c : cases) {
        MainForm->Edit1->SetText(c.Text);
        recorder.Errors.clear();
        try {
            MainForm->ChangeShift(c.Delta);
        } catch (...) {
            Application->HandleException();
        }
        EXPECT_EQ(MainForm->Edit1->Text(), c.After ? c.After : c.Text) << Narrow(c.Text);
        EXPECT_EQ(recorder.Errors.size(), c.After ? 0u : 1u) << Narrow(c.Text);
        if (!c.After && !recorder.Errors.empty()) {
            EXPECT_EQ(recorder.Errors[0].Text, L"'" + std::wstring(c.Text) + L"' は整数ではありません.");
        }
        EXPECT_EQ(MainForm->Offset, 0);
    }
    EXPECT_EQ(MainForm->Frame, nullptr);
}

TEST_F(OptionsTest, WheelOverThePictureMovesTheShiftOfTheRunningCaptureWhereverTheFocusIs)
{
    TPatternWindow target(760, 30, 400, 240, 3);
    const RECT r = Start(target);
    MainForm->LoopTimer->SetEnabled(false);  // frames are driven here
    Reveal();
    const POINT picture = MainForm->image->ClientToScreen(POINT{150, 100});
    const POINT toolbar = MainForm->Edit1->ClientToScreen(POINT{10, 10});
    struct {
        POINT At;
        bool Floating, Shift;
        int Deltas[2];
        int Offset;  // after the row
    } cases[] = {
        {picture, false, false, {WHEEL_DELTA, 0}, 31}, {picture, false, true, {-WHEEL_DELTA, 0}, 21},
        {picture, true, false, {60, 60}, 22},          {picture, true, true, {WHEEL_DELTA, -60}, 32},
        {toolbar, false, false, {WHEEL_DELTA, 0}, 32}, {picture, false, false, {-60, 0}, 31},
    };
    for (const auto& c : cases) {
        MainForm->ToolWindow971->SetDockedTo(c.Floating ? nullptr : MainForm->Dock971);
        PumpMessages(50);
        MainForm->Edit1->SetFocus();
        MoveMouseTo(c.At);
        if (c.Shift)
            SendKey(VK_SHIFT, true);
        for (int d : c.Deltas)
            if (d)
                SendWheel(d);
        if (c.Shift)
            SendKey(VK_SHIFT, false);
        PumpMessages(50);
        EXPECT_EQ(MainForm->Offset, c.Offset) << c.Deltas[0] << " " << c.Deltas[1];
        EXPECT_EQ(MainForm->Edit1->Text(), std::to_wstring(c.Offset));
    }
    MainForm->ToolWindow971->SetDockedTo(MainForm->Dock971);
    ShowNextFrame();
    EXPECT_TRUE(OnScreen() == Expected(r, 31, amColour, false, 1)) << "the next frame uses the new shift";
}

TEST_F(OptionsTest, MethodsAndSwappedEyesReachTheScreenFromTheNextFrame)
{
    TPatternWindow target(760, 30, 400, 240, 5);
    const RECT r = Start(target);
    MainForm->LoopTimer->SetEnabled(false);
    Reveal();
    const std::vector<uint8_t> plain = Expected(r, 30, amColour, false, 1);
    ASSERT_TRUE(OnScreen() == plain);
    struct {
        TAnaglyphMethod Method;
        bool Swap;
    } cases[] = {{amDubois, false}, {amGrey, true}, {amHalfColour, false}, {amColour, true}, {amDubois, true}};
    for (const auto& c : cases) {
        MainForm->SetMethod(c.Method);
        MainForm->SetSwapEyes(c.Swap);
        ShowNextFrame();
        const std::vector<uint8_t> expected = Expected(r, 30, c.Method, c.Swap, 1);
        EXPECT_TRUE(OnScreen() == expected) << c.Method << " " << c.Swap;
        EXPECT_FALSE(expected == plain) << "the pattern tells the methods apart";
    }
}

TEST_F(OptionsTest, HalfWidthPairShowsEveryComposedPixelTwiceAndSizesTheWindowToIt)
{
    MainForm->SetHalfWidthPair(true);
    struct {
        int Width, Shown;
    } cases[] = {{400, 400}, {401, 400}, {3, 2}};
    for (const auto& c : cases) {
        TPatternWindow target(760, 30, c.Width, 240, 2);
        const RECT r = Start(target);
        EXPECT_EQ(MainForm->image->Width(), c.Shown);
        EXPECT_EQ(MainForm->Width(), std::max(c.Shown + 40, GetSystemMetrics(SM_CXMINTRACK)));
        EXPECT_EQ(MainForm->Height(), 240 + 40);
        Reveal();
        EXPECT_TRUE(OnScreen() == Expected(r, 30, amColour, false, 2)) << c.Width;
    }
    // Switched off while running: the next frame is the plain half; the window keeps its size.
    TPatternWindow target(760, 30, 400, 240, 2);
    const RECT r = Start(target);
    Reveal();
    const int width = MainForm->Width();
    MainForm->SetHalfWidthPair(false);
    EXPECT_EQ(MainForm->image->Width(), 200);
    ShowNextFrame();
    EXPECT_TRUE(OnScreen() == Expected(r, 30, amColour, false, 1));
    EXPECT_EQ(MainForm->Width(), width);
}

TEST_F(OptionsTest, FrameRateRestartsTheRunningTimerAtOnceWithoutANewStart)
{
    std::vector<UINT> intervals;
    TTimer::SetTimerFunction([&](HWND window, UINT_PTR id, UINT ms) {
        intervals.push_back(ms);
        return SetTimer(window, id, ms, nullptr);
    });
    TScopeExit restore([] { TTimer::SetTimerFunction(nullptr); });
    int ticks = 0;
    MainForm->LoopTimer->OnTimer = [&](TObject* sender) {
        ++ticks;
        MainForm->LoopTimerTimer(sender);
    };
    TPatternWindow target(760, 30, 160, 90);
    Start(target);
    const TBitmap* frame = MainForm->Frame.get();
    struct {
        TFrameRate Rate;
        bool Running;
        std::vector<UINT> Set;  // timers set by the switch
    } cases[] = {{fr60, true, {16}}, {fr30, true, {33}}, {fr30, true, {}}, {fr10, false, {}}, {fr60, false, {}}};
    for (const auto& c : cases) {
        MainForm->LoopTimer->SetEnabled(c.Running);
        intervals.clear();
        MainForm->SetFrameRate(c.Rate);
        EXPECT_EQ(intervals, c.Set) << c.Rate;
        EXPECT_EQ(MainForm->LoopTimer->Interval(), TMainForm::FrameInterval(c.Rate));
        EXPECT_EQ(MainForm->LoopTimer->Enabled(), c.Running);
        const int before = ticks;
        EXPECT_EQ(PumpUntil([&] { return ticks >= before + 3; }, 1000), c.Running) << c.Rate;
    }
    // A later start runs at the rate chosen while stopped.
    intervals.clear();
    Start(target);
    EXPECT_EQ(intervals, std::vector<UINT>{16});
    EXPECT_NE(MainForm->Frame.get(), frame);
}

TEST_F(OptionsTest, AlwaysOnTopLiftsTheFormAndItsFloatingToolbar)
{
    auto topmost = [](TWinControl* c) { return (GetWindowLongPtrW(c->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
    struct {
        bool Floating, On;
    } steps[] = {{false, true}, {false, false}, {true, true}, {true, false}, {false, true}, {true, true}, {true, false}};
    for (const auto& s : steps) {
        MainForm->ToolWindow971->SetDockedTo(s.Floating ? nullptr : MainForm->Dock971);
        MainForm->SetAlwaysOnTop(s.On);
        PumpMessages(50);
        EXPECT_EQ(topmost(MainForm), s.On) << s.Floating;
        if (s.Floating) {
            EXPECT_EQ(topmost(MainForm->ToolWindow971), s.On) << "the floating toolbar follows its form";
            EXPECT_EQ(GetWindow(MainForm->ToolWindow971->Handle(), GW_OWNER), MainForm->Handle());
        }
    }
}

TEST_F(OptionsTest, RightClickOnEachPartOpensTheOptionsMenuAndShortcutsReachItFromTheEditBox)
{
    MainForm->SetBounds(0, 300, 760, 420);  // room on the dock right of the toolbar
    BringToFront(MainForm->Handle());
    TControl* const bar = MainForm->ToolWindow971;
    struct {
        TControl* Under;   // right-clicked at the client point At
        POINT At;
        bool Floating;
        TControl* Holder;  // whose menu opens
        const wchar_t* Shows;  // part of the menu as shown
        int Item;          // chosen: the n-th item, separators not counted
        std::function<bool()> Done;
    } rows[] = {
        {MainForm->image, {40, 40}, false, MainForm->image,
         L"(*)Colour anaglyph\tCtrl+1|( )Half-colour anaglyph\tCtrl+2|( )Grey anaglyph\tCtrl+3|( )Dubois anaglyph\tCtrl+4|-|"
         L"[ ]Swap eyes\tCtrl+E|[ ]Half-width pair\tCtrl+D|-|(*)10 frames/s|( )30 frames/s|( )60 frames/s|-|"
         L"[ ]Increase shift\tCtrl+PgUp|[ ]Decrease shift\tCtrl+PgDn|-|[ ]Always on top\tCtrl+T|",
         4, [] { return MainForm->Method() == amDubois; }},
        {MainForm->ScrollBox1, {600, 150}, false, MainForm->ScrollBox1, L"( )Colour anaglyph\tCtrl+1|", 6,
         [] { return MainForm->HalfWidthPair(); }},
        {MainForm->Dock971, {720, 12}, false, MainForm->Dock971, L"[x]Half-width pair", 9,
         [] { return MainForm->FrameRate() == fr60; }},
        {MainForm->StopBtn, {40, 15}, false, bar, L"(*)60 frames/s", 10, [] { return MainForm->Edit1->Text() == L"31"; }},
        {MainForm->StopBtn, {40, 15}, true, bar, L"(*)Dubois anaglyph", 12, [] { return MainForm->AlwaysOnTop(); }},
    };
    for (const auto& r : rows) {
        MainForm->ToolWindow971->SetDockedTo(r.Floating ? nullptr : MainForm->Dock971);
        PumpMessages(100);
        std::wstring shown;
        bool onScreen = false;
        TInputScript script;
        script.Move(r.Under->ClientToScreen(r.At)).Then([] { SendMouseButton(true, true); }).Then([] {
            SendMouseButton(false, true);
        });
        script.Wait(2).Then([&] {
            shown = MenuText(MainForm->OptionsMenu->Handle());
            onScreen = IsWindowVisible(FindWindowW(L"#32768", nullptr));
        });
        for (int i = 0; i < r.Item; ++i)
            script.Key(VK_DOWN, true).Key(VK_DOWN, false);
        script.Key(VK_RETURN, true).Key(VK_RETURN, false);
        ASSERT_TRUE(script.Run());
        const std::string name = Narrow(r.Under->Name());
        EXPECT_TRUE(onScreen) << name;
        EXPECT_EQ(MainForm->OptionsMenu->PopupComponent(), r.Holder) << name;
        EXPECT_NE(shown.find(r.Shows), std::wstring::npos) << name << ": " << Narrow(shown);
        EXPECT_TRUE(r.Done()) << name;
    }
    // Shortcuts while the edit box has the focus, the toolbar docked and floating: the box keeps
    // its text.
    struct {
        bool Floating;
        WORD Key;
        const wchar_t* Text;  // of the box afterwards
        std::function<bool()> Done;
    } keys[] = {{true, '3', L"31", [] { return MainForm->Method() == amGrey; }},
                {false, VK_NEXT, L"30", [] { return true; }},
                {false, 'T', L"30", [] { return !MainForm->AlwaysOnTop(); }}};
    for (const auto& k : keys) {
        MainForm->ToolWindow971->SetDockedTo(k.Floating ? nullptr : MainForm->Dock971);
        PumpMessages(100);
        MainForm->Edit1->SetFocus();
        SendKey(VK_CONTROL, true);
        PressKey(k.Key);
        SendKey(VK_CONTROL, false);
        PumpMessages(50);
        EXPECT_TRUE(k.Done()) << k.Key;
        EXPECT_EQ(MainForm->Edit1->Text(), k.Text) << k.Key;
    }
}

}  // namespace
