#include "restart/SoundServer.h"

#include "FakePlatform.h"
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

// Processes the test lists. A signalled process ends at once, unless it is unkillable.
class FakeProcessTable final : public ProcessTable {
public:
    static constexpr std::uint32_t user = 1000;

    void add(ProcessEntry process) {
        process.user = process.user ? process.user : user;
        processes[process.pid] = std::move(process);
    }

    std::vector<ProcessEntry> find(const std::vector<std::string>& names) override {
        std::vector<ProcessEntry> found;
        for (const auto& [pid, process] : processes) {
            if (std::find(names.begin(), names.end(), process.name) != names.end()) {
                found.push_back(process);
            }
        }
        return found;
    }
    bool isRunning(std::int32_t pid) override { return processes.contains(pid); }
    int signal(std::int32_t pid, Signal signal) override {
        signals.push_back((signal == Signal::kill ? "KILL " : "TERM ") + std::to_string(pid));
        if (!processes.contains(pid)) {
            return ESRCH;
        }
        if (!unkillable.contains(pid)) {
            processes.erase(pid);
        }
        return 0;
    }
    std::optional<ProgramLaunch> launchOf(std::int32_t pid) override {
        if (!processes.contains(pid)) {
            return std::nullopt;
        }
        return launches.contains(pid) ? launches[pid]
                                      : ProgramLaunch{.arguments = processes[pid].arguments};
    }
    bool isListening(const std::string& path) override { return listening.contains(path); }
    std::uint32_t currentUser() override { return user; }

