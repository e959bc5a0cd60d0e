// Proves that the Wine/Xvfb test environment can do what the GUI tests rely on:
// a real window that takes the foreground, screen read-back, input injection
// and Japanese text in the layout's face.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "DibSurface.h"

namespace {

constexpr COLORREF Left = RGB(200, 30, 40);
constexpr COLORREF Right = RGB(20, 60, 220);
constexpr wchar_t JapaneseFace[] = L"ＭＳ Ｐゴシック";
constexpr wchar_t JapaneseText[] = L"日本語の表示";

int g_paints = 0;
int g_clicks = 0;
bool g_drawText = false;

HFONT CreateJapaneseFont(int height)
{
    return CreateFontW(-height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
        CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH, JapaneseFace);
}

LRESULT CALLBACK ProbeProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        RECT rc;
        GetClientRect(wnd, &rc);
        RECT left = rc, right = rc;
        left.right = right.left = rc.right / 2;
        HBRUSH l = CreateSolidBrush(Left), r = CreateSolidBrush(Right);
        FillRect(dc, &left, l);
        FillRect(dc, &right, r);
        DeleteObject(l);
        DeleteObject(r);
        if (g_drawText) {
            FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
            HFONT font = CreateJapaneseFont(32);
            HGDIOBJ old = SelectObject(dc, font);
            SetTextColor(dc, RGB(0, 0, 0));
            SetBkMode(dc, TRANSPARENT);
            TextOutW(dc, 10, 10, JapaneseText, static_cast<int>(wcslen(JapaneseText)));
            SelectObject(dc, old);
            DeleteObject(font);
        }
        EndPaint(wnd, &ps);
        ++g_paints;
        return 0;
    }
    case WM_LBUTTONDOWN:
        ++g_clicks;
        return 0;
    }
    return DefWindowProcW(wnd, msg, wp, lp);
}

void Pump(DWORD ms)
{
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    } while (GetTickCount() - start < ms);
}

// Pumps until cond holds or about two seconds have passed.
template <class F> bool PumpUntil(F cond)
{
    for (int i = 0; i < 200 && !cond(); ++i)
        Pump(10);
    return cond();
}

class ProbeWindow {
public:
    ProbeWindow(int x, int y, int w, int h)
    {
        WNDCLASSW wc{};
        wc.lpfnWndProc = ProbeProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = L"TinteyeHarnessProbe";
        RegisterClassW(&wc);
        g_paints = g_clicks = 0;
        FWnd = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"Harness probe", WS_POPUP, x, y, w, h, nullptr,
            nullptr, wc.hInstance, nullptr);
        ShowWindow(FWnd, SW_SHOW);
        SetForegroundWindow(FWnd);
        UpdateWindow(FWnd);
        PumpUntil([] { return g_paints > 0; });
        Pump(100); // let the X server catch up with the drawing
    }
    ~ProbeWindow() { DestroyWindow(FWnd); }
    ProbeWindow(const ProbeWindow&) = delete;
    ProbeWindow& operator=(const ProbeWindow&) = delete;
    HWND Handle() const { return FWnd; }

private:
    HWND FWnd = nullptr;
};

// Pixels of a screen or DC area, top-down, 0x00RRGGBB.
std::vector<uint32_t> Grab(HDC src, int x, int y, int w, int h)
{
    TDibSurface surface(w, h, src);
    surface.CopyFrom(src, x, y);
    std::vector<uint32_t> out = surface.Pixels();
    for (auto& px : out)
        px &= 0xFFFFFF;
    return out;
}

uint32_t AsPixel(COLORREF c)
{
    return (static_cast<uint32_t>(GetRValue(c)) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

std::vector<uint32_t> GrabScreen(int x, int y, int w, int h)
{
    HDC screen = GetDC(nullptr);
    auto pixels = Grab(screen, x, y, w, h);
    ReleaseDC(nullptr, screen);
    return pixels;
}

int CountDark(const std::vector<uint32_t>& pixels)
{
    int n = 0;
    for (uint32_t px : pixels)
        n += ((px >> 16 & 0xFF) + (px >> 8 & 0xFF) + (px & 0xFF)) < 3 * 128;
    return n;
}

// One glyph drawn black on white into a memory bitmap.
std::vector<uint32_t> RenderGlyph(wchar_t ch)
{
    constexpr int Size = 48;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, Size, Size);
    HGDIOBJ oldBmp = SelectObject(mem, bmp);
    RECT rc{0, 0, Size, Size};
    FillRect(mem, &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    HFONT font = CreateJapaneseFont(32);
    HGDIOBJ oldFont = SelectObject(mem, font);
    SetTextColor(mem, RGB(0, 0, 0));
    SetBkMode(mem, TRANSPARENT);
    TextOutW(mem, 4, 4, &ch, 1);
    SelectObject(mem, oldFont);
    DeleteObject(font);
    auto pixels = Grab(mem, 0, 0, Size, Size);
    SelectObject(mem, oldBmp);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return pixels;
}

TEST(Harness, ScreenIs1280x1024)
{
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 1024);
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 32);
    ReleaseDC(nullptr, screen);
}

