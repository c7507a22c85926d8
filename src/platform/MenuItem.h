#pragma once

#include <any>
#include <string>

namespace sonifix {

// What choosing a menu item does. `terminate` goes to the application, every other action to
// the app delegate.
enum class MenuAction {
    none,
    restartFromMenu,
    toggleSetting,
    toggleLogin,
    installPasswordFree,
    removePasswordFree,
    openAudioMIDISetup,
    showSignup,
    openWebsite,
    showAbout,
    terminate,
};

enum class MenuTarget { none, delegate, application };

// One line of the status menu, as the core describes it and an adapter shows it.
struct MenuItem {
    bool separator = false;
    std::string title;
    MenuAction action = MenuAction::none;
    MenuTarget target = MenuTarget::none;
    std::string keyEquivalent; // one character, typed with the platform's menu modifier
    bool enabled = true;
    bool on = false; // shown with a checkmark
    std::any representedObject;
    std::string toolTip;

    static MenuItem separatorItem() { return {.separator = true}; }
};

} // namespace sonifix
