#include "AppDelegate.h"
#include "CommandLine.h"
#include "Foreground.h"
#include "Settings.h"

namespace sonifix {

namespace {

constexpr auto alreadyRunningTitle = "Sonifix is already running";

} // namespace

void AppDelegate::restartAndReport(std::function<void(const RestartResult&)> done) {
    if (restarting) {
        // A restart is under way: its outcome is this request's too.
        if (ending) {
            done(*ending);
        } else {
            waiting.push_back(std::move(done));
        }
        return;
    }
    waiting.push_back(std::move(done));
    restart();
}

AppStatus AppDelegate::status() {
    refreshTexts(); // the server serving now, by its name
    const auto output = devices.defaultDevice(false);
    const auto input = devices.defaultDevice(true);
    return {
        .server = texts.serverName,
        .pid = restarter.currentPID(),
        .output = output ? deviceText(*output) : "",
        .input = input ? deviceText(*input) : "",
        .lastRestart = defaults.dateForKey(settings::lastRestart),
        .lastRestartText = lastRestartText(),
        .restartCount = defaults.integerForKey(settings::restartCount),
    };
}

bool AppDelegate::launchedAgain() {
    if (oneCommand) {
        return false;
    }
    // After the caller has had its answer: the notice waits for the user.
    platform.mainQueue.post([weak = weak_from_this()] {
        if (const auto self = weak.lock()) {
            Foreground::runAlert(
                self->platform.workspace, self->platform.alerts,
                {.messageText = alreadyRunningTitle,
                 .informativeText = self->tray == Tray::shown
                                        ? self->texts.alreadyRunningText
                                        : self->texts.alreadyRunningWithoutTrayText + "\n\n" +
                                              self->restartWithoutTray(),
                 .showsAppIcon = true});
        }
    });
    return true;
}

void AppDelegate::observeRestarts(std::function<void()> restarted) {
    restartObserver = std::move(restarted);
}

void AppDelegate::serveOneCommand() {
    oneCommand = true;
    registerSettingDefaults();
}

void AppDelegate::openUrl(const std::string& url) {
    if (CommandLine::parseUrl(url) != CommandLine::Command::restart) {
        return; // opening the app is all any other link can do, and it is open
    }
    if (!launched) {
        restartWhenLaunched = true;
        return;
    }
    restartAfterThisEvent();
}

} // namespace sonifix
