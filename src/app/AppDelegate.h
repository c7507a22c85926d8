#pragma once

#include "PlatformTexts.h"
#include "ServerWatch.h"
#include "SoundWatchdog.h"
#include "audio/AudioDevices.h"
#include "audio/DefaultDeviceRestorer.h"
#include "hotkey/HotKey.h"
#include "media/MediaPlayers.h"
#include "platform/InstanceDelegate.h"
#include "platform/MenuDelegate.h"
#include "platform/Platform.h"
#include "restart/CoreAudioRestarter.h"
#include "signup/EmailSignup.h"

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sonifix {

// The app's one long-lived object: it owns the status item's state, answers the menu, the wake
// notification and the device listeners, and runs restarts one at a time. Everything here runs
// on the main thread; only the restart engine's work runs off it. Owned by a shared_ptr:
// timers and handlers hold it weakly, the restart task strongly.
class AppDelegate final : public MenuDelegate,
                          public InstanceDelegate,
                          public std::enable_shared_from_this<AppDelegate> {
public:
    static constexpr std::chrono::milliseconds checkmarkTime{2000};
    static constexpr std::chrono::milliseconds wakeDelay{4000};
    // How long launch waits for a tray that is not there yet before it says there is none.
    static constexpr std::chrono::milliseconds trayWait{10000};
    // Links to the app less than this apart make one burst, which restarts once.
    static constexpr std::chrono::milliseconds linkBurstGap{3000};

    // The texts for the daemon of the given process name.
    using TextsFor = std::function<PlatformTexts(const std::string& daemonName)>;

    AppDelegate(Platform& platform, DaemonIdentity daemon, PlatformTexts texts,
                std::string signupEndpoint = std::string(EmailSignup::defaultEndpoint));
    // For a daemon found afresh at every restart: the titles follow the one serving now.
    AppDelegate(Platform& platform, Daemon& found, TextsFor textsFor,
                std::string signupEndpoint = std::string(EmailSignup::defaultEndpoint));

    void applicationDidFinishLaunching();
    // The switches' fallbacks, which launch installs first. A process that serves one command
    // without launching the app installs them itself.
    void registerSettingDefaults();

    // Requests of other launches of the app.
    void restartAndReport(std::function<void(const RestartResult&)> done) override;
    AppStatus status() override;
    void observeRestarts(std::function<void()> restarted) override;
    bool launchedAgain() override;
    // This process serves one command instead of launching the app: it opens no window, a
    // failure goes only to those who asked, and nothing of the app starts.
    void serveOneCommand();
    // The app ends, its work stopped: whoever still waits for a restart hears why it has no
    // outcome.
    void applicationWillTerminate();
    // A link to the app the system hands over, such as "sonifix://restart"; it may come
    // before the launch has finished.
    void openUrl(const std::string& url);

    // Menu actions and platform callbacks.
    void menuNeedsUpdate() override;
    void menuDidClose() override;
    void perform(const MenuItem& item) override;
    void restartFromMenu();
    void didWake();
    void toggleSetting(const MenuItem& item);
    void toggleLogin();
    void installPasswordFree();
    void removePasswordFree();
    void showSignup();
    void showAbout();
    void openWebsite();
    void openAudioMIDISetup();

    bool isRestarting() const { return restarting; }
    // Before launch: waits this long for a tray instead.
    void setTrayWait(std::chrono::milliseconds wait) { trayWaitTime = wait; }

    // The menu as it would be built now.
    std::vector<MenuItem> menuItems();

private:
    struct RestartOutcome {
        bool usedAdministrator = false;
        std::vector<std::string> playing;
        std::vector<std::string> missing; // chosen devices that did not come back
    };

    void refreshTexts();
    void setIcon(const std::string& symbolName);
    void flashIcon(const std::string& symbolName);
    void restart();
    void restartAfterThisEvent();
    bool startsLinkBurst();
    void restartSucceeded(const RestartOutcome& outcome);
    void restartFailed(const std::exception_ptr& error);
    void askToScriptPlayers(std::vector<MediaPlayer> unasked);
    void explainScriptingRefusal(const std::vector<std::string>& denied);
    void report(const RestartResult& result);
    static std::string missingDevicesText(const std::vector<std::string>& missing);
    std::string lastRestartText();
    static std::string deviceText(const AudioDevice& device);
    MenuItem toggle(const std::string& title, const std::string& key);
    void observeDevices();
    void enforceMacMicrophone();
    void placeStatusItem();
    void trayAppeared();
    void trayWaitEnded();
    std::string restartWithoutTray();
    void showWelcomeLater();
    void updateHotKey();
    MenuItem hotKeyItem();
    EmailSignup::Welcome welcome();
    void offerPasswordFreeOnce();
    void reportUnlessCancelled(const std::exception_ptr& error, const std::string& messageText);
    void showFailure(const std::string& messageText, const std::string& informativeText);
    void startWatchdog();
    std::optional<std::string> otherRecordingApp();
    bool callLive() { return otherRecordingApp().has_value(); }

    Platform& platform;
    TextsFor textsFor;
    PlatformTexts texts;
    std::string textsDaemon; // the daemon the texts name
    DaemonIdentity daemon;
    CoreAudioRestarter restarter;
    AudioDevices devices;
    DefaultDeviceRestorer restorer;
    MediaPlayers players;
    EmailSignup signup;
    SettingsStore& defaults;
    std::unique_ptr<HotKey> hotKey;
    bool launched = false;
    bool restartWhenLaunched = false; // a link asked for it before the launch finished
    std::optional<std::chrono::steady_clock::time_point> lastLink;
    bool restarting = false;
    bool oneCommand = false;
    enum class Tray { waiting, shown, absent };
    Tray tray = Tray::waiting;
    std::chrono::milliseconds trayWaitTime = trayWait;
    // The first-run welcome, held back until it is known whether there is a tray to point at.
    bool welcomePending = false;
    // Who waits for the running restart's outcome, and that outcome once it is known (while
    // the app still tells the user about it).
    std::vector<std::function<void(const RestartResult&)>> waiting;
    std::optional<RestartResult> ending;
    std::function<void()> restartObserver;
    // Where the sound server can be watched.
    std::shared_ptr<SoundWatchdog> watchdog;
    std::shared_ptr<ServerWatch> serverWatch;
};

} // namespace sonifix
