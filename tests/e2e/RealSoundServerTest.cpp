#include "ChildProcess.h"
#include "FakePlatform.h"
#include "FakeServiceManager.h"
#include "PrivateDesktop.h"
#include "SoundServerHarness.h"
#include "app/AppDelegate.h"
#include "app/Settings.h"
#include "audio/AudioDevices.h"
#include "platform/AudioProperties.h"
#include "platform/linux/LibPipeWireCore.h"
#include "platform/linux/ProcFsProcessTable.h"
#include "platform/linux/PulseAudioHardware.h"
#include "platform/posix/PosixProcessRunner.h"
#include "platform/posix/PosixProgramLauncher.h"
#include "platform/posix/StopTokenSleeper.h"
#include "platform/posix/SystemClock.h"
#include "platform/posix/ThreadExecutor.h"
#include "restart/CoreAudioRestarter.h"
#include "restart/SoundServer.h"
#include "support/StopSource.h"
#include "support/TaskCancelled.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <set>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>

namespace sonifix {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;
using testing::ServerKind;
using testing::SoundServerHarness;
namespace props = audio_properties;

constexpr auto queryTimeout = 300ms;

template <typename Condition> bool eventually(Condition done) {
    for (int tick = 0; tick < 250 && !done(); ++tick) {
        std::this_thread::sleep_for(20ms);
    }
    return done();
}

// The real pause, with a tally of what was asked for: the engine's fixed waits.
class TallySleeper final : public Sleeper {
public:
    bool sleep(std::chrono::nanoseconds duration, StopToken stop) override {
        asked += duration;
        return real.sleep(duration, stop);
    }
    std::chrono::nanoseconds asked{0};

private:
    StopTokenSleeper real;
};

class RealSoundServerTest : public ::testing::TestWithParam<ServerKind> {
protected:
    void SetUp() override {
        if (const auto missing = SoundServerHarness::missingPrograms(GetParam());
            !missing.empty()) {
            GTEST_SKIP() << "not installed: " << missing.front();
        }
        harness.emplace(GetParam());
        harness->start();
        hardware.emplace(fake.mainQueue, PulseAudioHardware::Options{
                                             .server = harness->serverAddress(),
                                             .queryTimeout = queryTimeout,
                                         });
        // The first read also connects, which a slow (sanitized, loaded) run may not finish
        // within one query's time-out; the tests are about what comes after.
        ASSERT_TRUE(fake.mainQueue.runUntil(
            [&] { return !AudioDevices(*hardware).allDeviceIDs().empty(); }, 10s));
    }

    // Whatever brought a server back, the supervisor or the app, no other of its name ran then.
    void TearDown() override {
        if (harness) {
            EXPECT_EQ(harness->secondServers(), 0);
        }
        if (bare != 0) {
            ::kill(bare, SIGTERM);
            ::waitpid(bare, nullptr, 0);
        }
    }

    // The fakes, but for real child processes, the real server, the given sleeper and the
    // real clock.
    Platform platform(Sleeper& sleeper) {
        return fake.with({.processes = &processes,
                          .hardware = &*hardware,
                          .sleeper = &sleeper,
                          .clock = &clock});
    }
    SoundServer server(Sleeper& sleeper) {
        return SoundServer(services, table, *hardware, pipewireCore, launcher, sleeper,
                           harness->session());
    }
    // A restart from the menu of the app, launched by a person who has seen the welcome; true
    // when it ended within `limit`. The engine runs on a thread of its own; its outcome comes
    // back through the main queue.
    bool restartFromMenu(std::chrono::milliseconds limit) {
        StopTokenSleeper sleeper;
        auto bundle = platform(sleeper);
        auto found = server(sleeper);
        const auto delegate =
            std::make_shared<AppDelegate>(bundle, found, [](const std::string& name) {
                return PlatformTexts::forSoundServer(name, {});
            });
        fake.settings.setBool(settings::welcomed, true);
        delegate->applicationDidFinishLaunching();
        delegate->restartFromMenu();
        std::thread worker([&] { fake.background.runAll(); });
        const bool ended =
            fake.mainQueue.runUntil([&] { return !delegate->isRestarting(); }, limit);
        worker.join();
        for (const auto& alert : fake.alerts.shown) {
            ADD_FAILURE() << alert.informativeText;
        }
        EXPECT_EQ(fake.settings.integerForKey(settings::restartCount), 1);
        return ended;
    }

