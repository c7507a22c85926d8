#include "SoundServerHarness.h"

#include "ChildProcess.h"
#include "PrivateDesktop.h"
#include "platform/linux/ProcFsProcessTable.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sonifix::testing {

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr auto tick = 10ms;
constexpr auto startLimit = 10s;
constexpr auto stopLimit = 3s;

template <typename Condition> bool waitFor(Condition done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(tick);
    }
    return true;
}

std::vector<std::string> programs(ServerKind kind) {
    return kind == ServerKind::pulseaudio
               ? std::vector<std::string>{"pulseaudio"}
               : std::vector<std::string>{"pipewire", "wireplumber", "pipewire-pulse"};
}

} // namespace

std::string SoundServerHarness::daemonName(ServerKind kind) {
    return programs(kind).front();
}

std::vector<std::string> SoundServerHarness::missingPrograms(ServerKind kind) {
    auto missing = programs(kind);
    missing.emplace_back("pactl");
    std::erase_if(missing, ChildProcess::installed);
    return missing;
}

SoundServerHarness::SoundServerHarness(ServerKind kind)
    : kind(kind), folder(PrivateDesktop::folder() + "/" + daemonName(kind)) {
    for (const auto& name : programs(kind)) {
        children.push_back({name});
    }
}

std::string SoundServerHarness::pactl(const std::vector<std::string>& arguments) const {
    std::vector<std::string> command{"timeout", "-k",    "1",
                                     "5",       "pactl", "--server=" + serverAddress()};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return ChildProcess::output(command);
}

SoundServer::Session SoundServerHarness::session() const {
    const char* path = std::getenv("PATH");
    const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    std::vector<std::string> environment{"PATH=" + std::string(path ? path : "/usr/bin:/bin"),
                                         "LANG=C", "HOME=" + folder + "/home",
                                         "XDG_RUNTIME_DIR=" + folder + "/run"};
    if (kind == ServerKind::pulseaudio) {
        environment.insert(environment.end(), {"XDG_CONFIG_HOME=" + folder + "/home/.config",
                                               "DBUS_SESSION_BUS_ADDRESS=disabled:"});
    } else {
        environment.insert(environment.end(),
                           {"XDG_CONFIG_HOME=" + folder + "/config",
                            "XDG_STATE_HOME=" + folder + "/state",
                            "DBUS_SESSION_BUS_ADDRESS=" + std::string(bus ? bus : "")});
    }
    return {.user = ::getuid(), .environment = std::move(environment)};
}

pid_t SoundServerHarness::serverPID() const {
    const std::lock_guard lock(mutex);
    return children.front().pid;
}

bool SoundServerHarness::runsHere(pid_t pid) const {
    std::ifstream file("/proc/" + std::to_string(pid) + "/environ");
    const std::string environment((std::istreambuf_iterator<char>(file)), {});
    const auto entry = "XDG_RUNTIME_DIR=" + folder + "/run";
    return environment.starts_with(entry + '\0') ||
           environment.find('\0' + entry + '\0') != std::string::npos;
}

void SoundServerHarness::adopt() {
    std::vector<std::string> names = programs(kind);
    for (auto process : ProcFsProcessTable().find(names)) {
        // pipewire-pulse is pipewire's program file, started by another name.
        if (!process.arguments.empty()) {
            const auto& first = process.arguments.front();
            const auto started = first.substr(first.rfind('/') + 1);
            if (std::find(names.begin(), names.end(), started) != names.end()) {
                process.name = started;
            }
        }
        // A PipeWire with a configuration of its own (a filter chain) is not one of them.
        const bool configured = std::find(process.arguments.begin(), process.arguments.end(),
                                          "-c") != process.arguments.end();
        if (process.parent != ::getpid() || configured || !runsHere(process.pid) ||
            std::any_of(children.begin(), children.end(),
                        [&](const Child& child) { return child.pid == process.pid; })) {
            continue;
        }
        auto place = std::find_if(children.begin(), children.end(), [&](const Child& child) {
            return child.name == process.name && !child.second;
        });
        if (place != children.end() && place->pid == 0) {
            place->pid = process.pid;
            awaitingAnswer = awaitingAnswer || place == children.begin();
        } else {
            children.push_back({process.name, process.pid, true});
        }
    }
}

