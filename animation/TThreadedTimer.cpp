#include "animation/TThreadedTimer.h"

#include "animation/InterfaceThread.h"
#include "rtl/Exception.h"
#include "rtl/Guard.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <condition_variable>
#include <exception>
#include <utility>

namespace scindra {

TThreadedTimer::TThreadedTimer(QObject* owner)
    : TThreadedTimer(owner, TimerClock::System())
{
}

TThreadedTimer::TThreadedTimer(QObject* owner, std::shared_ptr<TimerClock> clock)
    : QObject(owner),
      thread_(std::make_unique<TTimerThread>(std::move(clock), [this] { TickFromThread(); }))
{
}

TThreadedTimer::~TThreadedTimer()
{
    destroying_ = true;
    enabled_ = false;
    {
        std::lock_guard lock(settingsMutex_);
        onTimer_ = nullptr;
    }
    Shutdown();
    messageTimer_.reset();
}

// The thread may be inside a tick waiting for this (user-interface) thread,
// which runs no loop until this returns: the call it waits for is dropped,
// which releases it, and the thread, told to end, leaves at once.
void TThreadedTimer::Shutdown()
{
    thread_->Terminate();
    AbandonCalls();
    thread_->Join();
}

void TThreadedTimer::SetEnabled(bool enabled)
{
    std::lock_guard lock(settingsMutex_);
    if (enabled_.exchange(enabled) != enabled)
        ApplyTimerSettings();
}

void TThreadedTimer::SetInterval(uint32_t interval)
{
    std::lock_guard lock(settingsMutex_);
    if (interval_.exchange(interval) != interval)
        ApplyTimerSettings();
}

void TThreadedTimer::SetSyncEvent(bool syncEvent)
{
    syncEvent_ = syncEvent;
}

void TThreadedTimer::SetThreaded(bool threaded)
{
    std::lock_guard lock(settingsMutex_);
    if (threaded_.exchange(threaded) != threaded)
        ApplyTimerSettings();
}

void TThreadedTimer::SetThreadPriority(TThreadPriority priority)
{
    std::lock_guard lock(settingsMutex_);
    if (priority_.exchange(priority) != priority && threaded_)
        ApplyTimerSettings();
}

TNotifyEvent TThreadedTimer::OnTimer() const
{
    std::lock_guard lock(settingsMutex_);
    return onTimer_;
}

void TThreadedTimer::SetOnTimer(TNotifyEvent handler)
{
    std::lock_guard lock(settingsMutex_);
    const bool wasAssigned = static_cast<bool>(onTimer_);
    onTimer_ = std::move(handler);
    if (wasAssigned != static_cast<bool>(onTimer_))
        ApplyTimerSettings();
}

// Called with settingsMutex_ held.
bool TThreadedTimer::TicksWanted() const
{
    return interval_ != 0 && enabled_ && onTimer_;
}

// Called with settingsMutex_ held.
void TThreadedTimer::ApplyTimerSettings()
{
    if (threaded_)
        ApplyThreaded();
    else
        ApplyMessageTimer();
}

void TThreadedTimer::ApplyThreaded()
{
    if (messageTimer_) {
        messageTimer_->stop();
        messageTimer_.reset();
    }
    // Suspend, copy the interval, then priority and resume when ticks are
    // wanted: one step for the thread, which never waits for it.
    thread_->Apply(interval_, TicksWanted(), priority_);
}

void TThreadedTimer::ApplyMessageTimer()
{
    thread_->Suspend();
    if (!messageTimer_) {
        messageTimer_ = std::make_unique<QTimer>();
        connect(messageTimer_.get(), &QTimer::timeout, this, [this] { Guard([this] { FireTimer(); }); });
    } else {
        messageTimer_->stop();
    }
    if (!TicksWanted())
        return;
    // QTimer counts in a signed int; longer intervals wait as long as it can.
    messageTimer_->start(static_cast<int>(std::min<uint32_t>(interval_, INT_MAX)));
    // A thread without an event dispatcher cannot run a timer.
    if (messageTimer_->timerId() <= 0)
        throw EOutOfResources("Pas assez de timers disponibles");
}

void TThreadedTimer::FireTimer()
{
    TNotifyEvent handler;
    {
        std::lock_guard lock(settingsMutex_);
        if (!enabled_ || destroying_ || !onTimer_)
            return;
        handler = onTimer_;
    }
    handler(this);
}

struct TThreadedTimer::PendingCall {
    std::mutex mutex;
    std::condition_variable finished;
    std::function<void()> method;   // a copy: the caller's stack is never read from elsewhere
    std::exception_ptr failure;
    bool done = false;
    bool abandoned = false;