    void listen(std::uint32_t selector, std::atomic<int>& calls) {
        listeners.push_back(std::make_shared<const std::function<void()>>([&calls, this] {
            EXPECT_TRUE(fake.mainQueue.isMainThread());
            ++calls;
        }));
        EXPECT_EQ(hardware->addPropertyListener(systemAudioObject, props::global(selector),
                                                listeners.back()),
                  0);
    }

    // Pumps the main queue for a while, so that a second, unwanted call would show.
    void pumpFor(std::chrono::milliseconds duration) {
        fake.mainQueue.runUntil([] { return false; }, duration);
    }

    testing::FakePlatform fake;
    PosixProcessRunner processes;
    ProcFsProcessTable table;
    PosixProgramLauncher launcher;
    testing::FakeServiceManager services; // none: the harness supervises
    LibPipeWireCore pipewireCore;
    SystemClock clock;
    std::optional<SoundServerHarness> harness;
    std::optional<PulseAudioHardware> hardware;
    std::vector<PropertyListener> listeners;
    StopSource stop;
    pid_t bare = 0; // a PipeWire for screen capture, beside PulseAudio
};

// The devices read back with their names, transports and rates, keep their ids over a restart,
// and a change of the default input is heard again, once, from the new server. Ubuntu 22.04's
// default beside PulseAudio, a PipeWire daemon for screen capture, is left running.
TEST_P(RealSoundServerTest, ARestartStopsTheServerAndWaitsForTheNewOne) {
    if (GetParam() == ServerKind::pulseaudio && ChildProcess::installed("pipewire")) {
        const auto runtime = testing::PrivateDesktop::folder() + "/bare-pipewire";
        std::filesystem::create_directories(runtime);
        bare = ChildProcess::spawn({"env", "-i", "XDG_RUNTIME_DIR=" + runtime, "pipewire"});
        ASSERT_NE(bare, 0);
        ASSERT_TRUE(fake.mainQueue.runUntil(
            [&] { return table.isListening(runtime + "/pipewire-0"); }, 5s));
    }
    struct Expected {
        std::uint32_t transport;
        double sampleRate;
        bool input;
    };
    const std::map<std::string, Expected> expected{
        {"Built-in Speakers", {props::transportBuiltIn, 48000, false}},
        {"USB Headphones", {props::transportUSB, 48000, false}},
        {"AirPods Pro", {props::transportBluetooth, 16000, true}},
        {"Built-in Microphone", {props::transportBuiltIn, 44100, true}},
    };
    AudioDevices devices(*hardware);
    const auto ids = devices.allDeviceIDs();
    ASSERT_EQ(ids.size(), 4u) << "the two sinks and the two sources; monitors are not devices";
    EXPECT_EQ(std::set(ids.begin(), ids.end()).size(), 4u);
    for (const auto id : ids) {
        EXPECT_GT(id, systemAudioObject);
        const auto device = devices.device(id);
        ASSERT_TRUE(expected.contains(device.name)) << device.name;
        const auto& wanted = expected.at(device.name);
        EXPECT_EQ(device.transport, wanted.transport) << device.name;
        EXPECT_EQ(device.sampleRate, wanted.sampleRate) << device.name;
        std::uint32_t size = 99;
        EXPECT_EQ(hardware->propertyDataSize(id, {props::streams, props::scopeInput, 0}, size), 0);
        EXPECT_EQ(size > 0, wanted.input) << device.name;
    }
    std::atomic<int> inputCalls = 0;
    std::atomic<int> outputCalls = 0;
    listen(props::defaultInputDevice, inputCalls);
    listen(props::defaultOutputDevice, outputCalls);
    const auto oldPID = harness->serverPID();

    TallySleeper sleeper;
    auto bundle = platform(sleeper);
    auto found = server(sleeper);
    EXPECT_EQ(found.name(), SoundServerHarness::daemonName(GetParam()));
    CoreAudioRestarter engine(bundle, found);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(engine.restart(stop.token()));
    const auto ended = std::chrono::steady_clock::now();

    EXPECT_NE(harness->serverPID(), 0);
    EXPECT_NE(harness->serverPID(), oldPID);
    const auto output = devices.defaultDevice(false);
    ASSERT_TRUE(output);
    EXPECT_EQ(output->name, "Built-in Speakers");
    EXPECT_EQ(devices.allDeviceIDs(), ids) << "the same devices keep their ids";
    if (bare) {
        EXPECT_TRUE(table.process(bare).has_value());
    }

    // The server's own start and the fixed waits account for the time: the engine settles after
    // the first poll that finds the new server answering.
    ASSERT_TRUE(fake.mainQueue.runUntil(
        [&] { return harness->lastAnswered() > std::optional(started); }, 5s));
    EXPECT_LT(ended - *harness->lastAnswered(),
              CoreAudioRestarter::settleTime + 2 * CoreAudioRestarter::pollInterval);
    EXPECT_LT(ended - started - sleeper.asked, 1s)
        << "time the engine added beyond its fixed waits";

    // Whether the restart moved the default input depends on the server (PulseAudio forgets,
    // WirePlumber remembers); what counts is that changes are heard again.
    pumpFor(300ms);
    const auto current = harness->pactl({"get-default-source"});
    inputCalls = 0;
    outputCalls = 0;
    harness->pactl(
        {"set-default-source", current == "builtin_mic" ? "bt_headset_mic" : "builtin_mic"});
    EXPECT_TRUE(fake.mainQueue.runUntil([&] { return inputCalls > 0; }, 5s));
    pumpFor(300ms);
    EXPECT_EQ(inputCalls, 1);
    EXPECT_EQ(outputCalls, 0);

    // A removed listener is not called. (The app's own choice of input reaching the server is
    // the tray app's test of the microphone rule.)
    EXPECT_EQ(hardware->removePropertyListener(
                  systemAudioObject, props::global(props::defaultInputDevice), listeners.front()),
              0);
    harness->pactl({"set-default-source", current});
    pumpFor(500ms);
    EXPECT_EQ(inputCalls, 1);
}

// The output the user chose is the default again after a restart, even where the server itself
// forgets it.
TEST_P(RealSoundServerTest, TheChosenDefaultOutputIsTheDefaultAgainAfterARestart) {
    harness->pactl({"set-default-sink", "usb_headphones"});
    ASSERT_TRUE(fake.mainQueue.runUntil(
        [&] {
            const auto output = AudioDevices(*hardware).defaultDevice(false);
            return output && output->name == "USB Headphones";
        },
        5s));
    EXPECT_TRUE(restartFromMenu(20s));
    EXPECT_EQ(harness->pactl({"get-default-sink"}), "usb_headphones");
}

// A desktop that starts the server from its session autostart: nothing brings it back but the
// app, which starts each program again as it was started, inside the desktop's private folder;
// even when it quits in the middle of a restart, once the server has been stopped, so that the
// sound is not left off.
TEST_P(RealSoundServerTest, WithNoSupervisorTheAppStartsTheServerAgainEvenWhenItQuitsMidway) {
    harness->setRespawn(false);
    auto oldPID = harness->serverPID();
    EXPECT_TRUE(restartFromMenu(12s));
    EXPECT_NE(harness->serverPID(), 0);
    EXPECT_NE(harness->serverPID(), oldPID);
    // What the sound clients see: the bridge (or PulseAudio) has the real output as default.
    EXPECT_EQ(harness->pactl({"get-default-sink"}), "speakers");

    oldPID = harness->serverPID();
    StopTokenSleeper sleeper;
    auto bundle = platform(sleeper);
    auto found = server(sleeper);
    CoreAudioRestarter engine(bundle, found);
    auto restart = std::async(std::launch::async, [&] { engine.restart(stop.token()); });
    fake.mainQueue.runUntil([&] { return harness->serverPID() != oldPID; }, 5s);
    stop.requestStop();
    EXPECT_THROW(restart.get(), TaskCancelled);
    EXPECT_TRUE(harness->waitUntilAnswering(10s));
    EXPECT_TRUE(fake.mainQueue.runUntil([&] { return harness->serverPID() != 0; }, 5s));
    EXPECT_NE(harness->serverPID(), oldPID);
}

// Stopped as a deadlocked server looks from outside: it ignores SIGTERM and answers no one. From
// a worker, as the engine asks, a query waits its time-out; from the main thread, as a menu
// opening asks, once and briefly, and then not at all until the server answers again. A restart
// replaces it.
TEST_P(RealSoundServerTest, AFrozenServerFailsQueriesBrieflyOnTheMainThreadAndIsReplaced) {
    AudioDevices devices(*hardware);
    const auto microphone = devices.builtInMicrophone();
    ASSERT_TRUE(microphone);

    harness->freeze();
    const auto started = std::chrono::steady_clock::now();
    auto fromWorker = std::async(std::launch::async, [&] { return devices.allDeviceIDs(); });
    EXPECT_FALSE(devices.defaultDevice(false));
    EXPECT_TRUE(fromWorker.get().empty());
    AudioObjectID id = microphone->id;
    EXPECT_NE(hardware->setPropertyData(systemAudioObject, props::global(props::defaultInputDevice),
                                        sizeof id, &id),
              0);
    const auto elapsed = std::chrono::steady_clock::now() - started;
    EXPECT_GE(elapsed, queryTimeout);
    EXPECT_LT(elapsed, 3 * queryTimeout + 1s);
    harness->thaw();
    EXPECT_TRUE(
        fake.mainQueue.runUntil([&] { return devices.defaultDevice(false).has_value(); }, 5s));
    EXPECT_EQ(devices.allDeviceIDs().size(), 4u);

    const auto opening = [&] {
        const auto started = std::chrono::steady_clock::now();
        const bool answered = devices.defaultDevice(false) && devices.defaultDevice(true);
        return std::pair(answered, std::chrono::steady_clock::now() - started);
    };
    harness->freeze();
    const auto first = opening();
    const auto second = opening();
    harness->thaw();
    EXPECT_FALSE(first.first);
    EXPECT_LT(first.second, 200ms);
    EXPECT_FALSE(second.first);
    EXPECT_LT(second.second, 20ms);
    EXPECT_TRUE(fake.mainQueue.runUntil([&] { return opening().first; }, 5s));

    const auto oldPID = harness->serverPID();
    harness->freeze();
    const auto restarted = std::chrono::steady_clock::now();
    EXPECT_TRUE(restartFromMenu(8s));
    EXPECT_LT(std::chrono::steady_clock::now() - restarted, 3s);
    EXPECT_NE(harness->serverPID(), 0);
    EXPECT_NE(harness->serverPID(), oldPID);
}

// A second login, a container or a nested session of the same user runs a server of the same
// name in another runtime folder, started first: it is left running, and this session's server is
// the one restarted.
TEST_P(RealSoundServerTest, AnotherSessionOfTheSameUserIsLeftAlone) {
    const auto runtime = testing::PrivateDesktop::folder() + "/other-session";
    std::filesystem::create_directories(runtime + "/pulse");
    std::vector<std::string> command{"env", "-i", "XDG_RUNTIME_DIR=" + runtime, "HOME=" + runtime,
                                     SoundServerHarness::daemonName(GetParam())};
    if (GetParam() == ServerKind::pulseaudio) {
        command.insert(command.end(), {"-n", "--daemonize=no", "--exit-idle-time=-1", "-L",
                                       "module-native-protocol-unix"});
    }
    bare = ChildProcess::spawn(command);
    const auto socket =
        runtime + (GetParam() == ServerKind::pulseaudio ? "/pulse/native" : "/pipewire-0");
    ASSERT_TRUE(fake.mainQueue.runUntil([&] { return table.isListening(socket); }, 5s));
    // This session's server now runs with a higher PID than the other one.
    ::kill(harness->serverPID(), SIGKILL);
    ASSERT_TRUE(fake.mainQueue.runUntil([&] { return harness->serverPID() > bare; }, 5s));
    ASSERT_TRUE(harness->waitUntilAnswering(10s));
    const auto oldPID = harness->serverPID();
    EXPECT_TRUE(restartFromMenu(12s));
    EXPECT_TRUE(table.process(bare).has_value());
    EXPECT_NE(harness->serverPID(), oldPID);
}

// A same-user program that only calls itself the session manager, with an environment of its
// own, is never run by the app.
TEST_P(RealSoundServerTest, ALookAlikeCompanionIsNeverRun) {
    if (GetParam() != ServerKind::pipewire) {
        GTEST_SKIP();
    }
    harness->setRespawn(false);
    // The planted program is the only one of its name.
    for (const auto& process : table.find({"wireplumber"})) {
        if (process.parent == ::getpid()) {
            ::kill(process.pid, SIGKILL);
        }
    }
    const auto planted = testing::PrivateDesktop::folder() + "/planted/wireplumber";
    std::filesystem::create_directories(testing::PrivateDesktop::folder() + "/planted");
    const auto marker = planted + ".runs";
    {
        std::ofstream script(planted);
        script << "#!/bin/sh\necho run >>" << marker << "\nwhile :; do sleep 0.1; done\n";
    }
    std::filesystem::permissions(planted, std::filesystem::perms::owner_all);
    const auto folder = testing::PrivateDesktop::folder() + "/pipewire";
    bare = ChildProcess::spawn(
        {"env", "-i", "XDG_RUNTIME_DIR=" + folder + "/run", "LD_PRELOAD=/nonexistent.so", planted});
    const auto runs = [&] {
        std::ifstream in(marker);
        return int(std::count(std::istreambuf_iterator<char>(in), {}, '\n'));
    };
    ASSERT_TRUE(fake.mainQueue.runUntil([&] { return runs() == 1; }, 5s));
    StopTokenSleeper sleeper;
    auto bundle = platform(sleeper);
    auto found = server(sleeper);
    CoreAudioRestarter engine(bundle, found);
    try {
        engine.restart(stop.token());
    } catch (const CoreAudioRestarter::Failure&) {
        // Without its session manager the outcome is the bridge's; what counts is what was run.
    }
    pumpFor(1s);
    EXPECT_EQ(runs(), 1);
}

// The user's equaliser, a filter chain of its own connected to PipeWire: started again with it,
// so that its sink is there after the restart.
TEST_P(RealSoundServerTest, AFilterChainComesBackWithTheServer) {
    if (GetParam() != ServerKind::pipewire) {
        GTEST_SKIP() << "a PipeWire program";
    }
    harness->setRespawn(false);
    const auto folder = testing::PrivateDesktop::folder() + "/pipewire";
    const auto configuration = folder + "/sonifix-equaliser.conf";
    std::ofstream(configuration)
        << R"(context.spa-libs = { audio.convert.* = audioconvert/libspa-audioconvert
  support.* = support/libspa-support }
context.modules = [
  { name = libpipewire-module-protocol-native } { name = libpipewire-module-client-node }
  { name = libpipewire-module-adapter }
  { name = libpipewire-module-filter-chain
    args = { node.description = "Equaliser" filter.graph = { nodes = [ { type = builtin name = copy label = copy } ] }
      capture.props = { node.name = "equaliser" media.class = Audio/Sink audio.position = [ FL FR ] }
      playback.props = { node.name = "equaliser.output" node.passive = true audio.position = [ FL FR ] } } }
]
)";
    bare = ChildProcess::spawn({"env", "-i", "XDG_RUNTIME_DIR=" + folder + "/run",
                                "HOME=" + folder + "/home", "pipewire", "-c", configuration});
    const auto hasSink = [&] {
        return harness->pactl({"list", "short", "sinks"}).find("equaliser\t") != std::string::npos;
    };
    ASSERT_TRUE(fake.mainQueue.runUntil(hasSink, 5s));
    EXPECT_TRUE(restartFromMenu(12s));
    EXPECT_TRUE(fake.mainQueue.runUntil(hasSink, 5s));
    // The one the app started again has the test process, their subreaper, as its parent.
    for (const auto& process : table.find({"pipewire"})) {
        if (process.parent == ::getpid() && process.arguments.back() == configuration &&
            process.pid != bare) {
            ::kill(process.pid, SIGTERM);
            ::waitpid(process.pid, nullptr, 0);
        }
    }
}

