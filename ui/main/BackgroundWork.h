#pragma once
// Runs a cut or a rebuild on a worker thread while the interface thread goes
// on painting the windows and answering the desktop. The user still cannot
// act on the program until the work ends: mouse, keys, wheel, touch and the
// shortcuts and menus they call up are dropped on their way to its windows,
// except to one window that may be let through (a question about the work).
//
// The work is Qt-free engine code: it gets a stop flag and a progress
// callback. Progress values reach the interface thread through its event
// queue, in order; the work's error is raised again on the interface thread
// once the work has ended, so the error box shows after the work stops.

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <atomic>
#include <exception>
#include <functional>

namespace scindra {

class BackgroundWork : public QObject {
public:
    using Progress = std::function<void(int)>;
    using Work = std::function<void(const std::atomic<bool>& stop, const Progress& progress)>;

    // `shown` gets each progress value on the interface thread.
    explicit BackgroundWork(Progress shown);
    ~BackgroundWork() override;

    // Runs `work` and returns when it has ended, raising its error here.
    void Run(const Work& work);

    // Asks the work to end after its current block (it then raises EAbort).
    void Stop() { stop_ = true; }

    // The window that takes user input while the work runs (null: none).
    void LetInputThrough(QWidget* window) { allowed_ = window; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool TakesInput(QObject* receiver) const;

    Progress shown_;
    std::atomic<bool> stop_{false};
    std::exception_ptr error_;
    QPointer<QWidget> allowed_;
};

} // namespace scindra
