#pragma once

#include "platform/MediaPlayerHost.h"

#include <QDBusConnection>
#include <QStringList>
#include <map>
#include <mutex>
#include <vector>

namespace sonifix {

// The media players of a Linux desktop, reached through MPRIS on the session bus. A player's
// bundle identifier is its bus name, as the player owns it or as the start of the names its
// instances own ("org.mpris.MediaPlayer2.firefox" for
// "org.mpris.MediaPlayer2.firefox.instance_1_8"). The scripts the core writes are AppleScript,
// which Linux has no use for: each request is carried out by the MPRIS calls it names instead.
class MprisMediaPlayerHost final : public MediaPlayerHost {
public:
    explicit MprisMediaPlayerHost(QDBusConnection bus = QDBusConnection::sessionBus());

    // The one entry that stands for every MPRIS player on the bus, whatever its name.
    static std::vector<MediaPlayer> everyPlayer();

    // QtDBus's blocking calls may be made from any thread.
    bool worksOffMainThread() const override { return true; }

    bool isRunning(const MediaPlayer& player) override;
    // "playing", "paused" or "stopped". With several instances, "playing" when any of them plays.
    std::optional<std::string> playerState(const MediaPlayer& player,
                                           const std::string& script) override;
    // Pause, 0.3 s, Play, to the instances that were playing when last asked (or to every
    // instance, for a player not asked before).
    void resume(const MediaPlayer& player, const std::string& script) override;

private:
    QStringList instances(const MediaPlayer& player);
    std::optional<QString> playbackStatus(const QString& service);
    void call(const QString& service, const QString& method);

    QDBusConnection bus;
    std::mutex mutex;
    // Per player, the instances that said they were playing the last time it was asked.
    std::map<std::string, QStringList> playingInstances;
};

} // namespace sonifix