int SoundServerHarness::secondServers() const {
    const std::lock_guard lock(mutex);
    return int(std::count_if(children.begin(), children.end(),
                             [](const Child& child) { return child.second; }));
}

void SoundServerHarness::supervise() {
    std::unique_lock lock(mutex);
    std::optional<std::chrono::steady_clock::time_point> killAt;
    while (!stopping || std::any_of(children.begin(), children.end(),
                                    [](const Child& child) { return child.pid != 0; })) {
        for (auto& child : children) {
            int status = 0;
            if (child.pid != 0 && ::waitpid(child.pid, &status, WNOHANG) == child.pid) {
                child.pid = 0;
            }
        }
        if (stopping && !killAt) {
            killAt = std::chrono::steady_clock::now() + stopLimit;
        } else if (stopping && std::chrono::steady_clock::now() > *killAt) {
            signalAll(SIGKILL);
        }
        if (!stopping) {
            adopt();
        }
        for (auto& child : children) {
            // PipeWire's companions give up at once when the server is not there yet: they are
            // started on a later round.
            if (respawn && !stopping && child.pid == 0 && !child.second &&
                (&child == &children.front() || fs::exists(folder + "/run/pipewire-0"))) {
                child.pid = ChildProcess::spawn({folder + "/start-" + child.name},
                                                folder + "/" + child.name + ".log");
                awaitingAnswer = awaitingAnswer || (child.pid != 0 && &child == &children.front());
            }
        }
        const bool awaiting = awaitingAnswer;
        lock.unlock();
        if (awaiting && answers()) {
            const auto now = std::chrono::steady_clock::now();
            const std::lock_guard relock(mutex);
            answered = now;
            awaitingAnswer = false;
        }
        std::this_thread::sleep_for(tick);
        lock.lock();
    }
}

void SoundServerHarness::start() {
    // Programs started detached from within the test process end up as its children, where the
    // harness can see, reap and stop them.
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    // What an earlier server of this run remembered (WirePlumber's default devices) is gone.
    std::error_code ignored;
    fs::remove_all(folder + "/state", ignored);
    supervisor = std::thread([this] { supervise(); });
    if (!waitFor([&] { return answers() && pactl({"get-default-source"}) == "builtin_mic"; },
                 startLimit)) {
        std::string logs;
        for (const auto& name : programs(kind)) {
            logs += "--- " + name + ".log\n" +
                    ChildProcess::output({"tail", "-n", "15", folder + "/" + name + ".log"}) + "\n";
        }
        throw std::runtime_error(daemonName(kind) + " did not start:\n" + logs);
    }
    const std::lock_guard lock(mutex);
    awaitingAnswer = false;
    answered.reset();
}

void SoundServerHarness::setRespawn(bool on) {
    const std::lock_guard lock(mutex);
    respawn = on;
}

std::optional<std::chrono::steady_clock::time_point> SoundServerHarness::lastAnswered() const {
    const std::lock_guard lock(mutex);
    return answered;
}

bool SoundServerHarness::answers() const {
    return pactl({"get-default-sink"}) == "speakers";
}

bool SoundServerHarness::waitUntilAnswering(std::chrono::milliseconds limit) {
    return waitFor([&] { return answers(); }, limit);
}

void SoundServerHarness::signalAll(int number, const std::string& except) const {
    for (const auto& child : children) {
        if (child.pid != 0 && child.name != except) {
            ::kill(child.pid, number);
        }
    }
}

void SoundServerHarness::freeze() {
    const std::lock_guard lock(mutex);
    signalAll(SIGSTOP, "wireplumber");
}

void SoundServerHarness::thaw() {
    const std::lock_guard lock(mutex);
    signalAll(SIGCONT);
}

SoundServerHarness::~SoundServerHarness() {
    {
        const std::lock_guard lock(mutex);
        if (!supervisor.joinable()) {
            return;
        }
        // What was started since the supervisor last looked is stopped too.
        adopt();
        stopping = true;
        signalAll(SIGTERM);
        // A stopped process acts on SIGTERM only once it runs again.
        signalAll(SIGCONT);
    }
    // The supervisor reaps them, and kills what is left after a while.
    supervisor.join();
}

} // namespace sonifix::testing
