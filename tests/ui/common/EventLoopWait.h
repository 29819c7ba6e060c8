#pragma once
// Waiting in a user-interface test: the event loop runs (posted events, timers, queued
// calls from workers) until a condition holds.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

namespace talvex::test {

// Runs the event loop until pred holds or limitMs pass; the last value of pred.
template <class Pred>
bool RunEventsUntil(Pred pred, int limitMs) {
    QElapsedTimer timer;
    timer.start();
    while (!pred()) {
        if (timer.elapsed() > limitMs) {
            return pred();
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QTest::qWait(5);
    }
    return true;
}

}  // namespace talvex::test
