// The whole Linux app on its real adapters: a virtual X display with a tray host, a private
// sound server that is brought back when it is stopped, and a person's clicks and key presses.

#include "../e2e/SoundServerHarness.h"
#include "FakeHttpClient.h"
#include "IcuRelativeTimeFormatter.h"
#include "MprisMediaPlayerHost.h"
#include "NoAdminShell.h"
#include "PulseAudioHardware.h"
#include "QtAlerts.h"
#include "QtMainQueue.h"
#include "QtMenu.h"
#include "QtSettingsStore.h"
#include "QtStatusItem.h"
#include "QtWorkspace.h"
#include "X11HotKeys.h"
#include "XdgAutostartLoginItems.h"
#include "app/AppDelegate.h"
#include "desktop/ChildProcess.h"
#include "desktop/VirtualDisplay.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixProcessRunner.h"
#include "platform/posix/PosixUserAccount.h"
#include "platform/posix/RandomUuidSource.h"
#include "platform/posix/StopTokenSleeper.h"
#include "platform/posix/SystemClock.h"
#include "platform/posix/ThreadExecutor.h"
#include "restart/SoundServer.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace sonifix::testing {
namespace {

using namespace std::chrono_literals;

// Shows what it is told on the real tray icon, and keeps a record of it.
class RecordingStatusItem final : public StatusItem {
public:
    void showSymbol(const std::string& name, const std::string& description) override {
        symbols.push_back(name);
        tray.showSymbol(name, description);
    }
    void attachMenu(Menu& menu) override { tray.attachMenu(menu); }

    std::vector<std::string> symbols;
    QtStatusItem tray;
};

// One launch of the app, with everything it owns.
struct TrayApp {
    TrayApp(const QString& settingsPath, const std::string& server,
            const std::vector<std::string>& owners, const std::string& autostart)
        : hardware(mainQueue, {.server = server, .queryTimeout = 500ms}), settings(settingsPath),
          loginItems(autostart, "/usr/bin/sonifix") {
        const auto daemon = SoundServer(processes).identity(owners);
        delegate = std::make_shared<AppDelegate>(
            platform, daemon,
            PlatformTexts::forSoundServer(SoundServer::displayName(daemon.name),
                                          MprisMediaPlayerHost::knownPlayers()));
        delegate->applicationDidFinishLaunching();
    }

    std::vector<std::string> menuTitles() {
        emit menu.widget()->aboutToShow();
        std::vector<std::string> titles;
        for (const auto* action : menu.widget()->actions()) {
            titles.push_back(action->isSeparator() ? "---" : action->text().toStdString());
        }
        return titles;
    }
    QAction* action(const QString& title) {
        emit menu.widget()->aboutToShow();
        for (auto* candidate : menu.widget()->actions()) {
            if (candidate->text() == title) {
                return candidate;
            }
        }
        return nullptr;
    }

    QtMainQueue mainQueue;
    PosixProcessRunner processes;
    NoAdminShell adminShell;
    PulseAudioHardware hardware;
    PosixFileSystem files;
    PosixUserAccount user;
    RandomUuidSource uuids;
    StopTokenSleeper sleeper;
    QtSettingsStore settings;
    QtMenu menu;
    RecordingStatusItem statusItem;
    QtAlerts alerts;
    QtWorkspace workspace;
    XdgAutostartLoginItems loginItems;
    SystemClock clock;
    IcuRelativeTimeFormatter relativeTime;
    MprisMediaPlayerHost players;
    X11HotKeys hotKeys;
    FakeHttpClient http;
    ThreadExecutor background;
    Platform platform{.processes = processes,
                      .adminShell = adminShell,
                      .hardware = hardware,
                      .files = files,
                      .user = user,
                      .uuids = uuids,
                      .mainQueue = mainQueue,
                      .sleeper = sleeper,
                      .background = background,
                      .settings = settings,
                      .statusItem = statusItem,
                      .menu = menu,
                      .alerts = alerts,
                      .workspace = workspace,
                      .loginItems = loginItems,
                      .clock = clock,
                      .relativeTime = relativeTime,
                      .players = players,
                      .hotKeys = hotKeys,
                      .http = http};
    std::shared_ptr<AppDelegate> delegate;
};

// Runs the event loop until `done` holds or the time is up.
bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limit.count()) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

class TrayAppTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const auto reason = VirtualDisplay::unavailable()) {
            GTEST_SKIP() << *reason;
        }
        for (const auto* program : {"trayer", "xdotool"}) {
            if (!ChildProcess::installed(program)) {
                GTEST_SKIP() << "not installed: " << program;
            }
        }
        if (const auto missing = SoundServerHarness::missingPrograms(ServerKind::pulseaudio);
            !missing.empty()) {
            GTEST_SKIP() << "not installed: " << missing.front();
        }
        server.emplace(ServerKind::pulseaudio);
        server->start();
        settingsPath = folder.filePath(QStringLiteral("Sonifix.ini"));
    }

    std::unique_ptr<TrayApp> launch() {
        return std::make_unique<TrayApp>(
            settingsPath, server->serverAddress(), server->owners(),
            folder.filePath(QStringLiteral("autostart")).toStdString());
    }
    void markWelcomed() {
        QSettings(settingsPath, QSettings::IniFormat).setValue("welcomed", "true");
    }
    QString settingsText() {
        QFile file(settingsPath);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    QTemporaryDir folder;
    QString settingsPath;
    std::optional<SoundServerHarness> server;
};

