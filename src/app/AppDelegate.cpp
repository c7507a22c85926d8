#include "AppDelegate.h"

#include "Settings.h"

namespace sonifix {

namespace {

constexpr auto idleSymbol = "hifispeaker";

} // namespace

AppDelegate::AppDelegate(Platform& platform, DaemonIdentity daemon, PlatformTexts texts,
                         std::string signupEndpoint)
    : platform(platform), texts(std::move(texts)), daemon(daemon),
      restarter(platform, std::move(daemon)), devices(platform.hardware),
      restorer(platform.hardware, platform.sleeper, platform.clock),
      players(platform.players, this->texts.players), signup(platform, std::move(signupEndpoint)),
      defaults(platform.settings) {}

AppDelegate::AppDelegate(Platform& platform, Daemon& found, TextsFor textsFor,
                         std::string signupEndpoint)
    : platform(platform), textsFor(std::move(textsFor)), texts(this->textsFor(found.name())),
      textsDaemon(found.name()), restarter(platform, found), devices(platform.hardware),
      restorer(platform.hardware, platform.sleeper, platform.clock),
      players(platform.players, this->texts.players), signup(platform, std::move(signupEndpoint)),
      defaults(platform.settings) {}

void AppDelegate::refreshTexts() {
    if (!textsFor) {
        return;
    }
    if (auto name = restarter.daemonName(); name != textsDaemon) {
        texts = textsFor(name);
        textsDaemon = std::move(name);
    }
}

void AppDelegate::registerSettingDefaults() {
    defaults.registerDefaults(settings::registeredDefaults());
}

void AppDelegate::applicationDidFinishLaunching() {
    // Before anything reads a setting.
    registerSettingDefaults();
    setIcon(idleSymbol);
    platform.menu.setDelegate(weak_from_this());
    platform.statusItem.attachMenu(platform.menu);
    placeStatusItem();
    updateHotKey();
    observeDevices();
    enforceMacMicrophone();
    startWatchdog();
    platform.workspace.observeWake([weak = weak_from_this()] {
        if (const auto self = weak.lock()) {
            self->didWake();
        }
    });
    if (!defaults.boolForKey(settings::welcomed)) {
        // Marked first, so that the welcome shows at most once even if the app quits meanwhile.
        defaults.setBool(settings::welcomed, true);
        welcomePending = true;
        if (tray == Tray::shown) {
            showWelcomeLater();
        }
    }
    launched = true;
    if (restartWhenLaunched) {
        restartWhenLaunched = false;
        restartAfterThisEvent();
    }
}

void AppDelegate::showWelcomeLater() {
    welcomePending = false;
    platform.mainQueue.post([weak = weak_from_this()] {
        if (const auto self = weak.lock()) {
            self->signup.showWelcome(self->welcome());
        }
    });
}

EmailSignup::Welcome AppDelegate::welcome() {
    // Only what this desktop has is promised: the tray, the shortcut.
    if (tray != Tray::shown) {
        return {.messageText = texts.welcomeTitleWithoutTray,
                .instructions = texts.noTrayAdvice + "\n\n" + restartWithoutTray()};
    }
    return {.messageText = texts.welcomeTitle,
            .instructions = platform.hotKeys.available()
                                ? texts.welcomeInstructions
                                : texts.welcomeInstructionsWithoutShortcut};
}

void AppDelegate::restartAfterThisEvent() {
    // Main thread only: the restart starts after the system's event handler has returned.
    platform.mainQueue.post([weak = weak_from_this()] {
        if (const auto self = weak.lock()) {
            self->restart();
        }
    });
}

void AppDelegate::updateHotKey() {
    std::unique_ptr<HotKey> next;
    if (defaults.boolForKey(settings::hotKeyEnabled)) {
        // Pressed on the main thread, inside the system's event handler.
        next = std::make_unique<HotKey>(platform.hotKeys, HotKey::keyCodeR,
                                        HotKey::controlOptionCommand, [weak = weak_from_this()] {
                                            if (const auto self = weak.lock()) {
                                                self->restartAfterThisEvent();
                                            }
                                        });
    }
    // The new registration is made before the old one goes.
    hotKey = std::move(next);
}

} // namespace sonifix
