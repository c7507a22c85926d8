#include "LinuxApp.h"

#include "restart/SoundServer.h"

#include <QCoreApplication>

namespace sonifix {

LinuxApp::LinuxApp(const Places& places)
    : hardware(mainQueue, {.server = places.soundServer}),
      settings(places.settingsFile ? QtSettingsStore(*places.settingsFile) : QtSettingsStore()),
      loginItems(
          places.autostartDirectory.value_or(XdgAutostartLoginItems::userAutostartDirectory()),
          places.executable.value_or(QCoreApplication::applicationFilePath().toStdString())),
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
               .hotKeys = hotKeys,
               .http = http} {
    const auto daemon = SoundServer(processes).identity(
        places.owners.value_or(SoundServer::ownedBy(user.shortName())));
    delegate = std::make_shared<AppDelegate>(
        platform, daemon,
        PlatformTexts::forSoundServer(SoundServer::displayName(daemon.name),
                                      MprisMediaPlayerHost::knownPlayers()));
}

} // namespace sonifix
