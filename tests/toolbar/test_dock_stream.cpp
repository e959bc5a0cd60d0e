#include "test_dock_support.h"

#include <algorithm>
#include <string>

#include "LayoutText.h"
#include "Streaming.h"

namespace {

const TLayoutObject* Child(const TLayoutObject& obj, const std::wstring& name)
{
    for (const TLayoutObject& c : obj.Children)
        if (c.Name == name)
            return &c;
    for (const TLayoutObject& c : obj.Children)
        if (const TLayoutObject* found = Child(c, name))
            return found;
    return nullptr;
}

}  // namespace

using DockStreamTest = TDockFixture;

TEST_F(DockStreamTest, TwoDocksThreeToolWindowsRoundTrip)
{
    RegisterToolbarClasses();
    auto* bottom = new TDock97(Form);
    bottom->SetName(L"Dock2");
    bottom->SetPosition(dpBottom);
    bottom->SetBoundLines(TDockBoundLines{blTop});
    bottom->SetParent(Form);
    TToolWindow97* a = MakeBar(Dock, 120, 24, L"ToolA");
    TToolWindow97* b = MakeBar(Dock, 60, 24, L"ToolB");
    TToolWindow97* c = MakeBar(bottom, 70, 30, L"ToolC");
    b->SetDockPos(200);
    c->SetCloseButton(false);
    c->SetFloatingPosition(POINT{333, 222});
    c->SetDockedTo(nullptr);
    a->SetDefaultDock(bottom);
    ASSERT_EQ(c->LastDock(), bottom);

    const TLayoutObject tree = WriteComponentToTree(Form);
    const TLayoutObject* ta = Child(tree, L"ToolA");
    const TLayoutObject* tc = Child(tree, L"ToolC");
    ASSERT_TRUE(ta && tc);
    // The floating one is written at the top level, not under its hidden parent.
    EXPECT_TRUE(std::any_of(tree.Children.begin(), tree.Children.end(),
                            [](const TLayoutObject& o) { return o.Name == L"ToolC"; }));
    for (const TLayoutObject* t : {ta, tc}) {
        for (const wchar_t* never : {L"Width", L"Height", L"DockedTo", L"Version"})
            EXPECT_EQ(t->FindProperty(never), nullptr) << Narrow(t->Name) << " " << Narrow(never);
        ASSERT_NE(t->FindProperty(L"SavedAtRunTime"), nullptr);
        EXPECT_EQ(t->FindProperty(L"SavedAtRunTime")->Value.Text, L"True");
    }
    EXPECT_EQ(ta->FindProperty(L"LastDock"), nullptr);
    ASSERT_NE(tc->FindProperty(L"LastDock"), nullptr);
    EXPECT_EQ(tc->FindProperty(L"LastDock")->Value.Text, L"Dock2");
    EXPECT_EQ(tc->FindProperty(L"Left")->Value.Integer, 333);
    EXPECT_EQ(ta->FindProperty(L"ClientAreaWidth")->Value.Integer, 120);
    EXPECT_EQ(ta->FindProperty(L"DefaultDock")->Value.Text, L"Dock2");
    EXPECT_EQ(Child(tree, L"Dock1")->FindProperty(L"Version"), nullptr);

    auto* copy = new TForm(nullptr);
    TScopeExit freeCopy([&] { delete copy; });
    ReadComponentFromText(copy, ReadLayoutText(WriteLayoutText(tree)));
    auto* c2 = dynamic_cast<TToolWindow97*>(copy->FindComponent(L"ToolC"));
    ASSERT_NE(c2, nullptr);
    EXPECT_FALSE(c2->IsDocked());
    EXPECT_NE(c2->FloatingParent(), nullptr);
    EXPECT_EQ(c2->FloatingParent()->OwnerForm(), copy);
    EXPECT_EQ(c2->Left(), 333);  // run-time streaming: screen coordinates, not converted
    EXPECT_EQ(c2->LastDock(), copy->FindComponent(L"Dock2"));
    EXPECT_TRUE(c2->SavedAtRunTime());
    auto* b2 = dynamic_cast<TToolWindow97*>(copy->FindComponent(L"ToolB"));
    ASSERT_NE(b2, nullptr);
    EXPECT_EQ(b2->DockedTo(), copy->FindComponent(L"Dock1"));
    EXPECT_EQ(b2->ClientAreaWidth(), 60);

    TLayoutObject again = WriteComponentToTree(copy);
    again.Name = tree.Name;
    EXPECT_EQ(WriteLayoutText(again), WriteLayoutText(tree));
}

TEST_F(DockStreamTest, DesignedFloatingToolWindowStartsAtScreenPosition)
{
    RegisterToolbarClasses();
    auto* form = new TForm(nullptr);
    TScopeExit freeForm([&] { delete form; });
    form->SetBounds(150, 120, 400, 300);
    form->Show();
    const std::wstring text =
        L"object Designed: TForm\n"
        L"  object Floater: TToolWindow97\n"
        L"    Left = 10\n"
        L"    Top = 20\n"
        L"    ClientAreaHeight = 24\n"
        L"    ClientAreaWidth = 50\n"
        L"    Caption = 'Floater'\n"
        L"  end\n"
        L"end\n";
    ReadComponentFromText(form, ReadLayoutText(text));
    auto* bar = dynamic_cast<TToolWindow97*>(form->FindComponent(L"Floater"));
    ASSERT_NE(bar, nullptr);
    POINT origin{0, 0};
    ClientToScreen(form->Handle(), &origin);
    EXPECT_FALSE(bar->SavedAtRunTime());
    EXPECT_EQ(bar->Left(), origin.x + 10);
    EXPECT_EQ(bar->Top(), origin.y + 20);
    EXPECT_EQ(bar->FloatingPosition().x, origin.x + 10);
    EXPECT_EQ(bar->ClientAreaWidth(), 50);
}
