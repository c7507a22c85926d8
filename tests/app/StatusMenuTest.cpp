#include "AppTest.h"
#include "restart/PasswordFreeRule.h"

namespace sonifix::testing {
namespace {

class StatusMenuTest : public AppTest {
protected:
    StatusMenuTest() { launch(); }

    std::vector<std::string> openedTitles() {
        fake.menu.open();
        return fake.menu.titles();
    }
    const MenuItem& item(const std::string& title) {
        const auto* found = fake.menu.find(title);
        EXPECT_TRUE(found) << title;
        static const MenuItem none;
        return found ? *found : none;
    }
};

TEST_F(StatusMenuTest, AFreshUserSeesEveryItemInOrder) {
    EXPECT_EQ(openedTitles(), (std::vector<std::string>{
                                  "Restart Core Audio",
                                  "---",
                                  "Output: MacBook Pro Speakers · 48 kHz",
                                  "Input: MacBook Pro Microphone · 48 kHz",
                                  "Not restarted yet",
                                  "---",
                                  "Resume Music & Spotify After Restart",
                                  "Keep the Mac’s Microphone as Input",
                                  "Restart After Waking from Sleep",
                                  "Global Shortcut ⌃⌥⌘R",
                                  "Open at Login",
                                  "---",
                                  "Set Up Password-Free Restart…",
                                  "Open Audio MIDI Setup",
                                  "---",
                                  "Get Email Updates…",
                                  "Sonifix Website",
                                  "About Sonifix",
                                  "Quit Sonifix",
                              }));
    const auto& restart = item("Restart Core Audio");
    EXPECT_EQ(restart.keyEquivalent, "r");
    EXPECT_TRUE(restart.enabled);
    EXPECT_EQ(restart.target, MenuTarget::delegate);
    for (const auto* line : {"Output: MacBook Pro Speakers · 48 kHz", "Not restarted yet"}) {
        EXPECT_FALSE(item(line).enabled);
        EXPECT_EQ(item(line).action, MenuAction::none);
        EXPECT_EQ(item(line).target, MenuTarget::none);
    }
    EXPECT_TRUE(item("Resume Music & Spotify After Restart").on);
    EXPECT_FALSE(item("Keep the Mac’s Microphone as Input").on);
    EXPECT_FALSE(item("Restart After Waking from Sleep").on);
    EXPECT_TRUE(item("Global Shortcut ⌃⌥⌘R").on);
    EXPECT_FALSE(item("Open at Login").on);
    EXPECT_EQ(item("Keep the Mac’s Microphone as Input").toolTip,
              "When a Bluetooth headset becomes the input, switch back to the built-in mic. Using "
              "a Bluetooth mic forces headphones into low-quality headset mode, which can make "
              "music sound crunchy.");
    EXPECT_EQ(item("Restart After Waking from Sleep").toolTip, "");
    const auto& quit = item("Quit Sonifix");
    EXPECT_EQ(quit.keyEquivalent, "q");
    EXPECT_EQ(quit.action, MenuAction::terminate);
    EXPECT_EQ(quit.target, MenuTarget::application);
    EXPECT_EQ(item("About Sonifix").target, MenuTarget::delegate);
}

TEST_F(StatusMenuTest, TheFirstItemFollowsTheRestart) {
    daemonWillComeBack();
    fake.menu.choose("Restart Core Audio");
    fake.menu.open();
    EXPECT_EQ(fake.menu.items[0].title, "Restarting Core Audio…");
    EXPECT_FALSE(fake.menu.items[0].enabled);
    finishRestart();
    fake.menu.open();
    EXPECT_EQ(fake.menu.items[0].title, "Restart Core Audio");
    EXPECT_TRUE(fake.menu.items[0].enabled);
}

TEST_F(StatusMenuTest, DeviceLinesShowWhatCanBeRead) {
    fake.hardware.setDefault(false, noAudioObject);
    auto titles = openedTitles();
    EXPECT_EQ(titles.at(2), "Input: MacBook Pro Microphone · 48 kHz");

    fake.hardware.failSystemRead(audio_properties::defaultInputDevice);
    titles = openedTitles();
    EXPECT_EQ(std::vector(titles.begin(), titles.begin() + 4),
              (std::vector<std::string>{"Restart Core Audio", "---", "Not restarted yet", "---"}));

    fake.hardware.failSystemRead(audio_properties::defaultInputDevice, false);
    fake.hardware.updateDevice(microphone, {.name = "MacBook Pro Microphone",
                                            .transport = fourCharCode("bltn"),
                                            .inputStreams = 1,
                                            .failingSelectors = {fourCharCode("nsrt")}});
    EXPECT_EQ(openedTitles().at(2), "Input: MacBook Pro Microphone · ?");
}

TEST_F(StatusMenuTest, OnlyABluetoothInputCarriesTheHeadsetWarning) {
    const auto headset = addBluetoothHeadset();
    fake.hardware.setDefault(true, headset);
    EXPECT_EQ(openedTitles().at(3),
              "Input: AirPods Pro · 24 kHz  \u26A0\uFE0E headset mode lowers music quality");

    fake.hardware.setDefault(true, addBluetoothHeadset("blea"));
    EXPECT_EQ(openedTitles().at(3),
              "Input: AirPods Pro · 24 kHz  ⚠︎ headset mode lowers music quality");

    fake.hardware.setDefault(false, headset);
    fake.hardware.setDefault(true, microphone);
    const auto titles = openedTitles();
    EXPECT_EQ(titles.at(2), "Output: AirPods Pro · 24 kHz");
    EXPECT_EQ(titles.at(3), "Input: MacBook Pro Microphone · 48 kHz");
}

TEST_F(StatusMenuTest, ThePasswordFreeItemFollowsTheRuleFileAndExistsOnlyWhereRootIsNeeded) {
    fake.files.put(std::string(PasswordFreeRule::path));
    openedTitles();
    EXPECT_EQ(item("Require Password to Restart…").action, MenuAction::removePasswordFree);
    EXPECT_EQ(fake.menu.find("Set Up Password-Free Restart…"), nullptr);
    fake.files.remove(std::string(PasswordFreeRule::path));
    openedTitles();
    EXPECT_EQ(item("Set Up Password-Free Restart…").action, MenuAction::installPasswordFree);

    auto server = DaemonIdentity::coreaudiod();
    server.needsRoot = false;
    const auto userDaemon =
        std::make_shared<AppDelegate>(fake.platform, server, PlatformTexts::macOS());
    const auto items = userDaemon->menuItems();
    EXPECT_EQ(items.size(), 18u);
    for (const auto& each : items) {
        EXPECT_EQ(each.title.find("Password"), std::string::npos) << each.title;
    }
}

TEST_F(StatusMenuTest, SettingsItemsFlipTheirKey) {
    const std::vector<std::pair<std::string, std::string>> toggles = {
        {"Resume Music & Spotify After Restart", settings::resumePlayers},
        {"Keep the Mac’s Microphone as Input", settings::keepMacMicrophone},
        {"Restart After Waking from Sleep", settings::restartOnWake},
        {"Global Shortcut ⌃⌥⌘R", settings::hotKeyEnabled},
    };
    for (const auto& [title, key] : toggles) {
        const bool before = fake.settings.boolForKey(key);
        fake.menu.choose(title);
        EXPECT_TRUE(fake.settings.holds(key)) << key;
        EXPECT_EQ(fake.settings.boolForKey(key), !before) << key;
        fake.menu.open();
        EXPECT_EQ(item(title).on, !before) << title;
    }
    // The first flip of a switch that is on by default stores false.
    EXPECT_EQ(fake.settings.values().at(settings::resumePlayers), FakeSettingsStore::Value(false));

    const auto values = fake.settings.values();
    delegate->toggleSetting({.action = MenuAction::toggleSetting});
    MenuItem notAString{.action = MenuAction::toggleSetting};
    notAString.representedObject = 42;
    delegate->toggleSetting(notAString);
    EXPECT_EQ(fake.settings.values(), values);
}

TEST_F(StatusMenuTest, OpenAtLoginIsOnOnlyWhenEnabledAndQuitEndsTheApp) {
    for (const int status : {LoginItems::notRegistered, LoginItems::requiresApproval,
                             LoginItems::notFound, LoginItems::enabled}) {
        fake.loginItems.current = status;
        openedTitles();
        EXPECT_EQ(item("Open at Login").on, status == LoginItems::enabled) << status;
    }
    fake.log.clear();
    fake.menu.choose("Quit Sonifix");
    EXPECT_EQ(fake.log.all(), std::vector<std::string>{"terminate"});
}

} // namespace
} // namespace sonifix::testing
