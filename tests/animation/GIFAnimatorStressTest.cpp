// The asynchronous mode under load: the timer thread advances and composes
// frames as fast as its clock lets it while the user-interface thread paints,
// writes properties, restarts finished runs and finally destroys the control.
// Meant to run under ThreadSanitizer: it must end with no race and no dead-lock.

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

using namespace std::chrono_literals;
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
        nowMs_ = std::chrono::duration_cast<std::chrono::milliseconds>(deadline.time_since_epoch()).count();
        return true;
    }

private:
    std::atomic<long long> nowMs_{0};
};

// Eight frames of mixed disposals and transparency, at the shortest delay.
Bytes MixedGif()
{
    std::vector<FrameSpec> frames{
        {0, 0, {"RRRR", "RMMR", "RMMR", "RRRR"}, 2, 1, M},
        {1, 1, {"GG", "GM"}, 1, 1, M},
        {0, 0, {"BBBB", "BBBB", "BBBB", "BBBB"}, 3, 1, std::nullopt},
        {2, 2, {"RG", "BM"}, 0, 1, M},
        {0, 1, {"MMMM", "GGGG"}, 2, 1, M},
        {3, 0, {"R", "G", "B", "M"}, 1, 1, M},
        {0, 0, {"MRMR", "RMRM", "MRMR", "RMRM"}, 2, 1, M},
        {1, 0, {"BB"}, 1, 1, M},
    };
    return BuildGif(4, 4, frames);
}

class AsyncStressTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previousReporter_ = SetErrorReporter([this](const std::exception&) { ++errors_; });
        parent_->resize(40, 40);
        animator_ = new TGIFAnimator(parent_.get(), std::make_shared<RushingClock>());
        Load(*animator_, MixedGif());
        animator_->SetAsyncDrawing(true);
        parent_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(parent_.get()));
    }
    void TearDown() override { SetErrorReporter(previousReporter_); }

    std::unique_ptr<QWidget> parent_ = std::make_unique<QWidget>();
    TGIFAnimator* animator_ = nullptr;
    std::atomic<int> errors_ = 0;
    ErrorReporter previousReporter_;
};

TEST_F(AsyncStressTest, ThousandsOfTicksWhileTheInterfaceThreadPaintsThenDestruction)
{
    std::atomic<int> frameChanges = 0;
    animator_->SetOnFrameChanged([&](QObject*) { ++frameChanges; });
    animator_->SetAnimate(true);
    int round = 0;
    const bool done = PumpUntil(
        [&] {
            ++round;
            animator_->repaint();
            if (round % 7 == 0)
                animator_->SetCenter(!animator_->Center());
            if (round % 11 == 0)
                animator_->SetFrameIndex(round % 8);
            if (round % 13 == 0)
                animator_->SetTransparent(!animator_->Transparent());
            return frameChanges >= 3000;
        },
        120s);
    EXPECT_TRUE(done) << frameChanges << " frame changes";
    parent_.reset();  // while the timer thread is still ticking
    EXPECT_EQ(errors_, 0);
}

TEST_F(AsyncStressTest, RunsThatStopThemselvesAndAreStartedAgain)
{
    std::atomic<int> stops = 0;
    std::atomic<int> stopsElsewhere = 0;
    animator_->SetLoop(false);
    animator_->SetOnStop([&](QObject*) {
        ++stops;
        if (animator_->FrameIndex() != 0)
            ++stopsElsewhere;  // a run ends showing its first frame
    });
    animator_->SetAnimate(true);
    const bool done = PumpUntil(
        [&] {
            animator_->repaint();
            if (!animator_->Animate())
                animator_->SetAnimate(true);
            return stops >= 200;
        },
        120s);
    EXPECT_TRUE(done) << stops << " stops";
    EXPECT_EQ(stopsElsewhere, 0);
    parent_.reset();
    EXPECT_EQ(errors_, 0);
}

TEST_F(AsyncStressTest, DestroyedWhileTheTimerThreadWaitsForTheInterfaceThread)
{
    for (int round = 0; round < 20; ++round) {
        auto parent = std::make_unique<QWidget>();
        auto* animator = new TGIFAnimator(parent.get(), std::make_shared<RushingClock>());
        Load(*animator, MixedGif());
        animator->SetAsyncDrawing(true);
        parent->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(parent.get()));
        std::atomic<int> frameChanges = 0;
        animator->SetOnFrameChanged([&](QObject*) { ++frameChanges; });
        animator->SetAnimate(true);
        // No loop runs here: the first tick's notification stays waiting.
        std::this_thread::sleep_for(std::chrono::milliseconds(round % 5));
        parent.reset();
        EXPECT_EQ(frameChanges, 0);
    }
    EXPECT_EQ(errors_, 0);
}

} // namespace
} // namespace scindra
