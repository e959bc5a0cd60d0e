// What is captured, under Wine with real input: an area dragged out over the screen (and the
// selection cancelled), a window's client area, and a window followed as it moves, resizes,
// is minimised and closed; a chosen area ignores following.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <tuple>
#include <utility>
#include <vector>

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
    // The captured rectangle and whether it was chosen as an area.
    static std::tuple<int, int, int, int, bool> Captured()
    {
        const TMainForm* f = MainForm;
        return {f->CaptureLeft, f->CaptureTop, f->CaptureLeft + f->CaptureWidth, f->CaptureTop + f->CaptureHeight, f->AreaChosen()};
    }
    static auto State() { return std::make_tuple(Captured(), MainForm->Frame.get()); }
    // The picture of screen rectangle r shown 1:1, and the form's height fitted to it.
    static void ExpectShown(const std::vector<uint8_t>& expected, const RECT& r)
    {
        EXPECT_EQ(MainForm->Height(), r.bottom - r.top + 40);
        ExpectScreenShows(expected, (r.right - r.left) / 2, r.bottom - r.top, 1);
    }
};

TEST_F(CaptureTest, AreaDraggedOverTheScreenIsCapturedAtOnceAndEscapeOrRightClickChangeNothing)
{
    TErrorRecorder recorder;
    TPatternWindow target(760, 30, 420, 300, 5);
    const RECT t = StartOn(target);
    // Steps from the From point: d press, m move to To, u release, e Escape, r right-click, o note
    // whether the selection is still open. Points relative to the target; Chosen empty: no change.
    struct { const char* Steps; bool ViaMenu, Follow; POINT From, To; RECT Chosen; } rows[] = {
        {"dmu", true, false, {300, 200}, {41, 10}, {41, 10, 301, 201}}, {"dmeu", false, false, {10, 10}, {200, 100}, {}},
        {"r", true, false, {50, 50}, {}, {}},                           {"duoe", false, false, {60, 70}, {}, {}},
        {"dmu", false, true, {5, 7}, {165, 106}, {5, 7, 166, 107}},
    };
    for (const auto& c : rows) {
        MainForm->SetFollowWindow(c.Follow);
        BringToFront(MainForm->Handle());
        MainForm->Edit1->SetFocus();
        PumpMessages(50);
        const auto before = State();
        // Where the menu opens, as the screen shows it before: the selection shows it dimmed.
        const POINT menuAt = MainForm->image->ClientToScreen(POINT{10, 10});
        const RECT underMenu{menuAt.x + 20, menuAt.y + 20, menuAt.x + 80, menuAt.y + 80};
        const std::vector<uint8_t> screenBefore = GrabScreen(underMenu);
        std::vector<uint8_t> shown;
        bool open = false;
        TInputScript script;
        if (c.ViaMenu)
            script.Move(menuAt).Then([] { SendMouseButton(true, true); }).Then([] { SendMouseButton(false, true); })
                .Wait(2).Key(VK_DOWN, true).Key(VK_DOWN, false).Key(VK_RETURN, true).Key(VK_RETURN, false);
        else  // the shortcut, offered as the application offers keys
            script.Then([] {
                for (auto [key, down] : {std::pair<WORD, bool>{VK_CONTROL, true}, {'R', true}, {'R', false}, {VK_CONTROL, false}})
                    SendKey(key, down);
                PumpMessages(100);
            });
        const POINT from{t.left + c.From.x, t.top + c.From.y}, to{t.left + c.To.x, t.top + c.To.y};
        script.Wait(4).Then([&] { shown = GrabScreen(underMenu); }).Move(from);
        for (const char* s = c.Steps; *s; ++s)
            *s == 'd'   ? script.Down()
            : *s == 'u' ? script.Up()
            : *s == 'm' ? script.Move(POINT{(from.x + to.x) / 2, (from.y + to.y) / 2}).Move(to).Wait()
            : *s == 'e' ? script.Key(VK_ESCAPE, true).Key(VK_ESCAPE, false)
            : *s == 'r' ? script.Then([] { SendMouseButton(true, true); }).Then([] { SendMouseButton(false, true); })
                        : script.Then([&] { open = IsWindowVisible(FindWindowW(L"TinteyeAreaSelection", nullptr)); });
        ASSERT_TRUE(script.Wait(3).Run());
        EXPECT_EQ(FindWindowW(L"TinteyeAreaSelection", nullptr), nullptr);
        EXPECT_EQ(open, std::string(c.Steps) == "duoe") << "a click is ignored, the selection stays";
        ASSERT_EQ(shown.size(), screenBefore.size());
        int wrong = 0;
        for (size_t i = 0; c.ViaMenu && i < shown.size(); ++i)
            wrong += i % 4 != 3 && shown[i] != screenBefore[i] >> 1;
        EXPECT_EQ(wrong, 0) << "the selection shows the screen without the menu, dimmed";
        if (IsRectEmpty(&c.Chosen)) {
            EXPECT_EQ(State(), before) << c.Steps;
            continue;
        }
        const RECT area{t.left + c.Chosen.left, t.top + c.Chosen.top, t.left + c.Chosen.right, t.top + c.Chosen.bottom};
        EXPECT_EQ(Captured(), std::make_tuple(area.left, area.top, area.right, area.bottom, true)) << c.Steps;
        EXPECT_TRUE(MainForm->LoopTimer->Enabled() && !MainForm->StartTimer->Enabled());
        ASSERT_TRUE(Tick());
        ExpectShown(ExpectedPixels(area, 30), area);
    }
    // Following does not apply to a chosen area (shown disabled): the target moved away, the
    // area stays and the loop goes on. The next start goes back to the window in front.
    SetWindowPos(target.Handle(), nullptr, 800, 400, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    const auto chosen = State();
    EXPECT_TRUE(Tick());
    EXPECT_EQ(State(), chosen);
    for (bool areaChosen : {true, false}) {
        if (!areaChosen)
            StartOn(target);
        EXPECT_EQ(MainForm->AreaChosen(), areaChosen);
        for (int item : {1, 2})
            EXPECT_NE(MainForm->OptionsMenu->Items()->Items(item)->Enabled(), areaChosen) << item;
    }
    EXPECT_TRUE(recorder.Errors.empty());
}

TEST_F(CaptureTest, FormFreedWhileAnAreaIsBeingChosenIsNotTouchedAfterTheChoice)
{
    TPatternWindow target(760, 30, 200, 100);
    delete MainForm;
    const long dcs = GdiLiveCounts().DCs;  // without a form
    Application->CreateForm(MainForm);
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
    // The window's rectangle after each step; the first is the start itself.
    enum TStep { sStart, sMove, sResize, sMinimise, sClose };
    const struct { TStep Step; RECT To; } steps[] = {
        {sStart, {760, 30, 1160, 270}}, {sMove, {800, 90, 1200, 330}}, {sMove, {700, 90, 1100, 330}},
        {sResize, {720, 40, 1081, 340}}, {sMinimise, {}}, {sClose, {}}};
    for (bool client : {false, true}) {  // a frameless window's outer, a framed one's client area
        MainForm->SetClientAreaOnly(client);
        MainForm->SetFollowWindow(true);
        const RECT& r = steps[0].To;
        TPatternWindow target(r.left, r.top, r.right - r.left, r.bottom - r.top, 6, client ? WS_OVERLAPPEDWINDOW : WS_POPUP);
        StartOn(target);
        RECT area{};
        std::vector<uint8_t> expected;
        for (const auto& s : steps) {
            const TBitmap* frame = MainForm->Frame.get();
            const RECT& to = s.To;
            if (s.Step == sMove || s.Step == sResize)
                MoveWindow(target.Handle(), to.left, to.top, to.right - to.left, to.bottom - to.top, TRUE);
            if (s.Step == sMinimise)
                ShowWindow(target.Handle(), SW_MINIMIZE);
            if (s.Step == sClose)
                DestroyWindow(target.Handle());
            PumpMessages(100);
            if (s.Step < sMinimise) {  // else the last picture stays
                area = to;
                if (client) {
                    GetClientRect(target.Handle(), &area);
                    MapWindowPoints(target.Handle(), nullptr, reinterpret_cast<POINT*>(&area), 2);
                    EXPECT_LT(area.right - area.left, to.right - to.left) << "a framed window";
                }
            }
            EXPECT_EQ(Tick(), s.Step < sMinimise) << s.Step;
            EXPECT_EQ(Captured(), std::make_tuple(area.left, area.top, area.right, area.bottom, false)) << client << " " << s.Step;
            EXPECT_EQ(MainForm->Frame.get() != frame, s.Step == sResize) << "a setup at a new size alone";
            if (s.Step < sMinimise)
                expected = ExpectedPixels(area, 30);
            ExpectShown(expected, area);
        }
    }
    EXPECT_TRUE(recorder.Errors.empty());
}

}  // namespace
