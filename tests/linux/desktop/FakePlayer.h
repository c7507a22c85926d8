#pragma once

#include "PrivateBus.h"

#include <QDBusAbstractAdaptor>
#include <QObject>
#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace sonifix::testing {

// The player's name for people, on the interface every player has.
class FakePlayerRoot : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(QString Identity MEMBER identity)

public:
    FakePlayerRoot(QObject* player, QString identity)
        : QDBusAbstractAdaptor(player), identity(std::move(identity)) {}

private:
    QString identity;
};

// A media player as MPRIS describes one, on a connection of its own, served by the main thread's
// event loop: it answers while the loop turns and hangs while it does not.
class FakePlayer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)

public:
    using Clock = std::chrono::steady_clock;

    FakePlayer(PrivateBus& bus, const QString& name, QString status, const QString& identity = {})
        : status(std::move(status)) {
        new FakePlayerRoot(this,
                           identity.isEmpty() ? name.section(QLatin1Char('.'), 3, 3) : identity);
        auto connection = bus.connect(name);
        connection.registerObject(QStringLiteral("/org/mpris/MediaPlayer2"), this,
                                  QDBusConnection::ExportAllSlots |
                                      QDBusConnection::ExportAllProperties |
                                      QDBusConnection::ExportAdaptors);
        connection.registerService(name);
    }

    QString playbackStatus() const { return status; }
    std::vector<std::pair<std::string, Clock::time_point>> calls;

public Q_SLOTS:
    void Pause() { calls.emplace_back("Pause", Clock::now()); }
    void Play() { calls.emplace_back("Play", Clock::now()); }

private:
    const QString status;
};

} // namespace sonifix::testing
