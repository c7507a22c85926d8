#include "AppDelegate.h"
#include "Foreground.h"

#include <string_view>

namespace sonifix {

namespace {

constexpr auto credits = "Made by Northfold · northfold.app\nhello@northfold.app";
constexpr auto loginFailureTitle = "Couldn’t change Open at Login";
constexpr auto moveFirstTitle = "Move Sonifix to Applications first";
constexpr auto moveFirstText =
    "Sonifix can open at login only from your Applications folder. Drag it there (out of the "
    "disk image, if it came in one), open it from there, and choose Open at Login again.";
constexpr auto approvalTitle = "Allow Sonifix to open at login";
constexpr auto approvalText =
    "macOS asks you to approve it first: turn Sonifix on under Login Items in System Settings.";

// An app in /Applications or in the user's own ~/Applications: a disk image, a build folder or
// a copy the system moved aside can open at login in no lasting way.
bool inFolder(const std::string& path, const std::string& folder) {
    if (path.starts_with(folder + "/")) {
        return true;
    }
    constexpr std::string_view users = "/Users/";
    if (!path.starts_with(users)) {
        return false;
    }
    const auto home = path.find('/', users.size());
    return home != std::string::npos && path.compare(home, folder.size() + 1, folder + "/") == 0;
}

} // namespace

bool AppDelegate::startsLinkBurst() {
    // Any web page can send the link, and as often as it likes; every link of a burst, however
    // long it goes on, counts towards its one restart.
    const auto now = platform.clock.steadyNow();
    const bool starts = !lastLink || now - *lastLink >= linkBurstGap;
    lastLink = now;
    return starts;
}

void AppDelegate::toggleLogin() {
    auto& loginItems = platform.loginItems;
    if (loginItems.status() == LoginItems::enabled) {
        if (const auto refusal = loginItems.unregisterApp()) {
            showFailure(loginFailureTitle, *refusal);
        }
        return;
    }
    if (!texts.loginItemFolder.empty() && !inFolder(loginItems.appPath(), texts.loginItemFolder)) {
        showFailure(moveFirstTitle, moveFirstText);
        return;
    }
    // Waiting for approval counts as off: registering again is what the user asked for. Where
    // the system then waits for the user, refused or not, the user is shown where to approve.
    const auto refusal = loginItems.registerApp();
    if (loginItems.status() == LoginItems::requiresApproval) {
        Foreground::showAlert(platform.workspace, platform.alerts,
                              {.messageText = approvalTitle,
                               .informativeText = approvalText,
                               .buttons = {"Open System Settings", "Cancel"}},
                              [&loginItems](const AlertResult& answer) {
                                  if (answer.response == Alerts::firstButton) {
                                      loginItems.openSystemSettingsLoginItems();
                                  }
                              });
        return;
    }
    if (refusal) {
        showFailure(loginFailureTitle, *refusal);
    }
}

void AppDelegate::showAbout() {
    Foreground::activate(platform.workspace);
    platform.workspace.showAboutPanel({.text = credits, .pointSize = 11});
}

void AppDelegate::openWebsite() {
    platform.workspace.openURL(std::string(EmailSignup::site));
}

void AppDelegate::openAudioMIDISetup() {
    if (!texts.audioSetupApplication.empty()) {
        platform.workspace.openApplication(texts.audioSetupApplication);
        return;
    }
    for (const auto& command : texts.soundSettings.candidates) {
        if (platform.launcher.startDetached({.program = command.front(), .arguments = command}) ==
            0) {
            return;
        }
    }
    showFailure(SoundSettings::failureTitle, texts.soundSettings.missingText);
}

void AppDelegate::showSignup() {
    signup.showSignup();
}

} // namespace sonifix
