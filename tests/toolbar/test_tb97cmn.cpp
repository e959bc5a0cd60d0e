// Common services of the toolbar framework under Wine: the hook registry with real hooks and
// real messages, ListSortEx, the non-client clip region, WM_PRINT/WM_PRINTCLIENT, the message
// catalogue and the version text.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Controls.h"
#include "DibSurface.h"
#include "Forms.h"
#include "SysUtils.h"
#include "TB97Cmn.h"
#include "Tb97cnst.h"
#include "Tb97vers.h"
#include "TestSupport.h"

namespace {

// ---- recorders for the hook registry ---------------------------------------------------

struct THookCall {
    int Proc;
    THookProcCode Code;
    HWND Wnd;
    WPARAM WParam;
    LPARAM LParam;
    int PosX = 0, PosY = 0;  // from the WINDOWPOS record while it is valid
};

std::vector<THookCall> HookLog;
// Set by a test: run from within recorder N's call (after it is logged).
std::function<void(int)> DuringCall;

template <int N>
void Rec(THookProcCode code, HWND wnd, WPARAM wParam, LPARAM lParam)
{
    THookCall call{N, code, wnd, wParam, lParam};
    if (code == hpSendWindowPosChanged && lParam) {
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
        call.PosX = pos->x;
        call.PosY = pos->y;
    }
    HookLog.push_back(call);
    if (DuringCall)
        DuringCall(N);
}

void Thrower(THookProcCode code, HWND wnd, WPARAM wParam, LPARAM lParam)
{
    HookLog.push_back({-1, code, wnd, wParam, lParam});
    throw Exception(L"callback failure");
}

const THookProc AllProcs[] = {Rec<1>, Rec<2>, Rec<3>, Rec<4>, Rec<5>, Thrower};
const int HookKinds[] = {WH_CALLWNDPROC, WH_CBT, WH_GETMESSAGE};
const THookProcCodes WindowCodes{hpSendActivateApp, hpSendWindowPosChanged, hpPreDestroy};

bool RegistryEmpty()
{
    if (HookRegistrationListExists() || HookRegistrationCount() != 0)
        return false;
    for (int kind : HookKinds)
        if (HookInstalled(kind) || HookUseCount(kind) != 0)
            return false;
    return true;
}

// Calls of recorder Proc (or all when 0) about window wnd, in order.
std::vector<THookCall> CallsFor(HWND wnd, int proc = 0)
{
    std::vector<THookCall> out;
    for (const THookCall& c : HookLog)
        if (c.Wnd == wnd && (proc == 0 || c.Proc == proc))
            out.push_back(c);
    return out;
}

std::vector<int> ProcsFor(HWND wnd, THookProcCode code)
{
    std::vector<int> out;
    for (const THookCall& c : HookLog)
        if (c.Wnd == wnd && c.Code == code)
            out.push_back(c.Proc);
    return out;
}

int ActivateAppReceived = 0;
WPARAM LastActivateAppWParam = 0;

LRESULT CALLBACK PlainWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_ACTIVATEAPP) {
        ++ActivateAppReceived;
        LastActivateAppWParam = wParam;
        return 0;
    }
    return DefWindowProcW(wnd, msg, wParam, lParam);
}

HWND MakePlainWindow(int x = 40, int y = 40)
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = PlainWndProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TB97CmnTestPlain";
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        RegisterClassW(&wc);
        registered = true;
    }
    return CreateWindowExW(0, L"TB97CmnTestPlain", L"plain", WS_POPUP | WS_VISIBLE, x, y, 60, 40, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

class HookRegistryTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(RegistryEmpty()) << "a test left registrations behind";
        HookLog.clear();
        DuringCall = nullptr;
        Wnd = MakePlainWindow();
        ASSERT_NE(Wnd, nullptr);
        PumpMessages(20);
        HookLog.clear();
        ActivateAppReceived = 0;
    }
    void TearDown() override
    {
        DuringCall = nullptr;
        if (Wnd && IsWindow(Wnd))
            DestroyWindow(Wnd);
        for (int round = 0; round < 8 && HookRegistrationListExists(); ++round)
            for (THookProc p : AllProcs)
                UninstallHookProc(p);
        EXPECT_TRUE(RegistryEmpty());
    }
    HWND Wnd = nullptr;
};

// ---- routing --------------------------------------------------------------------------

