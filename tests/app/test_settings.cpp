// Settings kept between runs, against a key of the tests' own: a round trip through a restart of
// the form, corrupt values each falling back alone, the closed toolbar back, Reset settings.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <tuple>

#include "MainFormFixture.h"
#include "Settings.h"

namespace {

const wchar_t* const TestKey = L"Software\\TinteyeTests\\Settings";

class SettingsTest : public TMainFormFixture {
protected:
    void SetUp() override
    {
        SetSettingsKey(HKEY_CURRENT_USER, TestKey);
        TSettingsStore().Erase();
        TMainFormFixture::SetUp();
    }
    void TearDown() override
    {
        TMainFormFixture::TearDown();
        TSettingsStore().Erase();
        SetSettingsKey(nullptr, L"");
    }

    // Closed (which stores) unless told not to, made again (which reads) and shown.
    static void Restart(bool close = true)
    {
        if (close)
            MainForm->Close();
        delete MainForm;
        MSG quit;
        while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        Application->CreateForm(MainForm);
        MainForm->Show();
        PumpMessages(100);
    }
    // The options, then the form's bounds.
    static auto Options()
    {
        return std::make_tuple(MainForm->Method(), MainForm->SwapEyes(), MainForm->HalfWidthPair(), MainForm->FrameRate(),
                               MainForm->AlwaysOnTop(), MainForm->Zoom(), MainForm->Edit1->Text(), MainForm->Left(),
                               MainForm->Top(), MainForm->Width(), MainForm->Height());
    }
    static auto FirstRun()
    {
        return std::make_tuple(amColour, false, false, fr10, false, zm100, std::wstring(L"30"),
                               (GetSystemMetrics(SM_CXSCREEN) - 330) / 2, (GetSystemMetrics(SM_CYSCREEN) - 90) / 2, 330, 90);
    }
    static void Choose()
    {
        MainForm->SetMethod(amDubois);
        MainForm->SetSwapEyes(true);
        MainForm->SetHalfWidthPair(true);
        MainForm->SetFrameRate(fr60);
        MainForm->SetAlwaysOnTop(true);
        MainForm->SetZoom(zmFit);
        MainForm->Edit1->SetText(L"-7");
        MainForm->SetBounds(90, 130, 510, 290);
        MainForm->ToolWindow971->SetDockedTo(nullptr);
        PumpMessages(50);
    }
};

TEST_F(SettingsTest, EverythingComesBackAfterARestartTheClosedToolbarVisibleAndFullScreenNot)
{
    EXPECT_EQ(Options(), FirstRun());
    Choose();
    const RECT bar = MainForm->ToolWindow971->BoundsRect();
    MainForm->ToolWindow971->SetVisible(false);  // closed with its button: hidden for this run only
    MainForm->SetFullScreen(true);
    Restart();
    EXPECT_EQ(Options(), std::make_tuple(amDubois, true, true, fr60, true, zmFit, std::wstring(L"-7"), 90, 130, 510, 290));
    EXPECT_FALSE(MainForm->FullScreen());
    EXPECT_TRUE(GetWindowLongPtrW(MainForm->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(MainForm->ToolWindow971->IsDocked());
    EXPECT_TRUE(IsWindowVisible(MainForm->ToolWindow971->Handle()));
    const RECT now = MainForm->ToolWindow971->BoundsRect();
    EXPECT_EQ(std::make_pair(now.left, now.top), std::make_pair(bar.left, bar.top));

    // Maximised: the normal bounds stay those of before; docked at a place of its own.
    MainForm->ToolWindow971->SetDockPos(40);
    MainForm->ToolWindow971->SetDockedTo(MainForm->Dock971);
    MainForm->SetWindowState(wsMaximized);
    PumpMessages(100);
    Restart();
    EXPECT_TRUE(IsZoomed(MainForm->Handle()));
    WINDOWPLACEMENT p{};
    p.length = sizeof(p);
    GetWindowPlacement(MainForm->Handle(), &p);
    EXPECT_EQ(std::make_pair(p.rcNormalPosition.left, p.rcNormalPosition.right), std::make_pair(90L, 600L));
    EXPECT_TRUE(MainForm->ToolWindow971->IsDocked());
    EXPECT_EQ(MainForm->ToolWindow971->DockPos(), 40);
}

TEST_F(SettingsTest, ACorruptValueFallsBackAloneAndAnUnreachableWindowComesOnScreen)
{
    const RECT work = WorkAreaOfRect(RECT{90, 130, 600, 420});
    // One value spoilt per row (a DWORD or a text), what the form then shows for it, and what it
    // shows when that value is kept.
    struct { const wchar_t* Name; bool Text; int32_t Number; std::function<bool()> Fallen, Kept; } rows[] = {
        {L"Method", true, 3, [] { return MainForm->Method() == amColour; }, [] { return MainForm->Method() == amDubois; }},
        {L"FrameRate", false, 3, [] { return MainForm->FrameRate() == fr10; }, [] { return MainForm->FrameRate() == fr60; }},
        {L"Zoom", false, -1, [] { return MainForm->Zoom() == zm100; }, [] { return MainForm->Zoom() == zmFit; }},
        {L"SwapEyes", false, 2, [] { return !MainForm->SwapEyes(); }, [] { return MainForm->SwapEyes(); }},
        {L"Shift", false, 5, [] { return MainForm->Edit1->Text() == L"30"; }, [] { return MainForm->Edit1->Text() == L"-7"; }},
        {L"Width", false, 0, [] { return MainForm->Width() == 330; }, [] { return MainForm->Width() == 510; }},
        // Wholly off the screen: back onto the work area's edge; a top that is no number: centred.
        {L"Left", false, -20000, [&] { return MainForm->Left() == work.left; }, [] { return MainForm->Left() == 90; }},
        {L"Top", true, 0, [] { return MainForm->Top() == (GetSystemMetrics(SM_CYSCREEN) - 290) / 2; },
         [] { return MainForm->Top() == 130; }},
    };
    for (const auto& c : rows) {
        Choose();
        Restart();
        c.Text ? TSettingsStore().WriteString(c.Name, std::to_wstring(c.Number)) : TSettingsStore().WriteInt(c.Name, c.Number);
        Restart(false);
        EXPECT_TRUE(c.Fallen()) << Narrow(c.Name);
        for (const auto& other : rows)
            EXPECT_TRUE(&other == &c || other.Kept()) << Narrow(other.Name) << " with " << Narrow(c.Name) << " spoilt";
        EXPECT_EQ(MainForm->Height(), 290) << Narrow(c.Name);
    }
}

TEST_F(SettingsTest, ResetSettingsForgetsTheKeyAndPutsEverythingBackAtOnce)
{
    Choose();
    MainForm->ToolWindow971->SetVisible(false);
    Restart();
    ASSERT_TRUE(TSettingsStore().Exists());
    MainForm->SetFullScreen(true);
    MainForm->ResetSettings();
    EXPECT_FALSE(TSettingsStore().Exists());
    EXPECT_EQ(Options(), FirstRun());
    EXPECT_FALSE(MainForm->FullScreen());
    EXPECT_FALSE(GetWindowLongPtrW(MainForm->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    TToolWindow97* bar = MainForm->ToolWindow971;
    EXPECT_EQ(std::make_tuple(bar->IsDocked(), bar->DockRow(), bar->DockPos(), bar->Visible()),
              std::make_tuple(true, 0, 0, true));
    // Without a key (as every other test runs) nothing is written at close.
    SetSettingsKey(nullptr, L"");
    MainForm->Close();
    SetSettingsKey(HKEY_CURRENT_USER, TestKey);
    EXPECT_FALSE(TSettingsStore().Exists());
}

}  // namespace
