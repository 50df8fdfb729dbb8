#include "animation/TThreadedTimer.h"

#include "FakeTimerClock.h"
#include "rtl/Exception.h"
#include "rtl/Guard.h"

#include <gtest/gtest.h>

#include <QThread>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace scindra {
namespace {

using namespace std::chrono_literals;
using namespace test;
using TimerWrite = std::function<void(TThreadedTimer&, TNotifyEvent)>;

// A timer on a fake clock whose handler records the fake time of each tick;
// errors a tick raises are collected instead of shown.
class TimerTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        timer_.reset();
        SetErrorReporter(previousReporter_);
    }
    // A fresh timer on a fresh clock.
    TThreadedTimer& Restart()
    {
        timer_.reset();
        clock_ = std::make_shared<FakeTimerClock>();
        ticks_.clear();
        return *(timer_ = std::make_unique<TThreadedTimer>(nullptr, clock_));
    }
    TNotifyEvent Recorder(std::function<void()> extra = [] {})
    {
        return [this, extra](QObject*) { ticks_.push_back(clock_->NowMs()), extra(); };
    }
    // Moves the clock to the end of sleep number `sleep` and waits for its tick.
    void TickAtEndOfSleep(unsigned sleep)
    {
        const size_t before = ticks_.size();
        clock_->AdvanceToMs(clock_->WaitForSleep(sleep));
        ASSERT_TRUE(PumpUntil([&] { return ticks_.size() > before; }));
    }

    std::shared_ptr<FakeTimerClock> clock_;
    std::unique_ptr<TThreadedTimer> timer_;
    std::vector<long long> ticks_;
    std::mutex mutex_;  // guards errors_, reported from the timer thread when SyncEvent is off
    std::vector<std::string> errors_;
    ErrorReporter previousReporter_ = SetErrorReporter([this](const std::exception& e) {
        std::lock_guard lock(mutex_);
        errors_.push_back(e.what());
    });
};

// (That ticks run on the interface thread is checked with the errors below.)
TEST_F(TimerTest, FirstTickComesAfterTheWholeInterval)
{
    Restart().SetOnTimer(Recorder());
    EXPECT_EQ(clock_->WaitForSleep(1), 1000);
    clock_->AdvanceToMs(999);
    PumpBriefly();
    EXPECT_TRUE(ticks_.empty());
    TickAtEndOfSleep(1);
    EXPECT_EQ(ticks_, std::vector<long long>{1000});
}

TEST_F(TimerTest, NoTickWithoutIntervalEnablingOrHandler)
{
    const std::pair<const char*, TimerWrite> setups[] = {
        {"interval 0", [](TThreadedTimer& t, TNotifyEvent h) { t.SetInterval(0); t.SetOnTimer(h); }},
        {"disabled", [](TThreadedTimer& t, TNotifyEvent h) { t.SetEnabled(false); t.SetOnTimer(h); }},
        {"handler cleared", [](TThreadedTimer& t, TNotifyEvent h) { t.SetOnTimer(h); t.SetOnTimer(nullptr); }},
        {"interval 0 while running", [](TThreadedTimer& t, TNotifyEvent h) { t.SetOnTimer(h); t.SetInterval(0); }},
    };
    for (const auto& [name, setup] : setups) {
        SCOPED_TRACE(name);
        setup(Restart(), Recorder());
        EXPECT_TRUE(clock_->WaitUntilNobodySleeps());
        EXPECT_TRUE(timer_->ThreadSuspended());
        clock_->Advance(20s);
        PumpBriefly();
        EXPECT_TRUE(ticks_.empty());
    }
}

// Each row runs 400 ms into the first 1,000 ms sleep: only re-enabling a
// stopped timer starts a new full sleep.
TEST_F(TimerTest, OnlyReenablingRestartsTheSleep)
{
    const std::tuple<const char*, TimerWrite, long long> writes[] = {
        {"same interval", [](TThreadedTimer& t, TNotifyEvent) { t.SetInterval(1000); }, 1000},
        {"another handler", [](TThreadedTimer& t, TNotifyEvent h) { t.SetOnTimer(h); }, 1000},
        {"new interval, applied from the next sleep", [](TThreadedTimer& t, TNotifyEvent) { t.SetInterval(300); }, 1000},
        {"re-enabled", [](TThreadedTimer& t, TNotifyEvent) { t.SetEnabled(false), t.SetEnabled(true); }, 1400},
    };
    for (const auto& [name, write, tick] : writes) {
        SCOPED_TRACE(name);
        Restart().SetOnTimer([](QObject*) {});
        clock_->WaitForSleep(1);
        clock_->Advance(400ms);
        write(*timer_, Recorder());
        timer_->SetOnTimer(Recorder());
        TickAtEndOfSleep(tick == 1000 ? 1 : 2);  // a restart is a second sleep
        EXPECT_EQ(ticks_, std::vector<long long>{tick});
    }
}

TEST_F(TimerTest, TheTimeATickTakesIsAddedToTheInterval)
{
    Restart().SetInterval(100);
    timer_->SetOnTimer(Recorder([&] { clock_->Advance(30ms); }));
    for (unsigned sleep = 1; sleep <= 3; ++sleep)
        TickAtEndOfSleep(sleep);
    EXPECT_EQ(ticks_, (std::vector<long long>{100, 230, 360}));
}

