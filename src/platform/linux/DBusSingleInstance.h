#pragma once

#include "DBusInstanceService.h"
#include "platform/SingleInstance.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <memory>

namespace sonifix {

// One app per session through the session bus: the running copy owns the bus name
// `app.northfold.Sonifix` and serves /app/northfold/Sonifix; other launches call it there.
// Make it on the main thread, once the application object exists.
class DBusSingleInstance final : public SingleInstance {
public:
    static inline const QString serviceName = QStringLiteral("app.northfold.Sonifix");
    static inline const QString objectPath = QStringLiteral("/app/northfold/Sonifix");

    explicit DBusSingleInstance(QDBusConnection bus = QDBusConnection::sessionBus());
    ~DBusSingleInstance() override;
    DBusSingleInstance(const DBusSingleInstance&) = delete;
    DBusSingleInstance& operator=(const DBusSingleInstance&) = delete;

    Claim claim() override;
    void serve(std::weak_ptr<InstanceDelegate> delegate) override;

    bool launchRunning() override;
    std::optional<RestartResult> restartRunning() override;
    std::optional<AppStatus> statusOfRunning() override;

private:
    QDBusMessage call(const QString& interface, const QString& method,
                      const QVariantList& arguments, int timeoutMs);
    // After an answer that the copy is ending: until the name is free, for a while.
    void awaitRelease();

    QDBusConnection bus;
    std::unique_ptr<DBusInstanceService> service;
};

} // namespace sonifix
