#pragma once

#include "AdminShell.h"
#include "AudioHardware.h"
#include "BackgroundExecutor.h"
#include "FileSystem.h"
#include "MainQueue.h"
#include "ProcessRunner.h"
#include "Sleeper.h"
#include "UserAccount.h"
#include "UuidSource.h"

namespace sonifix {

// Every platform service the core uses, handed in by each platform's composition root (or by
// a test, with fakes). The services outlive everything that holds this bundle.
struct Platform {
    ProcessRunner& processes;
    AdminShell& adminShell;
    AudioHardware& hardware;
    FileSystem& files;
    UserAccount& user;
    UuidSource& uuids;
    MainQueue& mainQueue;
    Sleeper& sleeper;
    BackgroundExecutor& background;
};

} // namespace sonifix
