// The whole Linux app on its real adapters, on a virtual X display: with an XEmbed tray host
// there from the start, or (TrayWaitTest) with none, where a StatusNotifierItem host may come later
// and a headless Wayland compositor runs beside it. A person's clicks and key presses.

#include "ChildProcess.h"
#include "DesktopAppTest.h"
#include "FakePlayer.h"
#include "PrivateBus.h"
#include "PrivateDesktop.h"
#include "SystemTrayProbe.h"

#include <QDBusArgument>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

namespace sonifix::testing {
namespace {

using namespace std::chrono_literals;

using TrayAppTest = DesktopAppTest;

// A person's first launch and click, the shortcut at the next, and a quit during a restart: under
// AddressSanitizer, where a delegate outliving the adapters would show.
TEST_F(TrayAppTest, LaunchClickTheShortcutWithAPlayerAndAQuitDuringARestartAsAPersonDoes) {
    if (!ChildProcess::installed("xdotool")) {
        GTEST_SKIP() << "not installed: xdotool";
    }
    // The tray host announces itself on the display a moment after it starts.
    ASSERT_TRUE(pumpUntil(&SystemTrayProbe::xembedManager, 5s)) << "no XEmbed tray";
    auto app = launch();
    ASSERT_TRUE(pumpUntil([&] { return !dialogs.empty(); }, 5s));
    EXPECT_EQ(dialogs[0].substr(0, dialogs[0].find('\n')), "Sonifix is in your system tray");

    auto* tray = app->statusItem.widget();
    // Embedded by the tray host: the icon then has a place on the screen.
    ASSERT_TRUE(pumpUntil([&] { return tray->geometry().x() > 0; }, 5s));
    // Drawn from the shipped pictures, with no library loaded for the rest of the program's life.
    EXPECT_FALSE(tray->icon().isNull());
    QFile maps(QStringLiteral("/proc/self/maps"));
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    const auto mapped = maps.readAll();
    EXPECT_FALSE(mapped.contains("libQt6Svg") || mapped.contains("imageformats")) << mapped.data();
    pumpFor(300ms);
    const auto where = tray->geometry().center();
    ChildProcess::run({"xdotool", "mousemove", std::to_string(where.x()), std::to_string(where.y()),
                       "click", "1"});
    ASSERT_TRUE(pumpUntil([&] { return app->menu.widget()->isVisible(); }, 5s));
    const auto titles = menuTitles(*app);
    ASSERT_GE(titles.size(), 7u);
    EXPECT_EQ(
        std::vector(titles.begin(), titles.begin() + 7),
        (std::vector<std::string>{"Restart PulseAudio", "---", "Output: Built-in Speakers · 48 kHz",
                                  "Input: Built-in Microphone · 44.1 kHz", "Not restarted yet",
                                  "Nothing wrong seen with the sound", "---"}));
    EXPECT_FALSE(menuAction(*app, QStringLiteral("Restart Automatically"))->isChecked());
    EXPECT_EQ(titles.back(), "Quit Sonifix");
    EXPECT_EQ(std::count(titles.begin(), titles.end(), "Quit Sonifix"), 1)
        << "refilled, not added to";
    EXPECT_FALSE(menuAction(*app, QStringLiteral("Output:"))->isEnabled());
    EXPECT_TRUE(menuAction(*app, QStringLiteral("Resume Media Players"))->isChecked());
    const auto* microphone = menuAction(*app, QStringLiteral("Keep the Built-in Microphone"));
    EXPECT_FALSE(microphone->isChecked());
    EXPECT_TRUE(microphone->toolTip().startsWith(QStringLiteral("When a Bluetooth headset")));
    EXPECT_EQ(menuAction(*app, QStringLiteral("Restart PulseAudio"))->shortcut().toString(),
              QStringLiteral("Ctrl+R"));
    app->menu.widget()->hide();
    app.reset();

    auto again = launch();
    pumpFor(800ms);
    EXPECT_EQ(dialogs.size(), 1u) << "welcomed once, and remembered";
    // The shortcut, with a player playing under a name no list of players holds. The players are
    // asked, and nudged, from a worker: the main thread turns freely meanwhile, through the pause
    // between Pause and Play. The player is gone before the quit below, which is the app's alone.
    {
        PrivateBus bus;
        FakePlayer playing(bus, QStringLiteral("org.mpris.MediaPlayer2.sonifixStandIn"),
                           QStringLiteral("Playing"));
        const auto before = server->serverPID();
        ChildProcess::run({"xdotool", "key", "ctrl+alt+super+r"});
        // The icon, as it changes: sampled far more often than it may change.
        std::vector<std::string> shown{again->statusItem.symbol()};
        QElapsedTimer turn;
        turn.start();
        qint64 longestTurn = 0;
        EXPECT_TRUE(pumpUntil(
            [&] {
                longestTurn = std::max(longestTurn, turn.restart());
                if (again->statusItem.symbol() != shown.back()) {
                    shown.push_back(again->statusItem.symbol());
                }
                return shown.size() == 4 && playing.calls.size() == 2;
            },
            19s));
        EXPECT_EQ(shown, (std::vector<std::string>{"hifispeaker", "hourglass", "checkmark",
                                                   "hifispeaker"}));
        EXPECT_NE(server->serverPID(), before);
        ASSERT_EQ(playing.calls.size(), 2u);
        EXPECT_EQ(playing.calls[0].first, "Pause");
        EXPECT_EQ(playing.calls[1].first, "Play");
        // Held through the nudge, one turn would last the pause and more: the player answers
        // from this thread, so each call to it would wait out the host's one-second time-out.
        // Turns that only work run to a few hundred milliseconds under a sanitizer and load.
        EXPECT_LT(longestTurn, 1000);

        // The new server is read, and its default input watched: the microphone rule acts on it.
        EXPECT_EQ(menuTitles(*again).at(2), "Output: Built-in Speakers · 48 kHz");
        menuAction(*again, QStringLiteral("Keep the Built-in Microphone as Input"))->trigger();
        server->pactl({"set-default-source", "bt_headset_mic"});
        EXPECT_TRUE(
            pumpUntil([&] { return server->pactl({"get-default-source"}) == "builtin_mic"; }, 5s));
    }

    menuAction(*again, QStringLiteral("Restart PulseAudio"))->trigger();
    ASSERT_TRUE(pumpUntil([&] { return again->statusItem.symbol() == "hourglass"; }, 5s));
    pumpFor(100ms);
    QElapsedTimer quitting;
    quitting.start();
    again.reset();
    EXPECT_LT(quitting.elapsed(), 2000);
    // Whatever the restart left for the event loop is gone with the app.
    pumpFor(300ms);
}

const auto watcherName = QStringLiteral("org.kde.StatusNotifierWatcher");

// The labels of a DBusMenu layout, depth first.
void collectLabels(const QDBusArgument& layout, QStringList& labels) {
    int id = 0;
    QVariantMap properties;
    layout.beginStructure();
    layout >> id >> properties;
    labels << properties.value(QStringLiteral("label")).toString();
    layout.beginArray();
    while (!layout.atEnd()) {
        QDBusVariant child;
        layout >> child;
        collectLabels(child.variant().value<QDBusArgument>(), labels);
    }
    layout.endArray();
    layout.endStructure();
}

// A panel's tray as a StatusNotifierItem host: registered with the desktop's watcher.
class StatusNotifierHost {
public:
    StatusNotifierHost() : connection(bus.connect(QStringLiteral("host"))) {
        const auto name = QStringLiteral("org.kde.StatusNotifierHost-%1").arg(getpid());
        connection.registerService(name);
        // The watcher may take its name before it serves: asked until it counts the host.
        pumpUntil(
            [&] {
                ask(watcherName, QStringLiteral("/StatusNotifierWatcher"), watcherName,
                    QStringLiteral("RegisterStatusNotifierHost"), {name});
                return SystemTrayProbe::statusNotifierHost();
            },
            5s);
    }

