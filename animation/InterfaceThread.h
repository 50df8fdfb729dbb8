#pragma once
// Whether the calling thread is the user-interface thread (the thread of the
// application object; any thread while there is none).

#include <QCoreApplication>
#include <QThread>

namespace scindra {

inline bool OnInterfaceThread()
{
    const QCoreApplication* application = QCoreApplication::instance();
    return !application || QThread::currentThread() == application->thread();
}

} // namespace scindra
