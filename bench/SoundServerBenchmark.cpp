// Measures, against private real servers, what the restart engine adds to a restart beyond its
// fixed waits, and how long a default-device query takes. Not a test: it prints figures.
//   sonifix_bench [restarts=5] [queries=1000]
#include "FakePlatform.h"
#include "FakeServiceManager.h"
#include "PrivateDesktop.h"
#include "SoundServerHarness.h"
#include "app/AppDelegate.h"
#include "audio/AudioDevices.h"
#include "platform/AudioProperties.h"
#include "platform/linux/LibPipeWireCore.h"
#include "platform/linux/ProcFsProcessTable.h"
#include "platform/linux/PulseAudioHardware.h"
#include "platform/posix/PosixProcessRunner.h"
#include "platform/posix/PosixProgramLauncher.h"
#include "platform/posix/StopTokenSleeper.h"
#include "platform/posix/SystemClock.h"
#include "restart/CoreAudioRestarter.h"
#include "restart/SoundServer.h"
#include "support/StopSource.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace sonifix;
using testing::ServerKind;
using testing::SoundServerHarness;
using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

double percentile(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(share * double(values.size())))];
}

// The engine's view of a restart, timed: when the stop returned, and when each poll asked for
// the server's process.
class TimedDaemon final : public Daemon {
public:
    explicit TimedDaemon(Daemon& daemon) : daemon(daemon) {}
    std::string name() override { return daemon.name(); }
    std::int32_t stop(StopToken stop) override {
        const auto pid = daemon.stop(stop);
        stopped = Clock::now();
        return pid;
    }
    void bringBack(StopToken stop) override { daemon.bringBack(stop); }
    std::string startCommand() override { return daemon.startCommand(); }
    std::optional<std::int32_t> pid() override {
        polls.push_back(Clock::now());
        return daemon.pid();
    }
    Clock::time_point stopped;
    std::vector<Clock::time_point> polls;

private:
    Daemon& daemon;
};

// Every restart finds the server afresh; `frozen` stops it first, as a deadlocked one looks;
// without `supervised` nothing but the engine brings it back.
//
// The polls keep to a 250 ms grid from the request, so a restart's length is the grid slot of
// the poll that found the new server (or, when that poll's questions waited for the server to
// answer, the moment it answered), plus that poll's own work, plus the settling wait. The
// engine's overhead is what comes on top of those, plus a whole slot for every poll that ran
// while the new server already answered and still missed it.
void restarts(ServerKind kind, int count, bool frozen, bool supervised = true) {
    SoundServerHarness harness(kind);
    harness.start();
    harness.setRespawn(supervised);
    testing::FakePlatform fake;
    PosixProcessRunner processes;
    ProcFsProcessTable table;
    testing::FakeServiceManager services;
    LibPipeWireCore pipewireCore;
    PosixProgramLauncher launcher;
    SystemClock clock;
    PulseAudioHardware hardware(fake.mainQueue, {.server = harness.serverAddress()});
    const auto name = SoundServerHarness::daemonName(kind);
    std::vector<double> added;
    std::vector<double> replaced;
    for (int run = 0; run < count; ++run) {
        StopTokenSleeper sleeper;
        auto platform = fake.with(
            {.processes = &processes, .hardware = &hardware, .sleeper = &sleeper, .clock = &clock});
        SoundServer server(services, table, hardware, pipewireCore, launcher, sleeper,
                           harness.session());
        TimedDaemon timed(server);
        CoreAudioRestarter engine(platform, timed);
        StopSource stop;
        if (frozen) {
            harness.freeze();
        }
        const auto started = Clock::now();
        engine.restart(stop.token());
        const auto done = Clock::now();
        harness.waitUntilAnswering(std::chrono::seconds(5));
        const Milliseconds total = done - started;
        const Milliseconds stopping = timed.stopped - started;
        // When the harness first saw the new server answer: a few ms late, as pactl takes them.
        const Milliseconds back = harness.lastAnswered().value_or(started) - started;
        const Milliseconds found = timed.polls.back() - started;
        const auto slot = std::floor(found / CoreAudioRestarter::pollInterval) *
                          Milliseconds(CoreAudioRestarter::pollInterval).count();
        const auto missed =
            std::count_if(timed.polls.begin(), timed.polls.end() - 1,
                          [&](Clock::time_point poll) { return poll - started > back; });
        // A poll whose questions waited for the server to answer waited on the server's start.
        const auto overhead =
            total.count() - std::max(slot, back.count()) -
            Milliseconds(CoreAudioRestarter::settleTime).count() +
            double(missed) * Milliseconds(CoreAudioRestarter::pollInterval).count();
        added.push_back(overhead);
        replaced.push_back(back.count());
        std::printf(
            "%-10s %s%srestart %d: stop %6.1f ms, new server answering %6.1f ms, after %2zu "
            "polls (slot %5.0f ms), done %7.1f ms; engine added %5.1f ms (%ld missed "
            "polls)\n",
            name.c_str(), supervised ? "" : "unsupervised ", frozen ? "frozen " : "", run + 1,
            stopping.count(), back.count(), timed.polls.size(), slot, total.count(), overhead,
            long(missed));
    }
    if (frozen) {
        std::printf("%-10s frozen server replaced: median %.0f ms, worst %.0f ms after the request "
                    "(target < 3000 ms)\n",
                    name.c_str(), percentile(replaced, 0.5),
                    *std::max_element(replaced.begin(), replaced.end()));
    }
    std::printf("%-10s %sengine added beyond its fixed waits and the server's own restart, the "
                "server found afresh: median %.1f ms, worst %.1f ms (target < 20 ms)\n",
                name.c_str(), supervised ? "" : "unsupervised: ", percentile(added, 0.5),
                *std::max_element(added.begin(), added.end()));
}

