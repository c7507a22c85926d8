#pragma once

#include <map>
#include <string>

namespace sonifix::settings {

// Keys of the user's preferences, as stored.
inline const std::string resumePlayers = "resumePlayers";
inline const std::string keepMacMicrophone = "keepMacMicrophone";
inline const std::string restartOnWake = "restartOnWake";
// Off unless the user turns it on: the watchdog then restarts without asking first.
inline const std::string restartWhenSoundBreaks = "restartWhenSoundBreaks";
inline const std::string hotKeyEnabled = "hotKeyEnabled";
inline const std::string welcomed = "welcomed";
inline const std::string offeredPasswordFree = "offeredPasswordFree";
inline const std::string explainedScriptingRefusal = "explainedScriptingRefusal";
inline const std::string lastRestart = "lastRestart";
inline const std::string restartCount = "restartCount";
// Linux: the user has been told that the desktop has no tray, which is said once.
inline const std::string toldNoTray = "toldNoTray";

// The fallbacks of the four switches in the menu, installed at every launch. The other keys
// rely on the store's own answer for a missing key.
inline std::map<std::string, bool> registeredDefaults() {
    return {
        {resumePlayers, true},
        {keepMacMicrophone, false},
        {restartOnWake, false},
        {hotKeyEnabled, true},
    };
}

} // namespace sonifix::settings
