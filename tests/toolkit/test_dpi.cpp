// Following the display's DPI: a layout stored at 96 DPI loaded on a 144-DPI display, and a
// form told by WM_DPICHANGED that its window moved to another DPI.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Forms.h"
#include "LayoutText.h"
#include "ScopeExit.h"
#include "StdCtrls.h"
#include "Streaming.h"
#include "TestSupport.h"

namespace {

class TDpiProbe : public TGraphicControl {
    TK_CLASSINFO(TDpiProbe, TGraphicControl)
public:
    explicit TDpiProbe(TComponent* owner) : TGraphicControl(owner) {}
    std::vector<std::pair<int, int>> Changes;
    void DpiChanged(int OldDpi, int NewDpi) override { Changes.emplace_back(OldDpi, NewDpi); }
};

const TClassInfo& TDpiProbe::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TDpiProbe>(L"TDpiProbe", &TGraphicControl::StaticClassInfo()).Creatable().Build();
    return info;
}

class TDpiForm : public TForm {
    TK_CLASSINFO(TDpiForm, TForm)
public:
    explicit TDpiForm(TComponent* owner) : TForm(owner) {}
    TScrollBox *Outer = nullptr, *Inner = nullptr, *Bar = nullptr;
    TEdit* Edit1 = nullptr;
    TButton* Button1 = nullptr;
    TDpiProbe* Probe = nullptr;
};

const TClassInfo& TDpiForm::StaticClassInfo()
{
    static const TClassInfo info = TClassBuilder<TDpiForm>(L"TDpiForm", &TForm::StaticClassInfo())
        .Field(L"Outer", &TDpiForm::Outer)
        .Field(L"Inner", &TDpiForm::Inner)
        .Field(L"Bar", &TDpiForm::Bar)
        .Field(L"Edit1", &TDpiForm::Edit1)
        .Field(L"Button1", &TDpiForm::Button1)
        .Field(L"Probe", &TDpiForm::Probe)
        .Build();
    return info;
}

// Nested windowed controls, an edit box with a font of its own that ends where the button
// begins, a control at a negative position and an aligned bar; no two sides alike.
const wchar_t* const Layout96 = LR"(object DpiForm: TDpiForm
  Left = 60
  Top = 40
  Width = 437
  Height = 311
  Font.Name = 'Arial'
  Font.Height = -12
  PixelsPerInch = 96
  TextHeight = 12
  object Outer: TScrollBox
    Left = 7
    Top = 13
    Width = 301
    Height = 187
    BorderStyle = bsNone
    object Inner: TScrollBox
      Left = 3
      Top = 5
      Width = 211
      Height = 121
      BorderStyle = bsNone
      object Edit1: TEdit
        Left = 5
        Top = 3
        Width = 75
        Height = 23
        Font.Name = 'Arial'
        Font.Height = -11
      end
      object Button1: TButton
        Left = 80
        Top = 3
        Width = 41
        Height = 25
      end
      object Probe: TDpiProbe
        Left = -3
        Top = 97
        Width = 10
        Height = 17
      end
    end
  end
  object Bar: TScrollBox
    Align = alBottom
    Height = 27
  end
end
)";

struct TBounds {
    int Left, Top, Width, Height;
    bool operator==(const TBounds&) const = default;
};

std::ostream& operator<<(std::ostream& s, const TBounds& b)
{
    return s << "(" << b.Left << ", " << b.Top << ", " << b.Width << ", " << b.Height << ")";
}

// Expected by hand: edges times 1.5, halves away from zero. Edit1 ends at 120 where Button1
// begins, as both did at 80 (scaled widths would give 113 and overlap); the bottom bar is
// 27 * 1.5 high wherever the alignment puts it.
struct TRow {
    const wchar_t* Name;
    TBounds At96, At144;
    int Font96, Font144;
};
const TRow Rows[] = {
    {L"Outer", {7, 13, 301, 187}, {11, 20, 451, 280}, -12, -18},
    {L"Inner", {3, 5, 211, 121}, {5, 8, 316, 181}, -12, -18},
    {L"Edit1", {5, 3, 75, 23}, {8, 5, 112, 34}, -11, -17},
    {L"Button1", {80, 3, 41, 25}, {120, 5, 62, 37}, -12, -18},
    {L"Probe", {-3, 97, 10, 17}, {-5, 146, 16, 25}, -12, -18},
};

TBounds BoundsOf(TControl* c)
{
    auto* w = dynamic_cast<TWinControl*>(c);
    if (!w || !w->HandleAllocated())
        return {c->Left(), c->Top(), c->Width(), c->Height()};
    // The real window, not the fields.
    RECT r{};
    GetWindowRect(w->Handle(), &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(w->Handle()), reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

int FontHeightOf(TControl* c)
{
    // The font the window draws with, where the window keeps one (standard controls do).
    auto* w = dynamic_cast<TWinControl*>(c);
    LOGFONTW lf{};
    if (w && w->HandleAllocated() &&
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(w->Handle(), WM_GETFONT, 0, 0)), sizeof(lf), &lf))
        return lf.lfHeight;
    return c->Font()->Height();
}

