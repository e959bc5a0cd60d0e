// The main window's toolbar as its stored layout describes it: a top dock holding one tool
// window with four controls.
#include "test_dock_support.h"

#include "LayoutText.h"
#include "StdCtrls.h"
#include "Streaming.h"

namespace {

const wchar_t* const MainLayout =
    L"object MainLike: TForm\n"
    L"  Left = 719\n  Top = 333\n  Width = 626\n  Height = 373\n  Caption = 'x::Tinteye'\n"
    L"  object Dock971: TDock97\n    Left = 0\n    Top = 0\n    Width = 618\n    Height = 36\n"
    L"    object ToolWindow971: TToolWindow97\n      Left = 0\n      Top = 0\n"
    L"      ClientAreaHeight = 32\n      ClientAreaWidth = 572\n      Caption = 'ToolWindow971'\n"
    L"      DockPos = 0\n      TabOrder = 0\n"
    L"      object StartStopButton: TButton\n        Left = 0\n        Top = 0\n        Width = 89\n"
    L"        Height = 32\n        Caption = 'Start'\n        TabOrder = 0\n      end\n"
    L"      object StopBtn: TBitBtn\n        Left = 88\n        Top = 0\n        Width = 89\n"
    L"        Height = 33\n        Caption = 'Stop'\n        TabOrder = 1\n      end\n"
    L"      object QuitBtn: TBitBtn\n        Left = 176\n        Top = 0\n        Width = 89\n"
    L"        Height = 33\n        Caption = 'Quit'\n        TabOrder = 2\n      end\n"
    L"      object Edit1: TEdit\n        Left = 272\n        Top = 3\n        Width = 49\n"
    L"        Height = 25\n        TabOrder = 3\n        Text = '30'\n      end\n"
    L"    end\n  end\nend\n";

}  // namespace

TEST(MainWindowToolbarTest, LoadsDocksFloatsAndDocksBack)
{
    RegisterToolbarClasses();
    for (const TClassInfo* c : {&TButton::StaticClassInfo(), &TBitBtn::StaticClassInfo(), &TEdit::StaticClassInfo()})
        if (!FindClass(c->ClassName))
            RegisterComponentClass(*c);
    auto* form = new TForm(nullptr);
    TScopeExit freeForm([&] { delete form; });
    ReadComponentFromText(form, ReadLayoutText(MainLayout));
    form->SetWidth(330);
    form->SetHeight(90);
    form->Show();
    PumpMessages(20);

    auto* dock = dynamic_cast<TDock97*>(form->FindComponent(L"Dock971"));
    auto* bar = dynamic_cast<TToolWindow97*>(form->FindComponent(L"ToolWindow971"));
    auto* start = dynamic_cast<TButton*>(form->FindComponent(L"StartStopButton"));
    ASSERT_TRUE(dock && bar && start);
    EXPECT_EQ(dock->Height(), 36);
    EXPECT_EQ(dock->Top(), 0);
    EXPECT_EQ(dock->Width(), form->ClientWidth());
    EXPECT_EQ(bar->DockedTo(), dock);
    EXPECT_EQ(bar->ClientAreaWidth(), 572);
    EXPECT_EQ(bar->ClientAreaHeight(), 32);
    EXPECT_EQ(bar->DockRow(), 0);
    EXPECT_EQ(bar->DockPos(), 0);
    EXPECT_EQ(bar->Left(), 0);
    EXPECT_EQ(start->Parent(), bar);
    EXPECT_EQ(start->Left(), 0);
    EXPECT_EQ(start->Top(), 0);
    POINT p{0, 0};
    MapWindowPoints(start->Handle(), bar->Handle(), &p, 1);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);

    bar->SetDockedTo(nullptr);
    PumpMessages(20);
    HWND wnd = bar->Handle();
    EXPECT_TRUE(IsWindowVisible(wnd));
    EXPECT_EQ(GetWindowLongPtrW(wnd, GWL_STYLE) & WS_POPUP, WS_POPUP);
    EXPECT_NE(GetWindowLongPtrW(wnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
    EXPECT_EQ(GetWindow(wnd, GW_OWNER), form->Handle());
    EXPECT_EQ(bar->ClientAreaWidth(), 572);
    EXPECT_EQ(bar->NCAreaHeight(), 2 * GetSystemMetrics(SM_CYSIZEFRAME) + GetSystemMetrics(SM_CYSMCAPTION));
    EXPECT_EQ(dock->Height(), 0);

    bar->SetDockedTo(dock);
    EXPECT_EQ(bar->DockRow(), 0);
    EXPECT_EQ(bar->DockPos(), 0);
    EXPECT_EQ(dock->Height(), 36);
    EXPECT_EQ(bar->ClientAreaHeight(), 32);
}
