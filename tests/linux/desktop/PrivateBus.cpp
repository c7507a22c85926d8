#include "PrivateBus.h"

#include <cstdlib>

namespace sonifix::testing {

PrivateBus::PrivateBus() {
    daemon = ChildProcess::start({"dbus-daemon", "--session", "--nofork", "--print-address=1"});
    const auto line = daemon ? daemon->readLine(std::chrono::seconds(10)) : std::nullopt;
    if (line && !line->empty()) {
        address = QString::fromStdString(*line);
    }
}

void PrivateBus::becomeSessionBus() const {
    // Without a bus of our own, none at all: a client that finds no address fails at once.
    ::setenv("DBUS_SESSION_BUS_ADDRESS", running() ? address.toUtf8().constData() : "disabled:", 1);
}

PrivateBus::~PrivateBus() {
    for (const auto& name : names) {
        QDBusConnection::disconnectFromBus(name);
    }
}

QDBusConnection PrivateBus::connect(const QString& name) {
    names.append(name);
    return QDBusConnection::connectToBus(address, name);
}

} // namespace sonifix::testing