    std::map<std::int32_t, ProcessEntry> processes;
    std::set<std::int32_t> unkillable;
    std::map<std::int32_t, ProgramLaunch> launches; // how each was started, as the system tells
    std::set<std::string> listening;                // paths something listens at
    std::vector<std::string> signals;               // "TERM 1801", "KILL 1801", in order sent
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
const std::string userManager = "/user.slice/user-1000.slice/user@1000.service";

ProcessEntry process(std::int32_t pid, std::string name, Strings arguments = {},
                     std::string unit = {}) {
    arguments.insert(arguments.begin(), "/usr/bin/" + name);
    return {.pid = pid,
            .name = std::move(name),
            .arguments = std::move(arguments),
            .controlGroup = unit.empty() ? "/user.slice/user-1000.slice/session-2.scope"
                                         : userManager + "/session.slice/" + unit};
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

    testing::FakePlatform fake;
    FakeProcessTable table;
    FakeSoundServerProbe probe;
    SoundServer server{fake.processes, table, probe, fake.launcher, fake.sleeper, {.user = 1000}};
    StopSource stop;
};

// Ubuntu 22.04: PipeWire for screen capture beside PulseAudio for the sound, and programs of
// PipeWire's own that share its name.
TEST_F(SoundServerTest, TheServerThatAnswersTheSoundClientsIsTheOneStopped) {
    table.add(process(900, "pipewire"));
    table.add(process(901, "pipewire", {"-c", "filter-chain.conf"}));
    table.add(process(733, "pulseaudio", {"--daemonize=no"}));
    table.add({.pid = 500, .user = 1001, .name = "pulseaudio"}); // another user's
    probe.name = "pulseaudio";
    EXPECT_EQ(server.stop(stop.token()), 733);
    EXPECT_EQ(table.signals, Strings{"TERM 733"});
    EXPECT_FALSE(server.pid()) << "gone, and no other user's server counts";

    // The user switches to PipeWire's bridge: its companions go down with it, the filter chain
    // stays.
    table.add(process(902, "pipewire-pulse"));
    table.add(process(903, "wireplumber"));
    probe.name = pipewireBridge;
    EXPECT_EQ(server.name(), "pipewire");
    EXPECT_EQ(server.stop(stop.token()), 900);
    EXPECT_EQ(table.signals, (Strings{"TERM 733", "TERM 902", "TERM 903", "TERM 900"}))
        << "the companions first";
    EXPECT_FALSE(server.pid()) << "pipewire -c filter-chain.conf is not the server";
}

// (A wedged server killed after its grace is the end-to-end test's frozen server.)
TEST_F(SoundServerTest, AServerThatIsNotThereOrOutlivesSigkillIsReported) {
    probe.name = "pulseaudio";
    EXPECT_EQ(stopFailure(), "Couldn’t stop pulseaudio: it isn’t running.");
    EXPECT_TRUE(fake.sleeper.pauses.empty());

    table.add(process(734, "pulseaudio"));
    table.unkillable = {734};
    EXPECT_EQ(stopFailure(),
              "Couldn’t stop pulseaudio: process 734 is still running after SIGKILL.");
    EXPECT_EQ(table.signals, (Strings{"TERM 734", "KILL 734"}));
}

// The units as Debian ships them: pipewire-pulse.service only wants pipewire.service, so a
// restart of PipeWire alone would leave the bridge talking to no one.
TEST_F(SoundServerTest, UnderTheServiceManagerAllTheUnitsAreRestartedAndAWedgedServerKilledFirst) {
    table.add(process(1801, "pipewire", {}, "pipewire.service"));
    table.add(process(1802, "wireplumber", {}, "wireplumber.service"));
    table.add(process(1803, "pipewire-pulse", {}, "pipewire-pulse.service"));
    const std::string units = " pipewire.service wireplumber.service pipewire-pulse.service";
    const auto restart = "/usr/bin/systemctl --user restart" + units;
    const auto kill = "/usr/bin/systemctl --user kill --signal=SIGKILL" + units;
    fake.processes.answer(restart, {{0, ""}, {0, ""}, {.status = -1, .timedOut = true}});
    fake.processes.answer(kill, {{0, ""}});
    probe.name = pipewireBridge;
    EXPECT_EQ(server.stop(stop.token()), 1801);
    probe.frozen = true;
    server.stop(stop.token());
    EXPECT_EQ(fake.processes.calls, (Strings{restart, kill, restart}));
    EXPECT_EQ(fake.processes.limits[restart], SoundServer::serviceRestartLimit);
    EXPECT_TRUE(table.signals.empty());
    EXPECT_EQ(stopFailure(),
              "Couldn’t restart pipewire: " + restart + " didn’t finish within 8 seconds.");

    // Only a service of the user manager is a unit to restart.
    EXPECT_EQ(SoundServer::serviceUnit(userManager + "/app.slice/pulseaudio.service"),
              "pulseaudio.service");
    for (const auto& other : {userManager + "/app.slice/app-org.gnome.Terminal.scope",
                              std::string("/system.slice/pipewire.service"),
                              userManager + "/init.scope", std::string()}) {
        EXPECT_EQ(SoundServer::serviceUnit(other), "") << other;
    }
}

// A session that starts PipeWire from its autostart, and nothing that brings it back.
class WithoutSupervisorTest : public SoundServerTest {
protected:
    WithoutSupervisorTest() {
        table.add(process(900, "pipewire"));
        table.launches[900] = {.program = "/usr/bin/pipewire",
                               .arguments = {"/usr/bin/pipewire"},
                               .workingDirectory = "/home/ada",
                               .environment = {{"HOME=/home/ada", "XDG_RUNTIME_DIR=/run/user/1000",
                                                "NOTIFY_SOCKET=/run/user/1000/systemd/notify"}}};
        table.add(process(901, "pipewire", {"-c", "filter-chain.conf"}));
        table.add(process(902, "pipewire-pulse"));
        table.launches[902] = {.program = "/usr/bin/pipewire", .arguments = {"pipewire-pulse"}};
        table.add(process(903, "wireplumber"));
        table.launches[903] = {.program = "/usr/bin/wireplumber (deleted)",
                               .arguments = {"./wireplumber"},
                               .workingDirectory = "/opt/wp"};
        probe.name = pipewireBridge;
        // What the launcher starts runs; PipeWire takes connections a few pauses later.
        fake.launcher.onStart = [this](const ProgramLaunch& launch) {
            startedPrograms.push_back(launch.program);
            const auto& program = launch.arguments.front();
            const auto name = program.substr(program.rfind('/') + 1);
            table.add({.pid = nextPID++, .name = name, .arguments = launch.arguments});
            if (name == "pipewire") {
                fake.sleeper.hooks[fake.sleeper.pauses.size() + 3] = [this] {
                    table.listening = {socket};
                };
            } else {
                companionsSawListening.push_back(table.isListening(socket));
            }
        };
    }

