#include "DBusSingleInstance.h"

#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QElapsedTimer>
#include <QThread>
#include <QVariantMap>

namespace sonifix {

namespace {

const QString interfaceName = QStringLiteral("app.northfold.Sonifix");

// A running copy answers Launch at once; the user waits for the new process to end.
constexpr int launchTimeoutMs = 1000;
// A restart waits for the server: up to ten seconds of polls, and stopping one that hangs.
constexpr int restartTimeoutMs = 60000;
constexpr int statusTimeoutMs = 5000;
// A copy that is ending may first bring back a server its restart had stopped.
constexpr int releaseTimeoutMs = 15000;
constexpr unsigned long releaseCheckMs = 20;

bool nobodyThere(const QDBusMessage& reply) {
    return QDBusError(reply).type() == QDBusError::ServiceUnknown ||
           reply.errorName() == QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner");
}

} // namespace

DBusSingleInstance::DBusSingleInstance(QDBusConnection bus) : bus(std::move(bus)) {}

DBusSingleInstance::~DBusSingleInstance() {
    if (service) {
        bus.unregisterObject(objectPath);
        bus.interface()->unregisterService(serviceName);
    }
}

SingleInstance::Claim DBusSingleInstance::claim() {
    if (!bus.isConnected() || !bus.interface()) {
        return Claim::unavailable;
    }
    // The object is there before the name: a caller that finds the name finds the object.
    auto candidate = std::make_unique<DBusInstanceService>(bus, objectPath);
    if (!bus.registerObject(objectPath, candidate.get(),
                            QDBusConnection::ExportAllSlots |
                                QDBusConnection::ExportAllProperties)) {
        return Claim::unavailable;
    }
    const auto reply =
        bus.interface()->registerService(serviceName, QDBusConnectionInterface::DontQueueService,
                                         QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
        service = std::move(candidate);
        return Claim::claimed;
    }
    bus.unregisterObject(objectPath);
    return reply.isValid() ? Claim::taken : Claim::unavailable;
}

void DBusSingleInstance::serve(std::weak_ptr<InstanceDelegate> delegate) {
    if (service) {
        service->serve(std::move(delegate));
    }
}

QDBusMessage DBusSingleInstance::call(const QString& interface, const QString& method,
                                      const QVariantList& arguments, int timeoutMs) {
    auto request = QDBusMessage::createMethodCall(serviceName, objectPath, interface, method);
    request.setArguments(arguments);
    // Nothing on the bus starts the app for a command.
    request.setAutoStartService(false);
    return bus.call(request, QDBus::Block, timeoutMs);
}

void DBusSingleInstance::awaitRelease() {
    QElapsedTimer waited;
    waited.start();
    while (bus.interface()->isServiceRegistered(serviceName).value() &&
           waited.elapsed() < releaseTimeoutMs) {
        QThread::msleep(releaseCheckMs);
    }
}

bool DBusSingleInstance::launchRunning() {
    if (!bus.isConnected()) {
        return false;
    }
    const auto reply = call(interfaceName, QStringLiteral("Launch"), {}, launchTimeoutMs);
    if (reply.errorName() == DBusInstanceService::ending) {
        awaitRelease();
    }
    return reply.type() == QDBusMessage::ReplyMessage;
}

std::optional<RestartResult> DBusSingleInstance::restartRunning() {
    if (!bus.isConnected()) {
        return std::nullopt;
    }
    const auto reply = call(interfaceName, QStringLiteral("Restart"), {}, restartTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage) {
        return RestartResult{.succeeded = true};
    }
    if (nobodyThere(reply)) {
        return std::nullopt;
    }
    if (reply.errorName() == DBusInstanceService::ending) {
        awaitRelease();
        return std::nullopt;
    }
    if (reply.errorName() == DBusInstanceService::restartFailed) {
        return RestartResult{.message = reply.errorMessage().toStdString()};
    }
    return RestartResult{.message = "The running Sonifix did not answer: " +
                                    reply.errorMessage().toStdString()};
}

std::optional<AppStatus> DBusSingleInstance::statusOfRunning() {
    if (!bus.isConnected()) {
        return std::nullopt;
    }
    const auto reply = call(QStringLiteral("org.freedesktop.DBus.Properties"),
                            QStringLiteral("GetAll"), {interfaceName}, statusTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return std::nullopt;
    }
    const auto properties = qdbus_cast<QVariantMap>(reply.arguments().constFirst());
    const auto text = [&](const char* name) {
        return properties.value(QLatin1String(name)).toString().toStdString();
    };
    AppStatus status{
        .server = text("Server"),
        .output = text("Output"),
        .input = text("Input"),
        .lastRestartText = text("LastRestartText"),
        .restartCount = properties.value(QStringLiteral("RestartCount")).toLongLong(),
    };
    // A copy of the app from before these were told answers without them.
    status.answering = properties.value(QStringLiteral("Answering"), true).toBool();
    status.serverName = text("ServerName");
    status.serverVersion = text("ServerVersion");
    status.restarting = properties.value(QStringLiteral("Restarting")).toBool();
    const auto device = [&](const char* name) -> std::optional<AppStatus::Device> {
        const auto fields = qdbus_cast<QVariantMap>(properties.value(QLatin1String(name)));
        if (fields.isEmpty()) {
            return std::nullopt;
        }
        return AppStatus::Device{
            .name = fields.value(QStringLiteral("name")).toString().toStdString(),
            .description = fields.value(QStringLiteral("description")).toString().toStdString(),
            .rateHz = fields.value(QStringLiteral("rateHz")).toDouble(),
            .transport = fields.value(QStringLiteral("transport")).toString().toStdString(),
        };
    };
    status.outputDevice = device("OutputDevice");
    status.inputDevice = device("InputDevice");
    if (const int pid = properties.value(QStringLiteral("ServerPID")).toInt(); pid > 0) {
        status.pid = pid;
    }
    if (const auto seconds = properties.value(QStringLiteral("LastRestart")).toLongLong();
        seconds > 0) {
        status.lastRestart = std::chrono::system_clock::time_point(std::chrono::seconds(seconds));
    }
    return status;
}

} // namespace sonifix