// A process is named by its program file, not by the system's short name ("pipewire-media-").
// A server started on a socket a service manager made for it is found beside the manager, which
// the system names as the socket's listener.
TEST(ProcFsProcessTableTest, ProcessesAreNamedByTheirProgramAndAServerIsFoundBesideItsManager) {
    const auto folder = testing::PrivateDesktop::folder() + "/activated";
    std::filesystem::create_directories(folder);
    const auto file = folder + "/pipewire-media-session";
    std::filesystem::copy_file(*ChildProcess::find("sleep"), file);
    const auto sleeper = ChildProcess::spawn({file, "5"});
    ProcFsProcessTable table;
    EXPECT_TRUE(eventually([&] { return table.find({"pipewire-media-session"}).size() == 1; }));
    ::kill(sleeper, SIGKILL);
    ::waitpid(sleeper, nullptr, 0);

    const auto path = folder + "/pipewire-0";
    const int listening = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listening, 16), 0);
    const auto program = *ChildProcess::find("pipewire");
    std::vector<std::string> strings{"LISTEN_FDS=1", "XDG_RUNTIME_DIR=" + folder,
                                     "DBUS_SESSION_BUS_ADDRESS=disabled:", "HOME=" + folder};
    const auto server = ::fork();
    if (server == 0) {
        const auto pid = "LISTEN_PID=" + std::to_string(::getpid());
        char* environment[] = {strings[0].data(),
                               strings[1].data(),
                               strings[2].data(),
                               strings[3].data(),
                               const_cast<char*>(pid.c_str()),
                               nullptr};
        char* arguments[] = {const_cast<char*>(program.c_str()), nullptr};
        ::dup2(listening, 3);
        ::execve(program.c_str(), arguments, environment);
        ::_exit(127);
    }
    // Once it runs PipeWire: before, the forked test holds the socket too.
    EXPECT_TRUE(eventually([&] {
        const auto holders = table.holdersOf(path);
        const auto process = table.process(server);
        if (!process || process->name != "pipewire") {
            return false;
        }
        return table.listenerOf(path) == ::getpid() &&
               holders == std::vector<std::int32_t>{std::min(::getpid(), server),
                                                    std::max(::getpid(), server)};
    }));
    const auto found = table.process(server);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->name, "pipewire");
    EXPECT_TRUE(found->systemProgram);
    EXPECT_TRUE(found->inThisNamespace);
    ::close(listening);
    ::kill(server, SIGKILL);
    ::waitpid(server, nullptr, 0);
}

