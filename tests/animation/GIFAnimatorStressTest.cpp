// The asynchronous mode under load: the timer thread advances and composes
// frames as fast as its clock lets it while the interface thread paints and
// writes properties, then destroys the control. Meant to run under
// ThreadSanitizer: it must end with no race and no dead-lock.

#include "animation/GIFAnimator.h"

#include "AnimatorTestSupport.h"
#include "FakeTimerClock.h"
#include "rtl/Guard.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>

#include <atomic>
#include <memory>
#include <thread>

namespace scindra {
namespace {

using namespace test;

// A clock whose every sleep is over at once: the timer ticks back to back,
// each tick "after" its full interval.
class RushingClock final : public TimerClock {
public:
    TimePoint Now() const override { return TimePoint(std::chrono::milliseconds(nowMs_.load())); }
    bool SleepUntil(std::unique_lock<std::mutex>& lock, std::condition_variable&, TimePoint deadline,
                    const std::function<bool()>& interrupted) override
    {
        lock.unlock();
        std::this_thread::yield();
        lock.lock();
        if (interrupted())
            return false;
        nowMs_ = Ms(deadline);
        return true;
    }

private:
    std::atomic<long long> nowMs_{0};
};

// A shown animator playing four frames of mixed disposals and transparency
// at the shortest delay, composed on the timer thread.
std::unique_ptr<QWidget> AnimatedWindow(TGIFAnimator*& animator)
{
    auto parent = std::make_unique<QWidget>();
    parent->resize(40, 40);
    animator = new TGIFAnimator(parent.get(), std::make_shared<RushingClock>());
    Load(*animator, BuildGif(4, 4, {{0, 0, {"RRRR", "RMMR", "RMMR", "RRRR"}, 2, 1, M}, {1, 1, {"GG", "GM"}, 1, 1, M},
                                    {0, 0, Rows(4, "BBBB"), 3, 1, std::nullopt}, {2, 2, {"RG", "BM"}, 0, 1, M}}));
    animator->SetAsyncDrawing(true);
    parent->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(parent.get()));
    return parent;
}

TEST(AsyncStress, ThousandsOfTicksWhileTheInterfaceThreadPaintsThenDestruction)
{
    std::atomic<int> errors = 0;
    const ErrorReporter previous = SetErrorReporter([&](const std::exception&) { ++errors; });
    TGIFAnimator* animator = nullptr;
    auto parent = AnimatedWindow(animator);
    std::atomic<int> frameChanges = 0;
    animator->SetOnFrameChanged([&](QObject*) { ++frameChanges; });
    animator->SetAnimate(true);
    int round = 0;
    const bool done = PumpUntil(
        [&] {
            animator->repaint();
            if (++round % 7 == 0)
                animator->SetCenter(!animator->Center());
            if (round % 11 == 0)
                animator->SetFrameIndex(round % 4);
            if (round % 13 == 0)
                animator->SetTransparent(!animator->Transparent());
            return frameChanges >= 3000;
        },
        std::chrono::minutes(2));
    EXPECT_TRUE(done) << frameChanges << " frame changes";
    parent.reset();  // while the timer thread is still ticking

    // Destroyed before the first tick's notification could run: no loop turns
    // here, so the timer thread is left waiting for the interface thread.
    for (int round = 0; round < 20; ++round) {
        parent = AnimatedWindow(animator);
        animator->SetOnFrameChanged([&](QObject*) { ++frameChanges; });
        frameChanges = 0;
        animator->SetAnimate(true);
        std::this_thread::sleep_for(std::chrono::milliseconds(round % 5));
        parent.reset();
        EXPECT_EQ(frameChanges, 0);
    }
    EXPECT_EQ(errors, 0);
    SetErrorReporter(previous);
}

} // namespace
} // namespace scindra
