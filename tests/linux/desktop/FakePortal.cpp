#include "FakePortal.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <thread>
#include <utility>

namespace sonifix::testing {

namespace {

using Shortcuts = QList<std::pair<QString, QVariantMap>>;

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

// The portal's object paths for the caller's sessions and requests: "<kind>/<sender>/<token>".
QString pathFor(const QString& kind, const QDBusMessage& message, const QVariantMap& options,
                const QString& tokenKey) {
    auto sender = message.service().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return QStringLiteral("%1/%2/%3/%4")
        .arg(portalPath, kind, sender, options.value(tokenKey).toString());
}

QDBusMessage signal(const QString& path, const QString& interface, const QString& name,
                    const QVariantList& arguments) {
    auto message = QDBusMessage::createSignal(path, interface, name);
    message.setArguments(arguments);
    return message;
}

} // namespace

class FakePortal::Object final : public QDBusVirtualObject {
public:
    Object(QDBusConnection connection, std::chrono::milliseconds firstAnswerAfter)
        : connection(std::move(connection)), firstAnswerAfter(firstAnswerAfter) {}

    QString introspect(const QString& /*path*/) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& /*bus*/) override {
        std::this_thread::sleep_for(std::exchange(firstAnswerAfter, {}));
        const auto member = message.member();
        const auto arguments = message.arguments();
        const std::lock_guard lock(mutex);
        if (member != QStringLiteral("Get")) { // Get: the interface's version, asked first
            calls << member;
        }
        if (member == QStringLiteral("CreateSession")) {
            const auto options = qdbus_cast<QVariantMap>(arguments.value(0));
            session = pathFor(QStringLiteral("session"), message, options,
                              QStringLiteral("session_handle_token"));
            respond(message, options, {{QStringLiteral("session_handle"), session}});
        } else if (member == QStringLiteral("BindShortcuts")) {
            const auto shortcuts = qdbus_cast<Shortcuts>(arguments.value(1));
            id = shortcuts.value(0).first;
            calls.last() +=
                " " +
                shortcuts.value(0).second.value(QStringLiteral("preferred_trigger")).toString();
            respond(message, qdbus_cast<QVariantMap>(arguments.value(3)),
                    {{QStringLiteral("shortcuts"), QVariant::fromValue(bound())}});
        } else { // Get, Register, Close
            if (member == QStringLiteral("Register")) {
                calls.last() += " " + arguments.value(0).toString();
            }
            connection.send(message.createReply());
        }
        return true;
    }

    Shortcuts bound() const { return {{id, {{QStringLiteral("trigger_description"), trigger}}}}; }

    QDBusConnection connection; // thread-safe: signals go out from any thread
    mutable std::mutex mutex;
    QStringList calls;
    QString trigger = QStringLiteral("Ctrl+Alt+Super+R");
    QString session;
    QString id;

private:
    std::chrono::milliseconds firstAnswerAfter;

    // The method's reply names the request; its Response follows.
    void respond(const QDBusMessage& message, const QVariantMap& options,
                 const QVariantMap& results) {
        const auto request =
            pathFor(QStringLiteral("request"), message, options, QStringLiteral("handle_token"));
        connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
        connection.send(signal(request, QStringLiteral("org.freedesktop.portal.Request"),
                               QStringLiteral("Response"), {0u, results}));
    }
};

FakePortal::FakePortal(const QDBusConnection& connection,
                       std::chrono::milliseconds firstAnswerAfter)
    : object(std::make_unique<Object>(connection, firstAnswerAfter)) {
    qDBusRegisterMetaType<std::pair<QString, QVariantMap>>();
    qDBusRegisterMetaType<Shortcuts>();
    // Registered before it moves: the bus gives it a helper object that moves along with it.
    auto bus = connection;
    bus.registerVirtualObject(portalPath, object.get(), QDBusConnection::SubPath);
    thread.start();
    object->moveToThread(&thread);
    bus.interface()->registerService(portalService);
}

FakePortal::~FakePortal() {
    auto bus = object->connection;
    bus.interface()->unregisterService(portalService);
    bus.unregisterObject(portalPath, QDBusConnection::UnregisterTree);
    // It goes on the thread it answered on.
    object.release()->deleteLater();
    thread.quit();
    thread.wait();
}

void FakePortal::chooseTrigger(const QString& description) {
    const std::lock_guard lock(object->mutex);
    object->trigger = description;
    if (!object->session.isEmpty()) {
        object->connection.send(signal(portalPath, shortcutsInterface,
                                       QStringLiteral("ShortcutsChanged"),
                                       {QVariant::fromValue(QDBusObjectPath(object->session)),
                                        QVariant::fromValue(object->bound())}));
    }
}

void FakePortal::press() {
    const std::lock_guard lock(object->mutex);
    object->connection.send(
        signal(portalPath, shortcutsInterface, QStringLiteral("Activated"),
               {QVariant::fromValue(QDBusObjectPath(object->session)), object->id,
                QVariant::fromValue(qulonglong(0)), QVariantMap()}));
}

QStringList FakePortal::calls() const {
    const std::lock_guard lock(object->mutex);
    return object->calls;
}

} // namespace sonifix::testing
