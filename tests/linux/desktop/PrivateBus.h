#pragma once

#include "ChildProcess.h"

#include <QDBusConnection>
#include <QString>
#include <memory>
#include <optional>

namespace sonifix::testing {

// A D-Bus daemon of the test's own, so that nothing on the machine's buses is touched or
// relied on; stopped when the object goes.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool running() const { return !address.isEmpty(); }
    // Where clients connect, as DBUS_SESSION_BUS_ADDRESS names a bus.
    const QString& busAddress() const { return address; }

    // Makes this bus the process's session bus, for everything started or connected after:
    // the app under test and its helpers then never see the caller's own bus.
    void becomeSessionBus() const;

    // A new client connection to the bus under the given connection name.
    QDBusConnection connect(const QString& name);

private:
    std::unique_ptr<ChildProcess> daemon;
    QString address;
    QStringList names;
};

} // namespace sonifix::testing