TEST_F(HookRegistryTest, EachEventReachesOnlyTheRegistrationsThatAskForIt)
{
    InstallHookProc(Rec<1>, {hpSendActivateApp}, false);
    InstallHookProc(Rec<2>, {hpSendWindowPosChanged}, false);
    InstallHookProc(Rec<3>, {hpPreDestroy}, false);
    InstallHookProc(Rec<4>, {hpPostMouseMove}, false);
    InstallHookProc(Rec<5>, {hpSendActivateApp, hpPreDestroy}, false);
    for (int kind : HookKinds) {
        EXPECT_TRUE(HookInstalled(kind)) << kind;
    }
    EXPECT_EQ(HookUseCount(WH_CALLWNDPROC), 3);
    EXPECT_EQ(HookUseCount(WH_CBT), 2);
    EXPECT_EQ(HookUseCount(WH_GETMESSAGE), 1);

    // WM_ACTIVATEAPP, sent for real: only the hpSendActivateApp registrations, in list order.
    HookLog.clear();
    SendMessageW(Wnd, WM_ACTIVATEAPP, TRUE, 1234);
    std::vector<THookCall> calls = CallsFor(Wnd);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].Proc, 1);
    EXPECT_EQ(calls[1].Proc, 5);
    for (const THookCall& c : calls) {
        EXPECT_EQ(c.Code, hpSendActivateApp);
        EXPECT_EQ(c.WParam, WPARAM{TRUE});
        EXPECT_EQ(c.LParam, LPARAM{1234});
    }
    EXPECT_EQ(ActivateAppReceived, 1);

    // Moving the window: WM_WINDOWPOSCHANGED only to Rec<2>, with the position record.
    HookLog.clear();
    SetWindowPos(Wnd, nullptr, 77, 66, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    calls = CallsFor(Wnd);
    ASSERT_FALSE(calls.empty());
    for (const THookCall& c : calls) {
        EXPECT_EQ(c.Proc, 2);
        EXPECT_EQ(c.Code, hpSendWindowPosChanged);
    }
    EXPECT_EQ(calls.back().PosX, 77);
    EXPECT_EQ(calls.back().PosY, 66);

    // A posted WM_MOUSEMOVE is reported when looked at and again when removed.
    HookLog.clear();
    const LPARAM where = MAKELPARAM(7, 9);
    PostMessageW(Wnd, WM_MOUSEMOVE, MK_SHIFT, where);
    MSG msg{};
    auto mouseCalls = [&] {
        int n = 0;
        for (const THookCall& c : CallsFor(Wnd))
            if (c.LParam == where) {
                EXPECT_EQ(c.Proc, 4);
                EXPECT_EQ(c.Code, hpPostMouseMove);
                EXPECT_EQ(c.WParam, WPARAM{MK_SHIFT});
                ++n;
            }
        return n;
    };
    ASSERT_TRUE(PeekMessageW(&msg, Wnd, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_NOREMOVE));
    EXPECT_EQ(mouseCalls(), 1);
    ASSERT_TRUE(PeekMessageW(&msg, Wnd, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE));
    EXPECT_EQ(mouseCalls(), 2);
    for (const THookCall& c : CallsFor(Wnd))
        EXPECT_EQ(c.Proc, 4);

    // DestroyWindow: hpPreDestroy with the window and zero parameters.
    HookLog.clear();
    DestroyWindow(Wnd);
    EXPECT_EQ(ProcsFor(Wnd, hpPreDestroy), (std::vector<int>{3, 5}));
    for (const THookCall& c : CallsFor(Wnd)) {
        if (c.Code == hpPreDestroy) {
            EXPECT_EQ(c.WParam, WPARAM{0});
            EXPECT_EQ(c.LParam, LPARAM{0});
        }
    }
    Wnd = nullptr;
}

TEST_F(HookRegistryTest, ThrowingCallbackStopsNeitherTheOthersNorTheMessage)
{
    InstallHookProc(Rec<1>, {hpSendActivateApp, hpPreDestroy}, false);
    InstallHookProc(Thrower, {hpSendActivateApp, hpPreDestroy}, false);
    InstallHookProc(Rec<2>, {hpSendActivateApp, hpPreDestroy}, false);

    SendMessageW(Wnd, WM_ACTIVATEAPP, TRUE, 5);
    EXPECT_EQ(ProcsFor(Wnd, hpSendActivateApp), (std::vector<int>{1, -1, 2}));
    EXPECT_EQ(ActivateAppReceived, 1);
    EXPECT_EQ(LastActivateAppWParam, WPARAM{TRUE});

    // The window still goes, and the chain goes on for the next event.
    HookLog.clear();
    EXPECT_TRUE(DestroyWindow(Wnd));
    EXPECT_FALSE(IsWindow(Wnd));
    EXPECT_EQ(ProcsFor(Wnd, hpPreDestroy), (std::vector<int>{1, -1, 2}));
    Wnd = nullptr;
}

// ---- counting ---------------------------------------------------------------------------

TEST_F(HookRegistryTest, CountOnlyInstallsNoHookAndCountsNothing)
{
    InstallHookProc(Rec<1>, WindowCodes + THookProcCodes{hpPostMouseMove}, true);
    EXPECT_TRUE(HookRegistrationListExists());
    EXPECT_EQ(HookProcRefCount(Rec<1>), 1);
    for (int kind : HookKinds) {
        EXPECT_FALSE(HookInstalled(kind));
        EXPECT_EQ(HookUseCount(kind), 0);
    }
    SendMessageW(Wnd, WM_ACTIVATEAPP, TRUE, 0);
    EXPECT_TRUE(HookLog.empty());

    UninstallHookProc(Rec<1>);
    EXPECT_TRUE(RegistryEmpty());  // use counts never went below 0
}

