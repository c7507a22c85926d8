#include "AppDelegate.h"

#include "Settings.h"

namespace sonifix {

namespace {

constexpr auto idleSymbol = "hifispeaker";

} // namespace

AppDelegate::AppDelegate(Platform& platform, DaemonIdentity daemon, PlatformTexts texts)
    : platform(platform), texts(std::move(texts)), daemon(daemon),
      restarter(platform, std::move(daemon)), devices(platform.hardware),
      defaults(platform.settings) {}

void AppDelegate::applicationDidFinishLaunching() {
    // Before anything reads a setting.
    defaults.registerDefaults(settings::registeredDefaults());
    setIcon(idleSymbol);
    platform.menu.setDelegate(weak_from_this());
    platform.statusItem.attachMenu(platform.menu);
    observeDevices();
    enforceMacMicrophone();
    platform.workspace.observeWake([weak = weak_from_this()] {
        if (const auto self = weak.lock()) {
            self->didWake();
        }
    });
}

} // namespace sonifix
