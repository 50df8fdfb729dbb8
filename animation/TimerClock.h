#pragma once
// The time source of the timer thread. The thread asks it for the time and
// sleeps through it, so tests can replace both with a clock they advance by
// hand and get every tick at a known instant.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace scindra {

class TimerClock {
public:
    using Clock = std::chrono::steady_clock;
    using TimePoint = Clock::time_point;

    virtual ~TimerClock() = default;

    virtual TimePoint Now() const = 0;

    // Sleeps on `wake` until `deadline` has passed or `interrupted()` holds.
    // `lock` holds the sleeper's mutex on entry and on return, and is released
    // while sleeping; `interrupted` is evaluated under it. Returns true when
    // the sleep ran to its deadline without being interrupted.
    virtual bool SleepUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& wake, TimePoint deadline,
                            const std::function<bool()>& interrupted) = 0;

    // The steady clock of the system; shared by every timer that is given none.
    static std::shared_ptr<TimerClock> System();
};

} // namespace scindra
