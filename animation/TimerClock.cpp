#include "animation/TimerClock.h"

namespace scindra {
namespace {

class SystemClock final : public TimerClock {
public:
    TimePoint Now() const override { return Clock::now(); }

    bool SleepUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& wake, TimePoint deadline,
                    const std::function<bool()>& interrupted) override
    {
        // wait_until gives the predicate's value: false means the deadline came first.
        return !wake.wait_until(lock, deadline, interrupted);
    }
};

} // namespace

std::shared_ptr<TimerClock> TimerClock::System()
{
    static const std::shared_ptr<TimerClock> clock = std::make_shared<SystemClock>();
    return clock;
}

} // namespace scindra
