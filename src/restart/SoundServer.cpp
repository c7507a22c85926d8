#include "SoundServer.h"

#include "RestartFailure.h"
#include "support/TaskCancelled.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <system_error>

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

// What tells the server from a companion that runs the same program: its name and, for
// PipeWire, its configuration.
std::string roleOf(const ProcessEntry& process) {
    return process.name + " " + std::string(configuration(process));
}

// Entries of a supervisor's own that would mislead a program started again outside it: sockets
// handed over at start, the service manager's notification socket and watchdog, its bookkeeping.
bool isSupervisorsOwn(std::string_view entry) {
    static constexpr std::string_view names[] = {
        "LISTEN_FDS",       "LISTEN_PID",    "LISTEN_FDNAMES", "NOTIFY_SOCKET",
        "WATCHDOG_PID",     "WATCHDOG_USEC", "INVOCATION_ID",  "JOURNAL_STREAM",
        "SYSTEMD_EXEC_PID", "MANAGERPID",    "MAINPID"};
    const auto name = entry.substr(0, entry.find('='));
    return std::find(std::begin(names), std::end(names), name) != std::end(names);
}

std::optional<std::string> variable(const std::vector<std::string>& environment,
                                    std::string_view name) {
    for (const auto& entry : environment) {
        if (entry.size() > name.size() && entry.starts_with(name) && entry[name.size()] == '=') {
            return entry.substr(name.size() + 1);
        }
    }
    return std::nullopt;
}

// Where a PipeWire server started with `environment` takes its connections.
std::optional<std::string> pipewireSocket(const std::vector<std::string>& environment) {
    auto directory = variable(environment, "PIPEWIRE_RUNTIME_DIR");
    if (!directory) {
        directory = variable(environment, "XDG_RUNTIME_DIR");
    }
    if (!directory) {
        return std::nullopt;
    }
    return *directory + "/" + variable(environment, "PIPEWIRE_CORE").value_or("pipewire-0");
}

// A PulseAudio that puts itself in the background: autospawn's `pulseaudio --start`, or -D.
bool daemonizes(const std::vector<std::string>& arguments) {
    return std::any_of(arguments.begin(), arguments.end(), [](const std::string& argument) {
        return argument == "--start" || argument == "-D" || argument == "--daemonize" ||
               argument == "--daemonize=yes" || argument == "--daemonize=1" ||
               argument == "--daemonize=true";
    });
}

// One word as a POSIX shell reads it back.
std::string quoted(const std::string& word) {
    const bool plain = !word.empty() && std::all_of(word.begin(), word.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) ||
               std::string_view("_-./=:,+@%").find(c) != std::string_view::npos;
    });
    if (plain) {
        return word;
    }
    std::string text = "'";
    for (const char c : word) {
        text += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return text + "'";
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
                         ProgramLauncher& launcher, Sleeper& sleeper, Owners owners)
    : processes(processes), table(table), probe(probe), launcher(launcher), sleeper(sleeper),
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
    // Nothing has been touched yet: a quit now leaves the server as it is.
    if (stop.stopRequested()) {
        throw TaskCancelled();
    }
    {
        const std::lock_guard lock(mutex);
        stopped = kind;
        relaunch.clear();
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
    // Noted before anything is stopped: afterwards the system has forgotten it.
    std::vector<Stopped> programs;
    for (const auto& process : all) {
        if (auto program = stoppedProgram(process, process.pid == serverProcess.pid)) {
            programs.push_back(std::move(*program));
        }
    }
    std::stable_partition(programs.begin(), programs.end(),
                          [](const Stopped& program) { return program.isServer; });
    {
        const std::lock_guard lock(mutex);
        relaunch = std::move(programs);
    }
    // The companions hear their signal first, so that none of them reacts to the server's end
    // on its own.
    std::stable_partition(all.begin(), all.end(), [&](const ProcessEntry& process) {
        return process.pid != serverProcess.pid;
    });
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
    // Once signalled, the programs are seen to their end whatever happens, so that they can be
    // started again: a stop request only cuts SIGTERM's grace short.
    if (!waitForExit(all, terminateGrace, stop)) {
        for (const auto& process : all) {
            table.signal(process.pid, ProcessTable::Signal::kill);
        }
        waitForExit(all, killGrace, StopToken());
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
            return false;
        }
    }
}

