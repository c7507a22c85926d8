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
#include "FakeProcessTable.h"
#include "FakeRelativeTimeFormatter.h"
#include "FakeSettingsStore.h"
#include "FakeSleeper.h"
#include "FakeSoundServerProbe.h"
#include "FakeStatusItem.h"
#include "FakeUserAccount.h"
#include "FakeUuidSource.h"
#include "FakeWorkspace.h"
#include "platform/Platform.h"

namespace sonifix::testing {

// Every fake, and the bundle the core takes.
struct FakePlatform {
    // Real adapters to use in place of a fake.
    struct Real {
        ProcessRunner* processes = nullptr;
        HttpClient* http = nullptr;
        AudioHardware* hardware = nullptr;
        Sleeper* sleeper = nullptr;
        MainQueue* mainQueue = nullptr;
        AdminShell* adminShell = nullptr;
        FileSystem* files = nullptr;
        Clock* clock = nullptr;
    };

    FakePlatform() = default;
    explicit FakePlatform(Real real) : real(real) {}
    FakePlatform(const FakePlatform&) = delete;
    FakePlatform& operator=(const FakePlatform&) = delete;
    // Work still queued may hold the app, whose teardown uses the other fakes: it goes first.
    ~FakePlatform() {
        background.dropAll();
        mainQueue.dropAll();
    }

    Real real;
    EventLog log;
    FakeProcessRunner processes;
    FakeAdminShell adminShell;
    FakeMainQueue mainQueue;
    FakeAudioHardware hardware{mainQueue};
    FakeFileSystem files;
    FakeUserAccount user;
    FakeUuidSource uuids;
    FakeClock clock;
    FakeSleeper sleeper{&clock};
    FakeBackgroundExecutor background;
    FakeSettingsStore settings;
    FakeStatusItem statusItem{log};
    FakeMenu menu;
    FakeAlerts alerts{log};
    FakeWorkspace workspace{log};
    FakeLoginItems loginItems{log};
    FakeRelativeTimeFormatter relativeTime;
    FakeMediaPlayerHost players{log};
    FakeHotKeys hotKeys;
    FakeHttpClient http;

    // The fakes, with the real adapters given in place of theirs.
    Platform with(const Real& given) {
        return {.processes = given.processes ? *given.processes : processes,
                .adminShell = given.adminShell ? *given.adminShell : adminShell,
                .hardware = given.hardware ? *given.hardware : hardware,
                .files = given.files ? *given.files : files,
                .user = user,
                .uuids = uuids,
                .mainQueue = given.mainQueue ? *given.mainQueue : mainQueue,
                .sleeper = given.sleeper ? *given.sleeper : sleeper,
                .background = background,
                .settings = settings,
                .statusItem = statusItem,
                .menu = menu,
                .alerts = alerts,
                .workspace = workspace,
                .loginItems = loginItems,
                .clock = given.clock ? *given.clock : clock,
                .relativeTime = relativeTime,
                .players = players,
                .hotKeys = hotKeys,
                .http = given.http ? *given.http : http};
    }

    Platform platform = with(real);
};

} // namespace sonifix::testing
