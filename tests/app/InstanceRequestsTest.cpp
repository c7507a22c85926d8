#include "AppTest.h"

namespace sonifix::testing {
namespace {

using namespace std::chrono_literals;

// What another launch of the app asks of the running one.
class InstanceRequestsTest : public AppTest {
protected:
    InstanceRequestsTest() { launch(); }

    std::function<void(const RestartResult&)> recordInto(std::vector<RestartResult>& outcomes) {
        return [&outcomes, this](const RestartResult& outcome) {
            outcomes.push_back(outcome);
            fake.log.add(outcome.succeeded ? "answered" : "answered " + outcome.message);
        };
    }
};

TEST_F(InstanceRequestsTest, ARequestedRestartAnswersWhenItHasEndedAndJoinsOneUnderWay) {
    std::vector<RestartResult> outcomes;
    daemonWillComeBack();
    delegate->restartFromMenu();
    delegate->restartAndReport(recordInto(outcomes));
    delegate->restartAndReport(recordInto(outcomes));
    EXPECT_TRUE(outcomes.empty());
    finishRestart();
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_TRUE(outcomes[0].succeeded && outcomes[1].succeeded);
    EXPECT_EQ(fake.processes.count(sudo), 1);
    EXPECT_EQ(fake.settings.integerForKey(settings::restartCount), 1);

    // A failure: the caller hears it before the alert, which waits for the user, comes up.
    daemonWillStayAway();
    fake.log.clear();
    fake.alerts.whileShown = [&] {
        // Asked while the user still reads about the failure: that outcome is the answer.
        delegate->restartAndReport(recordInto(outcomes));
    };
    delegate->restartAndReport(recordInto(outcomes));
    finishRestart();
    const std::string failure = "answered coreaudiod was stopped but didn't come back within 10 "
                                "seconds.";
    EXPECT_EQ(fake.log.all(),
              (std::vector<std::string>{"icon hourglass", "icon hifispeaker", failure, "activate",
                                        "alert Couldn’t restart Core Audio", failure}));
    EXPECT_FALSE(delegate->isRestarting());
}

TEST_F(InstanceRequestsTest, ADismissedPromptAndAnAppThatQuitsStillAnswer) {
    std::vector<RestartResult> outcomes;
    daemonWillComeBack(false);
    fake.adminShell.answerDismissed();
    delegate->restartAndReport(recordInto(outcomes));
    finishRestart();
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_FALSE(outcomes[0].succeeded);
    EXPECT_FALSE(outcomes[0].message.empty());
    EXPECT_TRUE(fake.alerts.shown.empty());

    daemonWillComeBack();
    delegate->restartAndReport(recordInto(outcomes));
    fake.background.requestStop(); // the app quits during the restart
    finishRestart();
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_FALSE(outcomes[1].succeeded);
    EXPECT_TRUE(fake.alerts.shown.empty());
}

TEST_F(InstanceRequestsTest, TheStatusIsWhatTheMenuShowsAndTheDaemonsPID) {
    fake.processes.answer(pgrep, {{0, "812\n"}});
    fake.settings.setInteger(settings::restartCount, 3);
    fake.settings.setDate(settings::lastRestart, fake.clock.current - 5min);
    fake.hardware.setDefault(true, 0);
    const auto status = delegate->status();
    EXPECT_EQ(status.server, "Core Audio");
    EXPECT_EQ(status.pid, 812);
    EXPECT_EQ(status.output, "MacBook Pro Speakers · 48 kHz");
    EXPECT_EQ(status.input, "");
    EXPECT_EQ(status.lastRestart, fake.clock.current - 5min);
    EXPECT_EQ(status.lastRestartText, "Last restart 5 minutes ago · 3 total");
    EXPECT_EQ(status.restartCount, 3);

    fake.processes.answer(pgrep, {{1, ""}});
    EXPECT_EQ(delegate->status().pid, std::nullopt);
}

TEST_F(InstanceRequestsTest, ALaunchWhileRunningShowsANoticeOnceTheCallerHasItsAnswer) {
    fake.log.clear();
    delegate->launchedAgain();
    EXPECT_TRUE(fake.log.all().empty());
    fake.mainQueue.runReady();
    EXPECT_EQ(fake.log.all(),
              (std::vector<std::string>{"activate", "alert Sonifix is already running"}));
    EXPECT_EQ(fake.alerts.shown.at(0).informativeText, "Its speaker icon is in the menu bar.");
}

} // namespace
} // namespace sonifix::testing
