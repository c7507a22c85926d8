#pragma once

#include <optional>
#include <string>

namespace sonifix {

struct MediaPlayer {
    std::string bundleIdentifier; // asked of the system to see whether the player runs
    std::string name;             // what the player is addressed by
};

// Talks to the media players. Each request carries its script in the platform's script language
// (AppleScript on macOS), built by the core; an adapter without that language carries out what
// the request names instead. Blocks while the player answers. Main thread only, unless the host
// says it works off the main thread. Never throws.
class MediaPlayerHost {
public:
    virtual ~MediaPlayerHost() = default;

    // Whether any thread may make the requests, so that players are asked without holding the
    // main thread.
    virtual bool worksOffMainThread() const { return false; }

    virtual bool isRunning(const MediaPlayer& player) = 0;

    // The player's state as text ("playing", "paused", ...); nothing when the script could not be
    // made, failed, or answered something that is not text.
    virtual std::optional<std::string> playerState(const MediaPlayer& player,
                                                   const std::string& script) = 0;

    // Pauses the player and plays again; the outcome is not reported.
    virtual void resume(const MediaPlayer& player, const std::string& script) = 0;

    // Whether the system lets the app script the player (macOS's Automation permission), in the
    // system's status codes: allowed, denied, not asked yet, or another failure (such as a player
    // that is not running). With `askUser` the system asks the user when it has not yet, and the
    // call blocks until they answer: never on the main thread then. A host whose players need no
    // permission allows them all.
    static constexpr int automationAllowed = 0;
    static constexpr int automationDenied = -1743;  // errAEEventNotPermitted
    static constexpr int automationUnasked = -1744; // errAEEventWouldRequireUserConsent
    virtual int automationPermission(const MediaPlayer& player, bool askUser) {
        (void)player;
        (void)askUser;
        return automationAllowed;
    }
};

} // namespace sonifix
