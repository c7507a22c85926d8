#include "MprisMediaPlayerHost.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QFile>
#include <algorithm>
#include <chrono>
#include <set>
#include <thread>

namespace sonifix {

namespace {

// Long enough for a busy player, short enough that one that hangs cannot freeze the menu.
constexpr int callTimeoutMs = 1000;

const QString objectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString playerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString busPrefix = QStringLiteral("org.mpris.MediaPlayer2.");

// Players that are not on this computer, or not players of their own: KDE Connect and GSConnect
// show a phone's player, and playerctld proxies whichever player was active last (which is
// asked itself). Nudging them would stop and start a phone's music for a fix of this computer's
// sound, or nudge a local player twice. Found by the bus name's first part or by the Identity
// the bridge gives its players.
const QStringList remoteNames = {QStringLiteral("kdeconnect"), QStringLiteral("gsconnect"),
                                 QStringLiteral("playerctld")};
const QStringList remoteIdentities = {QStringLiteral("KDE Connect"), QStringLiteral("GSConnect"),
                                      QStringLiteral("playerctld")};

// The parent of a process, as the kernel tells it; 0 when it cannot be read.
std::int32_t parentOf(std::int32_t pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return 0;
    }
    // "pid (name) state ppid …": the name may hold anything, so the fields after its last ')'.
    const auto line = QString::fromUtf8(stat.readAll());
    return line.mid(line.lastIndexOf(QLatin1Char(')')) + 2).section(QLatin1Char(' '), 1, 1).toInt();
}

} // namespace

MprisMediaPlayerHost::MprisMediaPlayerHost(QDBusConnection bus, StreamProcesses streamProcesses)
    : bus(std::move(bus)), streamProcesses(std::move(streamProcesses)) {}

bool MprisMediaPlayerHost::remote(const QString& service) {
    const auto first = service.mid(busPrefix.size()).section(QLatin1Char('.'), 0, 0);
    if (remoteNames.contains(first, Qt::CaseInsensitive)) {
        return true;
    }
    auto request = QDBusMessage::createMethodCall(service, objectPath,
                                                  QStringLiteral("org.freedesktop.DBus.Properties"),
                                                  QStringLiteral("Get"));
    request << QStringLiteral("org.mpris.MediaPlayer2") << QStringLiteral("Identity");
    const auto reply = bus.call(request, QDBus::Block, callTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return false;
    }
    const auto identity = reply.arguments().constFirst().value<QDBusVariant>().variant().toString();
    return std::any_of(remoteIdentities.begin(), remoteIdentities.end(), [&](const QString& mark) {
        return identity.contains(mark, Qt::CaseInsensitive);
    });
}

QStringList MprisMediaPlayerHost::withStreams(const QStringList& services) {
    const auto streams = streamProcesses ? streamProcesses() : std::nullopt;
    if (!streams || streams->empty()) {
        return {};
    }
    // A stream's process, its parent or grandparent: browsers play from a helper process of
    // the one that speaks MPRIS. No further, where a shell or the service manager would be.
    std::set<std::int32_t> playing;
    for (auto pid : *streams) {
        for (int depth = 0; pid > 1 && depth < 3 && playing.insert(pid).second; ++depth) {
            pid = parentOf(pid);
        }
    }
    QStringList found;
    for (const auto& service : services) {
        if (!bus.interface()) {
            break;
        }
        const auto owner = bus.interface()->servicePid(service);
        if (owner.isValid() && playing.contains(std::int32_t(owner.value()))) {
            found.append(service);
        }
    }
    return found;
}

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
        // Only a playing one is asked what it is: a hung player costs one time-out, not two.
        if (!status || (*status == QLatin1String("Playing") && remote(service))) {
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
    // Where some of them play through this server, those are the ones a restart interrupted.
    if (const auto streaming = withStreams(playing); !streaming.isEmpty()) {
        playing = streaming;
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
        } else {
            targets.removeIf([this](const QString& service) { return remote(service); });
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
