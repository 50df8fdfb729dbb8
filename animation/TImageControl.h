#pragma once
// A control that shows a picture on its parent's surface. It owns the state
// lock its subclasses guard their fields with and the canvas lock every
// drawing of the control holds, paints through Qt's backing store (one
// flush per repaint, so nothing flickers), and lets the parent show through
// wherever it leaves pixels unpainted.
//
// An error raised while painting is never shown from inside the paint: the
// control draws its background and posts one report to the error box; until
// that report is closed no further report is posted.

#include <QWidget>

#include <atomic>
#include <exception>
#include <mutex>

namespace scindra {

class TGraphic;

class TImageControl : public QWidget {
    Q_OBJECT

public:
    explicit TImageControl(QWidget* parent = nullptr);
    ~TImageControl() override;

    // The re-entrant lock of the control's state. When both are held, the
    // state lock is taken before the canvas lock.
    void LockState() { stateLock_.lock(); }
    void UnlockState() { stateLock_.unlock(); }
    std::recursive_mutex& StateLock() { return stateLock_; }
    // Held by every drawing of the control and of the pictures it caches.
    std::recursive_mutex& CanvasLock() const { return canvasLock_; }

    // True while the picture is being painted.
    bool IsPainting() const { return isPainting_; }

    TGraphic* ShownGraphic() const { return shownGraphic_; }
    void SetShownGraphic(TGraphic* graphic) { shownGraphic_ = graphic; }

    // Repaints at once on the user-interface thread. From any other thread
    // it asks that thread to repaint and returns without waiting: widgets
    // are painted on the user-interface thread only.
    void PaintNow();

    // After a change: adjusts the size, then asks for a repaint of the
    // control's own rectangle (none while the picture is being painted).
    // Nothing while the control is being destroyed.
    void RefreshAfterChange();

    // True while the report of a painting error is open.
    bool ReportOpen() const { return reportOpen_; }

protected:
    // Draws the picture into the control's area (the background is done).
    virtual void DrawImage(QPainter& canvas) = 0;
    // The size adjustment after a change; the base keeps the size.
    virtual void AdjustSize() {}
    // True when the picture leaves pixels for the parent to show through;
    // the control then paints no background of its own.
    virtual bool ShowsParentThrough() const { return false; }

    void paintEvent(QPaintEvent* event) override;
    void PaintWithBackground(QPainter& canvas);
    void DrawBackground(QPainter& canvas);

    // Posts one report of `error` to the error box (shown on the interface
    // thread, from any thread), unless one is already open.
    void PostErrorReport(std::exception_ptr error);

    bool Destroying() const { return destroying_; }
    void SetDestroying() { destroying_ = true; }

private:
    void ShowPendingReport();

    std::recursive_mutex stateLock_;
    mutable std::recursive_mutex canvasLock_;
    bool isPainting_ = false;
    bool destroying_ = false;
    std::mutex reportMutex_;
    std::atomic<bool> reportOpen_{false};
    std::exception_ptr pendingReport_;       // posted, not shown yet
    std::atomic<bool> repaintPosted_{false};
    TGraphic* shownGraphic_ = nullptr;   // not owned
};

} // namespace scindra
