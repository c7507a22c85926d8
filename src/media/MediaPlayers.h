#pragma once

#include "platform/MediaPlayerHost.h"

#include <string>
#include <vector>

namespace sonifix {

// Which players are playing before a restart, and nudging them to play again after it. Never
// fails: a player that does not answer is left out, or left alone.
class MediaPlayers {
public:
    explicit MediaPlayers(MediaPlayerHost& host, std::vector<MediaPlayer> players = macOSPlayers())
        : host(host), players(std::move(players)) {}

    // Music, then Spotify.
    static std::vector<MediaPlayer> macOSPlayers();

    // The names of the running players that say they are playing, in table order.
    std::vector<std::string> currentlyPlaying();

    // Pauses and plays each named player, in the order given. It does not ask again whether
    // the player runs.
    void kick(const std::vector<std::string>& names);

    static std::string statusScript(const std::string& name);
    static std::string resumeScript(const std::string& name);

private:
    MediaPlayerHost& host;
    std::vector<MediaPlayer> players;
};

} // namespace sonifix