    // The app answers on this thread: every call waits with the event loop turning.
    QDBusMessage ask(const QString& service, const QString& path, const QString& interface,
                     const QString& method, const QVariantList& arguments = {}) {
        auto call = QDBusMessage::createMethodCall(service, path, interface, method);
        call.setArguments(arguments);
        auto pending = connection.asyncCall(call, 5000);
        pumpUntil([&] { return pending.isFinished(); }, 6s);
        return pending.reply();
    }

    // The bus name of the first item registered with the watcher; empty while there is none.
    QString item() {
        const auto reply =
            ask(watcherName, QStringLiteral("/StatusNotifierWatcher"),
                QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                {watcherName, QStringLiteral("RegisteredStatusNotifierItems")});
        const auto items =
            reply.arguments().value(0).value<QDBusVariant>().variant().toStringList();
        return items.isEmpty() ? QString() : items.front().section(QLatin1Char('/'), 0, 0);
    }

    // The item's menu as the host shows it on a click: asked to be ready, then read.
    QStringList openMenu(const QString& service) {
        const auto dbusMenu = QStringLiteral("com.canonical.dbusmenu");
        ask(service, QStringLiteral("/MenuBar"), dbusMenu, QStringLiteral("AboutToShow"), {0});
        const auto reply = ask(service, QStringLiteral("/MenuBar"), dbusMenu,
                               QStringLiteral("GetLayout"), {0, -1, QStringList()});
        QStringList labels;
        collectLabels(reply.arguments().value(1).value<QDBusArgument>(), labels);
        return labels;
    }

private:
    PrivateBus bus;
    QDBusConnection connection;
};

// The desktop's notification server, as Plasma or GNOME Shell runs one.
class NotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    NotificationServer() : connection(bus.connect(QStringLiteral("notifications"))) {
        connection.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                                  QDBusConnection::ExportAllSlots);
        connection.registerService(QStringLiteral("org.freedesktop.Notifications"));
    }

