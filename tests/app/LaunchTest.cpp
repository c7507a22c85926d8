#include "AppTest.h"

namespace sonifix::testing {
namespace {

TEST_F(AppTest, LaunchShowsTheSpeakerAttachesTheMenuAndStartsWatching) {
    EXPECT_EQ(fake.statusItem.current(), std::nullopt);
    EXPECT_FALSE(fake.menu.open());

    launch();
    EXPECT_EQ(fake.statusItem.symbols, std::vector<std::string>{"hifispeaker"});
    EXPECT_EQ(fake.statusItem.attached, &fake.menu);
    EXPECT_TRUE(fake.menu.open());
    EXPECT_EQ(fake.hardware.listenerCount(), 2u);
    EXPECT_EQ(fake.workspace.wakeHandlers.size(), 1u);
    EXPECT_TRUE(fake.alerts.shown.empty());
}

TEST_F(AppTest, StoredChoicesWinOverTheDefaultsAtEveryLaunch) {
    fake.settings.setBool(settings::hotKeyEnabled, false);
    fake.settings.setBool(settings::keepMacMicrophone, true);
    launch();
    EXPECT_FALSE(fake.settings.boolForKey(settings::hotKeyEnabled));
    EXPECT_TRUE(fake.settings.boolForKey(settings::keepMacMicrophone));
    EXPECT_TRUE(fake.settings.boolForKey(settings::resumePlayers));
    EXPECT_FALSE(fake.settings.boolForKey(settings::restartOnWake));
    EXPECT_FALSE(fake.settings.holds(settings::resumePlayers)); // registered, not stored
}

TEST_F(AppTest, ABluetoothInputPresentAtLaunchIsCorrectedDuringLaunch) {
    fake.settings.setBool(settings::keepMacMicrophone, true);
    const auto headset = addBluetoothHeadset();
    fake.hardware.setDefault(true, headset);
    fake.hardware.setDefault(false, headset);
    fake.mainQueue.runReady();

    delegate->applicationDidFinishLaunching(); // no turn of the main queue yet
    EXPECT_EQ(fake.hardware.defaultID(true), microphone);
    EXPECT_EQ(fake.hardware.defaultID(false), headset);
}

} // namespace
} // namespace sonifix::testing