TEST_F(HookRegistryTest, SameProcTwiceKeepsFirstCodesButCountsTheSecondCallsHooks)
{
    InstallHookProc(Rec<1>, {hpSendActivateApp}, false);
    InstallHookProc(Rec<1>, {hpPreDestroy}, false);
    EXPECT_EQ(HookRegistrationCount(), 1);
    EXPECT_EQ(HookProcRefCount(Rec<1>), 2);
    EXPECT_EQ(HookProcRegisteredCodes(Rec<1>), THookProcCodes{hpSendActivateApp});
    EXPECT_EQ(HookUseCount(WH_CALLWNDPROC), 1);
    EXPECT_EQ(HookUseCount(WH_CBT), 1);
    EXPECT_TRUE(HookInstalled(WH_CBT));
    EXPECT_FALSE(HookInstalled(WH_GETMESSAGE));

    // The CBT hook runs, but the registration does not want hpPreDestroy.
    HWND other = MakePlainWindow(200, 40);
    DestroyWindow(other);
    EXPECT_TRUE(CallsFor(other).empty());

    // Uninstalls go by the record's codes: the call-window-procedure hook goes first.
    UninstallHookProc(Rec<1>);
    EXPECT_EQ(HookProcRefCount(Rec<1>), 1);
    EXPECT_FALSE(HookInstalled(WH_CALLWNDPROC));
    EXPECT_EQ(HookUseCount(WH_CBT), 1);
    // The last one leaves nothing installed, the CBT hook included.
    UninstallHookProc(Rec<1>);
    EXPECT_TRUE(RegistryEmpty());
}

TEST_F(HookRegistryTest, LastUninstallRemovesEverythingAndInstallingAgainStartsAfresh)
{
    InstallHookProc(Rec<1>, WindowCodes, false);
    InstallHookProc(Rec<2>, {hpPostMouseMove}, false);
    InstallHookProc(Rec<1>, WindowCodes, false);
    EXPECT_EQ(HookUseCount(WH_CALLWNDPROC), 2);

    UninstallHookProc(Rec<3>);  // not registered: nothing changes
    EXPECT_EQ(HookRegistrationCount(), 2);
    EXPECT_EQ(HookUseCount(WH_CALLWNDPROC), 2);

    UninstallHookProc(Rec<1>);
    UninstallHookProc(Rec<2>);
    EXPECT_TRUE(HookRegistrationListExists());
    EXPECT_TRUE(HookInstalled(WH_CALLWNDPROC));
    EXPECT_FALSE(HookInstalled(WH_GETMESSAGE));
    UninstallHookProc(Rec<1>);
    EXPECT_TRUE(RegistryEmpty());
    SendMessageW(Wnd, WM_ACTIVATEAPP, TRUE, 0);
    EXPECT_TRUE(HookLog.empty());
    UninstallHookProc(Rec<1>);  // no list: nothing happens
    EXPECT_TRUE(RegistryEmpty());

    InstallHookProc(Rec<2>, {hpSendActivateApp}, false);
    EXPECT_EQ(HookRegistrationCount(), 1);
    EXPECT_EQ(HookProcRefCount(Rec<2>), 1);
    EXPECT_EQ(HookUseCount(WH_CALLWNDPROC), 1);
    EXPECT_TRUE(HookInstalled(WH_CALLWNDPROC));
    SendMessageW(Wnd, WM_ACTIVATEAPP, FALSE, 3);
    EXPECT_EQ(ProcsFor(Wnd, hpSendActivateApp), std::vector<int>{2});
    UninstallHookProc(Rec<2>);
}

// ---- changes during a dispatch ------------------------------------------------------------

TEST_F(HookRegistryTest, CallbackUninstallingItselfAndALaterOneDuringDispatch)
{
    InstallHookProc(Rec<1>, {hpSendActivateApp}, false);
    InstallHookProc(Rec<2>, {hpSendActivateApp}, false);
    InstallHookProc(Rec<3>, {hpSendActivateApp}, false);
    InstallHookProc(Rec<4>, {hpSendActivateApp}, false);
    DuringCall = [](int n) {
        if (n == 2) {
            UninstallHookProc(Rec<2>);
            UninstallHookProc(Rec<3>);
            InstallHookProc(Rec<5>, {hpSendActivateApp}, false);  // waits for the next event
        }
    };
    SendMessageW(Wnd, WM_ACTIVATEAPP, TRUE, 0);
    EXPECT_EQ(ProcsFor(Wnd, hpSendActivateApp), (std::vector<int>{1, 2, 4}));
    EXPECT_EQ(ActivateAppReceived, 1);
    EXPECT_EQ(HookRegistrationCount(), 3);
    EXPECT_EQ(HookProcRefCount(Rec<2>), 0);
    EXPECT_EQ(HookProcRefCount(Rec<3>), 0);

    DuringCall = nullptr;
    HookLog.clear();
    SendMessageW(Wnd, WM_ACTIVATEAPP, TRUE, 0);
    EXPECT_EQ(ProcsFor(Wnd, hpSendActivateApp), (std::vector<int>{1, 4, 5}));
}

TEST_F(HookRegistryTest, CallbackRemovingEveryRegistrationDuringDispatch)
{
    InstallHookProc(Rec<1>, WindowCodes, false);
    InstallHookProc(Rec<2>, WindowCodes, false);
    InstallHookProc(Rec<2>, WindowCodes, false);
    DuringCall = [](int n) {
        if (n == 1) {
            UninstallHookProc(Rec<1>);
            UninstallHookProc(Rec<2>);
            UninstallHookProc(Rec<2>);
        }
    };
    SendMessageW(Wnd, WM_ACTIVATEAPP, TRUE, 0);
    EXPECT_EQ(ProcsFor(Wnd, hpSendActivateApp), std::vector<int>{1});
    EXPECT_EQ(ActivateAppReceived, 1);
    EXPECT_TRUE(RegistryEmpty());
    DuringCall = nullptr;
    HookLog.clear();
    SendMessageW(Wnd, WM_ACTIVATEAPP, TRUE, 0);
    EXPECT_TRUE(HookLog.empty());
}

