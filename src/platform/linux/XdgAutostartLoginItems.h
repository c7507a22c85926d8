#pragma once

#include "platform/LoginItems.h"

#include <string>

namespace sonifix {

// Open at Login as the desktops of the freedesktop.org world know it: an entry named
// sonifix.desktop in the user's autostart folder. The entry is the only record; nothing else
// remembers the choice.
class XdgAutostartLoginItems final : public LoginItems {
public:
    XdgAutostartLoginItems(std::string autostartDirectory, std::string executablePath);

    // $XDG_CONFIG_HOME/autostart, or ~/.config/autostart when that is not set.
    static std::string userAutostartDirectory();

    // Enabled while the entry exists and is not hidden. An entry whose command is not ours
    // still counts: the user made or edited it, and it starts the app.
    int status() override;
    std::optional<std::string> registerApp() override;
    // A missing entry is already what was asked for.
    std::optional<std::string> unregisterApp() override;
    std::string appPath() override { return executablePath; }
    // An autostart entry waits for no approval: there is nothing to open.
    void openSystemSettingsLoginItems() override {}

    // The Exec value that starts `path` with no arguments, quoted and escaped so that any
    // path survives a desktop's parsing.
    static std::string execValue(const std::string& path);

private:
    std::string directory;
    std::string entryPath;
    std::string executablePath;
};

} // namespace sonifix
