// Measures, against private real servers, what the restart engine adds to a restart beyond its
// fixed waits, and how long a default-device query takes. Not a test: it prints figures.
//   sonifix_bench [restarts=5] [queries=1000]
#include "FakePlatform.h"
#include "SoundServerHarness.h"
#include "TallySleeper.h"
#include "audio/AudioDevices.h"
#include "platform/AudioProperties.h"
#include "platform/linux/ProcFsProcessTable.h"
#include "platform/linux/PulseAudioHardware.h"
#include "platform/posix/PosixProcessRunner.h"
#include "platform/posix/StopTokenSleeper.h"
#include "platform/posix/SystemClock.h"
#include "restart/CoreAudioRestarter.h"
#include "restart/SoundServer.h"
#include "support/StopSource.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace sonifix;
using testing::ServerKind;
using testing::SoundServerHarness;
using testing::TallySleeper;
using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

double percentile(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(share * double(values.size())))];
}

// Every restart finds the server afresh; `frozen` stops it first, as a deadlocked one looks.
void restarts(ServerKind kind, int count, bool frozen) {
    SoundServerHarness harness(kind);
    harness.start();
    testing::FakePlatform fake;
    PosixProcessRunner processes;
    ProcFsProcessTable table;
    SystemClock clock;
    PulseAudioHardware hardware(fake.mainQueue, {.server = harness.serverAddress()});
    std::vector<double> added;
    std::vector<double> replaced;
    for (int run = 0; run < count; ++run) {
        TallySleeper sleeper;
        auto platform = fake.with(
            {.processes = &processes, .hardware = &hardware, .sleeper = &sleeper, .clock = &clock});
        SoundServer server(processes, table, hardware, sleeper, harness.owners());
        CoreAudioRestarter engine(platform, server);
        StopSource stop;
        if (frozen) {
            harness.freeze();
        }
        const auto started = Clock::now();
        engine.restart(stop.token());
        const Milliseconds total = Clock::now() - started;
        const Milliseconds waits = sleeper.asked;
        harness.waitUntilAnswering(std::chrono::seconds(5));
        // From the engine's start until the new server answered: the old one's stop, the
        // supervisor's respawn and the new one's start. The engine cannot finish before it.
        const Milliseconds serverBack = harness.lastAnswered().value_or(started) - started;
        const Milliseconds polling = waits - CoreAudioRestarter::settleTime;
        const auto critical = std::max(polling.count(), serverBack.count()) +
                              Milliseconds(CoreAudioRestarter::settleTime).count();
        added.push_back(total.count() - critical);
        replaced.push_back(serverBack.count());
        if (frozen) {
            std::printf("%-10s frozen server, restart %d: new server answered %6.1f ms after the "
                        "request; restart done after %6.1f ms\n",
                        SoundServerHarness::daemonName(kind).c_str(), run + 1, serverBack.count(),
                        total.count());
            continue;
        }
        std::printf("%-10s restart %d: total %7.1f ms = fixed waits %4.0f ms + %5.1f ms; server "
                    "back %5.1f ms after the start (its own start %4lld ms); engine added %5.1f "
                    "ms\n",
                    SoundServerHarness::daemonName(kind).c_str(), run + 1, total.count(),
                    waits.count(), total.count() - waits.count(), serverBack.count(),
                    static_cast<long long>(
                        harness.lastComeback().value_or(std::chrono::milliseconds(-1)).count()),
                    added.back());
    }
    if (frozen) {
        std::printf("%-10s frozen server replaced: median %.0f ms, worst %.0f ms after the request "
                    "(target < 3000 ms)\n",
                    SoundServerHarness::daemonName(kind).c_str(), percentile(replaced, 0.5),
                    *std::max_element(replaced.begin(), replaced.end()));
        return;
    }
    std::printf("%-10s engine added beyond its fixed waits and the server's own restart, the "
                "server found afresh: median %.1f ms, worst %.1f ms (target < 20 ms)\n",
                SoundServerHarness::daemonName(kind).c_str(), percentile(added, 0.5),
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
    StopTokenSleeper sleeper;
    SoundServer server(processes, table, hardware, sleeper, harness.owners());
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

} // namespace

int main(int argc, char** argv) {
    const int restartCount = argc > 1 ? std::stoi(argv[1]) : 5;
    const int queryCount = argc > 2 ? std::stoi(argv[2]) : 1000;
    for (const auto kind : {ServerKind::pulseaudio, ServerKind::pipewire}) {
        if (const auto missing = SoundServerHarness::missingPrograms(kind); !missing.empty()) {
            std::printf("%s: not installed (%s), skipped\n",
                        SoundServerHarness::daemonName(kind).c_str(), missing.front().c_str());
            continue;
        }
        queries(kind, queryCount);
        restarts(kind, restartCount, false);
        restarts(kind, restartCount, true);
    }
}