TEST_F(HookRegistryTest, NestedDispatchRemovalIsSeenByTheOuterOne)
{
    InstallHookProc(Rec<1>, {hpSendActivateApp, hpSendWindowPosChanged}, false);
    InstallHookProc(Rec<2>, {hpSendWindowPosChanged}, false);
    InstallHookProc(Rec<3>, {hpSendActivateApp}, false);
    HWND wnd = Wnd;
    DuringCall = [wnd](int n) {
        // The outer WM_ACTIVATEAPP dispatch is at Rec<1> when the move dispatches again.
        if (n == 1 && HookLog.back().Code == hpSendActivateApp)
            SetWindowPos(wnd, nullptr, 90, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        if (n == 2)
            UninstallHookProc(Rec<3>);
    };
    SendMessageW(Wnd, WM_ACTIVATEAPP, TRUE, 0);
    EXPECT_EQ(ProcsFor(Wnd, hpSendActivateApp), std::vector<int>{1});
    const std::vector<int> moves = ProcsFor(Wnd, hpSendWindowPosChanged);
    ASSERT_GE(moves.size(), 2u);
    EXPECT_EQ(moves[0], 1);
    EXPECT_EQ(moves[1], 2);
    EXPECT_EQ(HookRegistrationCount(), 2);
}

// ---- ListSortEx -----------------------------------------------------------------------------

int CompareCount = 0;

int32_t CompareInts(void* a, void* b, void* extra)
{
    ++CompareCount;
    const auto x = reinterpret_cast<intptr_t>(a), y = reinterpret_cast<intptr_t>(b);
    const int32_t sign = extra ? -1 : 1;  // any extra data: descending
    return x < y ? -sign : x > y ? sign : 0;
}

int32_t AlwaysLess(void*, void*, void*) { return -1; }
// Small items before everything, large ones after everything, whatever the other item is.
int32_t IgnoresSecondItem(void* a, void*, void*) { return reinterpret_cast<intptr_t>(a) < 100 ? -1 : 1; }
int32_t AlwaysGreater(void*, void*, void*) { return 1; }

uint32_t NoiseState = 1;
int32_t Noise(void*, void*, void*)
{
    NoiseState = NoiseState * 1664525u + 1013904223u;
    return static_cast<int32_t>((NoiseState >> 16) % 3) - 1;
}

std::vector<intptr_t> Items(const TList& list)
{
    std::vector<intptr_t> v;
    for (int i = 0; i < list.Count(); ++i)
        v.push_back(reinterpret_cast<intptr_t>(list.Get(i)));
    return v;
}

TList ListOf(const std::vector<intptr_t>& v)
{
    TList list;
    for (intptr_t x : v)
        list.Add(reinterpret_cast<void*>(x));
    return list;
}

TEST(ListSortExTest, FewerThanTwoItemsNeverCompare)
{
    CompareCount = 0;
    TList empty;
    ListSortEx(empty, CompareInts, nullptr);
    TList one = ListOf({42});
    ListSortEx(one, CompareInts, nullptr);
    ListSortEx(one, AlwaysLess, nullptr);  // would raise if it compared
    EXPECT_EQ(CompareCount, 0);
    EXPECT_EQ(empty.Count(), 0);
    EXPECT_EQ(Items(one), std::vector<intptr_t>{42});
}

TEST(ListSortExTest, SortsWithDuplicatesAndPassesExtraData)
{
    std::vector<intptr_t> values;
    uint32_t s = 7;
    for (int i = 0; i < 300; ++i) {
        s = s * 1103515245u + 12345u;
        values.push_back(static_cast<intptr_t>((s >> 8) % 50));  // many equal items
    }
    TList list = ListOf(values);
    ListSortEx(list, CompareInts, nullptr);
    std::vector<intptr_t> expected = values;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Items(list), expected);

    int marker = 0;
    ListSortEx(list, CompareInts, &marker);
    std::sort(expected.begin(), expected.end(), std::greater<>());
    EXPECT_EQ(Items(list), expected);

    for (const std::vector<intptr_t>& small : {std::vector<intptr_t>{2, 1}, {1, 2}, {3, 1, 2}, {5, 5, 5, 5}}) {
        TList l = ListOf(small);
        ListSortEx(l, CompareInts, nullptr);
        std::vector<intptr_t> e = small;
        std::sort(e.begin(), e.end());
        EXPECT_EQ(Items(l), e);
    }
}

