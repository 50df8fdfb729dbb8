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
#include <string>
#include <vector>

namespace scindra {
namespace {

using namespace std::chrono_literals;
using namespace test;
using Rows = std::vector<std::string>;

// An animator on a yellow parent window, its timer on a fake clock; errors
// that reach the error box are collected.
class AnimatorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previousReporter_ = SetErrorReporter([this](const std::exception& e) {
            errors_.push_back(e.what());
            if (const auto hook = duringReport_)  // a copy: the hook may clear itself
                hook();
        });
        QPalette yellow;
        yellow.setColor(QPalette::Window, Qt::yellow);
        parent_->setPalette(yellow);
        parent_->setAutoFillBackground(true);
        parent_->resize(120, 120);
    }
    void TearDown() override
    {
        parent_.reset();
        SetErrorReporter(previousReporter_);
    }

    void Show()
    {
        parent_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(parent_.get()));
    }
    // What the window shows over the animator's area (or part of it).
    Rows Shown(QRect area = QRect())
    {
        const QImage picture = parent_->grab().toImage();
        return LettersOf(picture, area.isNull() ? animator_->geometry() : area);
    }
    // Moves the clock to the end of the timer's next sleep and waits for the tick.
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
    ErrorReporter previousReporter_;
};

TEST_F(AnimatorTest, EachFrameShowsBetween50MillisecondsAnd10Seconds)
{
    // GIF delays in hundredths of a second, and what the animator plays.
    const std::pair<uint16_t, int> delays[] = {{0, 50},      {1, 50},       {4, 50},       {5, 50},
                                               {10, 100},    {1000, 10000}, {1001, 10000}, {6553, 10000}};
    std::vector<FrameSpec> frames;
    for (const auto& [hundredths, ms] : delays)
        frames.push_back(Solid(1, 1, 'R', hundredths));
    Load(*animator_, BuildGif(1, 1, frames));
    for (int i = 0; i < static_cast<int>(std::size(delays)); ++i) {
        animator_->SetFrameIndex(i);
        EXPECT_EQ(animator_->DelayForFrame(), delays[i].second) << i;
        EXPECT_EQ(animator_->Timer().Interval(), static_cast<uint32_t>(delays[i].second)) << i;
    }
    Load(*animator_, BuildGif(1, 1, {Solid(1, 1, 'R', 30)}));
    EXPECT_EQ(animator_->DelayForFrame(), 0);
    EXPECT_EQ(animator_->Timer().Interval(), 0u);
}

TEST_F(AnimatorTest, AOneFrameImageAnimatesWithoutEverTicking)
{
    Show();
    Load(*animator_, BuildGif(2, 2, {Solid(2, 2, 'G')}));
    int starts = 0;
    int frameChanges = 0;
    animator_->SetOnStart([&](QObject* sender) {
        EXPECT_EQ(sender, animator_);
        ++starts;
    });
    animator_->SetOnFrameChanged([&](QObject*) { ++frameChanges; });
    animator_->SetAnimate(true);
    EXPECT_TRUE(animator_->Animate());
    EXPECT_EQ(starts, 1);
    EXPECT_TRUE(clock_->WaitUntilNobodySleeps());
    EXPECT_TRUE(animator_->Timer().ThreadSuspended());
    clock_->Advance(60s);
    PumpBriefly();
    EXPECT_EQ(frameChanges, 0);
    EXPECT_EQ(Shown(), Rows({"GG", "GG"}));
}

TEST_F(AnimatorTest, FrameIndexWritesThatChangeNothingAreSilent)
{
    int frameChanges = 0;
    animator_->SetOnFrameChanged([&](QObject*) { ++frameChanges; });
    for (int index : {0, 1, -1})
        animator_->SetFrameIndex(index);  // an empty image takes no index at all
    EXPECT_EQ(animator_->FrameIndex(), 0);

    Load(*animator_, BuildGif(1, 1, {Solid(1, 1, 'R', 10), Solid(1, 1, 'G', 20), Solid(1, 1, 'B', 30)}));
    for (int index : {0, -1, 3, 1000})
        animator_->SetFrameIndex(index);
    EXPECT_EQ(animator_->FrameIndex(), 0);
    EXPECT_EQ(frameChanges, 0);
    EXPECT_EQ(animator_->Timer().Interval(), 100u);

    animator_->SetFrameIndex(2);
    EXPECT_EQ(animator_->FrameIndex(), 2);
    EXPECT_EQ(frameChanges, 1);
    EXPECT_EQ(animator_->Timer().Interval(), 300u);
}