    std::vector<std::pair<std::string, std::string>> shown; // title, body

public Q_SLOTS:
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap&, int) {
        shown.emplace_back(summary.toStdString(), body.toStdString());
        return uint(shown.size());
    }

private:
    PrivateBus bus;
    QDBusConnection connection;
};

class TrayWaitTest : public DesktopAppTest {
protected:
    void SetUp() override {
        // Qt looks for a StatusNotifierItem host once, when the first icon is made: nothing here
        // may make one before the app does. A desktop of the wrong kind fails rather than skips,
        // so that a lost CTest setting cannot pass unseen.
        ASSERT_FALSE(SystemTrayProbe::xembedManager() || !std::getenv("WAYLAND_DISPLAY"))
            << "needs a desktop with no tray yet: "
               "SONIFIX_TEST_DESKTOP='--tray sni --wayland' (as ctest runs it)";
        DesktopAppTest::SetUp();
    }
};

TEST_F(TrayWaitTest, WithNoTrayTheAppSaysSoOnceAndWhatToInstall) {
    qputenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
    const auto saysWhatToDo = [](const std::string& words) {
        return words.find("AppIndicator extension") != std::string::npos &&
               words.find("sonifix --restart") != std::string::npos &&
               words.find("in your system tray") == std::string::npos;
    };
    // The first run's welcome says it; the next login says nothing more.
    for (const bool welcomed : {false, true}) {
        setWelcomed(welcomed);
        auto app = launch(300ms);
        pumpFor(1500ms);
        EXPECT_EQ(app->statusItem.widget(), nullptr);
    }
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].substr(0, dialogs[0].find('\n')), "Sonifix is running");
    EXPECT_TRUE(saysWhatToDo(dialogs[0])) << dialogs[0];

    // Where the desktop shows notifications, a notification says it, once, and no alert.
    dialogs.clear();
    QSettings(settingsPath, QSettings::IniFormat).remove("toldNoTray");
    NotificationServer notifications;
    for (int launches = 0; launches < 2; ++launches) {
        auto app = launch(300ms);
        pumpFor(1500ms);
    }
    EXPECT_TRUE(dialogs.empty()) << dialogs.front();
    ASSERT_EQ(notifications.shown.size(), 1u);
    EXPECT_EQ(notifications.shown[0].first, "No system tray found");
    EXPECT_TRUE(saysWhatToDo(notifications.shown[0].second)) << notifications.shown[0].second;
    qunsetenv("XDG_CURRENT_DESKTOP");
}