TEST(ListSortExTest, InconsistentComparisonRaisesTheListIndexError)
{
    const std::vector<intptr_t> values{9, 3, 7, 1, 5, 8, 2};
    for (TListSortExCompare bad : {AlwaysLess, AlwaysGreater}) {
        TList list = ListOf(values);
        EXPECT_THROW(ListSortEx(list, bad, nullptr), EListError);
        std::vector<intptr_t> got = Items(list), want = values;
        std::sort(got.begin(), got.end());
        std::sort(want.begin(), want.end());
        EXPECT_EQ(got, want);  // items only exchanged, none lost or invented
    }
    // Here a scan leaves the part being sorted without leaving the list; followed, the sort
    // would go round the same part for ever.
    for (const std::vector<intptr_t>& v : {std::vector<intptr_t>{1, 1, 150}, {1, 1, 1, 1, 150}}) {
        TList list = ListOf(v);
        EXPECT_THROW(ListSortEx(list, IgnoresSecondItem, nullptr), EListError);
        EXPECT_EQ(list.Count(), static_cast<int>(v.size()));
    }
    // A comparison that answers at random: it either ends or raises, always within the list.
    int raised = 0;
    for (uint32_t seed = 1; seed <= 300; ++seed) {
        NoiseState = seed;
        std::vector<intptr_t> v;
        for (int i = 0; i < static_cast<int>(seed % 40); ++i)
            v.push_back(i);
        TList list = ListOf(v);
        try {
            ListSortEx(list, Noise, nullptr);
        } catch (const EListError&) {
            ++raised;
        }
        std::vector<intptr_t> got = Items(list);
        std::sort(got.begin(), got.end());
        EXPECT_EQ(got, v) << seed;
    }
    EXPECT_GT(raised, 0);
}

// ---- SelectNCUpdateRgn ----------------------------------------------------------------------

bool ClipBoxOf(HDC dc, RECT& box)
{
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    const int has = GetClipRgn(dc, rgn);
    if (has == 1)
        GetRgnBox(rgn, &box);
    DeleteObject(rgn);
    return has == 1;
}

TEST(SelectNCUpdateRgnTest, WholeWindowValuesLeaveTheDCUnclippedOthersClipInWindowCoordinates)
{
    HWND wnd = MakePlainWindow(120, 80);
    PumpMessages(20);
    RECT wr{};
    GetWindowRect(wnd, &wr);
    RECT box{};

    for (HRGN whole : {static_cast<HRGN>(nullptr), reinterpret_cast<HRGN>(1)}) {
        HDC dc = GetWindowDC(wnd);
        SelectNCUpdateRgn(wnd, dc, whole);
        EXPECT_FALSE(ClipBoxOf(dc, box));
        ReleaseDC(wnd, dc);
    }

    // A screen region becomes the same area in window coordinates.
    HDC dc = GetWindowDC(wnd);
    HRGN rgn = CreateRectRgn(wr.left + 10, wr.top + 5, wr.left + 30, wr.top + 25);
    SelectNCUpdateRgn(wnd, dc, rgn);
    ASSERT_TRUE(ClipBoxOf(dc, box));
    EXPECT_EQ(box.left, 10);
    EXPECT_EQ(box.top, 5);
    EXPECT_EQ(box.right, 30);
    EXPECT_EQ(box.bottom, 25);
    ReleaseDC(wnd, dc);

    // A region the DC cannot take: the whole window instead.
    DeleteObject(rgn);
    dc = GetWindowDC(wnd);
    SelectNCUpdateRgn(wnd, dc, rgn);
    ASSERT_TRUE(ClipBoxOf(dc, box));
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 0);
    EXPECT_EQ(box.right, wr.right - wr.left);
    EXPECT_EQ(box.bottom, wr.bottom - wr.top);
    ReleaseDC(wnd, dc);
    DestroyWindow(wnd);
}

// ---- WM_PRINT --------------------------------------------------------------------------------

// A window with a non-client frame of its own (Inset) that answers WM_PRINT through
// HandleWMPrint and marks where each part of printing drew: its non-client painter fills
// NCFill (window coordinates), the background eraser logical (2,0)-(4,2) and the client
// printer logical (4,0)-(6,2).
struct TPrintWnd {
    RECT Inset{};
    RECT NCFill{0, 0, 2, 2};
    COLORREF NC = 0, Erase = 0, Client = 0;
    int NCCalls = 0, EraseCalls = 0, ClientCalls = 0, PrintCalls = 0;
    void ResetCounts() { NCCalls = EraseCalls = ClientCalls = PrintCalls = 0; }
};

void Fill(HDC dc, RECT r, COLORREF color)
{
    HBRUSH b = CreateSolidBrush(color);
    FillRect(dc, &r, b);
    DeleteObject(b);
}

void PrintWndNCPaint(HWND, HDC dc, LPARAM appData)
{
    auto* d = reinterpret_cast<TPrintWnd*>(appData);
    ++d->NCCalls;
    Fill(dc, d->NCFill, d->NC);
}

