#include "animation/TThreadedTimer.h"

#include "FakeTimerClock.h"
#include "rtl/Exception.h"
#include "rtl/Guard.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace scindra {
namespace {

using namespace std::chrono_literals;
using test::FakeTimerClock;
using test::PumpBriefly;
using test::PumpUntil;

// A timer on a fake clock with a handler that records the fake time of each
// tick; every error a tick raises is collected instead of shown.
class TimerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previousReporter_ = SetErrorReporter([this](const std::exception& e) {
            std::lock_guard lock(errorsMutex_);
            errors_.push_back(e.what());
        });
    }
    void TearDown() override
    {
        timer_.reset();
        SetErrorReporter(previousReporter_);
    }

    TThreadedTimer& Timer()
    {
        if (!timer_)
            timer_ = std::make_unique<TThreadedTimer>(nullptr, clock_);
        return *timer_;
    }
    TNotifyEvent Recorder(std::function<void()> extra = {})
    {
        return [this, extra](QObject*) {
            {
                std::lock_guard lock(ticksMutex_);
                ticks_.push_back(clock_->NowMs());
            }
            if (extra)
                extra();
        };
    }
    // Moves the clock to the end of sleep number `sleep` and waits for the tick.
    void TickAtEndOfSleep(unsigned sleep)
    {
        const size_t before = TickCount();
        clock_->AdvanceToMs(clock_->WaitForSleep(sleep));
        ASSERT_TRUE(PumpUntil([&] { return TickCount() > before; }));
    }
    // The ticks may come from the timer thread (SyncEvent off).
    std::vector<long long> Ticks()
    {
        std::lock_guard lock(ticksMutex_);
        return ticks_;
    }
    size_t TickCount() { return Ticks().size(); }
    void ClearTicks()
    {
        std::lock_guard lock(ticksMutex_);
        ticks_.clear();
    }
    void ClearErrors()
    {
        std::lock_guard lock(errorsMutex_);
        errors_.clear();
    }
    std::vector<std::string> Errors()
    {
        std::lock_guard lock(errorsMutex_);
        return errors_;
    }

    std::shared_ptr<FakeTimerClock> clock_ = std::make_shared<FakeTimerClock>();
    std::unique_ptr<TThreadedTimer> timer_;
    std::mutex ticksMutex_;
    std::vector<long long> ticks_;
    std::mutex errorsMutex_;
    std::vector<std::string> errors_;
    ErrorReporter previousReporter_;
};

TEST_F(TimerTest, FirstTickComesAfterTheWholeIntervalOnTheInterfaceThread)
{
    Qt::HANDLE tickThread = nullptr;
    Timer().SetOnTimer(Recorder([&] { tickThread = QThread::currentThreadId(); }));
    EXPECT_EQ(clock_->WaitForSleep(1), 1000);
    clock_->AdvanceToMs(999);
    PumpBriefly();
    EXPECT_TRUE(Ticks().empty());
    clock_->AdvanceToMs(1000);
    ASSERT_TRUE(PumpUntil([&] { return TickCount() == 1; }));
    EXPECT_EQ(Ticks(), std::vector<long long>{1000});
    EXPECT_EQ(tickThread, QThread::currentThreadId());
}

TEST_F(TimerTest, NoTickWithoutIntervalEnablingOrHandler)
{
    const std::pair<const char*, std::function<void(TThreadedTimer&, TNotifyEvent)>> setups[] = {
        {"interval 0", [](TThreadedTimer& t, TNotifyEvent h) { t.SetInterval(0); t.SetOnTimer(h); }},
        {"disabled", [](TThreadedTimer& t, TNotifyEvent h) { t.SetEnabled(false); t.SetOnTimer(h); }},
        {"handler cleared", [](TThreadedTimer& t, TNotifyEvent h) { t.SetOnTimer(h); t.SetOnTimer(nullptr); }},
        {"interval 0 while running", [](TThreadedTimer& t, TNotifyEvent h) { t.SetOnTimer(h); t.SetInterval(0); }},
    };
    for (const auto& [name, setup] : setups) {
        SCOPED_TRACE(name);
        timer_.reset();
        setup(Timer(), Recorder());
        EXPECT_TRUE(clock_->WaitUntilNobodySleeps());
        EXPECT_TRUE(Timer().ThreadSuspended());
        clock_->Advance(20s);
        PumpBriefly();
        EXPECT_TRUE(Ticks().empty());
    }
}

