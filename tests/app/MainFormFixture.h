// The program's main form, made and shown for each test and deleted after it.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

#include "Anaglyph.h"
#include "MainFormSource.h"
#include "PatternWindow.h"
#include "Scale.h"
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

    // A capture of the target, one frame shown and the loop left to the test; the target's rectangle.
    static RECT StartOn(TPatternWindow& target)
    {
        BringToFront(target.Handle());
        MainForm->StartTimerTimer(MainForm->StartTimer);
        MainForm->LoopTimerTimer(MainForm->LoopTimer);
        MainForm->LoopTimer->SetEnabled(false);
        RECT r{};
        GetWindowRect(target.Handle(), &r);
        return r;
    }

    // The anaglyph of the screen's rectangle r, as the composition's reference (or, for another
    // method or swapped eyes, the scalar kernel) computes it: the shown half, 3 colour bytes a
    // pixel, top row first.
    static std::vector<uint8_t> ExpectedPixels(const RECT& r, int offset, TAnaglyphMethod method = amColour,
                                               bool swap = false)
    {
        const int w = r.right - r.left, h = r.bottom - r.top;
        std::vector<uint8_t> frame = GrabScreen(r);
        std::vector<uint8_t*> rows(static_cast<size_t>(h));
        for (int y = 0; y < h; ++y)
            rows[static_cast<size_t>(y)] = frame.data() + static_cast<size_t>(y) * static_cast<size_t>(w) * 4;
        const TAnaglyphGeometry g = ComputeGeometry(w, offset);
        if (method == amColour && !swap)
            ComposeAnaglyphReference(rows.data(), h, g.HalfWidth, g.RightStart, g.RedShift, w, offset);
        else
            ComposeAnaglyphMethodWith(ciScalar, rows.data(), h, w, offset, method, swap);
        std::vector<uint8_t> out;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < g.HalfWidth; ++x)
                out.insert(out.end(), rows[static_cast<size_t>(y)] + 4 * x, rows[static_cast<size_t>(y)] + 4 * x + 3);
        return out;
    }

    // The image and its surface are the picture's size, and the real screen shows the picture 1:1
    // from the image's corner, its whole width in view: `expected` (half pixels a row), each pixel
    // `repeat` times across.
    static void ExpectScreenShows(const std::vector<uint8_t>& expected, int half, int height, int repeat)
    {
        BringToFront(MainForm->Handle());
        PumpMessages(250);
        TImage* image = MainForm->image;
        const int width = half * repeat, inView = std::min<int>(MainForm->ScrollBox1->ClientHeight(), height);
        EXPECT_EQ(std::make_pair(image->Width(), image->Height()), std::make_pair(width, height));
        EXPECT_EQ(std::make_pair(image->Bitmap()->Width(), image->Bitmap()->Height()), std::make_pair(width, height));
        EXPECT_GE(MainForm->ScrollBox1->ClientWidth(), width);
        const POINT o = image->ClientToScreen(POINT{0, 0});
        const std::vector<uint8_t> screen = GrabScreen(RECT{o.x, o.y, o.x + width, o.y + inView});
        int wrong = 0;
        for (int i = 0; i < width * inView * 4; ++i)
            wrong += i % 4 != 3 &&
                     screen[size_t(i)] != expected[size_t((i / 4 / width * half + i / 4 % width / repeat) * 3 + i % 4)];
        EXPECT_EQ(wrong, 0) << "of " << width << " x " << inView << " pixels";
    }

    // The screen under the image against the picture (half x height, 4 bytes a pixel) shown at the
    // image's size: each pixel Kx x Ky times, or (Kx 0) scaled by the bilinear reference; counts
    // channels off by more than Tolerance, in the rows the scroll box shows.
    static int WrongOnScreen(const std::vector<uint8_t>& picture, int half, int height, int kx, int ky, int tolerance)
    {
        BringToFront(MainForm->Handle());
        PumpMessages(250);
        TImage* image = MainForm->image;
        const int w = image->Width(), h = image->Height();
        std::vector<uint8_t> expected(size_t(w) * size_t(h) * 4);
        std::vector<const uint8_t*> src;
        std::vector<uint8_t*> dst;
        for (int y = 0; y < height; ++y)
            src.push_back(picture.data() + size_t(y) * size_t(half) * 4);
        for (int y = 0; y < h; ++y)
            dst.push_back(expected.data() + size_t(y) * size_t(w) * 4);
        if (kx)
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w * 4; ++x)
                    dst[size_t(y)][x] = src[size_t(y / ky)][(x / 4 / kx) * 4 + x % 4];
        else
            ScaleBilinearReference(src.data(), half, height, dst.data(), w, h);
        const POINT o = image->ClientToScreen(POINT{0, 0});
        const int inView = std::min<int>(h, MainForm->ScrollBox1->ClientRect().bottom - image->Top());
        const std::vector<uint8_t> screen = GrabScreen(RECT{o.x, o.y, o.x + w, o.y + inView});
        int wrong = 0;
        for (size_t i = 0; i < screen.size(); ++i)
            wrong += i % 4 != 3 && std::abs(screen[i] - expected[i]) > tolerance;
        return wrong;
    }
};
