#pragma once
// The thread behind a threaded timer. It sleeps for its interval and then runs
// its tick, again and again, while it is resumed. Suspending, resuming and
// ending are states of one wait on a condition variable, so none of them
// waits for a sleep to run out, and none of them cuts a tick short: a tick in
// progress finishes and the thread then follows the state it finds.
//
// The thread is owned by its timer and joined by it. Only a timer destroyed
// by its own tick, on this very thread, cannot wait for it: the thread is
// then let go and leaves as soon as the tick returns.

#include "animation/TimerClock.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace scindra {

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class TTimerThread {
public:
    using Tick = std::function<void()>;

    // Starts the thread suspended, with an interval of 1000 ms. `tick` runs
    // on the thread after every full sleep and must not throw.
    TTimerThread(std::shared_ptr<TimerClock> clock, Tick tick);
    // Ends the thread and joins it (lets it go when called on it).
    ~TTimerThread();

    TTimerThread(const TTimerThread&) = delete;
    TTimerThread& operator=(const TTimerThread&) = delete;

    // One settings change, seen by the thread as a whole: suspend, take the
    // interval, and when `run` is set take the priority and resume. A sleep
    // under way when the thread stays resumed runs on to its deadline (the new
    // interval applies from the next sleep); once suspended, the thread starts
    // a full sleep when it is resumed.
    void Apply(uint32_t interval, bool run, TThreadPriority priority);
    void Suspend();

    uint32_t Interval() const;
    bool Suspended() const;
    // How often the thread was stopped while running: a tick taken at one
    // count is stale once it has changed.
    uint64_t Suspensions() const;
    // Told to end (it leaves its loop at its next wake-up).
    bool Terminated() const;
    // Whether the calling thread is this timer thread.
    bool IsCurrent() const;

    // Tells the thread to end and wakes it; it runs no tick after this
    // returns unless one had already started.
    void Terminate();
    // Waits up to `timeout` for the thread to leave its loop; true once it has.
    bool WaitForEnd(std::chrono::milliseconds timeout);
    // Terminates (when not done yet) and joins; on the thread itself it
    // only terminates.
    void Join();

    // The nice value of a priority on Linux, from 19 (idle) to -20.
    static int NiceOf(TThreadPriority priority);

private:
    void Execute();
    bool SleepOneInterval(std::unique_lock<std::mutex>& lock);
    void ApplyPriority(std::unique_lock<std::mutex>& lock);

    std::shared_ptr<TimerClock> clock_;
    Tick tick_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;   // every change of the fields below is signalled here
    uint32_t interval_ = 1000;       // read anew before every sleep
    bool suspended_ = true;
    bool terminated_ = false;
    bool finished_ = false;          // the loop has been left
    uint64_t suspensions_ = 0;       // a sleep begun before the latest suspension is void
    TThreadPriority priority_ = tpNormal;
    TThreadPriority appliedPriority_ = tpNormal;

    // Set when this object goes away under the thread's own tick; the
    // thread holds its own reference and reads it after every tick.
    std::shared_ptr<bool> released_ = std::make_shared<bool>(false);

    std::thread thread_;             // last: it starts once every field above exists
};

} // namespace scindra
