#pragma once

#include "platform/MediaPlayerHost.h"

#include <QDBusConnection>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace sonifix {

// The media players of a Linux desktop, reached through MPRIS on the session bus. A player's
// bundle identifier is its bus name, as the player owns it or as the start of the names its
// instances own ("org.mpris.MediaPlayer2.firefox" for
// "org.mpris.MediaPlayer2.firefox.instance_1_8"). The scripts the core writes are AppleScript,
// which Linux has no use for: each request is carried out by the MPRIS calls it names instead.
class MprisMediaPlayerHost final : public MediaPlayerHost {
public:
    // The process IDs of the programs that play through this computer's sound server now;
    // nothing when that is not known.
    using StreamProcesses = std::function<std::optional<std::vector<std::int32_t>>()>;

    explicit MprisMediaPlayerHost(QDBusConnection bus = QDBusConnection::sessionBus(),
                                  StreamProcesses streamProcesses = {});

    // The one entry that stands for every MPRIS player on the bus, whatever its name.
    static std::vector<MediaPlayer> everyPlayer();

    // QtDBus's blocking calls may be made from any thread.
    bool worksOffMainThread() const override { return true; }

    bool isRunning(const MediaPlayer& player) override;
    // "playing", "paused" or "stopped". With several instances, "playing" when any of them plays.
    // Players that play on another device or stand in for another player are no instances.
    std::optional<std::string> playerState(const MediaPlayer& player,
                                           const std::string& script) override;
    // Pause, 0.3 s, Play, to the instances that were playing when last asked (or to every
    // instance, for a player not asked before).
    void resume(const MediaPlayer& player, const std::string& script) override;

private:
    QStringList instances(const MediaPlayer& player);
    bool remote(const QString& service);
    QStringList withStreams(const QStringList& services);
    std::optional<QString> playbackStatus(const QString& service);
    void call(const QString& service, const QString& method);

    QDBusConnection bus;
    StreamProcesses streamProcesses;
    std::mutex mutex;
    // Per player, the instances that said they were playing the last time it was asked.
    std::map<std::string, QStringList> playingInstances;
};

} // namespace sonifix
