#include "animation/GIFAnimator.h"

#include "AnimatorTestSupport.h"
#include "FakeTimerClock.h"
#include "rtl/Guard.h"

#include <gtest/gtest.h>

#include <QPalette>
#include <QTest>
#include <QThread>
#include <QWidget>

#include <memory>

namespace scindra {
namespace {

using namespace std::chrono_literals;
using namespace test;

// An animator on a yellow parent window, its timer on a fake clock; errors
// that reach the error box are collected.
class AnimatorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        parent_->setPalette(QPalette(Qt::black, Qt::yellow));
        parent_->setAutoFillBackground(true);
        parent_->resize(120, 120);
        parent_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(parent_.get()));
    }
    void TearDown() override
    {
        parent_.reset();
        SetErrorReporter(previousReporter_);
    }
    // What the window shows over the animator's area.
    Rows Shown() { return LettersOf(parent_->grab().toImage(), animator_->geometry()); }
    // Moves the clock to the end of sleep number `sleep` and waits for `ticked`.
    void NextTick(unsigned sleep, const std::function<bool()>& ticked)
    {
        clock_->AdvanceToMs(clock_->WaitForSleep(sleep));
        ASSERT_TRUE(PumpUntil(ticked));
    }

    std::shared_ptr<FakeTimerClock> clock_ = std::make_shared<FakeTimerClock>();
    std::unique_ptr<QWidget> parent_ = std::make_unique<QWidget>();
    TGIFAnimator* animator_ = new TGIFAnimator(parent_.get(), clock_);
    std::vector<std::string> errors_;
    std::function<void()> duringReport_;
    ErrorReporter previousReporter_ = SetErrorReporter([this](const std::exception& e) {
        errors_.push_back(e.what());
        if (const auto hook = duringReport_)  // a copy: the hook may clear itself
            hook();
    });
};

TEST_F(AnimatorTest, AOneFrameImageAnimatesWithoutEverTicking)
{
    Load(*animator_, BuildGif(2, 2, {Solid(2, 2, 'G')}));
    int frameChanges = 0;
    animator_->SetOnFrameChanged([&](QObject*) { ++frameChanges; });
    animator_->SetAnimate(true);
    EXPECT_TRUE(animator_->Animate() && clock_->WaitUntilNobodySleeps());
    clock_->Advance(60s);
    PumpBriefly();
    EXPECT_EQ(frameChanges, 0);
    EXPECT_EQ(Shown(), Rows({"GG", "GG"}));
}

TEST_F(AnimatorTest, FrameIndexWritesThatChangeNothingAreSilentAndDelaysAreClamped)
{
    int frameChanges = 0;
    animator_->SetOnFrameChanged([&](QObject*) { ++frameChanges; });
    animator_->SetFrameIndex(1);  // an empty image takes no index at all
    // GIF delays in hundredths of a second, and what the animator plays: 50 ms to 10 s.
    const std::pair<uint16_t, uint32_t> delays[] = {{0, 50}, {4, 50}, {10, 100}, {1001, 10000}};
    std::vector<FrameSpec> frames;
    for (const auto& [hundredths, ms] : delays)
        frames.push_back(Solid(1, 1, 'R', hundredths));
    Load(*animator_, BuildGif(1, 1, frames));
    for (int index : {0, -1, 4})
        animator_->SetFrameIndex(index);
    EXPECT_EQ(std::pair(animator_->FrameIndex(), frameChanges), std::pair(0, 0));
    for (int i : {1, 2, 3, 0}) {
        animator_->SetFrameIndex(i);
        EXPECT_EQ(animator_->Timer().Interval(), delays[i].second) << i;
    }
    EXPECT_EQ(frameChanges, 4);
}

