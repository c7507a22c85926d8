// The whole Linux app on its real adapters: a virtual X display with a tray host, a private
// sound server that is brought back when it is stopped, and a person's clicks and key presses.

#include "../e2e/SoundServerHarness.h"
#include "LinuxApp.h"
#include "desktop/ChildProcess.h"
#include "desktop/EventLoop.h"
#include "desktop/PrivateDesktop.h"

#include <QAction>
#include <QApplication>
#include <QDBusConnection>
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

// The menu as it is about to show: rebuilt, as on every opening.
std::vector<std::string> menuTitles(LinuxApp& app) {
    emit app.menu.widget()->aboutToShow();
    std::vector<std::string> titles;
    for (const auto* action : app.menu.widget()->actions()) {
        titles.push_back(action->isSeparator() ? "---" : action->text().toStdString());
    }
    return titles;
}

QAction* menuAction(LinuxApp& app, const QString& title) {
    emit app.menu.widget()->aboutToShow();
    for (auto* candidate : app.menu.widget()->actions()) {
        if (candidate->text() == title) {
            return candidate;
        }
    }
    return nullptr;
}

// A media player on the session bus, under a name no list of players holds, served from the
// main thread: it answers only while the event loop runs.
class StandInPlayer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)

public:
    StandInPlayer(const QString& name, QString status)
        : status(std::move(status)),
          connection(QDBusConnection::connectToBus(QDBusConnection::SessionBus, name)) {
        connection.registerObject(QStringLiteral("/org/mpris/MediaPlayer2"), this,
                                  QDBusConnection::ExportAllSlots |
                                      QDBusConnection::ExportAllProperties);
        connection.registerService(name);
    }
    ~StandInPlayer() override { QDBusConnection::disconnectFromBus(connection.name()); }

    QString playbackStatus() const { return status; }
    std::vector<std::string> calls;

public Q_SLOTS:
    void Pause() { calls.emplace_back("Pause"); }
    void Play() { calls.emplace_back("Play"); }

private:
    QString status;
    QDBusConnection connection;
};

