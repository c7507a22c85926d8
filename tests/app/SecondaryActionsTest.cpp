#include "AppTest.h"
#include "hotkey/HotKey.h"
#include "media/MediaPlayers.h"
#include "restart/PasswordFreeRule.h"

namespace sonifix::testing {
namespace {

using SecondaryActionsTest = LaunchedAppTest;

TEST_F(SecondaryActionsTest, PlayersPlayingBeforeASuccessfulRestartAreResumedWhenSwitchedOn) {
    MediaPlayers players(fake.players);
    EXPECT_TRUE(players.currentlyPlaying().empty());
    EXPECT_TRUE(fake.players.scripts.empty()) << "a player that is not running must not launch";
    fake.players.running = {"com.apple.Music", "com.spotify.client"};
    fake.players.states = {{"Music", "paused"}, {"Spotify", "playing"}};
    EXPECT_EQ(players.currentlyPlaying(), Strings{"Spotify"});
    fake.players.states = {{"Music", std::nullopt}, {"Spotify", "playing"}};
    EXPECT_EQ(players.currentlyPlaying(), Strings{"Spotify"}) << "a failing player stops nothing";

    for (const bool resume : {true, false}) {
        fake.settings.setBool(settings::resumePlayers, resume);
        fake.players.states = {{"Music", "playing"}, {"Spotify", "playing"}};
        fake.players.scripts.clear();
        daemonWillComeBack();
        delegate->restartFromMenu();
        fake.players.states = {}; // the restart stopped them
        fake.log.clear();
        finishWork();
        EXPECT_EQ(fake.log, (resume ? Strings{"resume Music", "resume Spotify", "icon checkmark"}
                                    : Strings{"icon checkmark"}));
        EXPECT_EQ(fake.players.scripts.empty(), !resume) << "switched off, nobody is asked";
    }
    fake.settings.setBool(settings::resumePlayers, true);
    fake.players.states = {{"Music", "playing"}};
    fake.log.clear();
    failOnce();
    EXPECT_EQ(fake.log.at(2), "activate") << "a failed restart resumes nothing";

    fake.players.running.clear(); // quit between the two calls: still nudged
    fake.log.clear();
    players.kick({"Spotify"});
    EXPECT_EQ(fake.log, Strings{"resume Spotify"});
}

// The system's question whether the app may script a player holds whoever asks until the user
// answers: it is asked off the main thread, and the player is left alone until allowed.
TEST_F(SecondaryActionsTest, ThePlayersPermissionIsAskedOffTheMainThreadAndARefusalExplainedOnce) {
    fake.players.running = {"com.apple.Music"};
    fake.players.states = {{"Music", "playing"}};
    fake.players.permissions = {{"Music", MediaPlayerHost::automationUnasked}};
    fake.players.answer = MediaPlayerHost::automationDenied;
    daemonWillComeBack();
    delegate->restartFromMenu();
    EXPECT_TRUE(fake.players.scripts.empty()) << "no script before the system has asked";
    EXPECT_EQ(fake.log, Strings{"icon hourglass"});
    finishWork();
    EXPECT_EQ(fake.log, (Strings{"icon hourglass", "ask to script Music", "icon checkmark",
                                 "activate", "alert Allow Sonifix to control Music"}));
    EXPECT_NE(lastAlert().at(1).find("Privacy & Security › Automation"), std::string::npos);
    restartOnce();
    EXPECT_EQ(fake.alerts.shown.size(), 1u) << "said once";
    EXPECT_TRUE(fake.players.scripts.empty());
}

TEST_F(SecondaryActionsTest, TheShortcutIsOneRegistrationThatFollowsItsSettingAndRestartsLater) {
    ASSERT_EQ(fake.hotKeys.registrations.size(), 1u);
    EXPECT_EQ(fake.hotKeys.installedBeforeRegistered, 1);
    const auto& registration = fake.hotKeys.registrations.begin()->second;
    EXPECT_EQ(registration.keyCode, 15u);                                // R
    EXPECT_EQ(registration.modifiers, 6400u);                            // control, option, command
    EXPECT_EQ(fake.hotKeys.handlers.begin()->second.type.eventKind, 5u); // hot key pressed

    daemonWillComeBack();
    EXPECT_EQ(fake.hotKeys.press(), 0);
    EXPECT_FALSE(delegate->isRestarting()) << "not inside the system's handler";
    fake.mainQueue.runReady();
    EXPECT_TRUE(delegate->isRestarting());
    fake.hotKeys.press(); // dropped while one runs
    finishWork();
    EXPECT_EQ(count(), 1);
    EXPECT_EQ(HotKey::handle(nullptr, nullptr, nullptr), 0);

    fake.menu.choose("Global Shortcut ⌃⌥⌘R");
    EXPECT_TRUE(fake.hotKeys.registrations.empty());
    EXPECT_TRUE(fake.hotKeys.handlers.empty());
    fake.hotKeys.refuseRegistration = true;
    fake.menu.choose("Global Shortcut ⌃⌥⌘R");
    EXPECT_TRUE(fake.hotKeys.registrations.empty());
    fake.hotKeys.press();
    fake.mainQueue.runReady();
    EXPECT_FALSE(delegate->isRestarting());
    EXPECT_TRUE(fake.menu.open()) << "the app runs on without it";
}

TEST_F(AppTest, TheWelcomeComesOnceAfterLaunchAndSaysWhatTheDesktopAllows) {
    bool markedWhileShown = false;
    fake.alerts.whileShown = [&] {
        markedWhileShown = fake.settings.boolForKey(settings::welcomed);
    };
    fake.hotKeys.unavailable = true;
    delegate->applicationDidFinishLaunching();
    EXPECT_TRUE(fake.alerts.shown.empty());
    fake.mainQueue.runReady();
    ASSERT_EQ(fake.alerts.shown.size(), 1u);
    const auto welcome = fake.alerts.shown[0];
    EXPECT_TRUE(markedWhileShown);
    EXPECT_EQ(welcome.messageText, "Sonifix is in your menu bar");
    EXPECT_EQ(welcome.informativeText.find("Control-Option-Command-R"), std::string::npos);
    EXPECT_NE(welcome.informativeText.find("choose Restart Core Audio."), std::string::npos);
    EXPECT_EQ(welcome.emailField->placeholder, "you@example.com");
    EXPECT_TRUE(fake.http.requests.empty()); // left empty: nothing sent, nothing more shown

    // A desktop that lets the user pick the keys, with none picked: the item still switches.
    fake.hotKeys.unavailable = false;
    fake.hotKeys.chosenTrigger = "";
    fake.menu.choose("Global Shortcut: No Keys Chosen in System Settings");
    EXPECT_FALSE(fake.settings.boolForKey(settings::hotKeyEnabled));
}

// A modal alert runs the main loop: what comes meanwhile (a restart's outcome, the offer that
// follows it, a failure) waits for it to close, then opens one at a time, in order.
TEST_F(AppTest, AlertsThatComeWhileTheWelcomeIsOpenWaitTheirTurn) {
    fake.alerts.whileShown = [&] {
        fake.alerts.whileShown = nullptr;
        restartOnce(false); // with the administrator: the offer comes
        failOnce();
    };
    fake.alerts.answers = {{}, {.response = Alerts::firstButton, .fieldText = {}}};
    delegate->applicationDidFinishLaunching();
    fake.mainQueue.runReady();
    EXPECT_FALSE(fake.alerts.nested);
    const Strings shownLast(fake.log.end() - 4, fake.log.end());
    EXPECT_EQ(shownLast, (Strings{"activate", "alert Skip the password next time?", "activate",
                                  "alert Couldn’t restart Core Audio"}));
    finishWork();
    EXPECT_EQ(fake.adminShell.scripts.size(), 2u) << "Set Up, answered after the welcome";
}

// The status menu runs the main loop too: what comes while it is open (a restart's outcome, the
// offer after it, a restart after wake) waits for it to close, then opens in order.
TEST_F(LaunchedAppTest, AlertsThatComeWhileTheMenuIsOpenWaitForItToClose) {
    fake.settings.setBool(settings::restartOnWake, true);
    EXPECT_TRUE(fake.menu.open());
    restartOnce(false); // with the administrator: the offer comes
    daemonWillStayAway();
    delegate->didWake();
    fake.mainQueue.advance(AppDelegate::wakeDelay);
    finishWork();
    EXPECT_TRUE(fake.alerts.shown.empty()) << fake.alerts.shown.at(0).messageText;
    fake.menu.close();
    EXPECT_TRUE(fake.alerts.shown.empty()) << "not from inside the menu's closing";
    fake.mainQueue.runReady();
    EXPECT_EQ(Strings(fake.log.end() - 4, fake.log.end()),
              (Strings{"activate", "alert Skip the password next time?", "activate",
                       "alert Couldn’t restart Core Audio"}));

    // A menu whose closing is never told holds nothing for good; an item chosen closes it.
    fake.menu.open();
    failOnce();
    fake.mainQueue.advance(AlertQueue::menuHoldLimit);
    EXPECT_EQ(fake.alerts.shown.size(), 3u);
    const auto signup = fake.menu.item("Get Email Updates…");
    fake.menu.open();
    delegate->perform(signup);
    EXPECT_EQ(fake.alerts.shown.at(3).messageText, "Get email updates from Northfold");
}

TEST_F(SecondaryActionsTest, TheOfferIsMarkedBeforeItShowsAndComesOnlyOnce) {
    bool markedWhileShown = false;
    bool restartingWhileShown = false;
    fake.alerts.whileShown = [&] {
        markedWhileShown = fake.settings.boolForKey(settings::offeredPasswordFree);
        restartingWhileShown = delegate->isRestarting();
    };
    fake.alerts.answers.push_back({.response = 1001, .fieldText = {}}); // Not Now
    restartOnce(false); // with the administrator: the offer comes
    EXPECT_EQ(fake.log, (Strings{"icon hourglass", "icon checkmark", "activate",
                                 "alert Skip the password next time?"}));
    EXPECT_EQ(fake.alerts.shown.at(0).buttons, (Strings{"Set Up", "Not Now"}));
    EXPECT_TRUE(markedWhileShown);
    EXPECT_TRUE(restartingWhileShown);
    EXPECT_EQ(fake.background.pending(), 0u);
    restartOnce(false);
    EXPECT_EQ(fake.alerts.shown.size(), 1u);

    // Set Up, then a dismissed prompt: nothing more is shown.
    fake.settings.stored.erase(settings::offeredPasswordFree);
    restartOnce(false);
    fake.adminShell.answerDismissed();
    finishWork();
    EXPECT_EQ(fake.alerts.shown.size(), 2u);
    EXPECT_EQ(fake.adminShell.scripts.size(), 4u);

    // No offer while the rule exists, and the key stays unset.
    fake.settings.stored.erase(settings::offeredPasswordFree);
    fake.files.files = {std::string(PasswordFreeRule::path)};
    restartOnce(false);
    EXPECT_EQ(fake.alerts.shown.size(), 2u);
    EXPECT_FALSE(fake.settings.boolForKey(settings::offeredPasswordFree));
}

TEST_F(SecondaryActionsTest, InstallAndRemoveReportFailuresButNotDismissals) {
    fake.user.name = "mac user";
    fake.menu.choose("Set Up Password-Free Restart…");
    finishWork();
    EXPECT_EQ(lastAlert(), (Strings{"Couldn’t set up password-free restart",
                                    "Unexpected user name \"mac user\"."}));

    fake.files.files = {std::string(PasswordFreeRule::path)};
    fake.adminShell.answerFailed("rm: /etc/sudoers.d/sonifix: Operation not permitted");
    fake.menu.choose("Require Password to Restart…");
    fake.mainQueue.runReady();
    EXPECT_EQ(lastAlert(), (Strings{"Couldn’t remove the sudoers rule",
                                    "rm: /etc/sudoers.d/sonifix: Operation not permitted"}));
    EXPECT_EQ(fake.adminShell.scripts.back(), "do shell script \"/bin/rm -f "
                                              "/etc/sudoers.d/sonifix\" with administrator "
                                              "privileges");
    fake.adminShell.answerDismissed();
    delegate->removePasswordFree();
    delegate->removePasswordFree(); // the file is already gone: rm -f succeeds
    fake.mainQueue.runReady();
    EXPECT_EQ(fake.alerts.shown.size(), 2u);
}

TEST_F(AppTest, TheFirstProgramThatStartsOpensAndWithNoneTheAlertSaysWhatToInstall) {
    delegate = std::make_shared<AppDelegate>(fake.platform, DaemonIdentity::coreaudiod(),
                                             PlatformTexts::forSoundServer("PipeWire", {}, "KDE"));
    fake.launcher.installed = {"systemsettings5"};
    delegate->openAudioMIDISetup();
    EXPECT_EQ(fake.launcher.launches.back().arguments,
              (Strings{"systemsettings5", "kcm_pulseaudio"}))
        << "the desktop's own panel, and nothing after it";
    EXPECT_TRUE(fake.alerts.shown.empty());

    fake.launcher.installed.clear();
    fake.launcher.launches.clear();
    delegate->openAudioMIDISetup();
    EXPECT_EQ(fake.launcher.launches.size(), 6U) << "every candidate is tried, the mixers last";
    EXPECT_EQ(fake.launcher.launches.back().program, "pavucontrol-qt");
    EXPECT_EQ(fake.alerts.shown.size(), 1U);
    EXPECT_EQ(lastAlert(), (Strings{"Couldn’t open the sound settings",
                                    "No sound settings app is installed. Install plasma-pa or "
                                    "pavucontrol with your distribution’s software manager."}));
    EXPECT_EQ(SoundSettings::forDesktop("XFCE").candidates,
              (std::vector<Strings>{{"pavucontrol"}, {"pavucontrol-qt"}}))
        << "no mixer twice";
}

TEST_F(SecondaryActionsTest, SignUpValidatesSendsOnceAndShowsExactlyOneResult) {
    fake.alerts.answers = {{1001, "you@example.com"}, {1000, ""}}; // Cancel, then nothing typed
    fake.menu.choose("Get Email Updates…");
    EXPECT_EQ(fake.alerts.shown[0].buttons, (Strings{"Subscribe", "Cancel"}));
    fake.menu.choose("Get Email Updates…");
    EXPECT_EQ(fake.alerts.shown.back().messageText, "That email address doesn’t look right");
    EXPECT_EQ(fake.alerts.shown.size(), 3u);

    fake.http.result = {.response = HttpResponse{400, R"({"error":"Try a real address."})"},
                        .transportError = {}};
    fake.alerts.answers = {{1000, "\xE3\x80\x80you@example.com "}};
    fake.menu.choose("Get Email Updates…");
    finishWork();
    ASSERT_EQ(fake.alerts.shown.size(), 5u);
    EXPECT_EQ(lastAlert(), (Strings{"Couldn’t sign you up", "Try a real address."}));
    ASSERT_EQ(fake.http.requests.size(), 1u);
    EXPECT_NE(fake.http.requests[0].body.find("\"you@example.com\""), std::string::npos);

    fake.http.result.response->status = 200;
    fake.alerts.answers = {{1000, "you@example.com"}};
    fake.menu.choose("Get Email Updates…");
    finishWork();
    EXPECT_EQ(lastAlert(), (Strings{"Check your inbox",
                                    "We sent a confirmation link to you@example.com. You’re on "
                                    "the list once you click it."}));
}

} // namespace
} // namespace sonifix::testing
