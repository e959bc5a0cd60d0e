// Message pumping and error counting shared by the Windows benchmarks that drive windows.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

#include "Forms.h"

// Dispatches what the queue holds now, without waiting for more.
inline void Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Errors seen during the run, reported ones and those a benchmark caught itself.
inline int Errors = 0;

// No error boxes: errors are printed and counted.
inline void InstallCountingReporter()
{
    Application->SetErrorReporter([](HWND, const std::wstring& text, const std::wstring&, UINT) {
        ++Errors;
        std::fprintf(stderr, "error: %ls\n", text.c_str());
    });
}

// The program's exit code: 1 after any error, which is also counted on stdout.
inline int ErrorExitCode()
{
    if (Errors)
        std::printf("%d error(s) reported\n", Errors);
    return Errors ? 1 : 0;
}
