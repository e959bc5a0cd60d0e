#include "test_dock_support.h"

#include <cstring>

#include "GdiCount.h"

namespace {

int ThreadWindows()
{
    int n = 0;
    EnumThreadWindows(
        GetCurrentThreadId(), [](HWND, LPARAM p) { return ++*reinterpret_cast<int*>(p), TRUE; },
        reinterpret_cast<LPARAM>(&n));
    return n;
}

}  // namespace

using ToolWindowSoakTest = TDockFixture;

TEST_F(ToolWindowSoakTest, ManyDockFloatDockCyclesLeaveNothingBehind)
{
    TToolWindow97* bar = MakeBar(Dock, 100, 24);
    PumpMessages(20);
    const int windows = ThreadWindows();
    const TGdiCounts gdi = GdiLiveCounts();
    const int registrations = HookRegistrationCount();
    const int32_t refs = HookProcRefCount(ToolWindowHookProc);
    for (int i = 0; i < 1000; ++i) {
        bar->SetDockedTo(nullptr);
        ASSERT_FALSE(bar->IsDocked());
        bar->SetDockedTo(Dock);
        if (i % 50 == 0)
            PumpMessages(0);
    }
    PumpMessages(20);
    EXPECT_EQ(ThreadWindows(), windows);
    const TGdiCounts after = GdiLiveCounts();
    EXPECT_EQ(std::memcmp(&after, &gdi, sizeof gdi), 0);
    EXPECT_EQ(HookRegistrationCount(), registrations);
    EXPECT_EQ(HookProcRefCount(ToolWindowHookProc), refs);
    EXPECT_EQ(FloatingWindowList, nullptr);
    EXPECT_EQ(Dock->MemberList().Count(), 1);
    EXPECT_EQ(Dock->GetToolbarCount(), 1);
    EXPECT_EQ(Screen->FormCount(), 1);
    EXPECT_EQ(bar->DockPos(), 0);

    delete bar;
    EXPECT_EQ(HookProcRefCount(ToolWindowHookProc), refs - 1);
    EXPECT_EQ(Dock->MemberList().Count(), 0);
}
