#include "AppDelegate.h"
#include "Foreground.h"
#include "Settings.h"

namespace sonifix {

void AppDelegate::placeStatusItem() {
    if (platform.statusItem.barAvailable()) {
        tray = Tray::shown;
        platform.statusItem.place();
        return;
    }
    // The panel may start after the app does, as it often does at login: the icon is made when
    // the tray comes, however late, and the user hears about a missing tray once.
    platform.statusItem.observeBar([weak = weak_from_this()] {
        if (const auto self = weak.lock()) {
            self->trayAppeared();
        }
    });
    platform.mainQueue.postAfter(trayWaitTime, [weak = weak_from_this()] {
        if (const auto self = weak.lock()) {
            self->trayWaitEnded();
        }
    });
}

void AppDelegate::trayAppeared() {
    if (tray == Tray::shown) {
        return;
    }
    tray = Tray::shown;
    platform.statusItem.place();
    if (welcomePending) {
        showWelcomeLater();
    }
}

void AppDelegate::trayWaitEnded() {
    if (tray != Tray::waiting) {
        return;
    }
    tray = Tray::absent;
    // Said once per installation: a desktop without a tray mostly stays so, and a notice at
    // every login would only nag. The shortcut and the command line go on working meanwhile.
    const bool told = defaults.boolForKey(settings::toldNoTray);
    defaults.setBool(settings::toldNoTray, true);
    // On the first run the welcome says it, in the one dialog.
    if (welcomePending) {
        welcomePending = false;
        signup.showWelcome(welcome());
        return;
    }
    if (told) {
        return;
    }
    const auto advice = texts.noTrayAdvice + "\n\n" + restartWithoutTray();
    // A notification waits for the user without stopping the login; an alert only where the
    // desktop shows none.
    if (platform.notifications && platform.notifications->available()) {
        platform.notifications->show({.title = texts.noTrayTitle, .body = advice});
        return;
    }
    Foreground::runAlert(
        platform.workspace, platform.alerts,
        {.messageText = texts.noTrayTitle, .informativeText = advice, .showsAppIcon = true});
}

std::string AppDelegate::restartWithoutTray() {
    return hotKey && platform.hotKeys.available() ? texts.restartWithoutTray
                                                  : texts.restartWithoutTrayOrShortcut;
}

} // namespace sonifix
