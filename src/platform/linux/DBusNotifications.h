#pragma once

#include "platform/Notifications.h"

#include <QDBusConnection>
#include <QObject>
#include <map>

namespace sonifix {

// The desktop's notifications through org.freedesktop.Notifications on the session bus, the
// server Plasma, GNOME Shell, mako, dunst and the others run. Calls never wait for the server.
class DBusNotifications final : public QObject, public Notifications {
    Q_OBJECT

public:
    // How the notification says where it comes from: the app's name, and its desktop entry's
    // id, which is also its icon's name.
    DBusNotifications(QString appName, QString desktopEntry,
                      QDBusConnection bus = QDBusConnection::sessionBus());

    bool available() override;
    void show(const Notification& notification, Handler activated = {}) override;

private Q_SLOTS:
    void actionInvoked(uint id, const QString& key);
    void notificationClosed(uint id, uint reason);

private:
    const QString appName;
    const QString desktopEntry;
    QDBusConnection bus;
    std::map<uint, Handler> handlers; // by the server's id of each notification shown
};

} // namespace sonifix
