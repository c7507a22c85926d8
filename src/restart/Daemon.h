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
    // have. Throws RestartFailure when it cannot be stopped, TaskCancelled when `stop` was
    // requested before anything was signalled. Once signalled, a stop request shortens the wait
    // for its end but does not give it up, so that what was stopped can be brought back. Worker
    // thread.
    virtual std::int32_t stop(StopToken stop) = 0;

    // Brings back what was stopped last where nothing else does: a supervisor is given a short
    // moment, then whatever is still missing is started again as it was started before; a
    // program that is back already is left alone. Returns at once where a service manager did
    // the restart. Throws RestartFailure when a program cannot be started. A stop request ends
    // the moment early but not the starting (the sound is not left off); TaskCancelled follows.
    // Worker thread.
    virtual void bringBack(StopToken stop) = 0;

    // What the user can run to start the daemon when it is not running now; empty when it runs,
    // or when how it was started is not known. Worker thread.
    virtual std::string startCommand() = 0;

    // The process ID of the daemon of the kind last stopped, running now. Worker thread.
    virtual std::optional<std::int32_t> pid() = 0;
};

} // namespace sonifix
