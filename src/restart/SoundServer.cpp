#include "SoundServer.h"

#include "RestartFailure.h"
#include "support/TaskCancelled.h"

#include <algorithm>

namespace sonifix {

namespace {

constexpr std::string_view pipewire = "pipewire";
constexpr std::string_view pulseaudio = "pulseaudio";
// What PipeWire's PulseAudio bridge calls itself: "PulseAudio (on PipeWire 1.0.5)".
constexpr std::string_view pipewireBridge = "on PipeWire";
constexpr std::string_view bridgeConfiguration = "pipewire-pulse.conf";

// The names under which the servers and PipeWire's companions run.
const std::vector<std::string>& processNames() {
    static const std::vector<std::string> names{"pipewire", "pulseaudio", "pipewire-pulse",
                                                "wireplumber", "pipewire-media-session"};
    return names;
}

// The configuration a PipeWire process was started with: other ones (filter chains, the bridge
// in older releases) are programs of their own, not the server.
std::string_view configuration(const ProcessEntry& process) {
    const auto& arguments = process.arguments;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if ((argument == "-c" || argument == "--config") && i + 1 < arguments.size()) {
            return arguments[i + 1];
        }
        if (argument.starts_with("--config=")) {
            return argument.substr(9);
        }
    }
    return "pipewire.conf";
}

bool isServer(const ProcessEntry& process, std::string_view kind) {
    if (process.name != kind) {
        return false;
    }
    if (kind == pipewire) {
        return configuration(process) == "pipewire.conf";
    }
    // A client of the daemon's own command line: `pulseaudio --check`, `--kill`.
    return std::none_of(process.arguments.begin(), process.arguments.end(),
                        [](const auto& a) { return a == "--check" || a == "-k" || a == "--kill"; });
}

bool isCompanion(const ProcessEntry& process) {
    return process.name == "pipewire-pulse" || process.name == "wireplumber" ||
           process.name == "pipewire-media-session" ||
           (process.name == pipewire && configuration(process) == bridgeConfiguration);
}

std::string joined(const std::vector<std::string>& parts) {
    std::string line;
    for (const auto& part : parts) {
        line += (line.empty() ? "" : " ") + part;
    }
    return line;
}

} // namespace

SoundServer::SoundServer(ProcessRunner& processes, ProcessTable& table, SoundServerProbe& probe,
                         Sleeper& sleeper, Owners owners)
    : processes(processes), table(table), probe(probe), sleeper(sleeper),
      owners(std::move(owners)) {}

std::string SoundServer::displayName(const std::string& processName) {
    if (processName == pipewire) {
        return "PipeWire";
    }
    if (processName == pulseaudio) {
        return "PulseAudio";
    }
    return processName;
}

std::string SoundServer::kindOf(std::string_view serverName) {
    return std::string(serverName.find(pipewireBridge) != std::string_view::npos ? pipewire
                                                                                 : pulseaudio);
}

std::string SoundServer::serviceUnit(std::string_view controlGroup) {
    // "/user.slice/user-1000.slice/user@1000.service/session.slice/pipewire.service"
    const auto manager = controlGroup.find("/user@");
    const auto slash = controlGroup.rfind('/');
    if (manager == std::string_view::npos || slash == std::string_view::npos || slash <= manager) {
        return {};
    }
    const auto unit = controlGroup.substr(slash + 1);
    return unit.ends_with(".service") && unit.size() > 8 ? std::string(unit) : std::string();
}

std::vector<ProcessEntry> SoundServer::owned(const std::vector<std::string>& names) {
    auto found = table.find(names);
    std::erase_if(found, [this](const ProcessEntry& process) {
        return process.user != owners.user || (owners.parent && process.parent != *owners.parent);
    });
    return found;
}

std::optional<ProcessEntry> SoundServer::server(const std::string& kind) {
    for (auto& process : owned({kind})) {
        if (isServer(process, kind)) {
            return std::move(process);
        }
    }
    return std::nullopt;
}

std::string SoundServer::name() {
    if (const auto last = probe.lastServerName()) {
        return kindOf(*last);
    }
    {
        const std::lock_guard lock(mutex);
        if (!stopped.empty()) {
            return stopped;
        }
    }
    // No server has answered yet: where a PulseAudio daemon runs it is the one clients reach,
    // since PipeWire's bridge could not have taken its place.
    return server(std::string(pulseaudio)) ? std::string(pulseaudio) : std::string(pipewire);
}

