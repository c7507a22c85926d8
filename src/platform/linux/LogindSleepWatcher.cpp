#include "LogindSleepWatcher.h"

namespace sonifix {

LogindSleepWatcher::LogindSleepWatcher(std::function<void()> onWake, QDBusConnection bus)
    : onWake(std::move(onWake)) {
    if (!bus.isConnected()) {
        return;
    }
    // Matched on logind's well-known name, so another client cannot fake a wake.
    bus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"),
                this, SLOT(prepareForSleep(bool)));
}

void LogindSleepWatcher::prepareForSleep(bool sleeping) {
    if (!sleeping && onWake) {
        onWake();
    }
}

} // namespace sonifix
