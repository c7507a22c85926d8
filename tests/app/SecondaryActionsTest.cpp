#include "AppTest.h"
#include "hotkey/HotKey.h"
#include "media/MediaPlayers.h"
#include "restart/PasswordFreeRule.h"

namespace sonifix::testing {
namespace {

using namespace std::chrono_literals;

const std::string musicStatus = "tell application \"Music\" to return (player state as text)";
const std::string spotifyStatus = "tell application \"Spotify\" to return (player state as text)";

TEST(MediaPlayersTest, AsksOnlyRunningPlayersAndResumesInOrder) {
    EventLog log;
    FakeMediaPlayerHost host(log);
    MediaPlayers players(host);
    EXPECT_TRUE(players.currentlyPlaying().empty());
    EXPECT_TRUE(host.scripts.empty()) << "a player that is not running must not be launched";

    host.running = {"com.apple.Music", "com.spotify.client"};
    host.states = {{"Music", "paused"}, {"Spotify", "playing"}};
    EXPECT_EQ(players.currentlyPlaying(), std::vector<std::string>{"Spotify"});
    host.states = {{"Music", "playing"}, {"Spotify", "playing"}};
    EXPECT_EQ(players.currentlyPlaying(), (std::vector<std::string>{"Music", "Spotify"}));
    host.states = {{"Music", std::nullopt}, {"Spotify", "Playing"}};
    EXPECT_TRUE(players.currentlyPlaying().empty());
    EXPECT_EQ(host.scripts.back(), spotifyStatus) << "a failing player does not stop the next";

    host.scripts.clear();
    host.running.clear(); // quit between the two calls: still nudged
    players.kick({"Music", "Spotify"});
    players.kick({});
    EXPECT_EQ(log.all(), (std::vector<std::string>{"resume Music", "resume Spotify"}));
    EXPECT_EQ(host.scripts.front(), "tell application \"Music\"\npause\ndelay 0.3\nplay\nend tell");
}

class SecondaryActionsTest : public AppTest {};

TEST_F(SecondaryActionsTest, PlayersPlayingBeforeARestartAreResumedAfterIt) {
    launch();
    fake.players.running = {"com.apple.Music", "com.spotify.client"};
    fake.players.states = {{"Music", "playing"}, {"Spotify", "playing"}};
    daemonWillComeBack();
    delegate->restartFromMenu();
    fake.players.states = {}; // the restart stopped them
    fake.log.clear();
    finishRestart();
    EXPECT_EQ(fake.log.all(),
              (std::vector<std::string>{"resume Music", "resume Spotify", "icon checkmark"}));

    // Switched off: nobody is asked, nobody resumed.
    fake.settings.setBool(settings::resumePlayers, false);
    fake.players.scripts.clear();
    fake.players.states = {{"Music", "playing"}};
    daemonWillComeBack();
    delegate->restartFromMenu();
    finishRestart();
    EXPECT_TRUE(fake.players.scripts.empty());

    // A failed restart resumes nothing.
    fake.settings.setBool(settings::resumePlayers, true);
    daemonWillStayAway();
    fake.log.clear();
    delegate->restartFromMenu();
    finishRestart();
    for (const auto& event : fake.log.all()) {
        EXPECT_EQ(event.find("resume"), std::string::npos) << event;
    }
}

TEST_F(SecondaryActionsTest, TheShortcutIsOneRegistrationThatFollowsItsSetting) {
    launch();
    ASSERT_EQ(fake.hotKeys.registrations.size(), 1u);
    ASSERT_EQ(fake.hotKeys.handlers.size(), 1u);
    EXPECT_EQ(fake.hotKeys.installedBeforeRegistered, 1);
    const auto& registration = fake.hotKeys.registrations.begin()->second;
    EXPECT_EQ(registration.keyCode, 15u);
    EXPECT_EQ(registration.modifiers, 6400u);
    EXPECT_EQ(registration.id.signature, fourCharCode("SNFX"));
    EXPECT_EQ(registration.id.id, 1u);
    const auto& handler = fake.hotKeys.handlers.begin()->second;
    EXPECT_EQ(handler.type.eventClass, fourCharCode("keyb"));
    EXPECT_EQ(handler.type.eventKind, 5u);

    fake.menu.choose("Global Shortcut ⌃⌥⌘R");
    EXPECT_TRUE(fake.hotKeys.registrations.empty());
    EXPECT_TRUE(fake.hotKeys.handlers.empty());
    fake.menu.choose("Global Shortcut ⌃⌥⌘R");
    EXPECT_EQ(fake.hotKeys.registrations.size(), 1u);
    EXPECT_EQ(fake.hotKeys.handlers.size(), 1u);
}

TEST_F(SecondaryActionsTest, APressRestartsOnALaterTurnAndIsDroppedWhileOneRuns) {
    launch();
    daemonWillComeBack();
    EXPECT_EQ(fake.hotKeys.press(), 0);
    EXPECT_FALSE(delegate->isRestarting());
    fake.mainQueue.runReady();
    EXPECT_TRUE(delegate->isRestarting());

    fake.hotKeys.press();
    fake.mainQueue.runReady();
    finishRestart();
    EXPECT_EQ(fake.settings.integerForKey(settings::restartCount), 1);
    EXPECT_EQ(HotKey::handle(nullptr, nullptr, nullptr), 0);
}

TEST_F(SecondaryActionsTest, WithTheShortcutOffOrRefusedTheAppRunsWithoutIt) {
    fake.settings.setBool(settings::hotKeyEnabled, false);
    launch();
    EXPECT_TRUE(fake.hotKeys.handlers.empty());
    EXPECT_TRUE(fake.hotKeys.registrations.empty());

    fake.hotKeys.refuseRegistration = true;
    fake.menu.choose("Global Shortcut ⌃⌥⌘R");
    EXPECT_TRUE(fake.hotKeys.registrations.empty());
    fake.hotKeys.press();
    fake.mainQueue.runReady();
    EXPECT_FALSE(delegate->isRestarting());
    EXPECT_TRUE(fake.menu.open());
}

TEST_F(SecondaryActionsTest, TheShortcutsItemAndTheWelcomeSayWhatTheDesktopAllows) {
    const auto shortcutItem = [&] {
        fake.menu.open();
        return fake.menu.items.at(9);
    };
    fake.hotKeys.unavailable = true;
    launchFirstTime();
    auto item = shortcutItem();
    EXPECT_EQ(item.title, "Global Shortcut: Not Available on This Desktop");
    EXPECT_FALSE(item.enabled);
    EXPECT_FALSE(item.on);
    ASSERT_EQ(fake.alerts.shown.size(), 1u);
    const auto& welcome = fake.alerts.shown[0].informativeText;
    EXPECT_EQ(welcome.find("Control-Option-Command-R"), std::string::npos) << welcome;
    EXPECT_NE(welcome.find("choose Restart Core Audio."), std::string::npos) << welcome;

    // A desktop that lets the user pick the keys: the item shows the keys picked, or that none
    // are, and still switches the shortcut.
    fake.hotKeys.unavailable = false;
    fake.hotKeys.chosenTrigger = "Ctrl+Shift+F9";
    EXPECT_EQ(shortcutItem().title, "Global Shortcut Ctrl+Shift+F9");
    fake.hotKeys.chosenTrigger = "";
    EXPECT_EQ(shortcutItem().title, "Global Shortcut: No Keys Chosen in System Settings");
    fake.menu.choose("Global Shortcut: No Keys Chosen in System Settings");
    EXPECT_FALSE(fake.settings.boolForKey(settings::hotKeyEnabled));
    EXPECT_EQ(shortcutItem().title, "Global Shortcut ⌃⌥⌘R");
}

class PasswordFreeFlowTest : public AppTest {
protected:
    PasswordFreeFlowTest() { launch(); }

