// One app per session: the tray app on its real adapters and a private sound server, serving
// on a private session bus, and the real program launched beside it as a user or script would.

#include "../e2e/SoundServerHarness.h"
#include "DBusSingleInstance.h"
#include "LinuxApp.h"
#include "desktop/EventLoop.h"
#include "desktop/FakePortal.h"
#include "desktop/PrivateBus.h"
#include "desktop/PrivateDesktop.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace sonifix::testing {
namespace {

using namespace std::chrono_literals;

struct Run {
    int exitCode = -1;
    std::string out;
    std::string err;
    std::chrono::milliseconds took{};
};

// The program, run to its end while this process goes on serving its own events.
Run sonifix(const QStringList& arguments) {
    QProcess program;
    QElapsedTimer clock;
    clock.start();
    program.start(QStringLiteral(SONIFIX_PROGRAM), arguments);
    program.waitForStarted();
    const bool ended = pumpUntil([&] { return program.state() == QProcess::NotRunning; }, 30s);
    if (!ended) {
        program.kill();
        program.waitForFinished();
    }
    return {.exitCode = ended ? program.exitCode() : -1,
            .out = program.readAllStandardOutput().toStdString(),
            .err = program.readAllStandardError().toStdString(),
            .took = std::chrono::milliseconds(clock.elapsed())};
}

class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const auto missing = SoundServerHarness::missingPrograms(ServerKind::pulseaudio);
            !missing.empty()) {
            GTEST_SKIP() << "not installed: " << missing.front();
        }
        server.emplace(ServerKind::pulseaudio);
        server->start();
        const auto settingsPath = folder.filePath(QStringLiteral("Sonifix.ini"));
        QSettings(settingsPath, QSettings::IniFormat).setValue("welcomed", "true");
        app = std::make_unique<LinuxApp>(LinuxApp::Places{
            .settingsFile = settingsPath,
            .soundServer = server->serverAddress(),
            .owners = server->owners(),
            .autostartDirectory = folder.filePath(QStringLiteral("autostart")).toStdString(),
            .executable = "/usr/bin/sonifix",
        });
    }

    PrivateBus bus;
    QTemporaryDir folder;
    std::optional<SoundServerHarness> server;
    std::unique_ptr<LinuxApp> app;
};

TEST_F(SingleInstanceTest, TheRunningAppAnswersTheCommandLineAndASecondLaunch) {
    // Nobody holds the name yet: a command would find no app to ask.
    DBusSingleInstance instance;
    EXPECT_FALSE(instance.launchRunning());
    EXPECT_EQ(instance.restartRunning(), std::nullopt);
    EXPECT_EQ(instance.statusOfRunning(), std::nullopt);

    // Everything below asks this app; none of it may fall back to a restart of its own, which
    // would look for a server among the user's processes.
    ASSERT_EQ(instance.claim(), SingleInstance::Claim::claimed);
    instance.serve(app->delegate);
    app->launch();

    auto status = sonifix({"--status", "--json"});
    ASSERT_EQ(status.exitCode, 0) << status.err;
    auto json = nlohmann::json::parse(status.out);
    EXPECT_EQ(json["server"], "PulseAudio");
    EXPECT_EQ(json["pid"], server->serverPID());
    EXPECT_EQ(json["output"], "Built-in Speakers · 48 kHz");
    EXPECT_EQ(json["input"], "Built-in Microphone · 44.1 kHz");
    EXPECT_TRUE(json["lastRestart"].is_null());
    EXPECT_EQ(json["restartCount"], 0);

    const auto before = server->serverPID();
    const auto restart = sonifix({"--restart"});
    EXPECT_EQ(restart.exitCode, 0) << restart.err;
    EXPECT_NE(server->serverPID(), before);
    EXPECT_EQ(app->statusItem.symbol(), "checkmark");
    status = sonifix({"--status"});
    EXPECT_EQ(status.exitCode, 0) << status.err;
    EXPECT_NE(status.out.find("Sound server: PulseAudio, PID " +
                              std::to_string(server->serverPID()) + "\n"),
              std::string::npos)
        << status.out;
    EXPECT_NE(status.out.find(" · 1 total\n"), std::string::npos) << status.out;

    // Launched again: the new process ends at once, and the running app says where it is.
    std::string notice;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* dialog = QApplication::activeModalWidget()) {
            for (const auto* label : dialog->findChildren<QLabel*>()) {
                notice += label->text().toStdString() + "\n";
            }
            for (auto* button : dialog->findChildren<QPushButton*>()) {
                button->click();
            }
        }
    });
    closer.start(50);
    // Within a second of what merely starting the program takes on this build (a sanitizer's
    // build starts several times slower).
    const auto start = sonifix({"--version"});
    const auto again = sonifix({});
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_LT(again.took, start.took + 1s) << "starting alone took " << start.took.count() << " ms";
    EXPECT_TRUE(pumpUntil([&] { return !notice.empty(); }, 5s));
    EXPECT_NE(notice.find("Sonifix is already running"), std::string::npos) << notice;
    closer.stop();

    // Another process finds the place taken.
    DBusSingleInstance other(bus.connect(QStringLiteral("other")));
    EXPECT_EQ(other.claim(), SingleInstance::Claim::taken);
}

