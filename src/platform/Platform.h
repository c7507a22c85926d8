#pragma once

#include "AdminShell.h"
#include "Alerts.h"
#include "AudioHardware.h"
#include "BackgroundExecutor.h"
#include "CaptureStreams.h"
#include "Clock.h"
#include "FileSystem.h"
#include "HotKeys.h"
#include "HttpClient.h"
#include "LoginItems.h"
#include "MainQueue.h"
#include "MediaPlayerHost.h"
#include "Menu.h"
#include "Notifications.h"
#include "ProcessRunner.h"
#include "ProgramLauncher.h"
#include "RelativeTimeFormatter.h"
#include "SettingsStore.h"
#include "Sleeper.h"
#include "SoundServerProbe.h"
#include "StatusItem.h"
#include "UserAccount.h"
#include "Workspace.h"

namespace sonifix {

// Every platform service the core uses, handed in by each platform's composition root (or by
// a test, with fakes). The services outlive everything that holds this bundle.
struct Platform {
    ProcessRunner& processes;
    AdminShell& adminShell;
    AudioHardware& hardware;
    FileSystem& files;
    UserAccount& user;
    MainQueue& mainQueue;
    Sleeper& sleeper;
    BackgroundExecutor& background;
    SettingsStore& settings;
    StatusItem& statusItem;
    Menu& menu;
    Alerts& alerts;
    Workspace& workspace;
    LoginItems& loginItems;
    Clock& clock;
    RelativeTimeFormatter& relativeTime;
    MediaPlayerHost& players;
    HotKeys& hotKeys;
    HttpClient& http;
    ProgramLauncher& launcher;
    // Where the desktop has them; none where the app has not been given any.
    Notifications* notifications = nullptr;
    // Where the app can ask the sound server whether it still answers; the watchdog runs only
    // there.
    SoundServerProbe* serverProbe = nullptr;
    // Where the app can see who records from an input; else only whether someone does.
    CaptureStreams* captures = nullptr;
};

} // namespace sonifix
