// A layout stored at 96 DPI loaded at 144 DPI, and forms following WM_DPICHANGED.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Forms.h"
#include "ScopeExit.h"
#include "StdCtrls.h"
#include "Streaming.h"
#include "TestSupport.h"

namespace {

class TDpiProbe : public TGraphicControl {
    TK_CLASSINFO(TDpiProbe, TGraphicControl)
public:
    using TGraphicControl::TGraphicControl;
    std::vector<std::pair<int, int>> Changes;
    void DpiChanged(int OldDpi, int NewDpi) override { Changes.emplace_back(OldDpi, NewDpi); }
};

const TClassInfo& TDpiProbe::StaticClassInfo()
{
    static const auto info = TClassBuilder<TDpiProbe>(L"TDpiProbe", &TGraphicControl::StaticClassInfo()).Creatable().Build();
    return info;
}

// Nested windowed controls, an edit box with its own font ending where the button begins, a
// control at a negative position and an aligned bar; no two sides alike.
const wchar_t* const Layout96 = LR"(object DpiForm: TForm Left = 60 Top = 40 Width = 437 Height = 311
  Font.Name = 'Arial' Font.Height = -12 PixelsPerInch = 96 TextHeight = 12
  object Outer: TScrollBox Left = 7 Top = 13 Width = 301 Height = 187 BorderStyle = bsNone
    object Inner: TScrollBox Left = 3 Top = 5 Width = 211 Height = 121 BorderStyle = bsNone
      object Edit1: TEdit Left = 5 Top = 3 Width = 75 Height = 23 Font.Name = 'Arial' Font.Height = -11 end
      object Button1: TButton Left = 80 Top = 3 Width = 41 Height = 25 end
      object Probe: TDpiProbe Left = -3 Top = 97 Width = 10 Height = 17 end
    end
  end
  object Bar: TScrollBox Align = alBottom Height = 27 end
end)";

using TBounds = std::array<int, 5>;  // left, top, width, height, font height

// By hand: edges times 1.5, halves away from zero. Edit1 still ends at 120 where Button1
// begins (scaled widths would overlap them); the bar is 27 * 1.5 high wherever it is aligned.
struct TRow {
    const wchar_t* Name;
    TBounds At96, At144;
} const Rows[] = {
    {L"Outer", {7, 13, 301, 187, -12}, {11, 20, 451, 280, -18}},
    {L"Inner", {3, 5, 211, 121, -12}, {5, 8, 316, 181, -18}},
    {L"Edit1", {5, 3, 75, 23, -11}, {8, 5, 112, 34, -17}},
    {L"Button1", {80, 3, 41, 25, -12}, {120, 5, 62, 37, -18}},
    {L"Probe", {-3, 97, 10, 17, -12}, {-5, 146, 16, 25, -18}},
};

TBounds BoundsOf(TControl* c)
{
    RECT r = c->BoundsRect();
    if (auto* w = dynamic_cast<TWinControl*>(c); w && w->HandleAllocated()) {  // the real window
        GetWindowRect(w->Handle(), &r);
        MapWindowPoints(HWND_DESKTOP, GetParent(w->Handle()), reinterpret_cast<POINT*>(&r), 2);
    }
    return {r.left, r.top, r.right - r.left, r.bottom - r.top, c->Font()->Height()};
}

void ExpectControlsAt(TForm* form, bool scaled)
{
    for (const TRow& row : Rows) {
        auto* c = static_cast<TControl*>(form->FindComponent(row.Name));
        EXPECT_EQ(BoundsOf(c), scaled ? row.At144 : row.At96) << Narrow(row.Name);
    }
    EXPECT_EQ(form->Font()->Size(), 9);  // points stay points
    auto* bar = static_cast<TControl*>(form->FindComponent(L"Bar"));
    EXPECT_EQ(bar->Height(), scaled ? 41 : 27);
    EXPECT_EQ(bar->Top() + bar->Height(), form->ClientHeight());  // aligned after scaling
}