// The menu item of the shortcut, as the menu is about to show.
QAction* shortcutItem(LinuxApp& app) {
    emit app.menu.widget()->aboutToShow();
    for (auto* action : app.menu.widget()->actions()) {
        if (action->text().startsWith(QStringLiteral("Global Shortcut"))) {
            return action;
        }
    }
    return nullptr;
}

// Without X11 (Qt's offscreen platform here, a Wayland compositor on a desktop) the shortcut
// goes through the portal, when there is one.
TEST_F(SingleInstanceTest, ThePortalsShortcutRestartsAndWithoutAPortalTheMenuSaysThereIsNone) {
    app->launch();
    auto* item = shortcutItem(*app);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text().toStdString(), "Global Shortcut: Not Available on This Desktop");
    EXPECT_FALSE(item->isChecked());
    EXPECT_FALSE(item->isEnabled());
    app.reset();

    FakePortal portal(bus.connect(QStringLiteral("portal")));
    // The user picked other keys when the desktop asked: the menu names those once bound.
    portal.chooseTrigger(QStringLiteral("Super+F12"));
    SetUp();
    app->launch();
    EXPECT_TRUE(pumpUntil(
        [&] { return shortcutItem(*app)->text() == QStringLiteral("Global Shortcut Super+F12"); },
        5s));
    EXPECT_TRUE(shortcutItem(*app)->isChecked());
    EXPECT_EQ(portal.seen().registeredAppId, QStringLiteral("sonifix"));

    const auto before = server->serverPID();
    portal.press();
    EXPECT_TRUE(pumpUntil([&] { return app->statusItem.symbol() == "checkmark"; }, 15s));
    EXPECT_NE(server->serverPID(), before);
}

} // namespace
} // namespace sonifix::testing

// This test starts the program with QProcess from a process that already runs threads (Qt's,
// libdbus', the sound server's supervisor). The child only sets itself up and execs, which
// ThreadSanitizer takes for "threads after a multi-threaded fork" and ends the run for; a
// limit of the tool, not a race, so it is told to go on.
extern "C" const char* __tsan_default_options();
extern "C" const char* __tsan_default_options() {
    return "die_after_fork=0";
}

// The uninstrumented libraries' hand-overs that ThreadSanitizer cannot follow: the program under
// test leaves out the same reports as this test does (races in our own code still count).
extern "C" const char* __tsan_default_suppressions();

int main(int argc, char** argv) {
    // Nothing here is drawn. The program under test inherits the private desktop.
    sonifix::testing::PrivateDesktop::enter(argc, argv, {.display = false});
    ::testing::InitGoogleTest(&argc, argv);
    // The program under test leaves out the same reports as this test does.
    const QTemporaryDir folder;
    const auto suppressions = folder.filePath(QStringLiteral("tsan-suppressions")).toStdString();
    if (FILE* file = std::fopen(suppressions.c_str(), "w")) {
        std::fputs(__tsan_default_suppressions(), file);
        std::fclose(file);
    }
    const char* options = std::getenv("TSAN_OPTIONS");
    ::setenv(
        "TSAN_OPTIONS",
        ((options ? std::string(options) + ":" : std::string()) + "suppressions=" + suppressions)
            .c_str(),
        1);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}
