#pragma once

#include "HotKeyHandlers.h"
#include "platform/HotKeys.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QObject>
#include <QVariantMap>
#include <map>
#include <optional>
#include <string>

namespace sonifix {

// The global shortcut on Wayland, through the desktop portal's GlobalShortcuts interface: each
// registration is a portal session with one shortcut that asks for the registered keys; the
// desktop binds it (perhaps after asking the user, who may pick other keys) and announces
// presses with Activated, which reach the handlers on the main thread. An app outside a sandbox
// first names itself to the portal by its desktop entry's id. Without the interface (Sway,
// GNOME before 48, no portal at all) nothing is available.
class PortalHotKeys final : public QObject, public HotKeys, protected QDBusContext {
    Q_OBJECT

public:
    // Carbon's statuses for what can go wrong here.
    static constexpr HotKeyStatus paramErr = -50;           // a key or modifier not named here
    static constexpr HotKeyStatus eventInternalErr = -9868; // no portal with global shortcuts

    explicit PortalHotKeys(std::string appId, QDBusConnection bus = QDBusConnection::sessionBus());
    ~PortalHotKeys() override;
    PortalHotKeys(const PortalHotKeys&) = delete;
    PortalHotKeys& operator=(const PortalHotKeys&) = delete;

    HotKeyStatus installHandler(HotKeyEventHandler handler, const EventTypeSpec& type,
                                void* userData, EventHandlerRef& handlerRef) override;
    // Knows the R key (Carbon key code 15) and Carbon's shift, control, option and command bits.
    HotKeyStatus registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers, const HotKeyID& id,
                                std::uint32_t options, HotKeyRef& hotKeyRef) override;
    HotKeyStatus unregisterHotKey(HotKeyRef hotKeyRef) override;
    HotKeyStatus removeHandler(EventHandlerRef handlerRef) override;
    // Asks the portal once, on first use, whether it has the interface.
    bool available() override;
    // What the desktop reports once the shortcut is bound; nothing while it is being bound.
    std::optional<std::string> triggerDescription(HotKeyRef hotKeyRef) override;

private Q_SLOTS:
    void response(uint code, const QVariantMap& results);
    void activated(const QDBusMessage& signal);
    void shortcutsChanged(const QDBusMessage& signal);

private:
    struct Binding {
        QString preferredTrigger;
        QString requestPath;   // the request whose Response is awaited; empty when none
        QString sessionHandle; // once the session exists
        std::optional<std::string> trigger;
    };

    // Calls a portal method, first listening for the Response of the request it starts.
    bool request(Binding& binding, const QString& interface, const QString& method,
                 QVariantList arguments, QVariantMap options);
    void bind(Binding& binding);
    void closeSession(const Binding& binding);
    Binding* bindingOf(const QString& path, QString Binding::*field);
    QString requestPath(const QString& token) const;
    QString nextToken();

    std::string appId;
    QDBusConnection bus;
    std::optional<bool> hasInterface;
    bool registered = false;
    std::map<std::uintptr_t, Binding> bindings;
    HotKeyHandlers handlers;
    std::uintptr_t nextRef = 1;
    unsigned tokens = 0;
};

} // namespace sonifix
