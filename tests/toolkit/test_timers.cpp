// Timers: ticks are messages of this thread; switching on twice changes nothing; no timer left.
#include <gtest/gtest.h>

#include "ExtCtrls.h"
#include "Forms.h"
#include "TestSupport.h"

namespace {

// Puts the real SetTimer back whatever a test did.
struct TTimerFunctionGuard {
    ~TTimerFunctionGuard() { TTimer::SetTimerFunction(nullptr); }
};

}  // namespace

TEST(Timers, TicksArriveThroughTheMessageLoopWhileEnabled)
{
    TTimer timer(nullptr);
    int ticks = 0;
    timer.SetInterval(40);
    timer.SetOnTimer([&](TObject* sender) {
        EXPECT_EQ(sender, &timer);
        ++ticks;
    });
    ASSERT_TRUE(timer.Running());
    Sleep(150);
    EXPECT_EQ(ticks, 0);  // nothing happens until messages are processed
    EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }, 3000));

    timer.SetEnabled(false);
    EXPECT_FALSE(timer.Running());
    PumpMessages(30);  // a tick queued before the switch-off is dropped
    const int stopped = ticks;
    PumpMessages(200);
    EXPECT_EQ(ticks, stopped);

    timer.SetEnabled(true);
    EXPECT_TRUE(PumpUntil([&] { return ticks > stopped; }, 3000));
}

TEST(Timers, ATimerMadeInCodeRunsWithItsDefaults)
{
    // Enabled and a second's interval from the start: assigning the handler is all it takes.
    TTimer timer(nullptr);
    int ticks = 0;
    timer.OnTimer = [&](TObject*) { ++ticks; };
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1000u);
    EXPECT_TRUE(timer.Running());
    EXPECT_TRUE(PumpUntil([&] { return ticks == 1; }, 2000));
}

TEST(Timers, EnablingAnEnabledTimerDoesNotRestartIt)
{
    TTimer timer(nullptr);
    timer.SetEnabled(false);
    timer.SetInterval(400);
    ULONGLONG tickedAt = 0;
    timer.SetOnTimer([&](TObject*) {
        if (!tickedAt)
            tickedAt = GetTickCount64();
    });
    const ULONGLONG start = GetTickCount64();
    timer.SetEnabled(true);
    PumpMessages(200);
    timer.SetEnabled(true);
    timer.SetInterval(400);  // the same interval again is no change either
    ASSERT_TRUE(PumpUntil([&] { return tickedAt != 0; }, 3000));
    // A restart would have put the first tick at 600 ms.
    EXPECT_LT(tickedAt - start, 560u);
    EXPECT_GE(tickedAt - start, 380u);
}

TEST(Timers, SwitchingOnWithNoTimerLeftRaisesAndLeavesTheTimerOff)
{
    TTimer timer(nullptr);
    timer.SetEnabled(false);
    TTimerFunctionGuard restore;
    int attempts = 0;
    TTimer::SetTimerFunction([&](HWND, UINT_PTR, UINT) -> UINT_PTR {
        ++attempts;
        return 0;
    });
    timer.SetInterval(30);
    int ticks = 0;
    timer.SetOnTimer([&](TObject*) { ++ticks; });
    for (int round = 1; round <= 2; ++round) {
        try {
            timer.SetEnabled(true);
            ADD_FAILURE() << "no error on round " << round;
        } catch (const EOutOfResources& e) {
            EXPECT_EQ(e.Message(), L"タイマーを取得できません");
        }
        EXPECT_FALSE(timer.Enabled());
        EXPECT_FALSE(timer.Running());
        EXPECT_EQ(attempts, round);  // each switch-on tries again
    }

    TTimer::SetTimerFunction(nullptr);
    timer.SetEnabled(true);
    EXPECT_TRUE(timer.Running());
    EXPECT_TRUE(PumpUntil([&] { return ticks >= 1; }, 3000));
}