std::string SoundServer::kindNow(bool& answered) {
    auto serverName = probe.serverName(answerDeadline);
    answered = serverName.has_value();
    if (!serverName) {
        serverName = probe.lastServerName();
    }
    if (serverName) {
        return kindOf(*serverName);
    }
    return name();
}

std::int32_t SoundServer::stop(StopToken stop) {
    bool answered = false;
    const auto kind = kindNow(answered);
    {
        const std::lock_guard lock(mutex);
        stopped = kind;
    }
    auto all = owned(processNames());
    const auto found = std::find_if(all.begin(), all.end(), [&](const ProcessEntry& process) {
        return isServer(process, kind);
    });
    if (found == all.end()) {
        throw RestartFailure::failed("Couldn’t stop " + kind + ": it isn’t running.");
    }
    const auto serverProcess = *found;
    // PipeWire's companions go down and come back with it; PulseAudio has none.
    std::erase_if(all, [&](const ProcessEntry& process) {
        return process.pid != serverProcess.pid && (kind != pipewire || !isCompanion(process));
    });
    if (!serviceUnit(serverProcess.controlGroup).empty()) {
        return restartUnits(serverProcess, all, answered, kind);
    }
    return signalAndWait(serverProcess, std::move(all), kind, stop);
}

std::int32_t SoundServer::restartUnits(const ProcessEntry& serverProcess,
                                       const std::vector<ProcessEntry>& all, bool answered,
                                       const std::string& kind) {
    // The server's unit first; a companion outside the service manager is left to follow.
    std::vector<std::string> units{serviceUnit(serverProcess.controlGroup)};
    for (const auto& process : all) {
        const auto unit = serviceUnit(process.controlGroup);
        if (!unit.empty() && std::find(units.begin(), units.end(), unit) == units.end()) {
            units.push_back(unit);
        }
    }
    if (!answered) {
        // A restart would wait out the unit's stop time-out on a server that cannot hear
        // SIGTERM.
        std::vector<std::string> kill{"--user", "kill", "--signal=SIGKILL"};
        kill.insert(kill.end(), units.begin(), units.end());
        processes.run(systemctl, kill, serviceKillLimit);
    }
    std::vector<std::string> restart{"--user", "restart"};
    restart.insert(restart.end(), units.begin(), units.end());
    const auto result = processes.run(systemctl, restart, serviceRestartLimit);
    if (result.status != 0) {
        const auto command = std::string(systemctl) + " " + joined(restart);
        throw RestartFailure::failed(
            "Couldn’t restart " + kind + ": " + command +
            (result.timedOut ? " didn’t finish within " +
                                   std::to_string(serviceRestartLimit.count() / 1000) + " seconds."
             : result.status < 0 ? " could not be started."
                                 : " ended with status " + std::to_string(result.status) + "."));
    }
    return serverProcess.pid;
}

std::int32_t SoundServer::signalAndWait(const ProcessEntry& serverProcess,
                                        std::vector<ProcessEntry> all, const std::string& kind,
                                        const StopToken& stop) {
    for (const auto& process : all) {
        table.signal(process.pid, ProcessTable::Signal::terminate);
    }
    if (!waitForExit(all, terminateGrace, stop)) {
        for (const auto& process : all) {
            table.signal(process.pid, ProcessTable::Signal::kill);
        }
        waitForExit(all, killGrace, stop);
    }
    if (table.isRunning(serverProcess.pid)) {
        throw RestartFailure::failed("Couldn’t stop " + kind + ": process " +
                                     std::to_string(serverProcess.pid) +
                                     " is still running after SIGKILL.");
    }
    return serverProcess.pid;
}

bool SoundServer::waitForExit(std::vector<ProcessEntry>& running, std::chrono::milliseconds limit,
                              const StopToken& stop) {
    for (auto waited = std::chrono::milliseconds(0);; waited += exitCheckInterval) {
        std::erase_if(
            running, [this](const ProcessEntry& process) { return !table.isRunning(process.pid); });
        if (running.empty()) {
            return true;
        }
        if (waited >= limit) {
            return false;
        }
        if (!sleeper.sleep(exitCheckInterval, stop)) {
            throw TaskCancelled();
        }
    }
}

std::optional<std::int32_t> SoundServer::pid() {
    std::string kind;
    {
        const std::lock_guard lock(mutex);
        kind = stopped;
    }
    if (const auto found = server(kind.empty() ? name() : kind)) {
        return found->pid;
    }
    return std::nullopt;
}

} // namespace sonifix
