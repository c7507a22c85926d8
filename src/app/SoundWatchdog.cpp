#include "SoundWatchdog.h"

#include "Settings.h"

#include <algorithm>
#include <utility>

namespace sonifix {

namespace {

constexpr auto day = std::chrono::hours(24);
constexpr auto restartLabel = "Restart Sound";

} // namespace

SoundWatchdog::SoundWatchdog(Platform& platform, std::function<void()> restart,
                             std::function<std::optional<std::string>()> capturingApp)
    : platform(platform), restart(std::move(restart)), capturingApp(std::move(capturingApp)) {}

std::string SoundWatchdog::describe(const SoundTrouble& trouble) {
    switch (trouble.kind) {
    case SoundTrouble::Kind::hungServer:
        return "The sound server stopped answering";
    case SoundTrouble::Kind::crackle:
        return "Sound is crackling on " + trouble.device;
    case SoundTrouble::Kind::stalledGraph:
        return "Sound stopped on " + trouble.device;
    case SoundTrouble::Kind::stuckSessionManager:
        return "New sounds are not being played";
    }
    return {};
}

void SoundWatchdog::observe(const std::vector<SoundTrouble>& troubles) {
    const auto previous = std::exchange(current, troubles);
    for (const auto& trouble : troubles) {
        if (std::find(previous.begin(), previous.end(), trouble) == previous.end()) {
            troubleBegan(trouble);
        }
    }
    // A trouble that went away needs no restart after the call.
    if (postponed && postponed->trouble &&
        std::find(current.begin(), current.end(), *postponed->trouble) == current.end()) {
        postponed.reset();
    }
}

void SoundWatchdog::troubleBegan(const SoundTrouble& trouble) {
    const auto now = platform.clock.steadyNow();
    lastSeen.emplace(describe(trouble), platform.clock.now());
    if (cause == trouble && lastRestart && now - *lastRestart < notCuredWithin) {
        if (givenUp.insert(trouble.device).second) {
            sayNotCured(trouble);
        }
        return;
    }
    if (platform.settings.boolForKey(settings::restartWhenSoundBreaks) &&
        !givenUp.contains(trouble.device) && mayRestartAlone(now)) {
        restartAlone(trouble);
    } else {
        offer(trouble);
    }
}

bool SoundWatchdog::mayRestartAlone(Time now) {
    while (!ownRestarts.empty() && now - ownRestarts.front() >= day) {
        ownRestarts.pop_front();
    }
    return std::ssize(ownRestarts) < autoRestartsPerDay &&
           (ownRestarts.empty() || now - ownRestarts.back() >= autoRestartGap);
}

void SoundWatchdog::restartAlone(const std::optional<SoundTrouble>& trouble) {
    // A hung server has already cut the call: nothing can be heard until it is back.
    const bool hung = trouble && trouble->kind == SoundTrouble::Kind::hungServer;
    if (const auto app = capturingApp(); app && !hung) {
        postpone(trouble, *app);
        return;
    }
    postponed.reset();
    if (trouble) {
        ownRestarts.push_back(platform.clock.steadyNow());
        cause = trouble;
    }
    restart();
}

void SoundWatchdog::postpone(const std::optional<SoundTrouble>& trouble, const std::string& app) {
    postponed = Postponed{.trouble = trouble, .since = platform.clock.steadyNow()};
    notify({.title = "Restart postponed — " + app + " is using the microphone",
            .body = "The sound restarts " + std::to_string(afterCapture.count()) +
                    " seconds after the call ends.",
            .actions = {{restartNowAction, "Restart Now"}, {skipAction, "Skip"}}},
           [weak = weak_from_this()](const std::string& key) {
               const auto self = weak.lock();
               if (!self) {
                   return;
               }
               // The user asked for it: no call holds it back, nor does a trouble that passed.
               if (key == restartNowAction) {
                   self->postponed.reset();
                   self->restart();
               } else if (key == skipAction) {
                   self->postponed.reset();
               }
           });
}

void SoundWatchdog::captureEnded() {
    if (!postponed) {
        return;
    }
    platform.mainQueue.postAfter(afterCapture, [weak = weak_from_this()] {
        if (const auto self = weak.lock()) {
            self->runPostponed();
        }
    });
}

void SoundWatchdog::runPostponed() {
    // Another call may have begun meanwhile; it ends with a call of its own to captureEnded.
    if (!postponed || capturingApp()) {
        return;
    }
    const auto waiting = std::exchange(postponed, std::nullopt);
    if (!waiting->trouble &&
        platform.clock.steadyNow() - waiting->since >
            std::chrono::duration_cast<std::chrono::steady_clock::duration>(wakeRestartLimit)) {
        return;
    }
    restartAlone(waiting->trouble);
}

void SoundWatchdog::wakeRestart() {
    restartAlone(std::nullopt);
}

void SoundWatchdog::restarted() {
    lastRestart = platform.clock.steadyNow();
}

void SoundWatchdog::offer(const SoundTrouble& trouble) {
    notify({.title = describe(trouble),
            .body = "A restart of the sound usually cures it.",
            .actions = {{restartAction, restartLabel}}},
           [weak = weak_from_this(), trouble](const std::string& key) {
               const auto self = weak.lock();
               // The user asked: no call holds it back.
               if (self && key == restartAction) {
                   self->cause = trouble;
                   self->restart();
               }
           });
}

void SoundWatchdog::sayNotCured(const SoundTrouble& trouble) {
    const auto where = trouble.device.empty() ? std::string("the sound server") : trouble.device;
    notify({.title = describe(trouble) + " again",
            .body = "A restart did not cure it, so the cause is likely the driver or the device. "
                    "Sonifix no longer restarts on its own for " +
                    where + "."});
}

void SoundWatchdog::notify(Notifications::Notification notification,
                           Notifications::Handler handler) {
    if (platform.notifications && platform.notifications->available()) {
        platform.notifications->show(notification, std::move(handler));
    }
}

std::string SoundWatchdog::lastSeenText() {
    if (!lastSeen) {
        return "Nothing wrong seen with the sound";
    }
    return lastSeen->first + " · " +
           platform.relativeTime.describe(lastSeen->second, platform.clock.now());
}

} // namespace sonifix
