#pragma once

#include "support/StopToken.h"

#include <chrono>

namespace sonifix {

// A pause of a background task that a stop request ends early.
class Sleeper {
public:
    virtual ~Sleeper() = default;

    // Waits `duration`; answers false, at once, when `stop` is requested before it has passed.
    virtual bool sleep(std::chrono::nanoseconds duration, StopToken stop) = 0;
};

} // namespace sonifix