TEST_F(TimerTest, WritesThatChangeNothingForTheThreadKeepTheSleepGoing)
{
    const std::pair<const char*, std::function<void(TThreadedTimer&, TNotifyEvent)>> writes[] = {
        {"same interval", [](TThreadedTimer& t, TNotifyEvent) { t.SetInterval(1000); }},
        {"another handler", [](TThreadedTimer& t, TNotifyEvent h) { t.SetOnTimer(h); }},
        {"sync off", [](TThreadedTimer& t, TNotifyEvent) { t.SetSyncEvent(false); }},
        {"same enabling", [](TThreadedTimer& t, TNotifyEvent) { t.SetEnabled(true); }},
        {"new interval, applied from the next sleep", [](TThreadedTimer& t, TNotifyEvent) { t.SetInterval(300); }},
    };
    for (const auto& [name, write] : writes) {
        SCOPED_TRACE(name);
        timer_.reset();
        ClearTicks();
        const unsigned sleeps = clock_->Sleeps();
        const long long start = clock_->NowMs();
        std::atomic<int> secondHandlerTicks = 0;
        Timer().SetOnTimer([](QObject*) {});
        clock_->WaitForSleep(sleeps + 1);
        clock_->Advance(400ms);
        write(Timer(), Recorder([&] { ++secondHandlerTicks; }));
        Timer().SetOnTimer(Recorder());
        clock_->AdvanceToMs(start + 1000);
        ASSERT_TRUE(PumpUntil([&] { return TickCount() == 1; }));
        EXPECT_EQ(Ticks().front(), start + 1000);
    }
}

TEST_F(TimerTest, ReenablingAStoppedTimerStartsAFullSleep)
{
    Timer().SetOnTimer(Recorder());
    clock_->WaitForSleep(1);
    clock_->AdvanceToMs(600);
    Timer().SetEnabled(false);
    Timer().SetEnabled(true);
    EXPECT_EQ(clock_->WaitForSleep(2), 1600);
    clock_->AdvanceToMs(1000);
    PumpBriefly();
    EXPECT_TRUE(Ticks().empty());
    TickAtEndOfSleep(2);
    EXPECT_EQ(Ticks(), std::vector<long long>{1600});
}

TEST_F(TimerTest, TheTimeATickTakesIsAddedToTheInterval)
{
    Timer().SetInterval(100);
    Timer().SetOnTimer(Recorder([&] { clock_->Advance(30ms); }));
    for (unsigned sleep = 1; sleep <= 3; ++sleep)
        TickAtEndOfSleep(sleep);
    EXPECT_EQ(Ticks(), (std::vector<long long>{100, 230, 360}));
}

TEST_F(TimerTest, AnIntervalWrittenInsideATickAppliesFromTheNextSleep)
{
    Timer().SetOnTimer(Recorder([&] { Timer().SetInterval(Timer().Interval() / 2); }));
    for (unsigned sleep = 1; sleep <= 3; ++sleep)
        TickAtEndOfSleep(sleep);
    EXPECT_EQ(Ticks(), (std::vector<long long>{1000, 1500, 1750}));
}

TEST_F(TimerTest, NoTickAfterDestructionWhetherSleepingOrWaitingForTheInterfaceThread)
{
    // Destroyed while sleeping, and right after the deadline, when the thread
    // may already be waiting for this thread to run its tick.
    for (long long destroyAt : {500, 1000}) {
        for (int round = 0; round < 20; ++round) {
            clock_ = std::make_shared<FakeTimerClock>();
            Timer().SetOnTimer(Recorder());
            clock_->WaitForSleep(1);
            clock_->AdvanceToMs(destroyAt);
            timer_.reset();
            clock_->AdvanceToMs(5000);
            PumpBriefly();
            ASSERT_TRUE(Ticks().empty()) << destroyAt;
        }
    }
}

