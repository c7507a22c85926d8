#include "PlatformTexts.h"

#include "media/MediaPlayers.h"

#include <algorithm>
#include <cctype>

namespace sonifix {

namespace {

// XDG_CURRENT_DESKTOP is a colon-separated list, most specific first: "ubuntu:GNOME".
bool isDesktop(std::string_view currentDesktop, std::string_view name) {
    while (!currentDesktop.empty()) {
        const auto colon = currentDesktop.find(':');
        const auto entry = currentDesktop.substr(0, colon);
        if (std::equal(entry.begin(), entry.end(), name.begin(), name.end(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            })) {
            return true;
        }
        currentDesktop = colon == std::string_view::npos ? "" : currentDesktop.substr(colon + 1);
    }
    return false;
}

} // namespace

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
        .loginItemFolder = "/Applications",
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
        .noTrayTitle = "No system tray found",
        .noTrayAdvice =
            isDesktop(currentDesktop, "GNOME")
                ? "GNOME shows no tray icons by itself, so Sonifix has no icon yet. Install the "
                  "AppIndicator extension (the package gnome-shell-extension-appindicator) and "
                  "turn it on in Extensions: the speaker icon appears as soon as the tray does."
                : "This desktop shows no system tray, so Sonifix has no icon yet. Add a system "
                  "tray or status notifier area to its panel: the speaker icon appears as soon as "
                  "the tray does.",
        .welcomeTitleWithoutTray = "Sonifix is running",
        .restartWithoutTray = "When your audio starts crackling or popping, press "
                              "Ctrl+Alt+Super+R from anywhere, or run sonifix --restart.",
        .restartWithoutTrayOrShortcut =
            "When your audio starts crackling or popping, run sonifix --restart, or bind that "
            "command to a key in the desktop’s keyboard settings.",
        .alreadyRunningWithoutTrayText = "This desktop shows no system tray for its icon.",
        .soundSettings = SoundSettings::forDesktop(currentDesktop),
        .players = std::move(players),
    };
}

} // namespace sonifix
