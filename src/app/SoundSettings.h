#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sonifix {

// Where "Open Sound Settings" leads on a Linux desktop: the desktop's own sound panel, then the
// mixers any desktop can run, and what to say when none of them is installed.
struct SoundSettings {
    static constexpr const char* failureTitle = "Couldn’t open the sound settings";

    // Command lines, tried in this order until one starts.
    std::vector<std::vector<std::string>> candidates;
    // The alert's text when none starts: what to install.
    std::string missingText;

    // For the desktop named by XDG_CURRENT_DESKTOP ("ubuntu:GNOME", "KDE", "X-Cinnamon"; may be
    // empty).
    static SoundSettings forDesktop(std::string_view currentDesktop);
};

} // namespace sonifix
