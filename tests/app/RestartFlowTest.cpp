#include "AppTest.h"

#include <limits>

namespace sonifix::testing {
namespace {

using RestartFlowTest = LaunchedAppTest;

TEST_F(RestartFlowTest, ASuccessCountsEvenOverADamagedCountFlashesTheCheckmarkAndRenewsListeners) {
    // A count with no date, or a damaged one, is no restart yet; a damaged count is none.
    fake.settings.setInteger(settings::restartCount, 5);
    EXPECT_EQ(fake.menu.titles().at(4), "Not restarted yet");
    fake.settings.stored[settings::lastRestart] = std::string("yesterday");
    EXPECT_EQ(fake.menu.titles().at(4), "Not restarted yet");
    fake.settings.stored[settings::restartCount] = std::string("many");
    fake.settings.setDate(settings::lastRestart, fake.clock.current - 5min);
    EXPECT_EQ(fake.menu.titles().at(4), "Last restart 5 minutes ago · 0 total");

    daemonWillComeBack();
    fake.menu.choose("Restart Core Audio");
    EXPECT_FALSE(fake.menu.item("Restarting Core Audio…").enabled);
    finishWork();
    EXPECT_TRUE(fake.menu.item("Restart Core Audio").enabled);
    EXPECT_EQ(fake.settings.dateForKey(settings::lastRestart), fake.clock.current);
    EXPECT_EQ(fake.hardware.listeners.size(), 2u);
    EXPECT_EQ(fake.statusItem.accessibilityDescription, "Sonifix");
    fake.mainQueue.advance(1999ms);
    EXPECT_EQ(fake.statusItem.symbol, "checkmark");
    fake.mainQueue.advance(1ms);
    EXPECT_EQ(fake.statusItem.symbol, "hifispeaker");

    // The timer leaves the icon to a restart that runs again.
    restartOnce();
    fake.mainQueue.advance(1s);
    daemonWillComeBack();
    delegate->restartFromMenu();
    fake.mainQueue.advance(1s); // the second checkmark's timer fires now
    EXPECT_EQ(fake.statusItem.symbol, "hourglass");
    finishWork();
    EXPECT_EQ(fake.statusItem.symbol, "checkmark");

    restartOnce(false);
    EXPECT_EQ(count(), 4);
    EXPECT_EQ(fake.adminShell.scripts.size(), 1u);

    // A count damaged to the largest there is stays there rather than overflowing.
    fake.settings.setInteger(settings::restartCount, std::numeric_limits<std::int64_t>::max());
    restartOnce();
    EXPECT_EQ(count(), std::numeric_limits<std::int64_t>::max());
}

// A failed restart from the shortcut opens its alert without a click: from macOS 14 the app can
// only ask to be activated, so the alert must float above the app the user is in.
TEST_F(RestartFlowTest, AFailureShowsOneAlertAboveOtherAppsAndClearsTheFlagOnlyAfterIt) {
    // A dismissed prompt is silent.
    fake.adminShell.answerDismissed();
    restartOnce(false);
    EXPECT_EQ(fake.log, (Strings{"icon hourglass", "icon hifispeaker"}));

    bool restartingWhileShown = false;
    fake.alerts.whileShown = [&] { restartingWhileShown = delegate->isRestarting(); };
    for (const int version : {13, 14}) {
        fake.workspace.majorVersion = version;
        fake.log.clear();
        failOnce();
        EXPECT_EQ(fake.log, (Strings{"icon hourglass", "icon hifispeaker",
                                     version >= 14 ? "activate cooperatively" : "activate",
                                     "alert Couldn’t restart Core Audio"}));
        EXPECT_EQ(fake.alerts.shown.back().raisesAboveOtherApps, version >= 14);
    }
    EXPECT_EQ(fake.alerts.shown.back().informativeText,
              "coreaudiod was stopped but didn't come back within 10 seconds.");
    EXPECT_TRUE(fake.alerts.shown.back().buttons.empty());
    EXPECT_TRUE(restartingWhileShown);
    EXPECT_FALSE(delegate->isRestarting());
    EXPECT_FALSE(fake.settings.dateForKey(settings::lastRestart));
    EXPECT_EQ(count(), 0);

    // The administrator's own message reaches the alert unchanged.
    fake.adminShell.answerFailed("No matching processes belonging to you were found");
    restartOnce(false);
    EXPECT_EQ(lastAlert().back(), "No matching processes belonging to you were found");
}

TEST_F(RestartFlowTest,
       WakingRestartsAfterFourSecondsOnlyWhenSwitchedOnOneAtATimeAndNotForAGoneApp) {
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
    // Requests while it runs are dropped: the menu's and another wake's.
    fake.settings.setBool(settings::restartOnWake, true);
    delegate->restartFromMenu();
    fake.workspace.wake();
    fake.mainQueue.advance(4s);
    EXPECT_EQ(fake.background.pending(), 1u);
    daemonWillComeBack();
    finishWork();
    EXPECT_EQ(fake.processes.count(sudo), 1);

    // A wake whose delay ends after the running restart has finished starts a new one.
    fake.workspace.wake();
    restartOnce();
    daemonWillComeBack();
    fake.mainQueue.advance(4s);
    finishWork();
    EXPECT_EQ(count(), 3);

    // The running task keeps the delegate, but timers do not.
    daemonWillComeBack();
    fake.workspace.wake();
    delegate->restartFromMenu();
    std::weak_ptr<AppDelegate> weak = delegate;
    delegate.reset();
    EXPECT_FALSE(weak.expired());
    finishWork();
    EXPECT_EQ(count(), 4);
    EXPECT_TRUE(weak.expired());
    // The checkmark's timer and the wake's delayed restart find nobody.
    fake.mainQueue.advance(10s);
    EXPECT_EQ(fake.statusItem.symbol, "checkmark");
    EXPECT_EQ(fake.background.pending(), 0u);
}

TEST_F(RestartFlowTest, ARequestedRestartAnswersWhenItHasEndedAndJoinsOneUnderWay) {
    std::vector<RestartResult> answers;
    const auto answer = [&](const RestartResult& result) {
        answers.push_back(result);
        fake.log.push_back(result.succeeded ? "answered" : "answered " + result.message);
    };
    daemonWillComeBack();
    delegate->restartFromMenu();
    delegate->restartAndReport(answer);
    delegate->restartAndReport(answer);
    EXPECT_TRUE(answers.empty());
    finishWork();
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_TRUE(answers[0].succeeded && answers[1].succeeded);
    EXPECT_EQ(fake.processes.count(sudo), 1);

    // A failure: the caller hears it before the alert, which waits for the user, comes up.
    daemonWillStayAway();
    fake.log.clear();
    fake.alerts.whileShown = [&] {
        // Asked while the user still reads about the failure: that outcome is the answer.
        delegate->restartAndReport(answer);
    };
    delegate->restartAndReport(answer);
    finishWork();
    const std::string failure =
        "answered coreaudiod was stopped but didn't come back within 10 seconds.";
    EXPECT_EQ(fake.log, (Strings{"icon hourglass", "icon hifispeaker", failure, "activate",
                                 "alert Couldn’t restart Core Audio", failure}));

    // Dismissed: no alert, but an answer; and so when the app quits during the restart.
    daemonWillComeBack(false);
    fake.adminShell.answerDismissed();
    delegate->restartAndReport(answer);
    finishWork();
    daemonWillComeBack();
    delegate->restartAndReport(answer);
    fake.background.requestStop();
    finishWork();
    ASSERT_EQ(answers.size(), 6u);
    EXPECT_FALSE(answers[4].succeeded || answers[5].succeeded);
    EXPECT_FALSE(answers[4].message.empty() || answers[5].message.empty());
    EXPECT_EQ(fake.alerts.shown.size(), 1u);
}

TEST_F(RestartFlowTest, ALaunchWhileRunningShowsANoticeOnceTheCallerHasItsAnswer) {
    delegate->launchedAgain();
    EXPECT_TRUE(fake.log.empty());
    fake.mainQueue.runReady();
    EXPECT_EQ(fake.log, (Strings{"activate", "alert Sonifix is already running"}));
}

} // namespace
} // namespace sonifix::testing

