// One app per session: the tray app on its real adapters and a private sound server, serving
// on the private desktop's session bus, and the real program launched beside it as a user or
// script would.

#include "DBusSingleInstance.h"
#include "DesktopAppTest.h"
#include "FakePortal.h"
#include "PrivateBus.h"
#include "PrivateDesktop.h"

#include <QElapsedTimer>
#include <QProcess>
#include <csignal>
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

// The program, started as a script would start it.
std::unique_ptr<QProcess> start(const QStringList& arguments) {
    auto program = std::make_unique<QProcess>();
    program->start(QStringLiteral(SONIFIX_PROGRAM), arguments);
    program->waitForStarted();
    return program;
}

// Waits for the program's end while this process goes on serving its own events (-1 when it
// has not ended in time, or was killed).
Run finish(QProcess& program) {
    const bool ended = pumpUntil([&] { return program.state() == QProcess::NotRunning; }, 30s);
    return {.exitCode =
                ended && program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
            .out = program.readAllStandardOutput().toStdString(),
            .err = program.readAllStandardError().toStdString()};
}

// The program, run to its end.
Run sonifix(const QStringList& arguments) {
    QElapsedTimer clock;
    clock.start();
    auto run = finish(*start(arguments));
    run.took = std::chrono::milliseconds(clock.elapsed());
    return run;
}

// What the running app announces of its properties.
class PropertyChanges : public QObject {
    Q_OBJECT
public Q_SLOTS:
    void changed(const QString&, const QVariantMap& properties, const QStringList&) {
        seen.push_back(properties);
    }

public:
    std::vector<QVariantMap> seen;
};

// There is no tray here (no display at all): the app never gets to say so within a test.
constexpr auto noTrayNotice = std::chrono::hours(1);

using SingleInstanceTest = DesktopAppTest;

TEST_F(SingleInstanceTest, TheRunningAppAnswersTheCommandLineASecondLaunchAndHasNoShortcutHere) {
    setWelcomed(true);
    // Nobody holds the name yet: a command would find no app to ask.
    DBusSingleInstance instance;
    EXPECT_FALSE(instance.launchRunning());
    EXPECT_EQ(instance.restartRunning(), std::nullopt);
    EXPECT_EQ(instance.statusOfRunning(), std::nullopt);

    // Everything below asks this app; none of it may fall back to a restart of its own, which
    // would look for a server among the user's processes.
    auto app = make(noTrayNotice);
    ASSERT_EQ(instance.claim(), SingleInstance::Claim::claimed);
    instance.serve(app->delegate);
    app->launch();
    // Without X11 (Qt's offscreen platform here, a Wayland compositor on a desktop) and with no
    // portal, there is no shortcut, and the menu says so.
    ASSERT_TRUE(pumpUntil(
        [&] { return menuAction(*app, QStringLiteral("Global Shortcut: Not Available")); }, 5s));
    const auto* shortcut = menuAction(*app, QStringLiteral("Global Shortcut: Not Available"));
    EXPECT_FALSE(shortcut->isChecked() || shortcut->isEnabled());

    auto status = sonifix({"--status", "--json"});
    ASSERT_EQ(status.exitCode, 0) << status.err;
    auto json = nlohmann::json::parse(status.out);
    EXPECT_EQ(json["server"], "PulseAudio");
    EXPECT_EQ(json["pid"], server->serverPID());
    EXPECT_EQ(json["output"], "Built-in Speakers · 48 kHz");
    EXPECT_EQ(json["input"], "Built-in Microphone · 44.1 kHz");
    EXPECT_TRUE(json["lastRestart"].is_null());
    EXPECT_EQ(json["restartCount"], 0);
    EXPECT_EQ(json["soundServer"]["name"], "PulseAudio");
    EXPECT_FALSE(json["soundServer"]["version"].get<std::string>().empty());
    EXPECT_EQ(json["outputDevice"], nlohmann::json::parse(R"({"name": "speakers",
        "description": "Built-in Speakers", "rateHz": 48000, "transport": "builtIn"})"));
    EXPECT_EQ(json["inputDevice"]["name"], "builtin_mic");
    EXPECT_EQ(json["restarting"], false);

    PropertyChanges changes;
    ASSERT_TRUE(QDBusConnection::sessionBus().connect(
        DBusSingleInstance::serviceName, DBusSingleInstance::objectPath,
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"),
        &changes, SLOT(changed(QString, QVariantMap, QStringList))));
    const auto before = server->serverPID();
    const auto restart = sonifix({"--restart"});
    EXPECT_EQ(restart.exitCode, 0) << restart.err;
    EXPECT_NE(server->serverPID(), before);
    ASSERT_TRUE(pumpUntil([&] { return !changes.seen.empty(); }));
    EXPECT_EQ(changes.seen[0].value(QStringLiteral("RestartCount")), 1);
    EXPECT_EQ(app->statusItem.symbol(), "checkmark");
    status = sonifix({"--status"});
    EXPECT_EQ(status.exitCode, 0) << status.err;
    EXPECT_NE(status.out.find("Sound server: PulseAudio, PID " +
                              std::to_string(server->serverPID()) + "\n"),
              std::string::npos)
        << status.out;
    EXPECT_NE(status.out.find(" · 1 total\n"), std::string::npos) << status.out;
    server->freeze();
    EXPECT_EQ(sonifix({"--status"}).exitCode, 3) << "no server answers";
    server->thaw();

    // Launched again: the new process ends at once, and the running app says where it is.
    // Within a second of what merely starting the program takes on this build (a sanitizer's
    // build starts several times slower).
    const auto start = sonifix({"--version"});
    const auto again = sonifix({});
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_LT(again.took, start.took + 1s) << "starting alone took " << start.took.count() << " ms";
    ASSERT_TRUE(pumpUntil([&] { return !dialogs.empty(); }, 5s));
    EXPECT_NE(dialogs[0].find("Sonifix is already running"), std::string::npos) << dialogs[0];
}