// The app launched, watching the server, its work on threads of its own.
class WatchedAppTest : public RealSoundServerTest {
protected:
    void SetUp() override {
        RealSoundServerTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        bundle.emplace(fake.with({.processes = &processes,
                                  .hardware = &*hardware,
                                  .sleeper = &sleeper,
                                  .clock = &clock,
                                  .background = &executor}));
        bundle->serverProbe = &*hardware;
        bundle->captures = &*hardware;
        found.emplace(services, table, *hardware, pipewireCore, launcher, sleeper,
                      harness->session());
        delegate = std::make_shared<AppDelegate>(*bundle, *found, [](const std::string& name) {
            return PlatformTexts::forSoundServer(name, {});
        });
        fake.settings.setBool(settings::welcomed, true);
        delegate->applicationDidFinishLaunching();
    }
    void TearDown() override {
        stopClients();
        // A restart under way ends before the server it restarts goes.
        executor.stopAll();
        RealSoundServerTest::TearDown();
    }
    // Plays silence, or records it, as an app of its own.
    void client(const std::string& program, const std::string& device) {
        children.push_back(ChildProcess::spawn({program, "--server=" + harness->serverAddress(),
                                                "--device=" + device, "--raw",
                                                program == "pacat" ? "/dev/zero" : "/dev/null"}));
        pumpFor(1s);
    }
    void stopClients() {
        for (const auto child : std::exchange(children, {})) {
            ::kill(child, SIGTERM);
            ::waitpid(child, nullptr, 0);
        }
    }
    bool restarted(std::chrono::milliseconds limit) {
        return fake.mainQueue.runUntil(
            [&] { return fake.settings.integerForKey(settings::restartCount) == 1; }, limit);
    }

