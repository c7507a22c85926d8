#pragma once

#include "AppStatus.h"
#include "InstanceDelegate.h"
#include "RestartResult.h"

#include <memory>
#include <optional>

namespace sonifix {

// The one running copy of the app in the user's session, and how other launches reach it.
// Main thread only. Never throws.
class SingleInstance {
public:
    enum class Claim {
        claimed,     // this process is now the session's running copy
        taken,       // another copy runs
        unavailable, // there is no way to tell (no session bus): this process runs on its own
    };

    virtual ~SingleInstance() = default;

    virtual Claim claim() = 0;

    // Once claimed: requests of other launches go to `delegate` for as long as it lives.
    virtual void serve(std::weak_ptr<InstanceDelegate> delegate) = 0;

    // Requests to the running copy. Each answers nothing (false) when no copy runs; a copy that
    // runs but does not answer gives a failed outcome. A copy that is ending (quitting, or a
    // command that has done its work) is waited for, a little while, and then counts as none.
    virtual bool launchRunning() = 0;
    virtual std::optional<RestartResult> restartRunning() = 0;
    virtual std::optional<AppStatus> statusOfRunning() = 0;
};

} // namespace sonifix
