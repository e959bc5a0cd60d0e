// Stored layouts through the real component classes: read, write, read again; malformed layouts.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ExtCtrls.h"
#include "Forms.h"
#include "LayoutText.h"
#include "StdCtrls.h"
#include "Streaming.h"
#include "TestSupport.h"

namespace {

// A control that refers to another one and stores a list of points outside its published properties.
class TLinkLabel : public TGraphicControl {
    TK_CLASSINFO(TLinkLabel, TGraphicControl)
public:
    explicit TLinkLabel(TComponent* owner) : TGraphicControl(owner) {}
    TControl* Target() const { return FTarget; }
    void SetTarget(TControl* value)
    {
        FTarget = value;
        if (value)
            value->FreeNotification(this);
    }
    std::vector<int> Points;

    void DefineProperties(TFiler& filer) override
    {
        filer.DefineProperty(
            L"Points",
            [this](const TLayoutValue& v) {
                if (v.Kind != lvList)
                    throw EReadError(L"Points: expected a list");
                Points.clear();
                for (const TLayoutValue& item : v.List)
                    Points.push_back(static_cast<int>(item.Integer));
            },
            [this] {
                std::vector<TLayoutValue> items;
                for (int p : Points)
                    items.push_back(TLayoutValue::FromInteger(p));
                return TLayoutValue::FromList(std::move(items));
            },
            !Points.empty());
    }
    void Notification(TComponent* component, TOperation operation) override
    {
        TGraphicControl::Notification(component, operation);
        if (operation == opRemove && component == FTarget)
            FTarget = nullptr;
    }

private:
    TControl* FTarget = nullptr;
};

const TClassInfo& TLinkLabel::StaticClassInfo()
{
    static const TClassInfo info = TClassBuilder<TLinkLabel>(L"TLinkLabel", &TGraphicControl::StaticClassInfo())
        .Creatable()
        .Component(L"Target", &TLinkLabel::Target, &TLinkLabel::SetTarget)
        .Build();
    return info;
}

class TStreamForm : public TForm {
    TK_CLASSINFO(TStreamForm, TForm)
public:
    explicit TStreamForm(TComponent* owner) : TForm(owner) {}
    TScrollBox* Panel = nullptr;
    TButton* Button1 = nullptr;
    TLinkLabel* Link = nullptr;
    TEdit* Edit1 = nullptr;
    TTimer* Timer1 = nullptr;
    int Clicks = 0, Ticks = 0, Closes = 0;

    void Button1Click(TObject* sender) { Clicks += sender == Button1 ? 1 : 100; }
    void Timer1Timer(TObject*) { ++Ticks; }
    void FormClose(TObject*, TCloseAction& action)
    {
        ++Closes;
        action = caNone;
    }
};

const TClassInfo& TStreamForm::StaticClassInfo()
{
    static const TClassInfo info = TClassBuilder<TStreamForm>(L"TStreamForm", &TForm::StaticClassInfo())
        .Field(L"Panel", &TStreamForm::Panel)
        .Field(L"Button1", &TStreamForm::Button1)
        .Field(L"Link", &TStreamForm::Link)
        .Field(L"Edit1", &TStreamForm::Edit1)
        .Field(L"Timer1", &TStreamForm::Timer1)
        .Method(L"Button1Click", &TStreamForm::Button1Click)
        .Method(L"Timer1Timer", &TStreamForm::Timer1Timer)
        .Method(L"FormClose", &TStreamForm::FormClose)
        .Build();
    return info;
}

// Link comes before Edit1, the component it refers to: the reference is resolved after reading.
const wchar_t* const StoredLayout = LR"(object StreamForm: TStreamForm
  Left = 100
  Top = 120
  Width = 400
  Height = 300
  Caption = '立体視のテスト'
  Font.Name = 'Arial'
  Font.Height = -15
  Font.Style = [fsBold]
  Position = poScreenCenter
  OnClose = FormClose
  PixelsPerInch = 96
  TextHeight = 16
  object Panel: TScrollBox
    Height = 60
    Align = alTop
    BorderStyle = bsNone
    object Button1: TButton
      Left = 8
      Top = 8
      Width = 90
      Caption = '開始'
      OnClick = Button1Click
    end
  end
  object Link: TLinkLabel
    Left = 120
    Top = 80
    Width = 50
    Height = 20
    Target = Edit1
    Points = (3 1 4)
  end
  object Edit1: TEdit
    Left = 8
    Top = 80
    Enabled = False
    Text = '右へ 12'
  end
  object Timer1: TTimer
    Enabled = False
    Interval = 250
    OnTimer = Timer1Timer
  end
end
)";

