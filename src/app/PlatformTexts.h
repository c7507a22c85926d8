#pragma once

#include <string>

namespace sonifix {

// The texts that name what differs between platforms: the daemon a restart cures, the
// shortcut, the players, the audio settings app. Everything else is the same everywhere.
struct PlatformTexts {
    std::string restartTitle;
    std::string restartingTitle;
    std::string restartFailedTitle;
    std::string resumePlayersTitle;
    std::string keepMicrophoneTitle;
    std::string hotKeyTitle;
    std::string audioSetupTitle;
    std::string welcomeTitle;
    std::string welcomeInstructions;

    // Not a text, but as platform-bound: what the audio settings item opens.
    std::string audioSetupApplication;

    static PlatformTexts macOS();
};

} // namespace sonifix