LRESULT CALLBACK PrintWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCCREATE)
        SetWindowLongPtrW(wnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* d = reinterpret_cast<TPrintWnd*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (!d)
        return DefWindowProcW(wnd, msg, wParam, lParam);
    switch (msg) {
    case WM_NCCALCSIZE: {
        RECT& r = wParam ? reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] : *reinterpret_cast<RECT*>(lParam);
        r.left += d->Inset.left;
        r.top += d->Inset.top;
        r.right -= d->Inset.right;
        r.bottom -= d->Inset.bottom;
        return 0;
    }
    case WM_NCPAINT:
        return 0;
    case WM_PRINT: {
        ++d->PrintCalls;
        TMessage m{msg, wParam, lParam, 0};
        HandleWMPrint(wnd, m, PrintWndNCPaint, reinterpret_cast<LPARAM>(d));
        return m.Result;
    }
    case WM_ERASEBKGND:
        ++d->EraseCalls;
        Fill(reinterpret_cast<HDC>(wParam), RECT{2, 0, 4, 2}, d->Erase);
        return 1;
    case WM_PRINTCLIENT:
        ++d->ClientCalls;
        Fill(reinterpret_cast<HDC>(wParam), RECT{4, 0, 6, 2}, d->Client);
        return 0;
    default:
        return DefWindowProcW(wnd, msg, wParam, lParam);
    }
}

HWND MakePrintWnd(TPrintWnd& d, DWORD style, HWND parentOrOwner, int x, int y, int w, int h)
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = PrintWndProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TB97CmnTestPrint";
        RegisterClassW(&wc);
        registered = true;
    }
    return CreateWindowExW(0, L"TB97CmnTestPrint", L"", style, x, y, w, h, parentOrOwner, nullptr,
                           GetModuleHandleW(nullptr), &d);
}

// A print target, black to start with.
class TSurface : public TDibSurface {
public:
    using TDibSurface::TDibSurface;
    COLORREF At(int x, int y) const { return Pixel(x, y); }
    bool AllBlack() const
    {
        const std::vector<uint32_t> pixels = Pixels();
        return std::all_of(pixels.begin(), pixels.end(), [](uint32_t p) { return (p & 0xFFFFFF) == 0; });
    }
};

class PrintTest : public testing::Test {
protected:
    void SetUp() override
    {
        Parent.Inset = {10, 20, 5, 5};
        Parent.NC = RGB(200, 0, 0);
        Parent.Erase = RGB(200, 200, 0);
        Parent.Client = RGB(200, 0, 200);
        ParentWnd = MakePrintWnd(Parent, WS_POPUP | WS_VISIBLE, nullptr, 100, 100, 120, 90);

        Child.Inset = {3, 2, 0, 0};
        Child.NCFill = {-5, -5, 40, 40};  // beyond its window: the clip must hold it
        Child.NC = RGB(0, 0, 200);
        Child.Erase = RGB(0, 100, 100);
        Child.Client = RGB(100, 100, 0);
        ChildWnd = MakePrintWnd(Child, WS_CHILD | WS_VISIBLE, ParentWnd, 30, 10, 20, 12);

        Grandchild.NCFill = {0, 0, 6, 5};
        Grandchild.NC = RGB(0, 200, 0);
        Grandchild.Erase = RGB(0, 200, 0);
        Grandchild.Client = RGB(0, 200, 0);
        GrandchildWnd = MakePrintWnd(Grandchild, WS_CHILD | WS_VISIBLE, ChildWnd, 4, 4, 6, 5);

        HiddenChildWnd = MakePrintWnd(HiddenChild, WS_CHILD, ParentWnd, 60, 10, 10, 10);
        HiddenChild.NCFill = {0, 0, 10, 10};
        HiddenChild.NC = RGB(255, 255, 255);
        PumpMessages(30);
        ResetCounts();
    }
    void TearDown() override { DestroyWindow(ParentWnd); }
    void ResetCounts()
    {
        for (TPrintWnd* d : {&Parent, &Child, &Grandchild, &HiddenChild})
            d->ResetCounts();
    }
    LRESULT Print(HDC dc, LPARAM flags) { return SendMessageW(ParentWnd, WM_PRINT, reinterpret_cast<WPARAM>(dc), flags); }
    // Child, its grandchild and the hidden child as printed into a DC whose origin was moved
    // to the parent's client origin (10, 20).
    void ExpectChildrenPrinted(const TSurface& s)
    {
        EXPECT_EQ(Child.PrintCalls, 1);
        EXPECT_EQ(Child.NCCalls, 1);
        EXPECT_EQ(Child.EraseCalls, 1);
        EXPECT_EQ(Child.ClientCalls, 1);
        EXPECT_EQ(s.At(40, 30), Child.NC);   // its window's top-left corner
        EXPECT_EQ(s.At(59, 41), Child.NC);   // bottom-right pixel
        EXPECT_NE(s.At(39, 30), Child.NC);   // clipped to its window
        EXPECT_NE(s.At(60, 30), Child.NC);
        EXPECT_NE(s.At(45, 42), Child.NC);
        EXPECT_EQ(s.At(45, 32), Child.Erase);   // its own client origin is (43, 32)
        EXPECT_EQ(s.At(47, 32), Child.Client);
        // The grandchild is printed by its own parent only, once.
        EXPECT_EQ(Grandchild.PrintCalls, 1);
        EXPECT_EQ(s.At(47, 40), Grandchild.NC);
        EXPECT_EQ(HiddenChild.PrintCalls, 0);
    }

    TPrintWnd Parent, Child, Grandchild, HiddenChild;
    HWND ParentWnd = nullptr, ChildWnd = nullptr, GrandchildWnd = nullptr, HiddenChildWnd = nullptr;
};

