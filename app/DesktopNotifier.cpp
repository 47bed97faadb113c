#include "app/DesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QVariantMap>

bool NotifyDesktop(const QString& title, const QString& body) {
    static const QString kService = QStringLiteral("org.freedesktop.Notifications");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() ||
        !bus.interface()->isServiceRegistered(kService).value())
        return false;
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, QStringLiteral("/org/freedesktop/Notifications"),
                                       kService, QStringLiteral("Notify"));
    // app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout (-1: the
    // server's default). Sent without waiting: a slow server must not hold up the readings.
    call << QStringLiteral("rx47") << uint(0) << QStringLiteral("rx47") << title << body
         << QStringList() << QVariantMap() << int(-1);
    return bus.send(call);
}