namespace sonifix::testing {
namespace {

// The daemon comes back with defaults of its own and may number the devices anew: the chosen ones
// are found by their stable names and made the defaults again; one that stays away is named, and
// the restart still counts.
TEST_F(RestartFlowTest, TheChosenDevicesAreTheDefaultsAgainOrNamedWhenTheyStayAway) {
    const auto speakers = fake.hardware.defaultID(false);
    const FakeDevice usb{"USB Headphones", audio_properties::transportUSB, 48000, 0, {}, "usb-7"};
    auto headphones = fake.hardware.addDevice(usb);
    fake.hardware.setDefault(false, headphones);
    const auto daemonForgets = [&] {
        fake.hardware.devices.erase(headphones);
        fake.hardware.setDefault(false, speakers);
    };
    fake.sleeper.hooks = {{1, daemonForgets},
                          {4, [&] { headphones = fake.hardware.addDevice(usb); }}};
    restartOnce();
    EXPECT_EQ(fake.hardware.defaultID(false), headphones);
    EXPECT_TRUE(fake.notifications.shown.empty());

    fake.sleeper.pauses.clear();
    fake.sleeper.hooks = {{1, daemonForgets}};
    RestartResult outcome;
    daemonWillComeBack();
    delegate->restartAndReport([&](const RestartResult& result) { outcome = result; });
    finishWork();
    EXPECT_TRUE(outcome.succeeded);
    EXPECT_EQ(outcome.message, "USB Headphones did not come back after the restart.");
    EXPECT_EQ(fake.notifications.shown.at(0).body, outcome.message);
    EXPECT_EQ(fake.hardware.defaultID(false), speakers);
    EXPECT_EQ(count(), 2);
    EXPECT_LE(fake.sleeper.total() - fake.sleeper.pauses[0] - fake.sleeper.pauses[1],
              DefaultDeviceRestorer::returnWait);
}

} // namespace
} // namespace sonifix::testing
