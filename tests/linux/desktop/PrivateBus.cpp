#include "PrivateBus.h"

namespace sonifix::testing {

PrivateBus::PrivateBus() {
    daemon = ChildProcess::start({"dbus-daemon", "--session", "--nofork", "--print-address=1"});
    const auto line = daemon ? daemon->readLine(std::chrono::seconds(10)) : std::nullopt;
    if (line && !line->empty()) {
        address = QString::fromStdString(*line);
    }
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
