#include "SystemdServiceManager.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <csignal>
#include <thread>

namespace sonifix {

namespace {

const QString service = QStringLiteral("org.freedesktop.systemd1");
const QString managerPath = QStringLiteral("/org/freedesktop/systemd1");
const QString managerInterface = QStringLiteral("org.freedesktop.systemd1.Manager");
const QString unitInterface = QStringLiteral("org.freedesktop.systemd1.Unit");
const QString serviceInterface = QStringLiteral("org.freedesktop.systemd1.Service");
const QString jobInterface = QStringLiteral("org.freedesktop.systemd1.Job");
constexpr int callTimeout = 2000; // ms; the manager answers at once when it answers at all
constexpr auto jobCheckInterval = std::chrono::milliseconds(20);

bool isError(const QDBusMessage& reply) {
    return reply.type() != QDBusMessage::ReplyMessage;
}

ServiceManager::Outcome outcomeOf(const QDBusMessage& error) {
    const auto name = error.errorName();
    if (name == QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown") ||
        name == QStringLiteral("org.freedesktop.DBus.Error.NoReply") ||
        name == QStringLiteral("org.freedesktop.DBus.Error.Disconnected")) {
        return ServiceManager::Outcome::unavailable;
    }
    return name.contains(QStringLiteral("StartLimit")) ? ServiceManager::Outcome::startLimitHit
                                                       : ServiceManager::Outcome::failed;
}

QString unitPathOf(const QDBusMessage& reply) {
    return reply.arguments().value(0).value<QDBusObjectPath>().path();
}

} // namespace

QDBusMessage SystemdServiceManager::call(const QString& path, const QString& interface,
                                         const QString& method, const QVariantList& arguments) {
    auto message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    return bus.call(message, QDBus::Block, callTimeout);
}

QDBusMessage SystemdServiceManager::managerCall(const QString& method,
                                                const QVariantList& arguments) {
    return call(managerPath, managerInterface, method, arguments);
}

std::optional<QVariant> SystemdServiceManager::property(const QString& path,
                                                        const QString& interface,
                                                        const QString& name) {
    const auto reply = call(path, QStringLiteral("org.freedesktop.DBus.Properties"),
                            QStringLiteral("Get"), {interface, name});
    if (isError(reply)) {
        return std::nullopt;
    }
    return reply.arguments().value(0).value<QDBusVariant>().variant();
}

std::optional<ServiceManager::Unit> SystemdServiceManager::unitOf(std::int32_t pid) {
    if (!bus.isConnected() || pid <= 0) {
        return std::nullopt;
    }
    const auto reply =
        managerCall(QStringLiteral("GetUnitByPID"), {QVariant::fromValue(uint(pid))});
    if (isError(reply)) {
        return std::nullopt;
    }
    const auto path = unitPathOf(reply);
    const auto id = property(path, unitInterface, QStringLiteral("Id"));
    if (!id) {
        return std::nullopt;
    }
    // Only a service has a main process.
    const auto mainPID = property(path, serviceInterface, QStringLiteral("MainPID"));
    return Unit{.name = id->toString().toStdString(),
                .mainPID = mainPID ? std::int32_t(mainPID->toUInt()) : 0};
}

ServiceManager::Outcome SystemdServiceManager::restart(const std::vector<std::string>& units,
                                                       std::chrono::milliseconds limit) {
    if (!bus.isConnected()) {
        return Outcome::unavailable;
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    // Queued together, as one transaction would be, so that the manager orders them by their
    // dependencies.
    std::vector<QString> jobs;
    for (const auto& unit : units) {
        const auto reply = managerCall(QStringLiteral("RestartUnit"),
                                       {QString::fromStdString(unit), QStringLiteral("replace")});
        if (isError(reply)) {
            return outcomeOf(reply);
        }
        jobs.push_back(unitPathOf(reply));
    }
    // A job's object goes once the job is done.
    std::erase_if(jobs, [&](const QString& job) {
        while (property(job, jobInterface, QStringLiteral("State"))) {
            if (std::chrono::steady_clock::now() >= deadline) {
                return false;
            }
            std::this_thread::sleep_for(jobCheckInterval);
        }
        return true;
    });
    if (!jobs.empty()) {
        return Outcome::timedOut;
    }
    for (const auto& unit : units) {
        const auto reply = managerCall(QStringLiteral("GetUnit"), {QString::fromStdString(unit)});
        if (isError(reply)) {
            return outcomeOf(reply);
        }
        const auto path = unitPathOf(reply);
        const auto state = property(path, unitInterface, QStringLiteral("ActiveState"));
        if (state && state->toString() == QStringLiteral("active")) {
            continue;
        }
        const auto result = property(path, serviceInterface, QStringLiteral("Result"));
        return result && result->toString() == QStringLiteral("start-limit-hit")
                   ? Outcome::startLimitHit
                   : Outcome::failed;
    }
    return Outcome::done;
}

ServiceManager::Outcome SystemdServiceManager::kill(const std::vector<std::string>& units) {
    for (const auto& unit : units) {
        const auto reply = managerCall(
            QStringLiteral("KillUnit"),
            {QString::fromStdString(unit), QStringLiteral("all"), QVariant::fromValue(SIGKILL)});
        if (isError(reply)) {
            return outcomeOf(reply);
        }
    }
    return Outcome::done;
}

ServiceManager::Outcome SystemdServiceManager::resetFailed(const std::string& unit) {
    const auto reply =
        managerCall(QStringLiteral("ResetFailedUnit"), {QString::fromStdString(unit)});
    return isError(reply) ? outcomeOf(reply) : Outcome::done;
}

} // namespace sonifix