    const std::string socket = "/run/user/1000/pipewire-0";
    std::int32_t nextPID = 2000;
    std::vector<bool> companionsSawListening;
    Strings startedPrograms; // what the launcher found installed and started
};

TEST_F(WithoutSupervisorTest, TheProgramsAreStartedAgainAsTheyWereStartedServerFirst) {
    fake.launcher.installed = {"/usr/bin/pipewire", "pipewire-pulse", "/opt/wp/./wireplumber"};
    EXPECT_EQ(server.stop(stop.token()), 900);
    server.bringBack(stop.token());
    EXPECT_GE(fake.sleeper.total(), SoundServer::supervisorGrace) << "a supervisor's moment";

    // pipewire-pulse is started by its own name: by the file's, it would be a second server.
    EXPECT_EQ(startedPrograms,
              (Strings{"/usr/bin/pipewire", "pipewire-pulse", "/opt/wp/./wireplumber"}));
    EXPECT_EQ(companionsSawListening, (std::vector<bool>{true, true}))
        << "companions start once the server takes connections";
    const auto& launches = fake.launcher.launches;
    EXPECT_EQ(launches[0].workingDirectory, "/home/ada");
    EXPECT_EQ(launches[0].environment,
              (Strings{"HOME=/home/ada", "XDG_RUNTIME_DIR=/run/user/1000"}))
        << "a service manager's notification socket is not handed on";
    EXPECT_EQ(launches[1].arguments, Strings{"pipewire-pulse"});
    EXPECT_EQ(server.pid(), 2000);
    EXPECT_EQ(table.find({"pipewire"}).size(), 2U) << "the filter chain, and one server";
}

TEST_F(WithoutSupervisorTest,
       ProgramsASupervisorBringsBackAreLeftAloneAndAStopStartsTheRestAtOnce) {
    fake.launcher.installed = {"/usr/bin/pipewire", "pipewire-pulse", "/usr/bin/wireplumber"};
    StopSource quit;
    quit.requestStop();
    EXPECT_THROW(server.stop(quit.token()), TaskCancelled);
    EXPECT_TRUE(table.signals.empty()) << "a quit before the stop leaves the server alone";

    server.stop(stop.token());
    // The supervisor brings back the server and the bridge; then the app is quit.
    fake.sleeper.hooks[fake.sleeper.pauses.size() + 2] = [this] {
        table.add(process(3000, "pipewire"));
        table.add(process(3001, "pipewire-pulse"));
        table.listening = {socket};
        stop.requestStop();
    };
    EXPECT_THROW(server.bringBack(stop.token()), TaskCancelled);
    EXPECT_EQ(startedPrograms, Strings{"/usr/bin/wireplumber"})
        << "tried by its name first, then by the file the system ran";
    EXPECT_EQ(table.find({"pipewire"}).size(), 2U) << "no second server";
}

TEST_F(SoundServerTest, APulseAudioThatCannotBeStartedAgainIsReportedWithTheCommandThatWould) {
    table.add(process(733, "pulseaudio", {"--start", "--log-target=file:/tmp/my log"}));
    probe.name = "pulseaudio";
    server.stop(stop.token());
    EXPECT_EQ(failureOf([&] { server.bringBack(stop.token()); }),
              "pulseaudio was stopped but couldn’t be started again (/usr/bin/pulseaudio: No such "
              "file or directory).\n\nTo start it again, run:\n"
              "/usr/bin/pulseaudio --start '--log-target=file:/tmp/my log'");

    // Started, but it never answers: the engine's ten seconds, and the same advice for a server
    // that stays in the foreground.
    table.add(process(734, "pulseaudio", {"--daemonize=no"}));
    fake.launcher.installed = {"/usr/bin/pulseaudio"};
    CoreAudioRestarter engine(fake.platform, server);
    EXPECT_EQ(failureOf([&] { engine.restart(stop.token()); }),
              "pulseaudio was stopped but didn't come back within 10 seconds.\n\nTo start it "
              "again, run:\nsetsid -f /usr/bin/pulseaudio --daemonize=no");
}

} // namespace
} // namespace sonifix