std::optional<SoundServer::Stopped> SoundServer::stoppedProgram(const ProcessEntry& process,
                                                                bool isServer) {
    auto launch = table.launchOf(process.pid);
    if (!launch) {
        return std::nullopt;
    }
    // A program file replaced by an upgrade reads "/usr/bin/pipewire (deleted)"; the new one is
    // at the same path.
    constexpr std::string_view deleted = " (deleted)";
    auto programFile = launch->program;
    if (programFile.ends_with(deleted)) {
        programFile.resize(programFile.size() - deleted.size());
    }
    if (launch->arguments.empty() && programFile.empty()) {
        return std::nullopt;
    }
    if (launch->arguments.empty()) {
        launch->arguments = {programFile};
    }
    // The name it was started by, not the file it resolved to: pipewire-pulse is a link to
    // pipewire that reads its configuration, and takes its process name, from that name.
    const auto& first = launch->arguments.front();
    if (first.starts_with('/')) {
        launch->program = first;
    } else if (first.find('/') != std::string::npos && !launch->workingDirectory.empty()) {
        launch->program = launch->workingDirectory + "/" + first;
    } else if (first.find('/') == std::string::npos) {
        launch->program = first;
    } else {
        launch->program = programFile;
    }
    if (launch->environment) {
        std::erase_if(*launch->environment, isSupervisorsOwn);
    }
    return Stopped{.name = process.name,
                   .role = roleOf(process),
                   .isServer = isServer,
                   .launch = std::move(*launch),
                   .programFile = programFile};
}

bool SoundServer::isBack(const Stopped& program) {
    const auto running = owned({program.name});
    return std::any_of(running.begin(), running.end(), [&](const ProcessEntry& process) {
        return roleOf(process) == program.role;
    });
}

int SoundServer::start(const Stopped& program) {
    auto error = launcher.startDetached(program.launch);
    if (error == ENOENT && !program.programFile.empty() &&
        program.programFile != program.launch.program) {
        auto byFile = program.launch;
        byFile.program = program.programFile;
        error = launcher.startDetached(byFile);
    }
    return error;
}

void SoundServer::waitUntilListening(const std::vector<Stopped>& programs, const StopToken& stop) {
    const auto server = std::find_if(programs.begin(), programs.end(),
                                     [](const Stopped& program) { return program.isServer; });
    if (server == programs.end() || server->name != pipewire || !server->launch.environment) {
        return;
    }
    const auto socket = pipewireSocket(*server->launch.environment);
    if (!socket) {
        return;
    }
    // Not cut short by a stop request: companions started too early give up at once.
    const auto limit = stop.stopRequested() ? readyLimitWhenQuitting : readyLimit;
    for (auto waited = std::chrono::milliseconds(0);
         waited < limit && !table.isListening(*socket) && isBack(*server);
         waited += exitCheckInterval) {
        sleeper.sleep(exitCheckInterval, StopToken());
    }
}

void SoundServer::bringBack(StopToken stop) {
    std::vector<Stopped> programs;
    std::string kind;
    {
        const std::lock_guard lock(mutex);
        programs = relaunch;
        kind = stopped;
    }
    const auto allBack = [&] {
        return std::all_of(programs.begin(), programs.end(),
                           [this](const Stopped& program) { return isBack(program); });
    };
    bool cancelled = false;
    for (auto waited = std::chrono::milliseconds(0); !allBack(); waited += backCheckInterval) {
        if (waited >= supervisorGrace || !sleeper.sleep(backCheckInterval, stop)) {
            cancelled = stop.stopRequested();
            break;
        }
    }
    std::string failures;
    bool serverReady = false;
    for (const auto& program : programs) {
        // Checked just before each start: a supervisor may have been quicker, and a second
        // server would only find the first one's socket taken.
        if (isBack(program)) {
            continue;
        }
        if (!program.isServer && !serverReady) {
            waitUntilListening(programs, stop);
            serverReady = true;
            if (isBack(program)) {
                continue;
            }
        }
        if (const auto error = start(program); error != 0) {
            failures += (failures.empty() ? "" : "; ") + program.launch.program + ": " +
                        std::generic_category().message(error);
        }
    }
    if (!failures.empty()) {
        throw RestartFailure::failed(kind + " was stopped but couldn’t be started again (" +
                                     failures + ")." + RestartFailure::howToStart(startCommand()));
    }
    if (cancelled) {
        throw TaskCancelled();
    }
}

std::string SoundServer::startCommand() {
    std::vector<Stopped> programs;
    std::string kind;
    {
        const std::lock_guard lock(mutex);
        programs = relaunch;
        kind = stopped;
    }
    if (programs.empty() || server(kind)) {
        return {};
    }
    std::string lines;
    for (const auto& program : programs) {
        auto words = program.launch.arguments;
        words.front() = program.launch.program;
        // Appended piece by piece: GCC 12 at -O3 takes "literal" + std::string for an
        // overlapping copy (-Wrestrict) and would fail the build.
        std::string line;
        for (const auto& word : words) {
            if (!line.empty()) {
                line += ' ';
            }
            line += quoted(word);
        }
        if (!lines.empty()) {
            lines += '\n';
        }
        // Run from a terminal, it must not end with the terminal.
        if (!(program.name == pulseaudio && daemonizes(words))) {
            lines += "setsid -f ";
        }
        lines += line;
    }
    return lines;
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
