#include "animation/TThreadedTimer.h"

#include "animation/InterfaceThread.h"
#include "rtl/Exception.h"
#include "rtl/Guard.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <exception>

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
// which will run no loop until the destructor is done: the call it waits for
// is taken back from the queue, which releases it, and the thread, told to
// end, leaves at once.
void TThreadedTimer::Shutdown()
{
    thread_->Terminate();
    while (!thread_->WaitForEnd(std::chrono::milliseconds(1)))
        QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
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

void TThreadedTimer::RunOnUIThread(const std::function<void()>& method)
{
    if (OnInterfaceThread()) {
        method();
        return;
    }
    if (thread_->Terminated())
        return;
    // The handshake mutex makes the order "method ran, then the caller goes
    // on" visible to the thread checkers as well; the queued call's own wake-up
    // is a semaphore they cannot see.
    std::mutex handshake;
    std::exception_ptr failure;
    QMetaObject::invokeMethod(
        this,
        [&method, &failure, &handshake] {
            std::lock_guard lock(handshake);
            try {
                method();
            } catch (...) {
                failure = std::current_exception();
            }
        },
        Qt::BlockingQueuedConnection);
    std::lock_guard lock(handshake);
    if (failure)
        std::rethrow_exception(failure);
}

// The thread's step after a full sleep. A synchronous tick is guarded on the
// user-interface thread, so its error box is shown while the timer thread
// still waits: no second tick can come until the box is closed.
void TThreadedTimer::TickFromThread() noexcept
{
    if (!enabled_)
        return;
    if (syncEvent_)
        Guard([this] { RunOnUIThread([this] { Guard([this] { FireTimer(); }); }); });
    else
        Guard([this] { FireTimer(); });
}

} // namespace scindra
