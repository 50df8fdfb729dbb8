#include "ui/main/BackgroundWork.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QWindow>

#include <algorithm>
#include <array>
#include <thread>
#include <utility>

namespace scindra {
namespace {

// Every event a person causes with a mouse, a key, a wheel, a pen or a
// finger, and what they call up (shortcuts, context menus, drops).
constexpr std::array kUserInput = {
    QEvent::MouseButtonPress,  QEvent::MouseButtonRelease,  QEvent::MouseButtonDblClick,
    QEvent::MouseMove,         QEvent::NonClientAreaMouseButtonPress,
    QEvent::NonClientAreaMouseButtonRelease, QEvent::NonClientAreaMouseButtonDblClick,
    QEvent::NonClientAreaMouseMove, QEvent::Wheel,       QEvent::KeyPress,
    QEvent::KeyRelease,        QEvent::ShortcutOverride,    QEvent::Shortcut,
    QEvent::InputMethod,       QEvent::ContextMenu,         QEvent::TouchBegin,
    QEvent::TouchUpdate,       QEvent::TouchEnd,            QEvent::TouchCancel,
    QEvent::TabletPress,       QEvent::TabletMove,          QEvent::TabletRelease,
    QEvent::NativeGesture,     QEvent::Gesture,             QEvent::DragEnter,
    QEvent::DragMove,          QEvent::Drop,                QEvent::WhatsThis,
};

bool IsUserInput(QEvent::Type type)
{
    return std::find(kUserInput.begin(), kUserInput.end(), type) != kUserInput.end();
}

} // namespace

BackgroundWork::BackgroundWork(Progress shown)
    : shown_(std::move(shown))
{
}

BackgroundWork::~BackgroundWork() = default;

void BackgroundWork::Run(const Work& work)
{
    QEventLoop loop;
    const auto progress = [this](int value) {
        QMetaObject::invokeMethod(this, [this, value] { shown_(value); }, Qt::QueuedConnection);
    };
    std::thread worker([&] {
        try {
            work(stop_, progress);
        } catch (...) {
            error_ = std::current_exception();
        }
        // Queued behind the last progress value, so every value is shown
        // before the loop ends.
        QMetaObject::invokeMethod(this, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    qApp->installEventFilter(this);
    loop.exec();
    qApp->removeEventFilter(this);
    worker.join();
    if (error_)
        std::rethrow_exception(std::exchange(error_, nullptr));
}

bool BackgroundWork::TakesInput(QObject* receiver) const
{
    if (allowed_ == nullptr)
        return false;
    if (const auto* widget = qobject_cast<QWidget*>(receiver))
        return widget->window() == allowed_;
    if (const auto* window = qobject_cast<QWindow*>(receiver))
        return window == allowed_->windowHandle();
    return false;
}

bool BackgroundWork::eventFilter(QObject* watched, QEvent* event)
{
    return IsUserInput(event->type()) && !TakesInput(watched);
}

} // namespace scindra
