#include "animation/TTimerThread.h"

#include <algorithm>
#include <array>
#include <cerrno>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace scindra {
namespace {

constexpr std::array<int, 7> kNiceOfPriority{19, 10, 5, 0, -5, -10, -20};

// Sets the calling thread's nice value. Linux refuses a value below the
// current one to an unprivileged process beyond its RLIMIT_NICE; the thread
// then goes as far as it is allowed, and stays where it is otherwise. A
// refused priority is no error: the timer keeps ticking either way.
void SetOwnNice(int wanted)
{
    const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
    if (::setpriority(PRIO_PROCESS, tid, wanted) == 0)
        return;
    errno = 0;
    const int current = ::getpriority(PRIO_PROCESS, tid);
    if (errno != 0)
        return;
    rlimit limit{};
    if (::getrlimit(RLIMIT_NICE, &limit) != 0)
        return;
    const auto allowedFloor = 20 - static_cast<int>(std::min<rlim_t>(limit.rlim_cur, 40));
    const int reachable = std::max(wanted, allowedFloor);
    if (reachable < current)
        (void)::setpriority(PRIO_PROCESS, tid, reachable);
}

} // namespace

int TTimerThread::NiceOf(TThreadPriority priority)
{
    return kNiceOfPriority.at(static_cast<size_t>(priority));
}

TTimerThread::TTimerThread(std::shared_ptr<TimerClock> clock, Tick tick)
    : clock_(std::move(clock)), tick_(std::move(tick)), thread_([this] { Execute(); })
{
}

TTimerThread::~TTimerThread()
{
    if (IsCurrent()) {
        Terminate();
        *released_ = true;
        thread_.detach();
        return;
    }
    Join();
}

void TTimerThread::Apply(uint32_t interval, bool run, TThreadPriority priority)
{
    std::lock_guard lock(mutex_);
    const bool wasRunning = !suspended_;
    suspended_ = true;
    interval_ = interval;
    if (run) {
        priority_ = priority;
        suspended_ = false;
    } else if (wasRunning) {
        ++suspensions_;
    }
    wake_.notify_all();
}

void TTimerThread::Suspend()
{
    std::lock_guard lock(mutex_);
    if (!suspended_) {
        suspended_ = true;
        ++suspensions_;
        wake_.notify_all();
    }
}

uint32_t TTimerThread::Interval() const
{
    std::lock_guard lock(mutex_);
    return interval_;
}

bool TTimerThread::Suspended() const
{
    std::lock_guard lock(mutex_);
    return suspended_;
}

uint64_t TTimerThread::Suspensions() const
{
    std::lock_guard lock(mutex_);
    return suspensions_;
}

bool TTimerThread::Terminated() const
{
    std::lock_guard lock(mutex_);
    return terminated_;
}

bool TTimerThread::IsCurrent() const
{
    return std::this_thread::get_id() == thread_.get_id();
}

void TTimerThread::Terminate()
{
    std::lock_guard lock(mutex_);
    terminated_ = true;
    wake_.notify_all();
}

bool TTimerThread::WaitForEnd(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex_);
    return wake_.wait_for(lock, timeout, [this] { return finished_; });
}

void TTimerThread::Join()
{
    Terminate();
    if (thread_.joinable() && !IsCurrent())
        thread_.join();
}

void TTimerThread::Execute()
{
    // Copies: the tick may destroy this object, the function it runs in included.
    const Tick tick = tick_;
    const std::shared_ptr<bool> released = released_;
    std::unique_lock lock(mutex_);
    for (;;) {
        // A suspended thread blocks here; it never polls.
        wake_.wait(lock, [this] { return terminated_ || !suspended_; });
        if (terminated_)
            break;
        ApplyPriority(lock);
        if (!SleepOneInterval(lock))
            continue;
        lock.unlock();
        tick();
        if (*released)
            return;
        lock.lock();
    }
    finished_ = true;
    wake_.notify_all();
}

// True when the whole interval passed while the thread stayed resumed and
// was not told to end.
bool TTimerThread::SleepOneInterval(std::unique_lock<std::mutex>& lock)
{
    const uint64_t since = suspensions_;
    const auto deadline = clock_->Now() + std::chrono::milliseconds(interval_);
    return clock_->SleepUntil(lock, wake_, deadline,
                              [this, since] { return terminated_ || suspended_ || suspensions_ != since; });
}

void TTimerThread::ApplyPriority(std::unique_lock<std::mutex>& lock)
{
    if (priority_ == appliedPriority_)
        return;
    appliedPriority_ = priority_;
    const int nice = NiceOf(priority_);
    lock.unlock();
    SetOwnNice(nice);
    lock.lock();
}

} // namespace scindra
