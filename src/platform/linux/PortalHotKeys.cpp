#include "PortalHotKeys.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QList>
#include <algorithm>
#include <utility>
#include <vector>

namespace sonifix {

namespace {

using Shortcuts = QList<std::pair<QString, QVariantMap>>;

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString sessionInterface = QStringLiteral("org.freedesktop.portal.Session");
const QString registryInterface = QStringLiteral("org.freedesktop.host.portal.Registry");
const QString shortcutId = QStringLiteral("restart");
// How the desktop's settings list the shortcut.
const QString shortcutDescription = QStringLiteral("Restart the sound server");

// A method call returns at once; the portal's answer comes later as a Response. A portal that
// is starting may take a while even so, and is then asked again, more and more seldom.
constexpr int callTimeoutMs = 10000;
constexpr std::chrono::milliseconds firstRetry{500};
constexpr std::chrono::milliseconds longestRetry{30000};

// The answers by which a portal says it has no global shortcuts, and the bus that there is no
// portal: anything else (no answer, a portal failing to start) may pass.
bool saysNo(const QDBusError& error) {
    switch (error.type()) {
    case QDBusError::ServiceUnknown:
    case QDBusError::UnknownObject:
    case QDBusError::UnknownInterface:
    case QDBusError::UnknownProperty:
    case QDBusError::InvalidArgs:
        return true;
    default:
        return false;
    }
}

constexpr std::uint32_t carbonKeyR = 15;
constexpr std::uint32_t carbonCmdKey = 0x0100;
constexpr std::uint32_t carbonShiftKey = 0x0200;
constexpr std::uint32_t carbonOptionKey = 0x0800;
constexpr std::uint32_t carbonControlKey = 0x1000;

QString pathIn(const QVariant& value) {
    return value.canConvert<QDBusObjectPath>() ? value.value<QDBusObjectPath>().path()
                                               : value.toString();
}

// Our shortcut's keys in a list of shortcuts as the portal sends it: empty when it has none.
std::string triggerIn(const QVariant& value) {
    for (const auto& [id, properties] : qdbus_cast<Shortcuts>(value)) {
        if (id == shortcutId) {
            return properties.value(QStringLiteral("trigger_description")).toString().toStdString();
        }
    }
    return {};
}

} // namespace

PortalHotKeys::PortalHotKeys(std::string appId, QDBusConnection bus)
    : appId(std::move(appId)), bus(std::move(bus)), retryDelay(firstRetry),
      watcher(portalService, this->bus, QDBusServiceWatcher::WatchForOwnerChange) {
    qDBusRegisterMetaType<std::pair<QString, QVariantMap>>();
    qDBusRegisterMetaType<Shortcuts>();
    this->bus.connect(portalService, portalPath, shortcutsInterface, QStringLiteral("Activated"),
                      this, SLOT(activated(QDBusMessage)));
    this->bus.connect(portalService, portalPath, shortcutsInterface,
                      QStringLiteral("ShortcutsChanged"), this,
                      SLOT(shortcutsChanged(QDBusMessage)));
    connect(&watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            &PortalHotKeys::portalChanged);
    retry.setSingleShot(true);
    connect(&retry, &QTimer::timeout, this, &PortalHotKeys::advance);
}

PortalHotKeys::~PortalHotKeys() {
    for (const auto& [ref, binding] : bindings) {
        closeSession(binding);
    }
}

bool PortalHotKeys::available() {
    // Asked on first use: a process that serves one command never wakes the portal.
    if (portal == Portal::unknown && !retry.isActive()) {
        probe();
    }
    return portal != Portal::absent;
}

void PortalHotKeys::whenAnswered(const QDBusMessage& call,
                                 std::function<void(const QDBusMessage& reply)> answered) {
    auto* pending = new QDBusPendingCallWatcher(bus.asyncCall(call, callTimeoutMs), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, answered = std::move(answered), asked = generation](auto* finished) {
                finished->deleteLater();
                if (asked == generation) {
                    answered(finished->reply());
                }
            });
}

void PortalHotKeys::retryLater() {
    if (!retry.isActive()) {
        retry.start(retryDelay);
        retryDelay = std::min(retryDelay * 2, longestRetry);
    }
}

void PortalHotKeys::advance() {
    if (portal != Portal::present) {
        probe();
    } else if (!registered) {
        registerApp();
    } else {
        for (const auto& [ref, binding] : bindings) {
            if (binding.sessionHandle.isEmpty() && binding.requestPath.isEmpty()) {
                request(ref, QStringLiteral("CreateSession"), {},
                        {{QStringLiteral("session_handle_token"), nextToken()}},
                        [](Binding& failed) { failed.trigger = std::string(); });
            }
        }
    }
}

