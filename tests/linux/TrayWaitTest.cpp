// The tray app started before its tray, as at login: a virtual X display with no tray on it, a
// private session bus where a StatusNotifierItem host may come later, a private sound server.

#include "../e2e/SoundServerHarness.h"
#include "LinuxApp.h"
#include "desktop/ChildProcess.h"
#include "desktop/EventLoop.h"
#include "desktop/PrivateBus.h"
#include "desktop/PrivateDesktop.h"

#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

// The reports of uninstrumented libraries that ThreadSanitizer leaves out (TrayAppSuppressions).
extern "C" const char* __tsan_default_suppressions();

namespace sonifix::testing {
namespace {

using namespace std::chrono_literals;

PrivateBus* bus = nullptr;
const auto watcherName = QStringLiteral("org.kde.StatusNotifierWatcher");
const auto watcherPath = QStringLiteral("/StatusNotifierWatcher");

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

// A panel's tray as a StatusNotifierItem host sees it: a watcher, and a host registered with it.
class StatusNotifierHost {
public:
    StatusNotifierHost()
        : watcher(ChildProcess::start({"status-notifier-watcher"})),
          connection(bus->connect(QStringLiteral("host"))) {
        const auto name = QStringLiteral("org.kde.StatusNotifierHost-%1").arg(getpid());
        connection.registerService(name);
        // The watcher may take its name before it serves: asked until it counts the host.
        pumpUntil(
            [&] {
                ask(watcherName, watcherPath, watcherName,
                    QStringLiteral("RegisterStatusNotifierHost"), {name});
                return watcherProperty(QStringLiteral("IsStatusNotifierHostRegistered")).toBool();
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
        const auto items =
            watcherProperty(QStringLiteral("RegisteredStatusNotifierItems")).toStringList();
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
    QVariant watcherProperty(const QString& property) {
        const auto reply =
            ask(watcherName, watcherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                QStringLiteral("Get"), {watcherName, property});
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }

    std::unique_ptr<ChildProcess> watcher;
    QDBusConnection connection;
};

class TrayWaitTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const auto* program : {"status-notifier-watcher", "pulseaudio"}) {
            if (!ChildProcess::installed(program)) {
                GTEST_SKIP() << "not installed: " << program;
            }
        }
        server.emplace(ServerKind::pulseaudio);
        server->start();
        // Every dialog, by its words, closed as soon as it shows.
        QObject::connect(&closer, &QTimer::timeout, [this] {
            if (auto* dialog = QApplication::activeModalWidget()) {
                std::string words;
                for (const auto* label : dialog->findChildren<QLabel*>()) {
                    if (!label->text().isEmpty()) {
                        words += label->text().toStdString() + "\n";
                    }
                }
                dialogs.push_back(words);
                dialog->findChildren<QPushButton*>().front()->click();
            }
        });
        closer.start(20);
    }

    std::unique_ptr<LinuxApp> launch(bool welcomed, std::chrono::milliseconds trayWait) {
        const auto settingsPath = folder.filePath(QStringLiteral("Sonifix.ini"));
        QSettings(settingsPath, QSettings::IniFormat)
            .setValue("welcomed", welcomed ? "true" : "false");
        auto app = std::make_unique<LinuxApp>(LinuxApp::Places{
            .settingsFile = settingsPath,
            .soundServer = server->serverAddress(),
            .owners = server->owners(),
            .autostartDirectory = folder.filePath(QStringLiteral("autostart")).toStdString(),
            .executable = "/usr/bin/sonifix",
            .trayWait = trayWait,
        });
        app->launch();
        return app;
    }