std::unique_ptr<TStreamForm> ReadForm(const std::wstring& text)
{
    auto form = std::make_unique<TStreamForm>(nullptr);
    ReadComponentFromText(form.get(), ReadLayoutText(text));
    return form;
}

std::wstring WriteForm(TStreamForm* form)
{
    return WriteLayoutText(WriteComponentToTree(form));
}

const TLayoutObject* Child(const TLayoutObject& parent, const std::wstring& name)
{
    for (const TLayoutObject& c : parent.Children)
        if (c.Name == name)
            return &c;
    return nullptr;
}

}  // namespace

TEST(Streaming, ReadSetsPropertiesFieldsReferencesAndEvents)
{
    auto form = ReadForm(StoredLayout);
    EXPECT_EQ(form->Name(), L"StreamForm");
    EXPECT_EQ(form->Caption(), L"立体視のテスト");
    EXPECT_EQ(form->Font()->Name(), L"Arial");
    EXPECT_EQ(form->Font()->Height(), -15);
    EXPECT_TRUE(form->Font()->Style().Contains(fsBold));
    EXPECT_EQ(form->Position(), poScreenCenter);
    EXPECT_EQ(form->Width(), 400);
    ASSERT_NE(form->Panel, nullptr);
    ASSERT_NE(form->Button1, nullptr);
    ASSERT_NE(form->Link, nullptr);
    ASSERT_NE(form->Edit1, nullptr);
    ASSERT_NE(form->Timer1, nullptr);
    EXPECT_EQ(form->Button1->Parent(), form->Panel);
    EXPECT_EQ(form->Panel->Parent(), form.get());
    EXPECT_EQ(form->Button1->Owner(), form.get());
    EXPECT_EQ(form->Button1->Font()->Name(), L"Arial");  // from the form, through ParentFont
    EXPECT_EQ(form->Panel->Width(), form->ClientWidth());  // aligned once loading ended
    EXPECT_EQ(form->Link->Target(), form->Edit1);
    EXPECT_EQ(form->Link->Points, (std::vector<int>{3, 1, 4}));
    EXPECT_EQ(form->Edit1->Text(), L"右へ 12");
    EXPECT_FALSE(form->Edit1->Enabled());
    EXPECT_FALSE(form->Timer1->Running());
    EXPECT_FALSE(form->IsLoading());
    EXPECT_FALSE(form->Button1->IsLoading());

    form->Button1->Click();
    EXPECT_EQ(form->Clicks, 1);
    form->Timer1->Timer();
    EXPECT_EQ(form->Ticks, 1);
    form->Close();
    EXPECT_EQ(form->Closes, 1);

    // The text reaches the real windows too.
    wchar_t text[32] = {};
    GetWindowTextW(form->Button1->Handle(), text, 32);
    EXPECT_STREQ(text, L"開始");
    GetWindowTextW(form->Handle(), text, 32);
    EXPECT_STREQ(text, L"立体視のテスト");
}

TEST(Streaming, WrittenLayoutReadsBackToTheSameStoredProperties)
{
    auto first = ReadForm(StoredLayout);
    const std::wstring written = WriteForm(first.get());
    auto second = ReadForm(written);
    EXPECT_EQ(WriteForm(second.get()), written);

    EXPECT_EQ(second->Caption(), L"立体視のテスト");
    EXPECT_EQ(second->Font()->Name(), L"Arial");
    EXPECT_EQ(second->Link->Target(), second->Edit1);
    EXPECT_EQ(second->Link->Points, first->Link->Points);
    EXPECT_EQ(second->Edit1->Text(), L"右へ 12");
    EXPECT_EQ(second->Timer1->Interval(), 250u);
    EXPECT_EQ(second->Button1->BoundsRect().right, 98);
    second->Button1->Click();  // bound to the second form's method, not the first's
    EXPECT_EQ(second->Clicks, 1);
    EXPECT_EQ(first->Clicks, 0);
    second->Timer1->Timer();
    EXPECT_EQ(second->Ticks, 1);
}

