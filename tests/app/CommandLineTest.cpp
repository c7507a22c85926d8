#include "app/CommandLine.h"

#include "AppTest.h"
#include "restart/PasswordFreeRule.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

namespace sonifix::testing {
namespace {

using ::testing::Return;
using Claim = SingleInstance::Claim;

class MockInstance : public SingleInstance {
public:
    MOCK_METHOD(Claim, claim, (), (override));
    MOCK_METHOD(void, serve, (std::weak_ptr<InstanceDelegate>), (override));
    MOCK_METHOD(bool, launchRunning, (), (override));
    MOCK_METHOD(std::optional<RestartResult>, restartRunning, (), (override));
    MOCK_METHOD(std::optional<AppStatus>, statusOfRunning, (), (override));
};

class MockHost : public CommandHost {
public:
    MOCK_METHOD(int, runApp, (), (override));
    MOCK_METHOD(RestartResult, restartHere, (), (override));
    MOCK_METHOD(AppStatus, statusHere, (), (override));
};

// Any call the test does not expect fails it.
class CommandLineTest : public ::testing::Test {
protected:
    int run(const Strings& arguments) {
        out.str({});
        err.str({});
        return commandLine.run(arguments, out, err);
    }

    ::testing::StrictMock<MockInstance> instance;
    ::testing::StrictMock<MockHost> host;
    CommandLine commandLine{instance, host, "1.2.3"};
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(CommandLineTest, WrongArgumentsEndWithStatus2AndSayWhatIsWrong) {
    for (const Strings& arguments : {Strings{"--frobnicate"}, Strings{"restart"}, Strings{"--json"},
                                     Strings{"--restart", "--status"}, Strings{"--status", ""}}) {
        EXPECT_EQ(run(arguments), 2);
        EXPECT_TRUE(out.str().empty());
        EXPECT_NE(err.str().find("Try 'sonifix --help'"), std::string::npos) << err.str();
    }
    run({"--restart", "--frobnicate"});
    EXPECT_TRUE(err.str().starts_with("sonifix: unknown option '--frobnicate'\n")) << err.str();
}

TEST_F(CommandLineTest, ARestartOrALaunchGoesToTheRunningAppAndIsDoneHereOnlyWhenNoneRuns) {
    EXPECT_CALL(instance, restartRunning())
        .WillOnce(Return(RestartResult{.succeeded = true}))
        .WillOnce(Return(RestartResult{.message = "The sound server did not come back."}))
        .WillOnce(Return(std::nullopt))
        .WillOnce(Return(std::nullopt)) // another command takes the place first: it is asked
        .WillOnce(Return(RestartResult{.succeeded = true}))
        .WillRepeatedly(Return(std::nullopt)); // the place is held by one that never answers
    // Doing the restart here, this process holds the place, so that others join its restart.
    EXPECT_CALL(instance, claim())
        .WillOnce(Return(Claim::claimed))
        .WillRepeatedly(Return(Claim::taken));
    EXPECT_CALL(host, restartHere())
        .WillOnce(Return(RestartResult{.message = "There was no sound server to stop."}));
    EXPECT_EQ(run({"--restart"}), 0);
    EXPECT_TRUE(err.str().empty());
    EXPECT_EQ(run({"--restart"}), 1);
    EXPECT_EQ(err.str(), "sonifix: The sound server did not come back.\n");
    EXPECT_EQ(run({"--restart"}), 1);
    EXPECT_EQ(err.str(), "sonifix: There was no sound server to stop.\n");
    EXPECT_EQ(run({"--restart"}), 0);
    EXPECT_EQ(run({"--restart"}), 1);
    EXPECT_FALSE(err.str().empty());

    // A launch while the app runs only tells it.
    EXPECT_CALL(instance, claim())
        .WillOnce(Return(Claim::taken))        // told, and nothing more
        .WillOnce(Return(Claim::unavailable))  // no bus to tell: it runs rather than not at all
        .WillOnce(Return(Claim::taken))        // the running copy quits before it is told:
        .WillOnce(Return(Claim::claimed))      // this one takes its place
        .WillRepeatedly(Return(Claim::taken)); // held by something that never answers
    EXPECT_CALL(instance, launchRunning()).WillOnce(Return(true)).WillRepeatedly(Return(false));
    EXPECT_CALL(host, runApp()).Times(2).WillRepeatedly(Return(7));
    EXPECT_EQ(run({}), 0);
    EXPECT_EQ(run({}), 7);
    EXPECT_EQ(run({}), 7);
    EXPECT_EQ(run({}), 1) << "no second copy beside it";
    EXPECT_FALSE(err.str().empty());
}

TEST_F(CommandLineTest, StatusReadsForPeopleAndForScripts) {
    const AppStatus running{
        .server = "PipeWire",
        .pid = 4242,
        .output = "Built-in Speakers · 48 kHz",
        .lastRestart = std::chrono::system_clock::time_point(std::chrono::seconds(1796547600)),
        .restartCount = 3,
        .serverName = "PipeWire",
        .serverVersion = "1.0.5",
        .outputDevice = AppStatus::Device{"alsa_output.pci", "Built-in Speakers", 48000, "builtIn"},
        .restarting = true,
    };
    // Nobody runs for the last two: this process looks for itself. A device name that is not
    // UTF-8 is no reason to give no answer.
    EXPECT_CALL(instance, statusOfRunning())
        .WillOnce(Return(running))
        .WillOnce(Return(running))
        .WillRepeatedly(Return(std::nullopt));
    EXPECT_CALL(host, statusHere())
        .WillRepeatedly(Return(AppStatus{.server = "PulseAudio", .input = "Mic \xFF"}));
    EXPECT_EQ(run({"--status"}), 0);
    EXPECT_NE(out.str().find("\nInput: none\n"), std::string::npos) << out.str();
    EXPECT_EQ(run({"--json", "--status"}), 0);
    EXPECT_EQ(nlohmann::json::parse(out.str()), nlohmann::json::parse(R"({"server": "PipeWire",
        "pid": 4242, "output": "Built-in Speakers · 48 kHz", "input": null,
        "lastRestart": "2026-12-06T09:00:00Z", "restartCount": 3,
        "soundServer": {"name": "PipeWire", "version": "1.0.5"}, "restarting": true,
        "outputDevice": {"name": "alsa_output.pci", "description": "Built-in Speakers",
                         "rateHz": 48000, "transport": "builtIn"}, "inputDevice": null})"));

    EXPECT_EQ(run({"--status", "--json"}), 0);
    const auto own = nlohmann::json::parse(out.str());
    EXPECT_TRUE(own["pid"].is_null());
    EXPECT_TRUE(own["lastRestart"].is_null());
    EXPECT_EQ(own["input"], "Mic \uFFFD");
    EXPECT_EQ(run({"--status"}), 0);
    EXPECT_TRUE(out.str().starts_with("Sound server: PulseAudio, not running")) << out.str();

    // No server answers: still said, and a script sees it in the exit status, as from
    // `systemctl is-active`.
    EXPECT_CALL(host, statusHere()).WillRepeatedly(Return(AppStatus{.answering = false}));
    EXPECT_EQ(run({"--status"}), 3);
    EXPECT_EQ(run({"--status", "--json"}), 3);
    EXPECT_TRUE(nlohmann::json::parse(out.str())["soundServer"].is_null()) << out.str();
}

// Any client of the server, or a Bluetooth device, names its devices: a name reaches the
// terminal with every control character in it replaced, C1 and DEL included.
TEST_F(CommandLineTest, StatusShowsNoControlCharacterOfADeviceName) {
    EXPECT_CALL(instance, statusOfRunning())
        .WillOnce(Return(AppStatus{.server = "PipeWire",
                                   .pid = 7,
                                   .output = "A\x1b]0;owned\x07\x1b[2J\r\xC2\x9B\x7F\x9B",
                                   .input = "Mic\tB"}));
    EXPECT_EQ(run({"--status"}), 0);
    EXPECT_EQ(out.str(), "Sound server: PipeWire, PID 7\nOutput: A\uFFFD]0;owned\uFFFD\uFFFD[2J"
                         "\uFFFD\uFFFD\uFFFD\uFFFD\nInput: Mic\uFFFDB\n\n");
}

TEST_F(AppTest, OnlyTheAppsOwnRestartLinkRestartsAndOnceEvenWhenItOpensTheApp) {
    using Command = CommandLine::Command;
    for (const auto* link : {"sonifix://restart", "SONIFIX://Restart/", "sonifix:restart"}) {
        EXPECT_EQ(CommandLine::parseUrl(link), Command::restart) << link;
    }
    EXPECT_EQ(CommandLine::parseUrl("sonifix://"), Command::launch);
    // A web page can open any link: nothing else is taken, not even the other commands.
    for (const auto* link : {"sonifix://status", "sonifix://restart?now", "sonifix://restart/x",
                             "https://restart", "sonifixx://restart", "", "sonifix://restar"}) {
        EXPECT_EQ(CommandLine::parseUrl(link), std::nullopt) << link;
    }

    // The system hands over the link that launched the app before the launch has finished.
    daemonWillComeBack();
    delegate->openUrl("sonifix://restart");
    fake.mainQueue.runReady(); // nothing is set up for a restart yet
    EXPECT_FALSE(delegate->isRestarting());
    launch();
    EXPECT_TRUE(delegate->isRestarting());
    finishWork();
    EXPECT_EQ(fake.processes.count(sudo), 1);

    fake.clock.elapsed = fake.clock.elapsed.load() + AppDelegate::linkBurstGap; // a later link
    daemonWillComeBack();
    delegate->openUrl("sonifix://restart");
    delegate->openUrl("sonifix://quit");
    fake.mainQueue.runReady();
    finishWork();
    EXPECT_EQ(fake.processes.count(sudo), 2);
    EXPECT_EQ(count(), 2);
}

// Any page can send the link, as often as it likes: links that come in a burst, a second or
// less apart, restart once, with the feedback any restart has.
TEST_F(AppTest, LinksInABurstRestartOnceWithTheFeedbackOfAnyRestart) {
    launch();
    fake.files.files = {std::string(PasswordFreeRule::path)};
    daemonWillComeBack();
    for (int link = 0; link < 4; ++link) {
        delegate->openUrl("sonifix://restart");
        fake.mainQueue.runReady();
        finishWork();
        fake.clock.elapsed = fake.clock.elapsed.load() + 1s;
    }
    EXPECT_EQ(count(), 1);
    EXPECT_EQ(fake.log, (Strings{"icon hourglass", "icon checkmark"}));
    fake.clock.elapsed = fake.clock.elapsed.load() + 5s;
    daemonWillComeBack();
    delegate->openUrl("sonifix://restart");
    fake.mainQueue.runReady();
    finishWork();
    EXPECT_EQ(count(), 2);
}

} // namespace
} // namespace sonifix::testing
