#include "MicrophoneUse.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace sonifix {

namespace {

// Volume controls that show a live level for every input: pavucontrol (GTK and Qt), GNOME's
// Settings, and KDE's applet and KMix.
constexpr std::array<std::string_view, 5> levelMeterPrograms{
    "pavucontrol", "pavucontrol-qt", "gnome-control-center", "plasmashell", "kmix"};
constexpr std::array<std::string_view, 4> levelMeterIds{
    "org.PulseAudio.pavucontrol", "org.gnome.Settings", "org.kde.plasma-pa", "org.kde.kmix"};

} // namespace

bool MicrophoneUse::isLevelMeter(const CaptureStream& stream) {
    const auto listed = [](const auto& list, const std::string& name) {
        return std::find(list.begin(), list.end(), name) != list.end();
    };
    return listed(levelMeterPrograms, stream.binary) || listed(levelMeterIds, stream.appId);
}

std::optional<std::string> MicrophoneUse::otherApp(const std::vector<CaptureStream>& streams,
                                                   std::int32_t ownPid) {
    std::optional<std::string> found;
    for (const auto& stream : streams) {
        if (stream.corked || stream.fromMonitor || (ownPid != 0 && stream.pid == ownPid) ||
            (stream.role != "phone" && isLevelMeter(stream))) {
            continue;
        }
        const auto name = !stream.app.empty()      ? stream.app
                          : !stream.binary.empty() ? stream.binary
                                                   : std::string("An app");
        if (stream.role == "phone") {
            return name;
        }
        found = found.value_or(name);
    }
    return found;
}

} // namespace sonifix