    // On the user-interface thread.
    void Run()
    {
        {
            std::lock_guard lock(mutex);
            if (abandoned)
                return;
        }
        std::exception_ptr error;
        try {
            method();
        } catch (...) {
            error = std::current_exception();
        }
        std::lock_guard lock(mutex);
        failure = std::move(error);
        done = true;
        finished.notify_all();
    }

    void Abandon()
    {
        std::lock_guard lock(mutex);
        abandoned = true;
        finished.notify_all();
    }

    // On the caller's thread: true once the method ran, false when dropped.
    bool Wait()
    {
        std::unique_lock lock(mutex);
        finished.wait(lock, [this] { return done || abandoned; });
        // Taken out, so the error ends its life on this thread.
        if (std::exception_ptr error = std::exchange(failure, nullptr))
            std::rethrow_exception(error);
        return done;
    }
};

// The call is queued to the user-interface thread and the caller waits on a
// condition variable of its own rather than inside a blocking queued call:
// the wait can then be released when the timer shuts down, and the order of
// the two threads is visible to the thread checkers.
void TThreadedTimer::RunOnUIThread(const std::function<void()>& method)
{
    // Before the application exists or after it is gone no loop will ever
    // run the call: the timer counts as closed.
    if (!QCoreApplication::instance())
        return;
    if (OnInterfaceThread()) {
        method();
        return;
    }
    auto call = std::make_shared<PendingCall>();
    call->method = method;
    {
        std::lock_guard lock(callsMutex_);
        if (callsAbandoned_)
            return;
        pendingCalls_.push_back(call);
        callsToRun_.push_back(call);
    }
    // The queued event only wakes the interface thread; the call itself goes
    // through callsToRun_, under a lock both threads (and the checkers) see.
    QMetaObject::invokeMethod(this, [this] { RunQueuedCalls(); }, Qt::QueuedConnection);
    struct Forget {
        TThreadedTimer& timer;
        const std::shared_ptr<PendingCall>& call;
        ~Forget()
        {
            std::lock_guard lock(timer.callsMutex_);
            std::erase(timer.pendingCalls_, call);
        }
    } forget{*this, call};
    call->Wait();
}

// The calls are taken out first and run without coming back to the timer:
// a tick handler may destroy it (and its lock and queue with it).
void TThreadedTimer::RunQueuedCalls()
{
    std::deque<std::shared_ptr<PendingCall>> calls;
    {
        std::lock_guard lock(callsMutex_);
        calls.swap(callsToRun_);
    }
    for (const std::shared_ptr<PendingCall>& call : calls)
        call->Run();
}

bool TThreadedTimer::TickWaiting() const
{
    std::lock_guard lock(callsMutex_);
    return !callsToRun_.empty();
}

void TThreadedTimer::AbandonCalls()
{
    std::lock_guard lock(callsMutex_);
    callsAbandoned_ = true;
    callsToRun_.clear();
    for (const std::shared_ptr<PendingCall>& call : pendingCalls_)
        call->Abandon();
}

// The thread's step after a full sleep. A synchronous tick is guarded on the
// user-interface thread, so its error box is shown while the timer thread
// still waits: no second tick can come until the box is closed.
//
// A synchronous tick carries the thread's suspension count: the interface
// thread may stop and restart the timer before it gets to the queued tick,
// which then belongs to a sleep that no longer counts.
void TThreadedTimer::TickFromThread() noexcept
{
    if (!enabled_ || !QCoreApplication::instance())
        return;
    if (!syncEvent_) {
        Guard([this] { FireTimer(); });
        return;
    }
    const uint64_t stamp = thread_->Suspensions();
    Guard([this, stamp] {
        RunOnUIThread([this, stamp] {
            if (thread_->Suspensions() == stamp)
                Guard([this] { FireTimer(); });
        });
    });
}

} // namespace scindra
