#include "DBusNotifications.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace sonifix {

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");
// The server's own choice of how long a notification stays.
constexpr int serverTimeout = -1;

} // namespace

DBusNotifications::DBusNotifications(QString appName, QString desktopEntry, QDBusConnection bus)
    : appName(std::move(appName)), desktopEntry(std::move(desktopEntry)), bus(std::move(bus)) {
    this->bus.connect(service, path, interface, QStringLiteral("ActionInvoked"), this,
                      SLOT(actionInvoked(uint, QString)));
    this->bus.connect(service, path, interface, QStringLiteral("NotificationClosed"), this,
                      SLOT(notificationClosed(uint, uint)));
}

bool DBusNotifications::available() {
    auto* daemon = bus.isConnected() ? bus.interface() : nullptr;
    if (!daemon) {
        return false;
    }
    // Most servers are started by the bus on the first notification.
    return daemon->isServiceRegistered(service) ||
           daemon->activatableServiceNames().value().contains(service);
}

void DBusNotifications::show(const Notification& notification, Handler activated) {
    QStringList actions;
    for (const auto& action : notification.actions) {
        actions << QString::fromStdString(action.key) << QString::fromStdString(action.label);
    }
    auto request =
        QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Notify"));
    request << appName << 0u << desktopEntry << QString::fromStdString(notification.title)
            << QString::fromStdString(notification.body) << actions
            << QVariantMap{{QStringLiteral("desktop-entry"), desktopEntry}} << serverTimeout;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(request), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, activated = std::move(activated)](QDBusPendingCallWatcher* call) {
                const QDBusPendingReply<uint> reply = *call;
                if (reply.isValid() && activated) {
                    handlers[reply.value()] = activated;
                }
                call->deleteLater();
            });
}

void DBusNotifications::actionInvoked(uint id, const QString& key) {
    const auto found = handlers.find(id);
    if (found != handlers.end()) {
        // The handler may show another notification, which changes the table.
        const auto handler = found->second;
        handler(key.toStdString());
    }
}

void DBusNotifications::notificationClosed(uint id, uint /*reason*/) {
    handlers.erase(id);
}

} // namespace sonifix
