// Sonifix on a Linux desktop: builds the adapters, finds the user's sound server and hands both
// to the app, then runs Qt's event loop.

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
#include "app/PlatformTexts.h"
#include "platform/posix/CurlHttpClient.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixProcessRunner.h"
#include "platform/posix/PosixUserAccount.h"
#include "platform/posix/RandomUuidSource.h"
#include "platform/posix/StopTokenSleeper.h"
#include "platform/posix/SystemClock.h"
#include "platform/posix/ThreadExecutor.h"
#include "restart/SoundServer.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sonifix"));
    QApplication::setOrganizationName(QStringLiteral("Northfold"));
    QApplication::setApplicationVersion(QStringLiteral(SONIFIX_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/hifispeaker.svg")));
    // Closing a dialog must not end a program that lives in the tray.
    QApplication::setQuitOnLastWindowClosed(false);

    using namespace sonifix;
    QtMainQueue mainQueue;
    PosixProcessRunner processes;
    NoAdminShell adminShell;
    PulseAudioHardware hardware(mainQueue);
    PosixFileSystem files;
    PosixUserAccount user;
    RandomUuidSource uuids;
    StopTokenSleeper sleeper;
    QtSettingsStore settings;
    QtMenu menu;
    QtStatusItem statusItem;
    QtAlerts alerts;
    QtWorkspace workspace;
    XdgAutostartLoginItems loginItems(XdgAutostartLoginItems::userAutostartDirectory(),
                                      QCoreApplication::applicationFilePath().toStdString());
    SystemClock clock;
    IcuRelativeTimeFormatter relativeTime;
    MprisMediaPlayerHost players;
    X11HotKeys hotKeys;
    CurlHttpClient http;
    // Last: its teardown stops and waits for the work that uses everything above.
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

    const auto daemon = SoundServer(processes).identity(SoundServer::ownedBy(user.shortName()));
    const auto delegate = std::make_shared<AppDelegate>(
        platform, daemon,
        PlatformTexts::forSoundServer(SoundServer::displayName(daemon.name),
                                      MprisMediaPlayerHost::knownPlayers()));
    QTimer::singleShot(0, [&delegate] { delegate->applicationDidFinishLaunching(); });
    return QApplication::exec();
}
