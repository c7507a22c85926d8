#include "LinuxApp.h"

#include "restart/SoundServer.h"

#include <QGuiApplication>

namespace sonifix {

namespace {

// Qt on its X11 platform, and not as a guest of a Wayland compositor, where a grab would work
// only while one of XWayland's windows has the keyboard.
bool x11Session() {
    return QGuiApplication::platformName() == QStringLiteral("xcb") &&
           qEnvironmentVariable("XDG_SESSION_TYPE") != QStringLiteral("wayland");
}

} // namespace

LinuxApp::LinuxApp(const Places& places)
    : hardware(mainQueue, {.server = places.soundServer}),
      settings(places.settingsFile ? QtSettingsStore(*places.settingsFile) : QtSettingsStore()),
      loginItems(
          places.autostartDirectory.value_or(XdgAutostartLoginItems::userAutostartDirectory()),
          places.executable.value_or(QGuiApplication::applicationFilePath().toStdString())),
      hotKeys(x11Session() ? std::unique_ptr<HotKeys>(std::make_unique<X11HotKeys>())
                           : std::make_unique<PortalHotKeys>(desktopEntryId)),
      platform{.processes = processes,
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
               .hotKeys = *hotKeys,
               .http = http} {
    const auto daemon = SoundServer(processes).identity(
        places.owners.value_or(SoundServer::ownedBy(user.shortName())));
    delegate = std::make_shared<AppDelegate>(
        platform, daemon,
        PlatformTexts::forSoundServer(SoundServer::displayName(daemon.name),
                                      MprisMediaPlayerHost::knownPlayers()));
}

} // namespace sonifix