std::unique_ptr<TForm> LoadAt(int displayDpi, const std::wstring& extra = L"")
{
    for (const TClassInfo* c : {&TScrollBox::StaticClassInfo(), &TEdit::StaticClassInfo(),
                                &TButton::StaticClassInfo(), &TDpiProbe::StaticClassInfo()})
        RegisterComponentClass(*c);
    SetAssumedDisplayDpi(displayDpi);
    std::wstring text = Layout96;
    auto form = std::make_unique<TForm>(nullptr);
    ReadComponentFromText(form.get(), ReadLayoutText(text.insert(text.find(L"\n  object Outer"), extra)));
    return form;
}

}  // namespace

TEST(Dpi, LayoutStoredAt96IsScaledOnceWhenLoadedAtAnotherDpi)
{
    TScopeExit real([] { SetAssumedDisplayDpi(0); });
    const auto at96 = LoadAt(96);
    ExpectControlsAt(at96.get(), false);
    for (const bool scaled : {true, false}) {
        SCOPED_TRACE(scaled);
        const auto form = LoadAt(144, scaled ? L"" : L" Scaled = False");
        ExpectControlsAt(form.get(), scaled);
        EXPECT_EQ(form->PixelsPerInch(), scaled ? 144 : 96);
        EXPECT_EQ(form->TextHeight(), scaled ? 18 : 12);
        // The client area scales; the frame and the place on the screen do not.
        EXPECT_EQ(form->ClientWidth(), scaled ? (at96->ClientWidth() * 3 + 1) / 2 : at96->ClientWidth());
        EXPECT_EQ(form->ClientHeight(), scaled ? (at96->ClientHeight() * 3 + 1) / 2 : at96->ClientHeight());
        EXPECT_EQ(form->Width() - form->ClientWidth(), at96->Width() - at96->ClientWidth());
        EXPECT_EQ(std::make_pair(form->Left(), form->Top()), std::make_pair(60, 40));
    }
}

TEST(Dpi, FormFollowsWmDpiChangedIntoTheSuggestedRectangle)
{
    TScopeExit real([] { SetAssumedDisplayDpi(0); });
    const auto form = LoadAt(96);
    form->Show();
    HWND window = form->Handle();
    auto* probe = static_cast<TDpiProbe*>(form->FindComponent(L"Probe"));
    RECT original{}, now{};
    const RECT to144{50, 60, 750, 590}, to120{70, 80, 670, 500};
    GetWindowRect(window, &original);
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&to144));
    GetWindowRect(window, &now);
    EXPECT_TRUE(EqualRect(&now, &to144));
    ExpectControlsAt(form.get(), true);
    EXPECT_EQ(form->PixelsPerInch(), 144);
    EXPECT_EQ(probe->CurrentDpi(), 144);

    // A change arriving while one is applied (here from OnResize) waits for it to end.
    bool sent = false;
    form->OnResize = [&](TObject*) {
        if (!std::exchange(sent, true))
            SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(120, 120), reinterpret_cast<LPARAM>(&to120));
    };
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&original));
    GetWindowRect(window, &now);
    EXPECT_TRUE(sent && EqualRect(&now, &to120));
    EXPECT_EQ(form->PixelsPerInch(), 120);
    EXPECT_EQ(BoundsOf(static_cast<TControl*>(form->FindComponent(L"Edit1"))), (TBounds{6, 4, 94, 29, -14}));
    EXPECT_EQ(probe->Changes, (std::vector<std::pair<int, int>>{{96, 144}, {144, 96}, {96, 120}}));
}

