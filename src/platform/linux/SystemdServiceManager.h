#pragma once

#include "platform/ServiceManager.h"

#include <QDBusConnection>
#include <QVariant>

namespace sonifix {

// systemd's user instance over its D-Bus interface (org.freedesktop.systemd1 on the user's
// bus): no command-line tool, so nothing depends on where one is installed. Calls block the
// worker thread that makes them, each for a bounded time.
class SystemdServiceManager final : public ServiceManager {
public:
    explicit SystemdServiceManager(QDBusConnection bus = QDBusConnection::sessionBus())
        : bus(std::move(bus)) {}

    std::optional<Unit> unitOf(std::int32_t pid) override;
    Outcome restart(const std::vector<std::string>& units,
                    std::chrono::milliseconds limit) override;
    Outcome kill(const std::vector<std::string>& units) override;
    Outcome resetFailed(const std::string& unit) override;

private:
    QDBusMessage call(const QString& path, const QString& interface, const QString& method,
                      const QVariantList& arguments);
    QDBusMessage managerCall(const QString& method, const QVariantList& arguments);
    std::optional<QVariant> property(const QString& path, const QString& interface,
                                     const QString& name);

    QDBusConnection bus;
};

} // namespace sonifix
