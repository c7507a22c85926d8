#pragma once

#include "platform/AppStatus.h"
#include "platform/RestartResult.h"

namespace sonifix {

// What the command line needs of the process it runs in; each platform's entry point has one.
class CommandHost {
public:
    virtual ~CommandHost() = default;

    // Runs the app, serving other launches, until it quits: the process's exit status.
    virtual int runApp() = 0;

    // With no app running, and this process holding the app's place: one restart by this
    // process, with the app's own engine and bookkeeping, joined by whoever asks meanwhile.
    virtual RestartResult restartHere() = 0;

    // With no app running: the status as the app would give it.
    virtual AppStatus statusHere() = 0;
};

} // namespace sonifix