    QTemporaryDir folder;
    std::optional<SoundServerHarness> server;
    QTimer closer;
    std::vector<std::string> dialogs;
};

TEST_F(TrayWaitTest, WithNoTrayTheAppSaysSoOnceAndWhatToInstall) {
    qputenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
    for (const bool welcomed : {false, true}) {
        dialogs.clear();
        auto app = launch(welcomed, 300ms);
        pumpFor(1500ms);
        EXPECT_EQ(app->statusItem.widget(), nullptr);
        ASSERT_EQ(dialogs.size(), 1u) << "welcomed before: " << welcomed;
        // The first run's welcome says it; later runs, a notice of its own.
        EXPECT_EQ(dialogs[0].substr(0, dialogs[0].find('\n')),
                  welcomed ? "No system tray found" : "Sonifix is running");
        EXPECT_NE(dialogs[0].find("AppIndicator extension"), std::string::npos) << dialogs[0];
        EXPECT_NE(dialogs[0].find("sonifix --restart"), std::string::npos) << dialogs[0];
        EXPECT_EQ(dialogs[0].find("in your system tray"), std::string::npos) << dialogs[0];
    }
    qunsetenv("XDG_CURRENT_DESKTOP");
}

TEST_F(TrayWaitTest, ATrayThatComesLaterGetsTheIconWithAFreshMenuOverDBusMenu) {
    auto app = launch(true, 2s);
    pumpFor(200ms);
    EXPECT_EQ(app->statusItem.widget(), nullptr);
    StatusNotifierHost host;
    QString item;
    ASSERT_TRUE(pumpUntil([&] { return !(item = host.item()).isEmpty(); }, 5s));

    // The host asks for the menu each time it opens it: the device lines are read then.
    EXPECT_TRUE(
        host.openMenu(item).contains(QStringLiteral("Input: Built-in Microphone · 44.1 kHz")));
    server->pactl({"set-default-source", "bt_headset_mic"});
    ASSERT_TRUE(pumpUntil(
        [&] {
            return !host.openMenu(item).contains(
                QStringLiteral("Input: Built-in Microphone · 44.1 kHz"));
        },
        5s));

    // A left click is the host's to handle: no menu pops up where the pointer happens to be.
    host.ask(item, QStringLiteral("/StatusNotifierItem"),
             QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Activate"), {0, 0});
    pumpFor(2s);
    EXPECT_FALSE(app->menu.widget()->isVisible());
    EXPECT_TRUE(dialogs.empty()) << dialogs.front();
}

// Under Wayland Qt's only tray is a StatusNotifierItem, and no X11 grab can work: the real
// program on a headless compositor. (Its welcome stays out: Qt 6.4 crashes drawing a focused
// line edit where the compositor has no seat, as a headless one has not.)
TEST_F(TrayWaitTest, UnderWaylandTheMenuComesOverDBusMenuAndSaysTheShortcutIsUnavailable) {
    if (!ChildProcess::installed("weston")) {
        GTEST_SKIP() << "not installed: weston";
    }
    const QTemporaryDir runtime;
    const auto socket = QStringLiteral("sonifix-test-%1").arg(getpid());
    const auto compositor = ChildProcess::start(
        {"env", "XDG_RUNTIME_DIR=" + runtime.path().toStdString(), "weston",
         "--backend=headless-backend.so", "--idle-time=0", "--socket=" + socket.toStdString()});
    ASSERT_TRUE(pumpUntil([&] { return QFile::exists(runtime.filePath(socket)); }, 10s));
    StatusNotifierHost host;
    QSettings(folder.filePath(QStringLiteral("Northfold/Sonifix.ini")), QSettings::IniFormat)
        .setValue("welcomed", "true");
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    environment.insert(QStringLiteral("WAYLAND_DISPLAY"), socket);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folder.path());
    environment.insert(QStringLiteral("PULSE_SERVER"),
                       QString::fromStdString(server->serverAddress()));
    // The program leaves out the same reports as this test does.
    QFile suppressions(folder.filePath(QStringLiteral("tsan-suppressions")));
    ASSERT_TRUE(suppressions.open(QIODevice::WriteOnly));
    suppressions.write(__tsan_default_suppressions());
    suppressions.close();
    environment.insert(QStringLiteral("TSAN_OPTIONS"),
                       environment.value(QStringLiteral("TSAN_OPTIONS")) +
                           QStringLiteral(":suppressions=") + suppressions.fileName());
    QProcess app;
    app.setProcessEnvironment(environment);
    app.start(QStringLiteral(SONIFIX_PROGRAM), {});
    QString item;
    EXPECT_TRUE(pumpUntil([&] { return !(item = host.item()).isEmpty(); }, 20s));
    const auto menu = host.openMenu(item);
    EXPECT_TRUE(menu.contains(QStringLiteral("Global Shortcut: Not Available on This Desktop")))
        << menu.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(menu.contains(QStringLiteral("Input: Built-in Microphone · 44.1 kHz")));
    EXPECT_EQ(app.state(), QProcess::Running) << app.readAllStandardError().toStdString();
    app.terminate();
    app.waitForFinished();
}

} // namespace
} // namespace sonifix::testing

int main(int argc, char** argv) {
    using namespace sonifix::testing;
    // A desktop of the run's own, with no tray on its display.
    PrivateDesktop::enter(argc, argv, {});
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) {
        return RUN_ALL_TESTS();
    }
    PrivateBus sessionBus;
    bus = &sessionBus;
    int result = 0;
    {
        QApplication app(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        result = RUN_ALL_TESTS();
    }
    return result;
}
