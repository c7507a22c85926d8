#pragma once

#include "platform/posix/StopTokenSleeper.h"

namespace sonifix::testing {

// The real pause, with a tally of what was asked for: the engine's fixed waits.
class TallySleeper final : public Sleeper {
public:
    bool sleep(std::chrono::nanoseconds duration, StopToken stop) override {
        asked += duration;
        return real.sleep(duration, stop);
    }
    std::chrono::nanoseconds asked{0};

private:
    StopTokenSleeper real;
};

} // namespace sonifix::testing
