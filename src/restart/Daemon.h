#pragma once

#include "support/StopToken.h"

#include <cstdint>
#include <optional>
#include <string>

namespace sonifix {

// A daemon that the app finds afresh at every restart and stops itself, without root: the
// user's sound server on Linux. The restart engine stops it, then polls for a new one.
class Daemon {
public:
    virtual ~Daemon() = default;

    // The daemon's process name, as texts name it, from what is known already: it asks nothing
    // that could keep the caller waiting. Any thread.
    virtual std::string name() = 0;

    // Finds the daemon that serves now and stops it: its process ID, which the new one will not
    // have. Throws RestartFailure when it cannot be stopped, TaskCancelled when `stop` is
    // requested meanwhile. Worker thread.
    virtual std::int32_t stop(StopToken stop) = 0;

    // The process ID of the daemon of the kind last stopped, running now. Worker thread.
    virtual std::optional<std::int32_t> pid() = 0;
};

} // namespace sonifix
