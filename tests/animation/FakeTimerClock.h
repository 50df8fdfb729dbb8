#pragma once
// A timer clock that stands still until the test moves it. The timer thread
// sleeps on it as on the real one; the test waits until the thread has begun
// a sleep, reads its deadline, and moves the time there.

#include "animation/TimerClock.h"

#include <QCoreApplication>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace scindra::test {

using namespace std::chrono_literals;

class FakeTimerClock final : public TimerClock {
public:
    TimePoint Now() const override
    {
        std::lock_guard lock(mutex_);
        return now_;
    }

    bool SleepUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& wake, TimePoint deadline,
                    const std::function<bool()>& interrupted) override
    {
        {
            std::lock_guard guard(mutex_);
            sleeperMutex_ = lock.mutex();
            sleeperWake_ = &wake;
            deadline_ = deadline;
            ++sleeps_;
        }
        changed_.notify_all();
        wake.wait(lock, [&] { return interrupted() || Now() >= deadline; });
        const bool completed = !interrupted();
        {
            std::lock_guard guard(mutex_);
            sleeperMutex_ = nullptr;
            sleeperWake_ = nullptr;
        }
        changed_.notify_all();
        return completed;
    }

    // Milliseconds since the clock's start.
    long long NowMs() const { return Ms(Now()); }
    static long long Ms(TimePoint time)
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
    }

    // Moves the time forward and wakes the sleeper, if any.
    void Advance(std::chrono::milliseconds step)
    {
        std::mutex* sleeperMutex;
        std::condition_variable* sleeperWake;
        {
            std::lock_guard guard(mutex_);
            now_ += step;
            sleeperMutex = sleeperMutex_;
            sleeperWake = sleeperWake_;
        }
        if (sleeperWake) {
            // Taking the sleeper's mutex orders the new time before its next check.
            { std::lock_guard sleeper(*sleeperMutex); }
            sleeperWake->notify_all();
        }
    }
    void AdvanceToMs(long long ms) { Advance(std::chrono::milliseconds(ms - NowMs())); }

    // How many sleeps have begun so far.
    unsigned Sleeps() const
    {
        std::lock_guard lock(mutex_);
        return sleeps_;
    }

    // Waits (in real time, at most a few seconds) until sleep number `count`
    // has begun, serving the user-interface thread's queue meanwhile, and
    // gives its deadline in milliseconds.
    long long WaitForSleep(unsigned count)
    {
        const auto limit = std::chrono::steady_clock::now() + 5s;
        for (;;) {
            {
                std::unique_lock lock(mutex_);
                if (changed_.wait_for(lock, 1ms, [&] { return sleeps_ >= count; }))
                    return Ms(deadline_);
            }
            QCoreApplication::processEvents();
            if (std::chrono::steady_clock::now() > limit)
                throw std::runtime_error("the timer thread never began the expected sleep");
        }
    }

    // Waits until no thread sleeps on the clock.
    bool WaitUntilNobodySleeps()
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 5s, [&] { return sleeperWake_ == nullptr; });
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    TimePoint now_{};
    TimePoint deadline_{};
    unsigned sleeps_ = 0;
    std::mutex* sleeperMutex_ = nullptr;
    std::condition_variable* sleeperWake_ = nullptr;
};

// Serves the user-interface thread's queue until `done` holds or a few
// seconds of real time have passed; gives the final value of `done`.
template <class Predicate>
bool PumpUntil(Predicate done, std::chrono::milliseconds limit = 5000ms)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// Serves the queue for a short while: long enough for a wrongly posted tick
// to arrive, so that its absence means something.
inline void PumpBriefly()
{
    PumpUntil([] { return false; }, 30ms);
}

} // namespace scindra::test
