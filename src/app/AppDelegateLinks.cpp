#include "AppDelegate.h"
#include "Foreground.h"

namespace sonifix {

namespace {

constexpr auto credits = "Made by Northfold · northfold.app\nhello@northfold.app";

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
    // Waiting for approval counts as off: registering again is what the user asked for.
    const auto refusal = platform.loginItems.status() == LoginItems::enabled
                             ? platform.loginItems.unregisterApp()
                             : platform.loginItems.registerApp();
    if (refusal) {
        showFailure("Couldn’t change Open at Login", *refusal);
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