TEST(Streaming, OnlyStoredValuesAreWritten)
{
    auto form = ReadForm(StoredLayout);
    const TLayoutObject tree = WriteComponentToTree(form.get());
    EXPECT_NE(tree.FindProperty(L"Font.Name"), nullptr);
    EXPECT_NE(tree.FindProperty(L"Font.Style"), nullptr);
    EXPECT_EQ(tree.FindProperty(L"Font.Color"), nullptr);  // default
    EXPECT_EQ(tree.FindProperty(L"Visible"), nullptr);      // a form's default is hidden
    EXPECT_EQ(tree.FindProperty(L"Name"), nullptr);         // the header carries it
    ASSERT_NE(tree.FindProperty(L"OnClose"), nullptr);
    EXPECT_EQ(tree.FindProperty(L"OnClose")->Value.Text, L"FormClose");

    const TLayoutObject* panel = Child(tree, L"Panel");
    ASSERT_NE(panel, nullptr);
    const TLayoutObject* button = Child(*panel, L"Button1");
    ASSERT_NE(button, nullptr);
    for (const wchar_t* name : {L"Visible", L"Enabled", L"Align", L"ParentFont", L"Font.Name", L"OnDblClick"})
        EXPECT_EQ(button->FindProperty(name), nullptr) << Narrow(name);
    ASSERT_NE(button->FindProperty(L"OnClick"), nullptr);
    EXPECT_EQ(button->FindProperty(L"OnClick")->Value.Text, L"Button1Click");
    ASSERT_NE(panel->FindProperty(L"Align"), nullptr);
    EXPECT_EQ(panel->FindProperty(L"Align")->Value.Text, L"alTop");

    const TLayoutObject* edit = Child(tree, L"Edit1");
    ASSERT_NE(edit, nullptr);
    ASSERT_NE(edit->FindProperty(L"Enabled"), nullptr);
    EXPECT_EQ(edit->FindProperty(L"Enabled")->Value.Text, L"False");
    EXPECT_EQ(edit->FindProperty(L"Color"), nullptr);

    const TLayoutObject* link = Child(tree, L"Link");
    ASSERT_NE(link, nullptr);
    ASSERT_NE(link->FindProperty(L"Target"), nullptr);
    EXPECT_EQ(link->FindProperty(L"Target")->Value.Text, L"Edit1");
    ASSERT_NE(link->FindProperty(L"Points"), nullptr);
    EXPECT_EQ(link->FindProperty(L"Points")->Value.List.size(), 3u);

    // Without data the extra value is left out; a reference that went away is not written.
    form->Link->Points.clear();
    delete form->Edit1;
    EXPECT_EQ(form->Link->Target(), nullptr);
    const TLayoutObject again = WriteComponentToTree(form->Link, form.get());
    EXPECT_EQ(again.FindProperty(L"Points"), nullptr);
    EXPECT_EQ(again.FindProperty(L"Target"), nullptr);
}

TEST(Streaming, MalformedLayoutsRaiseReadErrorsNamingTheLine)
{
    struct TCase {
        const wchar_t* Text;
        int Line;
        const wchar_t* What;
    };
    const TCase cases[] = {
        {L"object F: TStreamForm\n  Left = 1\n  Colour = clRed\nend\n", 3, L"Colour"},
        {L"object F: TStreamForm\n  object X: TNoSuchClass\n  end\nend\n", 2, L"TNoSuchClass"},
        {L"object F: TStreamForm\n  object B: TButton\n    Width = 'wide'\n  end\nend\n", 3, L"Width"},
        {L"object F: TStreamForm\n  Visible = 1\nend\n", 2, L"Visible"},
        {L"object F: TStreamForm\n  Position = poMiddle\nend\n", 2, L"poMiddle"},
        {L"object F: TStreamForm\n\n  object B: TButton\n    OnClick = NoSuchMethod\n  end\nend\n", 4,
         L"NoSuchMethod"},
        {L"object F: TStreamForm\n  object L: TLinkLabel\n    Target = Nobody\n  end\nend\n", 3, L"Nobody"},
        {L"object F: TStreamForm\n  Left 100\nend\n", 2, L"="},
        {L"object F: TStreamForm\n  Caption = 'open\nend\n", 2, L""},
        {L"object F: TStreamForm\n  object B: TButton\n  end\n", 4, L"end of text"},
        {L"object F: TStreamForm\n  object A: TButton\n  end\n  object a: TEdit\n  end\nend\n", 4, L"a"},
        {L"object F: TNotThisForm\nend\n", 1, L"TNotThisForm"},
    };
    for (const TCase& c : cases) {
        auto form = std::make_unique<TStreamForm>(nullptr);
        try {
            ReadComponentFromText(form.get(), ReadLayoutText(c.Text));
            ADD_FAILURE() << "no error for:\n" << Narrow(c.Text);
        } catch (const EReadError& e) {
            const std::wstring prefix = L"Line " + std::to_wstring(c.Line) + L": ";
            EXPECT_EQ(e.Message().rfind(prefix, 0), 0u) << Narrow(e.Message()) << "\nfor:\n" << Narrow(c.Text);
            EXPECT_NE(e.Message().find(c.What), std::wstring::npos) << Narrow(e.Message());
        }
        // The half-read form is still whole: it can be read into and freed.
        EXPECT_FALSE(form->IsLoading()) << Narrow(c.Text);
    }
}
