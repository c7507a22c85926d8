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
constexpr std::string_view notSystemProgram = "not a system program, so not started from here";
constexpr std::string_view pulseaudio = "pulseaudio";

// What PipeWire's PulseAudio bridge calls itself: "PulseAudio (on PipeWire 1.0.5)".
constexpr std::string_view pipewireBridge = "on PipeWire";

std::string baseName(std::string_view path) {
    return std::string(path.substr(path.rfind('/') + 1));
}

// The configuration a PipeWire process was started with: other ones (filter chains, the bridge)
// are programs of their own, not the server. Like PipeWire itself, the name it was started by
// chooses one where no option does: "pipewire-pulse" is a link to "pipewire".
std::string configuration(const ProcessEntry& process) {
    const auto& arguments = process.arguments;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if ((argument == "-c" || argument == "--config") && i + 1 < arguments.size()) {
            return arguments[i + 1];
        }
        if (argument.starts_with("--config=")) {
            return std::string(argument.substr(9));
        }
    }
    return arguments.empty() ? std::string("pipewire.conf") : baseName(arguments[0]) + ".conf";
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

// The programs connected to PipeWire that go down and come back with it: its session manager,
// the bridge and every other instance of PipeWire (filter chains), not the sound clients.
bool isCompanion(const ProcessEntry& process) {
    return process.name == "pipewire-pulse" || process.name == "wireplumber" ||
           process.name == "pipewire-media-session" ||
           (process.name == pipewire && configuration(process) != "pipewire.conf");
}

// PipeWire's PulseAudio bridge: a program of its own, or PipeWire's started by that name.
bool isBridge(const ProcessEntry& process) {
    return process.name == "pipewire-pulse" ||
           (process.name == pipewire && configuration(process) == "pipewire-pulse.conf");
}

