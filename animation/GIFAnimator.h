#pragma once
// The animated GIF control: shows a TGIFImage and plays its frames, each for
// its own delay (50 ms at least, 10 s at most), composing every shown frame
// from the frames before it according to their disposal. The last composed
// frame is kept, so stepping to the next frame draws one frame more.
//
// By default every tick runs on the user-interface thread, the timer thread
// only sleeping in between. With AsyncDrawing the timer thread advances and
// composes the frame itself and asks the user-interface thread to show it;
// frame notifications and the stop at the end of a run still happen on the
// user-interface thread, and no lock is held while the timer thread waits
// for it.

#include "animation/NotifyEvent.h"
#include "animation/TImageControl.h"
#include "animation/TThreadedTimer.h"
#include "animation/TimerClock.h"
#include "gif/GIFImage.h"
#include "gif/GIFTypes.h"

#include <QImage>
#include <QRect>
#include <QSize>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

namespace scindra {

class TGIFAnimator : public TImageControl {
    Q_OBJECT

public:
    explicit TGIFAnimator(QWidget* parent = nullptr);
    // Tests give the timer a clock they advance themselves.
    TGIFAnimator(QWidget* parent, std::shared_ptr<TimerClock> clock);
    // Stops and joins the timer before anything a tick uses is freed.
    ~TGIFAnimator() override;

    // --- Properties ---------------------------------------------------------
    bool AsyncDrawing() const { return asyncDrawing_; }
    void SetAsyncDrawing(bool async);

    bool Animate() const { return animate_; }
    // On: OnStart, and the timer ticks while the control is shown on screen
    // (an image of fewer than two frames never ticks). Off: OnStop, whose
    // handler may destroy the control. Turning it on again, or showing the
    // control again, resumes from the frame shown after a full delay.
    void SetAnimate(bool animate);
    void StopAnimation() { SetAnimate(false); }

    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool autoSize);

    bool Center() const { return center_; }
    void SetCenter(bool center);

    int FrameIndex() const { return frameIndex_; }
    // Ignored, without notification, when unchanged or out of 0..FrameCount-1.
    void SetFrameIndex(int index);

    // The owned image; loading into it resets FrameIndex and the cache. While
    // the timer thread composes (AsyncDrawing and Animate on), change the
    // picture through SetImage, which holds the locks a tick takes.
    TGIFImage& Image() { return *image_; }
    // Copies `source` into the owned image (sharing its data).
    void SetImage(const TGIFImage& source);

    // Off: after the last frame the animation stops, showing frame 0.
    bool Loop() const { return loop_; }
    void SetLoop(bool loop) { loop_ = loop; }

    bool Stretch() const { return stretch_; }
    void SetStretch(bool stretch);

    // Pixels of the key colour let the parent show through.
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);

    // --- Notifications ------------------------------------------------------
    TNotifyEvent OnChange() const;
    void SetOnChange(TNotifyEvent handler);
    TNotifyEvent OnFrameChanged() const;
    void SetOnFrameChanged(TNotifyEvent handler);
    TNotifyEvent OnStart() const;
    void SetOnStart(TNotifyEvent handler);
    TNotifyEvent OnStop() const;
    void SetOnStop(TNotifyEvent handler);

    // --- Frames -------------------------------------------------------------
    // The display time of the frame at FrameIndex in milliseconds, 0 when
    // there is nothing to play.
    int DelayForFrame() const;

    // The frame at `index` composed on the logical screen, from the cache
    // when it shows the frame just before and that frame does not restore
    // the previous picture, else rebuilt from the nearest full-screen key
    // frame. `key` becomes the colour of the pixels that let the parent show
    // through (the active frame's key colour), or kColorNone. Callable from
    // any thread and without a shown window.
    QImage ComposeFrame(int index, TColor& key);

    // Where a composed frame of `frame` size goes in a `client` area:
    // stretched over it, centred (offsets truncated toward zero, negative
    // when the frame is larger), or at the top-left corner.
    static QRect PlaceFrame(QSize client, QSize frame, bool stretch, bool center);

    TThreadedTimer& Timer() { return *timer_; }

    QSize sizeHint() const override;

protected:
    virtual void NotifyChange();
    virtual void NotifyFrameChanged();
    virtual void NotifyStart();
    virtual void NotifyStop();

    void DrawImage(QPainter& canvas) override;
    void AdjustSize() override;
    bool ShowsParentThrough() const override;
    bool event(QEvent* event) override;

private:
    void HandleImageChange();
    template <typename Flag>
    void SetPlacementFlag(Flag& flag, bool value);
    void HandleTick();
    void TickOnInterfaceThread();
    void TickOnTimerThread();
    void AdvanceFrame();
    bool StepFrame(const std::function<void()>& show);
    void UpdateIntervalForFrame();
    bool MayTickHere() const;
    void RefreshMayTick();
    TColor BackgroundFor(TColor& key) const;
    void ReplayFrames(QPainter& canvas, int first, int last, TColor brush);
    int FindKeyFrame(int first, int last);
    TNotifyEvent Handler(const TNotifyEvent& handler) const;
    void Fire(const TNotifyEvent& handler);
    void SetHandler(TNotifyEvent& handler, TNotifyEvent value);

    std::unique_ptr<TGIFImage> image_;
    TThreadedTimer* timer_;                // a child of the control

    // Read by a tick on the timer thread, hence atomic.
    std::atomic<bool> asyncDrawing_{false};
    std::atomic<bool> animate_{false};
    std::atomic<bool> loop_{true};
    std::atomic<bool> transparent_{true};
    std::atomic<int> frameIndex_{0};
    std::atomic<bool> mayTick_{false};       // parented and shown on screen
    std::atomic<bool> tickOpen_{false};      // a tick is running
    std::atomic<TColor> windowColor_;        // the system's window colour
    bool autoSize_ = true;
    bool center_ = false;
    bool stretch_ = false;

    // The composition cache, under the canvas lock.
    QImage cachedFrame_;                   // null: none
    int cachedIndex_ = -1;
    TColor cachedKeyColor_ = kColorNone;
    TColor cachedBrush_ = kColorNone;      // the background the cache was composed on
    bool composedByTick_ = false;          // the cache holds the frame a timer-thread tick prepared
    QImage keyedBuffer_;                   // reused by every keyed paint, on the interface thread

    mutable std::mutex handlersMutex_;
    TNotifyEvent onChange_;
    TNotifyEvent onFrameChanged_;
    TNotifyEvent onStart_;
    TNotifyEvent onStop_;
};

} // namespace scindra
