#include "PortalHotKeys.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QList>
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

// A method call returns at once; the portal's answer comes later as a Response.
constexpr int callTimeoutMs = 5000;

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
    : appId(std::move(appId)), bus(std::move(bus)) {
    qDBusRegisterMetaType<std::pair<QString, QVariantMap>>();
    qDBusRegisterMetaType<Shortcuts>();
    this->bus.connect(portalService, portalPath, shortcutsInterface, QStringLiteral("Activated"),
                      this, SLOT(activated(QDBusMessage)));
    this->bus.connect(portalService, portalPath, shortcutsInterface,
                      QStringLiteral("ShortcutsChanged"), this,
                      SLOT(shortcutsChanged(QDBusMessage)));
}

PortalHotKeys::~PortalHotKeys() {
    for (const auto& [ref, binding] : bindings) {
        closeSession(binding);
    }
}

bool PortalHotKeys::available() {
    if (!hasInterface) {
        auto ask = QDBusMessage::createMethodCall(portalService, portalPath,
                                                  QStringLiteral("org.freedesktop.DBus.Properties"),
                                                  QStringLiteral("Get"));
        ask << shortcutsInterface << QStringLiteral("version");
        hasInterface = bus.isConnected() && bus.call(ask, QDBus::Block, callTimeoutMs).type() ==
                                                QDBusMessage::ReplyMessage;
    }
    return *hasInterface;
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
    if (!available()) {
        return eventInternalErr;
    }
    if (!registered) {
        // Portals from 1.19.4 on refuse sessions to an app outside a sandbox that has not said
        // which desktop entry it is; older ones do not know the call, which is no matter.
        auto registration = QDBusMessage::createMethodCall(
            portalService, portalPath, registryInterface, QStringLiteral("Register"));
        registration << QString::fromStdString(appId) << QVariantMap();
        bus.call(registration, QDBus::Block, callTimeoutMs);
        registered = true;
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

    const auto ref = nextRef++;
    auto& binding = bindings[ref];
    binding.preferredTrigger = trigger;
    if (!request(binding, shortcutsInterface, QStringLiteral("CreateSession"), {},
                 {{QStringLiteral("session_handle_token"), nextToken()}})) {
        bindings.erase(ref);
        return eventInternalErr;
    }
    hotKeyRef = reinterpret_cast<HotKeyRef>(ref);
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

bool PortalHotKeys::request(Binding& binding, const QString& interface, const QString& method,
                            QVariantList arguments, QVariantMap options) {
    const auto token = nextToken();
    options.insert(QStringLiteral("handle_token"), token);
    // Listening before calling: the answer may come before the call returns.
    const auto expected = requestPath(token);
    bus.connect(portalService, expected, requestInterface, QStringLiteral("Response"), this,
                SLOT(response(uint, QVariantMap)));
    auto call = QDBusMessage::createMethodCall(portalService, portalPath, interface, method);
    arguments.append(options);
    call.setArguments(arguments);
    const auto reply = bus.call(call, QDBus::Block, callTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        bus.disconnect(portalService, expected, requestInterface, QStringLiteral("Response"), this,
                       SLOT(response(uint, QVariantMap)));
        return false;
    }
    binding.requestPath = expected;
    // A portal older than handle tokens names its own request.
    const auto handle = reply.arguments().isEmpty() ? QString() : pathIn(reply.arguments()[0]);
    if (!handle.isEmpty() && handle != expected) {
        bus.disconnect(portalService, expected, requestInterface, QStringLiteral("Response"), this,
                       SLOT(response(uint, QVariantMap)));
        bus.connect(portalService, handle, requestInterface, QStringLiteral("Response"), this,
                    SLOT(response(uint, QVariantMap)));
        binding.requestPath = handle;
    }
    return true;
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
        bind(*binding);
        return;
    }
    binding->trigger = triggerIn(results.value(QStringLiteral("shortcuts")));
}

void PortalHotKeys::bind(Binding& binding) {
    const Shortcuts shortcuts{{shortcutId,
                               {{QStringLiteral("description"), shortcutDescription},
                                {QStringLiteral("preferred_trigger"), binding.preferredTrigger}}}};
    if (!request(binding, shortcutsInterface, QStringLiteral("BindShortcuts"),
                 {QVariant::fromValue(QDBusObjectPath(binding.sessionHandle)),
                  QVariant::fromValue(shortcuts), QString()},
                 {})) {
        binding.trigger = std::string();
    }
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