void ExpectControlsAt(TDpiForm* form, bool scaled)
{
    for (const TRow& row : Rows) {
        auto* c = dynamic_cast<TControl*>(form->FindComponent(row.Name));
        ASSERT_NE(c, nullptr) << Narrow(row.Name);
        EXPECT_EQ(BoundsOf(c), scaled ? row.At144 : row.At96) << Narrow(c->Name());
        EXPECT_EQ(FontHeightOf(c), scaled ? row.Font144 : row.Font96) << Narrow(c->Name());
    }
    EXPECT_EQ(form->Font()->Size(), 9);  // points stay points
    EXPECT_EQ(form->Bar->Height(), scaled ? 41 : 27);
    EXPECT_EQ(form->Bar->Top() + form->Bar->Height(), form->ClientHeight());  // aligned after scaling
}

std::unique_ptr<TDpiForm> LoadAt(int displayDpi, const std::wstring& extra = L"")
{
    SetAssumedDisplayDpi(displayDpi);
    std::wstring text = Layout96;
    text.insert(text.find(L"  object Outer"), extra);
    auto form = std::make_unique<TDpiForm>(nullptr);
    ReadComponentFromText(form.get(), ReadLayoutText(text));
    return form;
}

}  // namespace

TEST(Dpi, LayoutStoredAt96IsScaledOnceWhenLoadedAtAnotherDpi)
{
    TScopeExit real([] { SetAssumedDisplayDpi(0); });
    const auto at96 = LoadAt(96);
    ExpectControlsAt(at96.get(), false);
    EXPECT_EQ(at96->PixelsPerInch(), 96);

    struct TCase {
        const wchar_t* Extra;
        bool Scaled;
    } const cases[] = {{L"", true}, {L"  Scaled = False\n", false}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Scaled);
        const auto form = LoadAt(144, c.Extra);
        ExpectControlsAt(form.get(), c.Scaled);
        EXPECT_EQ(form->PixelsPerInch(), c.Scaled ? 144 : 96);
        EXPECT_EQ(form->TextHeight(), c.Scaled ? 18 : 12);
        // The client area scales, the frame and the place on the screen do not.
        EXPECT_EQ(form->ClientWidth(), c.Scaled ? (at96->ClientWidth() * 3 + 1) / 2 : at96->ClientWidth());
        EXPECT_EQ(form->ClientHeight(), c.Scaled ? (at96->ClientHeight() * 3 + 1) / 2 : at96->ClientHeight());
        EXPECT_EQ(form->Width() - form->ClientWidth(), at96->Width() - at96->ClientWidth());
        EXPECT_EQ(form->Left(), 60);
        EXPECT_EQ(form->Top(), 40);
    }
}

TEST(Dpi, FormFollowsWmDpiChangedIntoTheSuggestedRectangle)
{
    TScopeExit real([] { SetAssumedDisplayDpi(0); });
    const auto form = LoadAt(96);
    form->Show();
    HWND window = form->Handle();
    RECT original{};
    GetWindowRect(window, &original);

    const RECT to144{50, 60, 50 + 700, 60 + 530};
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&to144));
    RECT now{};
    GetWindowRect(window, &now);
    EXPECT_TRUE(EqualRect(&now, &to144));
    ExpectControlsAt(form.get(), true);
    EXPECT_EQ(form->PixelsPerInch(), 144);
    EXPECT_EQ(form->Probe->CurrentDpi(), 144);
    EXPECT_EQ(form->Probe->Changes, (std::vector<std::pair<int, int>>{{96, 144}}));

    // Another change arriving while one is applied (here from OnResize) waits for it to end.
    const RECT to120{70, 80, 70 + 600, 80 + 420};
    bool sent = false;
    form->OnResize = [&](TObject*) {
        if (!std::exchange(sent, true))
            SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(120, 120), reinterpret_cast<LPARAM>(&to120));
    };
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&original));
    ASSERT_TRUE(sent);
    GetWindowRect(window, &now);
    EXPECT_TRUE(EqualRect(&now, &to120));
    EXPECT_EQ(form->PixelsPerInch(), 120);
    EXPECT_EQ(BoundsOf(form->Edit1), (TBounds{6, 4, 94, 29}));  // 144 -> 96 -> 120 as 96 -> 120
    EXPECT_EQ(form->Probe->Changes, (std::vector<std::pair<int, int>>{{96, 144}, {144, 96}, {96, 120}}));
}

TEST(Dpi, LayoutFollowsTheDpiWineIsStartedAt)
{
    // Wine's display DPI: LogPixels (TINTEYE_DPI of cmake/wine-run), 96 when absent.
    DWORD logPixels = 96, size = sizeof(logPixels);
    RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", RRF_RT_REG_DWORD, nullptr, &logPixels,
                 &size);
    if (logPixels != 96 && logPixels != 144)
        GTEST_SKIP() << "the layout table is for 96 and 144 DPI, not " << logPixels;
    const auto form = LoadAt(0);
    form->Show();
    EXPECT_EQ(ScreenDpi(), static_cast<int>(logPixels));
    EXPECT_EQ(form->CurrentDpi(), static_cast<int>(logPixels));
    ExpectControlsAt(form.get(), logPixels == 144);
}