    // A restart that needed the administrator, which ends with the offer.
    void restartWithPassword() {
        daemonWillComeBack(false);
        delegate->restartFromMenu();
        finishRestart();
    }
    std::vector<std::string> alertTitles() {
        std::vector<std::string> titles;
        for (const auto& alert : fake.alerts.shown) {
            titles.push_back(alert.messageText);
        }
        return titles;
    }
};

TEST_F(PasswordFreeFlowTest, TheOfferIsMarkedBeforeItShowsAndComesOnlyOnce) {
    bool markedWhileShown = false;
    bool restartingWhileShown = false;
    fake.alerts.whileShown = [&] {
        markedWhileShown = fake.settings.boolForKey(settings::offeredPasswordFree);
        restartingWhileShown = delegate->isRestarting();
    };
    fake.alerts.answer(1001); // Not Now
    fake.log.clear();
    restartWithPassword();
    EXPECT_EQ(fake.log.all(),
              (std::vector<std::string>{"icon hourglass", "icon checkmark", "activate",
                                        "alert Skip the password next time?"}));
    const auto& offer = fake.alerts.shown.at(0);
    EXPECT_EQ(offer.informativeText,
              "Sonifix can add a sudoers rule that lets your account run only “killall "
              "coreaudiod” without a password. You’ll enter your password once to set it up.");
    EXPECT_EQ(offer.buttons, (std::vector<std::string>{"Set Up", "Not Now"}));
    EXPECT_TRUE(markedWhileShown);
    EXPECT_TRUE(restartingWhileShown);
    EXPECT_EQ(fake.background.pending(), 0u);

    restartWithPassword();
    EXPECT_EQ(fake.alerts.shown.size(), 1u);
}

TEST_F(PasswordFreeFlowTest, NoOfferWhileTheRuleExistsAndTheKeyStaysUnset) {
    fake.files.put(std::string(PasswordFreeRule::path));
    restartWithPassword();
    EXPECT_TRUE(fake.alerts.shown.empty());
    EXPECT_FALSE(fake.settings.holds(settings::offeredPasswordFree));
}

TEST_F(PasswordFreeFlowTest, SetUpThenADismissedPromptShowsNothingMore) {
    restartWithPassword(); // answered "Set Up"
    fake.adminShell.answerDismissed();
    finishRestart();
    EXPECT_EQ(alertTitles(), std::vector<std::string>{"Skip the password next time?"});
    EXPECT_EQ(fake.adminShell.scripts().size(), 2u);
}

TEST_F(PasswordFreeFlowTest, InstallAndRemoveReportFailuresButNotDismissals) {
    fake.user.name = "mac user";
    fake.menu.choose("Set Up Password-Free Restart…");
    finishRestart();
    ASSERT_EQ(alertTitles(), std::vector<std::string>{"Couldn’t set up password-free restart"});
    EXPECT_EQ(fake.alerts.shown[0].informativeText, "Unexpected user name \"mac user\".");
    EXPECT_TRUE(fake.alerts.shown[0].buttons.empty());

    fake.files.put(std::string(PasswordFreeRule::path));
    fake.adminShell.answerFailed("rm: /etc/sudoers.d/sonifix: Operation not permitted");
    fake.menu.choose("Require Password to Restart…");
    fake.mainQueue.runReady();
    EXPECT_EQ(fake.alerts.shown.back().messageText, "Couldn’t remove the sudoers rule");
    EXPECT_EQ(fake.alerts.shown.back().informativeText,
              "rm: /etc/sudoers.d/sonifix: Operation not permitted");
    EXPECT_EQ(fake.adminShell.scripts().back(),
              "do shell script \"/bin/rm -f /etc/sudoers.d/sonifix\" with administrator "
              "privileges");

    // The file is already gone: rm -f succeeds and nothing is said.
    fake.files.remove(std::string(PasswordFreeRule::path));
    fake.adminShell.answerDismissed();
    delegate->removePasswordFree();
    delegate->removePasswordFree();
    fake.mainQueue.runReady();
    EXPECT_EQ(fake.alerts.shown.size(), 2u);
    fake.menu.open();
    EXPECT_TRUE(fake.menu.find("Set Up Password-Free Restart…"));
}

TEST_F(SecondaryActionsTest, OpenAtLoginFlipsWhatTheSystemReports) {
    launch();
    fake.loginItems.current = LoginItems::enabled;
    fake.menu.choose("Open at Login");
    fake.menu.open();
    EXPECT_FALSE(fake.menu.find("Open at Login")->on);

    for (const int status :
         {LoginItems::notRegistered, LoginItems::requiresApproval, LoginItems::notFound}) {
        fake.loginItems.current = status;
        fake.log.clear();
        delegate->toggleLogin();
        EXPECT_EQ(fake.log.all(), std::vector<std::string>{"register login item"}) << status;
    }

    fake.loginItems.current = LoginItems::notRegistered;
    fake.loginItems.refusal = "Operation not permitted";
    fake.log.clear();
    delegate->toggleLogin();
    EXPECT_EQ(fake.log.all(), (std::vector<std::string>{"register login item", "activate",
                                                        "alert Couldn’t change Open at Login"}));
    EXPECT_EQ(fake.alerts.shown.back().informativeText, "Operation not permitted");
}

TEST_F(SecondaryActionsTest, AboutWebsiteAndAudioSetupOpenWhatTheyName) {
    launch();
    fake.log.clear();
    fake.menu.choose("About Sonifix");
    fake.menu.choose("Sonifix Website");
    fake.menu.choose("Open Audio MIDI Setup");
    EXPECT_EQ(fake.log.all(),
              (std::vector<std::string>{
                  "activate", "about panel", "open https://northfold.app/apps/sonifix/",
                  "open /System/Applications/Utilities/Audio MIDI Setup.app"}));
    EXPECT_EQ(fake.workspace.about.text, "Made by Northfold · northfold.app\nhello@northfold.app");
    EXPECT_EQ(fake.workspace.about.pointSize, 11);
}

using Commands = std::vector<std::vector<std::string>>;

TEST(SoundSettingsTest, TheDesktopsOwnPanelComesFirstThenTheMixersAnyDesktopRuns) {
    const Commands mixers{{"pavucontrol"}, {"pavucontrol-qt"}};
    const auto withMixers = [&](Commands panels) {
        panels.insert(panels.end(), mixers.begin(), mixers.end());
        return panels;
    };
    EXPECT_EQ(SoundSettings::forDesktop("ubuntu:GNOME").candidates,
              withMixers({{"gnome-control-center", "sound"}}));
    EXPECT_EQ(SoundSettings::forDesktop("KDE").candidates,
              withMixers({{"kcmshell6", "kcm_pulseaudio"},
                          {"systemsettings", "kcm_pulseaudio"},
                          {"systemsettings5", "kcm_pulseaudio"},
                          {"kcmshell5", "kcm_pulseaudio"}}));
    EXPECT_EQ(SoundSettings::forDesktop("X-Cinnamon").candidates,
              withMixers({{"cinnamon-settings", "sound"}}));
    EXPECT_EQ(SoundSettings::forDesktop("mate").candidates, withMixers({{"mate-volume-control"}}));
    EXPECT_EQ(SoundSettings::forDesktop("XFCE").candidates, mixers) << "no mixer twice";
    EXPECT_EQ(SoundSettings::forDesktop("").candidates, mixers);
    EXPECT_EQ(SoundSettings::forDesktop("Hyprland").candidates, mixers);

    EXPECT_EQ(SoundSettings::forDesktop("ubuntu:GNOME").missingText,
              "No sound settings app is installed. Install gnome-control-center or pavucontrol "
              "with your distribution’s software manager.");
    EXPECT_EQ(SoundSettings::forDesktop("").missingText,
              "No sound settings app is installed. Install pavucontrol with your distribution’s "
              "software manager.");
}

TEST(SoundSettingsTest, TheFirstProgramThatStartsOpensAndWithNoneTheAlertSaysWhatToInstall) {
    FakePlatform fake;
    auto delegate =
        std::make_shared<AppDelegate>(fake.platform, DaemonIdentity::coreaudiod(),
                                      PlatformTexts::forSoundServer("PipeWire", {}, "KDE"));
    fake.launcher.install("systemsettings5");
    delegate->openAudioMIDISetup();
    std::vector<std::string> tried;
    for (const auto& launch : fake.launcher.launches) {
        tried.push_back(launch.program);
        EXPECT_EQ(launch.arguments, (std::vector<std::string>{launch.program, "kcm_pulseaudio"}));
    }
    EXPECT_EQ(tried, (std::vector<std::string>{"kcmshell6", "systemsettings", "systemsettings5"}));
    EXPECT_TRUE(fake.alerts.shown.empty());

    fake.launcher.uninstall("systemsettings5");
    fake.launcher.launches.clear();
    delegate->openAudioMIDISetup();
    EXPECT_EQ(fake.launcher.launches.size(), 6U) << "every candidate is tried";
    ASSERT_EQ(fake.alerts.shown.size(), 1U);
    EXPECT_EQ(fake.alerts.shown[0].messageText, "Couldn’t open the sound settings");
    EXPECT_EQ(fake.alerts.shown[0].informativeText,
              "No sound settings app is installed. Install plasma-pa or pavucontrol with your "
              "distribution’s software manager.");
}

TEST_F(SecondaryActionsTest, TheWelcomeComesOnceAfterLaunchHasReturned) {
    bool markedWhileShown = false;
    fake.alerts.whileShown = [&] {
        markedWhileShown = fake.settings.boolForKey(settings::welcomed);
    };
    delegate->applicationDidFinishLaunching();
    EXPECT_TRUE(fake.alerts.shown.empty());
    fake.mainQueue.runReady();
    ASSERT_EQ(fake.alerts.shown.size(), 1u);
    const auto& welcome = fake.alerts.shown[0];
    EXPECT_TRUE(markedWhileShown);
    EXPECT_EQ(welcome.messageText, "Sonifix is in your menu bar");
    EXPECT_EQ(welcome.informativeText,
              "When your audio starts crackling or popping, click the speaker icon in the menu bar "
              "and choose Restart Core Audio, or press Control-Option-Command-R from anywhere.\n\n"
              "Want to hear when we make more fixes like this? Add your email (optional). About "
              "once a month, unsubscribe anytime.");
    EXPECT_EQ(welcome.buttons, std::vector<std::string>{"Done"});
    EXPECT_TRUE(welcome.showsAppIcon);
    ASSERT_TRUE(welcome.emailField);
    EXPECT_EQ(welcome.emailField->placeholder, "you@example.com");
    EXPECT_TRUE(fake.http.requests().empty()); // left empty: nothing sent, nothing more shown

    const auto again = std::make_shared<AppDelegate>(fake.platform, DaemonIdentity::coreaudiod(),
                                                     PlatformTexts::macOS());
    again->applicationDidFinishLaunching();
    fake.mainQueue.runReady();
    EXPECT_EQ(fake.alerts.shown.size(), 1u);
}

TEST_F(SecondaryActionsTest, SignUpValidatesSendsOnceAndShowsExactlyOneResult) {
    launch();
    fake.alerts.answer(1001, "you@example.com"); // Cancel
    fake.menu.choose("Get Email Updates…");
    EXPECT_EQ(fake.alerts.shown.size(), 1u);
    EXPECT_EQ(fake.alerts.shown[0].buttons, (std::vector<std::string>{"Subscribe", "Cancel"}));

    fake.alerts.answer(1000, "");
    fake.menu.choose("Get Email Updates…");
    EXPECT_EQ(fake.alerts.shown.back().messageText, "That email address doesn’t look right");
    EXPECT_EQ(fake.alerts.shown.back().informativeText,
              "Choose Get Email Updates… in the Sonifix menu to try again.");

    fake.http.result = {.response = HttpResponse{400, R"({"error":"Try a real address."})"},
                        .transportError = {}};
    fake.alerts.answer(1000, "\xE3\x80\x80you@example.com ");
    fake.menu.choose("Get Email Updates…");
    const auto before = fake.alerts.shown.size();
    finishRestart(); // runs the request and hands its outcome back
    ASSERT_EQ(fake.alerts.shown.size(), before + 1);
    EXPECT_EQ(fake.alerts.shown.back().messageText, "Couldn’t sign you up");
    EXPECT_EQ(fake.alerts.shown.back().informativeText, "Try a real address.");
    EXPECT_NE(fake.http.requests().at(0).body.find("\"you@example.com\""), std::string::npos);
    EXPECT_EQ(fake.http.requests().size(), 1u);
}

} // namespace
} // namespace sonifix::testing