void PortalHotKeys::probe() {
    if (portal == Portal::asking || !bus.isConnected()) {
        portal = bus.isConnected() ? portal : Portal::absent;
        return;
    }
    portal = Portal::asking;
    auto ask = QDBusMessage::createMethodCall(portalService, portalPath,
                                              QStringLiteral("org.freedesktop.DBus.Properties"),
                                              QStringLiteral("Get"));
    ask << shortcutsInterface << QStringLiteral("version");
    whenAnswered(ask, [this](const QDBusMessage& reply) {
        if (reply.type() == QDBusMessage::ReplyMessage) {
            portal = Portal::present;
            advance();
        } else if (saysNo(QDBusError(reply))) {
            // Said so: until another portal takes the name.
            portal = Portal::absent;
        } else {
            portal = Portal::unknown;
            retryLater();
        }
    });
}

void PortalHotKeys::registerApp() {
    if (registering) {
        return;
    }
    registering = true;
    // Portals from 1.19.4 on refuse sessions to an app outside a sandbox that has not said
    // which desktop entry it is; older ones do not know the call, which is no matter.
    auto registration = QDBusMessage::createMethodCall(portalService, portalPath, registryInterface,
                                                       QStringLiteral("Register"));
    registration << QString::fromStdString(appId) << QVariantMap();
    whenAnswered(registration, [this](const QDBusMessage& reply) {
        registering = false;
        const QDBusError error(reply);
        if (reply.type() != QDBusMessage::ReplyMessage &&
            (error.type() == QDBusError::NoReply || error.type() == QDBusError::Timeout ||
             error.type() == QDBusError::TimedOut)) {
            // A session made before the portal knows the app would be refused or misnamed.
            retryLater();
            return;
        }
        // Named, or a portal that names apps otherwise: its sessions say whether it minds.
        registered = true;
        retryDelay = firstRetry;
        advance();
    });
}

void PortalHotKeys::portalChanged(const QString& /*name*/, const QString& /*oldOwner*/,
                                  const QString& newOwner) {
    // Sessions, requests and the app's name die with the portal that had them.
    ++generation;
    for (auto& [ref, binding] : bindings) {
        if (!binding.requestPath.isEmpty()) {
            bus.disconnect(portalService, binding.requestPath, requestInterface,
                           QStringLiteral("Response"), this, SLOT(response(uint, QVariantMap)));
        }
        binding.requestPath.clear();
        binding.sessionHandle.clear();
        binding.trigger.reset();
    }
    registered = false;
    registering = false;
    portal = Portal::unknown;
    retry.stop();
    retryDelay = firstRetry;
    if (newOwner.isEmpty()) {
        // Gone: asked again in a moment, which starts it where the bus can.
        retryLater();
    } else {
        probe();
    }
}

HotKeyStatus PortalHotKeys::installHandler(HotKeyEventHandler handler,
                                           const EventTypeSpec& /*type*/, void* userData,
                                           EventHandlerRef& handlerRef) {
    return handlers.install(handler, userData, handlerRef);
}

HotKeyStatus PortalHotKeys::removeHandler(EventHandlerRef handlerRef) {
    return handlers.remove(handlerRef);
}

HotKeyStatus PortalHotKeys::registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                           const HotKeyID& /*id*/, std::uint32_t /*options*/,
                                           HotKeyRef& hotKeyRef) {
    const std::uint32_t known = carbonCmdKey | carbonShiftKey | carbonOptionKey | carbonControlKey;
    if (keyCode != carbonKeyR || (modifiers & ~known) != 0) {
        return paramErr;
    }
    if (portal == Portal::absent && bus.isConnected() &&
        bus.interface()->isServiceRegistered(portalService)) {
        return eventInternalErr;
    }

    // The portal's notation for keys: capitalised modifiers joined by '+', then the key.
    QString trigger;
    if (modifiers & carbonControlKey) {
        trigger += QStringLiteral("CTRL+");
    }
    if (modifiers & carbonOptionKey) {
        trigger += QStringLiteral("ALT+");
    }
    if (modifiers & carbonShiftKey) {
        trigger += QStringLiteral("SHIFT+");
    }
    if (modifiers & carbonCmdKey) {
        trigger += QStringLiteral("LOGO+");
    }
    trigger += QStringLiteral("r");

    // Bound as soon as the portal is ready, and again whenever it comes back.
    const auto ref = nextRef++;
    bindings[ref].preferredTrigger = trigger;
    hotKeyRef = reinterpret_cast<HotKeyRef>(ref);
    advance();
    return 0;
}

HotKeyStatus PortalHotKeys::unregisterHotKey(HotKeyRef hotKeyRef) {
    const auto found = bindings.find(reinterpret_cast<std::uintptr_t>(hotKeyRef));
    if (found == bindings.end()) {
        return paramErr;
    }
    closeSession(found->second);
    bindings.erase(found);
    return 0;
}

std::optional<std::string> PortalHotKeys::triggerDescription(HotKeyRef hotKeyRef) {
    const auto found = bindings.find(reinterpret_cast<std::uintptr_t>(hotKeyRef));
    return found == bindings.end() ? std::nullopt : found->second.trigger;
}

