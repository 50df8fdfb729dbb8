#include "animation/TImageControl.h"

#include "animation/InterfaceThread.h"
#include "rtl/Guard.h"

#include <QPainter>

#include <utility>

namespace scindra {

TImageControl::TImageControl(QWidget* parent)
    : QWidget(parent)
{
    resize(105, 105);
}

TImageControl::~TImageControl()
{
    destroying_ = true;
}

void TImageControl::PaintNow()
{
    if (OnInterfaceThread()) {
        repaint();
        return;
    }
    // One pending request is enough: it paints whatever is current then.
    if (repaintPosted_.exchange(true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            repaintPosted_ = false;
            update();
        },
        Qt::QueuedConnection);
}

void TImageControl::RefreshAfterChange()
{
    if (destroying_)
        return;
    {
        // The picture may be in use by a tick composing on the timer thread.
        std::lock_guard lock(canvasLock_);
        AdjustSize();
        // A control that covers its whole area spares the parent a repaint below it.
        setAttribute(Qt::WA_OpaquePaintEvent, !ShowsParentThrough());
    }
    if (!isPainting_)
        update();
}

void TImageControl::paintEvent(QPaintEvent*)
{
    QPainter canvas(this);
    std::lock_guard lock(canvasLock_);
    try {
        PaintWithBackground(canvas);
    } catch (...) {
        DrawBackground(canvas);
        PostErrorReport(std::current_exception());
    }
}

void TImageControl::PaintWithBackground(QPainter& canvas)
{
    DrawBackground(canvas);
    const bool wasPainting = isPainting_;
    isPainting_ = true;
    try {
        DrawImage(canvas);
    } catch (...) {
        isPainting_ = wasPainting;
        throw;
    }
    isPainting_ = wasPainting;
}

void TImageControl::DrawBackground(QPainter& canvas)
{
    if (!ShowsParentThrough())
        canvas.fillRect(rect(), palette().color(backgroundRole()));
}

void TImageControl::PostErrorReport(std::exception_ptr error)
{
    {
        std::lock_guard lock(reportMutex_);
        if (reportOpen_)
            return;
        reportOpen_ = true;
        pendingReport_ = std::move(error);
    }
    QMetaObject::invokeMethod(this, [this] { ShowPendingReport(); }, Qt::QueuedConnection);
}

void TImageControl::ShowPendingReport()
{
    std::exception_ptr error;
    {
        std::lock_guard lock(reportMutex_);
        error = std::exchange(pendingReport_, nullptr);
    }
    Guard([&error] { std::rethrow_exception(error); });
    reportOpen_ = false;
}

} // namespace scindra
