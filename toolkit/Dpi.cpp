#include "Dpi.h"

#include "GdiCount.h"

namespace {

int& AssumedDpi()
{
    static int dpi = 0;
    return dpi;
}

template <class F>
F UserFunction(const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

using TGetDpiForSystem = UINT(WINAPI*)();
using TGetDpiForWindow = UINT(WINAPI*)(HWND);
using TGetSystemMetricsForDpi = int(WINAPI*)(int, UINT);
using TGetDpiForMonitor = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);

// The system DPI as the window system has it, whatever a test assumes.
int RealScreenDpi()
{
    static const auto getDpiForSystem = UserFunction<TGetDpiForSystem>("GetDpiForSystem");
    if (getDpiForSystem)
        return static_cast<int>(getDpiForSystem());
    HDC dc = CountedGetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    CountedReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : DefaultPixelsPerInch;
}

}  // namespace

void SetAssumedDisplayDpi(int dpi)
{
    AssumedDpi() = dpi;
}

int ScreenDpi()
{
    return AssumedDpi() ? AssumedDpi() : RealScreenDpi();
}

int MonitorDpi(const RECT& screenRect)
{
    if (AssumedDpi())
        return AssumedDpi();
    // Shell scaling lives in shcore.dll (Windows 8.1 on); MDT_EFFECTIVE_DPI is 0.
    static const auto getDpiForMonitor = [] {
        HMODULE shcore = LoadLibraryW(L"shcore.dll");
        return shcore ? reinterpret_cast<TGetDpiForMonitor>(
                            reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")))
                      : nullptr;
    }();
    UINT x = 0, y = 0;
    if (getDpiForMonitor &&
        SUCCEEDED(getDpiForMonitor(MonitorFromRect(&screenRect, MONITOR_DEFAULTTOPRIMARY), 0, &x, &y)) && y > 0)
        return static_cast<int>(y);
    return RealScreenDpi();
}

int WindowDpi(HWND window)
{
    if (AssumedDpi())
        return AssumedDpi();
    static const auto getDpiForWindow = UserFunction<TGetDpiForWindow>("GetDpiForWindow");
    const UINT dpi = window && getDpiForWindow ? getDpiForWindow(window) : 0;
    return dpi ? static_cast<int>(dpi) : RealScreenDpi();
}

int SystemMetricsForDpi(int index, int dpi)
{
    static const auto getSystemMetricsForDpi = UserFunction<TGetSystemMetricsForDpi>("GetSystemMetricsForDpi");
    if (getSystemMetricsForDpi)
        return getSystemMetricsForDpi(index, static_cast<UINT>(dpi));
    return ScaleValue(GetSystemMetrics(index), dpi, RealScreenDpi());
}
