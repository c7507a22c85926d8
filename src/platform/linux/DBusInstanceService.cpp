#include "DBusInstanceService.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QPointer>
#include <QTimer>
#include <QVariantMap>

namespace sonifix {

void DBusInstanceService::serve(std::weak_ptr<InstanceDelegate> served) {
    delegate = std::move(served);
    if (const auto self = delegate.lock()) {
        self->observeRestarts([service = QPointer(this)] {
            if (service) {
                service->restarted();
            }
        });
    }
}

void DBusInstanceService::restarted() {
    auto signal =
        QDBusMessage::createSignal(path, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    signal.setArguments({QStringLiteral("app.northfold.Sonifix"),
                         QVariantMap{{QStringLiteral("LastRestart"), lastRestart()},
                                     {QStringLiteral("RestartCount"), restartCount()}},
                         QStringList()});
    bus.send(signal);
}

const AppStatus& DBusInstanceService::current() {
    if (!cached) {
        const auto self = delegate.lock();
        cached = self ? self->status() : AppStatus{};
        // One reading serves all the properties of one request (GetAll asks for each).
        QTimer::singleShot(0, this, [this] { cached.reset(); });
    }
    return *cached;
}

QVariantMap DBusInstanceService::deviceMap(const std::optional<AppStatus::Device>& device) {
    if (!device) {
        return {};
    }
    return {{QStringLiteral("name"), QString::fromStdString(device->name)},
            {QStringLiteral("description"), QString::fromStdString(device->description)},
            {QStringLiteral("rateHz"), device->rateHz},
            {QStringLiteral("transport"), QString::fromStdString(device->transport)}};
}

qlonglong DBusInstanceService::lastRestart() {
    const auto& date = current().lastRestart;
    return date ? std::chrono::duration_cast<std::chrono::seconds>(date->time_since_epoch()).count()
                : 0;
}

void DBusInstanceService::Restart() {
    const auto self = delegate.lock();
    if (!self) {
        sendErrorReply(ending, QStringLiteral("Sonifix is quitting."));
        return;
    }
    setDelayedReply(true);
    self->restartAndReport([request = message(), bus = connection()](const RestartResult& outcome) {
        auto answer = bus;
        answer.send(
            outcome.succeeded
                ? request.createReply()
                : request.createErrorReply(restartFailed, QString::fromStdString(outcome.message)));
    });
}

void DBusInstanceService::Launch() {
    const auto self = delegate.lock();
    if (!self || !self->launchedAgain()) {
        sendErrorReply(ending, QStringLiteral("This Sonifix is about to end."));
    }
}

} // namespace sonifix
