#pragma once

#include "platform/InstanceDelegate.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <memory>
#include <optional>

namespace sonifix {

// The running app's object on the session bus: what other launches of it, and scripts, may
// ask. Restart answers once the restart has ended: an empty reply when the server is back, the
// error `app.northfold.Sonifix.Error.RestartFailed` with the failure's text otherwise. A copy
// that is going away (quitting, or a command that has done its one restart) answers Restart and
// Launch with `app.northfold.Sonifix.Error.Ending`: the caller waits for the name to be free.
// The properties are read afresh for each message; the last restart and the count are announced
// with PropertiesChanged, the others change on their own (the server, the devices, the time
// since) and are marked as not announced. Lives on the main thread.
class DBusInstanceService final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "app.northfold.Sonifix")
    Q_CLASSINFO(
        "D-Bus Introspection",
        "<interface name='app.northfold.Sonifix'>\n"
        "  <method name='Restart'/>\n"
        "  <method name='Launch'/>\n"
        "  <property name='Server' type='s' access='read'>\n"
        "    <annotation name='org.freedesktop.DBus.Property.EmitsChangedSignal' value='false'/>\n"
        "  </property>\n"
        "  <property name='ServerPID' type='i' access='read'>\n"
        "    <annotation name='org.freedesktop.DBus.Property.EmitsChangedSignal' value='false'/>\n"
        "  </property>\n"
        "  <property name='Output' type='s' access='read'>\n"
        "    <annotation name='org.freedesktop.DBus.Property.EmitsChangedSignal' value='false'/>\n"
        "  </property>\n"
        "  <property name='Input' type='s' access='read'>\n"
        "    <annotation name='org.freedesktop.DBus.Property.EmitsChangedSignal' value='false'/>\n"
        "  </property>\n"
        "  <property name='LastRestart' type='x' access='read'/>\n"
        "  <property name='LastRestartText' type='s' access='read'>\n"
        "    <annotation name='org.freedesktop.DBus.Property.EmitsChangedSignal' value='false'/>\n"
        "  </property>\n"
        "  <property name='RestartCount' type='x' access='read'/>\n"
        "</interface>\n")
    Q_PROPERTY(QString Server READ server)
    Q_PROPERTY(int ServerPID READ serverPID)
    Q_PROPERTY(QString Output READ output)
    Q_PROPERTY(QString Input READ input)
    Q_PROPERTY(qlonglong LastRestart READ lastRestart)
    Q_PROPERTY(QString LastRestartText READ lastRestartText)
    Q_PROPERTY(qlonglong RestartCount READ restartCount)
    Q_PROPERTY(bool Answering READ answering)
    Q_PROPERTY(QString ServerName READ serverName)
    Q_PROPERTY(QString ServerVersion READ serverVersion)
    Q_PROPERTY(QVariantMap OutputDevice READ outputDevice)
    Q_PROPERTY(QVariantMap InputDevice READ inputDevice)
    Q_PROPERTY(bool Restarting READ restarting)

public:
    static inline const QString restartFailed =
        QStringLiteral("app.northfold.Sonifix.Error.RestartFailed");
    static inline const QString ending = QStringLiteral("app.northfold.Sonifix.Error.Ending");

    DBusInstanceService(QDBusConnection bus, QString path)
        : bus(std::move(bus)), path(std::move(path)) {}

    void serve(std::weak_ptr<InstanceDelegate> delegate);

    QString server() { return QString::fromStdString(current().server); }
    int serverPID() { return current().pid.value_or(0); } // 0: not running
    QString output() { return QString::fromStdString(current().output); }
    QString input() { return QString::fromStdString(current().input); }
    qlonglong lastRestart(); // seconds since 1970 (UTC); 0: never
    QString lastRestartText() { return QString::fromStdString(current().lastRestartText); }
    qlonglong restartCount() { return current().restartCount; }
    bool answering() { return current().answering; }
    QString serverName() { return QString::fromStdString(current().serverName); }
    QString serverVersion() { return QString::fromStdString(current().serverVersion); }
    // name, description, rateHz, transport; empty when there is no such device
    QVariantMap outputDevice() { return deviceMap(current().outputDevice); }
    QVariantMap inputDevice() { return deviceMap(current().inputDevice); }
    bool restarting() { return current().restarting; }

public Q_SLOTS:
    void Restart();
    void Launch();

private:
    const AppStatus& current();
    static QVariantMap deviceMap(const std::optional<AppStatus::Device>& device);
    void restarted();

    QDBusConnection bus;
    QString path;

    std::weak_ptr<InstanceDelegate> delegate;
    std::optional<AppStatus> cached;
};

} // namespace sonifix
