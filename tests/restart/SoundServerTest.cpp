#include "restart/SoundServer.h"

#include "FakePlatform.h"
#include "platform/FourCharCode.h"
#include "restart/CoreAudioRestarter.h"
#include "support/StopSource.h"

#include <gtest/gtest.h>

namespace sonifix {
namespace {

using namespace std::chrono_literals;
using Failure = CoreAudioRestarter::Failure;
using testing::FakeProcessTable;

const std::string pipewireBridge = "PulseAudio (on PipeWire 1.0.5)";
const std::string userManager = "/user.slice/user-1000.slice/user@1000.service";

ProcessEntry process(std::int32_t pid, std::string name, std::vector<std::string> arguments = {},
                     std::string unit = {}) {
    arguments.insert(arguments.begin(), "/usr/bin/" + name);
    return {.pid = pid,
            .parent = 1,
            .name = std::move(name),
            .arguments = std::move(arguments),
            .controlGroup = unit.empty() ? "/user.slice/user-1000.slice/session-2.scope"
                                         : userManager + "/session.slice/" + unit};
}

std::string failureOf(SoundServer& server, const StopToken& stop) {
    try {
        server.stop(stop);
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.kind(), Failure::Kind::failed);
        return failure.what();
    }
    return "(stopped)";
}

class SoundServerTest : public ::testing::Test {
protected:
    testing::FakePlatform fake;
    FakeProcessTable table;
    testing::FakeSoundServerProbe probe;
    SoundServer server{fake.processes, table, probe, fake.sleeper, {.user = table.user}};
    StopSource stop;
};

// Ubuntu 22.04: PipeWire for screen capture beside PulseAudio for the sound, and programs of
// PipeWire's own that share its name.
TEST_F(SoundServerTest, TheServerThatAnswersTheSoundClientsIsTheOneStopped) {
    table.add(process(900, "pipewire"));
    table.add(process(901, "pipewire", {"-c", "filter-chain.conf"}));
    table.add(process(733, "pulseaudio", {"--daemonize=no"}));
    table.add({.pid = 500, .user = 1001, .name = "pulseaudio"}); // another user's
    probe.answer("pulseaudio");
    EXPECT_EQ(server.name(), "pulseaudio");
    EXPECT_EQ(server.stop(stop.token()), 733);
    EXPECT_EQ(table.signals(), std::vector<std::string>{"TERM 733"});
    EXPECT_FALSE(server.pid()) << "gone, and no other user's server counts";
    table.add(process(2000, "pulseaudio"));
    EXPECT_EQ(server.pid(), 2000);

    // The user switches to PipeWire's bridge: its companions go down with it, the filter chain
    // stays.
    table.add(process(902, "pipewire-pulse"));
    table.add(process(903, "wireplumber"));
    probe.answer(pipewireBridge);
    EXPECT_EQ(server.name(), "pipewire");
    EXPECT_EQ(server.stop(stop.token()), 900);
    EXPECT_EQ(table.signals(),
              (std::vector<std::string>{"TERM 733", "TERM 900", "TERM 902", "TERM 903"}));
    EXPECT_FALSE(server.pid()) << "pipewire -c filter-chain.conf is not the server";
}

TEST_F(SoundServerTest, AWedgedServerIsKilledAndOneThatOutlivesSigkillIsReportedAsRunning) {
    table.add(process(733, "pulseaudio"));
    probe.answer("pulseaudio");
    probe.freeze();
    table.wedge(733);
    EXPECT_EQ(server.stop(stop.token()), 733);
    EXPECT_EQ(table.signals(), (std::vector<std::string>{"TERM 733", "KILL 733"}));
    EXPECT_EQ(fake.sleeper.total(), SoundServer::terminateGrace);

    table.add(process(734, "pulseaudio"));
    table.makeUnkillable(734);
    EXPECT_EQ(failureOf(server, stop.token()),
              "Couldn’t stop pulseaudio: process 734 is still running after SIGKILL.");

    // With nothing running there is nothing to stop, and no wait.
    FakeProcessTable empty;
    SoundServer none{fake.processes, empty, probe, fake.sleeper, {.user = table.user}};
    const auto paused = fake.sleeper.pauses().size();
    EXPECT_EQ(failureOf(none, stop.token()), "Couldn’t stop pulseaudio: it isn’t running.");
    EXPECT_EQ(fake.sleeper.pauses().size(), paused);
}

// The units as Debian ships them: pipewire-pulse.service only wants pipewire.service, so a
// restart of PipeWire alone would leave the bridge talking to no one.
TEST_F(SoundServerTest, UnderTheServiceManagerTheUnitsAreRestartedAndAWedgedServerKilledFirst) {
    table.add(process(1801, "pipewire", {}, "pipewire.service"));
    table.add(process(1802, "wireplumber", {}, "wireplumber.service"));
    table.add(process(1803, "pipewire-pulse", {}, "pipewire-pulse.service"));
    const std::string restart = "/usr/bin/systemctl --user restart pipewire.service "
                                "wireplumber.service pipewire-pulse.service";
    const std::string kill = "/usr/bin/systemctl --user kill --signal=SIGKILL pipewire.service "
                             "wireplumber.service pipewire-pulse.service";
    fake.processes.answer(restart, {{0, ""}});
    probe.answer(pipewireBridge);
    EXPECT_EQ(server.stop(stop.token()), 1801);
    EXPECT_EQ(fake.processes.calls(), std::vector<std::string>{restart});
    EXPECT_EQ(fake.processes.timeLimit(restart), SoundServer::serviceRestartLimit);
    EXPECT_TRUE(table.signals().empty());

    probe.freeze();
    fake.processes.answer(kill, {{0, ""}});
    server.stop(stop.token());
    EXPECT_EQ(fake.processes.calls(), (std::vector<std::string>{restart, kill, restart}));

    fake.processes.answer(restart, {{.status = -1, .output = "", .timedOut = true}, {1, ""}});
    EXPECT_EQ(failureOf(server, stop.token()),
              "Couldn’t restart pipewire: " + restart + " didn’t finish within 8 seconds.");
    EXPECT_EQ(failureOf(server, stop.token()),
              "Couldn’t restart pipewire: " + restart + " ended with status 1.");
}

TEST(ServiceUnitTest, OnlyAServiceOfTheUserManagerCounts) {
    EXPECT_EQ(SoundServer::serviceUnit(userManager + "/app.slice/pulseaudio.service"),
              "pulseaudio.service");
    EXPECT_EQ(SoundServer::serviceUnit(userManager + "/app.slice/app-org.gnome.Terminal.scope"),
              "");
    EXPECT_EQ(SoundServer::serviceUnit("/system.slice/pipewire.service"), "");
    EXPECT_EQ(SoundServer::serviceUnit(userManager + "/init.scope"), "");
    EXPECT_EQ(SoundServer::serviceUnit(""), "");
}

// A daemon that never comes back, and whose every poll costs half a second of the clock.
class SlowDaemon final : public Daemon {
public:
    explicit SlowDaemon(testing::FakeClock& clock) : clock(clock) {}
    std::string name() override { return "pulseaudio"; }
    std::int32_t stop(StopToken) override { return 733; }
    std::optional<std::int32_t> pid() override {
        clock.elapsed = clock.elapsed.load() + std::chrono::milliseconds(500);
        return 733;
    }
    testing::FakeClock& clock;
};

TEST_F(SoundServerTest, TheTenSecondsAreTenSecondsHoweverLongThePollsTake) {
    SlowDaemon daemon(fake.clock);
    CoreAudioRestarter engine(fake.platform, daemon);
    const auto started = fake.clock.steadyNow();
    try {
        engine.restart(stop.token());
        ADD_FAILURE() << "the daemon never came back";
    } catch (const Failure& failure) {
        EXPECT_STREQ(failure.what(),
                     "pulseaudio was stopped but didn't come back within 10 seconds.");
    }
    const auto elapsed = fake.clock.steadyNow() - started;
    EXPECT_GE(elapsed, 10s);
    EXPECT_LE(elapsed, 10s + 2 * 500ms);
}

} // namespace
} // namespace sonifix
