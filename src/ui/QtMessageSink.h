#pragma once
// The engine's message sink for the desktop program: a worker's Post becomes a Qt event queued
// to the main window and handled on the user-interface thread. Detach, called before the window
// goes away, makes later posts (from workers still ending) drop their message instead of
// reaching a destroyed window.
#include <QEvent>
#include <QPointer>
#include <cstdint>
#include <mutex>

#include "platform/MessageSink.h"

class QObject;

namespace talvex::ui {

// One posted message, as the window receives it.
class SinkEvent : public QEvent {
public:
    static QEvent::Type EventType();
    SinkEvent(uint32_t message, uintptr_t wParam, intptr_t lParam)
        : QEvent(EventType()), message(message), wParam(wParam), lParam(lParam) {}
    const uint32_t message;
    const uintptr_t wParam;
    const intptr_t lParam;
};

class QtMessageSink : public IMessageSink {
public:
    explicit QtMessageSink(QObject* receiver);
    // Callable from any thread; never blocks on the receiver.
    void Post(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    // Stops delivery: messages posted from now on are dropped.
    void Detach();

private:
    std::mutex lock_;
    QObject* receiver_;
};

}  // namespace talvex::ui
