#include "ui/DesktopNotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

#include "app/DebugLog.h"

namespace talvex::ui {

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
}  // namespace

DesktopNotifier::DesktopNotifier(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), bus_(bus) {
    if (bus_.isConnected()) {
        bus_.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                     SLOT(OnActionInvoked(uint, QString)));
        bus_.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                     SLOT(OnClosed(uint, uint)));
    }
}

bool DesktopNotifier::Show(const QString& summary, const QString& body,
                           const QString& actionLabel) {
    if (!bus_.isConnected()) {
        return false;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    QVariantMap hints;
    // Lets the desktop show the program's name and icon from its installed desktop file.
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("talvex"));
    // "default" is the click on the notice itself (desktops that show actions as buttons show
    // it as one).
    const QStringList actions{QStringLiteral("default"), actionLabel};
    call << QStringLiteral("Talvex") << uint(0) << QStringLiteral("talvex") << summary << body
         << actions << hints << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* done) {
                QDBusPendingReply<uint> reply = *done;
                if (reply.isError()) {
                    DebugLog::Write(L"Desktop notice not shown: " +
                                    reply.error().message().toStdWString());
                } else {
                    shown_.insert(reply.value());
                }
                done->deleteLater();
            });
    return true;
}

void DesktopNotifier::OnActionInvoked(uint id, const QString& action) {
    if (shown_.contains(id) && action == QStringLiteral("default")) {
        emit activated();
    }
}

void DesktopNotifier::OnClosed(uint id, uint) {
    shown_.remove(id);
}

}  // namespace talvex::ui