TEST_F(TrayAppTest, LaunchPutsTheSpeakerInTheTrayAndWelcomesOnlyOnce) {
    bool welcomed = false;
    QTimer::singleShot(300, [&] {
        auto* dialog = QApplication::activeModalWidget();
        if (!dialog) {
            return;
        }
        for (const auto* label : dialog->findChildren<QLabel*>()) {
            welcomed =
                welcomed || label->text() == QStringLiteral("Sonifix is in your system tray");
        }
        for (auto* button : dialog->findChildren<QPushButton*>()) {
            if (button->text() == QStringLiteral("Done")) {
                button->click();
            }
        }
    });
    auto app = launch();
    EXPECT_TRUE(pumpUntil([&] { return welcomed; }, 5s));
    EXPECT_TRUE(QSystemTrayIcon::isSystemTrayAvailable());
    EXPECT_EQ(app->statusItem.symbols, std::vector<std::string>{"hifispeaker"});
    EXPECT_TRUE(settingsText().contains(QStringLiteral("welcomed=true")));
    app.reset();

    auto again = launch();
    EXPECT_FALSE(pumpUntil([] { return QApplication::activeModalWidget() != nullptr; }, 800ms));
}

TEST_F(TrayAppTest, AClickOnTheIconOpensTheMenuWithTheDevices) {
    markWelcomed();
    auto app = launch();
    auto* tray = app->statusItem.tray.widget();
    // Embedded by the tray host: the icon then has a place on the screen.
    ASSERT_TRUE(pumpUntil([&] { return tray->geometry().x() > 0; }, 5s));
    pumpUntil([] { return false; }, 300ms);
    const auto where = tray->geometry().center();
    ChildProcess::run({"xdotool", "mousemove", std::to_string(where.x()), std::to_string(where.y()),
                       "click", "1"});
    ASSERT_TRUE(pumpUntil([&] { return app->menu.widget()->isVisible(); }, 5s));

    std::vector<std::string> titles;
    for (const auto* action : app->menu.widget()->actions()) {
        titles.push_back(action->isSeparator() ? "---" : action->text().toStdString());
    }
    EXPECT_EQ(std::vector(titles.begin(), titles.begin() + 6),
              (std::vector<std::string>{
                  "Restart PulseAudio", "---", "Output: Built-in Speakers · 48 kHz",
                  "Input: Built-in Microphone · 44.1 kHz", "Not restarted yet", "---"}));
    EXPECT_EQ(titles.back(), "Quit Sonifix");
    app->menu.widget()->hide();
}

TEST_F(TrayAppTest, TheShortcutRestartsTheServerAndTheAppKeepsWorkingAfterIt) {
    markWelcomed();
    auto app = launch();
    const auto before = server->serverPID();
    ChildProcess::run({"xdotool", "key", "ctrl+alt+super+r"});
    ASSERT_TRUE(pumpUntil(
        [&] {
            const auto& shown = app->statusItem.symbols;
            return std::find(shown.begin(), shown.end(), "checkmark") != shown.end();
        },
        15s));
    EXPECT_TRUE(pumpUntil([&] { return app->statusItem.symbols.back() == "hifispeaker"; }, 4s));
    EXPECT_EQ(app->statusItem.symbols,
              (std::vector<std::string>{"hifispeaker", "hourglass", "checkmark", "hifispeaker"}));
    EXPECT_NE(server->serverPID(), before);
    EXPECT_TRUE(settingsText().contains(QStringLiteral("restartCount=1")));
    EXPECT_TRUE(settingsText().contains(QStringLiteral("lastRestart=20")));

    // The new server is read, and its default input watched: the microphone rule acts on it.
    EXPECT_EQ(app->menuTitles().at(2), "Output: Built-in Speakers · 48 kHz");
    app->action(QStringLiteral("Keep the Built-in Microphone as Input"))->trigger();
    server->pactl({"set-default-source", "bt_headset_mic"});
    EXPECT_TRUE(
        pumpUntil([&] { return server->pactl({"get-default-source"}) == "builtin_mic"; }, 5s));
}

TEST_F(TrayAppTest, SettingsSurviveARelaunchAndADamagedFileIsSurvived) {
    markWelcomed();
    {
        auto app = launch();
        app->action(QStringLiteral("Restart After Waking from Sleep"))->trigger();
    }
    auto relaunched = launch();
    EXPECT_TRUE(relaunched->action(QStringLiteral("Restart After Waking from Sleep"))->isChecked());
    relaunched.reset();

    QFile file(settingsPath);
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("\n\xFF\xFE garbage [[[\nrestartCount=lots\nlastRestart=never\n");
    file.close();
    auto damaged = launch();
    const auto titles = damaged->menuTitles();
    EXPECT_EQ(titles.at(4), "Not restarted yet");
    EXPECT_TRUE(damaged->action(QStringLiteral("Restart After Waking from Sleep"))->isChecked());
}

} // namespace
} // namespace sonifix::testing

int main(int argc, char** argv) {
    using namespace sonifix::testing;
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) {
        return RUN_ALL_TESTS();
    }
    // Qt's own event loop rather than GLib's, whose hand-overs ThreadSanitizer cannot follow.
    ::setenv("QT_NO_GLIB", "1", 1);
    VirtualDisplay::start();
    std::unique_ptr<ChildProcess> trayHost;
    if (!VirtualDisplay::unavailable() && ChildProcess::installed("trayer")) {
        trayHost = ChildProcess::start({"trayer", "--edge", "top", "--align", "right",
                                        "--widthtype", "request", "--height", "28"});
    }
    int result = 0;
    {
        QApplication app(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        // The tray host announces itself on the display a moment after it starts.
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (trayHost && !QSystemTrayIcon::isSystemTrayAvailable() &&
               std::chrono::steady_clock::now() < deadline) {
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        }
        result = RUN_ALL_TESTS();
    }
    trayHost.reset();
    VirtualDisplay::stop();
    return result;
}
