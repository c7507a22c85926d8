#pragma once

#include "DBusNotifications.h"
#include "IcuRelativeTimeFormatter.h"
#include "LibPipeWireCore.h"
#include "MprisMediaPlayerHost.h"
#include "NoAdminShell.h"
#include "PortalHotKeys.h"
#include "ProcFsProcessTable.h"
#include "PulseAudioHardware.h"
#include "QtAlerts.h"
#include "QtMainQueue.h"
#include "QtMenu.h"
#include "QtSettingsStore.h"
#include "QtStatusItem.h"
#include "QtWorkspace.h"
#include "SystemdServiceManager.h"
#include "X11HotKeys.h"
#include "XdgAutostartLoginItems.h"
#include "app/AlertQueue.h"
#include "app/AppDelegate.h"
#include "platform/posix/CurlHttpClient.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixProcessRunner.h"
#include "platform/posix/PosixProgramLauncher.h"
#include "platform/posix/PosixUserAccount.h"
#include "platform/posix/StopTokenSleeper.h"
#include "platform/posix/SystemClock.h"
#include "platform/posix/ThreadExecutor.h"
#include "restart/SoundServer.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sonifix {

// The app on a Linux desktop: every adapter, the user's sound server, and the delegate that owns
// the rules. Make it on the main thread once the QApplication exists, and let it go before the
// QApplication does: its teardown ends the work under way and drops what was posted for later,
// so that the delegate goes while the adapters it uses are still there.
class LinuxApp {
public:
    // Where the app's state lives; each default is the user's own.
    struct Places {
        std::optional<QString> settingsFile;
        std::string soundServer;                     // libpulse's notation; empty: the user's
        std::optional<SoundServer::Session> session; // whose server it is
        std::optional<std::string> autostartDirectory;
        std::optional<std::string> executable;
        std::optional<std::chrono::milliseconds> trayWait; // before it says there is no tray
    };

    explicit LinuxApp(const Places& places = {});
    ~LinuxApp();

    // The id the desktop knows the app by: its installed desktop entry's name.
    static constexpr const char* desktopEntryId = "sonifix";
    LinuxApp(const LinuxApp&) = delete;
    LinuxApp& operator=(const LinuxApp&) = delete;

    // Shows the icon, registers the shortcut and the listeners: the app is running.
    void launch() { delegate->applicationDidFinishLaunching(); }

    QtMainQueue mainQueue;
    PosixProcessRunner processes;
    NoAdminShell adminShell;
    PulseAudioHardware hardware;
    PosixFileSystem files;
    PosixUserAccount user;
    StopTokenSleeper sleeper;
    QtSettingsStore settings;
    QtMenu menu;
    QtStatusItem statusItem;
    QtAlerts alerts;
    QtWorkspace workspace;
    AlertQueue alertQueue{alerts, mainQueue, workspace}; // the app's alerts, one at a time
    XdgAutostartLoginItems loginItems;
    SystemClock clock;
    IcuRelativeTimeFormatter relativeTime;
    MprisMediaPlayerHost players;
    // The X11 grab in an X11 session; the desktop portal's shortcuts anywhere else.
    std::unique_ptr<HotKeys> hotKeys;
    CurlHttpClient http;
    ProcFsProcessTable processTable;
    PosixProgramLauncher launcher;
    DBusNotifications notifications;
    SystemdServiceManager services;
    LibPipeWireCore pipewireCore;
    // After the adapters: its teardown stops and waits for the work that uses them.
    ThreadExecutor background;
    Platform platform;
    SoundServer soundServer;
    std::shared_ptr<AppDelegate> delegate;
};

} // namespace sonifix
