#include "restart/SoundServer.h"

#include "FakePipeWireCore.h"
#include "FakePlatform.h"
#include "FakeServiceManager.h"
#include "restart/CoreAudioRestarter.h"
#include "support/StopSource.h"
#include "support/TaskCancelled.h"

#include <algorithm>
#include <cerrno>
#include <gtest/gtest.h>

namespace sonifix {
namespace {

using namespace std::chrono_literals;
using Failure = CoreAudioRestarter::Failure;
using Strings = std::vector<std::string>;

const std::string runtime = "/run/user/1000";
const std::string pulseSocket = runtime + "/pulse/native";
const std::string pipewireSocket = runtime + "/pipewire-0";

// Processes and the sockets between them, as the test lists them. A signalled process ends at
// once, unless it is unkillable; a handle names the process it was taken for, and no later one
// of the same ID.
class FakeProcessTable final : public ProcessTable {
public:
    static constexpr std::uint32_t user = 1000;

    class Held final : public HeldProcess {
    public:
        Held(FakeProcessTable& table, ProcessEntry entry) : table(table), entry(std::move(entry)) {}
        int signal(Signal signal) override {
            if (hasEnded()) {
                return ESRCH;
            }
            table.signals.push_back((signal == Signal::kill ? "KILL " : "TERM ") +
                                    std::to_string(entry.pid));
            if (!table.unkillable.contains(entry.pid)) {
                table.end(entry.pid);
            }
            return 0;
        }
        bool hasEnded() override {
            const auto now = table.processes.find(entry.pid);
            return now == table.processes.end() || now->second.startTime != entry.startTime;
        }

    private:
        FakeProcessTable& table;
        const ProcessEntry entry;
    };

    // Adds a running process; `server`: the one whose socket it is connected to.
    void add(ProcessEntry process, std::int32_t server = 0) {
        process.user = process.user ? process.user : user;
        process.startTime = ++clock;
        serverOf[process.pid] = server;
        processes[process.pid] = std::move(process);
    }
    void end(std::int32_t pid) {
        processes.erase(pid);
        std::erase_if(listeners, [&](const auto& socket) { return socket.second == pid; });
    }

    std::optional<ProcessEntry> process(std::int32_t pid) override {
        const auto found = processes.find(pid);
        return found == processes.end() ? std::nullopt : std::optional(found->second);
    }
    std::optional<std::int32_t> listenerOf(const std::string& path) override {
        return listeners.contains(path) ? std::optional(listeners[path]) : std::nullopt;
    }
    std::vector<std::int32_t> holdersOf(const std::string& path) override { return holders[path]; }
    std::vector<std::int32_t> clientsOf(std::int32_t pid) override {
        std::vector<std::int32_t> clients;
        for (const auto& [client, server] : serverOf) {
            if (server == pid && processes.contains(client)) {
                clients.push_back(client);
            }
        }
        return clients;
    }
    std::unique_ptr<HeldProcess> hold(const ProcessEntry& entry) override {
        return std::make_unique<Held>(*this, entry);
    }
    bool isListening(const std::string& path) override { return listening.contains(path); }
    std::uint32_t currentUser() override { return user; }

    std::map<std::int32_t, ProcessEntry> processes;
    std::map<std::int32_t, std::int32_t> serverOf;
    std::map<std::string, std::int32_t> listeners; // socket path: the process that listens
    std::map<std::string, std::vector<std::int32_t>> holders;
    std::set<std::int32_t> unkillable;
    std::set<std::string> listening;  // paths something takes connections at
    std::vector<std::string> signals; // "TERM 1801", "KILL 1801", in order sent
    std::uint64_t clock = 0;
};

// A server that answers with the name the test gives, or, once frozen, not at all.
class FakeSoundServerProbe final : public SoundServerProbe {
public:
    std::optional<std::string> serverName(std::chrono::milliseconds) override {
        return frozen ? std::nullopt : std::optional(name);
    }
    std::optional<std::string> lastServerName() override { return name; }

    std::string name;
    bool frozen = false;
};

const std::string pipewireBridge = "PulseAudio (on PipeWire 1.0.5)";

// A process of the system program /usr/bin/`program`, started by `arguments` (its own path
// first when none are given).
ProcessEntry process(std::int32_t pid, std::string program, Strings arguments = {}) {
    const auto file = "/usr/bin/" + program;
    if (arguments.empty() || arguments.front().front() == '-') {
        arguments.insert(arguments.begin(), file);
    }
    return {.pid = pid,
            .name = std::move(program),
            .executable = file,
            .systemProgram = true,
            .inThisNamespace = true,
            .arguments = std::move(arguments)};
}

template <class Step> std::string failureOf(Step step) {
    try {
        step();
    } catch (const Failure& failure) {
        return failure.what();
    }
    return "(no failure)";
}

class SoundServerTest : public ::testing::Test {
protected:
    std::string stopFailure() {
        return failureOf([&] { server.stop(stop.token()); });
    }
    // PipeWire with its bridge and session manager, the bridge taking the sound clients.
    void addPipeWire() {
        table.add(process(900, "pipewire"));
        table.add(process(902, "pipewire", {"/usr/bin/pipewire-pulse"}), 900);
        table.add(process(903, "wireplumber"), 900);
        table.listeners = {{pipewireSocket, 900}, {pulseSocket, 902}};
        probe.name = pipewireBridge;
    }

