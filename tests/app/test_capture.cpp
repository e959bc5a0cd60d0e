// What is captured, under Wine with real input: an area dragged out over the screen (and the
// selection cancelled), a window's client area, and a window followed as it moves, resizes,
// is minimised and closed; a chosen area ignores following.
#include <gtest/gtest.h>

#include <windows.h>

#include <tuple>

#include "GdiCount.h"
#include "InputScript.h"
#include "MainFormFixture.h"

namespace {

class CaptureTest : public TMainFormFixture {
protected:
    void SetUp() override
    {
        TMainFormFixture::SetUp();
        MainForm->SetBounds(0, 300, 330, 90);  // left of every target
    }

    // One frame of the loop with the form in front (never the target); whether the loop goes on.
    static bool Tick()
    {
        BringToFront(MainForm->Handle());
        PumpMessages(100);
        MainForm->LoopTimer->SetEnabled(true);
        MainForm->LoopTimerTimer(MainForm->LoopTimer);
        const bool running = MainForm->LoopTimer->Enabled();
        MainForm->LoopTimer->SetEnabled(false);
        return running;
    }
    static RECT Captured()
    {
        return RECT{MainForm->CaptureLeft, MainForm->CaptureTop, MainForm->CaptureLeft + MainForm->CaptureWidth,
                    MainForm->CaptureTop + MainForm->CaptureHeight};
    }
    static auto State() { return std::make_tuple(Captured().left, Captured().top, Captured().right, Captured().bottom,
                                                 MainForm->Frame.get(), MainForm->AreaChosen()); }
    static void ExpectScreenShowsAnaglyphOf(const RECT& r)
    {
        ExpectScreenShows(ExpectedPixels(r, 30), (r.right - r.left) / 2, r.bottom - r.top, 1);
    }
};

bool operator==(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != 0;
}

TEST_F(CaptureTest, AreaDraggedOverTheScreenIsCapturedAtOnceAndEscapeOrRightClickChangeNothing)
{
    TErrorRecorder recorder;
    TPatternWindow target(760, 30, 420, 300, 5);
    const RECT t = StartOn(target);
    enum TGesture { gDrag, gEscapeInDrag, gRightClick, gClickThenEscape };
    // Points relative to the target; Chosen empty: nothing changes.
    struct { TGesture Gesture; bool ViaMenu, Follow; POINT From, To; RECT Chosen; } rows[] = {
        {gDrag, true, false, {300, 200}, {41, 10}, {41, 10, 301, 201}},
        {gEscapeInDrag, false, false, {10, 10}, {200, 100}, {}},
        {gRightClick, true, false, {50, 50}, {}, {}},
        {gClickThenEscape, false, false, {60, 70}, {}, {}},
        {gDrag, false, true, {5, 7}, {165, 106}, {5, 7, 166, 107}},
    };
    for (const auto& c : rows) {
        MainForm->SetFollowWindow(c.Follow);
        BringToFront(MainForm->Handle());
        MainForm->Edit1->SetFocus();
        PumpMessages(50);
        const auto before = State();
        const POINT from{t.left + c.From.x, t.top + c.From.y}, to{t.left + c.To.x, t.top + c.To.y};
        // Where the menu will be, as the screen shows it before: the selection shows it dimmed.
        const POINT menuAt = MainForm->image->ClientToScreen(POINT{10, 10});
        const RECT underMenu{menuAt.x + 20, menuAt.y + 20, menuAt.x + 80, menuAt.y + 80};
        const std::vector<uint8_t> screenBefore = GrabScreen(underMenu);
        std::vector<uint8_t> shown;
        bool stillOpen = false;
        TInputScript script;
        if (c.ViaMenu)
            script.Move(menuAt).Then([] { SendMouseButton(true, true); }).Then([] { SendMouseButton(false, true); })
                .Wait(2).Key(VK_DOWN, true).Key(VK_DOWN, false).Key(VK_RETURN, true).Key(VK_RETURN, false);
        else  // the shortcut, handled as the application handles keys
            script.Then([] {
                SendKey(VK_CONTROL, true);
                SendKey('R', true);
                SendKey('R', false);
                SendKey(VK_CONTROL, false);
                PumpMessages(100);
            });
        script.Wait(4).Then([&] { shown = GrabScreen(underMenu); }).Move(from);
        switch (c.Gesture) {
        case gDrag:
            script.Drag(from, to);
            break;
        case gEscapeInDrag:
            script.Down().Move(to).Key(VK_ESCAPE, true).Key(VK_ESCAPE, false).Up();
            break;
        case gRightClick:
            script.Then([] { SendMouseButton(true, true); }).Then([] { SendMouseButton(false, true); });
            break;
        case gClickThenEscape:
            script.Down().Up().Wait().Then([&] { stillOpen = IsWindowVisible(FindWindowW(L"TinteyeAreaSelection", nullptr)); })
                .Key(VK_ESCAPE, true).Key(VK_ESCAPE, false);
            break;
        }
        ASSERT_TRUE(script.Wait(3).Run());
        EXPECT_EQ(FindWindowW(L"TinteyeAreaSelection", nullptr), nullptr);
        if (c.ViaMenu) {
            ASSERT_EQ(shown.size(), screenBefore.size());
            int wrong = 0;
            for (size_t i = 0; i < shown.size(); ++i)
                wrong += i % 4 != 3 && shown[i] != screenBefore[i] >> 1;
            EXPECT_EQ(wrong, 0) << "the selection shows the screen without the menu, dimmed";
        }
        EXPECT_EQ(stillOpen, c.Gesture == gClickThenEscape);
        if (IsRectEmpty(&c.Chosen)) {
            EXPECT_EQ(State(), before) << c.Gesture;
            continue;
        }
        const RECT area{t.left + c.Chosen.left, t.top + c.Chosen.top, t.left + c.Chosen.right, t.top + c.Chosen.bottom};
        EXPECT_TRUE(Captured() == area) << c.Gesture;
        EXPECT_TRUE(MainForm->AreaChosen());
        EXPECT_TRUE(MainForm->LoopTimer->Enabled() && !MainForm->StartTimer->Enabled());
        EXPECT_EQ(MainForm->Height(), area.bottom - area.top + 40);
        ASSERT_TRUE(Tick());
        ExpectScreenShowsAnaglyphOf(area);
    }
    // Following does not apply to a chosen area: the target moved away, the area stays, the
    // loop goes on, and Ctrl+F is not taken.
    SetWindowPos(target.Handle(), nullptr, 800, 400, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    const auto chosen = State();
    EXPECT_TRUE(Tick());
    EXPECT_EQ(State(), chosen);
    for (bool areaChosen : {true, false}) {
        if (!areaChosen)
            StartOn(target);  // the next start goes back to the window in front
        MainForm->Edit1->SetFocus();
        SendKey(VK_CONTROL, true);
        PressKey('F');
        SendKey(VK_CONTROL, false);
        PumpMessages(50);
        EXPECT_EQ(MainForm->AreaChosen(), areaChosen);
        EXPECT_EQ(MainForm->FollowWindow(), areaChosen) << "Ctrl+F toggles only for a window";
    }
    EXPECT_TRUE(recorder.Errors.empty());
}

TEST_F(CaptureTest, FormFreedWhileAnAreaIsBeingChosenIsNotTouchedAfterTheChoice)
{
    TPatternWindow target(760, 30, 200, 100);
    delete MainForm;
    const long dcs = GdiLiveCounts().DCs;  // without a form
    Application->CreateForm(MainForm);
    MainForm->Show();
    TInputScript script;
    script.Then([] { MainForm->ChooseArea(); }).Wait(3).Then([] {
        delete MainForm;
        MainForm = nullptr;
    });
    ASSERT_TRUE(script.Drag(POINT{770, 40}, POINT{900, 120}).Wait(2).Run());
    EXPECT_EQ(FindWindowW(L"TinteyeAreaSelection", nullptr), nullptr);
    EXPECT_EQ(GdiLiveCounts().DCs, dcs) << "no capture was set up for the freed form";
}

TEST_F(CaptureTest, ClientAreaAndAFollowedWindowMovedResizedMinimisedAndClosed)
{
    TErrorRecorder recorder;
    struct { DWORD Style; bool Client; } targets[] = {{WS_POPUP, false}, {WS_OVERLAPPEDWINDOW, true}};
    // Rectangle of the window after the step; the first row is the start itself.
    enum TStep { sStart, sMove, sResize, sMinimise, sClose };
    struct { TStep Step; RECT To; } steps[] = {
        {sStart, {760, 30, 1160, 270}}, {sMove, {800, 90, 1200, 330}}, {sMove, {700, 90, 1100, 330}},
        {sResize, {720, 40, 1081, 340}}, {sMinimise, {}}, {sClose, {}},
    };
    for (const auto& t : targets) {
        MainForm->SetClientAreaOnly(t.Client);
        MainForm->SetFollowWindow(true);
        const RECT& r0 = steps[0].To;
        TPatternWindow target(r0.left, r0.top, r0.right - r0.left, r0.bottom - r0.top, 6, t.Style);
        StartOn(target);
        RECT last{};
        std::vector<uint8_t> lastShown;
        for (const auto& s : steps) {
            const TBitmap* frame = MainForm->Frame.get();
            if (s.Step == sMove || s.Step == sResize)
                MoveWindow(target.Handle(), s.To.left, s.To.top, s.To.right - s.To.left, s.To.bottom - s.To.top, TRUE);
            else if (s.Step == sMinimise)
                ShowWindow(target.Handle(), SW_MINIMIZE);
            else if (s.Step == sClose)
                DestroyWindow(target.Handle());
            PumpMessages(100);
            RECT area{};
            if (s.Step >= sMinimise) {
                area = last;  // the last picture stays
            } else if (t.Client) {
                GetClientRect(target.Handle(), &area);
                MapWindowPoints(target.Handle(), nullptr, reinterpret_cast<POINT*>(&area), 2);
                EXPECT_LT(area.right - area.left, s.To.right - s.To.left) << "a framed window";
            } else {
                area = s.To;
            }
            EXPECT_EQ(Tick(), s.Step < sMinimise) << s.Step;
            EXPECT_TRUE(Captured() == area) << t.Client << " " << s.Step;
            EXPECT_EQ(MainForm->Frame.get() != frame, s.Step == sResize) << "a setup at a new size alone";
            EXPECT_EQ(MainForm->Height(), area.bottom - area.top + 40);
            if (s.Step < sMinimise)
                lastShown = ExpectedPixels(area, 30);
            ExpectScreenShows(lastShown, (area.right - area.left) / 2, area.bottom - area.top, 1);
            last = area;
        }
    }
    EXPECT_TRUE(recorder.Errors.empty());
}

}  // namespace