    StopTokenSleeper sleeper;
    ThreadExecutor executor;
    std::optional<Platform> bundle;
    std::optional<SoundServer> found;
    std::shared_ptr<AppDelegate> delegate;
    std::vector<pid_t> children;
};

// While sound plays, a server (or only its bridge) that stops answering is offered a restart
// within two probe time-outs, and the offer restarts it; a player that stops is no trouble.
TEST_P(WatchedAppTest, AServerThatStopsAnsweringWhileSoundPlaysIsOfferedARestart) {
    client("pacat", "speakers");
    ::kill(children.front(), SIGSTOP);
    pumpFor(2 * TroubleDetector::probeTimeout + 1s);
    ::kill(children.front(), SIGCONT);
    EXPECT_TRUE(fake.notifications.shown.empty());

    harness->freeze();
    const auto frozen = std::chrono::steady_clock::now();
    ASSERT_TRUE(fake.mainQueue.runUntil([&] { return !fake.notifications.shown.empty(); }, 10s));
    const auto latency = std::chrono::steady_clock::now() - frozen;
    EXPECT_LT(latency, 7s);
    RecordProperty("detectionMs",
                   int(std::chrono::duration_cast<std::chrono::milliseconds>(latency).count()));
    EXPECT_EQ(fake.notifications.shown.front().title, "The sound server stopped answering");
    fake.notifications.handlers.front()(SoundWatchdog::restartAction);
    EXPECT_TRUE(restarted(15s));
    EXPECT_TRUE(harness->waitUntilAnswering(5s));
}

