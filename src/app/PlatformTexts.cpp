#include "PlatformTexts.h"

#include "media/MediaPlayers.h"

namespace sonifix {

PlatformTexts PlatformTexts::macOS() {
    return {
        .serverName = "Core Audio",
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
        .welcomeInstructionsWithoutShortcut =
            "When your audio starts crackling or popping, click the speaker icon in the menu bar "
            "and choose Restart Core Audio.",
        .alreadyRunningText = "Its speaker icon is in the menu bar.",
        .audioSetupApplication = "/System/Applications/Utilities/Audio MIDI Setup.app",
        .players = MediaPlayers::macOSPlayers(),
    };
}

PlatformTexts PlatformTexts::forSoundServer(std::string_view serverName,
                                            std::vector<MediaPlayer> players,
                                            std::string_view currentDesktop) {
    const std::string server(serverName);
    return {
        .serverName = server,
        .restartTitle = "Restart " + server,
        .restartingTitle = "Restarting " + server + "…",
        .restartFailedTitle = "Couldn’t restart " + server,
        .resumePlayersTitle = "Resume Media Players After Restart",
        .keepMicrophoneTitle = "Keep the Built-in Microphone as Input",
        .hotKeyTitle = "Global Shortcut Ctrl+Alt+Super+R",
        .audioSetupTitle = "Open Sound Settings",
        .welcomeTitle = "Sonifix is in your system tray",
        .welcomeInstructions = "When your audio starts crackling or popping, click the speaker "
                               "icon in the system tray and choose Restart " +
                               server + ", or press Ctrl+Alt+Super+R from anywhere.",
        .welcomeInstructionsWithoutShortcut =
            "When your audio starts crackling or popping, click the speaker icon in the system "
            "tray and choose Restart " +
            server +
            ". This desktop gives apps no global shortcut: to have one, bind the command "
            "sonifix --restart to a key in the desktop’s keyboard settings.",
        .alreadyRunningText = "Its speaker icon is in the system tray.",
        .soundSettings = SoundSettings::forDesktop(currentDesktop),
        .players = std::move(players),
    };
}

} // namespace sonifix
