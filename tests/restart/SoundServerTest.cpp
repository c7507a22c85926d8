#include "restart/SoundServer.h"

#include "FakePlatform.h"
#include "platform/FourCharCode.h"
#include "restart/CoreAudioRestarter.h"
#include "support/StopSource.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace sonifix {
namespace {

using namespace std::chrono_literals;
using Failure = CoreAudioRestarter::Failure;

const std::string pgrepPipeWire = "/usr/bin/pgrep -x -u ada pipewire";
const std::string pgrepPulse = "/usr/bin/pgrep -x -u ada pulseaudio";
const std::string pipewireMainPID =
    "/usr/bin/systemctl --user show --property=MainPID --value pipewire.service";
const std::string pulseMainPID =
    "/usr/bin/systemctl --user show --property=MainPID --value pulseaudio.service";

std::string isActive(const std::string& unit) {
    return "/usr/bin/systemctl --user is-active --quiet " + unit;
}
ProcessResult printed(std::string output) {
    return {.status = 0, .output = std::move(output)};
}
ProcessResult status(std::int32_t code) {
    return {.status = code, .output = ""};
}

class SoundServerTest : public ::testing::Test {
protected:
    DaemonIdentity identity() { return SoundServer(fake.processes).identity(owners); }

    void pipewireRunsUnderSystemd(const std::vector<std::string>& activeCompanions) {
        fake.processes.answer(pgrepPipeWire, {printed("1801\n1950\n")});
        fake.processes.answer(pipewireMainPID, {printed("1801\n")});
        for (const auto* unit :
             {"wireplumber.service", "pipewire-media-session.service", "pipewire-pulse.service"}) {
            const bool active = std::find(activeCompanions.begin(), activeCompanions.end(), unit) !=
                                activeCompanions.end();
            fake.processes.answer(isActive(unit), {status(active ? 0 : 3)});
        }
    }

    testing::FakePlatform fake;
    const std::vector<std::string> owners = SoundServer::ownedBy("ada");
};

TEST_F(SoundServerTest, PipeWireUnderTheServiceManagerIsRestartedWithItsCompanions) {
    pipewireRunsUnderSystemd({"wireplumber.service", "pipewire-pulse.service"});
    const auto server = identity();
    EXPECT_EQ(server.name, "pipewire");
    EXPECT_EQ(server.lookup.path, "/usr/bin/pgrep");
    EXPECT_EQ(server.lookup.arguments, (std::vector<std::string>{"-x", "-u", "ada", "pipewire"}));
    EXPECT_EQ(server.killCommand, (std::vector<std::string>{
                                      "/usr/bin/systemctl", "--user", "restart", "pipewire.service",
                                      "wireplumber.service", "pipewire-pulse.service"}));
    EXPECT_FALSE(server.needsRoot);

    // An older session manager in place of WirePlumber, and no bridge.
    pipewireRunsUnderSystemd({"pipewire-media-session.service"});
    EXPECT_EQ(identity().killCommand,
              (std::vector<std::string>{"/usr/bin/systemctl", "--user", "restart",
                                        "pipewire.service", "pipewire-media-session.service"}));
}

TEST_F(SoundServerTest, AServerTheServiceManagerDoesNotRunIsStoppedForItsSupervisor) {
    // The unit runs another process (or none, "0"), or there is no user service manager at all.
    for (const auto& mainPID : {printed("2222\n"), printed("0\n"), status(1), status(-1)}) {
        fake.processes.answer(pgrepPipeWire, {printed("1801\n")});
        fake.processes.answer(pipewireMainPID, {mainPID});
        const auto server = identity();
        EXPECT_EQ(server.name, "pipewire");
        EXPECT_EQ(server.killCommand,
                  (std::vector<std::string>{"/usr/bin/pkill", "-x", "-u", "ada", "pipewire"}));
    }
}

TEST_F(SoundServerTest, PulseAudioIsFoundWhenNoPipeWireRuns) {
    fake.processes.answer(pgrepPipeWire, {status(1)});
    fake.processes.answer(pgrepPulse, {printed("733\n")});
    fake.processes.answer(pulseMainPID, {printed("733\n")});
    auto server = identity();
    EXPECT_EQ(server.name, "pulseaudio");
    EXPECT_EQ(server.lookup.arguments, (std::vector<std::string>{"-x", "-u", "ada", "pulseaudio"}));
    EXPECT_EQ(server.killCommand, (std::vector<std::string>{"/usr/bin/systemctl", "--user",
                                                            "restart", "pulseaudio.service"}));

    fake.processes.answer(pulseMainPID, {status(-1)});
    EXPECT_EQ(identity().killCommand,
              (std::vector<std::string>{"/usr/bin/pkill", "-x", "-u", "ada", "pulseaudio"}));
}

TEST_F(SoundServerTest, WithNoServerRunningTheRestartSaysThereWasNothingToStop) {
    fake.processes.answer(pgrepPipeWire, {status(1)});
    fake.processes.answer(pgrepPulse, {status(1)});
    const auto server = identity();
    EXPECT_EQ(server.name, "pipewire");
    EXPECT_EQ(fake.processes.calls(), (std::vector<std::string>{pgrepPipeWire, pgrepPulse}));

    fake.processes.answer("/usr/bin/pkill -x -u ada pipewire", {status(1)});
    CoreAudioRestarter engine(fake.platform, server);
    StopSource stop;
    try {
        engine.restart(stop.token());
        ADD_FAILURE() << "nothing was stopped, so nothing can come back";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.kind(), Failure::Kind::failed);
        EXPECT_STREQ(failure.what(),
                     "Couldn’t stop pipewire: /usr/bin/pkill -x -u ada pipewire ended with "
                     "status 1.");
    }
    EXPECT_TRUE(fake.sleeper.pauses().empty());
}

TEST_F(SoundServerTest, TheEngineRestartsThroughTheServiceManagerAndNamesTheRealServer) {
    pipewireRunsUnderSystemd({"wireplumber.service", "pipewire-pulse.service"});
    const auto server = identity();
    fake.hardware.setDefault(
        false, fake.hardware.addDevice(
                   {.name = "Speakers", .transport = fourCharCode("bltn"), .sampleRate = 48000}));
    const std::string restartUnits = "/usr/bin/systemctl --user restart pipewire.service "
                                     "wireplumber.service pipewire-pulse.service";
    fake.processes.answer(restartUnits, {status(0)});
    fake.processes.answer(pgrepPipeWire, {printed("1801\n"), printed("1801\n"), printed("2400\n")});

    CoreAudioRestarter engine(fake.platform, server);
    StopSource stop;
    EXPECT_FALSE(engine.restart(stop.token()));
    EXPECT_EQ(fake.processes.count(restartUnits), 1);
    EXPECT_EQ(fake.sleeper.total(), 2 * 250ms + 700ms);
    EXPECT_TRUE(fake.adminShell.scripts().empty());

    fake.processes.answer(pgrepPipeWire, {printed("2400\n")});
    try {
        engine.restart(stop.token());
        ADD_FAILURE() << "the same PID in every poll is not a restart";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.kind(), Failure::Kind::didNotComeBack);
        EXPECT_STREQ(failure.what(),
                     "pipewire was stopped but didn't come back within 10 seconds.");
    }
}

} // namespace
} // namespace sonifix