TEST_F(TrayWaitTest, ATrayThatComesLaterGetsTheIconWithAFreshMenuOverDBusMenu) {
    setWelcomed(true);
    auto app = launch(2s);
    pumpFor(200ms);
    EXPECT_EQ(app->statusItem.widget(), nullptr);
    StatusNotifierHost host;
    QString item;
    ASSERT_TRUE(pumpUntil([&] { return !(item = host.item()).isEmpty(); }, 5s));

    // The host asks for the menu each time it opens it: the device lines are read then.
    const auto microphone = QStringLiteral("Input: Built-in Microphone · 44.1 kHz");
    EXPECT_TRUE(pumpUntil([&] { return host.openMenu(item).contains(microphone); }, 5s));
    server->pactl({"set-default-source", "bt_headset_mic"});
    ASSERT_TRUE(pumpUntil([&] { return !host.openMenu(item).contains(microphone); }, 5s));

    // A left click (Plasma sends Activate, as the item is no menu only) opens the menu, as a
    // click on a menu-bar item does; a middle click does nothing.
    const auto click = [&](const QString& method) {
        host.ask(item, QStringLiteral("/StatusNotifierItem"),
                 QStringLiteral("org.kde.StatusNotifierItem"), method, {0, 0});
    };
    click(QStringLiteral("SecondaryActivate"));
    pumpFor(500ms);
    EXPECT_FALSE(app->menu.widget()->isVisible());
    click(QStringLiteral("Activate"));
    EXPECT_TRUE(pumpUntil([&] { return app->menu.widget()->isVisible(); }, 2s));
    app->menu.widget()->hide();
    EXPECT_TRUE(dialogs.empty()) << dialogs.front();
}

// Under Wayland Qt's only tray is a StatusNotifierItem, and no X11 grab can work: the real
// program on the desktop's headless compositor. (Its welcome stays out: Qt 6.4 crashes drawing a
// focused line edit where the compositor has no seat, as a headless one has not.)
TEST_F(TrayWaitTest, UnderWaylandTheMenuComesOverDBusMenuAndSaysTheShortcutIsUnavailable) {
    StatusNotifierHost host;
    QSettings(folder.filePath(QStringLiteral("Northfold/Sonifix.ini")), QSettings::IniFormat)
        .setValue("welcomed", "true");
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folder.path());
    environment.insert(QStringLiteral("PULSE_SERVER"),
                       QString::fromStdString(server->serverAddress()));
    QProcess app;
    app.setProcessEnvironment(environment);
    app.start(QStringLiteral(SONIFIX_PROGRAM), {});
    QString item;
    EXPECT_TRUE(pumpUntil([&] { return !(item = host.item()).isEmpty(); }, 20s));
    // The main thread never waits for the sound server: a menu opened before the app is in touch
    // with it shows no devices yet.
    QStringList menu;
    EXPECT_TRUE(pumpUntil(
        [&] {
            return (menu = host.openMenu(item))
                .contains(QStringLiteral("Input: Built-in Microphone · 44.1 kHz"));
        },
        10s))
        << menu.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(menu.contains(QStringLiteral("Global Shortcut: Not Available on This Desktop")))
        << menu.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(app.state(), QProcess::Running) << app.readAllStandardError().toStdString();
    app.terminate();
    app.waitForFinished();
}

} // namespace
} // namespace sonifix::testing

#include "TrayAppTest.moc"

int main(int argc, char** argv) {
    // A desktop of the run's own: the tray host found there, and the players the shortcut
    // pauses, are the test's, never those of the person running it.
    sonifix::testing::PrivateDesktop::enter(argc, argv, {.tray = "xembed"});
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}
