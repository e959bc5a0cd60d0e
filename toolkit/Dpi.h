// The display's DPI as the window system reports it, per monitor and per window, and system
// metrics for a given DPI. The functions of newer systems (GetDpiForWindow, GetDpiForSystem,
// GetDpiForMonitor, GetSystemMetricsForDpi) are looked up at run time; without them the
// answers fall back to the screen's LOGPIXELSY and to scaling the system DPI's metrics.
#pragma once

#include <windows.h>

#include "Scaling.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

// The DPI at which stored layouts are designed unless they say otherwise.
constexpr int DefaultPixelsPerInch = 96;

// The system DPI: that of the primary monitor when the session started.
int ScreenDpi();
// The DPI of the monitor that holds most of the rectangle (the primary one when none does).
int MonitorDpi(const RECT& screenRect);
// The DPI a window is shown at; ScreenDpi() for a null handle.
int WindowDpi(HWND window);
// GetSystemMetrics for the given DPI.
int SystemMetricsForDpi(int index, int dpi);

// Test seam: while dpi is non-zero the toolkit takes it as the display's DPI everywhere
// (screen, monitors, windows), as if the window system answered it; 0 restores the real answers.
void SetAssumedDisplayDpi(int dpi);
