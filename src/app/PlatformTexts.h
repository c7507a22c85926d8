#pragma once

#include "SoundSettings.h"
#include "platform/MediaPlayerHost.h"

#include <string>
#include <string_view>
#include <vector>

namespace sonifix {

// The texts that name what differs between platforms: the daemon a restart cures, the
// shortcut, the players, the audio settings app. Everything else is the same everywhere.
struct PlatformTexts {
    std::string serverName;
    std::string restartTitle;
    std::string restartingTitle;
    std::string restartFailedTitle;
    std::string resumePlayersTitle;
    std::string keepMicrophoneTitle;
    std::string hotKeyTitle;
    std::string audioSetupTitle;
    std::string welcomeTitle;
    std::string welcomeInstructions;
    std::string welcomeInstructionsWithoutShortcut;
    std::string alreadyRunningText;
    // Where a desktop may have no tray: what the app says then, and how to restart without it.
    std::string noTrayTitle;
    std::string noTrayAdvice; // what to install or turn on for a tray
    std::string welcomeTitleWithoutTray;
    std::string restartWithoutTray;
    std::string restartWithoutTrayOrShortcut;
    std::string alreadyRunningWithoutTrayText;

    // Not texts, but as platform-bound: what the audio settings item opens (the application at
    // a path, or else the first sound settings program that starts), and the players asked
    // before a restart, in the order they are asked.
    std::string audioSetupApplication;
    SoundSettings soundSettings;
    std::vector<MediaPlayer> players;
    // The folder the app must be in (directly, or in the user's home) to open at login; none
    // where it may be anywhere.
    std::string loginItemFolder;

    static PlatformTexts macOS();
    // A Linux desktop whose sound server is `serverName` ("PipeWire", "PulseAudio"), named by
    // XDG_CURRENT_DESKTOP as `currentDesktop`.
    static PlatformTexts forSoundServer(std::string_view serverName,
                                        std::vector<MediaPlayer> players,
                                        std::string_view currentDesktop = {});
};

} // namespace sonifix
