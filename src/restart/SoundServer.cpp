#include "SoundServer.h"

#include <array>
#include <string_view>

namespace sonifix {

namespace {

struct ServerKind {
    std::string_view name;
    std::string_view unit;
    // Units that belong with the server and are restarted with it when they run: without its
    // session manager PipeWire has no default devices, and clients reach it through the bridge.
    std::vector<std::string_view> companions;
};

const std::array<ServerKind, 2>& serverKinds() {
    static const std::array<ServerKind, 2> kinds{{
        {"pipewire",
         "pipewire.service",
         {"wireplumber.service", "pipewire-media-session.service", "pipewire-pulse.service"}},
        {"pulseaudio", "pulseaudio.service", {}},
    }};
    return kinds;
}

std::vector<std::string> withName(std::vector<std::string> options, std::string_view name) {
    options.insert(options.begin(), "-x");
    options.emplace_back(name);
    return options;
}

} // namespace

std::string SoundServer::firstLine(const std::string& program,
                                   const std::vector<std::string>& arguments) {
    const auto result = processes.run(program, arguments);
    if (result.status != 0) {
        return {};
    }
    const std::string_view output = result.output;
    const auto start = output.find_first_not_of('\n');
    if (start == std::string_view::npos) {
        return {};
    }
    return std::string(output.substr(start, output.find('\n', start) - start));
}

std::vector<std::string> SoundServer::serviceUnitsRunning(const std::string& name,
                                                          const std::string& pid) {
    for (const auto& kind : serverKinds()) {
        if (kind.name != name) {
            continue;
        }
        // Only when the unit's main process is the very server we found: a server started some
        // other way (or another one of the user's) is not the service manager's to restart.
        const std::string unit(kind.unit);
        if (firstLine(systemctl, {"--user", "show", "--property=MainPID", "--value", unit}) !=
            pid) {
            return {};
        }
        std::vector<std::string> units{unit};
        for (const auto companion : kind.companions) {
            const std::string companionUnit(companion);
            if (processes.run(systemctl, {"--user", "is-active", "--quiet", companionUnit})
                    .status == 0) {
                units.push_back(companionUnit);
            }
        }
        return units;
    }
    return {};
}

DaemonIdentity SoundServer::identity(const std::vector<std::string>& owners) {
    std::string name;
    std::string pid;
    for (const auto& kind : serverKinds()) {
        pid = firstLine(pgrep, withName(owners, kind.name));
        if (!pid.empty()) {
            name = kind.name;
            break;
        }
    }
    if (name.empty()) {
        name = serverKinds().front().name;
    }

    DaemonIdentity identity{
        .name = name,
        .lookup = {pgrep, withName(owners, name)},
        .killCommand = {},
        .needsRoot = false,
    };
    if (const auto units =
            pid.empty() ? std::vector<std::string>{} : serviceUnitsRunning(name, pid);
        !units.empty()) {
        identity.killCommand = {systemctl, "--user", "restart"};
        identity.killCommand.insert(identity.killCommand.end(), units.begin(), units.end());
    } else {
        identity.killCommand = {pkill};
        const auto options = withName(owners, name);
        identity.killCommand.insert(identity.killCommand.end(), options.begin(), options.end());
    }
    return identity;
}

std::string SoundServer::displayName(const std::string& processName) {
    if (processName == "pipewire") {
        return "PipeWire";
    }
    if (processName == "pulseaudio") {
        return "PulseAudio";
    }
    return processName;
}

} // namespace sonifix
