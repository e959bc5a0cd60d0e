// The program's main form, made and shown for each test and deleted after it.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <vector>

#include "Anaglyph.h"
#include "MainFormSource.h"
#include "PatternWindow.h"
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

    // The anaglyph of the screen's rectangle r, as the composition's reference computes it: the
    // shown half, 3 colour bytes a pixel, top row first.
    static std::vector<uint8_t> ExpectedPixels(const RECT& r, int offset)
    {
        const int w = r.right - r.left, h = r.bottom - r.top;
        std::vector<uint8_t> frame = GrabScreen(r);
        std::vector<uint8_t*> rows(static_cast<size_t>(h));
        for (int y = 0; y < h; ++y)
            rows[static_cast<size_t>(y)] = frame.data() + static_cast<size_t>(y) * static_cast<size_t>(w) * 4;
        const TAnaglyphGeometry g = ComputeGeometry(w, offset);
        ComposeAnaglyphReference(rows.data(), h, g.HalfWidth, g.RightStart, g.RedShift, w, offset);
        std::vector<uint8_t> out;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < g.HalfWidth; ++x)
                out.insert(out.end(), rows[static_cast<size_t>(y)] + 4 * x, rows[static_cast<size_t>(y)] + 4 * x + 3);
        return out;
    }
};