void queries(ServerKind kind, int count) {
    SoundServerHarness harness(kind);
    harness.start();
    testing::FakeMainQueue mainQueue;
    PulseAudioHardware hardware(mainQueue, {.server = harness.serverAddress()});
    AudioDevices devices(hardware);
    devices.defaultDevice(false); // connected before timing
    std::vector<double> read;
    std::vector<double> described;
    for (int query = 0; query < count; ++query) {
        AudioObjectID id = 0;
        auto size = std::uint32_t(sizeof id);
        auto started = Clock::now();
        hardware.propertyData(systemAudioObject,
                              audio_properties::global(audio_properties::defaultOutputDevice), size,
                              &id);
        read.push_back(Milliseconds(Clock::now() - started).count());
        started = Clock::now();
        devices.defaultDevice(false);
        described.push_back(Milliseconds(Clock::now() - started).count());
    }
    // One poll's own work while the server is up: the process lookup and two output queries.
    PosixProcessRunner processes;
    ProcFsProcessTable table;
    testing::FakeServiceManager services;
    LibPipeWireCore pipewireCore;
    PosixProgramLauncher launcher;
    StopTokenSleeper sleeper;
    SoundServer server(services, table, hardware, pipewireCore, launcher, sleeper,
                       harness.session());
    std::vector<double> lookup;
    std::vector<double> poll;
    for (int round = 0; round < 50; ++round) {
        auto started = Clock::now();
        server.pid();
        lookup.push_back(Milliseconds(Clock::now() - started).count());
        started = Clock::now();
        devices.defaultDevice(false);
        server.pid();
        devices.defaultDevice(false);
        poll.push_back(Milliseconds(Clock::now() - started).count());
    }
    const auto name = SoundServerHarness::daemonName(kind);
    std::printf("%-10s process lookup (/proc): median %.1f ms; one poll's work: median %.1f ms, "
                "p95 %.1f ms\n",
                name.c_str(), percentile(lookup, 0.5), percentile(poll, 0.5),
                percentile(poll, 0.95));
    std::printf("%-10s default output id read (%d): median %.3f ms, p95 %.3f ms\n", name.c_str(),
                count, percentile(read, 0.5), percentile(read, 0.95));
    std::printf("%-10s defaultDevice(false), id + name + transport + rate (%d): median %.3f ms, "
                "p95 %.3f ms (target < 5 ms)\n",
                name.c_str(), count, percentile(described, 0.5), percentile(described, 0.95));
}

// Main-thread time of building the menu a tray click opens, with the server healthy and then
// frozen: the device lines are the part that asks the server.
void menuOpenings(ServerKind kind, int count) {
    SoundServerHarness harness(kind);
    harness.start();
    testing::FakePlatform fake;
    PosixProcessRunner processes;
    ProcFsProcessTable table;
    testing::FakeServiceManager services;
    LibPipeWireCore pipewireCore;
    PosixProgramLauncher launcher;
    StopTokenSleeper sleeper;
    PulseAudioHardware hardware(fake.mainQueue, {.server = harness.serverAddress()});
    auto platform = fake.with({.processes = &processes, .hardware = &hardware});
    SoundServer server(services, table, hardware, pipewireCore, launcher, sleeper,
                       harness.session());
    auto delegate = std::make_shared<AppDelegate>(platform, server, [](const std::string& name) {
        return PlatformTexts::forSoundServer(name, {});
    });
    delegate->menuItems(); // connected before timing
    const auto time = [&] {
        std::vector<double> openings;
        for (int opening = 0; opening < count; ++opening) {
            const auto started = Clock::now();
            delegate->menuItems();
            openings.push_back(Milliseconds(Clock::now() - started).count());
            fake.mainQueue.runReady();
        }
        return openings;
    };
    const auto healthy = time();
    harness.freeze();
    const auto frozen = time();
    harness.thaw();
    const auto name = SoundServerHarness::daemonName(kind);
    std::printf("%-10s menu opening on the main thread (%d): healthy median %.2f ms, worst %.2f "
                "ms; frozen first %.1f ms, then median %.2f ms, worst %.2f ms\n",
                name.c_str(), count, percentile(healthy, 0.5),
                *std::max_element(healthy.begin(), healthy.end()), frozen.front(),
                percentile({frozen.begin() + 1, frozen.end()}, 0.5),
                *std::max_element(frozen.begin() + 1, frozen.end()));
}

} // namespace

int main(int argc, char** argv) {
    sonifix::testing::PrivateDesktop::enter(argc, argv, {.display = false});
    const int restartCount = argc > 1 ? std::stoi(argv[1]) : 5;
    const int queryCount = argc > 2 ? std::stoi(argv[2]) : 1000;
    for (const auto kind : {ServerKind::pulseaudio, ServerKind::pipewire}) {
        if (const auto missing = SoundServerHarness::missingPrograms(kind); !missing.empty()) {
            std::printf("%s: not installed (%s), skipped\n",
                        SoundServerHarness::daemonName(kind).c_str(), missing.front().c_str());
            continue;
        }
        queries(kind, queryCount);
        menuOpenings(kind, 50);
        restarts(kind, restartCount, false);
        restarts(kind, restartCount, true);
        restarts(kind, restartCount, false, false);
    }
}
