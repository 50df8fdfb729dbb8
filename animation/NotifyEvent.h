#pragma once
// The notification events of the animation components: a handler receives the
// component that fired it. An empty function means "no handler assigned".

#include <functional>

class QObject;

namespace scindra {

using TNotifyEvent = std::function<void(QObject* sender)>;

} // namespace scindra
