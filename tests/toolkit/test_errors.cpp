// The top-level error report: text, caption and box style, and the loop going on afterwards.
#include <gtest/gtest.h>

#include <memory>

#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "TestSupport.h"

namespace {

POINT CentreOnScreen(TControl* control)
{
    return control->ClientToScreen(POINT{control->Width() / 2, control->Height() / 2});
}

}  // namespace

TEST(ErrorReport, FullStopOnlyAfterCharactersSortingAfterThePoint)
{
    struct TCase {
        const wchar_t* Message;
        const wchar_t* Text;
    };
    const TCase cases[] = {
        {L"Disk full", L"Disk full."},
        {L"Saved.", L"Saved."},
        {L"Stop!", L"Stop!"},
        {L"Really?", L"Really?."},  // '?' sorts after '.'
        {L"(see above)", L"(see above)"},
        {L"path a/", L"path a/."},
        {L"count 1", L"count 1."},
        {L"minus -", L"minus -"},
        {L"trailing ", L"trailing "},
        {L"タイマーを取得できません", L"タイマーを取得できません."},
        {L"", L""},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(TApplication::ErrorText(c.Message), c.Text) << Narrow(c.Message);
}

TEST(ErrorReport, ClickHandlerErrorIsReportedAndTheLoopGoesOn)
{
    TErrorRecorder recorder;
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(200, 200, 300, 150);
    auto* button = new TButton(form.get());
    button->SetParent(form.get());
    button->SetBounds(20, 20, 120, 30);
    int clicks = 0;
    button->OnClick = [&](TObject*) {
        if (++clicks == 1)
            throw EInvalidOperation(L"ボタンが壊れました");
    };
    form->Show();
    ASSERT_TRUE(BringToFront(form->Handle()));
    ClickAt(CentreOnScreen(button));
    ASSERT_TRUE(PumpUntil([&] { return !recorder.Errors.empty(); }, 2000));
    ASSERT_EQ(recorder.Errors.size(), 1u);
    EXPECT_EQ(recorder.Errors[0].Text, L"ボタンが壊れました.");
    EXPECT_EQ(recorder.Errors[0].Caption, L"toolkit_tests");
    EXPECT_EQ(recorder.Errors[0].Caption, Application->Title());
    EXPECT_EQ(recorder.Errors[0].Style, static_cast<UINT>(MB_OK | MB_ICONERROR | MB_SETFOREGROUND));
    EXPECT_EQ(recorder.Errors[0].Owner, form->Handle()) << "no main form: the active window owns the box";

    ClickAt(CentreOnScreen(button));
    EXPECT_TRUE(PumpUntil([&] { return clicks == 2; }, 2000));
    EXPECT_EQ(recorder.Errors.size(), 1u);
}

TEST(ErrorReport, TimerHandlerErrorsAreReportedUnderTheTitleAndTicksGoOn)
{
    TErrorRecorder recorder;
    const std::wstring oldTitle = Application->Title();
    struct TRestoreTitle {
        std::wstring Title;
        ~TRestoreTitle() { Application->SetTitle(Title); }
    } restore{oldTitle};
    Application->SetTitle(L"Tinteye テスト");

    TTimer timer(nullptr);
    timer.SetInterval(30);
    int ticks = 0;
    timer.SetOnTimer([&](TObject*) {
        if (++ticks <= 2)
            throw EOutOfResources(L"もう一度!");
    });
    ASSERT_TRUE(PumpUntil([&] { return ticks >= 4; }, 3000));
    ASSERT_EQ(recorder.Errors.size(), 2u);
    for (const TReportedError& e : recorder.Errors) {
        EXPECT_EQ(e.Text, L"もう一度!");
        EXPECT_EQ(e.Caption, L"Tinteye テスト");
        EXPECT_EQ(e.Style, static_cast<UINT>(MB_OK | MB_ICONERROR | MB_SETFOREGROUND));
    }
}

TEST(ErrorReport, ErrorsFromOtherWindowMessagesAreReportedToo)
{
    TErrorRecorder recorder;
    auto form = std::make_unique<TForm>(nullptr);
    form->OnResize = [](TObject*) { throw EConvertError(L"resize failed"); };
    HWND handle = form->Handle();
    SetWindowPos(handle, nullptr, 0, 0, 250, 180, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_FALSE(recorder.Errors.empty());
    EXPECT_EQ(recorder.Errors[0].Text, L"resize failed.");
    EXPECT_TRUE(IsWindow(handle));
    EXPECT_EQ(form->Width(), 250);
}
