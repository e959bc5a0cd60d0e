// Forms, docks and tool windows for the dock and tool-window tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TB97.h"
#include "TB97Tlwn.h"
#include "TestSupport.h"

// A tool window that records what the framework asks of it.
class TRecordingToolWindow : public TToolWindow97 {
public:
    using TToolWindow97::TToolWindow97;
    POINT OrderControls(bool CanMoveControls, TDockType PreviousDockType, TDock97* DockingTo) override
    {
        ++OrderCalls;
        return TToolWindow97::OrderControls(CanMoveControls, PreviousDockType, DockingTo);
    }
    void SizeChanging(int32_t AWidth, int32_t AHeight) override
    {
        SizeChangingCalls.push_back(SIZE{AWidth, AHeight});
        TToolWindow97::SizeChanging(AWidth, AHeight);
    }
    int OrderCalls = 0;
    std::vector<SIZE> SizeChangingCalls;
};

// A shown form with a top dock; the form and everything it owns go at the end of each test.
class TDockFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        Form = new TForm(nullptr);
        Form->SetName(L"TestForm");
        Form->SetBounds(100, 100, 520, 300);
        Dock = new TDock97(Form);
        Dock->SetName(L"Dock1");
        Dock->SetParent(Form);
        Form->Show();
        BringToFront(Form->Handle());
        PumpMessages(20);
    }
    void TearDown() override
    {
        delete Form;
        PumpMessages(10);
    }
    // A tool window of class T owned by owner (the form unless given), client area cw x ch, on parent.
    template <class T = TRecordingToolWindow>
    T* MakeBar(TWinControl* parent, int cw, int ch, const wchar_t* name = L"Bar", TComponent* owner = nullptr)
    {
        auto* bar = new T(owner ? owner : Form);
        bar->SetName(name);
        bar->SetCaption(name);
        bar->SetParent(parent);
        bar->SetClientAreaSize(cw, ch);
        return bar;
    }
    TForm* Form = nullptr;
    TDock97* Dock = nullptr;
};

inline RECT WindowRectOf(TWinControl* c)
{
    RECT r{};
    GetWindowRect(c->Handle(), &r);
    return r;
}

// Exception text of running f, or "" when nothing was raised.
template <class F>
std::wstring ErrorOf(F f)
{
    try {
        f();
    } catch (const Exception& e) {
        return e.Message();
    }
    return L"";
}
