#include "PlatformTexts.h"

namespace sonifix {

PlatformTexts PlatformTexts::macOS() {
    return {
        .restartTitle = "Restart Core Audio",
        .restartingTitle = "Restarting Core Audio…",
        .restartFailedTitle = "Couldn’t restart Core Audio",
        .resumePlayersTitle = "Resume Music & Spotify After Restart",
        .keepMicrophoneTitle = "Keep the Mac’s Microphone as Input",
        .hotKeyTitle = "Global Shortcut ⌃⌥⌘R",
        .audioSetupTitle = "Open Audio MIDI Setup",
        .welcomeTitle = "Sonifix is in your menu bar",
        .welcomeInstructions =
            "When your audio starts crackling or popping, click the speaker icon in the menu bar "
            "and choose Restart Core Audio, or press Control-Option-Command-R from anywhere.",
        .audioSetupApplication = "/System/Applications/Utilities/Audio MIDI Setup.app",
    };
}

} // namespace sonifix
