#include "AppDelegate.h"
#include "Settings.h"
#include "restart/PasswordFreeRule.h"

namespace sonifix {

namespace {

constexpr auto microphoneToolTip =
    "When a Bluetooth headset becomes the input, switch back to the built-in mic. Using a "
    "Bluetooth mic forces headphones into low-quality headset mode, which can make music sound "
    "crunchy.";
constexpr auto hotKeyUnavailableTitle = "Global Shortcut: Not Available on This Desktop";
constexpr auto hotKeyUnassignedTitle = "Global Shortcut: No Keys Chosen in System Settings";
const std::string hotKeyPrefix = "Global Shortcut ";
constexpr auto callWarning = " (Interrupts the Call)";
constexpr auto headsetWarning = "  ⚠\uFE0E headset mode lowers music quality";

MenuItem actionItem(std::string title, MenuAction action, std::string key = {}) {
    return {.title = std::move(title),
            .action = action,
            .target =
                action == MenuAction::terminate ? MenuTarget::application : MenuTarget::delegate,
            .keyEquivalent = std::move(key)};
}

MenuItem statusLine(std::string title) {
    return {.title = std::move(title), .enabled = false};
}

} // namespace

std::string AppDelegate::deviceText(const AudioDevice& device) {
    return device.name + " · " + device.sampleRateText();
}

void AppDelegate::menuNeedsUpdate() {
    platform.alerts.menuOpened();
    platform.menu.replaceItems(menuItems());
}

void AppDelegate::menuDidClose() {
    platform.alerts.menuClosed();
}

std::vector<MenuItem> AppDelegate::menuItems() {
    refreshTexts();
    std::vector<MenuItem> items;
    auto restartItem = actionItem(restarting   ? texts.restartingTitle
                                  : callLive() ? texts.restartTitle + callWarning
                                               : texts.restartTitle,
                                  MenuAction::restartFromMenu, "r");
    restartItem.enabled = !restarting;
    items.push_back(std::move(restartItem));
    items.push_back(MenuItem::separatorItem());

    if (const auto output = devices.defaultDevice(false)) {
        items.push_back(statusLine("Output: " + deviceText(*output)));
    }
    if (const auto input = devices.defaultDevice(true)) {
        items.push_back(statusLine("Input: " + deviceText(*input) +
                                   (input->isBluetooth() ? headsetWarning : "")));
    }
    items.push_back(statusLine(lastRestartText()));
    if (watchdog) {
        items.push_back(statusLine(watchdog->lastSeenText()));
    }
    items.push_back(MenuItem::separatorItem());

    items.push_back(toggle(texts.resumePlayersTitle, settings::resumePlayers));
    auto microphone = toggle(texts.keepMicrophoneTitle, settings::keepMacMicrophone);
    microphone.toolTip = microphoneToolTip;
    items.push_back(std::move(microphone));
    items.push_back(toggle("Restart After Waking from Sleep", settings::restartOnWake));
    if (watchdog) {
        items.push_back(
            toggle("Restart Automatically When Sound Breaks", settings::restartWhenSoundBreaks));
    }
    items.push_back(hotKeyItem());
    auto login = actionItem("Open at Login", MenuAction::toggleLogin);
    login.on = platform.loginItems.status() == LoginItems::enabled;
    items.push_back(std::move(login));
    items.push_back(MenuItem::separatorItem());

    // Only where stopping the daemon needs root is there a rule to set up.
    if (daemon.needsRoot) {
        items.push_back(
            platform.files.hasContent(std::string(PasswordFreeRule::path))
                ? actionItem("Require Password to Restart…", MenuAction::removePasswordFree)
                : actionItem("Set Up Password-Free Restart…", MenuAction::installPasswordFree));
    }
    items.push_back(actionItem(texts.audioSetupTitle, MenuAction::openAudioMIDISetup));
    items.push_back(MenuItem::separatorItem());

    items.push_back(actionItem("Get Email Updates…", MenuAction::showSignup));
    items.push_back(actionItem("Sonifix Website", MenuAction::openWebsite));
    items.push_back(actionItem("About Sonifix", MenuAction::showAbout));
    items.push_back(actionItem("Quit Sonifix", MenuAction::terminate, "q"));
    return items;
}

MenuItem AppDelegate::hotKeyItem() {
    // Where no shortcut can work, the item says so rather than showing a checkmark for nothing.
    if (!platform.hotKeys.available()) {
        return statusLine(hotKeyUnavailableTitle);
    }
    auto title = texts.hotKeyTitle;
    if (const auto trigger = hotKey ? hotKey->trigger() : std::nullopt) {
        title = trigger->empty() ? hotKeyUnassignedTitle : hotKeyPrefix + *trigger;
    }
    return toggle(title, settings::hotKeyEnabled);
}

MenuItem AppDelegate::toggle(const std::string& title, const std::string& key) {
    auto item = actionItem(title, MenuAction::toggleSetting);
    item.representedObject = key;
    item.on = defaults.boolForKey(key);
    return item;
}

void AppDelegate::toggleSetting(const MenuItem& item) {
    const auto* key = std::any_cast<std::string>(&item.representedObject);
    if (!key) {
        return;
    }
    defaults.setBool(*key, !defaults.boolForKey(*key));
    if (*key == settings::hotKeyEnabled) {
        updateHotKey();
    }
    if (*key == settings::keepMacMicrophone) {
        enforceMacMicrophone();
    }
}

void AppDelegate::perform(const MenuItem& item) {
    // A chosen item closes the menu, however the platform orders the two: what it opens is not
    // held back as if the menu were still open.
    menuDidClose();
    switch (item.action) {
    case MenuAction::restartFromMenu:
        restartFromMenu();
        break;
    case MenuAction::toggleSetting:
        toggleSetting(item);
        break;
    case MenuAction::toggleLogin:
        toggleLogin();
        break;
    case MenuAction::installPasswordFree:
        installPasswordFree();
        break;
    case MenuAction::removePasswordFree:
        removePasswordFree();
        break;
    case MenuAction::openAudioMIDISetup:
        openAudioMIDISetup();
        break;
    case MenuAction::showSignup:
        showSignup();
        break;
    case MenuAction::openWebsite:
        openWebsite();
        break;
    case MenuAction::showAbout:
        showAbout();
        break;
    case MenuAction::terminate:
        platform.workspace.terminate();
        break;
    case MenuAction::none:
        break;
    }
}

} // namespace sonifix
