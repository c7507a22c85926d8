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
    std::vector<std::string> currentlyPlaying() { return survey().playing; }

    // The same, asking only players the system lets the app script, without ever making the
    // system ask the user (which would hold the calling thread until they answer); and the
    // running players it may not script, or must ask about first.
    struct Survey {
        std::vector<std::string> playing;
        std::vector<MediaPlayer> unasked;
        std::vector<std::string> denied;
    };
    Survey survey();

    // Has the system ask the user, for each player it has not asked about yet, whether the app
    // may script it. Blocks until they answer: never on the main thread. The names of those the
    // user refused.
    std::vector<std::string> askPermission(const std::vector<MediaPlayer>& unasked);

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
