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
#include "FakeProcessRunner.h"
#include "FakeRelativeTimeFormatter.h"
#include "FakeSettingsStore.h"
#include "FakeSleeper.h"
#include "FakeStatusItem.h"
#include "FakeUserAccount.h"
#include "FakeUuidSource.h"
#include "FakeWorkspace.h"
#include "platform/Platform.h"

namespace sonifix::testing {

// Every fake, and the bundle the core takes.
struct FakePlatform {
    FakePlatform() = default;
    // With real child processes in place of scripted ones.
    explicit FakePlatform(ProcessRunner& real) : realProcesses(&real) {}

    ProcessRunner* realProcesses = nullptr;
    EventLog log;
    FakeProcessRunner processes;
    FakeAdminShell adminShell;
    FakeMainQueue mainQueue;
    FakeAudioHardware hardware{mainQueue};
    FakeFileSystem files;
    FakeUserAccount user;
    FakeUuidSource uuids;
    FakeSleeper sleeper;
    FakeBackgroundExecutor background;
    FakeSettingsStore settings;
    FakeStatusItem statusItem{log};
    FakeMenu menu;
    FakeAlerts alerts{log};
    FakeWorkspace workspace{log};
    FakeLoginItems loginItems{log};
    FakeClock clock;
    FakeRelativeTimeFormatter relativeTime;
    FakeMediaPlayerHost players{log};
    FakeHotKeys hotKeys;
    FakeHttpClient http;

    Platform platform{.processes = realProcesses ? *realProcesses : processes,
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
};

} // namespace sonifix::testing
