// The program's main form, made and shown for each test and deleted after it.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include "MainFormSource.h"
#include "TestSupport.h"

class TMainFormFixture : public testing::Test {
protected:
    void SetUp() override
    {
        Application->CreateForm(MainForm);
        MainForm->Show();
    }
    void TearDown() override
    {
        delete MainForm;
        MainForm = nullptr;
        // A quit the test caused must not end the next test's message loops.
        MSG quit;
        while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        PumpMessages(50);
    }
};
