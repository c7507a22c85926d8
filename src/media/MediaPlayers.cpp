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

MediaPlayers::Survey MediaPlayers::survey() {
    Survey found;
    for (const auto& player : players) {
        // A player that is not running is never sent a script: that would launch it.
        if (!host.isRunning(player)) {
            continue;
        }
        // Any other answer (the player quit meanwhile, the system could not tell) leaves the
        // script to find out, as before there was a permission to ask about.
        const int permission = host.automationPermission(player, false);
        if (permission == MediaPlayerHost::automationUnasked) {
            found.unasked.push_back(player);
        } else if (permission == MediaPlayerHost::automationDenied) {
            found.denied.push_back(player.name);
        } else if (host.playerState(player, statusScript(player.name)) == "playing") {
            found.playing.push_back(player.name);
        }
    }
    return found;
}

std::vector<std::string> MediaPlayers::askPermission(const std::vector<MediaPlayer>& unasked) {
    std::vector<std::string> denied;
    for (const auto& player : unasked) {
        if (host.automationPermission(player, true) == MediaPlayerHost::automationDenied) {
            denied.push_back(player.name);
        }
    }
    return denied;
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