class TrayAppTest : public ::testing::Test {
protected:
    void SetUp() override {
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

    std::unique_ptr<LinuxApp> launch() {
        auto app = std::make_unique<LinuxApp>(LinuxApp::Places{
            .settingsFile = settingsPath,
            .soundServer = server->serverAddress(),
            .owners = server->owners(),
            .autostartDirectory = folder.filePath(QStringLiteral("autostart")).toStdString(),
            .executable = "/usr/bin/sonifix",
        });
        app->launch();
        return app;
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
    EXPECT_EQ(app->statusItem.symbol(), "hifispeaker");
    EXPECT_TRUE(settingsText().contains(QStringLiteral("welcomed=true")));
    app.reset();

    auto again = launch();
    EXPECT_FALSE(pumpUntil([] { return QApplication::activeModalWidget() != nullptr; }, 800ms));
}

TEST_F(TrayAppTest, AClickOnTheIconOpensTheMenuWithTheDevices) {
    markWelcomed();
    auto app = launch();
    auto* tray = app->statusItem.widget();
    // Embedded by the tray host: the icon then has a place on the screen.
    ASSERT_TRUE(pumpUntil([&] { return tray->geometry().x() > 0; }, 5s));
    pumpFor(300ms);
    const auto where = tray->geometry().center();
    ChildProcess::run({"xdotool", "mousemove", std::to_string(where.x()), std::to_string(where.y()),
                       "click", "1"});
    ASSERT_TRUE(pumpUntil([&] { return app->menu.widget()->isVisible(); }, 5s));

    std::vector<std::string> titles;
    for (const auto* action : app->menu.widget()->actions()) {
        titles.push_back(action->isSeparator() ? "---" : action->text().toStdString());
    }
    ASSERT_GE(titles.size(), 6u);
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
    // The icon, as it changes: sampled far more often than it may change.
    std::vector<std::string> shown{app->statusItem.symbol()};
    const auto watch = [&](const std::string& until, std::chrono::milliseconds limit) {
        return pumpUntil(
            [&] {
                if (app->statusItem.symbol() != shown.back()) {
                    shown.push_back(app->statusItem.symbol());
                }
                return shown.back() == until && shown.size() > 1;
            },
            limit);
    };
    ASSERT_TRUE(watch("checkmark", 15s));
    EXPECT_TRUE(watch("hifispeaker", 4s));
    EXPECT_EQ(shown,
              (std::vector<std::string>{"hifispeaker", "hourglass", "checkmark", "hifispeaker"}));
    EXPECT_NE(server->serverPID(), before);
    EXPECT_TRUE(settingsText().contains(QStringLiteral("restartCount=1")));
    EXPECT_TRUE(settingsText().contains(QStringLiteral("lastRestart=20")));

    // The new server is read, and its default input watched: the microphone rule acts on it.
    EXPECT_EQ(menuTitles(*app).at(2), "Output: Built-in Speakers · 48 kHz");
    menuAction(*app, QStringLiteral("Keep the Built-in Microphone as Input"))->trigger();
    server->pactl({"set-default-source", "bt_headset_mic"});
    EXPECT_TRUE(
        pumpUntil([&] { return server->pactl({"get-default-source"}) == "builtin_mic"; }, 5s));
}

TEST_F(TrayAppTest, ARestartResumesThePlayersThatWerePlayingWithoutHoldingTheMainThread) {
    markWelcomed();
    StandInPlayer playing(QStringLiteral("org.mpris.MediaPlayer2.sonifixStandIn"),
                          QStringLiteral("Playing"));
    StandInPlayer paused(QStringLiteral("org.mpris.MediaPlayer2.quietOne.instance7"),
                         QStringLiteral("Paused"));
    auto app = launch();
    menuAction(*app, QStringLiteral("Restart PulseAudio"))->trigger();
    // The players are asked, and nudged, from a worker: the main thread turns freely meanwhile,
    // through the pause between Pause and Play.
    QElapsedTimer turn;
    turn.start();
    qint64 longestTurn = 0;
    ASSERT_TRUE(pumpUntil(
        [&] {
            longestTurn = std::max(longestTurn, turn.restart());
            return playing.calls.size() == 2;
        },
        15s));
    EXPECT_EQ(playing.calls, (std::vector<std::string>{"Pause", "Play"}));
    EXPECT_TRUE(paused.calls.empty());
    EXPECT_LT(longestTurn, 250);
}

// Under AddressSanitizer this is where a delegate outliving the adapters would show.
TEST_F(TrayAppTest, QuitDuringARestartEndsAtOnceAndTouchesNothingFreed) {
    markWelcomed();
    auto app = launch();
    menuAction(*app, QStringLiteral("Restart PulseAudio"))->trigger();
    ASSERT_TRUE(pumpUntil([&] { return app->statusItem.symbol() == "hourglass"; }, 5s));
    pumpFor(100ms);
    QElapsedTimer quitting;
    quitting.start();
    app.reset();
    EXPECT_LT(quitting.elapsed(), 2000);
    // Whatever the restart left for the event loop is gone with the app.
    pumpFor(300ms);
}

TEST_F(TrayAppTest, SettingsSurviveARelaunchAndADamagedFileIsSurvived) {
    markWelcomed();
    {
        auto app = launch();
        menuAction(*app, QStringLiteral("Restart After Waking from Sleep"))->trigger();
    }
    auto relaunched = launch();
    EXPECT_TRUE(
        menuAction(*relaunched, QStringLiteral("Restart After Waking from Sleep"))->isChecked());
    relaunched.reset();

    QFile file(settingsPath);
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("\n\xFF\xFE garbage [[[\nrestartCount=lots\nlastRestart=never\n");
    file.close();
    auto damaged = launch();
    const auto titles = menuTitles(*damaged);
    EXPECT_EQ(titles.at(4), "Not restarted yet");
    EXPECT_TRUE(
        menuAction(*damaged, QStringLiteral("Restart After Waking from Sleep"))->isChecked());
}

} // namespace
} // namespace sonifix::testing

#include "TrayAppTest.moc"

int main(int argc, char** argv) {
    using namespace sonifix::testing;
    // A desktop of the run's own: the tray host found there, and the players the shortcut
    // pauses, are the test's, never those of the person running it.
    PrivateDesktop::enter(argc, argv, {});
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) {
        return RUN_ALL_TESTS();
    }
    std::unique_ptr<ChildProcess> trayHost;
    if (ChildProcess::installed("trayer")) {
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
    return result;
}