void PortalHotKeys::request(std::uintptr_t ref, const QString& method, QVariantList arguments,
                            QVariantMap options, std::function<void(Binding&)> failed) {
    auto& binding = bindings.at(ref);
    const auto token = nextToken();
    options.insert(QStringLiteral("handle_token"), token);
    // Listening before calling: the answer may come before the call returns.
    const auto expected = requestPath(token);
    bus.connect(portalService, expected, requestInterface, QStringLiteral("Response"), this,
                SLOT(response(uint, QVariantMap)));
    binding.requestPath = expected;
    auto call =
        QDBusMessage::createMethodCall(portalService, portalPath, shortcutsInterface, method);
    arguments.append(options);
    call.setArguments(arguments);
    whenAnswered(
        call, [this, ref, expected, failed = std::move(failed)](const QDBusMessage& reply) {
            const auto found = bindings.find(ref);
            if (found == bindings.end() || found->second.requestPath != expected) {
                return; // unregistered meanwhile, or answered already
            }
            auto& binding = found->second;
            // A portal older than handle tokens names its own request.
            const auto handle =
                reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
                    ? pathIn(reply.arguments()[0])
                    : QString();
            if (reply.type() == QDBusMessage::ReplyMessage &&
                (handle.isEmpty() || handle == expected)) {
                return;
            }
            bus.disconnect(portalService, expected, requestInterface, QStringLiteral("Response"),
                           this, SLOT(response(uint, QVariantMap)));
            binding.requestPath.clear();
            if (reply.type() == QDBusMessage::ReplyMessage) {
                bus.connect(portalService, handle, requestInterface, QStringLiteral("Response"),
                            this, SLOT(response(uint, QVariantMap)));
                binding.requestPath = handle;
            } else if (saysNo(QDBusError(reply))) {
                failed(binding);
            } else {
                retryLater();
            }
        });
}

void PortalHotKeys::response(uint code, const QVariantMap& results) {
    const auto path = message().path();
    bus.disconnect(portalService, path, requestInterface, QStringLiteral("Response"), this,
                   SLOT(response(uint, QVariantMap)));
    auto* binding = bindingOf(path, &Binding::requestPath);
    if (!binding) {
        // Unregistered while the session was being made: it goes at once.
        if (const auto session = pathIn(results.value(QStringLiteral("session_handle")));
            !session.isEmpty()) {
            closeSession({.sessionHandle = session});
        }
        return;
    }
    binding->requestPath.clear();
    if (code != 0) {
        // Refused by the user (1) or failed (2): bound to no keys.
        binding->trigger = std::string();
        return;
    }
    if (binding->sessionHandle.isEmpty()) {
        binding->sessionHandle = pathIn(results.value(QStringLiteral("session_handle")));
        for (const auto& [ref, each] : bindings) {
            if (&each == binding) {
                bind(ref);
                break;
            }
        }
        return;
    }
    retryDelay = firstRetry;
    binding->trigger = triggerIn(results.value(QStringLiteral("shortcuts")));
}

void PortalHotKeys::bind(std::uintptr_t ref) {
    const auto& binding = bindings.at(ref);
    const Shortcuts shortcuts{{shortcutId,
                               {{QStringLiteral("description"), shortcutDescription},
                                {QStringLiteral("preferred_trigger"), binding.preferredTrigger}}}};
    request(ref, QStringLiteral("BindShortcuts"),
            {QVariant::fromValue(QDBusObjectPath(binding.sessionHandle)),
             QVariant::fromValue(shortcuts), QString()},
            {}, [](Binding& failed) { failed.trigger = std::string(); });
}

void PortalHotKeys::activated(const QDBusMessage& signal) {
    // (session handle, shortcut id, timestamp, options)
    const auto arguments = signal.arguments();
    if (arguments.size() < 2 || arguments[1].toString() != shortcutId ||
        !bindingOf(pathIn(arguments[0]), &Binding::sessionHandle)) {
        return;
    }
    handlers.pressed();
}

void PortalHotKeys::shortcutsChanged(const QDBusMessage& signal) {
    // (session handle, shortcuts)
    const auto arguments = signal.arguments();
    if (arguments.size() < 2) {
        return;
    }
    if (auto* binding = bindingOf(pathIn(arguments[0]), &Binding::sessionHandle)) {
        binding->trigger = triggerIn(arguments[1]);
    }
}

void PortalHotKeys::closeSession(const Binding& binding) {
    if (binding.sessionHandle.isEmpty()) {
        return;
    }
    bus.asyncCall(QDBusMessage::createMethodCall(portalService, binding.sessionHandle,
                                                 sessionInterface, QStringLiteral("Close")));
}

PortalHotKeys::Binding* PortalHotKeys::bindingOf(const QString& path, QString Binding::*field) {
    if (path.isEmpty()) {
        return nullptr;
    }
    for (auto& [ref, binding] : bindings) {
        if (binding.*field == path) {
            return &binding;
        }
    }
    return nullptr;
}

QString PortalHotKeys::requestPath(const QString& token) const {
    // The portal's rule: the caller's unique name without its colon, dots made underscores.
    auto sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
}

QString PortalHotKeys::nextToken() {
    return QStringLiteral("sonifix%1").arg(++tokens);
}

} // namespace sonifix