    testing::FakePlatform fake;
    FakeProcessTable table;
    FakeSoundServerProbe probe;
    testing::FakeServiceManager services;
    testing::FakePipeWireCore pipewireCore;
    const Strings environment{"HOME=/home/ada", "XDG_RUNTIME_DIR=" + runtime, "INVOCATION_ID=0123",
                              "PATH=/usr/bin"};
    SoundServer server{services,
                       table,
                       probe,
                       pipewireCore,
                       fake.launcher,
                       fake.sleeper,
                       {.user = 1000, .environment = environment, .self = 4242}};
    StopSource stop;
};

// Ubuntu 22.04: PipeWire for screen capture beside PulseAudio for the sound. Only the process on
// this session's socket is the server: not another session's of the same user, not a container's,
// not another user's, whatever they are named.
TEST_F(SoundServerTest, TheServerIsTheProcessOnTheSessionsSocketAndItsCompanionsAreItsClients) {
    table.add(process(600, "pulseaudio", {"--daemonize=no"})); // another session's
    table.add(process(700, "pipewire"));
    table.add(process(701, "pipewire", {"-c", "filter-chain.conf"}), 700);
    table.add(process(733, "pulseaudio", {"--daemonize=no"}));
    // The user manager made the socket for it.
    table.add(process(650, "systemd", {"--user"}));
    table.listeners = {{pulseSocket, 650}, {pipewireSocket, 700}};
    table.holders[pulseSocket] = {650, 733};
    probe.name = "pulseaudio";
    EXPECT_EQ(server.stop(stop.token()), 733);
    EXPECT_EQ(table.signals, Strings{"TERM 733"});
    EXPECT_FALSE(server.pid());

    // Switched to PipeWire's bridge: its companions go down with it, filter chains included;
    // a sound client does not.
    table.listeners.clear();
    addPipeWire();
    table.add(process(904, "pipewire", {"-c", "filter-chain.conf"}), 900);
    table.add(process(905, "firefox"), 900);
    EXPECT_EQ(server.name(), "pipewire");
    EXPECT_EQ(server.stop(stop.token()), 900);
    EXPECT_EQ(table.signals, (Strings{"TERM 733", "TERM 902", "TERM 903", "TERM 904", "TERM 900"}))
        << "the companions first";

    for (auto other : {ProcessEntry{.user = 1001}, ProcessEntry{.inThisNamespace = false}}) {
        table.add(process(910, "pipewire"));
        table.processes[910].user = other.user ? other.user : 1000;
        table.processes[910].inThisNamespace = other.inThisNamespace;
        table.listeners = {{pipewireSocket, 910}};
        EXPECT_EQ(stopFailure(), "Couldn’t stop pipewire: it isn’t running.");
    }
}

TEST_F(SoundServerTest, AServerThatIsNotThereOrOutlivesSigkillIsReportedAndAnIDTakenOverIsLeft) {
    probe.name = "pulseaudio";
    EXPECT_EQ(stopFailure(), "Couldn’t stop pulseaudio: it isn’t running.");
    EXPECT_TRUE(fake.sleeper.pauses.empty());

    table.add(process(734, "pulseaudio"));
    table.listeners = {{pulseSocket, 734}};
    table.unkillable = {734};
    EXPECT_EQ(stopFailure(),
              "Couldn’t stop pulseaudio: process 734 is still running after SIGKILL.");
    EXPECT_EQ(table.signals, (Strings{"TERM 734", "KILL 734"}));

    // It ends during SIGTERM's grace and another process gets its ID.
    table.signals.clear();
    fake.sleeper.hooks[fake.sleeper.pauses.size() + 1] = [this] {
        table.end(734);
        table.add(process(734, "bash"));
    };
    server.stop(stop.token());
    EXPECT_EQ(table.signals, Strings{"TERM 734"});
}

// The units as Debian ships them: pipewire-pulse.service only wants pipewire.service, so a
// restart of PipeWire alone would leave the bridge talking to no one. What does not answer is
// killed first, PipeWire asked itself, the bridge through its clients' protocol; the start limit
// that restarts in a row run into is cleared once.
TEST_F(SoundServerTest, UnderTheServiceManagerTheServersUnitsAreRestartedAsTheManagerRunsThem) {
    using Outcome = ServiceManager::Outcome;
    addPipeWire();
    services.units = {{900, {"pipewire.service", 900}},
                      {902, {"pipewire-pulse.service", 902}},
                      {903, {"wireplumber.service", 903}}};
    const std::string restart =
        "restart pipewire.service pipewire-pulse.service wireplumber.service";
    EXPECT_EQ(server.stop(stop.token()), 900);
    probe.frozen = true;
    services.outcomes = {Outcome::startLimitHit, Outcome::done, Outcome::timedOut};
    server.stop(stop.token());
    probe.frozen = false;
    pipewireCore.answering = false;
    EXPECT_EQ(stopFailure(), "Couldn’t restart pipewire: the service manager didn’t restart "
                             "pipewire.service, pipewire-pulse.service, wireplumber.service "
                             "within 8 seconds.");
    EXPECT_EQ(
        services.requests,
        (Strings{restart, "kill pipewire-pulse.service", restart, "reset-failed pipewire.service",
                 "reset-failed pipewire-pulse.service", "reset-failed wireplumber.service", restart,
                 "kill pipewire.service", restart}));
    EXPECT_EQ(services.lastLimit, SoundServer::serviceRestartLimit);
    EXPECT_TRUE(table.signals.empty());
}

// A server started from a terminal or a desktop shell that runs as a unit, or started again by
// the app and so in the app's own unit: the unit is not the server's, and only the server is
// stopped.
TEST_F(SoundServerTest, AUnitIsTheServersOnlyWhenTheManagerSaysItIsItsMainProcess) {
    table.add(process(733, "pulseaudio"));
    table.listeners = {{pulseSocket, 733}};
    probe.name = "pulseaudio";
    for (const auto& unit : {ServiceManager::Unit{"app-org.kde.konsole@12.service", 700},
                             ServiceManager::Unit{"app-sonifix@autostart.service", 733},
                             ServiceManager::Unit{"session-2.scope", 733}}) {
        services.units = {{733, unit}, {4242, {"app-sonifix@autostart.service", 4242}}};
        server.stop(stop.token());
        EXPECT_TRUE(services.requests.empty()) << unit.name;
        EXPECT_EQ(table.signals, Strings{"TERM 733"});
        table.signals.clear();
        table.add(process(733, "pulseaudio"));
        table.listeners = {{pulseSocket, 733}};
    }
}

TEST_F(SoundServerTest, WhereClientsFindTheServers) {
    using E = Strings;
    EXPECT_EQ(SoundServer::pulseSocket(E{"XDG_RUNTIME_DIR=/run/user/7"}),
              "/run/user/7/pulse/native");
    EXPECT_EQ(SoundServer::pulseSocket(
                  E{"PULSE_SERVER=tcp:box {abc}unix:/x/native /y", "XDG_RUNTIME_DIR=/r"}),
              "/x/native");
    EXPECT_EQ(SoundServer::pulseSocket(E{"PULSE_SERVER=tcp:box"}), "");
    EXPECT_EQ(SoundServer::pipewireSocket(E{"XDG_RUNTIME_DIR=/r", "PIPEWIRE_REMOTE=pw-1"}),
              "/r/pw-1");
    EXPECT_EQ(SoundServer::pipewireSocket(E{"PIPEWIRE_REMOTE=/p/s", "XDG_RUNTIME_DIR=/r"}), "/p/s");
    EXPECT_EQ(SoundServer::pipewireSocket(E{"XDG_RUNTIME_DIR=/r", "PIPEWIRE_RUNTIME_DIR=/q"}),
              "/q/pipewire-0");
}

// A session that starts PipeWire from its autostart, and nothing that brings it back.
class WithoutSupervisorTest : public SoundServerTest {
protected:
    WithoutSupervisorTest() {
        addPipeWire();
        table.add(process(901, "pipewire", {"-c", "filter-chain.conf"}), 900);
        // What the launcher starts runs; PipeWire takes connections a few pauses later.
        fake.launcher.onStart = [this](const ProgramLaunch& launch) {
            const auto& first = launch.arguments.front();
            const auto pid = nextPID++;
            if (launch.arguments.size() == 1 && first == "/usr/bin/pipewire") {
                table.add(process(pid, "pipewire"));
                table.listeners[pipewireSocket] = pid;
                fake.sleeper.hooks[fake.sleeper.pauses.size() + 3] = [this] {
                    table.listening = {pipewireSocket};
                };
                return;
            }
            companionsSawListening.push_back(table.isListening(pipewireSocket));
            const auto name = launch.program.substr(launch.program.rfind('/') + 1);
            table.add(process(pid, name, launch.arguments), table.listeners[pipewireSocket]);
        };
    }

