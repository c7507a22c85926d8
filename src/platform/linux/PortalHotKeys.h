#pragma once

#include "HotKeyHandlers.h"
#include "platform/HotKeys.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QTimer>
#include <QVariantMap>
#include <chrono>
#include <functional>
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
//
// Nothing here waits for the portal, which at login often starts after the app: calls are
// answered later, a portal that is not there yet or does not answer is asked again after a
// pause that grows, and when the portal's name changes hands (it restarted) the app names
// itself and makes its sessions again.
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
    // Fails only where a running portal has said it has no global shortcuts; otherwise the
    // shortcut is bound whenever a portal is ready for it.
    HotKeyStatus registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers, const HotKeyID& id,
                                std::uint32_t options, HotKeyRef& hotKeyRef) override;
    HotKeyStatus unregisterHotKey(HotKeyRef hotKeyRef) override;
    HotKeyStatus removeHandler(EventHandlerRef handlerRef) override;
    // False only once the portal has said it has no global shortcuts, or the bus that there is
    // no portal; true while that is not known yet. The first call asks the portal.
    bool available() override;
    // What the desktop reports once the shortcut is bound; nothing while it is being bound.
    std::optional<std::string> triggerDescription(HotKeyRef hotKeyRef) override;

private Q_SLOTS:
    void response(uint code, const QVariantMap& results);
    void portalChanged(const QString& name, const QString& oldOwner, const QString& newOwner);
    void activated(const QDBusMessage& signal);
    void shortcutsChanged(const QDBusMessage& signal);

private:
    struct Binding {
        QString preferredTrigger;
        QString requestPath;   // the request whose Response is awaited; empty when none
        QString sessionHandle; // once the session exists
        std::optional<std::string> trigger;
    };

    enum class Portal { unknown, asking, present, absent };

    // Takes the next step towards bound shortcuts: ask the portal what it has, name the app,
    // make the sessions that are missing.
    void advance();
    void probe();
    void registerApp();
    void retryLater();
    // Calls a portal method, first listening for the Response of the request it starts; a call
    // that fails is tried again later, or ends in `failed`.
    void request(std::uintptr_t ref, const QString& method, QVariantList arguments,
                 QVariantMap options, std::function<void(Binding&)> failed);
    void bind(std::uintptr_t ref);
    void closeSession(const Binding& binding);
    Binding* bindingOf(const QString& path, QString Binding::*field);
    QString requestPath(const QString& token) const;
    QString nextToken();
    // Runs `answered` with the reply once it comes, unless the portal has changed meanwhile.
    void whenAnswered(const QDBusMessage& call,
                      std::function<void(const QDBusMessage& reply)> answered);

    std::string appId;
    QDBusConnection bus;
    Portal portal = Portal::unknown;
    bool registered = false;
    bool registering = false;
    // Counts the portals seen: an answer from one that has gone since is dropped.
    unsigned generation = 0;
    QTimer retry;
    std::chrono::milliseconds retryDelay;
    QDBusServiceWatcher watcher;
    std::map<std::uintptr_t, Binding> bindings;
    HotKeyHandlers handlers;
    std::uintptr_t nextRef = 1;
    unsigned tokens = 0;
};

} // namespace sonifix
