#pragma once

#include "platform/InstanceDelegate.h"

#include <QDBusContext>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>

namespace sonifix {

// The running app's object on the session bus: what other launches of it, and scripts, may
// ask. Restart answers once the restart has ended: an empty reply when the server is back, the
// error `app.northfold.Sonifix.Error.RestartFailed` with the failure's text otherwise. A copy
// that is going away (quitting, or a command that has done its one restart) answers Restart and
// Launch with `app.northfold.Sonifix.Error.Ending`: the caller waits for the name to be free.
// The properties are read afresh for each message. Lives on the main thread.
class DBusInstanceService final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "app.northfold.Sonifix")
    Q_PROPERTY(QString Server READ server)
    Q_PROPERTY(int ServerPID READ serverPID)
    Q_PROPERTY(QString Output READ output)
    Q_PROPERTY(QString Input READ input)
    Q_PROPERTY(qlonglong LastRestart READ lastRestart)
    Q_PROPERTY(QString LastRestartText READ lastRestartText)
    Q_PROPERTY(qlonglong RestartCount READ restartCount)

public:
    static inline const QString restartFailed =
        QStringLiteral("app.northfold.Sonifix.Error.RestartFailed");
    static inline const QString ending = QStringLiteral("app.northfold.Sonifix.Error.Ending");

    void serve(std::weak_ptr<InstanceDelegate> delegate) { this->delegate = std::move(delegate); }

    QString server() { return QString::fromStdString(current().server); }
    int serverPID() { return current().pid.value_or(0); } // 0: not running
    QString output() { return QString::fromStdString(current().output); }
    QString input() { return QString::fromStdString(current().input); }
    qlonglong lastRestart(); // seconds since 1970 (UTC); 0: never
    QString lastRestartText() { return QString::fromStdString(current().lastRestartText); }
    qlonglong restartCount() { return current().restartCount; }

public Q_SLOTS:
    void Restart();
    void Launch();

private:
    const AppStatus& current();

    std::weak_ptr<InstanceDelegate> delegate;
    std::optional<AppStatus> cached;
};

} // namespace sonifix
