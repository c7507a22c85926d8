#include "MprisMediaPlayerHost.h"

#include <QDBusMessage>
#include <QDBusVariant>
#include <chrono>
#include <thread>

namespace sonifix {

namespace {

// Long enough for a busy player, short enough that one that hangs cannot freeze the menu.
constexpr int callTimeoutMs = 1000;

const QString objectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString playerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");

} // namespace

MprisMediaPlayerHost::MprisMediaPlayerHost(QDBusConnection bus) : bus(std::move(bus)) {}

std::vector<MediaPlayer> MprisMediaPlayerHost::everyPlayer() {
    // Every bus name a player owns starts so: one entry stands for all of them.
    return {{"org.mpris.MediaPlayer2", "Media players"}};
}

QStringList MprisMediaPlayerHost::instances(const MediaPlayer& player) {
    if (player.bundleIdentifier.empty() || !bus.isConnected()) {
        return {};
    }
    auto request = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("ListNames"));
    const auto reply = bus.call(request, QDBus::Block, callTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return {};
    }
    const auto name = QString::fromStdString(player.bundleIdentifier);
    const auto instancePrefix = name + QLatin1Char('.');
    QStringList found;
    for (const auto& registered : reply.arguments().constFirst().toStringList()) {
        if (registered == name || registered.startsWith(instancePrefix)) {
            found.append(registered);
        }
    }
    found.sort();
    return found;
}

std::optional<QString> MprisMediaPlayerHost::playbackStatus(const QString& service) {
    auto request = QDBusMessage::createMethodCall(service, objectPath,
                                                  QStringLiteral("org.freedesktop.DBus.Properties"),
                                                  QStringLiteral("Get"));
    request << playerInterface << QStringLiteral("PlaybackStatus");
    const auto reply = bus.call(request, QDBus::Block, callTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return std::nullopt;
    }
    const auto value = reply.arguments().constFirst().value<QDBusVariant>().variant();
    if (value.metaType().id() != QMetaType::QString) {
        return std::nullopt;
    }
    return value.toString();
}

void MprisMediaPlayerHost::call(const QString& service, const QString& method) {
    const auto request =
        QDBusMessage::createMethodCall(service, objectPath, playerInterface, method);
    bus.call(request, QDBus::Block, callTimeoutMs);
}

bool MprisMediaPlayerHost::isRunning(const MediaPlayer& player) {
    return !instances(player).isEmpty();
}

std::optional<std::string> MprisMediaPlayerHost::playerState(const MediaPlayer& player,
                                                             const std::string& /*script*/) {
    std::optional<std::string> state;
    QStringList playing;
    for (const auto& service : instances(player)) {
        const auto status = playbackStatus(service);
        if (!status) {
            continue;
        }
        // MPRIS capitalises what AppleScript's player state spells in lower case.
        const std::string text = *status == QLatin1String("Playing")   ? "playing"
                                 : *status == QLatin1String("Paused")  ? "paused"
                                 : *status == QLatin1String("Stopped") ? "stopped"
                                                                       : status->toStdString();
        if (text == "playing") {
            playing.append(service);
        }
        if (!state || text == "playing") {
            state = text;
        }
    }
    const std::lock_guard lock(mutex);
    playingInstances[player.bundleIdentifier] = playing;
    return state;
}

void MprisMediaPlayerHost::resume(const MediaPlayer& player, const std::string& /*script*/) {
    const auto running = instances(player);
    // An instance that was paused before the restart stays paused: Pause then Play would
    // start it.
    QStringList targets = running;
    {
        const std::lock_guard lock(mutex);
        const auto asked = playingInstances.find(player.bundleIdentifier);
        if (asked != playingInstances.end()) {
            targets.clear();
            for (const auto& service : asked->second) {
                if (running.contains(service)) {
                    targets.append(service);
                }
            }
            playingInstances.erase(asked);
        }
    }
    for (const auto& service : targets) {
        call(service, QStringLiteral("Pause"));
        // The same breath the macOS script takes between pause and play, so the player lets go
        // of its old stream before it opens a new one.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        call(service, QStringLiteral("Play"));
    }
}

} // namespace sonifix