TEST_F(TimerTest, NoTickAfterDestructionWhetherSleepingOrWaitingForTheInterfaceThread)
{
    // At 1,000 the thread may already wait for this thread to run its tick.
    for (long long destroyAt : {500, 1000}) {
        for (int round = 0; round < 20; ++round) {
            Restart().SetOnTimer(Recorder());
            clock_->WaitForSleep(1);
            clock_->AdvanceToMs(destroyAt);
            timer_.reset();
            clock_->AdvanceToMs(5000);
            PumpBriefly();
            ASSERT_TRUE(ticks_.empty()) << destroyAt;
        }
    }
}

TEST_F(TimerTest, AnErrorInATickIsReportedAndTheTicksGoOn)
{
    for (bool sync : {true, false}) {
        SCOPED_TRACE(sync);
        errors_.clear();
        std::atomic<int> fired = 0;
        std::atomic<bool> onInterfaceThread = false;
        Restart().SetSyncEvent(sync);
        timer_->SetOnTimer([&](QObject*) {
            onInterfaceThread = QThread::currentThread() == QCoreApplication::instance()->thread();
            throw EInvalidArgument("tick " + std::to_string(++fired));
        });
        for (unsigned n = 1; n <= 2; ++n) {
            clock_->AdvanceToMs(clock_->WaitForSleep(n));
            ASSERT_TRUE(PumpUntil([&] {
                std::lock_guard lock(mutex_);
                return errors_.size() == n;
            }));
        }
        EXPECT_EQ(errors_, (std::vector<std::string>{"tick 1", "tick 2"}));
        EXPECT_EQ(onInterfaceThread, sync);
    }
}

TEST_F(TimerTest, AHandlerThatClearsItselfFinishesWithItsOwnCopy)
{
    std::string captured(64, 'x');
    std::string seen;
    Restart().SetOnTimer([this, captured, &seen](QObject*) {
        timer_->SetOnTimer(nullptr);
        seen = captured;  // the assigned function is gone; this one must still be whole
    });
    clock_->AdvanceToMs(clock_->WaitForSleep(1));
    ASSERT_TRUE(PumpUntil([&] { return !seen.empty(); }));
    EXPECT_EQ(seen, captured);
    EXPECT_TRUE(clock_->WaitUntilNobodySleeps());
}

// The tick has already left the timer thread and waits for this one when
// the timer is stopped and started again in the same turn: it belongs to a
// sleep that no longer counts, and the restart begins a full new one.
TEST_F(TimerTest, ATickQueuedBeforeAStopIsDroppedAfterTheRestart)
{
    const std::pair<const char*, TimerWrite> restarts[] = {
        {"enabled off and on", [](TThreadedTimer& t, TNotifyEvent) { t.SetEnabled(false), t.SetEnabled(true); }},
        {"interval 0 and back", [](TThreadedTimer& t, TNotifyEvent) { t.SetInterval(0), t.SetInterval(1000); }},
        {"handler none, then a new one",
         [](TThreadedTimer& t, TNotifyEvent h) { t.SetOnTimer(nullptr), t.SetOnTimer(h); }},
    };
    for (const auto& [name, restart] : restarts) {
        SCOPED_TRACE(name);
        Restart().SetOnTimer(Recorder());
        clock_->AdvanceToMs(clock_->WaitForSleep(1));
        // No events are served while waiting: the tick must stay queued.
        while (!timer_->TickWaiting())
            std::this_thread::sleep_for(1ms);
        restart(*timer_, Recorder());
        PumpBriefly();
        EXPECT_TRUE(ticks_.empty());
        EXPECT_EQ(clock_->WaitForSleep(2), 2000);
        TickAtEndOfSleep(2);
        EXPECT_EQ(ticks_, std::vector<long long>{2000});
    }
}

// A handler may destroy its timer: on the interface thread, where the timer
// thread waits for it, and on the timer thread itself.
TEST_F(TimerTest, AHandlerMayDestroyItsOwnTimer)
{
    for (bool sync : {true, false}) {
        SCOPED_TRACE(sync);
        std::atomic<bool> advanced = false, destroyed = false;
        Restart().SetSyncEvent(sync);
        timer_->SetOnTimer([&](QObject*) {
            // The fake clock still signals the sleeper's wake-up, a member of the thread.
            while (!advanced)
                std::this_thread::yield();
            timer_.reset();
            destroyed = true;
        });
        clock_->AdvanceToMs(clock_->WaitForSleep(1));
        advanced = true;
        ASSERT_TRUE(PumpUntil([&] { return destroyed.load(); }));
        PumpBriefly();
        std::lock_guard lock(mutex_);
        EXPECT_TRUE(errors_.empty());
    }
}

TEST(TThreadedTimer, TicksOnTheRealClock)
{
    TThreadedTimer timer;
    timer.SetInterval(20);
    int fired = 0;
    const auto start = std::chrono::steady_clock::now();
    timer.SetOnTimer([&](QObject*) { ++fired; });
    ASSERT_TRUE(PumpUntil([&] { return fired >= 5; }, 10s));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 100ms);
    timer.SetEnabled(false);
    const int stopped = fired;
    PumpBriefly();
    EXPECT_EQ(fired, stopped);
}

} // namespace
} // namespace scindra
