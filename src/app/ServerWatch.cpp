#include "ServerWatch.h"

#include "platform/AudioProperties.h"

namespace sonifix {

namespace props = audio_properties;

ServerWatch::ServerWatch(Platform& platform, SoundServerProbe& probe, Seen seen,
                         std::function<void()> inputChanged)
    : platform(platform), probe(probe), seen(std::move(seen)),
      inputChanged(std::move(inputChanged)), devices(platform.hardware), detector(platform.clock) {}

ServerWatch::~ServerWatch() {
    stopProbing();
    for (const auto* watched : {&output, &input}) {
        if (watched->listener) {
            platform.hardware.removePropertyListener(
                watched->id, props::global(props::deviceIsRunningSomewhere), watched->listener);
        }
    }
}

void ServerWatch::start() {
    devices.observeDefaultDeviceChanges([weak = weak_from_this()] {
        if (const auto self = weak.lock()) {
            self->defaultsChanged();
        }
    });
    defaultsChanged();
}

void ServerWatch::defaultsChanged() {
    watch(output, false);
    watch(input, true);
    update();
}

void ServerWatch::watch(Watched& watched, bool isInput) {
    const auto address = props::global(props::deviceIsRunningSomewhere);
    const auto current = devices.defaultDevice(isInput);
    const auto id = current ? current->id : noAudioObject;
    if (id == watched.id && watched.listener) {
        return;
    }
    if (watched.listener) {
        platform.hardware.removePropertyListener(watched.id, address, watched.listener);
        watched.listener.reset();
    }
    watched.id = id;
    auto listener =
        std::make_shared<const std::function<void()>>([weak = weak_from_this(), isInput] {
            if (const auto self = weak.lock()) {
                isInput ? self->inputChanged() : self->update();
            }
        });
    if (id != noAudioObject && platform.hardware.addPropertyListener(id, address, listener) == 0) {
        watched.listener = std::move(listener);
    }
}

bool ServerWatch::inputRunning() {
    return input.id != noAudioObject && devices.isRunningSomewhere(input.id).value_or(false);
}

void ServerWatch::update() {
    // A server that does not answer keeps the state it had: a hung one is still watched.
    const auto running =
        output.id == noAudioObject ? std::optional(false) : devices.isRunningSomewhere(output.id);
    if (!running) {
        return;
    }
    if (!*running || paused) {
        stopProbing();
        return;
    }
    if (stop) {
        return;
    }
    stop.emplace();
    detector.probeAnswered();
    platform.background.submit([token = stop->token(), weak = weak_from_this(), &probe = probe,
                                &mainQueue = platform.mainQueue, &sleeper = platform.sleeper,
                                &clock = platform.clock](StopToken ending) {
        // Stopped when nothing plays any more, or when the app ends.
        while (!token.stopRequested() && !ending.stopRequested()) {
            const auto asked = clock.steadyNow();
            const bool answered = probe.serverName(TroubleDetector::probeTimeout).has_value();
            if (token.stopRequested()) {
                return;
            }
            mainQueue.post([weak, answered, token] {
                const auto self = weak.lock();
                if (self && !token.stopRequested()) {
                    self->heard(answered);
                }
            });
            // A server that is gone, not frozen, may refuse at once: that is no reason to ask
            // faster than a frozen one lets us.
            const auto pause = answered
                                   ? std::chrono::nanoseconds(probeInterval)
                                   : TroubleDetector::probeTimeout - (clock.steadyNow() - asked);
            if (pause > pause.zero() && !sleeper.sleep(pause, ending)) {
                return;
            }
        }
    });
}

void ServerWatch::heard(bool answered) {
    if (answered) {
        detector.probeAnswered();
    } else {
        detector.probeMissed();
    }
    seen(detector.troubles());
}

void ServerWatch::stopProbing() {
    if (stop) {
        stop->requestStop();
        stop.reset();
    }
}

void ServerWatch::pause() {
    paused = true;
    stopProbing();
}

void ServerWatch::resume() {
    paused = false;
    detector.probeAnswered();
    seen(detector.troubles());
    defaultsChanged();
}

} // namespace sonifix
