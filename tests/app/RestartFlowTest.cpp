#include "AppTest.h"

#include <limits>

namespace sonifix::testing {
namespace {

using namespace std::chrono_literals;

class RestartFlowTest : public AppTest {
protected:
    RestartFlowTest() { launch(); }

    std::int64_t count() { return fake.settings.integerForKey(settings::restartCount); }
};

TEST_F(RestartFlowTest, ASuccessCountsFlashesTheCheckmarkAndRenewsTheListeners) {
    daemonWillComeBack();
    fake.log.clear();
    fake.menu.choose("Restart Core Audio");
    EXPECT_TRUE(delegate->isRestarting());
    EXPECT_EQ(fake.statusItem.current(), "hourglass");

    finishRestart();
    EXPECT_FALSE(delegate->isRestarting());
    EXPECT_EQ(count(), 1);
    EXPECT_EQ(fake.settings.dateForKey(settings::lastRestart), fake.clock.current);
    EXPECT_EQ(fake.hardware.listenerCount(), 2u);
    EXPECT_EQ(fake.log.all(), (std::vector<std::string>{"icon hourglass", "icon checkmark"}));
    EXPECT_EQ(fake.statusItem.description, "Sonifix");

    fake.mainQueue.advance(1999ms);
    EXPECT_EQ(fake.statusItem.current(), "checkmark");
    fake.mainQueue.advance(1ms);
    EXPECT_EQ(fake.statusItem.current(), "hifispeaker");

    daemonWillComeBack(false); // through the administrator this time
    delegate->restartFromMenu();
    finishRestart();
    EXPECT_EQ(count(), 2);
    EXPECT_EQ(fake.adminShell.scripts().size(), 1u);

    // A count damaged to the largest there is stays there rather than overflowing.
    fake.settings.setInteger(settings::restartCount, std::numeric_limits<std::int64_t>::max());
    daemonWillComeBack();
    delegate->restartFromMenu();
    finishRestart();
    EXPECT_EQ(count(), std::numeric_limits<std::int64_t>::max());
}

TEST_F(RestartFlowTest, RequestsWhileARestartRunsAreDropped) {
    daemonWillComeBack();
    fake.settings.setBool(settings::restartOnWake, true);
    fake.menu.choose("Restart Core Audio");
    delegate->restartFromMenu();
    fake.workspace.wake();
    fake.mainQueue.advance(4s); // the wake's restart arrives while the first still runs
    EXPECT_EQ(fake.background.pending(), 1u);

    finishRestart();
    EXPECT_EQ(count(), 1);
    EXPECT_EQ(fake.processes.count(sudo), 1);
}

TEST_F(RestartFlowTest, ADismissedPromptIsSilentAndLeavesTheBookkeepingAlone) {
    daemonWillComeBack(false);
    fake.adminShell.answerDismissed();
    fake.log.clear();
    delegate->restartFromMenu();
    finishRestart();

    EXPECT_EQ(fake.log.all(), (std::vector<std::string>{"icon hourglass", "icon hifispeaker"}));
    EXPECT_FALSE(delegate->isRestarting());
    EXPECT_FALSE(fake.settings.holds(settings::lastRestart));
    EXPECT_FALSE(fake.settings.holds(settings::restartCount));
}

TEST_F(RestartFlowTest, AFailureShowsOneAlertAndClearsTheFlagOnlyAfterIt) {
    daemonWillStayAway();
    bool restartingWhileShown = false;
    fake.alerts.whileShown = [&] { restartingWhileShown = delegate->isRestarting(); };
    fake.log.clear();
    delegate->restartFromMenu();
    finishRestart();

    EXPECT_EQ(fake.log.all(),
              (std::vector<std::string>{"icon hourglass", "icon hifispeaker", "activate",
                                        "alert Couldn’t restart Core Audio"}));
    ASSERT_EQ(fake.alerts.shown.size(), 1u);
    EXPECT_EQ(fake.alerts.shown[0].informativeText,
              "coreaudiod was stopped but didn't come back within 10 seconds.");
    EXPECT_TRUE(fake.alerts.shown[0].buttons.empty());
    EXPECT_TRUE(restartingWhileShown);
    EXPECT_FALSE(delegate->isRestarting());
    EXPECT_EQ(count(), 0);

    // The administrator's own message reaches the alert unchanged.
    daemonWillComeBack(false);
    fake.adminShell.answerFailed("No matching processes belonging to you were found");
    delegate->restartFromMenu();
    finishRestart();
    EXPECT_EQ(fake.alerts.shown.back().informativeText,
              "No matching processes belonging to you were found");
}

TEST_F(RestartFlowTest, TheCheckmarkTimerLeavesTheIconToARestartThatRunsAgain) {
    daemonWillComeBack();
    delegate->restartFromMenu();
    finishRestart();
    fake.mainQueue.advance(1s);

    daemonWillComeBack();
    delegate->restartFromMenu();
    fake.mainQueue.advance(1s); // the first checkmark's timer fires now
    EXPECT_EQ(fake.statusItem.current(), "hourglass");
    finishRestart();
    EXPECT_EQ(fake.statusItem.current(), "checkmark");
    fake.mainQueue.advance(2s);
    EXPECT_EQ(fake.statusItem.current(), "hifispeaker");
}

TEST_F(RestartFlowTest, WakingRestartsAfterFourSecondsOnlyWhenSwitchedOn) {
    fake.workspace.wake();
    fake.mainQueue.advance(10s);
    EXPECT_EQ(fake.background.pending(), 0u);

    fake.settings.setBool(settings::restartOnWake, true);
    fake.workspace.wake();
    fake.settings.setBool(settings::restartOnWake, false); // read when the wake came, not later
    fake.mainQueue.advance(3999ms);
    EXPECT_FALSE(delegate->isRestarting());
    fake.mainQueue.advance(1ms);
    EXPECT_TRUE(delegate->isRestarting());

    // A wake whose delay ends after the running restart has finished starts a new one.
    fake.settings.setBool(settings::restartOnWake, true);
    fake.workspace.wake();
    daemonWillComeBack();
    finishRestart();
    daemonWillComeBack();
    fake.mainQueue.advance(4s);
    EXPECT_TRUE(delegate->isRestarting());
    finishRestart();
    EXPECT_EQ(count(), 2);
}

TEST_F(RestartFlowTest, TheRunningTaskKeepsTheDelegateButTimersDoNot) {
    daemonWillComeBack();
    fake.settings.setBool(settings::restartOnWake, true);
    fake.workspace.wake();
    delegate->restartFromMenu();
    std::weak_ptr<AppDelegate> weak = delegate;
    delegate.reset();
    EXPECT_FALSE(weak.expired());

    finishRestart();
    EXPECT_EQ(count(), 1);
    EXPECT_TRUE(weak.expired());

    // The checkmark's timer and the wake's delayed restart find nobody.
    fake.mainQueue.advance(10s);
    EXPECT_EQ(fake.statusItem.current(), "checkmark");
    EXPECT_EQ(fake.background.pending(), 0u);
    fake.workspace.wake();
    fake.mainQueue.advance(10s);
    EXPECT_EQ(fake.background.pending(), 0u);
}

TEST_F(RestartFlowTest, TheStatusLineTellsTheLastRestartAndTheCount) {
    const auto statusLine = [&] {
        fake.menu.open();
        return fake.menu.items.at(4).title;
    };
    fake.settings.setInteger(settings::restartCount, 5);
    EXPECT_EQ(statusLine(), "Not restarted yet");

    fake.settings.store(settings::lastRestart, std::string("yesterday"));
    EXPECT_EQ(statusLine(), "Not restarted yet");

    fake.settings.store(settings::restartCount, std::string("many"));
    fake.settings.setDate(settings::lastRestart, fake.clock.current - 5min);
    EXPECT_EQ(statusLine(), "Last restart 5 minutes ago · 0 total");

    fake.settings.setInteger(settings::restartCount, 14);
    fake.settings.setDate(settings::lastRestart, fake.clock.current - 2h);
    EXPECT_EQ(statusLine(), "Last restart 2 hours ago · 14 total");
}

} // namespace
} // namespace sonifix::testing
