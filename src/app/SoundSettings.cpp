#include "SoundSettings.h"

#include <algorithm>
#include <cctype>

namespace sonifix {

namespace {

struct DesktopPanels {
    std::string_view desktop; // as XDG_CURRENT_DESKTOP names it, compared without case
    std::vector<std::vector<std::string>> panels;
    std::string_view package; // what to install for the first panel
};

const std::vector<DesktopPanels>& desktopPanels() {
    static const std::vector<DesktopPanels> all{
        {"GNOME", {{"gnome-control-center", "sound"}}, "gnome-control-center"},
        // Plasma 6 names the module window kcmshell6; Plasma 5 ships systemsettings5 and
        // kcmshell5.
        {"KDE",
         {{"kcmshell6", "kcm_pulseaudio"},
          {"systemsettings", "kcm_pulseaudio"},
          {"systemsettings5", "kcm_pulseaudio"},
          {"kcmshell5", "kcm_pulseaudio"}},
         "plasma-pa"},
        // Xfce's own volume plugin opens PulseAudio Volume Control for its settings.
        {"XFCE", {{"pavucontrol"}}, "pavucontrol"},
        {"X-Cinnamon", {{"cinnamon-settings", "sound"}}, "cinnamon-control-center"},
        {"Cinnamon", {{"cinnamon-settings", "sound"}}, "cinnamon-control-center"},
        {"MATE", {{"mate-volume-control"}}, "mate-media"},
    };
    return all;
}

bool sameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

} // namespace

SoundSettings SoundSettings::forDesktop(std::string_view currentDesktop) {
    SoundSettings settings;
    std::string package;
    const auto add = [&](const std::vector<std::string>& command) {
        if (std::find(settings.candidates.begin(), settings.candidates.end(), command) ==
            settings.candidates.end()) {
            settings.candidates.push_back(command);
        }
    };
    // A colon-separated list, most specific first: "ubuntu:GNOME".
    while (!currentDesktop.empty()) {
        const auto colon = currentDesktop.find(':');
        const auto name = currentDesktop.substr(0, colon);
        for (const auto& entry : desktopPanels()) {
            if (sameName(entry.desktop, name)) {
                std::for_each(entry.panels.begin(), entry.panels.end(), add);
                if (package.empty()) {
                    package = entry.package;
                }
            }
        }
        currentDesktop.remove_prefix(colon == std::string_view::npos ? currentDesktop.size()
                                                                     : colon + 1);
    }
    add({"pavucontrol"});
    add({"pavucontrol-qt"});
    settings.missingText =
        "No sound settings app is installed. Install " +
        (package.empty() || package == "pavucontrol" ? std::string() : package + " or ") +
        "pavucontrol with your distribution’s software manager.";
    return settings;
}

} // namespace sonifix
