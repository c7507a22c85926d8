#pragma once

#include <QDBusConnection>
#include <QObject>
#include <functional>

namespace sonifix {

// Tells the app that the computer woke: logind announces PrepareForSleep(true) before a
// suspend and PrepareForSleep(false) after it. The handler runs on the thread that made the
// watcher, for each wake, for as long as the watcher lives. Without a system bus (a container,
// a session without logind) it stays silent.
class LogindSleepWatcher final : public QObject {
    Q_OBJECT

public:
    explicit LogindSleepWatcher(std::function<void()> onWake,
                                QDBusConnection bus = QDBusConnection::systemBus());

private Q_SLOTS:
    void prepareForSleep(bool sleeping);

private:
    std::function<void()> onWake;
};

} // namespace sonifix
