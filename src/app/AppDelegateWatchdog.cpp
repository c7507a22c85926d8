#include "AppDelegate.h"
#include "audio/MicrophoneUse.h"

namespace sonifix {

namespace {

// Where only the default input's state is known: something records, but not what.
constexpr auto recordingApp = "Another app";

} // namespace

void AppDelegate::startWatchdog() {
    if (!platform.serverProbe || watchdog) {
        return;
    }
    const auto weak = weak_from_this();
    watchdog = std::make_shared<SoundWatchdog>(
        platform,
        [weak] {
            if (const auto self = weak.lock()) {
                self->restart();
            }
        },
        [weak]() -> std::optional<std::string> {
            const auto self = weak.lock();
            return self ? self->otherRecordingApp() : std::nullopt;
        });
    serverWatch = std::make_shared<ServerWatch>(
        platform, *platform.serverProbe,
        [weak](const std::vector<SoundTrouble>& troubles) {
            if (const auto self = weak.lock()) {
                self->watchdog->observe(troubles);
            }
        },
        [weak] {
            if (const auto self = weak.lock(); self && !self->callLive()) {
                self->watchdog->captureEnded();
            }
        });
    serverWatch->start();
}

std::optional<std::string> AppDelegate::otherRecordingApp() {
    if (!serverWatch) {
        return std::nullopt;
    }
    if (platform.captures) {
        if (const auto streams = platform.captures->captureStreams()) {
            // The app itself never records.
            return MicrophoneUse::otherApp(*streams, 0);
        }
    }
    // What cannot be told apart counts: a call cut is worse than a restart held back.
    return serverWatch->inputRunning() ? std::optional<std::string>(recordingApp) : std::nullopt;
}

} // namespace sonifix