// The same run whether the ticks run on the interface thread or compose on
// the timer thread: notifications and the stop still come on the interface thread.
TEST_F(AnimatorTest, ANonLoopingRunShowsEachFrameForItsDelayThenStopsOnTheFirst)
{
    for (bool async : {false, true}) {
        SCOPED_TRACE(async);
        animator_->SetAsyncDrawing(async);
        animator_->SetLoop(false);
        Load(*animator_, BuildGif(2, 1, {Solid(2, 1, 'R', 10), Solid(2, 1, 'G', 20), Solid(2, 1, 'B', 30)}));
        std::vector<int> shown;  // a frame shown off the interface thread counts as -1
        std::vector<long long> sleeps;
        std::vector<Rows> painted;
        int stops = 0;
        const auto here = [&] { return QThread::currentThread() == parent_->thread(); };
        animator_->SetOnFrameChanged([&](QObject*) { shown.push_back(here() ? animator_->FrameIndex() : -1); });
        animator_->SetOnStop([&](QObject*) { stops += here() ? 1 : 100; });
        const unsigned before = clock_->Sleeps();
        animator_->SetAnimate(true);
        for (unsigned n = 1; n <= 3; ++n) {
            const long long start = clock_->NowMs();
            sleeps.push_back(clock_->WaitForSleep(before + n) - start);
            NextTick(before + n, [&] { return shown.size() == n; });
            PumpBriefly();  // the asynchronous repaint is queued
            painted.push_back(Shown());
        }
        EXPECT_EQ(sleeps, (std::vector<long long>{100, 200, 300}));
        EXPECT_EQ(shown, (std::vector<int>{1, 2, 0}));
        EXPECT_EQ(painted, (std::vector<Rows>{{"GG"}, {"BB"}, {"RR"}}));
        ASSERT_TRUE(PumpUntil([&] { return stops != 0; }));
        EXPECT_EQ(stops, 1);
        EXPECT_TRUE(!animator_->Animate() && clock_->WaitUntilNobodySleeps());
    }
}

