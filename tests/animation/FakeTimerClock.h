#pragma once
// A timer clock that stands still until the test moves it. The timer thread
// sleeps on it as on the real one; the test waits until the thread has begun
// a sleep, reads its deadline, and moves the time there.

#include "animation/TimerClock.h"

#include <QCoreApplication>

#include <stdexcept>
#include <thread>

namespace scindra::test {

using namespace std::chrono_literals;

inline long long Ms(TimerClock::TimePoint time)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
}

// Serves the interface thread's queue until `done` holds or `limit` of real
// time has passed; gives the final value of `done`.
template <class Predicate>
bool PumpUntil(Predicate done, std::chrono::milliseconds limit = 5000ms)
{
    for (const auto end = std::chrono::steady_clock::now() + limit; !done(); std::this_thread::sleep_for(1ms)) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// Long enough for a wrongly posted tick to arrive, so that its absence means something.
inline void PumpBriefly() { PumpUntil([] { return false; }, 30ms); }

class FakeTimerClock final : public TimerClock {
    mutable std::mutex mutex_;
    TimePoint now_{}, deadline_{};
    unsigned sleeps_ = 0;
    std::pair<std::mutex*, std::condition_variable*> sleeper_{};

    template <class F>
    auto Locked(F f) const
    {
        std::lock_guard lock(mutex_);
        return f();
    }

public:
    TimePoint Now() const override { return Locked([&] { return now_; }); }

    bool SleepUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& wake, TimePoint deadline,
                    const std::function<bool()>& interrupted) override
    {
        Locked([&] { sleeper_ = {lock.mutex(), &wake}, deadline_ = deadline, ++sleeps_; });
        wake.wait(lock, [&] { return interrupted() || Now() >= deadline; });
        Locked([&] { sleeper_ = {}; });
        return !interrupted();
    }

    long long NowMs() const { return Ms(Now()); }
    unsigned Sleeps() const { return Locked([&] { return sleeps_; }); }

    // Moves the time to `ms` and wakes the sleeper, if any.
    void AdvanceToMs(long long ms)
    {
        const auto [sleeperMutex, sleeperWake] = Locked([&] {
            now_ = TimePoint(1ms * ms);
            return sleeper_;
        });
        if (sleeperWake) {
            // Taking the sleeper's mutex orders the new time before its next check.
            { std::lock_guard sleeper(*sleeperMutex); }
            sleeperWake->notify_all();
        }
    }
    void Advance(std::chrono::milliseconds step) { AdvanceToMs(NowMs() + step.count()); }

    // Waits until sleep number `count` has begun, and gives its deadline.
    long long WaitForSleep(unsigned count)
    {
        long long deadline = 0;
        if (!PumpUntil([&] { return Locked([&] { return deadline = Ms(deadline_), sleeps_ >= count; }); }))
            throw std::runtime_error("the timer thread never began the expected sleep");
        return deadline;
    }
    bool WaitUntilNobodySleeps() { return PumpUntil([&] { return !Locked([&] { return sleeper_.second; }); }); }

};

} // namespace scindra::test
