#include "animation/GIFAnimator.h"

#include "animation/InterfaceThread.h"
#include "gif/GIFFrame.h"
#include "gif/KeyedDraw.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QPointer>

#include <algorithm>

namespace scindra {
namespace {

// A frame shows at least this long (20 frames a second at most) and at most this.
constexpr int kShortestDelayMs = 50;
constexpr int kLongestDelayMs = 10000;

QRect FrameRect(TGIFFrame& frame)
{
    return QRect(frame.OffsetX(), frame.OffsetY(), frame.FrameWidth(), frame.FrameHeight());
}

// Draws a composed frame (RGB32) stretched into `dest`, its pixels of the key
// colour leaving the canvas as it was. One pass builds a premultiplied copy
// in which those pixels are fully transparent; nearest-neighbour stretching
// keeps every pixel either opaque or see-through.
void DrawKeyed(QPainter& canvas, const QRect& dest, const QImage& composed, TColor key, QImage& buffer)
{
    if (buffer.size() != composed.size() || buffer.format() != QImage::Format_ARGB32_Premultiplied)
        buffer = QImage(composed.size(), QImage::Format_ARGB32_Premultiplied);
    const QRgb keyRgb = ColorToQRgb(key) & 0xFFFFFF;
    for (int y = 0; y < composed.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(composed.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(buffer.scanLine(y));
        for (int x = 0; x < composed.width(); ++x)
            out[x] = (in[x] & 0xFFFFFF) == keyRgb ? 0 : (in[x] | 0xFF000000u);
    }
    canvas.save();
    canvas.setRenderHint(QPainter::SmoothPixmapTransform, false);
    canvas.drawImage(dest, buffer);
    canvas.restore();
}

TColor SystemWindowColor()
{
    return QRgbToColor(QGuiApplication::palette().color(QPalette::Base).rgb());
}

} // namespace

TGIFAnimator::TGIFAnimator(QWidget* parent)
    : TGIFAnimator(parent, TimerClock::System())
{
}

TGIFAnimator::TGIFAnimator(QWidget* parent, std::shared_ptr<TimerClock> clock)
    : TImageControl(parent),
      image_(std::make_unique<TGIFImage>()),
      timer_(new TThreadedTimer(this, std::move(clock))),
      windowColor_(SystemWindowColor())
{
    SetShownGraphic(image_.get());
    image_->SetOnChange([this](TGraphic&) { HandleImageChange(); });
    RefreshMayTick();
}

TGIFAnimator::~TGIFAnimator()
{
    {
        std::lock_guard lock(handlersMutex_);
        onChange_ = onFrameChanged_ = onStart_ = onStop_ = nullptr;
    }
    // First of all: once this returns, no tick runs and none waits for us.
    timer_->Shutdown();
    SetDestroying();
    SetAnimate(false);
    {
        std::lock_guard canvas(CanvasLock());
        cachedFrame_ = QImage();
    }
    image_->SetOnChange(nullptr);
    SetShownGraphic(nullptr);
    image_.reset();
}

// --- Properties -------------------------------------------------------------

void TGIFAnimator::SetAsyncDrawing(bool async)
{
    if (asyncDrawing_ == async)
        return;
    std::lock_guard state(StateLock());
    timer_->SetSyncEvent(!async);
    asyncDrawing_ = async;
    RefreshMayTick();
}

void TGIFAnimator::SetAnimate(bool animate)
{
    if (animate_ == animate)
        return;
    if (animate) {
        animate_ = true;
        RefreshMayTick();
        timer_->SetOnTimer([this](QObject*) { HandleTick(); });
        NotifyStart();
    } else {
        timer_->SetEnabled(false);
        timer_->SetOnTimer(nullptr);
        animate_ = false;
        // The handler may destroy the control.
        const QPointer<TGIFAnimator> alive(this);
        NotifyStop();
        if (alive)
            RefreshAfterChange();
    }
}

void TGIFAnimator::SetAutoSize(bool autoSize)
{
    if (autoSize_ == autoSize)
        return;
    autoSize_ = autoSize;
    RefreshAfterChange();
}

// Centre, stretch and transparency change how the composed frame is laid
// on the control: painting reads them under the state lock.
template <typename Flag>
void TGIFAnimator::SetPlacementFlag(Flag& flag, bool value)
{
    if (flag == value)
        return;
    {
        std::lock_guard state(StateLock());
        flag = value;
    }
    RefreshAfterChange();
    if (animate_)
        repaint();
}

void TGIFAnimator::SetCenter(bool center)
{
    SetPlacementFlag(center_, center);
}

void TGIFAnimator::SetStretch(bool stretch)
{
    SetPlacementFlag(stretch_, stretch);
}

void TGIFAnimator::SetTransparent(bool transparent)
{
    SetPlacementFlag(transparent_, transparent);
}

void TGIFAnimator::SetFrameIndex(int index)
{
    {
        std::lock_guard state(StateLock());
        if (index == frameIndex_ || index < 0 || index >= image_->FrameCount())
            return;
        frameIndex_ = index;
        UpdateIntervalForFrame();
    }
    // The cache stays: the next composition decides whether it can serve.
    NotifyFrameChanged();
    RefreshAfterChange();
}

void TGIFAnimator::SetImage(const TGIFImage& source)
{
    // The copy tells the image's listener, HandleImageChange, inside the locks.
    std::lock_guard state(StateLock());
    std::lock_guard canvas(CanvasLock());
    image_->CopyFrom(&source);
}

// --- Notifications ----------------------------------------------------------

TNotifyEvent TGIFAnimator::Handler(const TNotifyEvent& handler) const
{
    std::lock_guard lock(handlersMutex_);
    return handler;
}

void TGIFAnimator::SetHandler(TNotifyEvent& handler, TNotifyEvent value)
{
    std::lock_guard lock(handlersMutex_);
    handler = std::move(value);
}

TNotifyEvent TGIFAnimator::OnChange() const { return Handler(onChange_); }
void TGIFAnimator::SetOnChange(TNotifyEvent handler) { SetHandler(onChange_, std::move(handler)); }
TNotifyEvent TGIFAnimator::OnFrameChanged() const { return Handler(onFrameChanged_); }
void TGIFAnimator::SetOnFrameChanged(TNotifyEvent handler) { SetHandler(onFrameChanged_, std::move(handler)); }
TNotifyEvent TGIFAnimator::OnStart() const { return Handler(onStart_); }
void TGIFAnimator::SetOnStart(TNotifyEvent handler) { SetHandler(onStart_, std::move(handler)); }
TNotifyEvent TGIFAnimator::OnStop() const { return Handler(onStop_); }
void TGIFAnimator::SetOnStop(TNotifyEvent handler) { SetHandler(onStop_, std::move(handler)); }

// The handler is a copy taken under the lock, so one that replaces itself
// while it runs does not destroy the function being called.
void TGIFAnimator::Fire(const TNotifyEvent& handler)
{
    if (handler)
        handler(this);
}

void TGIFAnimator::NotifyChange()
{
    Fire(OnChange());
}

void TGIFAnimator::NotifyFrameChanged()
{
    Fire(OnFrameChanged());
}

void TGIFAnimator::NotifyStart()
{
    Fire(OnStart());
}

void TGIFAnimator::NotifyStop()
{
    Fire(OnStop());
}

// --- Image changes and ticks ------------------------------------------------

int TGIFAnimator::DelayForFrame() const
{
    const int index = frameIndex_;
    const int count = image_->FrameCount();
    if (index < 0 || index >= count || count < 2)
        return 0;
    return std::clamp<int>(image_->FrameAt(index)->DelayMs(), kShortestDelayMs, kLongestDelayMs);
}

// Called with the state lock held. An interval of 0 (fewer than two frames)
// stops the timer's ticks.
void TGIFAnimator::UpdateIntervalForFrame()
{
    const int index = frameIndex_;
    if (index >= 0 && index < image_->FrameCount())
        timer_->SetInterval(static_cast<uint32_t>(DelayForFrame()));
}

void TGIFAnimator::HandleImageChange()
{
    {
        std::lock_guard state(StateLock());
        std::lock_guard canvas(CanvasLock());
        cachedFrame_ = QImage();
        cachedIndex_ = -1;
        cachedKeyColor_ = kColorNone;
        composedByTick_ = false;
        frameIndex_ = image_->ActiveFrame();
        if (frameIndex_ >= 0 && image_->FrameCount() > 0)
            timer_->SetInterval(static_cast<uint32_t>(DelayForFrame()));
    }
    RefreshAfterChange();
    NotifyChange();
}

void TGIFAnimator::HandleTick()
{
    // A tick never overlaps the previous one, and none runs while the report
    // of a broken frame is open: a frame that keeps failing shows one box.
    if (ReportOpen() || tickOpen_.exchange(true))
        return;
    if (!OnInterfaceThread()) {
        TickOnTimerThread();
        tickOpen_ = false;
        return;
    }
    // An OnStop at the end of the run may destroy the control.
    struct Close {
        TGIFAnimator* control;
        QPointer<TGIFAnimator> alive;
        ~Close()
        {
            if (alive)
                control->tickOpen_ = false;
        }
    } close{this, this};
    TickOnInterfaceThread();
}

// Called with the state lock held.
void TGIFAnimator::AdvanceFrame()
{
    const int index = frameIndex_;
    frameIndex_ = index < image_->FrameCount() - 1 ? index + 1 : 0;
}

// Called with the state lock held: moves to the next frame and runs `show`
// on it under the canvas lock; the interval follows the new frame whatever
// `show` does. False when there is nothing to play.
bool TGIFAnimator::StepFrame(const std::function<void()>& show)
{
    if (image_->FrameCount() <= 1)
        return false;
    AdvanceFrame();
    try {
        std::lock_guard canvas(CanvasLock());
        show();
    } catch (...) {
        UpdateIntervalForFrame();
        throw;
    }
    UpdateIntervalForFrame();
    return true;
}

void TGIFAnimator::TickOnInterfaceThread()
{
    RefreshMayTick();
    if (!mayTick_)
        return;
    {
        std::lock_guard state(StateLock());
        const bool stepped = StepFrame([this] {
            NotifyFrameChanged();
            PaintNow();
        });
        if (!stepped || loop_ || frameIndex_ != 0)
            return;
    }
    // Outside the lock and last: OnStop may destroy the control.
    StopAnimation();
}

// The timer thread advances and composes under the locks, then lets them go
// before it waits for the user-interface thread: a paint there (which needs
// the canvas lock) or a handler that writes a property (the state lock) can
// never be waiting for this thread while it waits for them.
void TGIFAnimator::TickOnTimerThread()
{
    if (!mayTick_)
        return;
    int shown = 0;
    {
        std::lock_guard state(StateLock());
        try {
            const bool stepped = StepFrame([this] {
                TColor key = kColorNone;
                ComposeFrame(frameIndex_, key);
                composedByTick_ = true;
            });
            if (!stepped)
                return;
        } catch (...) {
            PostErrorReport(std::current_exception());
            return;
        }
        shown = frameIndex_;
    }
    PaintNow();
    auto onInterfaceThread = [this](void (TGIFAnimator::*step)()) {
        timer_->RunOnUIThread([this, step] {
            try {
                (this->*step)();
            } catch (...) {
                PostErrorReport(std::current_exception());
            }
        });
    };
    if (OnFrameChanged())
        onInterfaceThread(&TGIFAnimator::NotifyFrameChanged);
    if (!loop_ && shown == 0)
        onInterfaceThread(&TGIFAnimator::StopAnimation);
}

// Shown on screen: a control in a hidden window (the About window, made
// hidden at start-up) has nothing to show for a tick.
bool TGIFAnimator::MayTickHere() const
{
    return parentWidget() && isVisible();
}

// On the user-interface thread only: the timer thread reads the result.
// While the control cannot be seen, the timer sleeps for good: nothing wakes
// an idle program. Shown again, it starts a full sleep from the frame it left.
void TGIFAnimator::RefreshMayTick()
{
    mayTick_ = MayTickHere();
    if (animate_)
        timer_->SetEnabled(mayTick_);
}

bool TGIFAnimator::event(QEvent* event)
{
    const bool handled = TImageControl::event(event);
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
    case QEvent::ParentChange:
    case QEvent::WinIdChange:
    case QEvent::Paint:
        RefreshMayTick();
        break;
    case QEvent::ApplicationPaletteChange:
        windowColor_ = SystemWindowColor();
        break;
    default:
        break;
    }
    return handled;
}

// --- Composition and drawing ------------------------------------------------

QImage TGIFAnimator::ComposeFrame(int index, TColor& key)
{
    std::lock_guard canvasLock(CanvasLock());
    TGIFImage& image = *image_;
    index = std::min(index, image.FrameCount() - 1);
    TGIFFrame& frame = *image.FrameAt(index);   // an empty image fails here, before anything is drawn
    // The cache serves the next frame only when the frame it shows leaves a
    // picture to draw on: a frame that restores the previous picture (or one
    // of the reserved disposals, replayed the same way) sends us back to a rebuild.
    const bool useCache = !cachedFrame_.isNull() && index == cachedIndex_ + 1 && cachedIndex_ >= 0 &&
                          image.FrameAt(cachedIndex_)->Disposal() <= dpRestoreBackground;
    key = kColorNone;
    QImage composed;
    TColor brush = kColorNone;
    const int previous = cachedIndex_;
    if (useCache) {
        composed = std::move(cachedFrame_);
        key = cachedKeyColor_;
        brush = cachedBrush_;
    }
    // Whatever happens below, the cache is rebuilt or left empty, never half-drawn.
    cachedFrame_ = QImage();
    cachedIndex_ = -1;
    composedByTick_ = false;

    const int last = index;
    {
        if (!useCache) {
            composed = QImage(image.LogicalWidth(), image.LogicalHeight(), QImage::Format_RGB32);
            brush = BackgroundFor(key);
            composed.fill(ColorToQRgb(brush));
        }
        QPainter canvas(&composed);
        if (useCache) {
            TGIFFrame& shown = *image.FrameAt(previous);
            if (shown.Disposal() == dpRestoreBackground)
                canvas.fillRect(FrameRect(shown), QColor(ColorToQRgb(brush)));
        } else {
            ReplayFrames(canvas, FindKeyFrame(std::max(0, index), last), last, brush);
        }
        frame.PaintFrame(canvas, FrameRect(frame), true);
    }
    cachedFrame_ = composed;
    cachedIndex_ = index;
    cachedKeyColor_ = key;
    cachedBrush_ = brush;
    return composed;
}

// The background of a new composition. With a key colour on the active
// frame the background is that colour, so it shows the parent when drawn
// with the key; else the image's backdrop for a transparent image; else the
// system's window colour.
TColor TGIFAnimator::BackgroundFor(TColor& key) const
{
    const TGIFImage& image = *image_;
    const int active = image.ActiveFrame();
    if (active >= 0 && active < image.FrameCount()) {
        const TColor activeKey = image.FrameAt(active)->KeyColor();
        if (activeKey != kColorNone) {
            key = activeKey;
            return key;
        }
    }
    if (image.BackdropColor() != kColorNone && image.IsTransparent())
        return image.BackdropColor();
    return windowColor_;
}

// The nearest frame at or before `first` from which the picture can be
// rebuilt: one that covers the whole logical screen (from its corner: a
// screen-sized frame at an offset leaves a strip uncovered) and, once shown, leaves
// nothing of what was under it: it has no key colour and stays (or is the
// frame asked for), or it is wiped to the background before the frame asked
// for. A frame that restores the previous picture hands back what was under
// it, so it cannot start a rebuild of a later frame.
int TGIFAnimator::FindKeyFrame(int first, int last)
{
    TGIFImage& image = *image_;
    while (first > 0) {
        TGIFFrame& frame = *image.FrameAt(first);
        const bool wholeScreen = frame.OffsetX() == 0 && frame.OffsetY() == 0 &&
                                 frame.FrameWidth() == image.LogicalWidth() &&
                                 frame.FrameHeight() == image.LogicalHeight();
        const bool shown = first == last;
        const TGIFDisposal disposal = frame.Disposal();
        const bool wiped = disposal == dpRestoreBackground && !shown;
        const bool covers = frame.KeyColor() == kColorNone && (shown || disposal <= dpRestoreBackground);
        if (wholeScreen && (wiped || covers))
            break;
        --first;
    }
    return first;
}

// Replays frames first..last-1 as the viewer was left by each: kept frames
// are drawn, a frame restored to background wipes its rectangle (the key
// frame's own wipe is already the fresh background), a frame restored to the
// previous picture leaves nothing.
void TGIFAnimator::ReplayFrames(QPainter& canvas, int first, int last, TColor brush)
{
    for (int i = first; i < last; ++i) {
        TGIFFrame& frame = *image_->FrameAt(i);
        switch (frame.Disposal()) {
        case dpUnspecified:
        case dpKeep:
            frame.PaintFrame(canvas, FrameRect(frame), true);
            break;
        case dpRestoreBackground:
            if (i > first)
                canvas.fillRect(FrameRect(frame), QColor(ColorToQRgb(brush)));
            break;
        default:
            break;
        }
    }
}

QRect TGIFAnimator::PlaceFrame(QSize client, QSize frame, bool stretch, bool center)
{
    if (stretch)
        return QRect(QPoint(0, 0), client);
    if (center)
        return QRect((client.width() - frame.width()) / 2, (client.height() - frame.height()) / 2, frame.width(),
                     frame.height());
    return QRect(QPoint(0, 0), frame);
}

void TGIFAnimator::DrawImage(QPainter& canvas)
{
    TGIFImage& image = *image_;
    if (image.IsEmpty() || image.LogicalWidth() < 1 || image.LogicalHeight() < 1)
        return;
    TColor key = kColorNone;
    QImage frame;
    if (composedByTick_ && cachedIndex_ == frameIndex_) {
        // A tick on the timer thread composed this very frame for us.
        frame = cachedFrame_;
        key = cachedKeyColor_;
        composedByTick_ = false;
    } else {
        frame = ComposeFrame(frameIndex_, key);
    }
    const QRect dest = PlaceFrame(size(), frame.size(), stretch_, center_);
    if (key != kColorNone && transparent_)
        DrawKeyed(canvas, dest, frame, key, keyedBuffer_);
    else
        canvas.drawImage(dest, frame);
}

void TGIFAnimator::AdjustSize()
{
    if (!autoSize_ || image_->IsEmpty())
        return;
    resize(image_->LogicalWidth(), image_->LogicalHeight());
    updateGeometry();
}

bool TGIFAnimator::ShowsParentThrough() const
{
    return image_->IsTransparent() || image_->IsEmpty();
}

QSize TGIFAnimator::sizeHint() const
{
    std::lock_guard lock(CanvasLock());
    if (autoSize_ && !image_->IsEmpty())
        return QSize(image_->LogicalWidth(), image_->LogicalHeight());
    return QSize(105, 105);
}

} // namespace scindra
