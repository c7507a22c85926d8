#pragma once

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QStringList>
#include <QThread>
#include <chrono>
#include <memory>
#include <mutex>

namespace sonifix::testing {

// A stand-in for the desktop portal's GlobalShortcuts on a private bus, as KDE's or GNOME's
// behaves: an app registers its id, makes a session, binds its shortcut and hears Activated.
// It answers on a thread of its own, so the app's blocking calls from the main thread reach it.
class FakePortal {
public:
    // Takes the portal's name on the bus that `connection` belongs to. A portal still starting,
    // as at login, answers its first call only after `firstAnswerAfter`.
    explicit FakePortal(const QDBusConnection& connection,
                        std::chrono::milliseconds firstAnswerAfter = {});
    ~FakePortal();

    // The keys the user gives the shortcut: reported for the session there is, if any, and
    // for every binding from now on.
    void chooseTrigger(const QString& description);
    void press();

    // The portal's methods in the order they were called, with the app id a registration gives
    // and the keys a binding prefers: "Register sonifix", "BindShortcuts CTRL+ALT+LOGO+r".
    QStringList calls() const;

private:
    class Object;

    QThread thread;
    std::unique_ptr<Object> object;
};

} // namespace sonifix::testing
