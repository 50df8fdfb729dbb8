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

inline long long Ms(TimerClock::TimePoint time)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
}

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
        SetSleeper(lock.mutex(), &wake, [&] { deadline_ = deadline, ++sleeps_; });
        wake.wait(lock, [&] { return interrupted() || Now() >= deadline; });
        const bool completed = !interrupted();
        SetSleeper(nullptr, nullptr, [] {});
        return completed;
    }

    long long NowMs() const { return Ms(Now()); }

    // Moves the time to `ms` and wakes the sleeper, if any.
    void AdvanceToMs(long long ms)
    {
        std::mutex* sleeperMutex;
        std::condition_variable* sleeperWake;
        {
            std::lock_guard guard(mutex_);
            now_ = TimePoint(std::chrono::milliseconds(ms));
            sleeperMutex = sleeperMutex_;
            sleeperWake = sleeperWake_;
        }
        if (sleeperWake) {
            // Taking the sleeper's mutex orders the new time before its next check.
            { std::lock_guard sleeper(*sleeperMutex); }
            sleeperWake->notify_all();
        }
    }
    void Advance(std::chrono::milliseconds step) { AdvanceToMs(NowMs() + step.count()); }

    unsigned Sleeps() const
    {
        std::lock_guard lock(mutex_);
        return sleeps_;
    }

    // Waits (serving the interface thread's queue, a few seconds at most)
    // until sleep number `count` has begun, and gives its deadline.
    long long WaitForSleep(unsigned count)
    {
        for (const auto limit = std::chrono::steady_clock::now() + 5s;;) {
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

    bool WaitUntilNobodySleeps()
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 5s, [&] { return sleeperWake_ == nullptr; });
    }

private:
    template <class Update>
    void SetSleeper(std::mutex* mutex, std::condition_variable* wake, Update update)
    {
        {
            std::lock_guard guard(mutex_);
            sleeperMutex_ = mutex;
            sleeperWake_ = wake;
            update();
        }
        changed_.notify_all();
    }

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    TimePoint now_{}, deadline_{};
    unsigned sleeps_ = 0;
    std::mutex* sleeperMutex_ = nullptr;
    std::condition_variable* sleeperWake_ = nullptr;
};

// Serves the interface thread's queue until `done` holds or `limit` of real
// time has passed; gives the final value of `done`.
template <class Predicate>
bool PumpUntil(Predicate done, std::chrono::milliseconds limit = 5000ms)
{
    for (const auto end = std::chrono::steady_clock::now() + limit; !done();) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// Long enough for a wrongly posted tick to arrive, so that its absence means something.
inline void PumpBriefly() { PumpUntil([] { return false; }, 30ms); }

} // namespace scindra::test