// The same run whether the ticks run on the interface thread or compose on
// the timer thread: notifications and the stop still come on the interface thread.
TEST_F(AnimatorTest, ANonLoopingRunShowsEachFrameForItsDelayThenStopsOnTheFirst)
{
    Show();
    for (bool async : {false, true}) {
        SCOPED_TRACE(async ? "asynchronous" : "synchronous");
        animator_->SetAsyncDrawing(async);
        EXPECT_EQ(animator_->Timer().SyncEvent(), !async);
        animator_->SetLoop(false);
        Load(*animator_, BuildGif(2, 1, {Solid(2, 1, 'R', 10), Solid(2, 1, 'G', 20), Solid(2, 1, 'B', 30)}));
        std::vector<int> shown;
        std::vector<Rows> painted;
        int stops = 0;
        bool elsewhere = false;
        const auto onInterfaceThread = [&] { elsewhere |= QThread::currentThread() != parent_->thread(); };
        animator_->SetOnFrameChanged([&](QObject*) {
            onInterfaceThread();
            shown.push_back(animator_->FrameIndex());
        });
        animator_->SetOnStop([&](QObject*) {
            onInterfaceThread();
            ++stops;
        });
        const unsigned before = clock_->Sleeps();
        animator_->SetAnimate(true);
        std::vector<long long> sleeps;
        for (unsigned n = 1; n <= 3; ++n) {
            const long long start = clock_->NowMs();
            const long long deadline = clock_->WaitForSleep(before + n);
            sleeps.push_back(deadline - start);
            clock_->AdvanceToMs(deadline);
            ASSERT_TRUE(PumpUntil([&] { return shown.size() == n; }));
            PumpBriefly();  // the asynchronous repaint is queued
            painted.push_back(Shown());
        }
        EXPECT_EQ(sleeps, (std::vector<long long>{100, 200, 300}));
        EXPECT_EQ(shown, (std::vector<int>{1, 2, 0}));
        EXPECT_EQ(painted, (std::vector<Rows>{{"GG"}, {"BB"}, {"RR"}}));
        ASSERT_TRUE(PumpUntil([&] { return stops == 1; }));
        EXPECT_FALSE(animator_->Animate());
        EXPECT_FALSE(elsewhere);
        EXPECT_TRUE(clock_->WaitUntilNobodySleeps());
        EXPECT_TRUE(animator_->Timer().ThreadSuspended());
    }
}