TEST(Dpi, LayoutAndMetricsFollowTheDpiWineIsStartedAt)
{
    // Wine's display DPI is LogPixels (TINTEYE_DPI of cmake/wine-run), 96 when absent.
    DWORD dpi = 96, size = sizeof(dpi);
    RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", RRF_RT_REG_DWORD, nullptr, &dpi, &size);
    if (dpi != 96 && dpi != 144)
        GTEST_SKIP() << "the table is for 96 and 144 DPI, not " << dpi;
    const auto form = LoadAt(0);
    form->Show();
    EXPECT_EQ(std::make_pair(ScreenDpi(), form->CurrentDpi()), std::make_pair(int(dpi), int(dpi)));
    ExpectControlsAt(form.get(), dpi == 144);
    for (int index : {SM_CYCAPTION, SM_CXVSCROLL}) {  // the system's metric at its DPI, larger at twice that
        EXPECT_EQ(SystemMetricsForDpi(index, int(dpi)), GetSystemMetrics(index)) << index;
        EXPECT_GT(SystemMetricsForDpi(index, 2 * int(dpi)), GetSystemMetrics(index)) << index;
    }
}

TEST(Dpi, AChangeRunsToTheEndPastAHandlerThatRaisesAndLeavesAnUnscaledControlAtItsPixels)
{
    TScopeExit real([] { SetAssumedDisplayDpi(0); });
    auto find = [](const std::unique_ptr<TForm>& f, const wchar_t* name) { return static_cast<TControl*>(f->FindComponent(name)); };
    struct TRow {
        std::vector<const wchar_t*> Raising;  // their OnResize raises in every change
        std::wstring Unscaled;
    } const rows[]{{{L"Edit1", L"Probe"}, L""}, {{L"Bar"}, L""}, {{}, L"Inner"}, {{L"Probe"}, L"Button1"}};
    for (const TRow& row : rows) {
        SCOPED_TRACE(testing::Message() << row.Raising.size() << " raising, unscaled " << Narrow(row.Unscaled));
        // The same changes without a handler that raises: where every control must end.
        const std::unique_ptr<TForm> forms[]{LoadAt(96), LoadAt(96)};
        const auto& [form, clean] = forms;
        for (const auto& f : forms) {
            if (!row.Unscaled.empty())
                find(f, row.Unscaled.c_str())->SetScaleWithDpi(false);
            f->Show();
        }
        for (const wchar_t* name : row.Raising)
            find(form, name)->OnResize = [](TObject*) { throw Exception(L"resize"); };
        TErrorRecorder errors;
        const RECT to144{50, 60, 750, 590}, to120{70, 80, 670, 500};
        for (const auto& [dpi, to] : {std::pair(144, to144), std::pair(120, to120)}) {
            RECT now{};
            for (const auto& f : forms)
                SendMessageW(f->Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&to));
            GetWindowRect(form->Handle(), &now);
            EXPECT_TRUE(EqualRect(&now, &to)) << dpi;
            EXPECT_EQ(form->PixelsPerInch(), dpi);
            for (const wchar_t* name : {L"Outer", L"Inner", L"Edit1", L"Button1", L"Probe", L"Bar"})
                EXPECT_EQ(BoundsOf(find(form, name)), BoundsOf(find(clean, name))) << Narrow(name) << " at " << dpi;
            EXPECT_EQ(static_cast<TDpiProbe*>(find(form, L"Probe"))->Changes,
                      static_cast<TDpiProbe*>(find(clean, L"Probe"))->Changes);
            EXPECT_EQ(errors.Errors.size(), row.Raising.empty() ? 0u : dpi == 144 ? 1u : 2u) << "once a change";
            // It and all inside it keep their pixels; a font of the parent's follows the parent.
            for (const auto& r : Rows)
                if (r.Name == row.Unscaled || (row.Unscaled == L"Inner" && r.Name != std::wstring(L"Outer")))
                    EXPECT_TRUE(std::equal(r.At96.begin(), r.At96.begin() + 4, BoundsOf(find(form, r.Name)).begin()))
                        << Narrow(r.Name) << " keeps its pixels at " << dpi;
        }
    }
}
