// A timer outside the application's lifetime: before the application object
// exists (or once it is gone) no interface thread runs ticks, and the timer
// thread must not run them in its place.
#include "animation/TThreadedTimer.h"

#include "FakeTimerClock.h"

#include <gtest/gtest.h>

#include <atomic>

namespace scindra {
namespace {

using namespace test;

TEST(TimerWithoutApplication, DropsEveryTick)
{
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    for (bool sync : {true, false}) {
        SCOPED_TRACE(sync);
        auto clock = std::make_shared<FakeTimerClock>();
        TThreadedTimer timer(nullptr, clock);
        timer.SetSyncEvent(sync);
        std::atomic<int> ticks = 0;
        timer.SetOnTimer([&](QObject*) { ++ticks; });
        clock->AdvanceToMs(clock->WaitForSleep(1));
        clock->WaitForSleep(2);  // begun once the first tick is over
        EXPECT_EQ(ticks, 0);
    }
}

} // namespace
} // namespace scindra
