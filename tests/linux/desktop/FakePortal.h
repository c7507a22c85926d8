#pragma once

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QString>
#include <QThread>
#include <memory>
#include <mutex>

namespace sonifix::testing {

// A stand-in for the desktop portal's GlobalShortcuts on a private bus, as KDE's or GNOME's
// behaves: an app registers its id, makes a session, binds its shortcut and hears Activated.
// It answers on a thread of its own, so the app's blocking calls from the main thread reach it.
class FakePortal {
public:
    // Takes the portal's name on the bus that `connection` belongs to.
    explicit FakePortal(const QDBusConnection& connection);
    ~FakePortal();
    FakePortal(const FakePortal&) = delete;
    FakePortal& operator=(const FakePortal&) = delete;

    // The keys the desktop reports for the bound shortcut (the user's choice).
    void chooseTrigger(const QString& description);
    // The user presses the bound shortcut; or changes its keys in the desktop's settings.
    void press();
    void changeTrigger(const QString& description);

    struct Seen {
        QString registeredAppId;
        bool sessionBeforeRegistration = false;
        QString preferredTrigger;
        int sessions = 0;
        int closed = 0;
    };
    Seen seen() const;

private:
    class Object;

    QDBusConnection connection;
    QThread thread;
    std::unique_ptr<Object> object;
};

} // namespace sonifix::testing