// A restart after wake waits while another app records from the microphone, and follows 15 s
// after it has stopped. (The main queue's timers run on its own clock, moved on here.)
TEST_P(WatchedAppTest, ARestartAfterWakeWaitsUntilTheRecordingHasEnded) {
    fake.settings.setBool(settings::restartOnWake, true);
    client("parec", "builtin_mic");
    fake.workspace.wake();
    fake.mainQueue.advance(AppDelegate::wakeDelay);
    ASSERT_EQ(fake.notifications.shown.size(), 1u);
    EXPECT_EQ(fake.notifications.shown.front().title,
              "Restart postponed — parec is using the microphone");
    stopClients();
    pumpFor(1s);
    fake.mainQueue.advance(SoundWatchdog::afterCapture - 1s);
    EXPECT_EQ(fake.settings.integerForKey(settings::restartCount), 0);
    fake.mainQueue.advance(1s);
    EXPECT_TRUE(restarted(15s));
}

INSTANTIATE_TEST_SUITE_P(Servers, WatchedAppTest,
                         ::testing::Values(ServerKind::pulseaudio, ServerKind::pipewire),
                         [](const auto& info) {
                             return SoundServerHarness::daemonName(info.param);
                         });

INSTANTIATE_TEST_SUITE_P(Servers, RealSoundServerTest,
                         ::testing::Values(ServerKind::pulseaudio, ServerKind::pipewire),
                         [](const auto& info) {
                             return SoundServerHarness::daemonName(info.param);
                         });

} // namespace
} // namespace sonifix

int main(int argc, char** argv) {
    sonifix::testing::PrivateDesktop::enter(argc, argv, {.display = false});
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
