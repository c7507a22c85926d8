#include "AppDelegate.h"

namespace sonifix {

namespace {

// The default input's state says that something records, not what: the name is not known.
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
            return self && self->callLive() ? std::optional<std::string>(recordingApp)
                                            : std::nullopt;
        });
    serverWatch = std::make_shared<ServerWatch>(
        platform, *platform.serverProbe,
        [weak](const std::vector<SoundTrouble>& troubles) {
            if (const auto self = weak.lock()) {
                self->watchdog->observe(troubles);
            }
        },
        [weak] {
            if (const auto self = weak.lock()) {
                self->watchdog->captureEnded();
            }
        });
    serverWatch->start();
}

bool AppDelegate::callLive() {
    return serverWatch && serverWatch->inputRunning();
}

} // namespace sonifix
