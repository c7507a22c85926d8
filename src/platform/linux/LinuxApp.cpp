#include "LinuxApp.h"

#include "GlibcHeap.h"

#include <QGuiApplication>
#include <QTimer>
#include <cstdlib>
#include <unistd.h>

namespace sonifix {

namespace {

// Qt on its X11 platform, and not as a guest of a Wayland compositor, where a grab would work
// only while one of XWayland's windows has the keyboard.
bool x11Session() {
    return QGuiApplication::platformName() == QStringLiteral("xcb") &&
           qEnvironmentVariable("XDG_SESSION_TYPE") != QStringLiteral("wayland");
}

// The session the app runs in: its user, its environment, and the app itself.
SoundServer::Session currentSession(ProcessTable& processes) {
    SoundServer::Session session{.user = processes.currentUser(), .self = ::getpid()};
    for (char** entry = environ; *entry; ++entry) {
        session.environment.emplace_back(*entry);
    }
    return session;
}

} // namespace

LinuxApp::LinuxApp(const Places& places)
    : hardware(mainQueue, {.server = places.soundServer}),
      settings(places.settingsFile ? QtSettingsStore(*places.settingsFile) : QtSettingsStore()),
      loginItems(
          places.autostartDirectory.value_or(XdgAutostartLoginItems::userAutostartDirectory()),
          places.executable.value_or(QGuiApplication::applicationFilePath().toStdString())),
      players(QDBusConnection::sessionBus(), [this] { return hardware.playbackProcesses(); }),
      hotKeys(x11Session() ? std::unique_ptr<HotKeys>(std::make_unique<X11HotKeys>())
                           : std::make_unique<PortalHotKeys>(desktopEntryId)),
      notifications(QStringLiteral("Sonifix"), QString::fromLatin1(desktopEntryId)),
      platform{.processes = processes,
               .adminShell = adminShell,
               .hardware = hardware,
               .files = files,
               .user = user,
               .mainQueue = mainQueue,
               .sleeper = sleeper,
               .background = background,
               .settings = settings,
               .statusItem = statusItem,
               .menu = menu,
               .alerts = alertQueue,
               .workspace = workspace,
               .loginItems = loginItems,
               .clock = clock,
               .relativeTime = relativeTime,
               .players = players,
               .hotKeys = *hotKeys,
               .http = http,
               .launcher = launcher,
               .notifications = &notifications,
               .serverProbe = &hardware,
               .captures = &hardware},
      soundServer(services, processTable, hardware, pipewireCore, launcher, sleeper,
                  places.session.value_or(currentSession(processTable))) {
    // The desktop knows which app asks (for a shortcut, a notification, a tray icon) by its
    // desktop entry; outside a sandbox nothing else tells it.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(desktopEntryId));
    const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
    delegate = std::make_shared<AppDelegate>(
        platform, soundServer,
        [desktop = std::string(desktop ? desktop : "")](const std::string& name) {
            return PlatformTexts::forSoundServer(SoundServer::displayName(name),
                                                 MprisMediaPlayerHost::everyPlayer(), desktop);
        });
    // Laying out and drawing the menu's text takes the most memory the idle app ever asks for;
    // what it freed goes back once the menu has closed.
    QObject::connect(menu.widget(), &QMenu::aboutToHide,
                     [] { QTimer::singleShot(0, &GlibcHeap::releaseFree); });
    if (places.trayWait) {
        delegate->setTrayWait(*places.trayWait);
    }
}

LinuxApp::~LinuxApp() {
    // No child is waited for, the work under way ends, and the blocks it posted go unrun (those
    // who wait for its outcome are told): the delegate they hold is let go here, while every
    // adapter it touches is alive.
    processes.cancelAll();
    background.stopAll();
    delegate->applicationWillTerminate();
    mainQueue.discardPending();
    delegate.reset();
}

} // namespace sonifix