TEST_F(TimerTest, AnErrorInATickIsReportedAndTheTicksGoOn)
{
    for (bool sync : {true, false}) {
        SCOPED_TRACE(sync);
        timer_.reset();
        ClearTicks();
        std::atomic<int> fired = 0;
        std::atomic<bool> onInterfaceThread = false;
        Timer().SetSyncEvent(sync);
        Timer().SetInterval(100);
        Timer().SetOnTimer([&](QObject* sender) {
            EXPECT_EQ(sender, timer_.get());
            onInterfaceThread = QThread::currentThread() == QCoreApplication::instance()->thread();
            ++fired;
            throw EInvalidArgument("tick " + std::to_string(fired));
        });
        const unsigned sleeps = clock_->Sleeps();
        for (unsigned n = 1; n <= 2; ++n) {
            clock_->AdvanceToMs(clock_->WaitForSleep(sleeps + n));
            ASSERT_TRUE(PumpUntil([&] { return fired == int(n) && Errors().size() == n; }));
        }
        EXPECT_EQ(onInterfaceThread, sync);
        ClearErrors();
    }
}

TEST_F(TimerTest, AHandlerThatClearsItselfFinishesWithItsOwnCopy)
{
    std::string captured(64, 'x');
    std::string seen;
    Timer().SetOnTimer([this, captured, &seen](QObject*) {
        Timer().SetOnTimer(nullptr);
        seen = captured;  // the assigned function is gone; this one must still be whole
    });
    clock_->AdvanceToMs(clock_->WaitForSleep(1));
    ASSERT_TRUE(PumpUntil([&] { return !seen.empty(); }));
    EXPECT_EQ(seen, captured);
    EXPECT_TRUE(clock_->WaitUntilNobodySleeps());
    EXPECT_TRUE(Timer().ThreadSuspended());
}

TEST_F(TimerTest, ARefusedPriorityIsNoErrorAndTheTicksGoOn)
{
    Timer().SetInterval(100);
    Timer().SetOnTimer(Recorder());
    unsigned sleep = 1;
    for (TThreadPriority priority : {tpTimeCritical, tpIdle, tpNormal, tpHighest}) {
        EXPECT_NO_THROW(Timer().SetThreadPriority(priority));
        TickAtEndOfSleep(sleep++);
    }
    EXPECT_EQ(TickCount(), 4u);
    EXPECT_TRUE(Errors().empty());
}

TEST_F(TimerTest, RunOnUIThreadRunsThereAndHandsErrorsBack)
{
    Qt::HANDLE ranOn = nullptr;
    Timer().RunOnUIThread([&] { ranOn = QThread::currentThreadId(); });
    EXPECT_EQ(ranOn, QThread::currentThreadId());

    std::atomic<bool> done = false;
    std::string error;
    std::thread worker([&] {
        try {
            Timer().RunOnUIThread([&] {
                ranOn = QThread::currentThreadId();
                throw EInvalidArgument("from the worker");
            });
        } catch (const std::exception& e) {
            error = e.what();
        }
        done = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return done.load(); }));
    worker.join();
    EXPECT_EQ(ranOn, QThread::currentThreadId());
    EXPECT_EQ(error, "from the worker");
}

TEST_F(TimerTest, WithoutThreadsTheTicksComeFromAQTimer)
{
    Timer().SetThreaded(false);
    Timer().SetInterval(5);
    int fired = 0;
    Timer().SetOnTimer([&](QObject*) {
        if (++fired == 2)
            throw EInvalidArgument("second");
    });
    EXPECT_TRUE(Timer().ThreadSuspended());
    ASSERT_TRUE(PumpUntil([&] { return fired >= 3; }));
    EXPECT_EQ(Errors(), std::vector<std::string>{"second"});
    Timer().SetEnabled(false);
    const int stopped = fired;
    PumpBriefly();
    EXPECT_EQ(fired, stopped);
    Timer().SetThreaded(true);
    Timer().SetEnabled(true);
    EXPECT_FALSE(Timer().ThreadSuspended());
}

TEST(TThreadedTimer, WithoutAnEventLoopTheMessageTimerIsRefused)
{
    std::string error;
    bool threadedAfter = true;
    std::thread bare([&] {
        TThreadedTimer timer;
        timer.SetThreaded(false);
        try {
            timer.SetOnTimer([](QObject*) {});
        } catch (const EOutOfResources& e) {
            error = e.what();
        }
        threadedAfter = timer.Threaded();
    });
    bare.join();
    EXPECT_EQ(error, "Pas assez de timers disponibles");
    EXPECT_FALSE(threadedAfter);
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
