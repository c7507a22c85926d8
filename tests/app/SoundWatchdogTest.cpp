#include "app/SoundWatchdog.h"

#include "FakePlatform.h"
#include "app/Settings.h"

#include <gtest/gtest.h>

namespace sonifix::testing {
namespace {

using namespace std::chrono_literals;
using Kind = SoundTrouble::Kind;
using Strings = std::vector<std::string>;

const SoundTrouble speakers{.kind = Kind::crackle, .device = "Speakers"};
const SoundTrouble headphones{.kind = Kind::crackle, .device = "Headphones"};
const SoundTrouble hung{.kind = Kind::hungServer};

class SoundWatchdogTest : public ::testing::Test {
protected:
    void pass(std::chrono::milliseconds time) {
        fake.clock.elapsed = fake.clock.elapsed.load() + time;
        fake.clock.current += time;
        fake.mainQueue.advance(time);
    }
    // The trouble comes and goes again.
    void see(const SoundTrouble& trouble) {
        watchdog->observe({trouble});
        watchdog->observe({});
    }
    std::string lastTitle() { return fake.notifications.shown.back().title; }
    void choose(const std::string& key) { fake.notifications.handlers.back()(key); }

    FakePlatform fake;
    int restarts = 0;
    std::optional<std::string> caller;
    std::shared_ptr<SoundWatchdog> watchdog = std::make_shared<SoundWatchdog>(
        fake.platform, [this] { ++restarts; }, [this] { return caller; });
};

TEST_F(SoundWatchdogTest, ItOffersTheRestartOrRestartsAloneOncePerQuarterHourAndThriceADay) {
    EXPECT_EQ(watchdog->lastSeenText(), "Nothing wrong seen with the sound");
    watchdog->observe({speakers});
    watchdog->observe({speakers});
    ASSERT_EQ(fake.notifications.shown.size(), 1u) << "once while it lasts";
    EXPECT_EQ(lastTitle(), "Sound is crackling on Speakers");
    EXPECT_EQ(fake.notifications.shown.back().actions.at(0).label, "Restart Sound");
    EXPECT_EQ(restarts, 0);
    choose(SoundWatchdog::restartAction);
    EXPECT_EQ(restarts, 1);
    watchdog->observe({});
    pass(5min);
    EXPECT_EQ(watchdog->lastSeenText(), "Sound is crackling on Speakers · 5 minutes ago");

    fake.settings.setBool(settings::restartWhenSoundBreaks, true);
    for (const auto& [wait, restarted] : std::vector<std::pair<std::chrono::minutes, int>>{
             {0min, 2}, {14min, 2}, {1min, 3}, {15min, 4}, {15min, 4}, {24h - 45min, 5}}) {
        pass(wait);
        fake.notifications.shown.clear();
        const int before = restarts;
        see(speakers);
        EXPECT_EQ(restarts, restarted) << "after " << wait.count() << " more minutes";
        EXPECT_EQ(fake.notifications.shown.size(), restarts == before ? 1u : 0u) << "offered";
    }
}

TEST_F(SoundWatchdogTest, TroubleBackWithinTwoMinutesOfItsRestartStopsItActingAloneThere) {
    fake.settings.setBool(settings::restartWhenSoundBreaks, true);
    see(speakers);
    watchdog->restarted();
    pass(119s);
    see(speakers);
    EXPECT_EQ(restarts, 1);
    EXPECT_EQ(lastTitle(), "Sound is crackling on Speakers again");
    EXPECT_EQ(fake.notifications.shown.back().body,
              "A restart did not cure it, so the cause is likely the driver or the device. "
              "Sonifix no longer restarts on its own for Speakers.");
    pass(1h);
    see(speakers);
    EXPECT_EQ(restarts, 1);
    EXPECT_EQ(lastTitle(), "Sound is crackling on Speakers") << "offered, the user decides";
    see(headphones);
    EXPECT_EQ(restarts, 2);
}

TEST_F(SoundWatchdogTest, AnAutomaticRestartWaitsForTheCallButNotForAHungServerOrTheUser) {
    fake.settings.setBool(settings::restartWhenSoundBreaks, true);
    caller = "Zoom";
    watchdog->observe({speakers});
    EXPECT_EQ(lastTitle(), "Restart postponed — Zoom is using the microphone");
    EXPECT_EQ(fake.notifications.shown.back().actions.size(), 2u);
    caller.reset();
    watchdog->captureEnded();
    pass(14s);
    EXPECT_EQ(restarts, 0);
    pass(1s);
    EXPECT_EQ(restarts, 1);

    // Skipped, or gone while the call lasts: no restart. Restart Now: at once.
    pass(1h);
    caller = "Zoom";
    watchdog->observe({headphones});
    choose(SoundWatchdog::skipAction);
    watchdog->observe({});
    see(speakers);
    caller.reset();
    watchdog->captureEnded();
    pass(1min);
    EXPECT_EQ(restarts, 1);
    caller = "Zoom";
    see(headphones);
    choose(SoundWatchdog::restartNowAction);
    EXPECT_EQ(restarts, 2);

    // A hung server has cut the call already.
    pass(1h);
    watchdog->observe({hung});
    EXPECT_EQ(restarts, 3);

    // A restart after wake waits too, but not beyond half an hour.
    for (const auto call : {29min, 31min}) {
        watchdog->wakeRestart();
        pass(call);
        caller.reset();
        watchdog->captureEnded();
        pass(SoundWatchdog::afterCapture);
        caller = "Zoom";
    }
    EXPECT_EQ(restarts, 4);
}

} // namespace
} // namespace sonifix::testing
