#pragma once

#include "FakeAdminShell.h"
#include "FakeAudioHardware.h"
#include "FakeBackgroundExecutor.h"
#include "FakeFileSystem.h"
#include "FakeMainQueue.h"
#include "FakeProcessRunner.h"
#include "FakeSleeper.h"
#include "FakeUserAccount.h"
#include "FakeUuidSource.h"
#include "platform/Platform.h"

namespace sonifix::testing {

// Every fake, and the bundle the core takes.
struct FakePlatform {
    FakeProcessRunner processes;
    FakeAdminShell adminShell;
    FakeMainQueue mainQueue;
    FakeAudioHardware hardware{mainQueue};
    FakeFileSystem files;
    FakeUserAccount user;
    FakeUuidSource uuids;
    FakeSleeper sleeper;
    FakeBackgroundExecutor background;

    Platform platform{processes, adminShell, hardware, files, user,
                      uuids,     mainQueue,  sleeper,  background};
};

} // namespace sonifix::testing
