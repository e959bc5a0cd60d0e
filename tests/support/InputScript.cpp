#include "InputScript.h"

#include <utility>

namespace {

TInputScript* Running = nullptr;

}  // namespace

TInputScript& TInputScript::Then(std::function<void()> step)
{
    FSteps.push_back(std::move(step));
    return *this;
}

TInputScript& TInputScript::Move(POINT screen)
{
    return Then([screen] { SendMouseMove(screen); });
}

TInputScript& TInputScript::Down()
{
    return Then([] { SendMouseButton(true); });
}

TInputScript& TInputScript::Up()
{
    return Then([] { SendMouseButton(false); });
}

TInputScript& TInputScript::Key(WORD virtualKey, bool down)
{
    return Then([virtualKey, down] { SendKey(virtualKey, down); });
}

TInputScript& TInputScript::Wait(int steps)
{
    for (int i = 0; i < steps; ++i)
        Then([] {});
    return *this;
}

TInputScript& TInputScript::Drag(POINT from, POINT to)
{
    Move(from).Down();
    for (int i = 1; i <= 3; ++i)
        Move(POINT{from.x + (to.x - from.x) * i / 3, from.y + (to.y - from.y) * i / 3});
    return Wait().Up();
}

void CALLBACK TInputScript::Tick(HWND, UINT, UINT_PTR, DWORD)
{
    TInputScript* script = Running;
    if (!script || script->FNext >= script->FSteps.size())
        return;
    // Advance first: a step may itself enter a modal loop that dispatches this timer again.
    const size_t i = script->FNext++;
    script->FSteps[i]();
}

void TInputScript::Pump(int ms)
{
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(ms);
    MSG msg;
    do {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                QuitCodes.push_back(msg.wParam);
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (GetTickCount64() < end);
}

bool TInputScript::Run(int stepMs, int timeoutMs)
{
    Running = this;
    FNext = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, static_cast<UINT>(stepMs), Tick);
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    while (FNext < FSteps.size() && GetTickCount64() < end)
        Pump(stepMs);
    KillTimer(nullptr, timer);
    // Past the double-click time, so that the next script's first press is a press of its own.
    Pump(static_cast<int>(GetDoubleClickTime()) + 50);
    Running = nullptr;
    return FNext >= FSteps.size();
}