TEST_F(PrintTest, FullPrintDrawsFrameClientAndChildrenInPlace)
{
    TSurface s(130, 100);
    EXPECT_EQ(Print(s.DC(), PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN), 1);
    EXPECT_EQ(Parent.NCCalls, 1);
    EXPECT_EQ(Parent.EraseCalls, 1);
    EXPECT_EQ(Parent.ClientCalls, 1);
    EXPECT_EQ(s.At(0, 0), Parent.NC);
    EXPECT_EQ(s.At(12, 20), Parent.Erase);
    EXPECT_EQ(s.At(14, 20), Parent.Client);
    ExpectChildrenPrinted(s);

    // The DC comes back as it was given.
    POINT org{1, 1};
    GetWindowOrgEx(s.DC(), &org);
    EXPECT_EQ(org.x, 0);
    EXPECT_EQ(org.y, 0);
    RECT box{};
    EXPECT_FALSE(ClipBoxOf(s.DC(), box));
}

TEST_F(PrintTest, ClientOnlyPaintsNoFrameAndNoOriginMoveButChildrenAtTheClientOrigin)
{
    TSurface s(130, 100);
    EXPECT_EQ(Print(s.DC(), PRF_CLIENT | PRF_CHILDREN), 1);
    EXPECT_EQ(Parent.NCCalls, 0);
    EXPECT_EQ(Parent.EraseCalls, 0);
    EXPECT_EQ(Parent.ClientCalls, 1);
    EXPECT_EQ(s.At(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(s.At(4, 0), Parent.Client);   // at the DC's own origin
    EXPECT_EQ(s.At(14, 20), RGB(0, 0, 0));
    ExpectChildrenPrinted(s);

    // Without PRF_CHILDREN no child is printed; without PRF_CLIENT nothing of the client.
    ResetCounts();
    TSurface t(130, 100);
    Print(t.DC(), PRF_CLIENT);
    EXPECT_EQ(Child.PrintCalls, 0);
    Print(t.DC(), PRF_NONCLIENT | PRF_CHILDREN);
    EXPECT_EQ(Parent.NCCalls, 1);
    EXPECT_EQ(Parent.ClientCalls, 1);
    EXPECT_EQ(Child.PrintCalls, 0);
}

TEST_F(PrintTest, HiddenWindowWithCheckVisibleDrawsNothingAndAnswersOne)
{
    ShowWindow(ParentWnd, SW_HIDE);
    PumpMessages(20);
    ResetCounts();
    TSurface s(130, 100);
    const LPARAM all = PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN | PRF_OWNED;
    EXPECT_EQ(Print(s.DC(), PRF_CHECKVISIBLE | all), 1);
    EXPECT_TRUE(s.AllBlack());
    EXPECT_EQ(Parent.NCCalls + Parent.EraseCalls + Parent.ClientCalls, 0);
    EXPECT_EQ(Child.PrintCalls, 0);

    // Without PRF_CHECKVISIBLE a hidden window prints all the same.
    EXPECT_EQ(Print(s.DC(), all), 1);
    EXPECT_EQ(Parent.NCCalls, 1);
    EXPECT_EQ(s.At(0, 0), Parent.NC);
}

TEST_F(PrintTest, OwnedWindowsPrintWithTheMessagesFlagsAtTheirPlace)
{
    TPrintWnd owned;
    owned.NCFill = {0, 0, 10, 8};
    owned.NC = RGB(50, 150, 250);
    HWND ownedWnd = MakePrintWnd(owned, WS_POPUP | WS_VISIBLE, ParentWnd, 160, 150, 10, 8);
    TPrintWnd hiddenOwned;
    HWND hiddenOwnedWnd = MakePrintWnd(hiddenOwned, WS_POPUP, ParentWnd, 170, 150, 10, 8);
    PumpMessages(20);
    owned.ResetCounts();

    TSurface s(130, 100);
    Print(s.DC(), PRF_NONCLIENT | PRF_CLIENT | PRF_OWNED);
    EXPECT_EQ(owned.PrintCalls, 1);
    EXPECT_EQ(owned.NCCalls, 1);
    EXPECT_EQ(owned.EraseCalls, 0);  // the message's own flags, not the children's
    EXPECT_EQ(hiddenOwned.PrintCalls, 0);
    EXPECT_EQ(Child.PrintCalls, 0);
    EXPECT_EQ(s.At(60, 50), owned.NC);  // screen (160, 150) relative to the window (100, 100)
    EXPECT_EQ(s.At(69, 57), owned.NC);
    EXPECT_NE(s.At(70, 57), owned.NC);
    DestroyWindow(hiddenOwnedWnd);
    DestroyWindow(ownedWnd);
}

// ---- WM_PRINTCLIENT ---------------------------------------------------------------------------

class TPrintClientControl : public TCustomControl {
    TK_CLASSINFO(TPrintClientControl, TCustomControl)
public:
    explicit TPrintClientControl(TComponent* AOwner) : TCustomControl(AOwner) {}
    int Paints = 0;

protected:
    void Paint() override
    {
        ++Paints;
        Fill(Canvas()->Handle(), RECT{0, 0, 3, 3}, RGB(220, 10, 10));
    }

    TK_BEGIN_MESSAGE_MAP()
        TK_MESSAGE(WM_PRINTCLIENT, WMPrintClient)
    TK_END_MESSAGE_MAP()

    void WMPrintClient(TMessage& Message) { HandleWMPrintClient(this, Message); }
};

class TPrintClientGraphic : public TGraphicControl {
    TK_CLASSINFO(TPrintClientGraphic, TGraphicControl)
public:
    explicit TPrintClientGraphic(TComponent* AOwner) : TGraphicControl(AOwner) {}

protected:
    void Paint() override { Fill(Canvas()->Handle(), RECT{0, 0, Width(), Height()}, RGB(10, 220, 10)); }
};

const TClassInfo& TPrintClientControl::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TPrintClientControl>(L"TPrintClientControl", &TCustomControl::StaticClassInfo()).Build();
    return info;
}

const TClassInfo& TPrintClientGraphic::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TPrintClientGraphic>(L"TPrintClientGraphic", &TGraphicControl::StaticClassInfo()).Build();
    return info;
}

