#include "TestSupport.h"

#include <gtest/gtest.h>

#include "Forms.h"
#include "Utf8.h"

void PumpMessages(int ms)
{
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(ms);
    do {
        Application->ProcessMessages();
        if (GetTickCount64() >= end)
            break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (GetTickCount64() < end);
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs)
{
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    while (!done()) {
        if (GetTickCount64() >= end)
            return done();
        Application->ProcessMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return true;
}

namespace {

void SendMouse(DWORD flags, LONG x = 0, LONG y = 0)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    input.mi.dx = x;
    input.mi.dy = y;
    SendInput(1, &input, sizeof(input));
}

}  // namespace

void SendMouseMove(POINT screen)
{
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    // Absolute coordinates run 0..65535 across the screen; aim at the pixel's centre.
    const LONG x = static_cast<LONG>((screen.x * 65536LL + 32768) / w);
    const LONG y = static_cast<LONG>((screen.y * 65536LL + 32768) / h);
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, x, y);
}

void SendMouseButton(bool down, bool right)
{
    SendMouse(right ? (down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP)
                    : (down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP));
}

void SendKey(WORD virtualKey, bool down)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof(INPUT));
}

void MoveMouseTo(POINT screen)
{
    SendMouseMove(screen);
    PumpMessages(20);
}

void MouseButton(bool down, bool right)
{
    SendMouseButton(down, right);
    PumpMessages(20);
}

void ClickAt(POINT screen)
{
    MoveMouseTo(screen);
    MouseButton(true);
    MouseButton(false);
}

void DoubleClickAt(POINT screen)
{
    MoveMouseTo(screen);
    MouseButton(true);
    MouseButton(false);
    MouseButton(true);
    MouseButton(false);
}

void PressKey(WORD virtualKey)
{
    INPUT inputs[2]{};
    inputs[0].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = virtualKey;
    inputs[1] = inputs[0];
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
    PumpMessages(30);
}

bool BringToFront(HWND window)
{
    SetForegroundWindow(window);
    SetActiveWindow(window);
    return PumpUntil([&] { return GetForegroundWindow() == window; }, 2000);
}

TErrorRecorder::TErrorRecorder()
{
    Application->SetErrorReporter([this](HWND owner, const std::wstring& text, const std::wstring& caption,
                                         UINT style) { Errors.push_back({owner, text, caption, style}); });
}

TErrorRecorder::~TErrorRecorder()
{
    InstallFailingReporter();
}

void InstallFailingReporter()
{
    // An error nobody expected fails the running test instead of opening a modal box.
    Application->SetErrorReporter([](HWND, const std::wstring& text, const std::wstring&, UINT) {
        ADD_FAILURE() << "unexpected error report: " << WideToUtf8(text);
    });
}

int RunTestProgram(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    Application = new TApplication(nullptr);
    Application->Initialize();
    InstallFailingReporter();
    const int result = RUN_ALL_TESTS();
    delete Application;
    return result;
}

std::string Narrow(const std::wstring& text)
{
    return WideToUtf8(text);
}
