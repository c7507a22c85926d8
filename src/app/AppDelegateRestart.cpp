#include "AppDelegate.h"
#include "BackgroundTask.h"
#include "Foreground.h"
#include "Settings.h"
#include "support/ErrorText.h"
#include "support/TaskCancelled.h"

#include <cstdint>
#include <limits>
#include <utility>

namespace sonifix {

namespace {

constexpr auto idleSymbol = "hifispeaker";
constexpr auto busySymbol = "hourglass";
constexpr auto doneSymbol = "checkmark";
constexpr auto accessibilityDescription = "Sonifix";
constexpr auto restartedTitle = "Sound restarted";
constexpr auto quitDuringRestart = "Sonifix quit before the restart had ended.";

} // namespace

void AppDelegate::setIcon(const std::string& symbolName) {
    platform.statusItem.showSymbol(symbolName, accessibilityDescription);
}

void AppDelegate::flashIcon(const std::string& symbolName) {
    setIcon(symbolName);
    platform.mainQueue.postAfter(checkmarkTime, [weak = weak_from_this()] {
        // A restart accepted meanwhile owns the icon now.
        if (const auto self = weak.lock(); self && !self->restarting) {
            self->setIcon(idleSymbol);
        }
    });
}

void AppDelegate::restartFromMenu() {
    restart();
}

void AppDelegate::restart() {
    if (restarting) {
        return;
    }
    restarting = true;
    setIcon(busySymbol);
    if (serverWatch) {
        serverWatch->pause();
    }
    const bool resume = defaults.boolForKey(settings::resumePlayers);
    // Asked before the daemon is touched: afterwards nothing would be playing. A host that can
    // be asked from any thread is asked off the main one, since a player may be slow to answer.
    const bool playersOffMain = platform.players.worksOffMainThread();
    auto survey = resume && !playersOffMain ? players.survey() : MediaPlayers::Survey{};
    auto playing = std::move(survey.playing);

    auto self = shared_from_this();
    runInBackground<RestartOutcome>(
        platform.background, platform.mainQueue,
        [self, resume, playersOffMain, playing = std::move(playing)](StopToken stop) {
            RestartOutcome outcome{.usedAdministrator = false, .playing = playing};
            if (resume && playersOffMain) {
                outcome.playing = self->players.currentlyPlaying();
            }
            const auto chosen = self->restorer.remember();
            outcome.usedAdministrator = self->restarter.restart(stop);
            // Players resume on the devices they played on, so these come first.
            outcome.missing = self->restorer.restore(chosen, stop);
            return outcome;
        },
        [self](RestartOutcome outcome) { self->restartSucceeded(outcome); },
        [self](std::exception_ptr error) { self->restartFailed(error); });
    // Once the restart is under way: the alert holds the main thread until the user answers,
    // and the restart must not wait for that.
    explainScriptingRefusal(survey.denied);
    if (!survey.unasked.empty()) {
        askToScriptPlayers(std::move(survey.unasked));
    }
}

void AppDelegate::askToScriptPlayers(std::vector<MediaPlayer> unasked) {
    // The system's question holds the thread that asks until the user answers: on the main
    // thread it would freeze the menu in the middle of the restart. The players asked about are
    // left alone this time; from the next restart on, those allowed are resumed.
    platform.background.submit([weak = weak_from_this(), unasked = std::move(unasked),
                                &mainQueue = platform.mainQueue](StopToken) {
        const auto self = weak.lock();
        if (!self) {
            return;
        }
        if (auto denied = self->players.askPermission(unasked); !denied.empty()) {
            mainQueue.post([weak, denied = std::move(denied)] {
                if (const auto self = weak.lock()) {
                    self->explainScriptingRefusal(denied);
                }
            });
        }
    });
}

void AppDelegate::explainScriptingRefusal(const std::vector<std::string>& denied) {
    if (denied.empty() || defaults.boolForKey(settings::explainedScriptingRefusal)) {
        return;
    }
    defaults.setBool(settings::explainedScriptingRefusal, true);
    std::string names = denied.front();
    for (std::size_t i = 1; i < denied.size(); ++i) {
        names += (i + 1 == denied.size() ? " and " : ", ") + denied[i];
    }
    showFailure("Allow Sonifix to control " + names,
                "Sonifix pauses and plays " + names +
                    " after a restart, so that the music goes on. To let it, turn on " + names +
                    " under Sonifix in System Settings › Privacy & Security › Automation.");
}

void AppDelegate::restartSucceeded(const RestartOutcome& outcome) {
    defaults.setDate(settings::lastRestart, platform.clock.now());
    // A count read back from a damaged file may already be the largest there is.
    const auto count = defaults.integerForKey(settings::restartCount);
    defaults.setInteger(settings::restartCount,
                        count < std::numeric_limits<std::int64_t>::max() ? count + 1 : count);
    if (restartObserver) {
        restartObserver();
    }
    observeDevices();
    enforceMacMicrophone();
    if (watchdog) {
        watchdog->restarted();
        serverWatch->resume();
    }
    if (platform.players.worksOffMainThread()) {
        if (!outcome.playing.empty()) {
            platform.background.submit([self = shared_from_this(), playing = outcome.playing](
                                           StopToken) { self->players.kick(playing); });
        }
    } else {
        players.kick(outcome.playing);
    }
    flashIcon(doneSymbol);
    const auto missing = missingDevicesText(outcome.missing);
    // Callers hear the outcome before any question to the user holds the main thread.
    report({.succeeded = true, .message = missing});
    if (!missing.empty() && !oneCommand && platform.notifications &&
        platform.notifications->available()) {
        platform.notifications->show({.title = restartedTitle, .body = missing});
    }
    if (outcome.usedAdministrator && !oneCommand) {
        offerPasswordFreeOnce();
    }
    restarting = false;
    ending.reset();
}

std::string AppDelegate::missingDevicesText(const std::vector<std::string>& missing) {
    if (missing.empty()) {
        return {};
    }
    auto names = missing.front();
    for (std::size_t i = 1; i < missing.size(); ++i) {
        names += " and " + missing[i];
    }
    return names + " did not come back after the restart.";
}

void AppDelegate::restartFailed(const std::exception_ptr& error) {
    setIcon(idleSymbol);
    if (serverWatch) {
        serverWatch->resume();
    }
    refreshTexts();
    try {
        std::rethrow_exception(error);
    } catch (const CoreAudioRestarter::Failure& failure) {
        report({.succeeded = false, .message = failure.what()});
        if (failure.kind() != CoreAudioRestarter::Failure::Kind::cancelled && !oneCommand) {
            showFailure(texts.restartFailedTitle, failure.what());
        }
    } catch (const TaskCancelled&) {
        // The app is going away; only those who asked for the restart are told.
        report({.succeeded = false, .message = quitDuringRestart});
    } catch (...) {
        report({.succeeded = false, .message = errorText(error)});
        if (!oneCommand) {
            showFailure(texts.restartFailedTitle, errorText(error));
        }
    }
    restarting = false;
    ending.reset();
}

void AppDelegate::applicationWillTerminate() {
    // The outcome the stopped work posted is never handled now.
    if (!waiting.empty()) {
        report({.succeeded = false, .message = quitDuringRestart});
    }
}

void AppDelegate::report(const RestartResult& result) {
    ending = result;
    for (const auto& done : std::exchange(waiting, {})) {
        done(result);
    }
}

void AppDelegate::showFailure(const std::string& messageText, const std::string& informativeText) {
    Foreground::runAlert(platform.workspace, platform.alerts,
                         {.messageText = messageText, .informativeText = informativeText});
}

void AppDelegate::didWake() {
    if (!defaults.boolForKey(settings::restartOnWake)) {
        return;
    }
    // The setting is not read again: it was on when the computer woke.
    platform.mainQueue.postAfter(wakeDelay, [weak = weak_from_this()] {
        if (const auto self = weak.lock()) {
            // The watchdog holds it back while a call goes on.
            self->watchdog ? self->watchdog->wakeRestart() : self->restart();
        }
    });
}

std::string AppDelegate::lastRestartText() {
    const auto date = defaults.dateForKey(settings::lastRestart);
    if (!date) {
        return "Not restarted yet";
    }
    return "Last restart " + platform.relativeTime.describe(*date, platform.clock.now()) + " · " +
           std::to_string(defaults.integerForKey(settings::restartCount)) + " total";
}

} // namespace sonifix
