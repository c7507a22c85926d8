#include "MediaPlayers.h"

#include <algorithm>

namespace sonifix {

std::vector<MediaPlayer> MediaPlayers::macOSPlayers() {
    return {{"com.apple.Music", "Music"}, {"com.spotify.client", "Spotify"}};
}

std::string MediaPlayers::statusScript(const std::string& name) {
    return "tell application \"" + name + "\" to return (player state as text)";
}

std::string MediaPlayers::resumeScript(const std::string& name) {
    return "tell application \"" + name + "\"\npause\ndelay 0.3\nplay\nend tell";
}

std::vector<std::string> MediaPlayers::currentlyPlaying() {
    std::vector<std::string> playing;
    for (const auto& player : players) {
        // A player that is not running is never sent a script: that would launch it.
        if (!host.isRunning(player)) {
            continue;
        }
        if (host.playerState(player, statusScript(player.name)) == "playing") {
            playing.push_back(player.name);
        }
    }
    return playing;
}

void MediaPlayers::kick(const std::vector<std::string>& names) {
    for (const auto& name : names) {
        const auto known = std::find_if(players.begin(), players.end(),
                                        [&](const MediaPlayer& p) { return p.name == name; });
        const auto player = known != players.end() ? *known : MediaPlayer{{}, name};
        host.resume(player, resumeScript(name));
    }
}

} // namespace sonifix
