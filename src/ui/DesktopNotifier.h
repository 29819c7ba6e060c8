#pragma once
// Desktop notifications through the freedesktop notification service on the session bus
// (org.freedesktop.Notifications). Calls never block the window: Show sends the request and
// returns; the service's answer (the notice's id) arrives later. Clicking a notice, or its
// "Show" action, emits activated().
#include <QDBusConnection>
#include <QObject>
#include <QSet>
#include <QString>

namespace talvex::ui {

class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    // bus: where the service is looked for (the session bus by default; tests pass a bus of
    // their own).
    explicit DesktopNotifier(const QDBusConnection& bus = QDBusConnection::sessionBus(),
                             QObject* parent = nullptr);

    // Sends one notice whose click (or button, labelled actionLabel) emits activated(); false
    // when there is no bus to send it on. A missing service is only noticed in the answer and
    // ends in the debug log.
    bool Show(const QString& summary, const QString& body, const QString& actionLabel);
    // Notices shown and not yet closed (those the service gave an id).
    int OpenNotices() const { return static_cast<int>(shown_.size()); }

signals:
    void activated();

private slots:
    void OnActionInvoked(uint id, const QString& action);
    void OnClosed(uint id, uint reason);

private:
    QDBusConnection bus_;
    QSet<uint> shown_;
};

}  // namespace talvex::ui