TEST(Harness, WindowTakesForegroundAndScreenReadsBack)
{
    ProbeWindow probe(100, 120, 200, 80);
    ASSERT_GT(g_paints, 0);
    EXPECT_EQ(GetForegroundWindow(), probe.Handle());
    RECT rc;
    ASSERT_TRUE(GetWindowRect(probe.Handle(), &rc));
    EXPECT_EQ(rc.left, 100);
    EXPECT_EQ(rc.top, 120);
    auto pixels = GrabScreen(100, 120, 200, 80);
    EXPECT_EQ(pixels[40 * 200 + 50], AsPixel(Left));
    EXPECT_EQ(pixels[40 * 200 + 150], AsPixel(Right));
}

TEST(Harness, SendInputMovesAndClicks)
{
    ProbeWindow probe(300, 300, 100, 100);
    auto absolute = [](int v, int extent) { return static_cast<LONG>((v * 65536 + extent / 2) / extent); };
    INPUT in[3]{};
    for (auto& i : in) {
        i.type = INPUT_MOUSE;
        i.mi.dx = absolute(350, GetSystemMetrics(SM_CXSCREEN));
        i.mi.dy = absolute(340, GetSystemMetrics(SM_CYSCREEN));
    }
    in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ASSERT_EQ(SendInput(3, in, sizeof(INPUT)), 3u);
    EXPECT_TRUE(PumpUntil([] { return g_clicks > 0; }));
    POINT pt;
    ASSERT_TRUE(GetCursorPos(&pt));
    EXPECT_NEAR(pt.x, 350, 1);
    EXPECT_NEAR(pt.y, 340, 1);
}

TEST(Harness, JapaneseFaceHasRealGlyphs)
{
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HFONT font = CreateJapaneseFont(32);
    HGDIOBJ old = SelectObject(mem, font);
    WORD glyphs[6];
    DWORD got = GetGlyphIndicesW(mem, JapaneseText, 6, glyphs, GGI_MARK_NONEXISTING_GLYPHS);
    // The prefix maps the face to IPA P Gothic; without the mapping Wine falls
    // back to whatever fontconfig offers, or to boxes.
    std::wstring fullName;
    if (UINT size = GetOutlineTextMetricsW(mem, 0, nullptr)) {
        std::vector<char> buffer(size);
        auto* otm = reinterpret_cast<OUTLINETEXTMETRICW*>(buffer.data());
        if (GetOutlineTextMetricsW(mem, size, otm))
            fullName = reinterpret_cast<const wchar_t*>(buffer.data() + reinterpret_cast<size_t>(otm->otmpFullName));
    }
    SelectObject(mem, old);
    DeleteObject(font);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(fullName.rfind(L"IPAPGothic", 0), 0u) << "the face is not mapped to IPA P Gothic";
    ASSERT_EQ(got, 6u);
    for (WORD g : glyphs)
        EXPECT_NE(g, 0xFFFF);

    // A missing glyph draws the same box for every character; real ones differ.
    auto a = RenderGlyph(L'日'), b = RenderGlyph(L'語');
    EXPECT_GT(CountDark(a), 20);
    EXPECT_GT(CountDark(b), 20);
    EXPECT_NE(a, b);
}

TEST(Harness, JapaneseTextReachesTheScreen)
{
    g_drawText = true;
    ProbeWindow probe(100, 300, 320, 60);
    g_drawText = false;
    auto pixels = GrabScreen(100, 300, 320, 60);
    EXPECT_GT(CountDark(pixels), 200);
    // TINTEYE_HARNESS_HOLD_MS keeps the text up for a screenshot.
    if (const char* hold = std::getenv("TINTEYE_HARNESS_HOLD_MS"))
        Pump(static_cast<DWORD>(std::atoi(hold)));
}

} // namespace