// What tells the server from a companion that runs the same program: its program and, for
// PipeWire, its configuration.
std::string roleOf(const ProcessEntry& process) {
    return process.name + " " + (process.name == pipewire ? configuration(process) : "");
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

// The session's environment, for programs started again outside any supervisor.
SoundServer::Session withoutSupervisorsOwn(SoundServer::Session session) {
    std::erase_if(session.environment, isSupervisorsOwn);
    return session;
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

// A PulseAudio that puts itself in the background: autospawn's `pulseaudio --start`, or -D.
bool daemonizes(const std::vector<std::string>& arguments) {
    return std::any_of(arguments.begin(), arguments.end(), [](const std::string& argument) {
        return argument == "--start" || argument == "-D" || argument == "--daemonize" ||
               argument == "--daemonize=yes" || argument == "--daemonize=1" ||
               argument == "--daemonize=true";
    });
}

std::string outcomeText(ServiceManager::Outcome outcome, const std::string& units) {
    using Outcome = ServiceManager::Outcome;
    switch (outcome) {
    case Outcome::timedOut:
        return "the service manager didn’t restart " + units + " within " +
               std::to_string(SoundServer::serviceRestartLimit.count() / 1000) + " seconds.";
    case Outcome::unavailable:
        return "the service manager didn’t answer.";
    case Outcome::startLimitHit:
        return "the service manager won’t start " + units + " again so soon.";
    default:
        return "the service manager couldn’t restart " + units + ".";
    }
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

} // namespace

SoundServer::SoundServer(ServiceManager& services, ProcessTable& table, SoundServerProbe& probe,
                         PipeWireCore& pipewireCore, ProgramLauncher& launcher, Sleeper& sleeper,
                         Session session)
    : services(services), table(table), probe(probe), pipewireCore(pipewireCore),
      launcher(launcher), sleeper(sleeper), session(withoutSupervisorsOwn(std::move(session))) {}

std::string SoundServer::pulseSocket(const std::vector<std::string>& environment) {
    // "unix:/run/user/1000/pulse/native", maybe one of several addresses, maybe after the
    // machine's id in braces; only a local socket can be this session's server.
    if (const auto servers = variable(environment, "PULSE_SERVER")) {
        std::string_view rest = *servers;
        while (!rest.empty()) {
            const auto end = std::min(rest.find(' '), rest.size());
            auto address = rest.substr(0, end);
            rest.remove_prefix(std::min(end + 1, rest.size()));
            if (address.starts_with('{')) {
                address.remove_prefix(std::min(address.find('}') + 1, address.size()));
            }
            if (address.starts_with("unix:")) {
                address.remove_prefix(5);
            }
            if (address.starts_with('/')) {
                return std::string(address);
            }
        }
        return {};
    }
    if (const auto directory = variable(environment, "PULSE_RUNTIME_PATH")) {
        return *directory + "/native";
    }
    const auto directory = variable(environment, "XDG_RUNTIME_DIR");
    return directory ? *directory + "/pulse/native" : std::string();
}

std::string SoundServer::pipewireSocket(const std::vector<std::string>& environment) {
    const auto name = variable(environment, "PIPEWIRE_REMOTE").value_or("pipewire-0");
    if (name.starts_with('/')) {
        return name;
    }
    auto directory = variable(environment, "PIPEWIRE_RUNTIME_DIR");
    if (!directory) {
        directory = variable(environment, "XDG_RUNTIME_DIR");
    }
    return directory ? *directory + "/" + name : std::string();
}

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

bool SoundServer::isOurs(const std::optional<ProcessEntry>& process) const {
    return process && process->user == session.user && process->inThisNamespace;
}

std::optional<ProcessEntry> SoundServer::server(const std::string& kind) {
    const auto socket =
        kind == pulseaudio ? pulseSocket(session.environment) : pipewireSocket(session.environment);
    if (socket.empty()) {
        return std::nullopt;
    }
    // The process that set the socket listening, unless a service manager did that for the
    // server, which then holds it beside the manager.
    const auto isIt = [&](const std::optional<ProcessEntry>& process) {
        return isOurs(process) && isServer(*process, kind);
    };
    const auto listener = table.listenerOf(socket);
    if (!listener) {
        return std::nullopt;
    }
    if (auto process = table.process(*listener); isIt(process)) {
        return process;
    }
    for (const auto pid : table.holdersOf(socket)) {
        if (auto process = table.process(pid); isIt(process)) {
            return process;
        }
    }
    return std::nullopt;
}

std::vector<ProcessEntry> SoundServer::companions(const ProcessEntry& serverProcess) {
    std::vector<ProcessEntry> found;
    for (const auto pid : table.clientsOf(serverProcess.pid)) {
        if (auto process = table.process(pid); isOurs(process) && isCompanion(*process)) {
            found.push_back(std::move(*process));
        }
    }
    return found;
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
    const auto serverProcess = server(kind);
    std::shared_ptr<HeldProcess> heldServer = serverProcess ? table.hold(*serverProcess) : nullptr;
    if (!heldServer) {
        throw RestartFailure::failed("Couldn’t stop " + kind + ": it isn’t running.");
    }
    const Found found{*serverProcess, std::move(heldServer)};
    // PipeWire's companions go down and come back with it; PulseAudio has none. Each is held
    // from here on, and one that has already gone is left out.
    std::vector<Found> all;
    if (kind == pipewire) {
        for (auto& process : companions(*serverProcess)) {
            if (std::shared_ptr<HeldProcess> held = table.hold(process)) {
                all.push_back({std::move(process), std::move(held)});
            }
        }
    }
    if (auto unit = unitOf(*serverProcess); !unit.empty()) {
        return restartUnits(*serverProcess, unit, all, answered, kind);
    }
    // Noted before anything is stopped: afterwards the system has forgotten it. A server that
    // could not be started again is not stopped at all.
    auto programs = std::vector<Stopped>{stoppedProgram(*serverProcess, true)};
    if (programs.front().refused) {
        throw RestartFailure::failed("Couldn’t restart " + kind + ": " +
                                     (serverProcess->executable.empty()
                                          ? "its program file can’t be found"
                                          : serverProcess->executable + " isn’t a system program") +
                                     ", so it couldn’t be started again.");
    }
    for (const auto& process : all) {
        programs.push_back(stoppedProgram(process.entry, false));
    }
    // A program that would not be started again is not the app's to stop: it is named when the
    // rest is back.
    std::erase_if(
        all, [&](const Found& process) { return stoppedProgram(process.entry, false).refused; });
    {
        const std::lock_guard lock(mutex);
        relaunch = std::move(programs);
    }
    // The companions hear their signal first, so that none of them reacts to the server's end
    // on its own.
    return signalAndWait(found, std::move(all), kind, stop);
}

std::string SoundServer::unitOf(const ProcessEntry& process) {
    // Being in a unit's control group is not enough: a terminal or the desktop shell may run as
    // a unit, and a server the app started again sits in the app's own.
    const auto unit = services.unitOf(process.pid);
    if (!unit || unit->mainPID != process.pid || !unit->name.ends_with(".service")) {
        return {};
    }
    const auto own = services.unitOf(session.self);
    return own && own->name == unit->name ? std::string() : unit->name;
}

std::int32_t SoundServer::restartUnits(const ProcessEntry& serverProcess, const std::string& unit,
                                       const std::vector<Found>& all, bool answered,
                                       const std::string& kind) {
    // The server's unit first; a companion outside the service manager is left to follow.
    // Whether each answers is asked of itself: PipeWire through a round trip of its own, the
    // bridge (or PulseAudio) through the sound clients' protocol. A restart would wait out the
    // stop time-out of a unit whose program cannot hear SIGTERM, so that one is killed first.
    std::vector<std::string> units{unit};
    std::vector<std::string> wedged;
    if (kind == pipewire
            ? !pipewireCore.answers(pipewireSocket(session.environment), answerDeadline)
            : !answered) {
        wedged.push_back(unit);
    }
    for (const auto& process : all) {
        const auto companionUnit = unitOf(process.entry);
        if (companionUnit.empty() ||
            std::find(units.begin(), units.end(), companionUnit) != units.end()) {
            continue;
        }
        units.push_back(companionUnit);
        if (!answered && isBridge(process.entry)) {
            wedged.push_back(companionUnit);
        }
    }
    if (!wedged.empty()) {
        services.kill(wedged);
    }
    auto outcome = services.restart(units, serviceRestartLimit);
    if (outcome == ServiceManager::Outcome::startLimitHit) {
        // Restarts in a row count against the units' start limit; the user asked for this one.
        for (const auto& name : units) {
            services.resetFailed(name);
        }
        outcome = services.restart(units, serviceRestartLimit);
    }
    if (outcome != ServiceManager::Outcome::done) {
        std::string names;
        for (const auto& name : units) {
            names += (names.empty() ? "" : ", ") + name;
        }
        throw RestartFailure::failed("Couldn’t restart " + kind + ": " +
                                     outcomeText(outcome, names));
    }
    return serverProcess.pid;
}

std::int32_t SoundServer::signalAndWait(const Found& serverProcess, std::vector<Found> all,
                                        const std::string& kind, const StopToken& stop) {
    all.push_back(serverProcess);
    for (const auto& process : all) {
        process.held->signal(HeldProcess::Signal::terminate);
    }
    // Once signalled, the programs are seen to their end whatever happens, so that they can be
    // started again: a stop request only cuts SIGTERM's grace short.
    if (!waitForExit(all, terminateGrace, stop)) {
        for (const auto& process : all) {
            process.held->signal(HeldProcess::Signal::kill);
        }
        waitForExit(all, killGrace, StopToken());
    }
    if (!serverProcess.held->hasEnded()) {
        throw RestartFailure::failed("Couldn’t stop " + kind + ": process " +
                                     std::to_string(serverProcess.entry.pid) +
                                     " is still running after SIGKILL.");
    }
    return serverProcess.entry.pid;
}

bool SoundServer::waitForExit(std::vector<Found>& running, std::chrono::milliseconds limit,
                              const StopToken& stop) {
    for (auto waited = std::chrono::milliseconds(0);; waited += exitCheckInterval) {
        std::erase_if(running, [](const Found& process) { return process.held->hasEnded(); });
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

SoundServer::Stopped SoundServer::stoppedProgram(const ProcessEntry& process, bool isServer) const {
    // The program file itself, never what a process says it is, and the session's own
    // environment, never the process's: a program that only calls itself a companion is not
    // started from here.
    auto arguments = process.arguments;
    if (arguments.empty()) {
        arguments = {process.executable};
    }
    // Without a file, it is named by its own name and process ID in what the user reads.
    return Stopped{
        .role = roleOf(process),
        .isServer = isServer,
        .launch = {.program = process.executable.empty()
                                  ? process.name + " (process " + std::to_string(process.pid) + ")"
                                  : process.executable,
                   .arguments = std::move(arguments),
                   .environment = session.environment},
        .refused = process.executable.empty() || !process.systemProgram};
}

bool SoundServer::isBack(const Stopped& program) {
    std::string kind;
    {
        const std::lock_guard lock(mutex);
        kind = stopped;
    }
    const auto serverProcess = server(kind);
    if (!serverProcess || program.isServer) {
        return serverProcess.has_value();
    }
    const auto running = companions(*serverProcess);
    return std::any_of(running.begin(), running.end(), [&](const ProcessEntry& process) {
        return roleOf(process) == program.role;
    });
}

int SoundServer::start(const Stopped& program) {
    return launcher.startDetached(program.launch);
}

void SoundServer::waitUntilListening(const std::vector<Stopped>& programs, const StopToken& stop) {
    const auto server = std::find_if(programs.begin(), programs.end(),
                                     [](const Stopped& program) { return program.isServer; });
    const auto socket = pipewireSocket(session.environment);
    if (server == programs.end() || !server->role.starts_with(pipewire) || socket.empty()) {
        return;
    }
    // Not cut short by a stop request: companions started too early give up at once.
    const auto limit = stop.stopRequested() ? readyLimitWhenQuitting : readyLimit;
    for (auto waited = std::chrono::milliseconds(0);
         waited < limit && !table.isListening(socket) && isBack(*server);
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
    std::string failures;
    const auto allBack = [&] {
        return std::all_of(programs.begin(), programs.end(),
                           [this](const Stopped& program) { return isBack(program); });
    };
    bool cancelled = false;
    std::erase_if(programs, [&](const Stopped& program) {
        if (program.refused) {
            failures += (failures.empty() ? "" : "; ") + program.launch.program + ": " +
                        std::string(notSystemProgram);
        }
        return program.refused;
    });
    for (auto waited = std::chrono::milliseconds(0); !allBack(); waited += backCheckInterval) {
        if (waited >= supervisorGrace || !sleeper.sleep(backCheckInterval, stop)) {
            cancelled = stop.stopRequested();
            break;
        }
    }
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
        // The name it was started by where that chooses what it does (pipewire-pulse).
        auto words = program.launch.arguments;
        if (baseName(words.front()) == baseName(program.launch.program) ||
            !words.front().starts_with('/')) {
            words.front() = program.launch.program;
        }
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
        const bool detachesItself = program.role.starts_with(pulseaudio) && daemonizes(words);
        if (!detachesItself) {
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