// With no app, a command does the restart itself, and one at a time in a session: commands
// close together join the one under way. Whoever runs it (a key binding, a script) waits for the
// restart alone, and hears why it failed. Cut short by SIGTERM, or by the app's Quit, a restart
// still brings the server back, and whoever waits for it hears why it ended early.
TEST_F(SingleInstanceTest, CommandsShareTheRestartUnderWayNeverWaitOnAWindowNorEndWithoutAServer) {
    qputenv("XDG_CONFIG_HOME", folder.path().toUtf8()); // the commands' settings, not the user's
    qputenv("PULSE_SERVER", folder.filePath("none").prepend("unix:").toUtf8()); // no server
    auto run = sonifix({"--restart"});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_TRUE(run.err.starts_with("sonifix: ") && run.err.size() > 20) << run.err;
    EXPECT_LT(run.took, 20s); // the restart's 10 seconds, its stop, the program's start

    qputenv("PULSE_SERVER", QByteArray::fromStdString(server->serverAddress()));
    // The commands run in the server's session, whose environment a server started again gets.
    for (const auto& entry : server->session().environment) {
        const auto name = entry.substr(0, entry.find('='));
        if (name != "DBUS_SESSION_BUS_ADDRESS" && name != "PATH") {
            qputenv(name.c_str(), QByteArray::fromStdString(entry.substr(name.size() + 1)));
        }
    }
    server->setRespawn(false); // from here on only Sonifix brings the server back
    // The server there, then gone: a restart has stopped it.
    const auto stopped = [&] {
        return pumpUntil([&] { return server->serverPID() != 0; }, 5s) &&
               pumpUntil([&] { return server->serverPID() == 0; }, 10s);
    };
    const auto before = server->serverPID();
    auto first = start({"--restart"});
    ASSERT_TRUE(stopped());
    auto second = start({"--restart"}); // while the server is away
    for (auto* command : {first.get(), second.get()}) {
        run = finish(*command);
        EXPECT_EQ(run.exitCode, 0) << run.err;
    }
    EXPECT_NE(server->serverPID(), before);

    auto command = start({"--restart"});
    ASSERT_TRUE(stopped());
    ::kill(static_cast<pid_t>(command->processId()), SIGTERM);
    run = finish(*command);
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_TRUE(server->waitUntilAnswering(5s)) << run.err;

    server->setRespawn(true); // whatever happened above, the app finds a server
    ASSERT_TRUE(server->waitUntilAnswering(10s));
    server->setRespawn(false);
    DBusSingleInstance instance;
    auto app = make(noTrayNotice);
    ASSERT_EQ(instance.claim(), SingleInstance::Claim::claimed);
    instance.serve(app->delegate);
    command = start({"--restart"});
    ASSERT_TRUE(stopped());
    app.reset(); // what Quit leaves once the event loop has returned
    run = finish(*command);
    EXPECT_TRUE(run.err.starts_with("sonifix: Sonifix quit before the restart had ended.\n"))
        << run.err;
    EXPECT_TRUE(server->waitUntilAnswering(5s));
}

// Without X11 the shortcut goes through the portal, when there is one.
TEST_F(SingleInstanceTest, ThePortalsShortcutRestartsTheServerUnderTheKeysTheUserPicked) {
    setWelcomed(true);
    PrivateBus bus;
    FakePortal portal(bus.connect(QStringLiteral("portal")));
    // The user picked other keys when the desktop asked: the menu names those once bound.
    portal.chooseTrigger(QStringLiteral("Super+F12"));
    auto app = launch(noTrayNotice);
    EXPECT_TRUE(pumpUntil(
        [&] {
            return menuAction(*app, QStringLiteral("Global Shortcut"))->text() ==
                   QStringLiteral("Global Shortcut Super+F12");
        },
        5s));
    EXPECT_TRUE(menuAction(*app, QStringLiteral("Global Shortcut"))->isChecked());
    EXPECT_EQ(portal.calls().value(0), QStringLiteral("Register sonifix"));

    const auto before = server->serverPID();
    portal.press();
    EXPECT_TRUE(pumpUntil([&] { return app->statusItem.symbol() == "checkmark"; }, 15s));
    EXPECT_NE(server->serverPID(), before);
}

} // namespace
} // namespace sonifix::testing

#include "SingleInstanceTest.moc"

// This test starts the program with QProcess from a process that already runs threads (Qt's,
// libdbus', the sound server's supervisor). The child only sets itself up and execs, which
// ThreadSanitizer takes for "threads after a multi-threaded fork" and ends the run for; a
// limit of the tool, not a race, so it is told to go on.
extern "C" const char* __tsan_default_options();
extern "C" const char* __tsan_default_options() {
    return "die_after_fork=0";
}

int main(int argc, char** argv) {
    // Nothing here is drawn. The program under test inherits the private desktop.
    sonifix::testing::PrivateDesktop::enter(argc, argv, {.display = false});
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}
