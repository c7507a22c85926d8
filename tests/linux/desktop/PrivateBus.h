#pragma once

#include <QDBusConnection>
#include <QStringList>

namespace sonifix::testing {

// A test's own connections to the session bus, the private desktop's, each under a name so that
// one test can play several programs; closed when the object goes.
class PrivateBus {
public:
    PrivateBus() = default;
    ~PrivateBus() {
        for (const auto& name : names) {
            QDBusConnection::disconnectFromBus(name);
        }
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    QDBusConnection connect(const QString& name) {
        names.append(name);
        return QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
    }

private:
    QStringList names;
};

} // namespace sonifix::testing
