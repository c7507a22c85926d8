#include "restart/CoreAudioRestarter.h"

#include "FakePlatform.h"
#include "platform/AudioProperties.h"
#include "support/StopSource.h"
#include "support/TaskCancelled.h"

#include <gtest/gtest.h>

namespace sonifix {
namespace {

using namespace std::chrono_literals;
using Failure = CoreAudioRestarter::Failure;

const std::string pgrep = "/usr/bin/pgrep -x coreaudiod";
const std::string sudo = "/usr/bin/sudo -n /usr/bin/killall coreaudiod";
const std::string killScript =
    "do shell script \"/usr/bin/killall coreaudiod\" with administrator privileges";

ProcessResult printed(std::string output) {
    return {.status = 0, .output = std::move(output)};
}
ProcessResult status(std::int32_t code) {
    return {.status = code, .output = ""};
}

class CoreAudioRestarterTest : public ::testing::Test {
protected:
    // The daemon's PIDs as pgrep prints them: the first before the kill, then one per poll.
    void daemonRuns(std::vector<std::string> outputs) {
        std::vector<ProcessResult> results;
        for (auto& output : outputs) {
            results.push_back(printed(std::move(output)));
        }
        fake.processes.answer(pgrep, std::move(results));
    }

    void outputDevicePresent() {
        fake.hardware.setDefault(false, fake.hardware.addDevice({.name = "MacBook Pro Speakers",
                                                                 .transport = fourCharCode("bltn"),
                                                                 .sampleRate = 48000}));
    }

    Failure restartFailure() {
        try {
            engine.restart(stop.token());
        } catch (const Failure& failure) {
            return failure;
        }
        ADD_FAILURE() << "restart did not fail";
        return Failure::failed("");
    }