    std::int32_t nextPID = 2000;
    std::vector<bool> companionsSawListening;
};

TEST_F(WithoutSupervisorTest, TheSystemProgramsAreStartedAgainServerFirstInTheSessionsEnvironment) {
    fake.launcher.installed = {"/usr/bin/pipewire", "/usr/bin/wireplumber"};
    // A program that only calls itself the session manager, with an environment of its own.
    table.processes[903].executable = "/home/ada/.cache/x/wireplumber";
    table.processes[903].systemProgram = false;
    EXPECT_EQ(server.stop(stop.token()), 900);
    EXPECT_EQ(table.signals, (Strings{"TERM 901", "TERM 902", "TERM 900"})) << "not the look-alike";
    EXPECT_EQ(failureOf([&] { server.bringBack(stop.token()); }),
              "pipewire was stopped but couldn’t be started again "
              "(/home/ada/.cache/x/wireplumber: not a system program, so not started from here).");
    EXPECT_GE(fake.sleeper.total(), SoundServer::supervisorGrace) << "a supervisor's moment";

    const auto& launches = fake.launcher.launches;
    ASSERT_EQ(launches.size(), 3U);
    EXPECT_EQ(launches[0].arguments, Strings{"/usr/bin/pipewire"});
    EXPECT_EQ(launches[1].arguments, (Strings{"/usr/bin/pipewire", "-c", "filter-chain.conf"}));
    // pipewire-pulse is PipeWire's program started by another name, which chooses what it does.
    EXPECT_EQ(launches[2].program, "/usr/bin/pipewire");
    EXPECT_EQ(launches[2].arguments, Strings{"/usr/bin/pipewire-pulse"});
    for (const auto& launch : launches) {
        EXPECT_EQ(launch.environment,
                  (Strings{"HOME=/home/ada", "XDG_RUNTIME_DIR=" + runtime, "PATH=/usr/bin"}))
            << "the session's, without a service manager's own";
        EXPECT_EQ(launch.workingDirectory, "");
    }
    EXPECT_EQ(companionsSawListening, (std::vector<bool>{true, true}))
        << "companions start once the server takes connections";
    EXPECT_EQ(server.pid(), 2000);
}

TEST_F(WithoutSupervisorTest,
       ProgramsASupervisorBringsBackAreLeftAloneAndAStopStartsTheRestAtOnce) {
    fake.launcher.installed = {"/usr/bin/wireplumber"};
    StopSource quit;
    quit.requestStop();
    EXPECT_THROW(server.stop(quit.token()), TaskCancelled);
    EXPECT_TRUE(table.signals.empty()) << "a quit before the stop leaves the server alone";

    server.stop(stop.token());
    // The supervisor brings back all but the session manager; then the app is quit.
    fake.sleeper.hooks[fake.sleeper.pauses.size() + 2] = [this] {
        table.add(process(3000, "pipewire"));
        table.add(process(3001, "pipewire", {"/usr/bin/pipewire-pulse"}), 3000);
        table.add(process(3002, "pipewire", {"-c", "filter-chain.conf"}), 3000);
        table.listeners = {{pipewireSocket, 3000}, {pulseSocket, 3001}};
        table.listening = {pipewireSocket};
        stop.requestStop();
    };
    EXPECT_THROW(server.bringBack(stop.token()), TaskCancelled);
    ASSERT_EQ(fake.launcher.launches.size(), 1U);
    EXPECT_EQ(fake.launcher.launches[0].program, "/usr/bin/wireplumber");
}

TEST_F(SoundServerTest, APulseAudioThatCannotBeStartedAgainIsReportedWithTheCommandThatWould) {
    table.add(process(733, "pulseaudio", {"--start", "--log-target=file:/tmp/my log"}));
    table.listeners = {{pulseSocket, 733}};
    probe.name = "pulseaudio";
    server.stop(stop.token());
    EXPECT_EQ(failureOf([&] { server.bringBack(stop.token()); }),
              "pulseaudio was stopped but couldn’t be started again (/usr/bin/pulseaudio: No such "
              "file or directory).\n\nTo start it again, run:\n"
              "/usr/bin/pulseaudio --start '--log-target=file:/tmp/my log'");

    // Started, but it never answers: the engine's ten seconds, and the same advice for a server
    // that stays in the foreground.
    table.add(process(734, "pulseaudio", {"--daemonize=no"}));
    table.listeners = {{pulseSocket, 734}};
    fake.launcher.installed = {"/usr/bin/pulseaudio"};
    CoreAudioRestarter engine(fake.platform, server);
    EXPECT_EQ(failureOf([&] { engine.restart(stop.token()); }),
              "pulseaudio was stopped but didn't come back within 10 seconds.\n\nTo start it "
              "again, run:\nsetsid -f /usr/bin/pulseaudio --daemonize=no");
}

} // namespace
} // namespace sonifix