// Frame 0 covers a 3 x 3 screen in red; frame 1 is a 2 x 2 patch at 1,1
// whose top-right pixel is transparent. What frame 1 looks like depends on
// how frame 0 was disposed of. The screen's background index is blue.
TEST_F(AnimatorTest, ComposesEachDisposalAsAViewerShowsIt)
{
    const FrameSpec patch{1, 1, {"GM", "GG"}, 1, 10, M};
    struct Case {
        const char* name;
        FrameSpec first;
        Rows expected;
        char key;
    };
    const Rows kept{"RRR", "RGR", "RGG"};
    const Rows wiped{"BBB", "BGB", "BGG"};
    FrameSpec keyed{0, 0, {"MRR", "RRR", "RRR"}, 1, 10, M};
    const Case cases[] = {
        {"unspecified", {0, 0, {"RRR", "RRR", "RRR"}, 0, 10, std::nullopt}, kept, 0},
        {"keep", {0, 0, {"RRR", "RRR", "RRR"}, 1, 10, std::nullopt}, kept, 0},
        {"restore background", {0, 0, {"RRR", "RRR", "RRR"}, 2, 10, std::nullopt}, wiped, 0},
        {"restore previous", {0, 0, {"RRR", "RRR", "RRR"}, 3, 10, std::nullopt}, wiped, 0},
        {"reserved 5", {0, 0, {"RRR", "RRR", "RRR"}, 5, 10, std::nullopt}, wiped, 0},
        // A key colour on the active frame becomes the background (and the key).
        {"keyed first frame", keyed, {"MRR", "RGR", "RGG"}, 'M'},
        {"keyed first frame wiped", {0, 0, keyed.rows, 2, 10, M}, {"MMM", "MGM", "MGG"}, 'M'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes gif = BuildGif(3, 3, {c.first, patch});
        const TColor expectedKey = c.key ? ColorOf(c.key) : kColorNone;
        TColor key = 0;
        Load(*animator_, gif);
        animator_->ComposeFrame(0, key);
        EXPECT_EQ(LettersOf(animator_->ComposeFrame(1, key)), c.expected) << "step by step";
        EXPECT_EQ(key, expectedKey);
        Load(*animator_, gif);
        key = 0;
        EXPECT_EQ(LettersOf(animator_->ComposeFrame(1, key)), c.expected) << "rebuilt";
        EXPECT_EQ(key, expectedKey);
    }
}

// Every frame rebuilt on its own (a repaint, a jump) must look exactly as it
// does when the animation reaches it frame by frame.
TEST_F(AnimatorTest, AFrameRebuiltAloneLooksAsWhenReachedStepByStep)
{
    struct Case {
        const char* name;
        std::vector<FrameSpec> frames;
        Rows last;  // the last frame as shown
    };
    const Case cases[] = {
        {"partial frames kept on a full first frame",
         {Solid(2, 1, 'R'), {1, 0, {"G"}, 1, 10, M}, {0, 0, {"B"}, 1, 10, M}},
         {"BG"}},
        {"a keyed full frame does not hide what is under it",
         {Solid(2, 1, 'R'), {0, 0, {"MG"}, 1, 10, M}, {1, 0, {"B"}, 1, 10, M}},
         {"RB"}},
        {"a full frame that restores the previous picture hands it back",
         {Solid(2, 1, 'R'), {0, 0, {"GG"}, 3, 10, std::nullopt}, {1, 0, {"B"}, 1, 10, M}},
         {"RB"}},
        {"full keyed frames wiped after showing, as the logo",
         {{0, 0, {"RM"}, 2, 10, M}, {0, 0, {"MG"}, 2, 10, M}, {0, 0, {"BM"}, 1, 10, M}},
         {"BM"}},
        {"patches restored to background and to the previous picture",
         {Solid(3, 1, 'R'), {0, 0, {"G"}, 2, 10, M}, {1, 0, {"B"}, 3, 10, M}, {2, 0, {"G"}, 1, 10, M}},
         {"BRG"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes gif = BuildGif(static_cast<uint16_t>(c.frames.front().rows[0].size()), 1, c.frames);
        std::vector<Rows> stepwise;
        TColor key = 0;
        Load(*animator_, gif);
        for (int k = 0; k < static_cast<int>(c.frames.size()); ++k)
            stepwise.push_back(LettersOf(animator_->ComposeFrame(k, key)));
        EXPECT_EQ(stepwise.back(), c.last);
        for (int k = 0; k < static_cast<int>(c.frames.size()); ++k) {
            Load(*animator_, gif);
            EXPECT_EQ(LettersOf(animator_->ComposeFrame(k, key)), stepwise[k]) << "frame " << k;
        }
    }
}

TEST_F(AnimatorTest, TheWrapToFrameZeroAndARepaintRebuildFromScratch)
{
    // Three kept patches side by side on a magenta (key) background.
    Load(*animator_, BuildGif(3, 1, {{0, 0, {"R"}, 1, 10, M}, {1, 0, {"G"}, 1, 10, M}, {2, 0, {"B"}, 1, 10, M}}));
    TColor key = 0;
    const Rows expected[] = {{"RMM"}, {"RGM"}, {"RGB"}, {"RGB"}, {"RMM"}};
    const int order[] = {0, 1, 2, 2, 0};
    for (int step = 0; step < 5; ++step)
        EXPECT_EQ(LettersOf(animator_->ComposeFrame(order[step], key)), expected[step]) << step;
}

TEST_F(AnimatorTest, PlacesTheFrameCentredStretchedOrAtTheCorner)
{
    struct Case {
        QSize client, frame;
        bool stretch, center;
        QRect expected;
    };
    const Case cases[] = {
        {{78, 77}, {70, 52}, false, false, {0, 0, 70, 52}},
        {{78, 77}, {70, 52}, false, true, {4, 12, 70, 52}},
        {{78, 77}, {100, 100}, false, true, {-11, -11, 100, 100}},
        {{78, 77}, {70, 52}, true, true, {0, 0, 78, 77}},
        {{78, 77}, {100, 100}, true, false, {0, 0, 78, 77}},
        {{5, 5}, {2, 2}, false, true, {1, 1, 2, 2}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TGIFAnimator::PlaceFrame(c.client, c.frame, c.stretch, c.center), c.expected)
            << c.client.width() << "x" << c.client.height() << " " << c.frame.width() << "x" << c.frame.height();
}

TEST_F(AnimatorTest, DrawsCentredCroppedOrStretchedWithTheParentShowingThroughTheKey)
{
    Show();
    animator_->SetAutoSize(false);
    animator_->setGeometry(10, 10, 6, 4);
    // A 2 x 2 frame whose top-right pixel is the key colour.
    Load(*animator_, BuildGif(2, 2, {{0, 0, {"RM", "GB"}, 1, 10, M}}));
    EXPECT_EQ(Shown(), Rows({"RYYYYY", "GBYYYY", "YYYYYY", "YYYYYY"}));
    animator_->SetCenter(true);
    EXPECT_EQ(Shown(), Rows({"YYYYYY", "YYRYYY", "YYGBYY", "YYYYYY"}));
    animator_->SetStretch(true);
    EXPECT_EQ(Shown(), Rows({"RRRYYY", "RRRYYY", "GGGBBB", "GGGBBB"}));
    animator_->SetTransparent(false);
    EXPECT_EQ(Shown(), Rows({"RRRMMM", "RRRMMM", "GGGBBB", "GGGBBB"}));

    // A frame larger than the control is cropped on both sides.
    animator_->SetStretch(false);
    Load(*animator_, BuildGif(4, 4, {{0, 0, {"RRRR", "RGBR", "RBGR", "RRRR"}, 1, 10, std::nullopt}}));
    animator_->setGeometry(10, 10, 2, 2);
    EXPECT_EQ(Shown(), Rows({"GB", "BG"}));
}

TEST_F(AnimatorTest, AutoSizeTakesTheLogicalScreen)
{
    Load(*animator_, BuildGif(7, 3, {Solid(7, 3, 'R')}));
    EXPECT_EQ(animator_->size(), QSize(7, 3));
    animator_->SetAutoSize(false);
    Load(*animator_, BuildGif(2, 5, {Solid(2, 5, 'R')}));
    EXPECT_EQ(animator_->size(), QSize(7, 3));
}

TEST_F(AnimatorTest, ChangesOfTheImageAreAnnouncedAndRestartFromItsFirstFrame)
{
    int changes = 0;
    animator_->SetOnChange([&](QObject*) { ++changes; });
    Load(*animator_, BuildGif(1, 1, {Solid(1, 1, 'R', 10), Solid(1, 1, 'G', 70)}));
    animator_->SetFrameIndex(1);
    const int afterLoad = changes;
    EXPECT_GE(afterLoad, 1);
    TGIFAnimator other(nullptr, clock_);
    Load(other, BuildGif(1, 1, {Solid(1, 1, 'B', 20), Solid(1, 1, 'G', 70)}));
    animator_->SetImage(other.Image());
    EXPECT_GT(changes, afterLoad);
    EXPECT_EQ(animator_->FrameIndex(), 0);
    EXPECT_EQ(animator_->Timer().Interval(), 200u);
    TColor key = 0;
    EXPECT_EQ(LettersOf(animator_->ComposeFrame(0, key)), Rows({"B"}));
}

// Frame 1 has no colour table anywhere, so drawing it fails.
Bytes GifWithABrokenSecondFrame()
{
    GifBuilder gif;
    gif.Header("89a").Screen(2, 1);
    gif.Control({1, 10, std::nullopt});
    ImageSpec good;
    good.pixels = PixelsOf({"RG"});
    good.localTable = kFourColours;
    good.lzw.codeSize = 2;
    gif.Image(good);
    gif.Control({1, 10, std::nullopt});
    ImageSpec broken = good;
    broken.localTable.reset();
    gif.Image(broken);
    gif.Control({1, 10, std::nullopt});
    gif.Image(good);
    return gif.Trailer().Build();
}

TEST_F(AnimatorTest, ABrokenFrameDrawsTheBackgroundAndIsReportedOnce)
{
    Show();
    Load(*animator_, GifWithABrokenSecondFrame());
    animator_->SetFrameIndex(1);
    const Rows background{"YY"};
    // While the report is open, more failed paints post nothing more.
    size_t errorsDuringReport = 0;
    duringReport_ = [&] {
        duringReport_ = nullptr;
        EXPECT_EQ(Shown(), background);
        EXPECT_EQ(Shown(), background);
        PumpBriefly();
        errorsDuringReport = errors_.size();
    };
    ASSERT_TRUE(PumpUntil([&] { return !errors_.empty(); }));
    PumpBriefly();
    EXPECT_EQ(errorsDuringReport, 1u);
    EXPECT_EQ(errors_, std::vector<std::string>{"Wrong number of colors; must be a power of 2"});
    // Once it is closed, the next failed paint is reported again.
    EXPECT_EQ(Shown(), background);
    PumpBriefly();
    EXPECT_EQ(errors_.size(), 2u);
}

TEST_F(AnimatorTest, NoTickRunsWhileTheReportOfABrokenFrameIsOpen)
{
    Show();
    Load(*animator_, GifWithABrokenSecondFrame());
    std::vector<int> shown;
    animator_->SetOnFrameChanged([&](QObject*) { shown.push_back(animator_->FrameIndex()); });
    // The error box is modal: while it is open, time passes and the
    // application's loop runs.
    int sleep = 1;
    duringReport_ = [&] {
        clock_->AdvanceToMs(clock_->WaitForSleep(++sleep));
        PumpBriefly();
    };
    animator_->SetAnimate(true);
    NextTick(1, [&] { return !errors_.empty(); });
    EXPECT_EQ(shown, std::vector<int>{1});
    duringReport_ = nullptr;
    // The tick skipped during the report does not come back; the next one
    // moves on from the broken frame.
    NextTick(sleep + 1, [&] { return shown.size() == 2; });
    EXPECT_EQ(shown, (std::vector<int>{1, 2}));
    EXPECT_EQ(errors_.size(), 1u);
}

TEST_F(AnimatorTest, NoTickBeforeTheWindowExistsOrWhileTheControlIsHidden)
{
    Load(*animator_, BuildGif(1, 1, {Solid(1, 1, 'R', 5), Solid(1, 1, 'G', 5)}));
    int frameChanges = 0;
    animator_->SetOnFrameChanged([&](QObject*) { ++frameChanges; });
    animator_->SetAnimate(true);
    NextTick(1, [&] { return clock_->Sleeps() >= 2; });
    EXPECT_EQ(frameChanges, 0);  // the window was never created
    Show();
    animator_->hide();
    NextTick(2, [&] { return clock_->Sleeps() >= 3; });
    EXPECT_EQ(frameChanges, 0);
    animator_->show();
    NextTick(3, [&] { return frameChanges == 1; });
    parent_->hide();  // shown once: a hidden window keeps playing
    NextTick(4, [&] { return frameChanges == 2; });
}

} // namespace
} // namespace scindra