// Every frame must look the same reached step by step and rebuilt alone (a
// repaint, a jump). The screen's background index is blue.
TEST_F(AnimatorTest, ComposesEachDisposalAsAViewerShowsIt)
{
    const FrameSpec patch{1, 1, {"GM", "GG"}, 1, 10, M};  // its top-right pixel transparent
    const auto red = [](int disposal) { return FrameSpec{0, 0, Rows(3, "RRR"), disposal, 10, std::nullopt}; };
    const Rows kept{"RRR", "RGR", "RGG"}, wiped{"BBB", "BGB", "BGG"};
    const TColor kMagenta = 0xFF00FF;
    const Rows keyedRows{"MRR", "RRR", "RRR"};
    struct Case {
        const char* name;
        std::vector<FrameSpec> frames;
        Rows last;
        TColor key;  // of the composed picture
    };
    const Case cases[] = {
        {"unspecified", {red(0), patch}, kept, kColorNone},
        {"keep", {red(1), patch}, kept, kColorNone},
        {"restore background", {red(2), patch}, wiped, kColorNone},
        {"restore previous", {red(3), patch}, wiped, kColorNone},
        {"reserved 5", {red(5), patch}, wiped, kColorNone},
        // A key colour on the active frame becomes the background (and the key).
        {"keyed first frame", {{0, 0, keyedRows, 1, 10, M}, patch}, {"MRR", "RGR", "RGG"}, kMagenta},
        {"keyed first frame wiped", {{0, 0, keyedRows, 2, 10, M}, patch}, {"MMM", "MGM", "MGG"}, kMagenta},
        {"a keyed full frame does not hide what is under it",
         {Solid(2, 1, 'R'), {0, 0, {"MG"}, 1, 10, M}, {1, 0, {"B"}, 1, 10, M}}, {"RB"}, kColorNone},
        {"a full frame that restores the previous picture hands it back",
         {Solid(2, 1, 'R'), {0, 0, {"GG"}, 3, 10, std::nullopt}, {1, 0, {"B"}, 1, 10, M}}, {"RB"}, kColorNone},
        {"full keyed frames wiped after showing, as the logo",
         {{0, 0, {"RM"}, 2, 10, M}, {0, 0, {"MG"}, 2, 10, M}, {0, 0, {"BM"}, 1, 10, M}}, {"BM"}, kMagenta},
        // A frame of the screen's size off the corner leaves the first column as it was.
        {"a screen-sized frame at an offset is no key frame",
         {Solid(2, 1, 'R'), {1, 0, {"GG"}, 1, 10, std::nullopt}, {1, 0, {"B"}, 1, 10, M}}, {"RB"}, kColorNone},
        {"patches restored to background and to the previous picture",
         {Solid(3, 1, 'R'), {0, 0, {"G"}, 2, 10, M}, {1, 0, {"B"}, 3, 10, M}, {2, 0, {"G"}, 1, 10, M}}, {"BRG"}, kColorNone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Rows& screen = c.frames.front().rows;
        const Bytes gif = BuildGif(uint16_t(screen[0].size()), uint16_t(screen.size()), c.frames);
        const int count = static_cast<int>(c.frames.size());
        std::vector<Rows> stepwise;
        TColor key = 0;
        Load(*animator_, gif);
        for (int k = 0; k < count; ++k)
            stepwise.push_back(LettersOf(animator_->ComposeFrame(k, key)));
        EXPECT_EQ(stepwise.back(), c.last);
        EXPECT_EQ(key, c.key);
        for (int k = 0; k < count; ++k) {
            Load(*animator_, gif);
            EXPECT_EQ(LettersOf(animator_->ComposeFrame(k, key)), stepwise[k]) << "frame " << k << " rebuilt";
        }
        EXPECT_EQ(key, c.key) << "rebuilt";
    }
}

// A control that cannot be seen gets no ticks at all (the timer thread stays
// suspended), whether its window was hidden while playing or never shown;
// shown again it goes on from the frame it showed, after a full delay.
TEST_F(AnimatorTest, SleepsWhileItsWindowIsHiddenAndGoesOnWhenShown)
{
    for (bool neverShown : {false, true}) {
        SCOPED_TRACE(neverShown);
        QWidget window;
        window.resize(20, 20);
        auto* animator = new TGIFAnimator(&window, clock_);
        Load(*animator, BuildGif(1, 1, {Solid(1, 1, 'R', 10), Solid(1, 1, 'G', 20), Solid(1, 1, 'B', 30)}));
        std::vector<int> shown;
        animator->SetOnFrameChanged([&](QObject*) { shown.push_back(animator->FrameIndex()); });
        unsigned sleeps = clock_->Sleeps();
        if (!neverShown)
            window.show();
        animator->SetAnimate(true);
        if (!neverShown) {
            clock_->AdvanceToMs(clock_->WaitForSleep(++sleeps));
            ASSERT_TRUE(PumpUntil([&] { return shown.size() == 1; }));
            clock_->WaitForSleep(++sleeps);
            window.hide();
        }
        EXPECT_TRUE(clock_->WaitUntilNobodySleeps());
        EXPECT_TRUE(animator->Animate() && animator->Timer().ThreadSuspended());
        clock_->Advance(60s);
        PumpBriefly();
        EXPECT_EQ(clock_->Sleeps(), sleeps);
        const std::vector<int> before = shown;
        window.show();
        const long long start = clock_->NowMs();
        EXPECT_EQ(clock_->WaitForSleep(++sleeps) - start, neverShown ? 100 : 200);
        clock_->AdvanceToMs(clock_->WaitForSleep(sleeps));
        ASSERT_TRUE(PumpUntil([&] { return shown.size() > before.size(); }));
        EXPECT_EQ(shown, (neverShown ? std::vector<int>{1} : std::vector<int>{1, 2}));
    }
}

// OnStop may destroy the control, at the end of a run (ticking on either
// thread) or when Animate is turned off. Under AddressSanitizer nothing of
// the control, or of its timer, may be touched afterwards.
TEST_F(AnimatorTest, AnOnStopHandlerMayDestroyTheControl)
{
    const std::pair<const char*, std::function<void(TGIFAnimator&)>> stops[] = {
        {"end of a run", [](TGIFAnimator& a) { a.SetLoop(false), a.SetAnimate(true); }},
        {"end of a run composed on the timer thread",
         [](TGIFAnimator& a) { a.SetLoop(false), a.SetAsyncDrawing(true), a.SetAnimate(true); }},
        {"animate off", [](TGIFAnimator& a) { a.SetAnimate(true), a.SetAnimate(false); }},
    };
    for (const auto& [name, stop] : stops) {
        SCOPED_TRACE(name);
        auto* animator = new TGIFAnimator(parent_.get(), clock_);
        animator->show();  // the parent is shown already
        Load(*animator, BuildGif(1, 1, {Solid(1, 1, 'R'), Solid(1, 1, 'G')}));
        bool destroyed = false;
        animator->SetOnStop([&](QObject* sender) { delete sender; destroyed = true; });
        const unsigned sleeps = clock_->Sleeps();
        stop(*animator);
        for (unsigned n = sleeps + 1; !destroyed && n <= sleeps + 2; ++n)
            NextTick(n, [&] { return destroyed || clock_->Sleeps() > n; });
        ASSERT_TRUE(PumpUntil([&] { return destroyed; }));
        PumpBriefly();
    }
}

TEST_F(AnimatorTest, TheWrapToFrameZeroRebuildsFromScratch)
{
    // Three kept patches side by side on a magenta (key) background.
    Load(*animator_, BuildGif(3, 1, {{0, 0, {"R"}, 1, 10, M}, {1, 0, {"G"}, 1, 10, M}, {2, 0, {"B"}, 1, 10, M}}));
    TColor key = 0;
    const std::pair<int, Rows> steps[] = {{0, {"RMM"}}, {1, {"RGM"}}, {2, {"RGB"}}, {2, {"RGB"}}, {0, {"RMM"}}};
    for (const auto& [frame, expected] : steps)
        EXPECT_EQ(LettersOf(animator_->ComposeFrame(frame, key)), expected) << frame;
}

TEST_F(AnimatorTest, PlacesTheFrameCentredStretchedOrAtTheCorner)
{
    const QSize client(78, 77);
    EXPECT_EQ(TGIFAnimator::PlaceFrame(client, {70, 52}, false, false), QRect(0, 0, 70, 52));
    EXPECT_EQ(TGIFAnimator::PlaceFrame(client, {70, 52}, false, true), QRect(4, 12, 70, 52));
    EXPECT_EQ(TGIFAnimator::PlaceFrame(client, {100, 100}, false, true), QRect(-11, -11, 100, 100));
    EXPECT_EQ(TGIFAnimator::PlaceFrame(client, {70, 52}, true, true), QRect(0, 0, 78, 77));
}

TEST_F(AnimatorTest, DrawsCentredOrStretchedWithTheParentShowingThroughTheKey)
{
    animator_->SetAutoSize(false);
    animator_->setGeometry(10, 10, 6, 4);
    Load(*animator_, BuildGif(2, 2, {{0, 0, {"RM", "GB"}, 1, 10, M}}));
    animator_->SetCenter(true);
    EXPECT_EQ(Shown(), Rows({"YYYYYY", "YYRYYY", "YYGBYY", "YYYYYY"}));
    animator_->SetStretch(true);
    EXPECT_EQ(Shown(), Rows({"RRRYYY", "RRRYYY", "GGGBBB", "GGGBBB"}));
    animator_->SetTransparent(false);
    EXPECT_EQ(Shown(), Rows({"RRRMMM", "RRRMMM", "GGGBBB", "GGGBBB"}));
}

// The error box is modal: while it is open the application's loop runs, time
// passes, and neither a failed paint nor a tick may post another report.
TEST_F(AnimatorTest, ABrokenFrameIsReportedOnceAndNoTickStacksUnderTheReport)
{
    // Frame 1 has no colour table anywhere, so drawing it fails.
    GifBuilder gif;
    gif.Header("89a").Screen(2, 1);
    ImageBlock good = BlockOf({0, 0, {"RG"}}), broken = good;
    good.localTable = kFourColours;
    for (const ImageBlock* image : {&good, &broken, &good})
        gif.Control({1, 10, std::nullopt}).Image(*image);
    Load(*animator_, gif.Trailer().Build());
    std::vector<int> shown;
    animator_->SetOnFrameChanged([&](QObject*) { shown.push_back(animator_->FrameIndex()); });
    unsigned sleep = 1;
    duringReport_ = [&] {
        EXPECT_EQ(Shown(), Rows{"YY"});  // the background, painted without a second report
        clock_->AdvanceToMs(clock_->WaitForSleep(++sleep));
        PumpBriefly();
        EXPECT_EQ(errors_.size(), 1u);
    };
    animator_->SetAnimate(true);
    NextTick(1, [&] { return !errors_.empty(); });
    duringReport_ = nullptr;
    PumpBriefly();
    EXPECT_EQ(errors_, std::vector<std::string>{"Wrong number of colors; must be a power of 2"});
    EXPECT_EQ(shown, std::vector<int>{1});
    // The tick skipped during the report does not come back; the next one
    // moves on from the broken frame. A later failed paint is reported again.
    NextTick(sleep + 1, [&] { return shown.size() == 2; });
    EXPECT_EQ(shown, (std::vector<int>{1, 2}));
    animator_->SetFrameIndex(1);
    PumpBriefly();
    EXPECT_EQ(errors_.size(), 2u);
}

} // namespace
} // namespace scindra