    testing::FakePlatform fake;
    CoreAudioRestarter engine{fake.platform, DaemonIdentity::coreaudiod()};
    StopSource stop;
};

TEST_F(CoreAudioRestarterTest, FindsTheDaemonOnlyInAWellFormedFirstLine) {
    const std::vector<std::pair<std::string, std::optional<std::int32_t>>> cases = {
        {"412\n", 412},
        {"412\n97\n", 412},
        {"\n\n412\n", 412},
        {"412", 412},
        {"", std::nullopt},
        {"\n", std::nullopt},
        {" 412\n", std::nullopt},
        {"412\r\n", std::nullopt},
        {"pid412\n", std::nullopt},
        {"412 \n", std::nullopt},
        {"+7\n", 7},
        {"-1\n", -1},
        {"+\n", std::nullopt},
        {"-\n", std::nullopt},
        {"+-7\n", std::nullopt},
        {"++7\n", std::nullopt},
        {"2147483647\n", 2147483647},
        {"-2147483648\n", -2147483647 - 1},
        {"2147483648\n", std::nullopt},
        {"-2147483649\n", std::nullopt},
        {"\xEF\xBC\x94\n", std::nullopt}, // a full-width digit
    };
    for (const auto& [output, expected] : cases) {
        fake.processes.answer(pgrep, {printed(output)});
        EXPECT_EQ(engine.coreaudiodPID(), expected) << "output: " << output;
    }
    // A pgrep that cannot start answers -1 and nothing.
    fake.processes.answer(pgrep, {status(-1)});
    EXPECT_EQ(engine.coreaudiodPID(), std::nullopt);
}

TEST_F(CoreAudioRestarterTest, PasswordFreeRestartWaitsOnePollAndSettles) {
    daemonRuns({"412\n", "513\n"});
    fake.processes.answer(sudo, {status(0)});
    outputDevicePresent();

    EXPECT_FALSE(engine.restart(stop.token()));
    EXPECT_EQ(fake.processes.calls(), (std::vector<std::string>{pgrep, sudo, pgrep}));
    EXPECT_EQ(fake.sleeper.pauses(), (std::vector<std::chrono::nanoseconds>{250ms, 700ms}));
    EXPECT_TRUE(fake.adminShell.scripts().empty());
}

TEST_F(CoreAudioRestarterTest, FailedPasswordFreeAttemptFallsBackToTheAdministrator) {
    daemonRuns({"412\n", "513\n"});
    fake.processes.answer(sudo, {status(1)});
    outputDevicePresent();

    EXPECT_TRUE(engine.restart(stop.token()));
    EXPECT_EQ(fake.adminShell.scripts(), std::vector<std::string>{killScript});
    EXPECT_EQ(fake.sleeper.total(), 950ms);

    // sudo missing altogether is a failed attempt too.
    fake.processes.answer(sudo, {status(-1)});
    daemonRuns({"513\n", "614\n"});
    EXPECT_TRUE(engine.restart(stop.token()));
}

TEST_F(CoreAudioRestarterTest, AdministratorFailuresEndTheRestartAtOnce) {
    daemonRuns({"412\n"});
    fake.processes.answer(sudo, {status(1)});
    outputDevicePresent();

    fake.adminShell.answerDismissed();
    EXPECT_EQ(restartFailure().kind(), Failure::Kind::cancelled);

    fake.adminShell.answerFailed("No matching processes were found");
    const auto failed = restartFailure();
    EXPECT_EQ(failed.kind(), Failure::Kind::failed);
    EXPECT_STREQ(failed.what(), "No matching processes were found");

    EXPECT_TRUE(fake.sleeper.pauses().empty());
    EXPECT_EQ(fake.processes.count(pgrep), 2); // the old PID of each attempt, no polls
}

TEST_F(CoreAudioRestarterTest, ADaemonBackAtTheFortiethPollStillCounts) {
    std::vector<std::string> outputs(40, "412\n");
    outputs.push_back("513\n");
    daemonRuns(outputs);
    fake.processes.answer(sudo, {status(0)});
    outputDevicePresent();

    EXPECT_FALSE(engine.restart(stop.token()));
    EXPECT_EQ(fake.sleeper.pauses().size(), 41u);
    EXPECT_EQ(fake.sleeper.total(), 40 * 250ms + 700ms);
}

TEST_F(CoreAudioRestarterTest, GivesUpAfterFortyPollsWithoutANewDaemonAndAnOutput) {
    fake.processes.answer(sudo, {status(0)});
    outputDevicePresent();
    daemonRuns({"412\n"}); // the kill had no effect
    const auto samePID = restartFailure();
    EXPECT_EQ(samePID.kind(), Failure::Kind::didNotComeBack);
    EXPECT_STREQ(samePID.what(), "coreaudiod was stopped but didn't come back within 10 seconds.");
    EXPECT_EQ(fake.sleeper.pauses(), std::vector<std::chrono::nanoseconds>(40, 250ms));

    daemonRuns({"412\n", "513\n"});
    fake.hardware.setDefault(false, noAudioObject);
    EXPECT_EQ(restartFailure().kind(), Failure::Kind::didNotComeBack);

    fake.hardware.failSystemRead(audio_properties::defaultOutputDevice);
    EXPECT_EQ(restartFailure().kind(), Failure::Kind::didNotComeBack);
}

TEST_F(CoreAudioRestarterTest, WithNoDaemonAtFirstAnyDaemonCountsAndOnlyFirstLinesCompare) {
    fake.processes.answer(sudo, {status(0)});
    outputDevicePresent();
    daemonRuns({"", "", "77\n"});
    EXPECT_FALSE(engine.restart(stop.token()));
    EXPECT_EQ(fake.sleeper.pauses().size(), 3u);

    // The new daemon is listed first; the old one still shows on a later line.
    daemonRuns({"412\n97\n", "97\n412\n"});
    EXPECT_FALSE(engine.restart(stop.token()));
}

TEST_F(CoreAudioRestarterTest, AStopDuringAPauseEndsTheRestartWithCancellation) {
    daemonRuns({"412\n"});
    fake.processes.answer(sudo, {status(0)});
    outputDevicePresent();
    fake.sleeper.at(3, [&] { stop.requestStop(); });

    EXPECT_THROW(
        {
            try {
                engine.restart(stop.token());
            } catch (const Failure&) {
                ADD_FAILURE() << "a cancellation is not a restart failure";
            }
        },
        TaskCancelled);
    EXPECT_EQ(fake.sleeper.pauses().size(), 3u);
}

TEST_F(CoreAudioRestarterTest, FailureDescriptionsAreExact) {
    EXPECT_STREQ(Failure::failed("").what(), "");
    EXPECT_STREQ(Failure::failed("Couldn’t do it").what(), "Couldn’t do it");
    EXPECT_STREQ(Failure::cancelled().what(), "Cancelled.");
    EXPECT_STREQ(Failure::didNotComeBack("coreaudiod").what(),
                 "coreaudiod was stopped but didn't come back within 10 seconds.");
}

// A daemon the user may stop without a password: no sudo, no administrator.
TEST_F(CoreAudioRestarterTest, AUserDaemonIsStoppedDirectlyAndItsFailureIsTheRestarts) {
    const DaemonIdentity server{.name = "pipewire",
                                .lookup = {"/usr/bin/pgrep", {"-x", "pipewire"}},
                                .killCommand = {"/usr/bin/pkill", "-x", "pipewire"},
                                .needsRoot = false};
    CoreAudioRestarter userEngine(fake.platform, server);
    outputDevicePresent();
    fake.processes.answer("/usr/bin/pgrep -x pipewire", {printed("10\n"), printed("11\n")});
    fake.processes.answer("/usr/bin/pkill -x pipewire", {status(0), status(1)});

    EXPECT_FALSE(userEngine.restart(stop.token()));
    EXPECT_EQ(fake.processes.count(sudo), 0);

    try {
        userEngine.restart(stop.token());
        ADD_FAILURE() << "a failed kill must fail the restart";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.kind(), Failure::Kind::failed);
        EXPECT_STREQ(failure.what(),
                     "Couldn’t stop pipewire: /usr/bin/pkill -x pipewire ended with status 1.");
    }
    EXPECT_TRUE(fake.adminShell.scripts().empty());
    EXPECT_STREQ(Failure::didNotComeBack(server.name).what(),
                 "pipewire was stopped but didn't come back within 10 seconds.");
}

} // namespace
} // namespace sonifix
