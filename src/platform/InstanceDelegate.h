#pragma once

#include "AppStatus.h"
#include "RestartResult.h"

#include <functional>

namespace sonifix {

// What the running app answers when another launch of it, in the same session, asks. Called on
// the main thread.
class InstanceDelegate {
public:
    virtual ~InstanceDelegate() = default;

    // Restarts (or joins the restart under way) and calls `done` once it has ended.
    virtual void restartAndReport(std::function<void(const RestartResult&)> done) = 0;

    virtual AppStatus status() = 0;
    // `restarted` is called after each restart that succeeded, once the last restart and the
    // count of them have changed.
    virtual void observeRestarts(std::function<void()> restarted) = 0;

    // The app was launched again while it runs: show the user where it is. False when this
    // process is no app but one command, ending soon: the launch is to wait for its end.
    virtual bool launchedAgain() = 0;
};

} // namespace sonifix
