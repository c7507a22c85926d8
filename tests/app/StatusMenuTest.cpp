#include "AppTest.h"
#include "restart/PasswordFreeRule.h"

namespace sonifix::testing {
namespace {

TEST_F(AppTest, LaunchShowsTheSpeakerWithItsMenuKeepsStoredChoicesAndFixesTheInputAtOnce) {
    EXPECT_FALSE(fake.menu.open());
    fake.settings.setBool(settings::hotKeyEnabled, false);
    fake.settings.setBool(settings::keepMacMicrophone, true);
    const auto headset = addHeadset();
    inputBecomes(headset);
    fake.settings.setBool(settings::welcomed, true);
    delegate->applicationDidFinishLaunching(); // no turn of the main queue yet
    EXPECT_EQ(fake.hardware.defaultID(true), microphone);
    EXPECT_EQ(fake.log, Strings{"icon hifispeaker"});
    EXPECT_FALSE(fake.menu.item("Global Shortcut ⌃⌥⌘R").on);
    EXPECT_TRUE(fake.menu.item("Keep the Mac’s Microphone as Input").on);
    EXPECT_TRUE(fake.menu.item("Resume Music & Spotify After Restart").on);
    EXPECT_FALSE(fake.menu.item("Restart After Waking from Sleep").on);
}

using StatusMenuTest = LaunchedAppTest;

TEST_F(StatusMenuTest, AFreshUserSeesEveryItemInOrderAndThePasswordFreeOneOnlyWhereRootIsNeeded) {
    EXPECT_EQ(fake.menu.titles(),
              (Strings{"Restart Core Audio", "---", "Output: MacBook Pro Speakers · 48 kHz",
                       "Input: MacBook Pro Microphone · 48 kHz", "Not restarted yet", "---",
                       "Resume Music & Spotify After Restart", "Keep the Mac’s Microphone as Input",
                       "Restart After Waking from Sleep", "Global Shortcut ⌃⌥⌘R", "Open at Login",
                       "---", "Set Up Password-Free Restart…", "Open Audio MIDI Setup", "---",
                       "Get Email Updates…", "Sonifix Website", "About Sonifix", "Quit Sonifix"}));
    EXPECT_EQ(fake.menu.item("Restart Core Audio").keyEquivalent, "r");
    EXPECT_FALSE(fake.menu.item("Not restarted yet").enabled);
    EXPECT_FALSE(fake.menu.item("Keep the Mac’s Microphone as Input").toolTip.empty());
    EXPECT_EQ(fake.menu.item("Quit Sonifix").keyEquivalent, "q");
    for (const auto* title :
         {"About Sonifix", "Sonifix Website", "Open Audio MIDI Setup", "Quit Sonifix"}) {
        fake.menu.choose(title);
    }
    EXPECT_EQ(fake.log,
              (Strings{"activate", "about panel", "open https://northfold.app/apps/sonifix/",
                       "open /System/Applications/Utilities/Audio MIDI Setup.app", "terminate"}));

    // The password-free item follows the rule file, and exists only where root is needed.
    EXPECT_EQ(fake.menu.item("Set Up Password-Free Restart…").action,
              MenuAction::installPasswordFree);
    fake.files.files = {std::string(PasswordFreeRule::path)};
    EXPECT_EQ(fake.menu.item("Require Password to Restart…").action,
              MenuAction::removePasswordFree);
    auto server = DaemonIdentity::coreaudiod();
    server.needsRoot = false;
    delegate = std::make_shared<AppDelegate>(fake.platform, server, PlatformTexts::macOS());
    for (const auto& each : delegate->menuItems()) {
        EXPECT_EQ(each.title.find("Password"), std::string::npos) << each.title;
    }
}

TEST_F(StatusMenuTest, DeviceLinesShowWhatCanBeReadAndWarnOfABluetoothInput) {
    fake.hardware.setDefault(false, noAudioObject);
    EXPECT_EQ(fake.menu.titles().at(2), "Input: MacBook Pro Microphone · 48 kHz");
    fake.hardware.failing = {{systemAudioObject, audio_properties::defaultInputDevice}};
    EXPECT_EQ(fake.menu.titles().at(2), "Not restarted yet");
    fake.hardware.failing = {{microphone, audio_properties::nominalSampleRate}};
    EXPECT_EQ(fake.menu.titles().at(2), "Input: MacBook Pro Microphone · ?");
    fake.hardware.setDefault(true, 999); // gone
    EXPECT_EQ(fake.menu.titles().at(2), "Input: Unknown device · ?");

    const std::string warning = "  \u26A0\uFE0E headset mode lowers music quality";
    for (const auto transport : {audio_properties::transportBluetooth, bluetoothLE}) {
        fake.hardware.setDefault(true, addHeadset(transport));
        EXPECT_EQ(fake.menu.titles().at(2), "Input: AirPods Pro · 24 kHz" + warning);
    }
    // A name that cannot be read, or that is null, leaves the rest to be read.
    const auto headset = fake.hardware.defaultID(true);
    fake.hardware.failing = {{headset, audio_properties::name}};
    EXPECT_EQ(fake.menu.titles().at(2), "Input: Unknown device · 24 kHz" + warning);
    fake.hardware.failing.clear();
    fake.hardware.devices[headset].name.reset();
    EXPECT_EQ(fake.menu.titles().at(2), "Input: Unknown device · 24 kHz" + warning);
    fake.hardware.setDefault(false, headset);
    fake.hardware.setDefault(true, microphone);
    EXPECT_EQ(fake.menu.titles().at(2), "Output: Unknown device · 24 kHz");
}

TEST_F(StatusMenuTest, SettingsItemsFlipTheirKeyAndOpenAtLoginWhatTheSystemReports) {
    for (const auto& [title, key] : std::vector<std::pair<std::string, std::string>>{
             {"Resume Music & Spotify After Restart", settings::resumePlayers},
             {"Keep the Mac’s Microphone as Input", settings::keepMacMicrophone},
             {"Restart After Waking from Sleep", settings::restartOnWake},
             {"Global Shortcut ⌃⌥⌘R", settings::hotKeyEnabled}}) {
        const bool before = fake.menu.item(title).on;
        fake.menu.choose(title);
        EXPECT_EQ(fake.settings.stored.at(key), FakeSettingsStore::Value(!before)) << key;
        EXPECT_EQ(fake.menu.item(title).on, !before) << title;
    }
    const auto values = fake.settings.stored;
    MenuItem notAString{.action = MenuAction::toggleSetting};
    notAString.representedObject = 42;
    delegate->toggleSetting(notAString);
    delegate->toggleSetting({.action = MenuAction::toggleSetting});
    EXPECT_EQ(fake.settings.stored, values);

    for (const int status :
         {LoginItems::notRegistered, LoginItems::requiresApproval, LoginItems::notFound}) {
        fake.loginItems.current = status;
        EXPECT_FALSE(fake.menu.item("Open at Login").on);
        fake.menu.choose("Open at Login");
        EXPECT_TRUE(fake.menu.item("Open at Login").on);
        fake.menu.choose("Open at Login");
    }
    EXPECT_EQ(fake.log.back(), "unregister login item");
    fake.loginItems.refusal = "Operation not permitted";
    fake.log.clear();
    fake.menu.choose("Open at Login");
    EXPECT_EQ(fake.log,
              (Strings{"register login item", "activate", "alert Couldn’t change Open at Login"}));
    EXPECT_EQ(fake.alerts.shown.back().informativeText, "Operation not permitted");
}

// Where the system will not simply say yes, the user hears what to do rather than an error.
TEST_F(StatusMenuTest, OpenAtLoginSendsTheUserToApproveItOrToMoveTheAppFirst) {
    fake.loginItems.approvalNeeded = true;
    fake.menu.choose("Open at Login");
    EXPECT_EQ(fake.log,
              (Strings{"register login item", "activate", "alert Allow Sonifix to open at login",
                       "open Login Items settings"}));
    EXPECT_EQ(fake.alerts.shown.back().buttons, (Strings{"Open System Settings", "Cancel"}));

    for (const auto* path : {"/Volumes/Sonifix/Sonifix.app", "/Users/me/build/Sonifix.app"}) {
        fake.log.clear();
        fake.loginItems.current = LoginItems::notRegistered;
        fake.loginItems.path = path;
        fake.menu.choose("Open at Login");
        EXPECT_EQ(fake.log, (Strings{"activate", "alert Move Sonifix to Applications first"}));
    }
    fake.loginItems.path = "/Users/me/Applications/Sonifix.app";
    fake.menu.choose("Open at Login");
    EXPECT_EQ(fake.log.back(), "open Login Items settings");
}

TEST_F(StatusMenuTest, TheMicrophoneRuleSendsABluetoothInputBackToTheMacsOnceWithoutLooping) {
    const auto headset = addHeadset();
    const auto reads = fake.hardware.reads;
    inputBecomes(headset);
    EXPECT_EQ(fake.hardware.reads, reads) << "switched off, it asks nothing";
    fake.menu.choose("Keep the Mac’s Microphone as Input");
    EXPECT_EQ(fake.hardware.defaultID(true), microphone) << "switched on, it acts at once";

    for (const auto transport : {audio_properties::transportBluetooth, bluetoothLE}) {
        inputBecomes(addHeadset(transport));
        EXPECT_EQ(fake.hardware.defaultID(true), microphone) << transport;
    }
    // Each switch fires the listener once more; that run finds nothing to do.
    EXPECT_EQ(fake.hardware.defaultInputWrites, 3);
    EXPECT_EQ(fake.mainQueue.pending(), 0u);

    // A restart applies it again: the headset took the input while the daemon was down, unseen
    // by the listeners it dropped.
    daemonWillComeBack();
    delegate->restartFromMenu();
    fake.background.runAll();
    fake.hardware.listeners.clear();
    inputBecomes(headset);
    EXPECT_EQ(fake.hardware.defaultID(true), microphone);

    // Other inputs, and Macs without a microphone, are left alone.
    const auto usb = addDevice("USB Mic", audio_properties::transportUSB, 48000);
    inputBecomes(usb);
    EXPECT_EQ(fake.hardware.defaultID(true), usb);
    fake.hardware.devices.erase(microphone);
    inputBecomes(headset);
    EXPECT_EQ(fake.hardware.defaultID(true), headset);
    EXPECT_EQ(fake.hardware.defaultInputWrites, 4);
}

} // namespace
} // namespace sonifix::testing
