#include "FakePortal.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>

namespace sonifix::testing {

namespace {

using Shortcuts = QList<std::pair<QString, QVariantMap>>;

const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

QString senderPart(const QDBusMessage& message) {
    auto sender = message.service().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return sender;
}

} // namespace

class FakePortal::Object final : public QDBusVirtualObject {
public:
    explicit Object(QDBusConnection connection) : connection(std::move(connection)) {}

    QString introspect(const QString& /*path*/) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& /*bus*/) override {
        const auto member = message.member();
        const auto arguments = message.arguments();
        const std::lock_guard lock(mutex);
        if (member == QStringLiteral("Get")) {
            reply(message, {QVariant::fromValue(QDBusVariant(1u))});
        } else if (member == QStringLiteral("Register")) {
            state.registeredAppId = arguments.value(0).toString();
            reply(message, {});
        } else if (member == QStringLiteral("CreateSession")) {
            state.sessionBeforeRegistration =
                state.sessionBeforeRegistration || state.registeredAppId.isEmpty();
            const auto options = qdbus_cast<QVariantMap>(arguments.value(0));
            session = QStringLiteral("%1/session/%2/%3")
                          .arg(portalPath, senderPart(message),
                               options.value(QStringLiteral("session_handle_token")).toString());
            ++state.sessions;
            respond(message, options, {{QStringLiteral("session_handle"), session}});
        } else if (member == QStringLiteral("BindShortcuts")) {
            const auto shortcuts = qdbus_cast<Shortcuts>(arguments.value(1));
            id = shortcuts.value(0).first;
            state.preferredTrigger =
                shortcuts.value(0).second.value(QStringLiteral("preferred_trigger")).toString();
            respond(message, qdbus_cast<QVariantMap>(arguments.value(3)),
                    {{QStringLiteral("shortcuts"), QVariant::fromValue(bound())}});
        } else if (member == QStringLiteral("Close")) {
            ++state.closed;
            reply(message, {});
        } else {
            return false;
        }
        return true;
    }

    // Sent from any thread: the connection is thread-safe.
    void emitSignal(const QString& name, const QVariantList& arguments) {
        auto signal = QDBusMessage::createSignal(portalPath, shortcutsInterface, name);
        signal.setArguments(arguments);
        connection.send(signal);
    }
    Shortcuts bound() const {
        return {{id,
                 {{QStringLiteral("description"), QStringLiteral("")},
                  {QStringLiteral("trigger_description"), trigger}}}};
    }

    mutable std::mutex mutex;
    Seen state;
    QString trigger = QStringLiteral("Ctrl+Alt+Super+R");
    QString session;
    QString id;

private:
    void reply(const QDBusMessage& message, const QVariantList& arguments) {
        auto answer = message.createReply();
        answer.setArguments(arguments);
        connection.send(answer);
    }
    // The method's reply names the request; its Response follows.
    void respond(const QDBusMessage& message, const QVariantMap& options,
                 const QVariantMap& results) {
        const auto request = QStringLiteral("%1/request/%2/%3")
                                 .arg(portalPath, senderPart(message),
                                      options.value(QStringLiteral("handle_token")).toString());
        reply(message, {QVariant::fromValue(QDBusObjectPath(request))});
        auto response = QDBusMessage::createSignal(
            request, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
        response.setArguments({0u, results});
        connection.send(response);
    }

    QDBusConnection connection;
};

FakePortal::FakePortal(const QDBusConnection& connection)
    : connection(connection), object(std::make_unique<Object>(connection)) {
    qDBusRegisterMetaType<std::pair<QString, QVariantMap>>();
    qDBusRegisterMetaType<Shortcuts>();
    // Registered before it moves: the bus gives it a helper object that moves along with it.
    auto bus = connection;
    bus.registerVirtualObject(portalPath, object.get(), QDBusConnection::SubPath);
    thread.start();
    object->moveToThread(&thread);
    bus.interface()->registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
}

FakePortal::~FakePortal() {
    auto bus = connection;
    bus.interface()->unregisterService(QStringLiteral("org.freedesktop.portal.Desktop"));
    bus.unregisterObject(portalPath, QDBusConnection::UnregisterTree);
    // It goes on the thread it answered on.
    object.release()->deleteLater();
    thread.quit();
    thread.wait();
}

void FakePortal::chooseTrigger(const QString& description) {
    const std::lock_guard lock(object->mutex);
    object->trigger = description;
}

void FakePortal::press() {
    const std::lock_guard lock(object->mutex);
    object->emitSignal(QStringLiteral("Activated"),
                       {QVariant::fromValue(QDBusObjectPath(object->session)), object->id,
                        QVariant::fromValue(qulonglong(0)), QVariantMap()});
}

void FakePortal::changeTrigger(const QString& description) {
    const std::lock_guard lock(object->mutex);
    object->trigger = description;
    object->emitSignal(QStringLiteral("ShortcutsChanged"),
                       {QVariant::fromValue(QDBusObjectPath(object->session)),
                        QVariant::fromValue(object->bound())});
}

FakePortal::Seen FakePortal::seen() const {
    const std::lock_guard lock(object->mutex);
    return object->state;
}

} // namespace sonifix::testing
