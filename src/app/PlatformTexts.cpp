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
    };
}

} // namespace sonifix
