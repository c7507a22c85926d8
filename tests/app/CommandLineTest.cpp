#include "app/CommandLine.h"

#include "FakeSingleInstance.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

namespace sonifix::testing {
namespace {

// This process's own part: counts what it is asked and answers as the test says.
class FakeHost final : public CommandHost {
public:
    int runApp() override {
        ++apps;
        return 0;
    }
    RestartResult restartHere() override {
        ++restarts;
        return restartOutcome;
    }
    AppStatus statusHere() override { return status; }

    int apps = 0;
    int restarts = 0;
    RestartResult restartOutcome{.succeeded = true};
    AppStatus status{.server = "PulseAudio", .lastRestartText = "Not restarted yet"};
};

class CommandLineTest : public ::testing::Test {
protected:
    int run(const std::vector<std::string>& arguments) {
        out.str({});
        err.str({});
        return commandLine.run(arguments, out, err);
    }

    FakeSingleInstance instance;
    FakeHost host;
    CommandLine commandLine{instance, host, "1.2.3"};
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(CommandLineTest, WrongArgumentsEndWithStatus2AndSayWhatIsWrong) {
    for (const auto& arguments : std::vector<std::vector<std::string>>{{"--frobnicate"},
                                                                       {"restart"},
                                                                       {"--json"},
                                                                       {"--restart", "--status"},
                                                                       {"--status", ""}}) {
        EXPECT_EQ(run(arguments), 2);
        EXPECT_TRUE(out.str().empty());
        EXPECT_NE(err.str().find("Try 'sonifix --help'"), std::string::npos) << err.str();
    }
    run({"--restart", "--frobnicate"});
    EXPECT_TRUE(err.str().starts_with("sonifix: unknown option '--frobnicate'\n")) << err.str();
    EXPECT_EQ(instance.calls + host.apps + host.restarts, 0);
}

TEST_F(CommandLineTest, ARestartGoesToTheRunningAppAndIsDoneHereOnlyWhenNoneRuns) {
    instance.runningRestart = RestartResult{.succeeded = true};
    EXPECT_EQ(run({"--restart"}), 0);
    EXPECT_TRUE(err.str().empty());
    instance.runningRestart = RestartResult{.message = "The sound server did not come back."};
    EXPECT_EQ(run({"--restart"}), 1);
    EXPECT_EQ(err.str(), "sonifix: The sound server did not come back.\n");
    EXPECT_EQ(host.restarts, 0);

    instance.runningRestart.reset();
    host.restartOutcome = {.message = "There was no sound server to stop."};
    EXPECT_EQ(run({"--restart"}), 1);
    EXPECT_EQ(err.str(), "sonifix: There was no sound server to stop.\n");
    EXPECT_EQ(host.restarts, 1);
    EXPECT_EQ(host.apps, 0);
}

TEST_F(CommandLineTest, StatusReadsForPeopleAndForScripts) {
    instance.runningStatus = AppStatus{
        .server = "PipeWire",
        .pid = 4242,
        .output = "Built-in Speakers · 48 kHz",
        .lastRestart = std::chrono::system_clock::time_point(std::chrono::seconds(1796547600)),
        .lastRestartText = "Last restart 5 minutes ago · 3 total",
        .restartCount = 3,
    };
    EXPECT_EQ(run({"--status"}), 0);
    EXPECT_NE(out.str().find("\nInput: none\n"), std::string::npos) << out.str();
    EXPECT_EQ(run({"--json", "--status"}), 0);
    EXPECT_EQ(nlohmann::json::parse(out.str()), nlohmann::json::parse(R"({"server": "PipeWire",
        "pid": 4242, "output": "Built-in Speakers · 48 kHz", "input": null,
        "lastRestart": "2026-12-06T09:00:00Z", "restartCount": 3})"));

    // Nobody runs: this process looks for itself. A device name that is not UTF-8 is no reason
    // to give no answer.
    instance.runningStatus.reset();
    host.status.input = "Mic \xFF";
    EXPECT_EQ(run({"--status", "--json"}), 0);
    const auto own = nlohmann::json::parse(out.str());
    EXPECT_TRUE(own["pid"].is_null());
    EXPECT_TRUE(own["lastRestart"].is_null());
    EXPECT_EQ(own["input"], "Mic \uFFFD");
    EXPECT_EQ(run({"--status"}), 0);
    EXPECT_TRUE(out.str().starts_with("Sound server: PulseAudio, not running")) << out.str();
}

TEST_F(CommandLineTest, ALaunchWhileTheAppRunsOnlyTellsIt) {
    using Claim = SingleInstance::Claim;
    instance.claimAnswers = {Claim::taken};
    EXPECT_EQ(run({}), 0);
    EXPECT_EQ(instance.launches, 1);
    EXPECT_EQ(host.apps, 0);
    // No bus to tell: the app runs on its own rather than not at all.
    instance.claimAnswers = {Claim::unavailable};
    EXPECT_EQ(run({}), 0);
    EXPECT_EQ(host.apps, 1);
    // The running copy quit before it could be told: this one takes its place.
    instance.runningAnswersLaunch = false;
    instance.claimAnswers = {Claim::taken, Claim::claimed};
    EXPECT_EQ(run({}), 0);
    EXPECT_EQ(host.apps, 2);
    // Held by something that never answers: no second copy beside it.
    instance.claimAnswers = {Claim::taken, Claim::taken};
    EXPECT_EQ(run({}), 1);
    EXPECT_EQ(host.apps, 2);
    EXPECT_FALSE(err.str().empty());
}

} // namespace
} // namespace sonifix::testing