TEST(PrintClientTest, PaintsTheControlAndItsGraphicChildrenIntoTheGivenDC)
{
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(50, 50, 200, 150);
    auto* control = new TPrintClientControl(form.get());
    control->SetParent(form.get());
    control->SetBounds(0, 0, 60, 40);
    auto* graphic = new TPrintClientGraphic(form.get());
    graphic->SetParent(control);
    graphic->SetBounds(20, 10, 5, 4);
    control->Handle();
    control->Paints = 0;

    TSurface s(60, 40);
    TMessage m{WM_PRINTCLIENT, reinterpret_cast<WPARAM>(s.DC()), 0, 1234};
    HandleWMPrintClient(control, m);
    EXPECT_EQ(m.Result, 1234);  // left as it was
    EXPECT_EQ(control->Paints, 1);
    EXPECT_EQ(s.At(2, 2), RGB(220, 10, 10));
    EXPECT_EQ(s.At(20, 10), RGB(10, 220, 10));
    EXPECT_EQ(s.At(24, 13), RGB(10, 220, 10));
    EXPECT_EQ(s.At(25, 13), RGB(0, 0, 0));

    // The same through the window, as another window's WM_PRINT would send it.
    TSurface t(60, 40);
    SendMessageW(control->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(t.DC()), PRF_CLIENT);
    EXPECT_EQ(control->Paints, 2);
    EXPECT_EQ(t.At(0, 0), RGB(220, 10, 10));
    EXPECT_EQ(t.At(22, 12), RGB(10, 220, 10));
}

// ---- activity, catalogue, version ------------------------------------------------------------

TEST(ApplicationIsActiveTest, FollowsTheThreadsActiveWindow)
{
    HWND wnd = MakePlainWindow(60, 60);
    ASSERT_NE(wnd, nullptr);
    BringToFront(wnd);
    SetActiveWindow(wnd);
    PumpMessages(30);
    EXPECT_EQ(GetActiveWindow(), wnd);
    EXPECT_TRUE(ApplicationIsActive());
    DestroyWindow(wnd);
    PumpUntil([] { return GetActiveWindow() == nullptr; }, 2000);
    EXPECT_FALSE(ApplicationIsActive());
}

TEST(MessageCatalogueTest, TextsLoadByTheirFixedIdentifiers)
{
    EXPECT_EQ(LoadTB97String(65323), L"A TDock97 control cannot be placed inside a tool window or another TDock97");
    EXPECT_EQ(LoadTB97String(65324), L"Cannot change Position of a TDock97 if it already contains controls");
    EXPECT_EQ(LoadTB97String(65325), L"Cannot save tool window's position because Name property is not set");
    EXPECT_EQ(LoadTB97String(65326), L"Cannot save tool window's position because DockedTo's Name property not set");
    EXPECT_EQ(LoadTB97String(65327), L"A tool window can only be placed on a TDock97 or directly on the form");
    EXPECT_EQ(STB97DockParentNotAllowed, 65323u);
    EXPECT_EQ(STB97DockCannotChangePosition, 65324u);
    EXPECT_EQ(STB97ToolwinNameNotSet, 65325u);
    EXPECT_EQ(STB97ToolwinDockedToNameNotSet, 65326u);
    EXPECT_EQ(STB97ToolwinParentNotAllowed, 65327u);
    EXPECT_EQ(STB97ToolbarControlNotChildOfToolbar, 65296u);
    EXPECT_EQ(STB97SepParentNotAllowed, 65297u);
    // The two button-bar entries exist too, as texts of their own.
    const std::wstring a = LoadTB97String(STB97ToolbarControlNotChildOfToolbar);
    const std::wstring b = LoadTB97String(STB97SepParentNotAllowed);
    const std::wstring missing = LoadTB97String(65298);
    EXPECT_NE(a, missing);
    EXPECT_NE(b, missing);
    EXPECT_NE(a, b);
    EXPECT_NE(missing.find(L"65298"), std::wstring::npos) << Narrow(missing);
    EXPECT_NE(missing.find(L"missing"), std::wstring::npos) << Narrow(missing);
}

TEST(VersionTextTest, ReadsRuzevov97Version178a)
{
    EXPECT_EQ(Ruzevov97Version(), L"Ruzevov97 version 1.78a");
    EXPECT_NE(std::wstring(Sig).find(L"Ruzevov97 version 1.78a"), std::wstring::npos);
}

}  // namespace
