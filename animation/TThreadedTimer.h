#pragma once
// A non-visual timer that calls OnTimer every Interval milliseconds while it
// is enabled. Its ticks come from a thread of its own that sleeps for the
// interval and then hands the tick to the user-interface thread, waiting
// until it has run there (SyncEvent), or runs it itself (SyncEvent off). With
// Threaded off, a QTimer of the user-interface thread gives the ticks.
//
// The timer lives on the user-interface thread. Its settings may also be
// written from inside a tick; a change made there applies from the next
// sleep. A tick's error goes through the application's guard to the error box
// and the ticking goes on.

#include "animation/NotifyEvent.h"
#include "animation/TTimerThread.h"
#include "animation/TimerClock.h"

#include <QObject>

#include <atomic>
#include <deque>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class QTimer;

namespace scindra {

class TThreadedTimer : public QObject {
    Q_OBJECT

public:
    explicit TThreadedTimer(QObject* owner = nullptr);
    // Tests give the thread a clock they advance themselves.
    TThreadedTimer(QObject* owner, std::shared_ptr<TimerClock> clock);
    // Stops the ticks, ends the thread and joins it: once this returns no
    // tick runs, and none is left waiting for the user-interface thread.
    // A tick handler may destroy its own timer; on the timer thread the
    // thread is then left to end by itself.
    ~TThreadedTimer() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    // 0 produces no ticks.
    uint32_t Interval() const { return interval_; }
    void SetInterval(uint32_t interval);

    bool SyncEvent() const { return syncEvent_; }
    void SetSyncEvent(bool syncEvent);

    bool Threaded() const { return threaded_; }
    // Off: ticks from a QTimer, which raises "Pas assez de timers
    // disponibles" (EOutOfResources) when it cannot start.
    void SetThreaded(bool threaded);

    TThreadPriority ThreadPriority() const { return priority_; }
    void SetThreadPriority(TThreadPriority priority);

    TNotifyEvent OnTimer() const;
    void SetOnTimer(TNotifyEvent handler);

    // Runs `method` on the user-interface thread. Called from that thread it
    // simply runs; from any other thread it is queued there and the caller
    // waits until it has run, an error it raises coming back to the caller.
    // Once the timer is shut down, a call from another thread is dropped and
    // a caller still waiting is released: no loop may be left to run them.
    void RunOnUIThread(const std::function<void()>& method);

    // Stops the ticks for good: the thread is told to end and joined. A tick
    // already running finishes first; a call it waits for on this
    // (user-interface) thread is dropped and the tick released. The settings
    // stay readable. Called on the user-interface thread.
    void Shutdown();

    // What tests and the animator may ask of the thread.
    bool ThreadSuspended() const { return thread_->Suspended(); }
    uint32_t ThreadInterval() const { return thread_->Interval(); }
    bool InTimerThread() const { return thread_->IsCurrent(); }
    // A tick of the thread waits for the user-interface thread to run it.
    bool TickWaiting() const;

protected:
    // Calls a copy of OnTimer when the timer is enabled, not being destroyed,
    // and has a handler: a handler that clears OnTimer does not destroy
    // the function it runs in.
    virtual void FireTimer();

private:
    void ApplyTimerSettings();
    void ApplyThreaded();
    void ApplyMessageTimer();
    bool TicksWanted() const;
    void TickFromThread() noexcept;
    void RunQueuedCalls();
    void AbandonCalls();

    // A method handed to the user-interface thread, and its caller's wait.
    struct PendingCall;

    // Serialises settings writes, which come from the user-interface thread or
    // from a tick on the timer thread; also guards onTimer_.
    mutable std::mutex settingsMutex_;
    std::atomic<bool> enabled_{true};
    std::atomic<uint32_t> interval_{1000};
    std::atomic<bool> syncEvent_{true};
    std::atomic<bool> threaded_{true};
    std::atomic<TThreadPriority> priority_{tpNormal};
    std::atomic<bool> destroying_{false};
    TNotifyEvent onTimer_;

    mutable std::mutex callsMutex_;
    std::vector<std::shared_ptr<PendingCall>> pendingCalls_;   // calls whose callers wait
    std::deque<std::shared_ptr<PendingCall>> callsToRun_;       // of those, the ones not started yet
    bool callsAbandoned_ = false;                              // shut down: no more calls

    std::unique_ptr<QTimer> messageTimer_;   // none until the non-threaded mode needs it
    std::unique_ptr<TTimerThread> thread_;   // created with the timer, never replaced
};

} // namespace scindra
