#include "ui/QtMessageSink.h"

#include <QCoreApplication>

namespace talvex::ui {

QEvent::Type SinkEvent::EventType() {
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

QtMessageSink::QtMessageSink(QObject* receiver) : receiver_(receiver) {}

void QtMessageSink::Post(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    // postEvent is safe from any thread; the lock only keeps Detach from racing with it, so a
    // post never names a receiver that is being destroyed.
    std::lock_guard<std::mutex> hold(lock_);
    if (receiver_ != nullptr) {
        QCoreApplication::postEvent(receiver_, new SinkEvent(message, wParam, lParam));
    }
}

void QtMessageSink::Detach() {
    std::lock_guard<std::mutex> hold(lock_);
    receiver_ = nullptr;
}

}  // namespace talvex::ui
