#pragma once

#include "EventLog.h"
#include "FakeAdminShell.h"
#include "FakeAlerts.h"
#include "FakeAudioHardware.h"
#include "FakeBackgroundExecutor.h"
#include "FakeClock.h"
#include "FakeFileSystem.h"
#include "FakeHotKeys.h"
#include "FakeHttpClient.h"
#include "FakeLoginItems.h"
#include "FakeMainQueue.h"
#include "FakeMediaPlayerHost.h"
#include "FakeMenu.h"
#include "FakeNotifications.h"
#include "FakeProcessRunner.h"
#include "FakeProgramLauncher.h"
#include "FakeRelativeTimeFormatter.h"
#include "FakeSettingsStore.h"
#include "FakeSleeper.h"
#include "FakeStatusItem.h"
#include "FakeUserAccount.h"
#include "FakeWorkspace.h"
#include "app/AlertQueue.h"
#include "platform/Platform.h"

namespace sonifix::testing {

// Every fake, and the bundle the core takes.
struct FakePlatform {
    // Real adapters to use in place of a fake.
    struct Real {
        ProcessRunner* processes = nullptr;
        AudioHardware* hardware = nullptr;
        Sleeper* sleeper = nullptr;
        Clock* clock = nullptr;
        BackgroundExecutor* background = nullptr;
    };

    // Work still queued may hold the app, whose teardown uses the other fakes: it goes first.
    ~FakePlatform() {
        background.dropAll();
        mainQueue.dropAll();
    }

    EventLog log;
    FakeProcessRunner processes;
    FakeAdminShell adminShell;
    FakeMainQueue mainQueue;
    FakeAudioHardware hardware{mainQueue};
    FakeFileSystem files;
    FakeUserAccount user;
    FakeClock clock;
    FakeSleeper sleeper{clock};
    FakeBackgroundExecutor background;
    FakeSettingsStore settings;
    FakeStatusItem statusItem{log};
    FakeMenu menu;
    FakeAlerts alerts{log};
    FakeWorkspace workspace{log};
    AlertQueue alertQueue{alerts, mainQueue,
                          workspace}; // as every platform has its alerts behind one
    FakeLoginItems loginItems{log};
    FakeRelativeTimeFormatter relativeTime;
    FakeMediaPlayerHost players{log};
    FakeHotKeys hotKeys;
    FakeHttpClient http;
    FakeProgramLauncher launcher;
    FakeNotifications notifications;

    Platform with(const Real& real) {
        return {.processes = real.processes ? *real.processes : processes,
                .adminShell = adminShell,
                .hardware = real.hardware ? *real.hardware : hardware,
                .files = files,
                .user = user,
                .mainQueue = mainQueue,
                .sleeper = real.sleeper ? *real.sleeper : sleeper,
                .background = real.background ? *real.background : background,
                .settings = settings,
                .statusItem = statusItem,
                .menu = menu,
                .alerts = alertQueue,
                .workspace = workspace,
                .loginItems = loginItems,
                .clock = real.clock ? *real.clock : clock,
                .relativeTime = relativeTime,
                .players = players,
                .hotKeys = hotKeys,
                .http = http,
                .launcher = launcher,
                .notifications = &notifications};
    }

    Platform platform = with({});
};

} // namespace sonifix::testing
